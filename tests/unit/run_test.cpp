// The run sequence: the order of its phases, its exit codes, and what each platform call's
// failure may and may not prevent.
#include "app/run.h"

#include <gtest/gtest.h>

#include "app/options.h"
#include "support/fake_platform.h"

namespace glowtide {
namespace {

using testing::FakePlatform;
using testing::Utf8;
using Calls = std::vector<std::string>;

int RunWith(FakePlatform& platform, std::u16string_view arguments) {
  return Run(platform, arguments, InstanceHandle{0x400000});
}

std::vector<std::string> Captions(const FakePlatform& platform) {
  std::vector<std::string> captions;
  for (const auto& box : platform.boxes)
    captions.push_back(Utf8(box.caption) + ": " + Utf8(box.text).substr(0, 20));
  return captions;
}

TEST(Run, RunsItsPhasesInOrderAndEndsWithItsExitCode) {
  struct Case {
    std::u16string arguments;
    int exitCode;
    std::vector<std::string> boxes;
    Calls order;  // these calls, in this order, each the first of its name
  };
  const std::string report = "Monitor information: ";
  const Case cases[] = {
      {u"-SI -bh:x -PR", -255, {"Error: -BH: Parameter error"}, {"LocalFree(argv)"}},
      {u"", 0, {report + "<Options>\n[-B:number"}, {"QueryDisplayConfig(4)"}},
      {u"-X", 0, {}, {"QueryDisplayConfig(4)"}},
      {u"-PR -SI -PR",
       0,
       {report + "<HDR Status>\nHDR sup"},
       {"SendMessageTimeoutW(0xffff,0x112,0xf170,2,0x2,1000)", "Sleep(2000)",
        "SendMessageTimeoutW(0xffff,0x112,0xf170,-1,0x2,1000)", "QueryDisplayConfig(4)",
        "DisplayConfigGetDeviceInfo(15)", "DisplayConfigGetDeviceInfo(9)",
        "DisplayConfigGetDeviceInfo(11)", "GetMonitorCapabilities(0x101)",
        "MessageBoxW(0x0,Monitor information,0x0)"}},
      // The HDR change goes out before the white level is read; the child starts after the box.
      {u"-SBB -HDR:D -SI -P:C:\\G\\g.exe",
       0,
       {report + "<HDR Status>\nHDR sup"},
       {"DisplayConfigSetDeviceInfo(10,0)", "DisplayConfigGetDeviceInfo(11)",
        "MessageBoxW(0x0,Monitor information,0x0)", "CreateProcessW(0x420,104)",
        "CloseHandle(0x54)", "CloseHandle(0x50)"}},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    EXPECT_EQ(RunWith(platform, c.arguments), c.exitCode) << Utf8(c.arguments);
    EXPECT_EQ(Captions(platform), c.boxes) << Utf8(c.arguments);
    auto at = platform.calls.begin();
    for (const std::string& call : c.order) {
      at = std::find(at, platform.calls.end(), call);
      EXPECT_NE(at, platform.calls.end()) << Utf8(c.arguments) << ": " << call << " in order";
    }
  }
}

// Each call of the seam fails in turn under a command line that uses every phase.
TEST(Run, EachFailingCallPreventsOnlyWhatDependsOnIt) {
  const std::u16string everything =
      u"-PR -SI -HDR:S -SBB -SB -BH:77 -BL:44 -P:C:\\G\\g.exe -BQ:33 -BBQ:4444 -HDRQ:E "
      u"-PW:game.exe -PWT:1";
  struct Expectation {
    int exitCode = 0;
    bool box = true;
    Calls required;   // call prefixes that must still be made
    Calls forbidden;  // call prefixes that the failure must prevent
  };
  const Calls restore = {"SetMonitorBrightness(0x101,33)", "DisplayConfigSetDeviceInfo(-18,4444)"};
  const Calls noMonitor = {"GetMonitorCapabilities", "GetMonitorBrightness", "SetMonitorBrightness",
                           "DestroyPhysicalMonitors"};
  const std::map<std::string, Expectation> special = {
      {"CommandLineToArgvW",
       {.box = false, .forbidden = {"SendMessageTimeoutW", "DisplayConfig", "CreateProcessW"}}},
      {"GetDisplayConfigBufferSizes",
       {-255,
        false,
        {"SendMessageTimeoutW"},
        {"DisplayConfig", "MonitorFromWindow", "CreateProcessW"}}},
      {"QueryDisplayConfig",
       {-255,
        false,
        {"SendMessageTimeoutW"},
        {"DisplayConfig", "MonitorFromWindow", "CreateProcessW"}}},
      {"DisplayConfigGetDeviceInfo",
       {.required = restore, .forbidden = {"DisplayConfigSetDeviceInfo(-18,3500)"}}},
      {"GetNumberOfPhysicalMonitorsFromHMONITOR",
       {.required = {"DisplayConfigSetDeviceInfo(-18,4444)"}, .forbidden = noMonitor}},
      {"GetPhysicalMonitorsFromHMONITOR",
       {.required = {"DisplayConfigSetDeviceInfo(-18,4444)"}, .forbidden = noMonitor}},
      {"GetMonitorBrightness",
       {.required = restore, .forbidden = {"SetMonitorBrightness(0x101,44)"}}},
      {"CreateProcessW",
       {.required = {"ShellExecuteExW", "MsgWaitForMultipleObjectsEx(1,0x58", restore[0]}}},
      {"CreateSemaphoreW",
       {.forbidden = {"RegisterClassExW", "MsgWait", "ReleaseSemaphore", restore[0], restore[1]}}},
      {"CreateWindowExW",
       {.forbidden = {"WaitForSingleObject", "MsgWait", "ReleaseSemaphore", restore[0]}}},
      {"ReleaseSemaphore", {.forbidden = restore}},
      {"MsgWaitForMultipleObjectsEx",
       {.required = {"Sleep(500)", restore[0]}, .forbidden = {"PeekMessageW"}}},
  };
  // Every call that the command line makes, by name.
  FakePlatform healthy;
  RunWith(healthy, everything);
  std::set<std::string> calls;
  for (const std::string& call : healthy.calls) calls.insert(call.substr(0, call.find('(')));
  ASSERT_GT(calls.size(), 30u);
  for (const std::string& failing : calls) {
    FakePlatform platform;
    platform.failing = {failing};
    const auto found = special.find(failing);
    const Expectation e = found != special.end() ? found->second : Expectation{.required = restore};
    EXPECT_EQ(RunWith(platform, everything), e.exitCode) << failing;
    EXPECT_EQ(platform.boxes.size(), e.box ? 1u : 0u) << failing;
    auto made = [&](const std::string& prefix) {
      return std::any_of(platform.calls.begin(), platform.calls.end(),
                         [&](const std::string& call) { return call.rfind(prefix, 0) == 0; });
    };
    for (const std::string& call : e.required) EXPECT_TRUE(made(call)) << failing << ": " << call;
    for (const std::string& call : e.forbidden) EXPECT_FALSE(made(call)) << failing << ": " << call;
  }
}

}  // namespace
}  // namespace glowtide
