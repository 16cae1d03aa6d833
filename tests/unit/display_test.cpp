// Display configuration: the target of path 0, the four request layouts, the HDR phase's
// request table and the white-level phase with its switch rule.
#include <gtest/gtest.h>

#include "display/device_info.h"
#include "display/display_target.h"
#include "display/hdr_state.h"
#include "display/sdr_white_level.h"
#include "support/fake_platform.h"

namespace glowtide {
namespace {

using testing::FakePlatform;
using testing::Hex;
using testing::Utf8;

// A LUID whose high part is negative, so that sign handling shows in the bytes.
const DisplayTarget kTarget{{0x89ABCDEF, -2}, 0x01020304};
const std::string kHeaderTail =
    "efcdab89"
    "feffffff"
    "04030201";

template <std::size_t N>
std::string HexOf(const DeviceInfoRequest<N>& request) {
  return Hex({request.bytes.begin(), request.bytes.end()});
}

TEST(DeviceInfo, RequestsHaveTheirExactBytes) {
  EXPECT_EQ(HexOf(AdvancedColorInfoRequest(kTarget)),
            "09000000"
            "20000000" +
                kHeaderTail +
                "00000000"
                "00000000"
                "00000000");
  EXPECT_EQ(HexOf(AdvancedColorStateRequest(kTarget, true)),
            "0a000000"
            "18000000" +
                kHeaderTail + "01000000");
  EXPECT_EQ(HexOf(AdvancedColorStateRequest(kTarget, false)),
            "0a000000"
            "18000000" +
                kHeaderTail + "00000000");
  EXPECT_EQ(HexOf(SdrWhiteLevelReadRequest(kTarget)),
            "0b000000"
            "18000000" +
                kHeaderTail + "00000000");
  EXPECT_EQ(HexOf(SdrWhiteLevelSetRequest(kTarget, 2000)),
            "eeffffff"
            "1c000000" +
                kHeaderTail +
                "d0070000"
                "01000000");
  EXPECT_EQ(HexOf(SdrWhiteLevelSetRequest(kTarget, 0xFFFFFFFF)),
            "eeffffff"
            "1c000000" +
                kHeaderTail +
                "ffffffff"
                "01000000");
}

TEST(SelectDisplayTarget, TakesPathZerosTargetFromTheCurrentDatabase) {
  FakePlatform platform;
  platform.paths = {{0x89ABCDEF, -2, 0x01020304}, {0x5555, 0, 9}};
  DisplayQuery query;
  ASSERT_TRUE(SelectDisplayTarget(platform, &query));
  EXPECT_EQ(query.target.adapterId.lowPart, 0x89ABCDEFu);
  EXPECT_EQ(query.target.adapterId.highPart, -2);
  EXPECT_EQ(query.target.targetId, 0x01020304u);
  EXPECT_EQ(platform.calls,
            (std::vector<std::string>{"GetDisplayConfigBufferSizes(1)", "QueryDisplayConfig(4)"}));
  EXPECT_TRUE(query.paths && query.modes);
}

TEST(SelectDisplayTarget, FailsWithoutATarget) {
  struct Case {
    const char* label;
    void (*script)(FakePlatform&);
  };
  const Case cases[] = {
      {"query fails", [](FakePlatform& p) { p.queryResult = 31; }},
      {"sizes fail, so the empty arrays are too small",
       [](FakePlatform& p) { p.bufferSizesResult = 87; }},
      {"query succeeds with no path", [](FakePlatform& p) { p.queryReturnsNoPath = true; }},
      {"no path at all", [](FakePlatform& p) { p.paths.clear(); }},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    c.script(platform);
    DisplayQuery query;
    EXPECT_FALSE(SelectDisplayTarget(platform, &query)) << c.label;
  }
}

struct HdrCase {
  const char* label;
  std::vector<std::u16string> options;
  std::uint32_t valueWord;  // what the display reports
  bool readFails;
  bool expectRead;
  std::optional<std::uint32_t> expectWord;  // the set request's value word, if one is sent
};

TEST(RunHdrPhase, SendsTheRequestOfTheTable) {
  const HdrCase cases[] = {
      {"-SI alone reads only", {u"-SI"}, 0x3, false, true, std::nullopt},
      {"-HDR:S on HDR off turns it on", {u"-HDR:S"}, 0x1, false, true, 1},
      {"-HDR:S on HDR on turns it off", {u"-HDR:S"}, 0x3, false, true, 0},
      {"-HDR:S unsupported still asks on", {u"-HDR:S"}, 0x0, false, true, 1},
      {"-HDR:S with a failed read asks off", {u"-HDR:S"}, 0x1, true, true, 0},
      {"-HDR:S with -HDR:D on HDR off", {u"-HDR:S", u"-HDR:D"}, 0x1, false, true, 1},
      {"-HDR:S with -HDR:D on HDR on", {u"-HDR:D", u"-HDR:S"}, 0x3, false, true, 0},
      {"-HDR:E with -HDR:S on HDR on", {u"-HDR:E", u"-HDR:S"}, 0x3, false, true, 1},
      {"-HDR:E with -HDR:S, read failed", {u"-HDR:S", u"-HDR:E"}, 0x3, true, true, 1},
      {"-HDR:E alone, no read", {u"-HDR:E"}, 0x1, false, false, 1},
      {"-HDR:D alone, no read", {u"-HDR:D"}, 0x3, false, false, 0},
      {"-HDR:E with -HDR:D", {u"-HDR:D", u"-HDR:E"}, 0x3, false, false, 1},
      {"-SI -HDR:E reads first", {u"-SI", u"-HDR:E"}, 0x1, false, true, 1},
      {"high bits of the value word are ignored", {u"-HDR:S"}, 0xFFFFFFFD, false, true, 1},
      {"nothing asked", {u"-X"}, 0x3, false, false, std::nullopt},
  };
  for (const HdrCase& c : cases) {
    FakePlatform platform;
    LaunchSettings settings = testing::SettingsFrom(c.options);
    platform.advancedColorValue = c.valueWord;
    platform.advancedColorResult = c.readFails ? 31 : 0;
    ReportText report;
    RunHdrPhase(platform, settings, kTarget, report);

    ASSERT_EQ(platform.getRequests.size(), c.expectRead ? 1u : 0u) << c.label;
    if (c.expectRead) {
      EXPECT_EQ(Hex(platform.getRequests[0]), HexOf(AdvancedColorInfoRequest(kTarget))) << c.label;
    }
    ASSERT_EQ(platform.setRequests.size(), c.expectWord ? 1u : 0u) << c.label;
    if (c.expectWord) {
      const auto expected = AdvancedColorStateRequest(kTarget, *c.expectWord == 1);
      EXPECT_EQ(Hex(platform.setRequests[0]), HexOf(expected)) << c.label;
      // The read, when made, comes before the set.
      EXPECT_EQ(platform.calls.back(), "DisplayConfigSetDeviceInfo(10)") << c.label;
    }
  }
}

TEST(RunHdrPhase, ReportsTheStateBeforeAnyChange) {
  struct Case {
    std::uint32_t valueWord;
    const char* section;
  };
  const Case cases[] = {
      {0x3, "<HDR Status>\nHDR support status : Supported\nHDR : Enable\n\n"},
      {0x0, "<HDR Status>\nHDR support status : Not supported\nHDR : Disable\n\n"},
      {0x1, "<HDR Status>\nHDR support status : Supported\nHDR : Disable\n\n"},
      {0x2, "<HDR Status>\nHDR support status : Not supported\nHDR : Enable\n\n"},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    platform.advancedColorValue = c.valueWord;
    LaunchSettings settings{.showReport = true, .enableHdr = true, .hdrNewState = true};
    ReportText report;
    RunHdrPhase(platform, settings, kTarget, report);
    EXPECT_EQ(Utf8(report.Text()), c.section);
  }
  FakePlatform failing;
  failing.advancedColorResult = 31;
  LaunchSettings settings{.showReport = true};
  ReportText report;
  RunHdrPhase(failing, settings, kTarget, report);
  EXPECT_TRUE(report.Text().empty());
}

TEST(ChooseSwitchWhiteLevel, MovesToTheFartherValueAndTiesGoLow) {
  struct Case {
    std::uint32_t current;
    std::int32_t high;
    std::int32_t low;
    std::int32_t expected;
  };
  const Case cases[] = {
      {0, 3500, 1500, 3500},
      {1500, 3500, 1500, 3500},
      {2499, 3500, 1500, 3500},
      {2500, 3500, 1500, 1500},
      {2501, 3500, 1500, 1500},
      {3500, 3500, 1500, 1500},
      {6000, 3500, 1500, 1500},
      {2000, 2000, 2000, 2000},
      {0, 2000, 2000, 2000},
      // Exact distances: a current level beyond int32 must not wrap.
      {0xFFFFFFFF, 2147483647, 0, 0},
      {0xFFFFFFFF, 0, 2147483647, 0},
      {0x80000000, 0, 2147483647, 0},
      // High below low.
      {1000, 800, 3000, 3000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseSwitchWhiteLevel(c.current, c.high, c.low), c.expected)
        << c.current << " between " << c.high << " and " << c.low;
  }
}

struct WhiteLevelCase {
  const char* label;
  std::vector<std::u16string> options;
  bool readFails;
  bool expectRead;
  std::optional<std::uint32_t> expectLevel;
};

TEST(RunWhiteLevelPhase, SendsAtMostOneLevel) {
  const WhiteLevelCase cases[] = {
      {"-SI alone reads only", {u"-SI"}, false, true, std::nullopt},
      {"-BB: alone sets without a read", {u"-BB:2000"}, false, false, 2000},
      {"-BB:0 is sent unchanged", {u"-BB:0"}, false, false, 0},
      {"-SBB alone, current 1000", {u"-SBB"}, false, true, 3500},
      {"-SBB with -BB:, read ok: the switch wins", {u"-BB:2000", u"-SBB"}, false, true, 3500},
      {"-SBB with -BB:, read fails: -BB:", {u"-SBB", u"-BB:2000"}, true, true, 2000},
      {"-SBB alone, read fails: nothing", {u"-SBB"}, true, true, std::nullopt},
      {"-SBB with equal high and low", {u"-SBB", u"-BBH:1200", u"-BBL:1200"}, false, true, 1200},
      {"-BBH: alone changes nothing", {u"-BBH:4000"}, false, false, std::nullopt},
  };
  for (const WhiteLevelCase& c : cases) {
    FakePlatform platform;
    const LaunchSettings settings = testing::SettingsFrom(c.options);
    platform.whiteLevel = 1000;
    platform.whiteLevelResult = c.readFails ? 31 : 0;
    ReportText report;
    RunWhiteLevelPhase(platform, settings, kTarget, report);
    ASSERT_EQ(platform.getRequests.size(), c.expectRead ? 1u : 0u) << c.label;
    if (c.expectRead) {
      EXPECT_EQ(Hex(platform.getRequests[0]), HexOf(SdrWhiteLevelReadRequest(kTarget))) << c.label;
    }
    ASSERT_EQ(platform.setRequests.size(), c.expectLevel ? 1u : 0u) << c.label;
    if (c.expectLevel) {
      EXPECT_EQ(Hex(platform.setRequests[0]),
                HexOf(SdrWhiteLevelSetRequest(kTarget, *c.expectLevel)))
          << c.label;
    }
  }
}

TEST(RunWhiteLevelPhase, ReportsTheLevelAndItsNits) {
  struct Case {
    std::uint32_t level;
    const char* section;
  };
  const Case cases[] = {
      {1000, "Current : 1000   (80 nits)\n\n"},
      {1012, "Current : 1012   (80 nits)\n\n"},
      {999, "Current : 999   (79 nits)\n\n"},
      {1500, "Current : 1500   (120 nits)\n\n"},
      {0, "Current : 0   (0 nits)\n\n"},
      // Exact, not modulo 2^32: 4294967295 x 80 / 1000.
      {4294967295u, "Current : 4294967295   (343597383 nits)\n\n"},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    platform.whiteLevel = c.level;
    ReportText report;
    RunWhiteLevelPhase(platform, LaunchSettings{.showReport = true}, kTarget, report);
    EXPECT_EQ(Utf8(report.Text()),
              std::string("<HDR/SDR brightness balance (SDR white level)>\n") + c.section);
  }
}

}  // namespace
}  // namespace glowtide
