// The displays end to end against the device double: the report and the requests on an older
// system, HDR on a current one, a configuration that changes, a laptop's panel, -D: on a desk of
// three displays, and the display mode.
#include <nlohmann/json.hpp>

#include "harness.h"

namespace e2e {
namespace {

// Every display's mode, as the double lists them by default.
const std::wstring kMode =
    L"<Display mode>\nCurrent : 2560 x 1440 @ 144 Hz\nDesktop : 2560 x 1440 @ 144 Hz\n\n";

// The sections of a display of the desk: an older system, HDR off, level 1000, and a brightness
// of 50 (a monitor's) or 60 (the panel's power scheme on mains).
std::wstring Sections(const wchar_t* brightness) {
  return L"<HDR Status>\nHDR support status : Supported\nHDR : Disable\n\n" + kMode +
         L"<HDR/SDR brightness balance (SDR white level)>\nCurrent : 1000   (80 nits)\n\n"
         L"<Brightness>\nSupported value : 0 to 100\nCurrent : " +
         std::wstring(brightness) + L"\n\n<Monitor capabilities>\nBrightness : Can setting\n\n";
}

}  // namespace

TEST(Displays, ReportRequestsChoiceAndMode) {
  // The requests reach the first path, on its adapter: the fake refuses any other.
  SetDeviceScenario("report");
  RunResult report = RunGlowtide(L"-SI -BB:2000 -B:70");
  EXPECT_EQ(
      BoxOf(report),
      L"Monitor information: <HDR Status>\nHDR support status : Supported\nHDR : Enable\n\n" +
          kMode +
          L"<HDR/SDR brightness balance (SDR white level)>\nCurrent : 2500   (200 nits)\n\n"
          L"<Brightness>\nSupported value : 0 to 100\nCurrent : 50\n\n"
          L"<Monitor capabilities>\nBrightness : Can setting\n\n"
          L"<Displays>\n1 : Unnamed display (DISPLAY1, primary)\n2 : Unnamed display (DISPLAY2)"
          L"\n\n")
      << "-SI on an older system shows every section as read before the changes";
  EXPECT_EQ(Trace(report.processId) + " " + DeviceLog(report.processId).back(),
            "get15 get9 get11 caps getB free set-18:2000 get11 setB:70 getB free "
            "DestroyPhysicalMonitors(2,0x101,0x102)")
      << "the report's reads (one refused probe, then the older read), the white level set and "
         "read back, -B:70 on the first physical monitor, and both released";
  for (const auto& [scenario, arguments, trace] :
       {std::tuple{"", L"-HDR:S", "get15 get9 set10:1 get9 exit 0"},
        std::tuple{"current", L"-HDR:E", "get15 set16:1 get15 exit 0"},
        std::tuple{"changed", L"-B:70", "setB:70 getB free exit 0"},
        std::tuple{"laptop on battery", L"-B:40", "setPdc:40 apply getPdc exit 0"}}) {
    SetDeviceScenario(scenario);
    const RunResult run = RunGlowtide(arguments);
    EXPECT_EQ(Trace(run.processId) + " exit " + std::to_string(run.exitCode), trace)
        << arguments << " on the machine \"" << scenario << "\"";
  }

  SetDeviceScenario("desk");
  const std::wstring list =
      L"1 : Built-in display (DISPLAY1)\n2 : LG ULTRAGEAR (DISPLAY2, primary) GSM5B7F-UID4353\n"
      L"3 : TV (DISPLAY2, primary)\n";
  EXPECT_EQ(BoxOf(RunGlowtide(L"-SI -D:*")),
            L"Monitor information: <Display 1>\nName : Built-in display\nDevice : DISPLAY1\n\n" +
                Sections(L"60") +
                L"<Display 2>\nName : LG ULTRAGEAR\nDevice : DISPLAY2\nId : GSM5B7F-UID4353\n\n" +
                Sections(L"50") + L"<Display 3>\nName : TV\nDevice : DISPLAY2\n\n" +
                Sections(L"50") + L"<Displays>\n" + list + L"\n")
      << "-SI -D:* reports each display under its heading, then lists them";
  // The restore acts on the display chosen at the start (the child, with nothing to record, ends
  // at once).
  const std::wstring child = L" \"-P:" + SuiteDirectory() + L"\\child\\glowtide_child.exe\"";
  EXPECT_EQ(Trace(RunGlowtide(L"-D:ultra -BB:2000 -BQ:33" + child).processId),
            "getB free set-18@8:2000 get11@8 setB@0x112:33 getB free")
      << "-D:ultra sets the LG's white level, and its monitor's brightness at the end";
  const RunResult none = RunGlowtide(L"-D:9 -B:70 -BB:2000");
  EXPECT_EQ(BoxOf(none) + L" exit " + std::to_wstring(none.exitCode) + Widen(Trace(none.processId)),
            L"Error: -D:9 : no such display\n\n" + list + L" exit 4294967041")
      << "-D:9 changes nothing, shows the displays there are, ends with -255";

  // The report for scripts, to a file and to a standard output that a script redirected, read by
  // a real JSON parser; with no standard output, nothing is done.
  const std::wstring json = TempFile(L"glowtide_state.json");
  DeleteFileW(json.c_str());
  const RunResult toFile = RunGlowtide(L"\"-SJ:" + json + L"\"");
  std::ifstream file(json.c_str(), std::ios::binary);
  const std::string document((std::istreambuf_iterator<char>(file)), {});
  file.close();
  const nlohmann::json state = nlohmann::json::parse(document, nullptr, false);
  const nlohmann::json lg = R"({"number": 2, "name": "LG ULTRAGEAR", "device": "DISPLAY2",
      "id": "GSM5B7F-UID4353", "primary": true, "builtIn": false,
      "hdr": {"supported": true, "on": false}, "whiteLevel": {"level": 1000, "nits": 80},
      "mode": {"current": {"width": 2560, "height": 1440, "hz": 144},
               "desktop": {"width": 2560, "height": 1440, "hz": 144},
               "modes": [{"width": 2560, "height": 1440, "hz": [144, 60]},
                         {"width": 1920, "height": 1080, "hz": [60, 59]}]},
      "brightness": {"current": 50, "minimum": 0, "maximum": 100, "via": "ddc"},
      "capabilities": {"brightness": true}})"_json;
  EXPECT_TRUE(toFile.exitCode == 0 && toFile.boxes.empty() && !state.is_discarded() &&
              state["glowtide"] == GLOWTIDE_VERSION && state["displays"].size() == 3 &&
              state["displays"][1] == lg &&
              state["displays"][0]["brightness"]["via"] == "power scheme" &&
              state["displays"][0]["brightness"]["current"] == 60 && document.back() == '\n')
      << "-SJ:file writes every display as the double's desk has it, and no box:\n"
      << document;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const std::wstring redirected = TempFile(L"glowtide_stdout.json");
  HANDLE output = CreateFileW(redirected.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                              CREATE_ALWAYS, 0, nullptr);
  Instance toOutput(L"-SJ", output);
  const RunResult outputRun = toOutput.Finish();
  // 0xDEAD when it did not start or end.
  const DWORD outputExit = toOutput.started() && outputRun.finished ? outputRun.exitCode : 0xDEAD;
  CloseHandle(output);
  std::ifstream written(redirected.c_str(), std::ios::binary);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(written)), {}) + " exit " +
                std::to_string(outputExit),
            document + " exit 0")
      << "-SJ writes the same document to a redirected standard output";
  // A script's run says its errors on the standard error, where no box waits for a click.
  output = CreateFileW(redirected.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                       0, nullptr);
  Instance refused(L"-B:x -SJ", output);
  const RunResult refusedRun = refused.Finish();
  CloseHandle(output);
  std::ifstream said(redirected.c_str(), std::ios::binary);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(said)), {}) + "exit " +
                std::to_string(refusedRun.exitCode) + " boxes " +
                std::to_string(refusedRun.boxes.size()),
            "-B: Parameter error\nexit 4294967041 boxes 0")
      << "a refused option of a -SJ run goes to the standard error, with no box";
  // As Windows starts a GUI program from a prompt or a shortcut: with no standard output.
  Instance unredirected(L"-SJ -B:70", nullptr);
  const RunResult noOutput = unredirected.Finish();
  EXPECT_EQ(BoxOf(noOutput) + L" exit " + std::to_wstring(noOutput.exitCode) +
                Widen(Trace(noOutput.processId)),
            L"Error: -SJ : no standard output to write to; redirect it (Glowtide.exe -SJ > "
            L"state.json) or name a file (-SJ:state.json) exit 4294967041")
      << "-SJ with no standard output changes nothing, says why, and ends with -255";

  // The display mode: a mode no display lists is refused with the list; a launch sets the game's
  // mode before its program starts and the desktop mode after it ends.
  SetDeviceScenario("120 Hz");
  const RunResult noMode = RunGlowtide(L"-M:800x600 -B:70");
  EXPECT_EQ(
      BoxOf(noMode) + L" exit " + std::to_wstring(noMode.exitCode) + Widen(Trace(noMode.processId)),
      L"Error: -M:800x600 : no such mode on Unnamed display\n\n"
      L"2560 x 1440 : 144, 120, 60 Hz\n1920 x 1080 : 60 Hz\n exit 4294967041")
      << "-M: with a mode no display lists changes nothing, shows the modes, ends with -255";
  const std::wstring record = TempFile(L"glowtide_mode_record.txt");
  DeleteFileW(record.c_str());
  SetEnvironmentVariableW(L"GLOWTIDE_CHILD_RECORD", record.c_str());
  Gate gate(L"GlowtideSuiteMode");
  Instance game(L"-M:@119 -MQ:D" + child);
  WaitForFile(record);
  const std::string set = Trace(game.processId());
  SetEvent(gate.event);
  const RunResult ended = game.Finish();
  EXPECT_EQ(set + " | " + Trace(game.processId()) + " exit " + std::to_string(ended.exitCode),
            "mode:2560x1440@120:32:0x5c0000:0 | mode:2560x1440@120:32:0x5c0000:0 "
            "mode:2560x1440@144:32:0x5c0000:0 exit 0")
      << "-M:@119 sets 120 Hz before the program starts, -MQ:D the desktop mode after it ends";
}

}  // namespace e2e
