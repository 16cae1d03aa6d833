// The child launch end to end: the command line and directory that arrive at the child.
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
}

}  // namespace e2e
