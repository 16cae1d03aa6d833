// The report's bounded section formatter and its message box.
#include "report/report.h"

#include <array>

#include "common/decimal.h"
#include "common/field_text.h"

namespace glowtide {
namespace {

// Writes into a fixed scratch and silently drops whatever would pass its last unit.
class BoundedWriter {
 public:
  void Put(char16_t unit) {
    if (length_ + 1 < scratch_.size()) scratch_[length_++] = unit;
  }
  void Put(std::u16string_view text) {
    for (char16_t unit : text) Put(unit);
  }
  void PutDecimal(std::uint32_t value) { Put(Decimal(value)); }
  // The section up to its first NUL, as the text is measured before it is appended.
  std::u16string_view Text() const { return FieldText(scratch_.data(), length_); }

 private:
  std::array<char16_t, kReportSectionCapacity> scratch_{};
  std::size_t length_ = 0;
};

}  // namespace

void AppendReportSection(ReportText& report, std::u16string_view format,
                         std::initializer_list<ReportArgument> arguments) {
  BoundedWriter writer;
  const ReportArgument* next = arguments.begin();
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char16_t unit = format[i];
    if (unit != u'%' || i + 1 == format.size()) {
      writer.Put(unit);
      continue;
    }
    const char16_t conversion = format[++i];
    if (conversion == u'%') {
      writer.Put(u'%');
    } else if ((conversion == u's' || conversion == u'u') && next != arguments.end()) {
      const ReportArgument& argument = *next++;
      if (const auto* text = std::get_if<std::u16string_view>(&argument)) {
        writer.Put(*text);
      } else {
        writer.PutDecimal(std::get<std::uint32_t>(argument));
      }
    } else {
      // Not a conversion this formatter knows, or no argument left for it: kept as written.
      writer.Put(u'%');
      writer.Put(conversion);
    }
  }
  report.Append(writer.Text());
}

void AppendStateSections(ReportText& report, const DisplayState& state, bool heading) {
  if (heading) {
    const bool id = !state.id.empty();
    AppendReportSection(
        report, u"<Display %u>\nName : %s\nDevice : %s\n%s%s%s\n",
        {state.number, state.name, state.device, id ? u"Id : " : u"", state.id, id ? u"\n" : u""});
  }
  if (state.hdr) {
    AppendReportSection(report, u"<HDR Status>\nHDR support status : %s\nHDR : %s\n\n",
                        {state.hdr->supported ? u"Supported" : u"Not supported",
                         state.hdr->on ? u"Enable" : u"Disable"});
  }
  std::u16string lines;
  for (const auto& [label, mode] : {std::pair{u"Current : ", &state.currentMode},
                                    std::pair{u"Desktop : ", &state.desktopMode}}) {
    if (!*mode) continue;
    lines += std::u16string(label) + Decimal((*mode)->width) + u" x " + Decimal((*mode)->height) +
             u" @ " + Decimal((*mode)->frequency) + u" Hz\n";
  }
  if (!lines.empty()) report.Append(u"<Display mode>\n" + lines + u"\n");
  if (state.whiteLevel) {
    AppendReportSection(
        report, u"<HDR/SDR brightness balance (SDR white level)>\nCurrent : %u   (%u nits)\n\n",
        {*state.whiteLevel, state.whiteLevelNits});
  }
  if (state.brightness) {
    AppendReportSection(
        report, u"<Brightness>\nSupported value : %u to %u\nCurrent : %u\n\n",
        {state.brightness->minimum, state.brightness->maximum, state.brightness->current});
  }
  if (!state.codes.empty()) {
    std::u16string lines = u"<Monitor VCP codes>\n";
    for (const DisplayState::Code& code : state.codes) {
      lines += CodeText(code.code) + u" : " +
               (code.current ? Decimal(*code.current) + u" (maximum " + Decimal(code.maximum) + u")"
                             : u"could not be read") +
               u"\n";
    }
    report.Append(lines + u"\n");
  }
  if (state.settable) {
    AppendReportSection(report, u"<Monitor capabilities>\nBrightness : %s\n\n",
                        {*state.settable ? u"Can setting" : u"Can't setting"});
  } else {
    AppendReportSection(report,
                        u"<Monitor capabilities>\nCapability informations are not supported.\n\n");
  }
}

void ShowReport(WindowingPlatform& platform, const ReportText& report) {
  platform.MessageBoxW(WindowHandle::kNull, report.Text().c_str(), kReportCaption, kMbOk);
}

}  // namespace glowtide
