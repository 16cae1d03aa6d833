// Display configuration: the target of path 0, the request bytes and the white level's switch
// rule. What the phases send is in the run's tests, what they report in the report's.
#include <gtest/gtest.h>

#include "display/device_info.h"
#include "display/display_target.h"
#include "display/sdr_white_level.h"
#include "support/fake_platform.h"

namespace glowtide {
namespace {

using testing::FakePlatform;
using testing::Hex;
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

TEST(SelectDisplayTarget, TakesPathZeroOfTheCurrentDatabaseAndNeedsOne) {
  FakePlatform platform;
  platform.paths = {{0x89ABCDEF, -2, 0x01020304}, {0x5555, 0, 9}};
  DisplayQuery query;
  ASSERT_TRUE(SelectDisplayTarget(platform, &query));
  EXPECT_EQ(HexOf(SdrWhiteLevelReadRequest(query.target)),
            HexOf(SdrWhiteLevelReadRequest(kTarget)));
  EXPECT_EQ(platform.calls, (Calls{"GetDisplayConfigBufferSizes(1)", "QueryDisplayConfig(4)"}));
  FakePlatform none;
  none.paths.clear();  // the query succeeds with no path
  EXPECT_FALSE(SelectDisplayTarget(none, &query));
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
