// Monitor control: the brightness phase's calls and sections, the plain set, the -SB rule and
// the power cycle.
#include <gtest/gtest.h>

#include "monitor/brightness.h"
#include "monitor/power_cycle.h"
#include "support/fake_platform.h"

namespace glowtide {
namespace {

using testing::FakePlatform;
using testing::Utf8;
using Calls = std::vector<std::string>;

const std::string kEnumerate[] = {"MonitorFromWindow(0,1)",
                                  "GetNumberOfPhysicalMonitorsFromHMONITOR(primary)",
                                  "GetPhysicalMonitorsFromHMONITOR(primary,1)"};

Calls Enumerated(std::initializer_list<std::string> rest) {
  Calls calls(std::begin(kEnumerate), std::end(kEnumerate));
  calls.insert(calls.end(), rest);
  return calls;
}

TEST(ChooseSwitchBrightness, FollowsTheWrappingRule) {
  struct Case {
    std::uint32_t high, low, current, expected;
  };
  const Case cases[] = {
      // Defaults, high 90 and low 30.
      {90, 30, 90, 30},
      {90, 30, 30, 90},
      {90, 30, 40, 30},
      {90, 30, 10, 90},
      {90, 30, 95, 90},
      {90, 30, 0, 90},
      {90, 30, 31, 30},
      {90, 30, 91, 90},
      // High 20 and low 80.
      {20, 80, 20, 80},
      {20, 80, 80, 20},
      {20, 80, 50, 20},
      {20, 80, 90, 80},
      // Equal high and low.
      {60, 60, 0, 60},
      {60, 60, 60, 60},
      {60, 60, 100, 60},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseSwitchBrightness(c.high, c.low, c.current), c.expected)
        << "high " << c.high << " low " << c.low << " current " << c.current;
  }
}

TEST(GuardedArrayBytes, SaturatesInsteadOfWrapping) {
  EXPECT_EQ(GuardedArrayBytes(2, 264), 528u);
  EXPECT_EQ(GuardedArrayBytes(0, 264), 0u);
  EXPECT_EQ(GuardedArrayBytes(SIZE_MAX / 264 + 1, 264), SIZE_MAX);
  EXPECT_EQ(GuardedArrayBytes(SIZE_MAX / 264, 264), SIZE_MAX / 264 * 264);
}

struct PhaseCase {
  const char* label;
  std::vector<std::u16string> argv;
  void (*script)(FakePlatform&);
  Calls calls;
};

TEST(RunBrightnessPhase, MakesTheCallsInTheirOrder) {
  auto none = [](FakePlatform&) {};
  const PhaseCase cases[] = {
      {"-B: alone is the plain set",
       {u"-B:70"},
       none,
       Enumerated({"SetMonitorBrightness(0x101,70)", "DestroyPhysicalMonitors(1,0x101)"})},
      {"-B:0 sets 0",
       {u"-B:0"},
       none,
       Enumerated({"SetMonitorBrightness(0x101,0)", "DestroyPhysicalMonitors(1,0x101)"})},
      {"values above the maximum pass unchanged",
       {u"-B:5000"},
       none,
       Enumerated({"SetMonitorBrightness(0x101,5000)", "DestroyPhysicalMonitors(1,0x101)"})},
      {"-SI reads capabilities then brightness, sets nothing",
       {u"-SI"},
       none,
       Enumerated({"GetMonitorCapabilities(0x101)", "GetMonitorBrightness(0x101)",
                   "DestroyPhysicalMonitors(1,0x101)", "MessageBoxW(Monitor information)"})},
      {"-SI -B:70 reads, then sets",
       {u"-SI", u"-B:70"},
       none,
       Enumerated({"GetMonitorCapabilities(0x101)", "GetMonitorBrightness(0x101)",
                   "SetMonitorBrightness(0x101,70)", "DestroyPhysicalMonitors(1,0x101)",
                   "MessageBoxW(Monitor information)"})},
      {"-SB at 50 sets 30",
       {u"-SB"},
       none,
       Enumerated({"GetMonitorBrightness(0x101)", "SetMonitorBrightness(0x101,30)",
                   "DestroyPhysicalMonitors(1,0x101)"})},
      {"-SB with -B:50, read ok: only the switch",
       {u"-B:50", u"-SB"},
       [](FakePlatform& p) { p.current = 20; },
       Enumerated({"GetMonitorBrightness(0x101)", "SetMonitorBrightness(0x101,90)",
                   "DestroyPhysicalMonitors(1,0x101)"})},
      {"-SB with -B:50, read fails: -B:",
       {u"-SB", u"-B:50"},
       [](FakePlatform& p) { p.brightnessOk = false; },
       Enumerated({"GetMonitorBrightness(0x101)", "SetMonitorBrightness(0x101,50)",
                   "DestroyPhysicalMonitors(1,0x101)"})},
      {"-SB alone, read fails: nothing set",
       {u"-SB"},
       [](FakePlatform& p) { p.brightnessOk = false; },
       Enumerated({"GetMonitorBrightness(0x101)", "DestroyPhysicalMonitors(1,0x101)"})},
      {"-SI with failed capabilities still reads brightness",
       {u"-SI"},
       [](FakePlatform& p) { p.capabilitiesOk = false; },
       Enumerated({"GetMonitorCapabilities(0x101)", "GetMonitorBrightness(0x101)",
                   "DestroyPhysicalMonitors(1,0x101)", "MessageBoxW(Monitor information)"})},
      {"two physical monitors: the first is used, both released",
       {u"-SI", u"-B:70"},
       [](FakePlatform& p) { p.monitorCount = 2; },
       {"MonitorFromWindow(0,1)", "GetNumberOfPhysicalMonitorsFromHMONITOR(primary)",
        "GetPhysicalMonitorsFromHMONITOR(primary,2)", "GetMonitorCapabilities(0x101)",
        "GetMonitorBrightness(0x101)", "SetMonitorBrightness(0x101,70)",
        "DestroyPhysicalMonitors(2,0x101,0x102)", "MessageBoxW(Monitor information)"}},
      {"count fails: nothing read or set, box still shown",
       {u"-SI", u"-B:70"},
       [](FakePlatform& p) { p.numberOfMonitorsOk = false; },
       {"MonitorFromWindow(0,1)", "GetNumberOfPhysicalMonitorsFromHMONITOR(primary)",
        "MessageBoxW(Monitor information)"}},
      {"count of 0 is like a failed enumeration",
       {u"-SI", u"-SB"},
       [](FakePlatform& p) { p.monitorCount = 0; },
       {"MonitorFromWindow(0,1)", "GetNumberOfPhysicalMonitorsFromHMONITOR(primary)",
        "MessageBoxW(Monitor information)"}},
      {"array fails: freed without destroying",
       {u"-SI", u"-B:70"},
       [](FakePlatform& p) { p.physicalMonitorsOk = false; },
       {"MonitorFromWindow(0,1)", "GetNumberOfPhysicalMonitorsFromHMONITOR(primary)",
        "GetPhysicalMonitorsFromHMONITOR(primary,1)", "MessageBoxW(Monitor information)"}},
  };
  for (const PhaseCase& c : cases) {
    FakePlatform platform;
    c.script(platform);
    ReportText report;
    RunBrightnessPhase(platform, platform, testing::SettingsFrom(c.argv), report);
    EXPECT_EQ(platform.calls, c.calls) << c.label;
  }
}

TEST(RunBrightnessPhase, WritesTheSectionsWhateverTheCallsReturned) {
  struct Case {
    const char* label;
    void (*script)(FakePlatform&);
    const char* box;
  };
  const Case cases[] = {
      {"all read", [](FakePlatform&) {},
       "<Brightness>\nSupported value : 0 to 100\nCurrent : 50\n\n"
       "<Monitor capabilities>\nBrightness : Can setting\n\n"},
      {"no brightness capability", [](FakePlatform& p) { p.capabilities = 0xFFFFFFFD; },
       "<Brightness>\nSupported value : 0 to 100\nCurrent : 50\n\n"
       "<Monitor capabilities>\nBrightness : Can't setting\n\n"},
      {"brightness read fails", [](FakePlatform& p) { p.brightnessOk = false; },
       "<Monitor capabilities>\nBrightness : Can setting\n\n"},
      {"capabilities read fails", [](FakePlatform& p) { p.capabilitiesOk = false; },
       "<Brightness>\nSupported value : 0 to 100\nCurrent : 50\n\n"
       "<Monitor capabilities>\nCapability informations are not supported.\n\n"},
      {"no physical monitor", [](FakePlatform& p) { p.numberOfMonitorsOk = false; },
       "<Monitor capabilities>\nCapability informations are not supported.\n\n"},
      {"array fails", [](FakePlatform& p) { p.physicalMonitorsOk = false; },
       "<Monitor capabilities>\nCapability informations are not supported.\n\n"},
      {"largest values",
       [](FakePlatform& p) {
         p.minimum = 4294967295u;
         p.current = 4294967295u;
         p.maximum = 4294967295u;
       },
       "<Brightness>\nSupported value : 4294967295 to 4294967295\nCurrent : 4294967295\n\n"
       "<Monitor capabilities>\nBrightness : Can setting\n\n"},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    c.script(platform);
    ReportText report;
    report.Append(u"<Earlier>\n\n");
    RunBrightnessPhase(platform, platform, testing::SettingsFrom({u"-SI", u"-B:70"}), report);
    ASSERT_EQ(platform.boxes.size(), 1u) << c.label;
    EXPECT_EQ(Utf8(platform.boxes[0].text), std::string("<Earlier>\n\n") + c.box) << c.label;
  }
}

TEST(SetPrimaryMonitorBrightness, EnumeratesSetsAndReleases) {
  FakePlatform platform;
  platform.monitorCount = 2;
  SetPrimaryMonitorBrightness(platform, 1500);
  EXPECT_EQ(platform.calls,
            (Calls{"MonitorFromWindow(0,1)", "GetNumberOfPhysicalMonitorsFromHMONITOR(primary)",
                   "GetPhysicalMonitorsFromHMONITOR(primary,2)", "SetMonitorBrightness(0x101,1500)",
                   "DestroyPhysicalMonitors(2,0x101,0x102)"}));
  FakePlatform failing;
  failing.physicalMonitorsOk = false;
  SetPrimaryMonitorBrightness(failing, 10);
  EXPECT_EQ(failing.calls.back(), "GetPhysicalMonitorsFromHMONITOR(primary,1)");
}

TEST(PowerCycleMonitors, SendsOffPausesAndSendsOn) {
  FakePlatform platform;
  PowerCycleMonitors(platform, platform);
  EXPECT_EQ(platform.calls, (Calls{"SendMessageW(0xffff,0x112,0xf170,2)", "Sleep(2000)",
                                   "SendMessageW(0xffff,0x112,0xf170,-1)"}));
}

}  // namespace
}  // namespace glowtide
