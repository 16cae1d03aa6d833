// Display configuration: the display list and -D:'s choice, the request bytes and the white
// level's switch rule. What the phases send is in the run's tests, what they report in the
// report's.
#include <gtest/gtest.h>

#include "display/device_info.h"
#include "display/display_list.h"
#include "display/sdr_white_level.h"
#include "support/fake_platform.h"

namespace glowtide {
namespace {

using testing::FakePlatform;
using testing::Hex;
using testing::Num;
using testing::Utf8;
using Calls = std::vector<std::string>;

// A LUID whose high part is negative, so that sign handling shows in the bytes.
const DisplayTarget kTarget{{0x89ABCDEF, -2}, 0x01020304};

template <std::size_t N>
std::string HexOf(const DeviceInfoRequest<N>& request) {
  return Hex({request.bytes.begin(), request.bytes.end()});
}

TEST(DeviceInfo, RequestsHaveTheirExactBytes) {
  const std::string header = "efcdab89feffffff04030201";
  EXPECT_EQ(HexOf(AdvancedColorInfoRequest(kTarget)),
            "0900000020000000" + header + std::string(24, '0'));
  EXPECT_EQ(HexOf(AdvancedColorStateRequest(kTarget, true)),
            "0a00000018000000" + header + "01000000");
  EXPECT_EQ(HexOf(AdvancedColorStateRequest(kTarget, false)),
            "0a00000018000000" + header + "00000000");
  EXPECT_EQ(HexOf(AdvancedColorInfo2Request(kTarget)),
            "0f00000024000000" + header + std::string(32, '0'));
  EXPECT_EQ(HexOf(HdrStateRequest(kTarget, true)), "1000000018000000" + header + "01000000");
  EXPECT_EQ(HexOf(HdrStateRequest(kTarget, false)), "1000000018000000" + header + "00000000");
  EXPECT_EQ(HexOf(SdrWhiteLevelReadRequest(kTarget)), "0b00000018000000" + header + "00000000");
  EXPECT_EQ(HexOf(SdrWhiteLevelSetRequest(kTarget, 0xFFFFFFFE)),
            "eeffffff1c000000" + header + "feffffff01000000");
}

// Display 1 is path 0; each display's device comes from its source, its name from its target, its
// monitor from the device; a query that found the configuration changed is asked again.
TEST(QueryDisplays, ReadsEachPathsTargetSourceNameAndMonitor) {
  FakePlatform platform({.paths = {{0x89ABCDEF, -2, 0x01020304, 1, u"LG ULTRAGEAR"},
                                   {0x5555, 0, 9, 0, u"", 0x80000000},
                                   {0x5555, 0, 10, 0, u"", 11},
                                   {0x5555, 0, 11, 2}},
                         .queryResults = {122},
                         .primarySource = 1});
  DisplayQuery query;
  ASSERT_TRUE(QueryDisplays(platform, platform, &query));
  EXPECT_EQ(Utf8(DisplayListLines(query.displays)),
            "1 : LG ULTRAGEAR (DISPLAY2, primary)\n2 : Built-in display (DISPLAY1)\n"
            "3 : Built-in display (DISPLAY1)\n4 : Unnamed display (DISPLAY3)\n");
  EXPECT_EQ(HexOf(SdrWhiteLevelReadRequest(query.displays[0].target)),
            HexOf(SdrWhiteLevelReadRequest(kTarget)));
  EXPECT_EQ(HexOf(SourceNameRequest(query.displays[0].source)).substr(0, 40),
            "0100000054000000efcdab89feffffff01000000");
  std::string seen;
  for (const Display& d : query.displays) seen += (d.builtIn ? "b" : "-") + Num(d.monitor) + " ";
  EXPECT_EQ(seen, "-0x10002 b0x10001 b0x10001 -0x10003 ");
  EXPECT_EQ(platform.CallsTo("QueryDisplayConfig").size(), 2u);
  FakePlatform none({.paths = {}});  // the query succeeds with no path
  EXPECT_FALSE(QueryDisplays(none, none, &query));
}

// -D: by number, every display, a name or device, or a part of one; or the error box's text.
TEST(ChooseDisplays, TakesANumberStarNameDeviceOrPart) {
  const std::vector<Display> displays = {{1, {}, {}, u"DISPLAY2", u"LG ULTRAGEAR", false, {}, true},
                                         {2, {}, {}, u"DISPLAY1", u"Built-in display", true},
                                         {3, {}, {}, u"DISPLAY3", u"DELL U2720Q"},
                                         {4, {}, {}, u"DISPLAY4", u"DELL U2720Q"}};
  const std::string list =
      "\n\n1 : LG ULTRAGEAR (DISPLAY2, primary)\n2 : Built-in display (DISPLAY1)\n"
      "3 : DELL U2720Q (DISPLAY3)\n4 : DELL U2720Q (DISPLAY4)\n";
  struct Case {
    std::u16string value;
    std::vector<std::size_t> chosen;
    std::string error = "";
  };
  const Case cases[] = {
      {u"2", {1}},
      {u"02", {1}},
      {u"*", {0, 1, 2, 3}},
      {u"lg ultragear", {0}},
      {u"display3", {2}},
      {u"ultra", {0}},
      {u"BUILT", {1}},
      {u"0", {}, "-D:0 : no such display" + list},
      {u"5", {}, "-D:5 : no such display"},
      {u"99999999999999999999", {}, "-D:99999999999999999999 : no such display"},
      {u"xyz", {}, "-D:xyz : no such display"},
      {u"Dell U2720Q", {}, "-D:Dell U2720Q : 2 displays match"},
      {u"display", {}, "-D:display : 4 displays match"},
  };
  for (const Case& c : cases) {
    const DisplayChoice choice = ChooseDisplays(displays, c.value);
    EXPECT_EQ(choice.chosen, c.chosen) << Utf8(c.value);
    EXPECT_EQ(Utf8(choice.error).substr(0, c.error.size()), c.error) << Utf8(c.value);
    EXPECT_EQ(choice.error.empty(), c.error.empty()) << Utf8(c.value);
  }
}

TEST(ChooseSwitchWhiteLevel, MovesToTheFartherValueAndTiesGoLow) {
  struct Case {
    std::uint32_t current;
    std::int32_t high, low, expected;
  };
  // clang-format off
  const Case cases[] = {
      {0, 3500, 1500, 3500},    {2499, 3500, 1500, 3500}, {2500, 3500, 1500, 1500},
      {6000, 3500, 1500, 1500}, {0, 2000, 2000, 2000},    {1000, 800, 3000, 3000},
      // Exact distances: a current level beyond int32 must not wrap.
      {0xFFFFFFFF, 2147483647, 0, 0},
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseSwitchWhiteLevel(c.current, c.high, c.low), c.expected) << c.current;
  }
}

}  // namespace
}  // namespace glowtide
