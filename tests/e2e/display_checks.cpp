// The display and the monitor end to end against the device double: the report, the request
// bytes, the brightness, and HDR on an older system and on a current one with Auto Color
// Management.
#include "harness.h"

namespace e2e {
namespace {

// The header of every request to adapter LUID 4660:-2 and target id 7.
const std::string kHeader = "34120000feffffff07000000";
const std::string kDisplay = "paths=4660:-2:7,22136:0:9\n";
// The sections of a display of the desk below: an older system, HDR off, level 1000, and a
// brightness of 40 (a monitor's) or 60 (the panel's power scheme on mains).
std::wstring Sections(const wchar_t* brightness) {
  return L"<HDR Status>\nHDR support status : Supported\nHDR : Disable\n\n"
         L"<HDR/SDR brightness balance (SDR white level)>\nCurrent : 1000   (80 nits)\n\n"
         L"<Brightness>\nSupported value : 0 to 100\nCurrent : " +
         std::wstring(brightness) + L"\n\n<Monitor capabilities>\nBrightness : Can setting\n\n";
}

// The lines joined, without the requests for each display's device and name (types 1 and 2).
std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    if (line.find(" 0100000054000000") != std::string::npos ||
        line.find(" 02000000a4010000") != std::string::npos) {
      continue;
    }
    text += (text.empty() ? "" : " | ") + line;
  }
  return text;
}

std::wstring BoxOf(const RunResult& run) {
  return run.boxes.size() == 1 ? run.boxes[0].caption + L": " + run.boxes[0].text : L"";
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
             L"<Monitor capabilities>\nBrightness : Can setting\n\n"
             L"<Displays>\n1 : Unnamed display (DISPLAY1, primary)\n2 : Unnamed display (DISPLAY2)"
             L"\n\n",
             "-SI on an older system shows every section as read before the changes");
  CheckEqual(Joined(DeviceCalls(report.processId, "DisplayConfigGetDeviceInfo")) + " | " +
                 Joined(DeviceCalls(report.processId, "DisplayConfigSetDeviceInfo")),
             "DisplayConfigGetDeviceInfo 0f00000024000000" + kHeader + std::string(32, '0') +
                 " | DisplayConfigGetDeviceInfo 0900000020000000" + kHeader + std::string(24, '0') +
                 " | DisplayConfigGetDeviceInfo 0b00000018000000" + kHeader + "00000000" +
                 " | DisplayConfigGetDeviceInfo 0b00000018000000" + kHeader + "00000000" +
                 " | DisplayConfigSetDeviceInfo eeffffff1c000000" + kHeader +
                 "d007000001000000 hdr=on",
             "requests go to the first path: one refused probe, the older read, the white level "
             "set and read back");
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
    DWORD exitCode = 0;
  };
  const std::string acm = "generation=current\nacm=1";
  // clang-format off
  const Hdr cases[] = {
      {"advancedColor=1", L"-SI -HDR:S", L"Supported\nHDR : Disable", "10:1 hdr=on"},
      {acm, L"-SI -HDR:E", L"Supported\nHDR : Disable", "16:1 hdr=on"},
      {acm, L"-SI -HDR:S", L"Supported\nHDR : Disable", "16:1 hdr=on"},
      {acm + "\nhdr=1", L"-SI -HDR:D", L"Supported\nHDR : Enable", "16:0 hdr=off"},
      {acm + "\nhdr=1", L"-SI -HDR:S", L"Supported\nHDR : Enable", "16:0 hdr=off"},
      // An SDR display on a current system refuses the newer set, and no older one follows.
      {acm + "\nhdrSupported=0", L"-SI -HDR:E", L"Not supported\nHDR : Disable",
       "16:1 hdr=off refused", 1},
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
    CheckEqual(SetRequests(run.processId) + " exit " + std::to_string(run.exitCode),
               c.sets + std::string(" exit ") + std::to_string(c.exitCode),
               label + ": the requests and the exit code");
  }

  // A configuration that changed between the size and the query is asked for again.
  SetDeviceScenario("changed=1\n");
  const RunResult changed = RunGlowtide(L"-B:70");
  Check(changed.exitCode == 0 && DeviceCalls(changed.processId, "QueryDisplayConfig").size() == 2,
        "a display configuration that changed between two calls is queried again");

  // A desk: a built-in panel (the primary), and an LG monitor with a TV in clone mode on one
  // source, whose physical monitors are described in the other order.
  SetDeviceScenario(
      "paths=4660:0:7:0::2147483648,4660:0:8:1:LG ULTRAGEAR,4660:0:9:1:TV\n"
      "physical1=TV;LG ULTRAGEAR\nbrightness=0:40:100\n");
  CheckEqual(
      BoxOf(RunGlowtide(L"-SI -D:*")),
      L"Monitor information: "
      L"<Display 1>\nName : Built-in display\nDevice : DISPLAY1\n\n" +
          Sections(L"60") + L"<Display 2>\nName : LG ULTRAGEAR\nDevice : DISPLAY2\n\n" +
          Sections(L"40") + L"<Display 3>\nName : TV\nDevice : DISPLAY2\n\n" + Sections(L"40") +
          L"<Displays>\n1 : Built-in display (DISPLAY1, primary)\n2 : LG ULTRAGEAR (DISPLAY2)\n"
          L"3 : TV (DISPLAY2)\n\n",
      "-SI -D:* reports each display under its heading, then lists them");
  // Each form of -D: once: the requests reach the chosen display's target (its id at byte 16),
  // the brightness its own physical monitor (0x1011 is the TV's, 0x1012 the LG's).
  struct Choice {
    const wchar_t* arguments;
    std::string sets;
  };
  const std::string level = "DisplayConfigSetDeviceInfo eeffffff1c0000003412000000000000";
  const Choice choices[] = {
      {L"-D:2 -B:70", "SetMonitorBrightness handle=0x1012 value=70"},
      {L"-D:tv -B:30", "SetMonitorBrightness handle=0x1011 value=30"},
      {L"-D:ultra -BB:2000", level + "08000000d007000001000000 hdr=off"},
      {L"-D:display1 -BB:1800", level + "070000000807000001000000 hdr=off"},
  };
  for (const Choice& c : choices) {
    const RunResult run = RunGlowtide(c.arguments);
    CheckEqual(Joined(DeviceCalls(run.processId, "SetMonitorBrightness")) +
                   Joined(DeviceCalls(run.processId, "DisplayConfigSetDeviceInfo")),
               c.sets, Narrow(c.arguments) + " acts on the display it chooses");
  }
  // The restore acts on the display chosen at the start (the child, with nothing to record, ends
  // at once).
  const RunResult restore =
      RunGlowtide(L"-D:tv -BQ:33 \"-P:" + SuiteDirectory() + L"\\child\\glowtide_child.exe\"");
  CheckEqual(Joined(DeviceCalls(restore.processId, "SetMonitorBrightness")),
             "SetMonitorBrightness handle=0x1011 value=33", "-BQ: restores the chosen display");
  for (const auto& [value, count] :
       {std::pair{L"9", L"no such display"}, std::pair{L"display2", L"2 displays match"}}) {
    const RunResult run = RunGlowtide(L"-D:" + std::wstring(value) + L" -B:70 -BB:2000");
    CheckEqual(BoxOf(run),
               L"Error: -D:" + std::wstring(value) + L" : " + count +
                   L"\n\n1 : Built-in display (DISPLAY1, primary)\n2 : LG ULTRAGEAR (DISPLAY2)\n"
                   L"3 : TV (DISPLAY2)\n",
               "-D:" + Narrow(value) + " shows the displays there are");
    Check(run.exitCode == 0xFFFFFF01 &&
              DeviceCalls(run.processId, "SetMonitorBrightness").empty() &&
              DeviceCalls(run.processId, "DisplayConfigSetDeviceInfo").empty(),
          "... ends with -255 and changes nothing");
  }
}

}  // namespace e2e
