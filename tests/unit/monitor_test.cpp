// Monitor control: the -SB rule and the guard on the monitor array's size. What the brightness
// phase sends is in the run's tests, what it reports in the report's.
#include <gtest/gtest.h>

#include <cstdint>

#include "monitor/brightness.h"

namespace glowtide {
namespace {

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

}  // namespace
}  // namespace glowtide
