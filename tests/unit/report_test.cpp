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
    std::string white = "1000   (80 nits)";
    std::string brightness = "<Brightness>\nSupported value : 0 to 100\nCurrent : 50\n\n";
    std::string capabilities = "Brightness : Can setting";
  };
  const Case cases[] = {
      {},
      {.machine = {.advancedColorWord = 0x3}, .hdr = "Supported\nHDR : Enable"},
      {.machine = {.advancedColorWord = 0x0}, .hdr = "Not supported\nHDR : Disable"},
      {.machine = {.advancedColorWord = 0x2}, .hdr = "Not supported\nHDR : Enable"},
      // Under Auto Color Management an SDR picture is "advanced colour active" (bits 0, 1).
      {.machine = {.currentModel = true,
                   .advancedColorWord = 0x3,
                   .advancedColor2Word = 0x13,
                   .activeColorMode = 1}},
      {.machine = {.currentModel = true,
                   .advancedColorWord = 0x3,
                   .advancedColor2Word = 0x3,
                   .activeColorMode = 1},
       .hdr = "Not supported\nHDR : Disable"},
      {.machine = {.currentModel = true, .advancedColor2Word = 0x33, .activeColorMode = 2},
       .hdr = "Supported\nHDR : Enable"},
      {.machine = {.whiteLevel = 999}, .white = "999   (79 nits)"},
      {.machine = {.whiteLevel = 4294967295}, .white = "4294967295   (343597383 nits)"},
      {.machine = {.failing = {"DisplayConfigGetDeviceInfo"}}, .hdr = "", .white = ""},
      {.machine = {.capabilities = 0xFFFFFFFD}, .capabilities = "Brightness : Can't setting"},
      {.machine = {.failing = {"GetMonitorBrightness"}}, .brightness = ""},
      {.machine = {.failing = {"GetMonitorCapabilities"}}, .capabilities = none},
      {.machine = {.monitorCount = 0}, .brightness = "", .capabilities = none},
      // A built-in panel: the power scheme's value on battery; none when it cannot be read.
      {.machine = {.paths = {laptop}, .acLineStatus = 0},
       .brightness = "<Brightness>\nSupported value : 0 to 100\nCurrent : 40\n\n"},
      {.machine = {.failing = {"PowerReadACValueIndex"}, .paths = {laptop}},
       .brightness = "",
       .capabilities = none},
  };
  for (const Case& c : cases) {
    testing::FakePlatform platform(c.machine);
    glowtide::Run(platform, u"-SI", InstanceHandle{0x400000});
    const std::string expected =
        (c.hdr.empty() ? "" : "<HDR Status>\nHDR support status : " + c.hdr + "\n\n") +
        (c.white.empty()
             ? ""
             : "<HDR/SDR brightness balance (SDR white level)>\nCurrent : " + c.white + "\n\n") +
        c.brightness + "<Monitor capabilities>\n" + c.capabilities + "\n\n";
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(Utf8(platform.boxes[0].text), expected);
  }
}

// With -D:, each chosen display's sections follow its heading; with more than one display, the
// report ends with the list.
TEST(ShowReport, HeadsEachChosenDisplayAndListsThemAll) {
  testing::FakePlatform platform(
      {.paths = {{0x1234, 0, 7, 0, u"LG ULTRAGEAR"}, {0x1234, 0, 8, 1, u"", 0x80000000}},
       .primarySource = 1});
  EXPECT_EQ(glowtide::Run(platform, u"-SI -D:built", InstanceHandle{0x400000}), 0);
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(
      Utf8(platform.boxes[0].text),
      "<Display 2>\nName : Built-in display\nDevice : DISPLAY2\n\n"
      "<HDR Status>\nHDR support status : Supported\nHDR : Disable\n\n"
      "<HDR/SDR brightness balance (SDR white level)>\nCurrent : 1000   (80 nits)\n\n"
      "<Brightness>\nSupported value : 0 to 100\nCurrent : 60\n\n"  // the power scheme's
      "<Monitor capabilities>\nBrightness : Can setting\n\n"
      "<Displays>\n1 : LG ULTRAGEAR (DISPLAY1)\n2 : Built-in display (DISPLAY2, primary)\n\n");
}

}  // namespace
}  // namespace glowtide
