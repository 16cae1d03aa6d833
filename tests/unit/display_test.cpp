// Display configuration: -D:'s choice and the white level's switch rule. What the phases send is
// in the run's tests, what they report in the report's; the request bytes the suite reads from
// the real exe's requests.
#include <gtest/gtest.h>

#include "display/display_list.h"
#include "display/sdr_white_level.h"
#include "support/fake_platform.h"

namespace glowtide {
namespace {

using testing::Utf8;

// -D: by number, every display, a name or device, or a part of one; or the error box's text.
TEST(ChooseDisplays, TakesANumberStarNameDeviceOrPart) {
  const std::vector<Display> displays = {{1, {}, {}, u"DISPLAY2", u"LG ULTRAGEAR", false, {}, true},
                                         {2, {}, {}, u"DISPLAY1", u"Built-in display", true},
                                         {3, {}, {}, u"DISPLAY3", u"DELL U2720Q"},
                                         {4, {}, {}, u"DISPLAY4", u"DELL U2720Q"}};
  // The chosen displays' indexes, or the error box's first line (the suite reads it whole).
  auto choose = [&](std::u16string_view value) {
    const DisplayChoice choice = ChooseDisplays(displays, value);
    std::string chosen;
    for (const std::size_t i : choice.chosen) chosen += std::to_string(i);
    return choice.error.empty() ? chosen : Utf8(choice.error.substr(0, choice.error.find(u'\n')));
  };
  const std::pair<std::u16string, std::string> cases[] = {
      // clang-format off
      {u"02", "1"}, {u"*", "0123"}, {u"lg ultragear", "0"}, {u"display3", "2"}, {u"BUILT", "1"},
      {u"0", "-D:0 : no such display"}, {u"5", "-D:5 : no such display"},
      {u"99999999999999999999", "-D:99999999999999999999 : no such display"},
      // A name that two displays have is not taken for a part of a third's.
      {u"Dell U2720Q", "-D:Dell U2720Q : 2 displays match"},
      {u"display", "-D:display : 4 displays match"},
      // clang-format on
  };
  for (const auto& [value, expected] : cases) EXPECT_EQ(choose(value), expected) << Utf8(value);
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
