// The run sequence through the fake: which steps run, in which order, and the exit codes.
#include "app/run.h"

#include <gtest/gtest.h>

#include "app/options.h"
#include "support/fake_platform.h"

namespace glowtide {
namespace {

using testing::FakePlatform;
using testing::Utf8;

int RunWith(FakePlatform& platform, std::vector<std::u16string> argv) {
  platform.argv = std::move(argv);
  return Run(platform, u"", InstanceHandle{0x400000});
}

TEST(Run, RejectedNumberShowsOnlyTheErrorBoxAndFails) {
  FakePlatform platform;
  EXPECT_EQ(RunWith(platform, {u"-SI", u"-bh:x", u"-PR"}), -255);
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(platform.boxes[0].owner, WindowHandle::kNull);
  EXPECT_EQ(Utf8(platform.boxes[0].text), "-BH: Parameter error");
  EXPECT_EQ(Utf8(platform.boxes[0].caption), "Error");
  EXPECT_EQ(platform.boxes[0].type, 0u);
}

TEST(Run, UsageCaseShowsTheUsageTextFirstAndSucceeds) {
  FakePlatform platform;
  EXPECT_EQ(RunWith(platform, {u"C:\\Glowtide.exe"}), 0);
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(Utf8(platform.boxes[0].caption), "Monitor information");
  EXPECT_EQ(platform.boxes[0].text.substr(0, 190), kUsageText);
}

TEST(Run, NothingAskedShowsNothingAndSucceeds) {
  FakePlatform platform;
  EXPECT_EQ(RunWith(platform, {u"-X"}), 0);
  EXPECT_TRUE(platform.boxes.empty());
}

TEST(Run, NoDisplayTargetEndsTheRunBeforeEveryOtherPhase) {
  struct Case {
    const char* label;
    void (*script)(FakePlatform&);
  };
  const Case cases[] = {
      {"query fails", [](FakePlatform& p) { p.queryResult = 31; }},
      {"query returns no path", [](FakePlatform& p) { p.queryReturnsNoPath = true; }},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    c.script(platform);
    EXPECT_EQ(RunWith(platform, {u"-SI", u"-HDR:E", u"-BB:2000", u"-SBB"}), -255) << c.label;
    EXPECT_TRUE(platform.boxes.empty()) << c.label;
    EXPECT_TRUE(platform.getRequests.empty()) << c.label;
    EXPECT_TRUE(platform.setRequests.empty()) << c.label;
  }
  FakePlatform usage;
  usage.queryResult = 31;
  EXPECT_EQ(RunWith(usage, {u"readme"}), -255);
  EXPECT_TRUE(usage.boxes.empty());
}

TEST(Run, TheDisplayIsQueriedOnEveryRunThatPassesParsing) {
  FakePlatform platform;
  EXPECT_EQ(RunWith(platform, {u"-X"}), 0);
  EXPECT_EQ(platform.calls,
            (std::vector<std::string>{"CommandLineToArgvW", "LocalFree(argv)",
                                      "GetDisplayConfigBufferSizes(1)", "QueryDisplayConfig(4)"}));
}

TEST(Run, TheReportCarriesItsSectionsInOrder) {
  FakePlatform platform;
  platform.advancedColorValue = 0x3;
  platform.whiteLevel = 2500;
  EXPECT_EQ(RunWith(platform, {u"readme"}), 0);
  ASSERT_EQ(platform.boxes.size(), 1u);
  const std::string text = Utf8(platform.boxes[0].text);
  const std::string usage = Utf8(kUsageText);
  const std::string hdr = "<HDR Status>\nHDR support status : Supported\nHDR : Enable\n\n";
  const std::string white =
      "<HDR/SDR brightness balance (SDR white level)>\nCurrent : 2500   (200 nits)\n\n";
  EXPECT_EQ(text.substr(0, usage.size() + hdr.size() + white.size()), usage + hdr + white);
  EXPECT_EQ(text.find('\r'), std::string::npos);
}

TEST(Run, TheHdrRequestGoesOutBeforeTheWhiteLevelIsRead) {
  FakePlatform platform;
  EXPECT_EQ(RunWith(platform, {u"-SBB", u"-HDR:D"}), 0);
  const std::vector<std::string> tail(platform.calls.end() - 3, platform.calls.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"DisplayConfigSetDeviceInfo(10)",
                                            "DisplayConfigGetDeviceInfo(11)",
                                            "DisplayConfigSetDeviceInfo(-18)"}));
}

TEST(Run, PowerCyclesOnceBeforeTheDisplayQuery) {
  FakePlatform platform;
  platform.queryResult = 31;
  EXPECT_EQ(RunWith(platform, {u"-PR", u"-SI", u"-pr"}), -255);
  EXPECT_EQ(platform.calls,
            (std::vector<std::string>{"CommandLineToArgvW", "LocalFree(argv)",
                                      "SendMessageW(0xffff,0x112,0xf170,2)", "Sleep(2000)",
                                      "SendMessageW(0xffff,0x112,0xf170,-1)",
                                      "GetDisplayConfigBufferSizes(1)", "QueryDisplayConfig(4)"}));
}

TEST(Run, ParameterErrorComesBeforeThePowerCycle) {
  FakePlatform platform;
  EXPECT_EQ(RunWith(platform, {u"-PR", u"-B:x"}), -255);
  EXPECT_EQ(platform.calls, (std::vector<std::string>{"CommandLineToArgvW", "LocalFree(argv)",
                                                      "MessageBoxW(Error)"}));
}

TEST(Run, EveryDeviceCallFailingStillEndsWithZero) {
  FakePlatform platform;
  platform.advancedColorResult = 31;
  platform.whiteLevelResult = 31;
  platform.numberOfMonitorsOk = false;
  EXPECT_EQ(RunWith(platform, {u"-SI", u"-SB", u"-SBB", u"-HDR:S"}), 0);
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(Utf8(platform.boxes[0].text),
            "<Monitor capabilities>\nCapability informations are not supported.\n\n");
}

TEST(Run, BrightnessPhaseRunsOnlyWhenAsked) {
  FakePlatform platform;
  EXPECT_EQ(RunWith(platform, {u"-BH:70", u"-BB:2000"}), 0);
  for (const std::string& call : platform.calls) EXPECT_EQ(call.find("Monitor"), std::string::npos);
}

}  // namespace
}  // namespace glowtide
