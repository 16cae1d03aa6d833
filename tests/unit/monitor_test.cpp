// Monitor control: the -SB rule and the brightness phase's report. What it sends is in the run's
// tests.
#include <gtest/gtest.h>

#include "monitor/brightness.h"
#include "support/fake_platform.h"

namespace glowtide {
namespace {

using testing::FakePlatform;
using testing::Utf8;
using Calls = std::vector<std::string>;

TEST(ChooseSwitchBrightness, FollowsTheWrappingRule) {
  struct Case {
    std::uint32_t high, low, current, expected;
  };
  const Case cases[] = {
      {90, 30, 30, 90}, {90, 30, 31, 30}, {90, 30, 90, 30}, {90, 30, 91, 90}, {90, 30, 0, 90},
      {20, 80, 20, 80}, {20, 80, 80, 20}, {20, 80, 50, 20}, {20, 80, 90, 80}, {60, 60, 7, 60},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseSwitchBrightness(c.high, c.low, c.current), c.expected)
        << c.high << "/" << c.low << " at " << c.current;
  }
  EXPECT_EQ(GuardedArrayBytes(SIZE_MAX / 264 + 1, 264), SIZE_MAX);
}

TEST(RunBrightnessPhase, ShowsItsSectionsWhateverTheCallsReturned) {
  const std::string brightness = "<Brightness>\nSupported value : 0 to 100\nCurrent : 50\n\n";
  const std::string none = "<Monitor capabilities>\nCapability informations are not supported.\n\n";
  struct Case {
    std::set<std::string> failing;
    std::uint32_t capabilities;
    std::string box;
    std::uint32_t monitors = 1;
  };
  const Case cases[] = {
      {{}, 0x2, brightness + "<Monitor capabilities>\nBrightness : Can setting\n\n"},
      {{}, 0xFFFFFFFD, brightness + "<Monitor capabilities>\nBrightness : Can't setting\n\n"},
      {{"GetMonitorBrightness"}, 0x2, "<Monitor capabilities>\nBrightness : Can setting\n\n"},
      {{"GetMonitorCapabilities"}, 0x2, brightness + none},
      {{"GetNumberOfPhysicalMonitorsFromHMONITOR"}, 0x2, none},
      {{}, 0x2, none, 0},  // the primary monitor has no physical monitor
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    platform.failing = c.failing;
    platform.capabilities = c.capabilities;
    platform.monitorCount = c.monitors;
    ReportText report;
    report.Append(u"<Earlier>\n\n");
    RunBrightnessPhase(platform, platform, testing::SettingsFrom(u"-SI -B:70"), report);
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(Utf8(platform.boxes[0].text), "<Earlier>\n\n" + c.box);
  }
}

}  // namespace
}  // namespace glowtide
