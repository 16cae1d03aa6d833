// Monitor settings by their VCP code over DDC/CI (contrast 12, the colour preset 14, the input
// source 60, a maker's game mode DC, ...), on a display's physical monitor: set and read back,
// and read for the reports.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <vector>

#include "common/tries.h"
#include "monitor/brightness.h"
#include "platform/monitor_config.h"

namespace glowtide {

// The input source: many monitors report the input they started on, so it is never read back.
inline constexpr std::uint8_t kInputSource = 0x60;

// A code and its value.
struct VcpValue {
  std::uint8_t code = 0;
  std::uint16_t value = 0;
};

// Up to kMostCodes codes and their values, in order, each code once: a value that copies as
// its bytes, since every settings plan carries one.
inline constexpr std::size_t kMostCodes = 16;
class VcpCodes {
 public:
  VcpCodes() = default;
  VcpCodes(std::initializer_list<VcpValue> values) {
    for (const VcpValue& value : values) Put(value);
  }
  const VcpValue* begin() const { return values_.data(); }
  const VcpValue* end() const { return values_.data() + count_; }
  VcpValue* begin() { return values_.data(); }
  VcpValue* end() { return values_.data() + count_; }
  bool empty() const { return count_ == 0; }
  std::size_t size() const { return count_; }
  const VcpValue& operator[](std::size_t i) const { return values_[i]; }
  // Adds the code, or gives the code there already the value; false when there is no room.
  bool Put(VcpValue value) {
    for (VcpValue& given : *this) {
      if (given.code == value.code) {
        given = value;
        return true;
      }
    }
    if (count_ == kMostCodes) return false;
    values_[count_++] = value;
    return true;
  }
  // The code's value; none when the code is not there.
  const VcpValue* Find(std::uint8_t code) const {
    for (const VcpValue& given : *this) {
      if (given.code == code) return &given;
    }
    return nullptr;
  }
  // Takes out the codes the test holds for, keeping the order of the others.
  template <typename Test>
  void RemoveIf(Test test) {
    std::uint8_t kept = 0;
    for (const VcpValue& given : *this) {
      if (!test(given)) values_[kept++] = given;
    }
    count_ = kept;
  }
  void clear() { count_ = 0; }

 private:
  std::array<VcpValue, kMostCodes> values_{};
  std::uint8_t count_ = 0;
};

// A code's value as read, and its maximum.
struct VcpReading {
  std::uint32_t current = 0;
  std::uint32_t maximum = 0;
};

// Reads each code on the target's monitor, each read tried as a brightness read is: none for a
// code that cannot be read, and for every code of a display with no monitor to ask (a built-in
// panel has no DDC/CI).
std::vector<std::optional<VcpReading>> ReadVcpCodes(MonitorConfigPlatform& monitors, Pause& pause,
                                                    const BrightnessTarget& target,
                                                    const std::vector<std::uint8_t>& codes);

// What the target's monitor shows of the codes: each that could be read, with its value. The input
// source is never read, since many monitors report the input they started on.
VcpCodes ShownCodes(MonitorConfigPlatform& monitors, Pause& pause, const BrightnessTarget& target,
                    const VcpCodes& codes);

// Sets the codes in the order given, each set tried as a brightness set is. Each is read back and
// sent again, within the tries, when it reads otherwise; it is in place when it reads back as
// set, or when its read fails after a set that succeeded (some monitors cannot report a code).
// The input source is never read: it is in place once it is sent. The codes in place; none on a
// display with no monitor to ask.
VcpCodes SetVcpCodes(MonitorConfigPlatform& monitors, Pause& pause, const BrightnessTarget& target,
                     const VcpCodes& codes);

}  // namespace glowtide
