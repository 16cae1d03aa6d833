// The report: its bounded section formatter, and the -SI box that the whole run shows.
#include "report/report.h"

#include <gtest/gtest.h>

#include "app/run.h"
#include "support/fake_platform.h"

namespace glowtide {
namespace {

using testing::Utf8;

TEST(AppendReportSection, FormatsIntoABoundedSectionAndAppends) {
  struct Case {
    std::u16string_view format;
    std::initializer_list<ReportArgument> arguments;
    std::string expected;
  };
  const std::u16string longText(2000, u'x');
  const std::u16string withNul(u"ab\0cd", 5);
  const Case cases[] = {
      {u"%u to %u, %s", {0u, 4294967295u, u"x"}, "0 to 4294967295, x"},
      {u"100%% %d %s", {u"a"}, "100% %d a"},
      {u"%s and %u", {u"a"}, "a and %u"},
      {u"[%s]", {withNul}, "[ab"},
      {u"<L>%s", {longText}, "<L>" + std::string(1020, 'x')},  // 1023 units and the NUL
  };
  for (const Case& c : cases) {
    ReportText report;
    report.Append(u"<Earlier>");
    AppendReportSection(report, c.format, c.arguments);
    EXPECT_EQ(Utf8(report.Text()), "<Earlier>" + c.expected);
  }
}

// Each section as the machine's answers make it, before any change, in order; a section whose
// read failed is left out. Empty HDR and white-level texts mean that the section is left out.
TEST(ShowReport, EachSectionSaysWhatTheMachineAnswered) {
  const std::string none = "Capability informations are not supported.";
  const testing::FakePath laptop{0x1234, 0, 7, 0, u"", 0x80000000};
  struct Case {
    testing::Machine machine;
    std::string hdr = "Supported\nHDR : Disable";
    std::string mode = "Current : 2560 x 1440 @ 144 Hz\nDesktop : 2560 x 1440 @ 144 Hz";
    std::string white = "1000   (80 nits)";
    std::string brightness = "<Brightness>\nSupported value : 0 to 100\nCurrent : 50\n\n";
    std::string capabilities = "Brightness : Can setting";
  };
  // (The default machine's, an older system's HDR on and a panel's on mains are the suite's, on
  // the real exe.)
  // clang-format off
  const Case cases[] = {
      {.machine = {.advancedColorWord = 0x0}, .hdr = "Not supported\nHDR : Disable"},
      {.machine = {.advancedColorWord = 0x2}, .hdr = "Not supported\nHDR : Enable"},
      // Auto Color Management: advanced colour active, an SDR picture, HDR supported but off.
      {.machine = {.currentModel = true, .advancedColor2Word = 0x13, .activeColorMode = 1}},
      {.machine = {.currentModel = true, .advancedColorWord = 0x3, .advancedColor2Word = 0x3,
                   .activeColorMode = 1}, .hdr = "Not supported\nHDR : Disable"},
      {.machine = {.whiteLevel = 999}, .white = "999   (79 nits)"},
      {.machine = {.desktopMode = {1920, 1080, 60, 32}},
       .mode = "Current : 2560 x 1440 @ 144 Hz\nDesktop : 1920 x 1080 @ 60 Hz"},
      // A saved rate of 1 is the display's default: the size's rate.
      {.machine = {.desktopMode = {1920, 1080, 1, 32}},
       .mode = "Current : 2560 x 1440 @ 144 Hz\nDesktop : 1920 x 1080 @ 60 Hz"},
      {.machine = {.failing = {"EnumDisplaySettingsExW"}}, .mode = ""},
      {.machine = {.whiteLevel = 4294967295}, .white = "4294967295   (343597383 nits)"},
      {.machine = {.failing = {"DisplayConfigGetDeviceInfo"}}, .hdr = "", .white = ""},
      {.machine = {.capabilities = 0xFFFFFFFD}, .capabilities = "Brightness : Can't setting"},
      {.machine = {.failing = {"GetMonitorBrightness"}}, .brightness = ""},
      {.machine = {.failing = {"GetMonitorCapabilities"}}, .capabilities = none},
      {.machine = {.monitorCount = 0}, .brightness = "", .capabilities = none},
      // A built-in panel whose power scheme cannot be read.
      {.machine = {.failing = {"PowerReadACValueIndex"}, .paths = {laptop}}, .brightness = "",
       .capabilities = none},
  };
  // clang-format on
  for (const Case& c : cases) {
    testing::FakePlatform platform(c.machine);
    glowtide::Run(platform, u"-SI", InstanceHandle{0x400000});
    const std::string expected =
        (c.hdr.empty() ? "" : "<HDR Status>\nHDR support status : " + c.hdr + "\n\n") +
        (c.mode.empty() ? "" : "<Display mode>\n" + c.mode + "\n\n") +
        (c.white.empty()
             ? ""
             : "<HDR/SDR brightness balance (SDR white level)>\nCurrent : " + c.white + "\n\n") +
        c.brightness + "<Monitor capabilities>\n" + c.capabilities + "\n\n";
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(Utf8(platform.boxes[0].text), expected);
  }
}

}  // namespace
}  // namespace glowtide
