// UTF-8, the text of files and streams, to and from the program's UTF-16.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace glowtide {

// Appends the text as UTF-8; an unpaired surrogate as U+FFFD.
void AppendUtf8(std::string& out, std::u16string_view text);

// The UTF-8 bytes as UTF-16; a byte that is no part of a well-formed sequence (an overlong form,
// a surrogate, a point past U+10FFFF) reads as U+FFFD.
std::u16string FromUtf8(std::string_view bytes);

}  // namespace glowtide
