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

// A display takes the physical monitor described by its name when exactly one is; the others take
// the rest in order, and none is given twice.
TEST(ChoosePhysicalMonitor, GoesByNameThenByOrder) {
  using Texts = std::vector<std::u16string>;
  struct Case {
    Texts descriptions, sharing;
    std::vector<int> expected;  // for each of sharing, -1 for none
  };
  const Case cases[] = {
      {{u"A", u"B"}, {u"B", u"A"}, {1, 0}},
      {{u"Generic", u"Generic"}, {u"X", u"Y"}, {0, 1}},
      {{u"Dell", u"Dell"}, {u"Dell", u"Dell"}, {0, 1}},  // clone mode, one model twice
      {{u"A", u"B"}, {u"Z", u"A"}, {1, 0}},
      {{u"A"}, {u"X", u"Y"}, {0, -1}},
      {{u"A"}, {u"A", u"A"}, {0, -1}},
  };
  for (const Case& c : cases) {
    for (std::size_t position = 0; position < c.sharing.size(); ++position) {
      const auto chosen = ChoosePhysicalMonitor(c.descriptions, c.sharing, position);
      EXPECT_EQ(chosen ? static_cast<int>(*chosen) : -1, c.expected[position])
          << testing::PrintToString(c.sharing) << " at " << position;
    }
  }
}

}  // namespace
}  // namespace glowtide
