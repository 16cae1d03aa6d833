// Comparison of texts without regard to case for the ASCII letters only.
#pragma once

#include <cstddef>
#include <string_view>

namespace glowtide {

inline char16_t FoldAsciiCase(char16_t unit) {
  return (unit >= u'a' && unit <= u'z') ? static_cast<char16_t>(unit - u'a' + u'A') : unit;
}

// Only A-Z and a-z are folded; every other unit must be equal.
inline bool EqualIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAsciiCase(a[i]) != FoldAsciiCase(b[i])) return false;
  }
  return true;
}

// Whether needle stands anywhere in text, by the same rule.
inline bool ContainsIgnoringAsciiCase(std::u16string_view text, std::u16string_view needle) {
  for (std::size_t at = 0; at + needle.size() <= text.size(); ++at) {
    if (EqualIgnoringAsciiCase(text.substr(at, needle.size()), needle)) return true;
  }
  return false;
}

}  // namespace glowtide
