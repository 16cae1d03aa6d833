// The end-to-end suite's entry: runs every check against the Glowtide.exe beside it, with the
// power cycle and the planted DLLs' check around them. With --timed it runs the checks that wait on
// time instead, under a Wine prefix (and so a shared lock) of its own. With --run it runs
// Glowtide.exe once with the rest of the command line, prints each box and presses OK, for trying
// the program without a screen.
#include <cstdio>
#include <cstring>

#include "harness.h"

namespace {

std::string Utf8(const std::wstring& text) {
  std::string out(text.size() * 3, '\0');
  out.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                 static_cast<int>(out.size()), nullptr, nullptr));
  return out;
}

int RunOnce(const std::wstring& arguments) {
  const e2e::RunResult result = e2e::RunGlowtide(arguments, 120000);
  for (const e2e::Box& box : result.boxes)
    printf("[%s]\n%s\n", Utf8(box.caption).c_str(), Utf8(box.text).c_str());
  printf("exit code: %ld\n", static_cast<long>(result.exitCode));
  return 0;
}

class AroundTheChecks : public ::testing::Environment {
  void SetUp() override {
    e2e::CheckPlantedDll(true);
    checkPowerCycle_ = e2e::StartPowerCycleCheck();
  }
  void TearDown() override {
    checkPowerCycle_();
    e2e::CheckPlantedDll(false);
  }
  std::function<void()> checkPowerCycle_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && strcmp(argv[1], "--run") == 0) {
    const std::wstring commandLine = GetCommandLineW();
    std::wstring rest = commandLine.substr(commandLine.find(L"--run") + 5);
    if (!rest.empty() && rest[0] == L' ') rest.erase(0, 1);
    return RunOnce(rest);
  }
  const bool timed = argc > 1 && strcmp(argv[1], "--timed") == 0;
  ::testing::InitGoogleTest(&argc, argv);
  GTEST_FLAG_SET(filter, timed ? "Timed.*" : "-Timed.*");
  if (!timed) ::testing::AddGlobalTestEnvironment(new AroundTheChecks);
  return RUN_ALL_TESTS();
}
