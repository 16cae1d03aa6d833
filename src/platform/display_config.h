// The platform's display-configuration calls.
#pragma once

#include <cstdint>

namespace glowtide {

inline constexpr std::uint32_t kQdcAllPaths = 0x1;
inline constexpr std::uint32_t kQdcDatabaseCurrent = 0x4;
inline constexpr std::int32_t kErrorSuccess = 0;

// Path and mode elements as the platform lays them out.
inline constexpr std::size_t kPathInfoSize = 72;
inline constexpr std::size_t kModeInfoSize = 64;

class DisplayConfigPlatform {
 public:
  DisplayConfigPlatform() = default;
  DisplayConfigPlatform(const DisplayConfigPlatform&) = delete;
  DisplayConfigPlatform& operator=(const DisplayConfigPlatform&) = delete;
  virtual ~DisplayConfigPlatform() = default;

  virtual std::int32_t GetDisplayConfigBufferSizes(std::uint32_t flags, std::uint32_t* pathCount,
                                                   std::uint32_t* modeCount) = 0;
  // paths and modes are arrays of 72- and 64-byte elements, 8-byte aligned.
  virtual std::int32_t QueryDisplayConfig(std::uint32_t flags, std::uint32_t* pathCount,
                                          std::uint8_t* paths, std::uint32_t* modeCount,
                                          std::uint8_t* modes, std::uint32_t* topologyId) = 0;
  // request begins with the 20-byte device-information header, which carries its size.
  virtual std::int32_t DisplayConfigGetDeviceInfo(std::uint8_t* request) = 0;
  virtual std::int32_t DisplayConfigSetDeviceInfo(std::uint8_t* request) = 0;
};

}  // namespace glowtide
