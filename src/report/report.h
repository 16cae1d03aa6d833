// The information report: its growing text, the bounded section formatter and the box that shows
// it.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

#include "platform/windowing.h"
#include "report/display_state.h"

namespace glowtide {

// The run's report, collected section by section; UTF-16, line feeds only.
class ReportText {
 public:
  void Append(std::u16string_view section) { text_.append(section); }
  const std::u16string& Text() const { return text_; }

 private:
  std::u16string text_;
};

// One argument of a section format: a text for %s or an unsigned 32-bit number for %u.
using ReportArgument = std::variant<std::u16string_view, std::uint32_t>;

// A section is formatted into a scratch of this many UTF-16 units, its terminator included.
inline constexpr std::size_t kReportSectionCapacity = 1024;

inline constexpr char16_t kReportCaption[] = u"Monitor information";

// Formats one section (conversions %s and %u, %% for a percent sign) and appends it to the report.
// A section longer than 1023 units is cut there, as the bounded scratch holds no more; the text
// appended ends at the first NUL of the formatted section.
void AppendReportSection(ReportText& report, std::u16string_view format,
                         std::initializer_list<ReportArgument> arguments = {});

// The sections of a display's state, in order: HDR status, display mode, SDR white level,
// brightness and capabilities, each left out when it could not be read (the capabilities then say
// they are not supported). With heading, first "<Display n>" with its name, device and id.
void AppendStateSections(ReportText& report, const DisplayState& state, bool heading);

// Shows the whole report in a modal box with no owner and returns when it is dismissed.
void ShowReport(WindowingPlatform& platform, const ReportText& report);

}  // namespace glowtide
