// The report's bounded formatter and its box.
#include "report/report.h"

#include <gtest/gtest.h>

#include "support/fake_platform.h"

namespace glowtide {
namespace {

using testing::Utf8;

std::string Format(std::u16string_view format, std::initializer_list<ReportArgument> arguments) {
  ReportText report;
  AppendReportSection(report, format, arguments);
  return Utf8(report.Text());
}

TEST(AppendReportSection, FormatsTextsAndUnsignedNumbers) {
  struct Case {
    const char* label;
    std::u16string_view format;
    std::initializer_list<ReportArgument> arguments;
    const char* expected;
  };
  const Case cases[] = {
      {"no conversions", u"<Options>\nplain\n\n", {}, "<Options>\nplain\n\n"},
      {"text", u"HDR : %s\n", {u"Enable"}, "HDR : Enable\n"},
      {"zero", u"Current : %u\n", {0u}, "Current : 0\n"},
      {"largest unsigned", u"%u", {4294967295u}, "4294967295"},
      {"no fill or leading zeros", u"[%u]", {7u}, "[7]"},
      {"several in order", u"%u to %u, %s", {1u, 100u, u"x"}, "1 to 100, x"},
      {"percent sign", u"100%%", {}, "100%"},
      {"unknown conversion kept", u"%d", {5u}, "%d"},
      {"missing argument kept", u"%s and %u", {u"a"}, "a and %u"},
      {"trailing percent", u"50%", {}, "50%"},
  };
  for (const Case& c : cases) EXPECT_EQ(Format(c.format, c.arguments), c.expected) << c.label;
}

TEST(AppendReportSection, AppendsAtTheEndWithoutTouchingEarlierSections) {
  ReportText report;
  AppendReportSection(report, u"<A>\n%u\n\n", {1u});
  AppendReportSection(report, u"<B>\n%s\n\n", {u"two"});
  EXPECT_EQ(Utf8(report.Text()), "<A>\n1\n\n<B>\ntwo\n\n");
}

TEST(AppendReportSection, HoldsASectionToItsBoundedScratch) {
  const std::u16string long_text(2000, u'x');
  ReportText report;
  AppendReportSection(report, u"<Long>\n%s\n\n", {long_text});
  EXPECT_EQ(report.Text().size(), kReportSectionCapacity - 1);
  EXPECT_EQ(report.Text().substr(0, 7), u"<Long>\n");
  // Exactly 1023 units fit whole.
  ReportText exact;
  AppendReportSection(exact, std::u16string(1023, u'y'));
  EXPECT_EQ(exact.Text(), std::u16string(1023, u'y'));
}

TEST(AppendReportSection, EndsTheSectionAtItsFirstNul) {
  const std::u16string withNul(u"ab\0cd", 5);
  EXPECT_EQ(Format(u"[%s]", {withNul}), "[ab");
}

TEST(ShowReport, ShowsTheWholeTextInAnOwnerlessOkBox) {
  testing::FakePlatform platform;
  ReportText report;
  AppendReportSection(report, u"<A>\n\n");
  AppendReportSection(report, u"<B>\n\n");
  ShowReport(platform, report);
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(platform.boxes[0].owner, WindowHandle::kNull);
  EXPECT_EQ(Utf8(platform.boxes[0].text), "<A>\n\n<B>\n\n");
  EXPECT_EQ(Utf8(platform.boxes[0].caption), "Monitor information");
  EXPECT_EQ(platform.boxes[0].type, 0u);
}

}  // namespace
}  // namespace glowtide
