// The fuzzers' input as UTF-16: each pair of bytes is one unit, low byte first, so that every
// unit (surrogates and non-ASCII letters included) can be reached.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace glowtide::fuzzing {

inline std::u16string Units(const std::uint8_t* data, std::size_t size) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < size; i += 2)
    text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  return text;
}

// A broken invariant: say which, and abort so that libFuzzer keeps the input.
inline void Require(bool holds, const char* invariant) {
  if (holds) return;
  std::fprintf(stderr, "invariant broken: %s\n", invariant);
  std::abort();
}

}  // namespace glowtide::fuzzing
