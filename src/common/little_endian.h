// Little-endian numbers in byte arrays: the layouts the program reads and writes itself.
#pragma once

#include <cstdint>

namespace glowtide {

inline std::uint32_t ReadLittleEndian32(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

inline void WriteLittleEndian32(std::uint8_t* bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline std::uint64_t ReadLittleEndian64(const std::uint8_t* bytes) {
  return ReadLittleEndian32(bytes) | static_cast<std::uint64_t>(ReadLittleEndian32(bytes + 4))
                                         << 32;
}

inline void WriteLittleEndian64(std::uint8_t* bytes, std::uint64_t value) {
  WriteLittleEndian32(bytes, static_cast<std::uint32_t>(value));
  WriteLittleEndian32(bytes + 4, static_cast<std::uint32_t>(value >> 32));
}

}  // namespace glowtide
