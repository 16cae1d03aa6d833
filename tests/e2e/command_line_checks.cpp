// The command line end to end: the usage box, the parameter error and its exit code.
#include "checks.h"
#include "harness.h"

namespace e2e {

void CheckCommandLine() {
  const std::wstring usage =
      L"<Options>\n[-B:number] : Set monitor brightness to number.\n"
      L"[-BB:number] : Set Windows HDR/SDR brightness balance to number.\n"
      L"[-HDR:E/D/S] : Set HDR Status. [E:Enable] [D:Disable] [S:Switch]\n\n\n";

  RunResult empty = RunGlowtide(L"");
  CheckEqual(empty.exitCode, 0, "empty command line exits with 0");
  Check(empty.boxes.size() == 1, "empty command line shows one box");
  if (!empty.boxes.empty()) {
    CheckEqual(empty.boxes[0].caption, L"Monitor information", "usage box caption");
    CheckEqual(empty.boxes[0].text.substr(0, usage.size()), usage,
               "usage box starts with the usage text");
  }

  RunResult rejected = RunGlowtide(L"-bh:x -SI");
  CheckEqual(rejected.exitCode, 0xFFFFFF01u, "rejected number exits with -255");
  Check(rejected.boxes.size() == 1, "rejected number shows exactly one box");
  if (!rejected.boxes.empty()) {
    CheckEqual(rejected.boxes[0].caption, L"Error", "parameter error caption");
    CheckEqual(rejected.boxes[0].text, L"-BH: Parameter error", "parameter error text");
  }

  RunResult twoWords = RunGlowtide(L"readme other");
  CheckEqual(twoWords.exitCode, 0, "two non-options exit with 0");
  CheckEqual(twoWords.boxes.size(), 0, "two non-options show no box");
}

}  // namespace e2e
