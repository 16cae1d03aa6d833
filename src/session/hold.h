// Settings that hold through a game: while a counted launch waits, the settings its start put in
// place are put back after the desk took them away: after a resume, when the displays come back
// on, and on a claimed display plugged back in; never after a change made while the displays were
// on, which is the game's or the player's.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "launch/launch_counting.h"
#include "launch/waiting.h"
#include "platform/platform.h"
#include "session/display_plan.h"

namespace glowtide {

// After an event, the displays are looked at once this has passed with no other event.
inline constexpr std::uint64_t kHoldSettleMs = 3000;
// A monitor that does not answer DDC/CI is read again this often, for this long after the event.
inline constexpr std::uint64_t kHoldRetryMs = 2000;
inline constexpr std::uint64_t kHoldAnswerMs = 60000;
// A display is looked at once more this long after a setting was put back on it.
inline constexpr std::uint64_t kHoldConfirmMs = 10000;
// A setting put back this many times on one display within this time is no longer kept.
inline constexpr std::size_t kHoldMostPutBacks = 3;
inline constexpr std::uint64_t kHoldPutBackWindowMs = 300000;
// A start that changed a display's HDR state or mode looks at its brightness again after these
// times.
inline constexpr std::array<std::uint64_t, 2> kHoldStartLooksMs = {2000, 10000};

class Hold final : public Watch {
 public:
  // One bit per display of the launch (the first 64).
  using DisplaySet = std::uint64_t;
  // displays: the launch's displays as the start found them, each with what the start placed
  // there, which is what is kept (held to the end of the run); switched: the displays whose HDR
  // state or mode the start changed; started: when its changes were made; table: the launch's
  // place, through which a display that a newer live launch claims is left to that launch (none:
  // every display is held).
  Hold(Platform& platform, bool chooses, const std::vector<PhaseDisplay>& displays,
       DisplaySet switched, std::uint64_t started, LaunchTable* table = nullptr);

  void Notice(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
  std::uint64_t Due() const override;
  void Run() override;

 private:
  // A look at some displays at a time: all their kept settings, or the brightness alone. One
  // that an event asked for waits for the displays to settle, and a later event moves it on.
  struct Look {
    std::uint64_t at;
    std::uint64_t event;  // when what asked for it happened
    DisplaySet displays;
    bool brightnessOnly = false;
    bool settles = false;
  };
  void Event(DisplaySet displays, std::uint64_t now);
  void Check(PhaseDisplay& entry, std::size_t i, const Look& look, std::uint64_t now);
  // Whether setting s of display i may be put back once more; when not, it is kept no longer.
  bool MayPutBack(std::size_t i, std::size_t s, std::uint64_t now);
  // Reads what the displays show of what is kept, before an event that may take it: what the
  // player changed before it then stays. DDC/CI only while the displays are on.
  void ReadBefore(bool monitors);

  Platform& platform_;
  bool chooses_;
  const std::vector<PhaseDisplay>& displays_;
  std::vector<DisplayPlan> kept_;
  // When each setting was put back, by display: HDR, mode, white level, brightness, the codes.
  std::vector<std::array<std::vector<std::uint64_t>, 5>> putBacks_;
  DisplaySet present_;
  std::vector<Look> looks_;
  LaunchTable* table_;
  bool listChanged_ = false;
  bool off_ = false;  // the displays are off: no DDC/CI request is sent
};

}  // namespace glowtide
