// Settings that hold through a game: what a launch's hold looks at after each event, and what it
// puts back.
#include "session/hold.h"

#include <gtest/gtest.h>

#include <cstring>

#include "app/run.h"
#include "launch/hidden_window.h"
#include "support/fake_platform.h"

namespace glowtide {
namespace {

using testing::FakePlatform;

// One step of a row: a message to the hidden window, the displays forgetting what was set on
// them, a call that starts or stops failing, or time passing (the hold runs whenever it is due).
struct Step {
  std::uint32_t message = 0;
  std::uintptr_t wParam = 0;
  std::int32_t displayState = -1;  // with PBT_POWERSETTINGCHANGE: off 0, on 1, dimmed 2
  bool forget = false;
  std::uint32_t brightness = 0;   // the player sets the monitor's brightness to this
  const char* fails = nullptr;    // a call that fails from now on
  const char* answers = nullptr;  // a call that no longer fails
  std::uint64_t ms = 0;
};

// A launch whose start set HDR on, the white level 2500, the brightness 70 and 1920x1080@60 on
// display 1, and whose hold then meets the steps: the calls the hold made, in the short form.
TEST(Hold, PutsBackOnlyWhatTheDeskTookAfterAnEventThatResetsDisplays) {
  const Step resume{.message = kWmPowerBroadcast, .wParam = 0x12};
  const Step forget{.forget = true};
  auto wait = [](std::uint64_t ms) { return Step{.ms = ms}; };
  const std::string look = "get9 get11 getB free";
  const std::string putBack =
      "get9 get11 getB free set10:1 get9 set-18:2500 get11 setB:70 getB free";
  std::string lost;
  for (int read = 0; read < 30; ++read) lost += " getB ~ getB ~ getB free";
  struct Case {
    const char* label;
    std::vector<Step> steps;
    std::string trace;
    testing::Machine machine = {};
    DisplayPlan plan = {.hdr = true, .whiteLevel = 2500, .brightness = 70};
    bool newer = false;  // a launch that started later claims the display too
  };
  const Step suspend{.message = kWmPowerBroadcast, .wParam = 0x4};
  const DisplayPlan mode{.mode = ModeRequest{false, 1920, 1080, 60}};
  // Four times within 5 minutes the displays forget: three times each setting is put back.
  std::vector<Step> fourTimes = {wait(10000)};
  std::string threeTimes = "getB free getB free";
  for (int time = 0; time < 5; ++time) {
    fourTimes.insert(fourTimes.end(), {forget, resume, wait(3000), wait(10000)});
    if (time < 3) threeTimes += " " + putBack + " " + look;
  }
  // clang-format off
  const Case cases[] = {
      {"the start's switch looks at the brightness 2 s and 10 s after it", {wait(10000)},
       "getB free getB free"},
      {"... but not a start that switched neither", {wait(10000)}, "", {},
       {.whiteLevel = 2500, .brightness = 70}},
      {"a resume: after 3 s only what the displays forgot is put back, and looked at 10 s later",
       {wait(10000), forget, resume, wait(2999)}, "getB free getB free"},
      {"... and after the 3 s", {wait(10000), forget, resume, wait(3000), wait(10000)},
       "getB free getB free " + putBack + " " + look},
      {"another event within the 3 s starts them again",
       {wait(10000), resume, wait(2000), Step{.message = kWmPowerBroadcast, .wParam = 7}, wait(2999)},
       "getB free getB free"},
      {"the displays coming back on count; dimmed to on does not",
       {wait(10000), Step{.message = kWmPowerBroadcast, .wParam = 0x8013, .displayState = 2},
        Step{.message = kWmPowerBroadcast, .wParam = 0x8013, .displayState = 1}, wait(5000),
        Step{.message = kWmPowerBroadcast, .wParam = 0x8013, .displayState = 0}, forget,
        Step{.message = kWmPowerBroadcast, .wParam = 0x8013, .displayState = 1}, wait(3000)},
       "getB free getB free get9 get11 " + putBack},
      {"while the displays are off no DDC/CI goes out",
       {wait(10000), Step{.message = kWmPowerBroadcast, .wParam = 0x8013, .displayState = 0},
        forget, resume, wait(3000)},
       "getB free getB free get9 get11 get9 get11 set10:1 get9 set-18:2500 get11"},
      {"a change the player made before a suspend stays; the rest is put back as it was read",
       {wait(10000), Step{.brightness = 40}, suspend, forget, resume, wait(3000)},
       "getB free getB free setB:40 get9 get11 getB free "
       "get9 get11 getB free set10:1 get9 set-18:2500 get11 setB:40 getB free"},
      {"a display that a newer launch claims is that launch's to hold",
       {wait(10000), forget, resume, wait(3000)}, "", {}, {.hdr = true, .brightness = 70}, true},
      {"HDR and the mode lost in one event are both put back",
       {forget, resume, wait(3000)}, "get9 set10:1 get9 mode:1920x1080@60:32:0x5c0000:0", {},
       {.hdr = true, .mode = ModeRequest{false, 1920, 1080, 60}}},
      {"a monitor code is held as the brightness is: read after the event, put back, looked at",
       {forget, resume, wait(3000), wait(10000)},
       "getV0x12 free setV0x12:70 getV0x12 free getV0x12 free", {}, {.codes = {{0x12, 70}}}},
      {"... and the input source never", {forget, resume, wait(3000)}, "", {},
       {.codes = {{0x60, 17}}}},
      {"a start that changed only the mode looks at the brightness after it too", {wait(10000)},
       "getB free getB free", {},
       {.mode = ModeRequest{false, 1920, 1080, 60}, .brightness = 70}},
      {"a display list that brings no display back is no reason",
       {wait(10000), forget, Step{.message = kWmDisplayChange}, wait(5000)}, "getB free getB free"},
      {"a display plugged back in, found by its adapter and target",
       {wait(10000), Step{.message = kWmDisplayChange}, forget, Step{.message = kWmDisplayChange},
        wait(3000)},
       "getB free getB free " + putBack,
       // The queries: the start's looks find it, the first list has lost it, the second has it back.
       {.replugged = {{{0x1234, 0, 7}}, {{0x1234, 0, 7}}, {{0x1234, 0, 8}},
                      {{0x1234, 0, 8}, {0x1234, 0, 7, 1}}}}},
      {"a monitor that does not answer is read every 2 s, and written once it answers",
       {wait(10000), forget, Step{.fails = "GetMonitorBrightness"}, resume, wait(3000), wait(2000),
        Step{.answers = "GetMonitorBrightness"}, wait(2000)},
       "getB free getB free get9 get11 getB ~ getB ~ getB free set10:1 get9 set-18:2500 get11 "
       "getB ~ getB ~ getB free getB free setB:70 getB free"},
      {"... for 60 s after the event, no longer",
       {wait(10000), Step{.fails = "GetMonitorBrightness"}, resume, wait(3000), wait(60000),
        Step{.answers = "GetMonitorBrightness"}, wait(60000)},
       // Read at 3 s, and every 2 s until 61 s: 30 reads, each tried three times.
       "getB free getB free get9 get11" + lost},
      {"the display back in its desktop mode gets the game's mode again", {forget, resume, wait(3000)},
       "mode:1920x1080@60:32:0x5c0000:0", {}, mode},
      {"any other mode is the game's or the player's", {forget, resume, wait(3000)}, "",
       {.currentMode = {1280, 720, 60, 32}}, mode},
      {"a setting put back three times in 5 minutes is kept no longer", fourTimes,
       threeTimes + " get9 get11 getB free"},
  };
  // clang-format on
  for (const Case& c : cases) {
    testing::Machine machine = c.machine;
    if (c.newer) {
      machine.table = testing::TableWith({{9, 99, {7}}});
      machine.events = {"RS_GLOWTIDE_LIVE_9_99"};
    }
    FakePlatform platform(machine);
    LaunchTable table(platform);
    if (c.newer) {
      ASSERT_TRUE(table.Join({{{0x1234, 0}, 7}}));
    }
    DisplayQuery query;
    ASSERT_TRUE(QueryDisplays(platform, platform, &query));
    std::vector<PhaseDisplay> displays = PhaseDisplays(query.displays, {0}, false);
    SleepPause pause(platform);
    ASSERT_TRUE(
        ApplyPlan(platform, pause, displays[0], c.plan, PlanOrder::kStart, &displays[0].placed));
    Hold hold(platform, false, displays, c.plan.hdr || c.plan.mode ? 1 : 0, platform.now, &table);
    platform.calls.clear();
    for (const Step& step : c.steps) {
      if (step.forget) platform.Forget();
      if (step.fails) platform.failing.insert(step.fails);
      if (step.answers) platform.failing.erase(step.answers);
      if (step.brightness) platform.SetMonitorBrightness(Handle{0x101}, step.brightness);
      if (step.message) {
        std::uint8_t setting[24] = {};
        std::memcpy(setting, &kConsoleDisplayState, 16);
        setting[16] = 4;
        setting[20] = static_cast<std::uint8_t>(step.displayState);
        hold.Notice(step.message, step.wParam,
                    step.displayState < 0 ? 0 : reinterpret_cast<std::intptr_t>(setting));
      }
      const std::uint64_t until = platform.now + step.ms;
      while (hold.Due() <= until) {
        platform.now = std::max(platform.now, hold.Due());
        hold.Run();
      }
      platform.now = std::max(platform.now, until);
    }
    EXPECT_EQ(platform.Trace(), c.trace) << c.label;
  }
}

// A counted launch's wait registers for the displays' power state and gives the hold its looks; a
// resume it receives while the game runs is looked into 3 s later, and nothing after the game
// ended. The registration goes with the wait.
TEST(Hold, TheWaitGivesTheHoldItsEventsAndLooksUntilTheGameEnds) {
  const Message resume{.window = WindowHandle{0x900}, .message = kWmPowerBroadcast, .wParam = 0x12};
  for (const bool looks : {true, false}) {
    // The resume is served; the launched program ends after the look's 3 s, or before them, and
    // the look it asked for is dropped, even while the restore waits 10 s for the lock in vain.
    FakePlatform platform({.waitResults = looks ? std::vector<std::uint32_t>{1, 0x102, 0}
                                                : std::vector<std::uint32_t>{1, 0, 0x102},
                           .queue = {resume}});
    EXPECT_EQ(glowtide::Run(platform, u"-P:g.exe -HDR:E -BQ:33", InstanceHandle{0x400000}), 0);
    EXPECT_EQ(platform.Trace(),
              looks ? "[ ] [ ] getB free get15 set10:1 get9 get9 [ ] setB:33 getB free [ ]"
                    : "[ ] [ ] getB free get15 set10:1 get9 [ setB:33 getB free");
    EXPECT_EQ(platform.CallsTo("RegisterPowerSettingNotification"),
              (std::vector<std::string>{"RegisterPowerSettingNotification(0x900,display state)"}));
    EXPECT_EQ(platform.CallsTo("UnregisterPowerSettingNotification(0x74)").size(), 1u);
  }
}

// The start's looks at the brightness follow only a switch that changed the state: a launch that
// also sets the brightness reads HDR before its own switch.
TEST(Hold, LooksAfterTheStartOnlyWhenItSwitched) {
  for (const bool on : {false, true}) {
    FakePlatform platform(
        {.paths = {{0x1234, 0, 7, 0, u"", 0, on}}, .waitResults = {0x102, 0x102, 0}});
    EXPECT_EQ(glowtide::Run(platform, u"-P:g.exe -HDR:E -B:70 -BQ:33", InstanceHandle{0x400000}),
              0);
    // Without looks the scripted waits end the game at once, and the lock's wait then times out.
    EXPECT_EQ(platform.Trace(),
              on ? "[ ] [ ] get15 get9 set10:1 get9 setB:70 getB free [ setB:33 getB free"
                 : "[ ] [ ] get15 get9 set10:1 get9 setB:70 getB free getB free getB free [ ] "
                   "setB:33 getB free [ ]")
        << on;
  }
}

// With several displays, a look that an event asked for one display touches only that one: the
// second display plugged back in has its brightness put back, and the first is not even read.
TEST(Hold, ALookForOneDisplayTouchesOnlyThatOne) {
  FakePlatform platform({.paths = {{0x1234, 0, 7, 0}, {0x1234, 0, 8, 1}},
                         // Display 2 is gone from the second query on, and back in the third.
                         .replugged = {{{0x1234, 0, 7, 0}}, {{0x1234, 0, 7, 0}, {0x1234, 0, 8, 1}}},
                         .monitorCount = 2});
  DisplayQuery query;
  ASSERT_TRUE(QueryDisplays(platform, platform, &query));
  std::vector<PhaseDisplay> displays = PhaseDisplays(query.displays, {0, 1}, true);
  SleepPause pause(platform);
  for (PhaseDisplay& entry : displays)
    ApplyPlan(platform, pause, entry, {.brightness = 70}, PlanOrder::kStart, &entry.placed);
  Hold hold(platform, true, displays, 0, platform.now);
  platform.Forget();
  platform.calls.clear();
  for (int list = 0; list < 2; ++list) {
    hold.Notice(kWmDisplayChange, 0, 0);
    hold.Run();
  }
  platform.now += kHoldSettleMs;
  hold.Run();
  EXPECT_EQ(platform.Trace(), "getB free setB@0x111:70 getB free");  // one read, display 2's set
}

}  // namespace
}  // namespace glowtide
