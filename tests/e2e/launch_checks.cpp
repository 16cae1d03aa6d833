// The child launch end to end: the command line and directory that arrive at the child.
#include <cstdio>

#include "checks.h"
#include "harness.h"

namespace e2e {
namespace {

std::wstring ReadRecord(const std::wstring& path) {
  std::wstring text;
  for (int attempt = 0; attempt < 100 && text.empty(); ++attempt) {
    if (FILE* file = _wfopen(path.c_str(), L"rb")) {
      wchar_t chunk[1024];
      for (size_t n; (n = fread(chunk, sizeof(wchar_t), 1024, file)) > 0;) text.append(chunk, n);
      fclose(file);
    }
    if (text.empty()) Sleep(50);
  }
  return text;
}

}  // namespace

void CheckLaunch() {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring record = std::wstring(temp) + L"glowtide_child_record.txt";
  DeleteFileW(record.c_str());
  SetEnvironmentVariableW(L"GLOWTIDE_CHILD_RECORD", record.c_str());
  SetDeviceScenario("");

  const std::wstring directory = SuiteDirectory() + L"\\child";
  const std::wstring child = directory + L"\\glowtide_child.exe";
  RunResult run = RunGlowtide(L"\"-P:" + child + L"\" \"-PARG:0:a b\" \"-PARG:1:c \\\"d\\\" e\"");
  CheckEqual(run.exitCode, 0, "-P: without a quit option exits with 0");
  const std::wstring seen = ReadRecord(record);
  const size_t split = seen.find(L'\n');
  CheckEqual(seen.substr(0, split), L"\"" + child + L"\" \"a b\" c \"d\" e",
             "the child's command line arrives exactly");
  CheckEqual(split == std::wstring::npos ? L"" : seen.substr(split + 1), directory,
             "the child runs in the folder of its path");

  SetDeviceScenario("paths=4660:-2:7\n");
  DeleteFileW(record.c_str());
  RunResult counted = RunGlowtide(L"\"-P:" + child + L"\" -HDRQ:D -BQ:40 -BBQ:1500");
  CheckEqual(counted.exitCode, 0, "a counted launch exits with 0");
  Check(!ReadRecord(record).empty(), "the counted launch's child ran");
  std::vector<std::string> quit;
  for (const std::string& line : DeviceLog(counted.processId)) {
    if (line.rfind("DisplayConfigSetDeviceInfo", 0) == 0 ||
        line.rfind("SetMonitorBrightness", 0) == 0)
      quit.push_back(line);
  }
  const std::vector<std::string> expected = {
      "DisplayConfigSetDeviceInfo 0a0000001800000034120000feffffff0700000000000000",
      "SetMonitorBrightness handle=0x1001 value=40",
      "DisplayConfigSetDeviceInfo eeffffff1c00000034120000feffffff07000000dc05000001000000"};
  Check(quit == expected,
        "the last counted launch out turns HDR off, sets brightness 40, then "
        "the white level 1500 (" +
            std::to_string(quit.size()) + " requests)");
  // Two overlapping counted launches: A's child ends first, and only B restores.
  HANDLE gateA = CreateEventW(nullptr, TRUE, FALSE, L"GlowtideSuiteGateA");
  HANDLE gateB = CreateEventW(nullptr, TRUE, FALSE, L"GlowtideSuiteGateB");
  SetDeviceScenario("");
  SetEnvironmentVariableW(L"GLOWTIDE_CHILD_EVENT", L"GlowtideSuiteGateA");
  Instance a(L"\"-P:" + child + L"\" -BQ:10");
  PumpFor(1500);
  SetEnvironmentVariableW(L"GLOWTIDE_CHILD_EVENT", L"GlowtideSuiteGateB");
  Instance b(L"\"-P:" + child + L"\" -BQ:20");
  PumpFor(1500);
  Check(!a.HasEnded() && !b.HasEnded(), "both counted launches wait for their children");

  // A waiting instance sleeps in its wait: measure what it uses over three seconds.
  const ULONGLONG before = b.ProcessorTime();
  PumpFor(3000);
  const ULONGLONG used = b.ProcessorTime() - before;
  printf("info a waiting instance used %llu.%04llu ms of processor time in 3000 ms\n", used / 10000,
         used % 10000);
  Check(used <= 160000, "a waiting instance uses no processor time beyond the clock's resolution");

  struct Search {
    DWORD processId;
    HWND found;
  } search{b.processId(), nullptr};
  EnumWindows(
      [](HWND window, LPARAM parameter) -> BOOL {
        auto* s = reinterpret_cast<Search*>(parameter);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (owner == s->processId && wcscmp(name, L"GLOWTIDE") == 0) s->found = window;
        return s->found == nullptr;
      },
      reinterpret_cast<LPARAM>(&search));
  Check(search.found != nullptr, "a waiting instance owns a window of class GLOWTIDE");
  if (search.found) {
    wchar_t title[64] = {};
    GetWindowTextW(search.found, title, 64);
    CheckEqual(title, L"Glowtide", "the hidden window's title comes from string 103");
    Check(!IsWindowVisible(search.found), "the hidden window is not visible");
    DWORD_PTR answer = 1;
    SendMessageTimeoutW(search.found, WM_COMMAND, 104, 0, SMTO_BLOCK, 5000, &answer);
    CheckEqual(answer, 0, "command 104 is answered with 0");
    Check(IsWindow(search.found) && !b.HasEnded(300), "command 104 changes nothing");
    PostMessageW(search.found, WM_COMMAND, 105, 0);
    PumpFor(500);
    Check(!IsWindow(search.found), "command 105 destroys the hidden window");
    Check(!b.HasEnded(300), "after command 105 the instance still waits for its child");
  }

  SetEvent(gateA);
  RunResult endA;
  a.Finish(15000, &endA);
  CheckEqual(endA.exitCode, 0, "launch A exits with 0 when its child ends");
  CheckEqual(DeviceCalls(a.processId(), "SetMonitorBrightness").size(), 0,
             "launch A, ending first, restores nothing");
  Check(!b.HasEnded(300), "launch B still waits");
  const ULONGLONG released = GetTickCount64();
  SetEvent(gateB);
  RunResult endB;
  b.Finish(15000, &endB);
  printf("info from B's child's release to B's end, after its last quit request: %llu ms\n",
         GetTickCount64() - released);
  CheckEqual(endB.exitCode, 0, "launch B exits with 0 when its child ends");
  const std::vector<std::string> restoredB = DeviceCalls(b.processId(), "SetMonitorBrightness");
  Check(restoredB.size() == 1 && restoredB[0] == "SetMonitorBrightness handle=0x1001 value=20",
        "launch B, last out, applies its own quit brightness 20");

  // Without a quit option the run ends at once while its child runs on.
  ResetEvent(gateA);
  SetEnvironmentVariableW(L"GLOWTIDE_CHILD_EVENT", L"GlowtideSuiteGateA");
  DeleteFileW(record.c_str());
  RunResult uncounted = RunGlowtide(L"\"-P:" + child + L"\"", 10000);
  Check(uncounted.finished && uncounted.exitCode == 0,
        "-P: without a quit option ends with 0 while its child still runs");
  Check(!ReadRecord(record).empty(), "that child was started");
  SetEvent(gateA);
  SetEnvironmentVariableW(L"GLOWTIDE_CHILD_EVENT", nullptr);
  CloseHandle(gateA);
  CloseHandle(gateB);
}

}  // namespace e2e
