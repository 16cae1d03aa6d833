// The looks at the kept settings, and the events that ask for them.
#include "session/hold.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "common/little_endian.h"
#include "display/sdr_white_level.h"
#include "launch/hidden_window.h"
#include "session/display_state.h"

namespace glowtide {
namespace {

// WM_POWERBROADCAST's events: the machine resumed (automatically, or for the user), and a power
// setting changed (its POWERBROADCAST_SETTING at lParam: the setting, the data's size, the data).
constexpr std::uintptr_t kPbtApmSuspend = 0x4;
constexpr std::uintptr_t kPbtApmResumeSuspend = 0x7;
constexpr std::uintptr_t kPbtApmResumeAutomatic = 0x12;
constexpr std::uintptr_t kPbtPowerSettingChange = 0x8013;
constexpr std::uint32_t kDisplayOff = 0;
constexpr std::uint32_t kDisplayOn = 1;

}  // namespace

Hold::Hold(Platform& platform, bool chooses, const std::vector<PhaseDisplay>& displays,
           DisplaySet switched, std::uint64_t started, LaunchTable* table)
    : platform_(platform),
      chooses_(chooses),
      displays_(displays),
      putBacks_(displays.size()),
      present_(~DisplaySet{0}),
      table_(table) {
  for (std::size_t i = 0; i < displays.size() && i < 64; ++i) {
    kept_.push_back(displays[i].placed);
    // The input source is never set again: the player may have moved the monitor elsewhere.
    kept_.back().codes.RemoveIf([](const VcpValue& code) { return code.code == kInputSource; });
    // Changing HDR or the mode makes some monitors reset their brightness to their own.
    if (kept_[i].brightness && (switched >> i & 1)) {
      for (const std::uint64_t after : kHoldStartLooksMs)
        looks_.push_back({started + after, started, DisplaySet{1} << i, true});
    }
  }
}

void Hold::ReadBefore(bool monitors) {
  FoundDisplays found;
  if (!FindDisplaysAgain(platform_, displays_, chooses_, &found)) return;
  SleepPause pause(platform_);
  for (std::size_t k = 0; k < found.displays.size(); ++k) {
    const std::size_t i = found.from[k];
    if (i >= kept_.size()) continue;
    DisplayPlan& kept = kept_[i];
    PhaseDisplay& entry = found.displays[k];
    DisplayPlan asked = kept;
    asked.mode.reset();  // the mode follows its own rule
    if (!monitors) {
      asked.brightness.reset();
      asked.codes.clear();
    }
    kept = Either(FoundValues(platform_, pause, entry, asked), kept);
  }
}

void Hold::Event(DisplaySet displays, std::uint64_t now) {
  for (Look& look : looks_) {
    if (!look.settles) continue;
    look.displays |= displays;
    look.at = now + kHoldSettleMs;
    look.event = now;
    return;
  }
  looks_.push_back({now + kHoldSettleMs, now, displays, false, true});
}

void Hold::Notice(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  const std::uint64_t now = platform_.GetTickCount64();
  const DisplaySet all = ~DisplaySet{0};
  if (message == kWmDisplayChange) {
    // Looked into from the wait: the window procedure only notes it.
    listChanged_ = true;
  } else if (wParam == kPbtApmSuspend) {
    // Read now: the machine goes to sleep once the notice is answered.
    ReadBefore(!off_);
  } else if (wParam == kPbtApmResumeAutomatic || wParam == kPbtApmResumeSuspend) {
    Event(all, now);
  } else if (wParam == kPbtPowerSettingChange && lParam != 0) {
    const auto* setting = reinterpret_cast<const std::uint8_t*>(lParam);
    if (std::memcmp(setting, &kConsoleDisplayState, sizeof(Guid)) != 0 ||
        ReadLittleEndian32(setting + 16) < 4) {
      return;
    }
    const std::uint32_t state = ReadLittleEndian32(setting + 20);
    // Only off to on counts: dimmed to on changed nothing on the monitors. Going off, what Windows
    // keeps is read; no DDC/CI request goes to displays going off.
    if (state == kDisplayOn && off_) Event(all, now);
    if (state == kDisplayOff && !off_) ReadBefore(false);
    off_ = state == kDisplayOff;
  }
}

std::uint64_t Hold::Due() const {
  if (listChanged_) return 0;
  std::uint64_t due = kNever;
  for (const Look& look : looks_) due = std::min(due, look.at);
  return due;
}

void Hold::Run() {
  const std::uint64_t now = platform_.GetTickCount64();
  if (std::exchange(listChanged_, false)) {
    // A claimed display that was missing and is there again has been plugged back in; a list that
    // brings none back is the game or the player changing the mode, which stays.
    FoundDisplays found;
    if (FindDisplaysAgain(platform_, displays_, chooses_, &found)) {
      DisplaySet present = 0;
      for (const std::size_t i : found.from) present |= DisplaySet{1} << i;
      const DisplaySet back = present & ~present_;
      present_ = present;
      if (back != 0) Event(back, now);
    }
  }
  std::vector<Look> due;
  for (auto look = looks_.begin(); look != looks_.end();) {
    if (look->at > now) {
      ++look;
      continue;
    }
    due.push_back(*look);
    look = looks_.erase(look);
  }
  if (due.empty()) return;
  FoundDisplays found;
  if (!FindDisplaysAgain(platform_, displays_, chooses_, &found)) return;
  // A display that a newer live launch claims is that launch's to hold.
  const std::vector<DisplayTarget> newer =
      table_ ? table_->ClaimsOfNewer() : std::vector<DisplayTarget>{};
  for (const Look& look : due) {
    for (std::size_t k = 0; k < found.displays.size(); ++k) {
      const std::size_t i = found.from[k];
      if (i < kept_.size() && (look.displays >> i & 1) &&
          !Contains(newer, found.displays[k].display->target))
        Check(found.displays[k], i, look, now);
    }
  }
}

bool Hold::MayPutBack(std::size_t i, std::size_t s, std::uint64_t now) {
  std::vector<std::uint64_t>& times = putBacks_[i][s];
  std::erase_if(times, [&](std::uint64_t at) { return now - at >= kHoldPutBackWindowMs; });
  if (times.size() >= kHoldMostPutBacks) return false;
  times.push_back(now);
  return true;
}

void Hold::Check(PhaseDisplay& entry, std::size_t i, const Look& look, std::uint64_t now) {
  DisplayPlan& kept = kept_[i];
  DisplayPlan again;
  // No message is served during a look, and it sends no request that changes nothing.
  SleepPause pause(platform_);
  if (!look.brightnessOnly) {
    if (kept.hdr) {
      const HdrState state = ReadHdrState(platform_, pause, entry.display->target, &entry.model);
      if (state.ok && state.enabled != *kept.hdr) again.hdr = kept.hdr;
    }
    // Only a display back in its desktop mode has lost the game's: Windows put its saved one
    // back. Any other mode is the game's own, or the player's.
    // A mode that cannot be read is not known to be lost.
    if (kept.mode) {
      const std::optional<DisplayMode> current =
          CurrentMode(platform_, entry.monitorDisplay->device);
      const std::optional<DisplayMode> desktop =
          DesktopMode(platform_, entry.monitorDisplay->device);
      if (current && desktop && SameMode(*current, *desktop) && !Shows(*current, *kept.mode))
        again.mode = kept.mode;
    }
    if (kept.whiteLevel) {
      const SdrWhiteLevel level = ReadSdrWhiteLevel(platform_, pause, entry.display->target);
      if (level.ok && level.level != *kept.whiteLevel) again.whiteLevel = kept.whiteLevel;
    }
  }
  // DDC/CI is never sent to displays that are off, which a request could wake; a monitor still
  // starting is read again until it answers, and written only then.
  if ((kept.brightness || !kept.codes.empty()) && !off_ && entry.brightness.chosen)
    entry.brightness.monitor = FindMonitor(platform_, entry.display->device);
  if (kept.brightness && !off_) {
    const BrightnessReading reading =
        ReadDisplayBrightness(platform_, platform_, pause, entry.brightness, false);
    if (!reading.value && now < look.event + kHoldAnswerMs) {
      looks_.push_back({now + kHoldRetryMs, look.event, DisplaySet{1} << i, true});
    } else if (reading.value &&
               reading.value->current !=
                   std::clamp(*kept.brightness, reading.value->minimum,
                              std::max(reading.value->minimum, reading.value->maximum))) {
      again.brightness = kept.brightness;
    }
  }
  // The monitor codes, as the brightness: read only while the displays are on.
  if (!kept.codes.empty() && !off_) {
    const VcpCodes shown = ShownCodes(platform_, pause, entry.brightness, kept.codes);
    for (const VcpValue& code : kept.codes) {
      const VcpValue* now = shown.Find(code.code);
      if (now && now->value != code.value) again.codes.Put(code);
    }
  }
  // Put back at most a few times: past that, the display, the game or the player wants it so.
  if (again.hdr && !MayPutBack(i, 0, now)) kept.hdr.reset(), again.hdr.reset();
  if (again.mode && !MayPutBack(i, 1, now)) kept.mode.reset(), again.mode.reset();
  if (again.whiteLevel && !MayPutBack(i, 2, now)) kept.whiteLevel.reset(), again.whiteLevel.reset();
  if (again.brightness && !MayPutBack(i, 3, now)) kept.brightness.reset(), again.brightness.reset();
  if (!again.codes.empty() && !MayPutBack(i, 4, now)) kept.codes.clear(), again.codes.clear();
  if (again.empty()) return;
  ApplyPlan(platform_, pause, entry, again, PlanOrder::kStart);
  // A monitor that is still starting can reset again.
  looks_.push_back({platform_.GetTickCount64() + kHoldConfirmMs, now, DisplaySet{1} << i});
}

}  // namespace glowtide
