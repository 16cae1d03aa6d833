// UTF-8 to and from the program's UTF-16.
#include "common/utf8.h"

namespace glowtide {

void AppendUtf8(std::string& out, std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDFFF) {
      const bool paired =
          c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
      c = paired ? 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00) : 0xFFFD;
    }
    // The lead byte by how many follow it.
    static constexpr std::uint32_t kLead[] = {0x00, 0xC0, 0xE0, 0xF0};
    const int more = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    out += static_cast<char>(kLead[more] | (c >> (6 * more)));
    for (int k = more - 1; k >= 0; --k) out += static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F));
  }
}

std::u16string FromUtf8(std::string_view bytes) {
  std::u16string text;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<std::uint8_t>(bytes[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    char32_t point = length == 1 ? lead : lead & (0x3F >> (length - 1));
    bool formed = (lead < 0x80 || lead >= 0xC2) && lead <= 0xF4 && i + length <= bytes.size();
    for (std::size_t k = 1; formed && k < length; ++k) {
      const auto next = static_cast<std::uint8_t>(bytes[i + k]);
      formed = (next & 0xC0) == 0x80;
      point = point << 6 | (next & 0x3F);
    }
    formed = formed &&
             point >= (length == 3   ? 0x800u
                       : length == 4 ? 0x10000u
                                     : 0u) &&
             point <= 0x10FFFF && (point < 0xD800 || point > 0xDFFF);
    if (!formed) {
      text += u'\uFFFD';
      ++i;
      continue;
    }
    if (point >= 0x10000) {
      text += static_cast<char16_t>(0xD7C0 + (point >> 10));
      text += static_cast<char16_t>(0xDC00 | (point & 0x3FF));
    } else {
      text += static_cast<char16_t>(point);
    }
    i += length;
  }
  return text;
}

}  // namespace glowtide
