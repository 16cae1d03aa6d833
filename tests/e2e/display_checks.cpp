// The display configuration end to end, against the device double's simulated display.
#include "checks.h"
#include "harness.h"

namespace e2e {
namespace {

// Header bytes for adapter LUID 4660:-2 (0x1234, 0xFFFFFFFE) and target id 7.
const std::string kHeaderTail =
    "34120000"
    "feffffff"
    "07000000";
const std::string kDisplay = "paths=4660:-2:7\n";

std::string Only(const std::vector<std::string>& lines) {
  return lines.size() == 1 ? lines[0] : "(" + std::to_string(lines.size()) + " calls)";
}

void CheckEqualText(const std::string& actual, const std::string& expected,
                    const std::string& what) {
  Check(
      actual == expected,
      what + (actual == expected ? "" : ": expected \"" + expected + "\", got \"" + actual + "\""));
}

}  // namespace

void CheckDisplay() {
  SetDeviceScenario(kDisplay + "advancedColor=3\nwhiteLevel=2500\n");
  RunResult report = RunGlowtide(L"-SI");
  CheckEqual(report.exitCode, 0, "-SI exits with 0");
  const std::wstring sections =
      L"<HDR Status>\nHDR support status : Supported\nHDR : Enable\n\n"
      L"<HDR/SDR brightness balance (SDR white level)>\nCurrent : 2500   (200 nits)\n\n";
  CheckEqual(report.boxes.empty() ? L"" : report.boxes[0].text.substr(0, sections.size()), sections,
             "-SI shows the HDR and white-level sections first");
  const std::vector<std::string> reads =
      DeviceCalls(report.processId, "DisplayConfigGetDeviceInfo");
  CheckEqualText(reads.size() == 2 ? reads[0] + " / " + reads[1]
                                   : "(" + std::to_string(reads.size()) + " reads)",
                 "DisplayConfigGetDeviceInfo 0900000020000000" + kHeaderTail +
                     "000000000000000000000000 / DisplayConfigGetDeviceInfo 0b00000018000000" +
                     kHeaderTail + "00000000",
                 "-SI reads advanced colour (32 bytes), then the white level (24 bytes)");
  CheckEqual(DeviceCalls(report.processId, "DisplayConfigSetDeviceInfo").size(), 0,
             "-SI sends no set request");
  const std::vector<std::string> query = DeviceCalls(report.processId, "QueryDisplayConfig");
  CheckEqualText(Only(query).substr(0, 26), "QueryDisplayConfig flags=4",
                 "the display is queried once, from the current database");

  struct Switch {
    const char* valueWord;
    const char* sent;
  };
  for (const Switch& s : {Switch{"1", "01000000"}, Switch{"3", "00000000"}}) {
    SetDeviceScenario(kDisplay + "advancedColor=" + s.valueWord + "\n");
    RunResult run = RunGlowtide(L"-HDR:S");
    CheckEqualText(Only(DeviceCalls(run.processId, "DisplayConfigSetDeviceInfo")),
                   "DisplayConfigSetDeviceInfo 0a00000018000000" + kHeaderTail + s.sent,
                   std::string("-HDR:S on value word ") + s.valueWord + " sends " + s.sent);
  }

  SetDeviceScenario(kDisplay);
  RunResult level = RunGlowtide(L"-BB:2000");
  CheckEqualText(Only(DeviceCalls(level.processId, "DisplayConfigSetDeviceInfo")),
                 "DisplayConfigSetDeviceInfo eeffffff1c000000" + kHeaderTail + "d007000001000000",
                 "-BB:2000 sends exactly the 28-byte white-level request");
  CheckEqual(DeviceCalls(level.processId, "DisplayConfigGetDeviceInfo").size(), 0,
             "-BB: alone reads nothing");

  SetDeviceScenario(kDisplay + "fail=QueryDisplayConfig\n");
  RunResult failed = RunGlowtide(L"-SI -B:70");
  CheckEqual(failed.exitCode, 0xFFFFFF01u, "a failing display query exits with -255");
  CheckEqual(failed.boxes.size(), 0, "a failing display query shows no box, even with -SI");
  CheckEqual(DeviceCalls(failed.processId, "SetMonitorBrightness").size(), 0,
             "a failing display query stops the brightness phase");

  SetDeviceScenario("noPaths=1\n");
  RunResult empty = RunGlowtide(L"-SI");
  CheckEqual(empty.exitCode, 0xFFFFFF01u, "a query with no path exits with -255");
  CheckEqual(empty.boxes.size(), 0, "a query with no path shows no box");

  SetDeviceScenario("paths=4660:-2:7,22136:0:9\nadvancedColor=1\n");
  RunResult two = RunGlowtide(L"-HDR:E -BB:1500");
  const std::vector<std::string> sets = DeviceCalls(two.processId, "DisplayConfigSetDeviceInfo");
  bool allFirst = sets.size() == 2;
  for (const std::string& set : sets) allFirst = allFirst && set.find(kHeaderTail) == 43;
  Check(allFirst, "with two paths both requests go to the first path's target");
}

}  // namespace e2e
