// A native model of how CommandLineToArgvW splits a command line, for the fake platform and the
// fuzzers: the first element by the program-name rule, the others by the backslash-and-quote
// rules that Windows programs use.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace glowtide::testing {

std::vector<std::u16string> SplitCommandLine(std::u16string_view line,
                                             std::u16string_view programPath = u"C:\\Glowtide.exe");

}  // namespace glowtide::testing
