// The power scheme's display brightness.
#include "monitor/panel_brightness.h"

namespace glowtide {

PanelBrightness::PanelBrightness(PowerPlatform& platform, Pause& pause)
    : platform_(platform), pause_(pause) {
  if (platform.PowerGetActiveScheme(&scheme_) != 0) scheme_ = nullptr;
  std::uint8_t acLineStatus = 0;
  if (!platform.GetSystemPowerStatus(&acLineStatus)) acLineStatus = kAcLineOffline;
  // An unknown power source reads the mains value and writes both, so that the panel shows the
  // value whichever source it turns out to be on.
  mains_ = acLineStatus != kAcLineOffline;
  battery_ = acLineStatus != kAcLineOnline;
}

PanelBrightness::~PanelBrightness() {
  if (scheme_ != nullptr) platform_.LocalFree(scheme_);
}

std::optional<std::uint32_t> PanelBrightness::Read() {
  std::uint32_t value = 0;
  if (scheme_ == nullptr || !Tried(pause_, [&] {
        return (mains_ ? platform_.PowerReadACValueIndex(scheme_, &kVideoSubgroup,
                                                         &kVideoBrightness, &value)
                       : platform_.PowerReadDCValueIndex(scheme_, &kVideoSubgroup,
                                                         &kVideoBrightness, &value)) == 0;
      })) {
    return std::nullopt;
  }
  return value;
}

bool PanelBrightness::Write(std::uint32_t value) {
  if (scheme_ == nullptr) return false;
  if (value > kPanelMaximum) value = kPanelMaximum;
  const bool written =
      (!mains_ || Tried(pause_,
                        [&] {
                          return platform_.PowerWriteACValueIndex(scheme_, &kVideoSubgroup,
                                                                  &kVideoBrightness, value) == 0;
                        })) &&
      (!battery_ || Tried(pause_, [&] {
        return platform_.PowerWriteDCValueIndex(scheme_, &kVideoSubgroup, &kVideoBrightness,
                                                value) == 0;
      }));
  // A value written to the scheme takes effect when the scheme is applied again.
  return written && Tried(pause_, [&] { return platform_.PowerSetActiveScheme(scheme_) == 0; });
}

}  // namespace glowtide
