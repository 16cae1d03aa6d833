// The report's bounded section formatter.
#include "report/report.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace glowtide
