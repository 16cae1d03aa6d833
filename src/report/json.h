// The report for scripts: every chosen display's state as one JSON document.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "report/display_state.h"

namespace glowtide {

// The version of the document's shape: a later version only adds fields, and says so here.
inline constexpr std::uint32_t kJsonSchema = 1;

// Writes JSON values one after another, with the commas and escapes JSON requires, as UTF-8.
class JsonWriter {
 public:
  void BeginObject() { Open('{'); }
  void EndObject() { Close('}'); }
  void BeginArray() { Open('['); }
  void EndArray() { Close(']'); }
  // A member's name, which the program writes in ASCII.
  void Key(std::string_view name);
  // A UTF-16 text: quotes, backslashes and control characters escaped, every other character
  // written as UTF-8 (an unpaired surrogate as U+FFFD).
  void String(std::u16string_view text);
  void Number(std::uint64_t value);
  void Bool(bool value);
  void Null();
  const std::string& Text() const { return out_; }

 private:
  void Value();  // the comma before a value that follows another
  void Open(char bracket);
  void Close(char bracket);
  std::string out_;
  bool follows_ = false;
};

// The document: {"glowtide": version, "schema": 1, "displays": [...]}, ending in a line feed.
std::string JsonReport(std::string_view version, const std::vector<DisplayState>& displays);

}  // namespace glowtide
