// The command line end to end: the parameter error's box and exit code, and the model of
// CommandLineToArgvW that the unit tests and fuzzers split with, against the real one.
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include "harness.h"
#include "support/argv_model.h"

namespace e2e {

void CheckCommandLine() {
  RunResult rejected = RunGlowtide(L"-SI -bh:x");
  CheckEqual(rejected.exitCode, 0xFFFFFF01u, "a rejected number exits with -255");
  CheckEqual(
      rejected.boxes.size() == 1 ? rejected.boxes[0].caption + L": " + rejected.boxes[0].text : L"",
      L"Error: -BH: Parameter error", "a rejected number shows only its error box");

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
    const std::u16string text(reinterpret_cast<const char16_t*>(line));
    for (const std::u16string& item : glowtide::testing::SplitCommandLine(text))
      model += std::wstring(item.begin(), item.end()) + L"|";
    CheckEqual(model, real,
               "the splitting model agrees with CommandLineToArgvW on " + Narrow(line));
  }
}

}  // namespace e2e
