// The platform's power-scheme calls (powrprof.dll) and the power source: a built-in panel's
// brightness is the active scheme's display brightness, which Windows' brightness slider moves.
#pragma once

#include <cstdint>

namespace glowtide {

// A GUID in its platform layout: 16 bytes.
struct Guid {
  std::uint32_t data1;
  std::uint16_t data2;
  std::uint16_t data3;
  std::uint8_t data4[8];
};
static_assert(sizeof(Guid) == 16);

inline constexpr Guid kVideoSubgroup = {
    0x7516b95f, 0xf776, 0x4464, {0x8c, 0x53, 0x06, 0x16, 0x7f, 0x40, 0xcc, 0x99}};
inline constexpr Guid kVideoBrightness = {
    0xaded5e82, 0xb909, 0x4619, {0x99, 0x49, 0xf5, 0xd7, 0x1d, 0xac, 0x0b, 0xcb}};
// Whether the displays are off (0), on (1) or dimmed (2).
inline constexpr Guid kConsoleDisplayState = {
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
inline constexpr std::uint8_t kAcLineOffline = 0;
inline constexpr std::uint8_t kAcLineOnline = 1;  // 255: unknown

class PowerPlatform {
 public:
  PowerPlatform() = default;
  PowerPlatform(const PowerPlatform&) = delete;
  PowerPlatform& operator=(const PowerPlatform&) = delete;
  virtual ~PowerPlatform() = default;

  // The calls of powrprof.dll return a Win32 error code, 0 on success; they fail when it could not
  // be loaded. No root key is passed: the user's own.
  // The active scheme's GUID, in memory that LocalFree releases.
  virtual std::uint32_t PowerGetActiveScheme(Guid** scheme) = 0;
  virtual void LocalFree(void* memory) = 0;
  virtual std::uint32_t PowerReadACValueIndex(const Guid* scheme, const Guid* subgroup,
                                              const Guid* setting, std::uint32_t* value) = 0;
  virtual std::uint32_t PowerReadDCValueIndex(const Guid* scheme, const Guid* subgroup,
                                              const Guid* setting, std::uint32_t* value) = 0;
  virtual std::uint32_t PowerWriteACValueIndex(const Guid* scheme, const Guid* subgroup,
                                               const Guid* setting, std::uint32_t value) = 0;
  virtual std::uint32_t PowerWriteDCValueIndex(const Guid* scheme, const Guid* subgroup,
                                               const Guid* setting, std::uint32_t value) = 0;
  virtual std::uint32_t PowerSetActiveScheme(const Guid* scheme) = 0;
  // The power source: acLineStatus is 1 when the system runs on mains.
  virtual bool GetSystemPowerStatus(std::uint8_t* acLineStatus) = 0;
};

}  // namespace glowtide
