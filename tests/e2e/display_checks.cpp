// The display and the monitor end to end against the device double: the report, the request
// bytes, the brightness, and HDR on an older system and on a current one with Auto Color
// Management.
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
  SetDeviceScenario(kDisplay +
                    "advancedColor=3\nwhiteLevel=2500\nmonitors=2\nbrightness=10:35:90\n");
  RunResult report = RunGlowtide(L"-SI -BB:2000 -B:70");
  CheckEqual(report.boxes.empty() ? L"" : report.boxes[0].caption + L": " + report.boxes[0].text,
             L"Monitor information: <HDR Status>\nHDR support status : Supported\nHDR : Enable\n\n"
             L"<HDR/SDR brightness balance (SDR white level)>\nCurrent : 2500   (200 nits)\n\n"
             L"<Brightness>\nSupported value : 10 to 90\nCurrent : 35\n\n"
             L"<Monitor capabilities>\nBrightness : Can setting\n\n",
             "-SI on an older system shows every section as read before the changes");
  CheckEqual(Joined(DeviceCalls(report.processId, "DisplayConfigGetDeviceInfo")) + " | " +
                 Joined(DeviceCalls(report.processId, "DisplayConfigSetDeviceInfo")),
             "DisplayConfigGetDeviceInfo 0f00000024000000" + kHeader + std::string(32, '0') +
                 " | DisplayConfigGetDeviceInfo 0900000020000000" + kHeader + std::string(24, '0') +
                 " | DisplayConfigGetDeviceInfo 0b00000018000000" + kHeader + "00000000" +
                 " | DisplayConfigSetDeviceInfo eeffffff1c000000" + kHeader +
                 "d007000001000000 hdr=on",
             "requests go to the first path: one refused probe, the older read, the white level");
  CheckEqual(Joined(DeviceCalls(report.processId, "SetMonitorBrightness")) + " | " +
                 Joined(DeviceCalls(report.processId, "DestroyPhysicalMonitors")),
             "SetMonitorBrightness handle=0x1001 value=70 | "
             "DestroyPhysicalMonitors count=2 handles=0x1001,0x1002",
             "-B:70 is set on the first physical monitor, and both are released");

  // HDR on an older system and on current ones with Auto Color Management: the report before
  // the change, and the set requests by type, word and outcome.
  struct Hdr {
    std::string scenario;
    const wchar_t* arguments;
    const wchar_t* report;  // support status and state
    const char* sets;
  };
  const std::string acm = "generation=current\nacm=1";
  // clang-format off
  const Hdr cases[] = {
      {"advancedColor=1", L"-SI -HDR:S", L"Supported\nHDR : Disable", "10:1 hdr=on"},
      {acm, L"-SI -HDR:E", L"Supported\nHDR : Disable", "16:1 hdr=on"},
      {acm, L"-SI -HDR:S", L"Supported\nHDR : Disable", "16:1 hdr=on"},
      {acm + "\nhdr=1", L"-SI -HDR:D", L"Supported\nHDR : Enable", "16:0 hdr=off"},
      {acm + "\nhdr=1", L"-SI -HDR:S", L"Supported\nHDR : Enable", "16:0 hdr=off"},
      {acm + "\nhdrSupported=0", L"-SI", L"Not supported\nHDR : Disable", ""},  // an SDR display
  };
  // clang-format on
  for (const Hdr& c : cases) {
    SetDeviceScenario(kDisplay + c.scenario + "\n");
    RunResult run = RunGlowtide(c.arguments);
    std::string label = c.scenario + " with " + Narrow(c.arguments);
    for (char& ch : label) ch = ch == '\n' ? ' ' : ch;
    const std::wstring report = L"<HDR Status>\nHDR support status : " + std::wstring(c.report);
    CheckEqual(run.boxes.empty() ? L"" : run.boxes[0].text.substr(0, report.size()), report,
               label + ": the report");
    CheckEqual(SetRequests(run.processId), c.sets, label + ": the requests");
  }
}

}  // namespace e2e
