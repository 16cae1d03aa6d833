// Text in a fixed-size field, such as a monitor's description in a platform record.
#pragma once

#include <cstddef>
#include <string_view>

namespace glowtide {

// The field's text up to its first NUL; the whole field when it fills it and has none.
inline std::u16string_view FieldText(const char16_t* field, std::size_t units) {
  const std::u16string_view whole(field, units);
  return whole.substr(0, whole.find(u'\0'));
}

}  // namespace glowtide
