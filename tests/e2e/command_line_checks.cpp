// The command line end to end: the usage box and the parameter error with their exit codes.
#include "checks.h"
#include "harness.h"

namespace e2e {

void CheckCommandLine() {
  RunResult usage = RunGlowtide(L"");
  CheckEqual(usage.exitCode, 0, "an empty command line exits with 0");
  const std::wstring start = L"<Options>\n[-B:number] : Set monitor brightness to number.\n";
  CheckEqual(usage.boxes.empty()
                 ? L""
                 : usage.boxes[0].caption + L": " + usage.boxes[0].text.substr(0, start.size()),
             L"Monitor information: " + start, "an empty command line shows the usage text first");

  RunResult rejected = RunGlowtide(L"-SI -bh:x");
  CheckEqual(rejected.exitCode, 0xFFFFFF01u, "a rejected number exits with -255");
  CheckEqual(
      rejected.boxes.size() == 1 ? rejected.boxes[0].caption + L": " + rejected.boxes[0].text : L"",
      L"Error: -BH: Parameter error", "a rejected number shows only its error box");
}

}  // namespace e2e
