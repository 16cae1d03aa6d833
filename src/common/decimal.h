// Numbers as decimal text, and decimal text as numbers: the one writer and the one parser.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace glowtide {

// The number's ASCII digits, as the program's UTF-16 text or (Decimal<std::string>) as bytes.
template <typename Text = std::u16string>
Text Decimal(std::uint64_t value) {
  Text digits;
  do {
    digits.insert(digits.begin(), static_cast<typename Text::value_type>('0' + value % 10));
    value /= 10;
  } while (value != 0);
  return digits;
}

// The number that the whole text is, in ASCII digits, when it is at most most; none for an empty
// text, any other character (a sign, a blank) or a number past most.
template <typename Unit>
std::optional<std::uint64_t> ParseDecimal(std::basic_string_view<Unit> text,
                                          std::uint64_t most = ~std::uint64_t{0}) {
  if (text.empty()) return std::nullopt;
  std::uint64_t number = 0;
  for (const Unit unit : text) {
    if (unit < Unit('0') || unit > Unit('9')) return std::nullopt;
    const auto digit = static_cast<std::uint64_t>(unit - Unit('0'));
    if (digit > most || number > (most - digit) / 10) return std::nullopt;
    number = number * 10 + digit;
  }
  return number;
}
inline std::optional<std::uint64_t> ParseDecimal(const std::u16string& text,
                                                 std::uint64_t most = ~std::uint64_t{0}) {
  return ParseDecimal(std::u16string_view(text), most);
}

}  // namespace glowtide
