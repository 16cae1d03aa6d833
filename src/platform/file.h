// The platform's file calls: the standard output, and files created and written whole.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace glowtide {

inline constexpr std::uint32_t kStdOutputHandle = static_cast<std::uint32_t>(-11);
inline constexpr Handle kInvalidHandleValue{~std::uintptr_t{0}};
inline constexpr std::uint32_t kGenericWrite = 0x40000000;
inline constexpr std::uint32_t kFileShareRead = 0x1;
inline constexpr std::uint32_t kCreateAlways = 2;
inline constexpr std::uint32_t kFileAttributeNormal = 0x80;

class FilePlatform {
 public:
  FilePlatform() = default;
  FilePlatform(const FilePlatform&) = delete;
  FilePlatform& operator=(const FilePlatform&) = delete;
  virtual ~FilePlatform() = default;

  // The handle the process was given for the stream: null when it was given none, and
  // INVALID_HANDLE_VALUE on failure. It is not the process's to close.
  virtual Handle GetStdHandle(std::uint32_t which) = 0;
  // Opens or creates the file with no security attributes and no template; INVALID_HANDLE_VALUE
  // on failure.
  virtual Handle CreateFileW(const char16_t* path, std::uint32_t access, std::uint32_t share,
                             std::uint32_t disposition, std::uint32_t attributes) = 0;
  // Writes the bytes with no overlapped structure; the count written in written.
  virtual bool WriteFile(Handle file, const std::uint8_t* bytes, std::uint32_t size,
                         std::uint32_t* written) = 0;
};

}  // namespace glowtide
