// The platform's display-configuration calls.
#pragma once

#include <cstdint>

namespace glowtide {

inline constexpr std::uint32_t kQdcAllPaths = 0x1;
inline constexpr std::uint32_t kQdcDatabaseCurrent = 0x4;
inline constexpr std::int32_t kErrorSuccess = 0;

// A display mode as the program reads and sets it: the fields of a DEVMODEW that it uses.
struct DisplayMode {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t frequency = 0;  // Hz
  std::uint32_t bitsPerPixel = 0;
  std::uint32_t fields = 0;  // dmFields: which of them a change sets
};

// EnumDisplaySettingsExW's mode numbers beside the listed modes' indexes.
inline constexpr std::uint32_t kEnumCurrentSettings = 0xFFFFFFFF;
inline constexpr std::uint32_t kEnumRegistrySettings = 0xFFFFFFFE;
inline constexpr std::uint32_t kDmBitsPerPel = 0x00040000;
inline constexpr std::uint32_t kDmPelsWidth = 0x00080000;
inline constexpr std::uint32_t kDmPelsHeight = 0x00100000;
inline constexpr std::uint32_t kDmDisplayFrequency = 0x00400000;
inline constexpr std::int32_t kDispChangeSuccessful = 0;

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

  // The mode with that number (an index into the modes the GDI device lists, or one of the
  // kEnum*Settings); false past the last one or on failure. No flags are passed.
  virtual bool EnumDisplaySettingsExW(const char16_t* device, std::uint32_t modeNumber,
                                      DisplayMode* mode) = 0;
  // Changes the device's mode to the given fields; no window and no parameter. flags 0: for this
  // session only, nothing written to the registry. DISP_CHANGE_SUCCESSFUL (0) or the failure.
  virtual std::int32_t ChangeDisplaySettingsExW(const char16_t* device, const DisplayMode& mode,
                                                std::uint32_t flags) = 0;
};

}  // namespace glowtide
