// The model of CommandLineToArgvW that the unit tests and fuzzers split with, against the real
// one. (The parameter error's box and exit code are with the launch's and the display's checks.)
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include "harness.h"
#include "support/argv_model.h"

namespace e2e {

TEST(CommandLine, TheModelSplitsAsCommandLineToArgvW) {
  // Lines with backslash runs before quotes, doubled and tripled quotes, tabs, an open quote.
  for (const wchar_t* line :
       {L"\"C:\\Program Files\\g.exe\" a\"b\"c \"\" \\\\\\\"x \"a\"\"b\" \"\"\" \"\"\"\"\"\"",
        L"g.exe a\\\\\"b c\" d\\ \"e\\\\\"", L" g\t \"open ended", L"\"g\"x  \t y\t",
        L"g \\\\\\\"\"\"\"a\\\"\" \"\"\"\"\" b"}) {
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(line, &count);
    std::wstring real, model;
    for (int i = 0; i < count; ++i) real += std::wstring(argv[i]) + L"|";
    LocalFree(argv);
    for (const std::u16string& item :
         glowtide::testing::SplitCommandLine(reinterpret_cast<const char16_t*>(line)))
      model += std::wstring(item.begin(), item.end()) + L"|";
    EXPECT_EQ(model, real) << "the splitting model agrees with CommandLineToArgvW on " << line;
  }
}

}  // namespace e2e
