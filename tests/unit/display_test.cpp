// Display configuration: -D:'s choice and the white level's switch rule. What the phases send is
// in the run's tests, what they report in the report's; the request bytes the suite reads from
// the real exe's requests.
#include <gtest/gtest.h>

#include "display/display_list.h"
#include "display/display_mode.h"
#include "display/sdr_white_level.h"
#include "support/fake_platform.h"

namespace glowtide {
namespace {

using testing::Utf8;

// -D: by number, every display, a name or device, or a part of one; or the error box's text.
TEST(ChooseDisplays, TakesANumberStarNameDeviceOrPart) {
  const std::vector<Display> displays = {
      {1, {}, {}, u"DISPLAY2", u"LG ULTRAGEAR", u"GSM5B7F-UID4353", false, {}, true},
      {2, {}, {}, u"DISPLAY1", u"Built-in display", u"", true},
      {3, {}, {}, u"DISPLAY3", u"DELL U2720Q", u"DELA0F1-UID25"},
      {4, {}, {}, u"DISPLAY4", u"DELL U2720Q", u"DELA0F1-UID257"}};
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
      // Two monitors of one model, told apart by their ids: equal, or a part.
      {u"dela0f1-uid25", "2"}, {u"UID257", "3"}, {u"DELA0F1", "-D:DELA0F1 : 2 displays match"},
      // clang-format on
  };
  for (const auto& [value, expected] : cases) EXPECT_EQ(choose(value), expected) << Utf8(value);
}

// A display's id: the monitor's make and model and its connection, from its device path.
TEST(DisplayId, JoinsTheModelAndTheConnection) {
  const std::pair<std::u16string, std::string> cases[] = {
      {u"\\\\?\\DISPLAY#GSM5B7F#5&2a1c3e0&0&UID4353#{e6f07b5f-ee97-4a90-b076-33f57bf4eaa7}",
       "GSM5B7F-UID4353"},
      {u"\\\\?\\DISPLAY#DELA0F1#UID256", "DELA0F1-UID256"},
      {u"\\\\?\\DISPLAY#GSM5B7F", ""},
      {u"", ""},
      {u"\\\\?\\DISPLAY##4&1&#{x}", ""},
  };
  for (const auto& [path, id] : cases) EXPECT_EQ(Utf8(DisplayId(path)), id) << Utf8(path);
}

// -M: and -MQ: values, and the listed mode each stands for while the display shows 2560 x 1440 at
// 144 Hz.
TEST(DisplayMode, ParsesAndMatchesAgainstTheListedModes) {
  const std::vector<DisplayMode> modes = {
      {2560, 1440, 165, 32}, {2560, 1440, 144, 32}, {2560, 1440, 120, 32}, {2560, 1440, 60, 32},
      {1280, 720, 59, 32},   {1920, 1080, 60, 32},  {1920, 1080, 59, 32},  {1280, 720, 61, 32}};
  const DisplayMode current = {2560, 1440, 144, 32};
  auto resolve = [&](std::u16string_view value) -> std::string {
    const std::optional<ModeRequest> request = ParseMode(value, true);
    if (!request) return "malformed";
    if (request->desktop) return "desktop";
    const std::optional<DisplayMode> mode = ResolveMode(*request, current, modes);
    if (!mode) return "none";
    return std::to_string(mode->width) + "x" + std::to_string(mode->height) + "@" +
           std::to_string(mode->frequency);
  };
  const std::pair<std::u16string, std::string> cases[] = {
      // clang-format off
      {u"2560x1440@120", "2560x1440@120"}, {u"1920X1080@59", "1920x1080@59"},
      {u"@143", "2560x1440@144"},          {u"@61", "2560x1440@60"},  // within 1 Hz
      {u"1280x720@60", "1280x720@61"},     // two within 1 Hz: the higher
      {u"2560x1440", "2560x1440@144"},     {u"1920x1080", "1920x1080@60"},  // no rate
      {u"@100", "none"},                   {u"800x600", "none"},  {u"@62", "none"},
      {u"D", "desktop"},                   {u"2560x1440@", "malformed"}, {u"x1440", "malformed"},
      {u"2560x", "malformed"},             {u"", "malformed"},    {u"2560x1440@60Hz", "malformed"},
      {u"0x0", "malformed"},               {u"-1x1440", "malformed"},
      // clang-format on
  };
  for (const auto& [value, expected] : cases) EXPECT_EQ(resolve(value), expected) << Utf8(value);
  EXPECT_FALSE(ParseMode(u"D", false));  // the desktop mode is for -MQ: only
  // Listed in any order, at any depth: 32 bits per pixel, largest size and rate first, once each.
  testing::FakePlatform platform({.modes = {modes[4],
                                            {1280, 720, 75, 16},
                                            modes[5],
                                            modes[0],
                                            modes[7],
                                            modes[1],
                                            modes[2],
                                            modes[3],
                                            modes[6],
                                            modes[0]}});
  EXPECT_EQ(
      Utf8(ModeListLines(ListModes(platform, u"DISPLAY1"))),
      "2560 x 1440 : 165, 144, 120, 60 Hz\n1920 x 1080 : 60, 59 Hz\n1280 x 720 : 61, 59 Hz\n");
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
