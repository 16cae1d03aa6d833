// The end-to-end suite's entry: runs every group of checks against the Glowtide.exe beside it.
// With --run it instead runs Glowtide.exe once with the rest of the command line, prints each
// box and presses OK, for trying the program without a screen. With --timed it runs the checks
// that wait on time, under a Wine prefix (and so a shared lock) of its own.
#include <cstdio>
#include <cstring>

#include "harness.h"

namespace {

int RunOnce(const std::wstring& arguments) {
  e2e::RunResult result = e2e::RunGlowtide(arguments, 120000);
  for (const e2e::Box& box : result.boxes) {
    printf("[%s]\n", e2e::Narrow(box.caption).c_str());
    // The box's own line breaks, shown as line breaks.
    size_t start = 0;
    for (size_t end; (end = box.text.find(L'\n', start)) != std::wstring::npos; start = end + 1) {
      printf("%s\n", e2e::Narrow(box.text.substr(start, end - start)).c_str());
    }
    printf("%s\n", e2e::Narrow(box.text.substr(start)).c_str());
  }
  printf("exit code: %ld\n", static_cast<long>(result.exitCode));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && strcmp(argv[1], "--run") == 0) {
    std::wstring commandLine = GetCommandLineW();
    const size_t at = commandLine.find(L"--run");
    std::wstring rest = commandLine.substr(at + 5);
    if (!rest.empty() && rest[0] == L' ') rest.erase(0, 1);
    return RunOnce(rest);
  }
  if (argc > 1 && strcmp(argv[1], "--timed") == 0) {
    e2e::CheckTimedWaits();
    return e2e::Summary();
  }
  e2e::CheckPlantedDll(true);
  const std::function<void()> checkPowerCycle = e2e::StartPowerCycleCheck();
  e2e::CheckResources();
  e2e::CheckCommandLine();
  e2e::CheckDisplay();
  e2e::CheckLaunch();
  checkPowerCycle();
  e2e::CheckPlantedDll(false);
  return e2e::Summary();
}
