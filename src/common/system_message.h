// The system's text for an error code, as a box shows it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/decimal.h"
#include "platform/process.h"

namespace glowtide {

// The message without the line break the system ends it with; "Error <code>" when there is none.
inline std::u16string SystemMessage(ProcessPlatform& platform, std::uint32_t error) {
  std::array<char16_t, 512> message{};
  std::u16string_view text(
      message.data(),
      platform.FormatMessageW(kFormatMessageFromSystem | kFormatMessageIgnoreInserts, error,
                              message.data(), message.size()));
  while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' '))
    text.remove_suffix(1);
  return text.empty() ? u"Error " + Decimal(error) : std::u16string(text);
}

}  // namespace glowtide
