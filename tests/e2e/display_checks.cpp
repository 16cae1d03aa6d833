// The displays end to end against the device double: the report, the request bytes, the
// brightness, HDR on an older system and on current ones with Auto Color Management, a
// configuration that changes, and the choice of -D: on a desk of three displays.
#include "harness.h"

namespace e2e {
namespace {

// The header of every request to adapter LUID 4660:-2 and target id 7.
const std::string kHeader = "34120000feffffff07000000";
const std::string kDisplay = "paths=4660:-2:7,22136:0:9\n";

// Every display's mode, as the double lists them by default.
const std::wstring kMode =
    L"<Display mode>\nCurrent : 2560 x 1440 @ 144 Hz\nDesktop : 2560 x 1440 @ 144 Hz\n\n";

// The sections of a display of the desk: an older system, HDR off, level 1000, and a brightness
// of 40 (a monitor's) or 60 (the panel's power scheme on mains).
std::wstring Sections(const wchar_t* brightness) {
  return L"<HDR Status>\nHDR support status : Supported\nHDR : Disable\n\n" + kMode +
         L"<HDR/SDR brightness balance (SDR white level)>\nCurrent : 1000   (80 nits)\n\n"
         L"<Brightness>\nSupported value : 0 to 100\nCurrent : " +
         std::wstring(brightness) + L"\n\n<Monitor capabilities>\nBrightness : Can setting\n\n";
}

}  // namespace

void CheckDisplay() {
  SetDeviceScenario(kDisplay +
                    "advancedColor=3\nwhiteLevel=2500\nmonitors=2\nbrightness=10:35:90\n");
  RunResult report = RunGlowtide(L"-SI -BB:2000 -B:70");
  CheckEqual(
      BoxOf(report),
      L"Monitor information: <HDR Status>\nHDR support status : Supported\nHDR : Enable\n\n" +
          kMode +
          L"<HDR/SDR brightness balance (SDR white level)>\nCurrent : 2500   (200 nits)\n\n"
          L"<Brightness>\nSupported value : 10 to 90\nCurrent : 35\n\n"
          L"<Monitor capabilities>\nBrightness : Can setting\n\n"
          L"<Displays>\n1 : Unnamed display (DISPLAY1, primary)\n2 : Unnamed display (DISPLAY2)"
          L"\n\n",
      "-SI on an older system shows every section as read before the changes");
  const std::string get = "DisplayConfigGetDeviceInfo ";
  const std::string level = get + "0b00000018000000" + kHeader + "00000000";
  CheckEqual(Calls(report.processId, {"DisplayConfig"}),
             get + "0f00000024000000" + kHeader + std::string(32, '0') + " | " + get +
                 "0900000020000000" + kHeader + std::string(24, '0') + " | " + level +
                 " | DisplayConfigSetDeviceInfo eeffffff1c000000" + kHeader +
                 "d007000001000000 hdr=on | " + level,
             "requests go to the first path: one refused probe, the older read, the white level "
             "read, set and read back");
  CheckEqual(Calls(report.processId, {"SetMonitorBrightness", "DestroyPhysicalMonitors"}),
             "SetMonitorBrightness handle=0x1001 value=70 | "
             "DestroyPhysicalMonitors count=2 handles=0x1001,0x1002",
             "-B:70 is set on the first physical monitor, and both are released");

  // HDR on an older system and on current ones with Auto Color Management: the report before
  // the change, the set requests by type, word and outcome, and the exit code. An SDR display
  // on a current system refuses the newer set, and no older one follows.
  const std::string acm = "generation=current\nacm=1\n";
  for (const auto& [scenario, arguments, state, sets] :
       {std::tuple{std::string("advancedColor=1\n"), L"-SI -HDR:S", L"Supported\nHDR : Disable",
                   "10:1 hdr=on exit 0"},
        std::tuple{acm, L"-SI -HDR:E", L"Supported\nHDR : Disable", "16:1 hdr=on exit 0"},
        std::tuple{acm + "hdr=1\n", L"-SI -HDR:D", L"Supported\nHDR : Enable",
                   "16:0 hdr=off exit 0"},
        std::tuple{acm + "hdrSupported=0\n", L"-SI -HDR:E", L"Not supported\nHDR : Disable",
                   "16:1 hdr=off refused exit 1"}}) {
    SetDeviceScenario(kDisplay + scenario);
    RunResult run = RunGlowtide(arguments);
    const std::wstring expected = L"<HDR Status>\nHDR support status : " + std::wstring(state);
    CheckEqual(run.boxes.empty() ? L""
                                 : run.boxes[0].text.substr(0, expected.size()) + L" " +
                                       Widen(SetRequests(run.processId)) + L" exit " +
                                       std::to_wstring(run.exitCode),
               expected + L" " + Widen(sets), Narrow(arguments) + ": the report, the requests");
  }

  SetDeviceScenario("changed=1\n");
  const RunResult changed = RunGlowtide(L"-B:70");
  Check(changed.exitCode == 0 &&
            Calls(changed.processId, {"QueryDisplayConfig"}).find(" | ") != std::string::npos,
        "a display configuration that changed between two calls is queried again");

  // A desk: a built-in panel, and an LG monitor (the primary, with its device path) with a TV in
  // clone mode on one source, whose physical monitors are described in the other order.
  SetDeviceScenario(
      "paths=4660:0:7:0::2147483648,4660:0:8:1:LG ULTRAGEAR:0:\\\\?\\DISPLAY#GSM5B7F#5&2a1c3e0&0&"
      "UID4353#{e6f07b5f-ee97-4a90-b076-33f57bf4eaa7},4660:0:9:1:TV\nprimary=1\n"
      "physical1=TV;LG ULTRAGEAR\nbrightness=0:40:100\n");
  const std::wstring list =
      L"1 : Built-in display (DISPLAY1)\n2 : LG ULTRAGEAR (DISPLAY2, primary) GSM5B7F-UID4353\n"
      L"3 : TV (DISPLAY2, primary)\n";
  CheckEqual(BoxOf(RunGlowtide(L"-SI -D:*")),
             L"Monitor information: <Display 1>\nName : Built-in display\nDevice : DISPLAY1\n\n" +
                 Sections(L"60") +
                 L"<Display 2>\nName : LG ULTRAGEAR\nDevice : DISPLAY2\nId : GSM5B7F-UID4353\n\n" +
                 Sections(L"40") + L"<Display 3>\nName : TV\nDevice : DISPLAY2\n\n" +
                 Sections(L"40") + L"<Displays>\n" + list + L"\n",
             "-SI -D:* reports each display under its heading, then lists them");
  // Each form of -D: once: the requests reach the chosen display's target (its id at byte 16),
  // the brightness its own physical monitor (0x1011 is the TV's, 0x1012 the LG's); the restore
  // acts on the display chosen at the start (the child, with nothing to record, ends at once).
  const std::string white = "DisplayConfigSetDeviceInfo eeffffff1c0000003412000000000000";
  const std::wstring child = L" \"-P:" + SuiteDirectory() + L"\\child\\glowtide_child.exe\"";
  using Choice = std::pair<std::wstring, std::string>;
  for (const auto& [arguments, sets] :
       {Choice{L"-D:2 -B:70", "SetMonitorBrightness handle=0x1012 value=70"},
        Choice{L"-D:tv -B:30", "SetMonitorBrightness handle=0x1011 value=30"},
        Choice{L"-D:ultra -BB:2000", white + "08000000d007000001000000 hdr=off"},
        Choice{L"-D:display1 -BB:1800", white + "070000000807000001000000 hdr=off"},
        Choice{L"-D:tv -BQ:33" + child, "SetMonitorBrightness handle=0x1011 value=33"}}) {
    const RunResult run = RunGlowtide(arguments);
    CheckEqual(Calls(run.processId, {"SetMonitorBrightness", "DisplayConfigSetDeviceInfo"}), sets,
               Narrow(arguments) + " acts on the display it chooses");
  }
  for (const auto& [value, count] :
       {std::pair{L"9", L"no such display"}, std::pair{L"display2", L"2 displays match"}}) {
    const RunResult run = RunGlowtide(L"-D:" + std::wstring(value) + L" -B:70 -BB:2000");
    CheckEqual(
        BoxOf(run) + L" exit " + std::to_wstring(run.exitCode) +
            Widen(Calls(run.processId, {"SetMonitorBrightness", "DisplayConfigSet"})),
        L"Error: -D:" + std::wstring(value) + L" : " + count + L"\n\n" + list + L" exit 4294967041",
        "-D:" + Narrow(value) +
            " changes nothing, shows the displays there are, ends "
            "with -255");
  }

  // Two monitors of one model and name, told apart by the ids from their device paths.
  SetDeviceScenario(
      "paths=4660:0:7:0:LG ULTRAGEAR:0:\\\\?\\DISPLAY#GSM5B7F#5&1&0&UID4353#{x},"
      "4660:0:8:1:LG ULTRAGEAR:0:\\\\?\\DISPLAY#GSM5B7F#5&1&0&UID4354#{x}\n");
  const RunResult byId = RunGlowtide(L"-D:uid4354 -B:70");
  CheckEqual(Calls(byId.processId, {"SetMonitorBrightness"}),
             "SetMonitorBrightness handle=0x1011 value=70",
             "-D: by id chooses one of two monitors of the same model");

  // The display mode: a mode no display lists is refused with the list; a launch sets the game's
  // mode before its program starts and the desktop mode after it ends.
  SetDeviceScenario("modes=2560x1440@144,2560x1440@60,1920x1080@60,2560x1440@120\n");
  const RunResult noMode = RunGlowtide(L"-M:800x600 -B:70");
  CheckEqual(BoxOf(noMode) + L" exit " + std::to_wstring(noMode.exitCode) +
                 Widen(Calls(noMode.processId, {"SetMonitorBrightness", "ChangeDisplay"})),
             L"Error: -M:800x600 : no such mode on Unnamed display\n\n"
             L"2560 x 1440 : 144, 120, 60 Hz\n1920 x 1080 : 60 Hz\n exit 4294967041",
             "-M: with a mode no display lists changes nothing, shows the modes, ends with -255");
  const std::wstring record = TempFile(L"glowtide_mode_record.txt");
  DeleteFileW(record.c_str());
  SetEnvironmentVariableW(L"GLOWTIDE_CHILD_RECORD", record.c_str());
  Gate gate(L"GlowtideSuiteMode");
  Instance game(L"-M:@119 -MQ:D" + child);
  WaitForFile(record);
  const std::string set = Calls(game.processId(), {"ChangeDisplay"});
  SetEvent(gate.event);
  const RunResult ended = game.Finish();
  const std::string change = "ChangeDisplaySettingsExW DISPLAY1 ";
  const std::string how = " bits=32 fields=00005c00 flags=0";
  CheckEqual(set + " || " + Calls(game.processId(), {"ChangeDisplay"}) + " exit " +
                 std::to_string(ended.exitCode),
             change + "2560x1440@120" + how + " || " + change + "2560x1440@120" + how + " | " +
                 change + "2560x1440@144" + how + " exit 0",
             "-M:@119 sets 120 Hz before the program starts, -MQ:D the desktop mode after it ends");
}

}  // namespace e2e
