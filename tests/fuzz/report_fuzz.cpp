// Fuzzes the report's section formatter with any format and up to four arguments: a section is
// never longer than 1023 units and holds no NUL, and a format without conversions that fits is
// appended exactly. The same texts, as a display's name and id, make a JSON report that a real
// parser always takes.
#include <nlohmann/json.hpp>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "report/json.h"
#include "report/report.h"

using namespace glowtide;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The units are split at U+FFFF: the format, then the arguments; an argument whose first unit
  // is odd is a number made of its next two units, any other a text.
  const std::u16string input = fuzzing::Units(data, size);
  std::vector<std::u16string_view> parts;
  for (std::size_t at = 0;;) {
    const std::size_t end = input.find(u'\xFFFF', at);
    parts.push_back(std::u16string_view(input).substr(at, end == input.npos ? end : end - at));
    if (end == input.npos || parts.size() == 5) break;
    at = end + 1;
  }
  std::vector<ReportArgument> arguments;
  for (std::size_t i = 1; i < parts.size(); ++i) {
    const std::u16string_view part = parts[i];
    if (!part.empty() && part[0] % 2 == 1)
      arguments.emplace_back(part.size() >= 3 ? std::uint32_t{part[1]} << 16 | part[2] : 0u);
    else
      arguments.emplace_back(part.substr(part.empty() ? 0 : 1));
  }
  ReportText report;
  const std::u16string_view format = parts[0];
  const auto& a = arguments;
  switch (a.size()) {  // as many arguments as were given, so that a conversion can run out
    case 0:
      AppendReportSection(report, format);
      break;
    case 1:
      AppendReportSection(report, format, {a[0]});
      break;
    case 2:
      AppendReportSection(report, format, {a[0], a[1]});
      break;
    case 3:
      AppendReportSection(report, format, {a[0], a[1], a[2]});
      break;
    default:
      AppendReportSection(report, format, {a[0], a[1], a[2], a[3]});
      break;
  }
  const std::u16string& section = report.Text();
  fuzzing::Require(section.size() <= kReportSectionCapacity - 1, "a section is at most 1023 units");
  fuzzing::Require(section.find(u'\0') == section.npos, "a section holds no NUL");
  if (format.find(u'%') == format.npos && format.find(u'\0') == format.npos &&
      format.size() < kReportSectionCapacity)
    fuzzing::Require(section == format, "a format without conversions is appended as it stands");
  DisplayState state{.name = std::u16string(format), .device = section};
  if (parts.size() > 1) state.id = parts[1];
  const std::string document = JsonReport("1.2.0.0", {state, state});
  fuzzing::Require(nlohmann::json::accept(document) && document.back() == '\n',
                   "the JSON report always parses");
  return 0;
}
