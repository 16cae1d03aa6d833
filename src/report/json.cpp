// The JSON writer and the document of the displays' states.
#include "report/json.h"

#include <initializer_list>
#include <utility>

#include "common/decimal.h"
#include "common/utf8.h"

namespace glowtide {

void JsonWriter::Value() {
  if (follows_) out_ += ',';
  follows_ = true;
}

void JsonWriter::Open(char bracket) {
  Value();
  out_ += bracket;
  follows_ = false;
}

void JsonWriter::Close(char bracket) {
  out_ += bracket;
  follows_ = true;
}

void JsonWriter::Key(std::string_view name) {
  Value();
  out_ += '"';
  out_ += name;
  out_ += "\":";
  follows_ = false;
}

void JsonWriter::String(std::u16string_view text) {
  Value();
  out_ += '"';
  // Runs of characters that need no escape go out as UTF-8; the escapes are ASCII, so a run never
  // splits a surrogate pair.
  std::size_t run = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c != u'"' && c != u'\\' && c >= 0x20) continue;
    AppendUtf8(out_, text.substr(run, i - run));
    run = i + 1;
    if (c == u'"' || c == u'\\') {
      out_ += '\\';
      out_ += static_cast<char>(c);
    } else {
      static constexpr char kHex[] = "0123456789abcdef";
      out_ += "\\u00";
      out_ += kHex[c >> 4];
      out_ += kHex[c & 0xF];
    }
  }
  AppendUtf8(out_, text.substr(run));
  out_ += '"';
}

void JsonWriter::Number(std::uint64_t value) {
  Value();
  out_ += Decimal<std::string>(value);
}

void JsonWriter::Bool(bool value) {
  Value();
  out_ += value ? "true" : "false";
}

void JsonWriter::Null() {
  Value();
  out_ += "null";
}

namespace {

// Members whose values are numbers, in order.
void Numbers(JsonWriter& json,
             std::initializer_list<std::pair<std::string_view, std::uint64_t>> members) {
  for (const auto& [name, value] : members) {
    json.Key(name);
    json.Number(value);
  }
}

// An object of the numbers, or null when they were not read.
void NumbersOrNull(JsonWriter& json, bool read,
                   std::initializer_list<std::pair<std::string_view, std::uint64_t>> members) {
  if (!read) return json.Null();
  json.BeginObject();
  Numbers(json, members);
  json.EndObject();
}

// {"width": w, "height": h, "hz": r}, or null.
void WriteMode(JsonWriter& json, const std::optional<DisplayMode>& mode) {
  const DisplayMode shown = mode.value_or(DisplayMode{});
  NumbersOrNull(json, mode.has_value(),
                {{"width", shown.width}, {"height", shown.height}, {"hz", shown.frequency}});
}

void WriteDisplay(JsonWriter& json, const DisplayState& state) {
  json.BeginObject();
  json.Key("number");
  json.Number(state.number);
  json.Key("name");
  json.String(state.name);
  json.Key("device");
  json.String(state.device);
  json.Key("id");
  state.id.empty() ? json.Null() : json.String(state.id);
  json.Key("primary");
  json.Bool(state.primary);
  json.Key("builtIn");
  json.Bool(state.builtIn);
  json.Key("hdr");
  if (state.hdr) {
    json.BeginObject();
    json.Key("supported");
    json.Bool(state.hdr->supported);
    json.Key("on");
    json.Bool(state.hdr->on);
    json.EndObject();
  } else {
    json.Null();
  }
  json.Key("whiteLevel");
  NumbersOrNull(json, state.whiteLevel.has_value(),
                {{"level", state.whiteLevel.value_or(0)}, {"nits", state.whiteLevelNits}});
  json.Key("mode");
  json.BeginObject();
  json.Key("current");
  WriteMode(json, state.currentMode);
  json.Key("desktop");
  WriteMode(json, state.desktopMode);
  json.Key("modes");
  json.BeginArray();
  // One entry per size, with its rates in the list's order.
  for (std::size_t i = 0; i < state.modes.size(); ++i) {
    const DisplayMode& mode = state.modes[i];
    const bool first = i == 0 || state.modes[i - 1].width != mode.width ||
                       state.modes[i - 1].height != mode.height;
    if (first) {
      if (i != 0) {
        json.EndArray();
        json.EndObject();
      }
      json.BeginObject();
      Numbers(json, {{"width", mode.width}, {"height", mode.height}});
      json.Key("hz");
      json.BeginArray();
    }
    json.Number(mode.frequency);
  }
  if (!state.modes.empty()) {
    json.EndArray();
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
  json.Key("brightness");
  if (state.brightness) {
    json.BeginObject();
    Numbers(json, {{"current", state.brightness->current},
                   {"minimum", state.brightness->minimum},
                   {"maximum", state.brightness->maximum}});
    json.Key("via");
    json.String(state.panel ? u"power scheme" : u"ddc");
    json.EndObject();
  } else {
    json.Null();
  }
  json.Key("capabilities");
  if (state.settable) {
    json.BeginObject();
    json.Key("brightness");
    json.Bool(*state.settable);
    json.EndObject();
  } else {
    json.Null();
  }
  // The monitor codes, when the command line names any.
  if (!state.codes.empty()) {
    json.Key("vcp");
    json.BeginObject();
    for (const DisplayState::Code& code : state.codes) {
      const std::u16string name = CodeText(code.code);
      json.Key(std::string(name.begin(), name.end()));
      NumbersOrNull(json, code.current.has_value(),
                    {{"current", code.current.value_or(0)}, {"maximum", code.maximum}});
    }
    json.EndObject();
  }
  json.EndObject();
}

}  // namespace

std::string JsonReport(std::string_view version, const std::vector<DisplayState>& displays) {
  JsonWriter json;
  json.BeginObject();
  json.Key("glowtide");
  json.String(std::u16string(version.begin(), version.end()));
  json.Key("schema");
  json.Number(kJsonSchema);
  json.Key("displays");
  json.BeginArray();
  for (const DisplayState& state : displays) WriteDisplay(json, state);
  json.EndArray();
  json.EndObject();
  return json.Text() + "\n";
}

}  // namespace glowtide
