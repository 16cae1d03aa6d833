// The display configuration end to end against the device double: the report, the request bytes,
// and HDR on an older system and on a current one with Auto Color Management.
#include "checks.h"
#include "harness.h"

namespace e2e {
namespace {

// The header of every request to adapter LUID 4660:-2 and target id 7.
const std::string kHeader = "34120000feffffff07000000";
const std::string kDisplay = "paths=4660:-2:7,22136:0:9\n";

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : " | ") + line;
  return text;
}

}  // namespace

void CheckDisplay() {
  SetDeviceScenario(kDisplay + "advancedColor=3\nwhiteLevel=2500\n");
  RunResult report = RunGlowtide(L"-SI -BB:2000");
  const std::wstring sections =
      L"<HDR Status>\nHDR support status : Supported\nHDR : Enable\n\n"
      L"<HDR/SDR brightness balance (SDR white level)>\nCurrent : 2500   (200 nits)\n\n";
  CheckEqual(report.boxes.empty() ? L"" : report.boxes[0].text.substr(0, sections.size()), sections,
             "-SI on an older system shows the HDR and white-level sections");
  CheckEqual(Joined(DeviceCalls(report.processId, "DisplayConfigGetDeviceInfo")) + " | " +
                 Joined(DeviceCalls(report.processId, "DisplayConfigSetDeviceInfo")),
             "DisplayConfigGetDeviceInfo 0f00000024000000" + kHeader + std::string(32, '0') +
                 " | DisplayConfigGetDeviceInfo 0900000020000000" + kHeader + std::string(24, '0') +
                 " | DisplayConfigGetDeviceInfo 0b00000018000000" + kHeader + "00000000" +
                 " | DisplayConfigSetDeviceInfo eeffffff1c000000" + kHeader +
                 "d007000001000000 hdr=on",
             "requests go to the first path: one refused probe, the older read, the white level");

  struct Hdr {
    const char* scenario;
    const wchar_t* arguments;
    const char* expected;  // the set requests, by type, word and outcome
  };
  const Hdr cases[] = {
      {"advancedColor=1", L"-HDR:S", "10:1 hdr=on"},
      {"generation=current\nacm=1", L"-HDR:E", "16:1 hdr=on"},
      {"generation=current\nacm=1", L"-HDR:S", "16:1 hdr=on"},
      {"generation=current\nacm=1\nhdr=1", L"-HDR:D", "16:0 hdr=off"},
      {"generation=current\nacm=1\nhdr=1", L"-HDR:S", "16:0 hdr=off"},
  };
  for (const Hdr& c : cases) {
    SetDeviceScenario(kDisplay + c.scenario + "\n");
    RunResult run = RunGlowtide(c.arguments);
    std::string sets;
    for (const std::string& line : DeviceCalls(run.processId, "DisplayConfigSetDeviceInfo")) {
      sets += (sets.empty() ? "" : ", ") +
              std::to_string(std::stoul(line.substr(27, 2), nullptr, 16)) + ":" +
              line.substr(68, 1) + line.substr(75);
    }
    std::string label = std::string(c.scenario) + " with " + Narrow(c.arguments);
    for (char& ch : label) ch = ch == '\n' ? ' ' : ch;
    CheckEqual(sets, c.expected, label);
  }

  for (auto [scenario, section] :
       {std::pair{"acm=1", L"HDR support status : Supported\nHDR : Disable\n"},
        std::pair{"acm=1\nhdrSupported=0",
                  L"HDR support status : Not supported\nHDR : Disable\n"}}) {
    SetDeviceScenario(kDisplay + "generation=current\n" + scenario + "\n");
    RunResult run = RunGlowtide(L"-SI");
    CheckEqual(
        run.boxes.empty() ? L"" : run.boxes[0].text.substr(13, wcslen(section)), section,
        std::string("-SI on a current system with ACM") + (scenario[5] ? ", an SDR display" : ""));
  }

  SetDeviceScenario(kDisplay + "fail=QueryDisplayConfig\n");
  RunResult failed = RunGlowtide(L"-SI -B:70");
  CheckEqual(failed.exitCode, 0xFFFFFF01u, "a failing display query exits with -255");
  CheckEqual(failed.boxes.size() + DeviceCalls(failed.processId, "SetMonitorBrightness").size(), 0,
             "a failing display query shows no box and sets no brightness");
}

}  // namespace e2e
