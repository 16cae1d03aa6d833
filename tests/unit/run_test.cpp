// The run sequence: the order of its phases, what each phase sends by its options and the
// machine's answers, its exit codes, and what each platform call's failure may and may not prevent.
#include "app/run.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "app/options.h"
#include "session/requests.h"
#include "support/fake_platform.h"

namespace glowtide {
namespace {

using testing::FakePlatform;
using testing::Utf8;
using Calls = std::vector<std::string>;

int RunWith(FakePlatform& platform, std::u16string_view arguments) {
  return Run(platform, arguments, InstanceHandle{0x400000});
}

std::vector<std::string> Captions(const FakePlatform& platform) {
  std::vector<std::string> captions;
  for (const auto& box : platform.boxes)
    captions.push_back(Utf8(box.caption) + ": " + Utf8(box.text.substr(0, 80)));
  return captions;
}

TEST(Run, RunsItsPhasesInOrderAndEndsWithItsExitCode) {
  struct Case {
    std::u16string arguments;
    int exitCode;
    std::vector<std::string> boxes;  // caption: the first 80 units of the text
    Calls order;                     // these calls, in this order, each the first of its name
    testing::Machine machine = {};
  };
  const std::string report = "Monitor information: ";
  // clang-format off
  const std::string sections =
      report + "<HDR Status>\nHDR support status : Supported\nHDR : Disable\n\n<Display mode>\nCurren";
  const Case cases[] = {
      {u"-SI -bh:x -PR", -255, {"Error: -BH: Parameter error"}, {"LocalFree(argv)"}},
      {u"", 0, {report + Utf8(kUsageText).substr(0, 80)}, {"QueryDisplayConfig(4)"}},
      {u"-PR -SI -PR", 0, {sections},
       {"SendMessageTimeoutW(0xffff,0x112,0xf170,2,0x2,1000)", "Sleep(2000)",
        "SendMessageTimeoutW(0xffff,0x112,0xf170,-1,0x2,1000)", "SendInput(0,0,0x1)",
        "QueryDisplayConfig(4)", "MonitorFromWindow(0x0,1)", "MessageBoxW(0x0,Monitor information,0x0)"}},
      // The HDR change goes out before the white level is read; the child starts after the box.
      {u"-SBB -HDR:D -SI -P:C:\\G\\g.exe", 0, {sections},
       {"DisplayConfigSetDeviceInfo(10,0)", "DisplayConfigGetDeviceInfo(11)",
        "MessageBoxW(0x0,Monitor information,0x0)", "CreateProcessW(0x420,104)", "CloseHandle(0x54)",
        "CloseHandle(0x50)"}},
      // A refused mode is said before any change (which refusals there are is the requests').
      {u"-B:70 -M:800x600", -255,
       {"Error: -M:800x600 : no such mode on Unnamed display\n\n2560 x 1440 : 144, 60 Hz\n1920 x 10"}},
      // A URL and a quit option without -PW: give nothing to wait for: refused before any change.
      {u"-HDR:E -P:steam://r/1 -BQ:5", -255,
       {"Error: -P:steam://r/1 : a URL starts no program Glowtide can wait for; add -PW: with th"}},
      // The shell opened it and handed back no process: put back at once, and said why.
      {u"-P:x.url -BQ:33", 1,
       {"Error: Cannot wait for x.url: it started no program of its own; add -PW: with the game'"},
       {"SetMonitorBrightness(0x101,33)", "MessageBoxW(0x0,Error,0x0)"},
       {.failing = {"CreateProcessW"}, .shellStartsProcess = false}},
  };
  // clang-format on
  for (const Case& c : cases) {
    FakePlatform platform(c.machine);
    EXPECT_EQ(RunWith(platform, c.arguments), c.exitCode) << Utf8(c.arguments);
    EXPECT_EQ(Captions(platform), c.boxes) << Utf8(c.arguments);
    auto at = platform.calls.begin();
    for (const std::string& call : c.order) {
      at = std::find(at, platform.calls.end(), call);
      EXPECT_NE(at, platform.calls.end()) << Utf8(c.arguments) << ": " << call << " in order";
    }
  }
}

// What each phase reads and sends, by its options and the machine's state, in the fake's short
// form. Every quit value differs from its phase option and from every default, so that a value
// taken from the neighbouring field shows; the phase options (-B:11, -BB:2222) come first in each
// launch row's trace.
TEST(Run, EachPhaseSendsWhatItsOptionsAndTheMachineCallFor) {
  struct Case {
    std::u16string arguments;
    std::string trace;
    testing::Machine machine = {};
    int exitCode = 0;
  };
  // A counted launch takes its place ("[ ]", the table's lock taken and let go) before its phases
  // change anything; the last one out marks its place as restoring under the lock, restores with
  // the lock let go, and frees its place under the lock again.
  const std::u16string game = u"-P:g.exe -B:11 -BB:2222 ";
  const std::string phases = "[ ] [ ] set-18:2222 get11 setB:11 getB free [ ]";
  // What a launch reads before its start of the settings it puts back and does not set.
  auto reads = [](const std::string& found) {
    return "[ ] [ ] " + found + " set-18:2222 get11 setB:11 getB free [ ]";
  };
  // Three displays: 1 on its own monitor, 2 (the primary, HDR on) and 3 on one monitor in clone
  // mode, whose physical monitors 0x111 and 0x112 are described as 3 and 2 are named.
  // clang-format off
  const testing::Machine desk{
      .paths = {{0x1234, 0, 7, 0, u"LG"}, {0x1234, 0, 8, 1, u"DELL", 0, true}, {0x1234, 0, 9, 1, u"TV"}},
      .monitorCount = 2, .descriptions = {u"TV", u"DELL"}, .primarySource = 1};
  testing::Machine deskFull = desk;  // a description that fills its field, with no NUL
  testing::Machine deskRestart = desk;  // a mode change that would need a restart
  deskRestart.changeResult = 1;
  deskFull.descriptions[0].assign(128, u'T');
  // clang-format on
  const testing::Machine laptop{.paths = {{0x1234, 0, 7, 0, u"", 0x80000000}}};  // a built-in panel
  // Instance 9 waits too, and goes on running.
  const testing::Machine another{.table = testing::TableWith({{9, 7}}),
                                 .events = {"RS_GLOWTIDE_LIVE_9_7"}};
  const testing::Machine current{.currentModel = true};
  const testing::Machine currentOn{.currentModel = true, .activeColorMode = 2};  // HDR on
  // clang-format off
  const Case cases[] = {
      {u"-X", ""},
      // The report reads the state as the run found it, before any change.
      {u"-SI -B:70", "get15 get9 get11 caps getB free setB:70 getB free box"},
      {u"-SI", "get15 get11 caps getB free box", current},
      // HDR: E wins, S decides from the state alone, D alone turns it off. Where the phase makes
      // no read, the newer read asks which requests the system speaks; a current system that
      // refuses the newer set gets no older one.
      {u"-HDR:E", "get15 set10:1 get9"},  // (-HDR:E on a current system is the suite's, on the exe)
      // Sets that are taken and change nothing: read back, not in place.
      {u"-HDR:E", "get15 set10:1 get9", {.ignoring = {"DisplayConfigSetDeviceInfo"}}, 1},
      {u"-BB:2222", "set-18:2222 get11", {.ignoring = {"DisplayConfigSetDeviceInfo"}}, 1},
      {u"-HDR:D", "get15 set10:0 get9"},
      {u"-HDR:E", "get15 set16:1 ~ set16:1 ~ set16:1",
       {.failing = {"DisplayConfigSetDeviceInfo"}, .currentModel = true}, 1},
      {u"-HDR:E", "get15 set16:1", {.currentModel = true, .advancedColor2Word = 0}, 1},  // an SDR display
      // Only a newer read refused as unknown means an older system; a passing failure is tried
      // again, and one that lasts decides no model and sends no set.
      {u"-HDR:E", "get15 set10:1 get9", {.currentModel = true, .newerReads = {87}}},
      {u"-HDR:E", "get15 ~ get15 set16:1 get15", {.currentModel = true, .newerReads = {31}}},
      {u"-HDR:E", "get15 ~ get15 ~ get15", {.currentModel = true, .newerReads = {31, 31, 31}}, 1},
      {u"-HDR:S", "get15 get9 set10:0 get9", {.advancedColorWord = 3}},
      {u"-HDR:S", "get15 get9 set10:1 get9", {.advancedColorWord = 0}},  // not supported
      {u"-HDR:S", "get15 set16:1 get15", {.currentModel = true, .activeColorMode = 1}},  // wide
      {u"-HDR:S", "get15 set16:0 get15", currentOn},
      {u"-HDR:S -HDR:D", "get15 set16:1 get15", current},
      {u"-HDR:E -HDR:S", "get15 set16:1 get15", currentOn},
      // A switch whose read fails decides nothing, also where the report's read knew the model.
      {u"-SI -HDR:S", "get15 get11 caps getB free get15 ~ get15 ~ get15 box",
       {.currentModel = true, .newerReads = {0, 31, 31, 31}}, 1},
      {u"-HDR:S", "get15 ~ get15 ~ get15", {.currentModel = true, .newerReads = {31, 31, 31}}, 1},
      {u"-HDR:D -HDR:E", "get15 set16:1 get15", currentOn},
      // The white level: at most one level goes out; a failed read leaves -BB: or nothing.
      {u"-BB:2222", "set-18:2222 get11"},                    {u"-BBH:4000", ""},
      {u"-SBB -BBH:3700 -BBL:1300", "get11 set-18:3700 get11"},
      {u"-SBB -BBH:1100 -BBL:2900", "get11 set-18:2900 get11"},
      {u"-BB:2222 -SBB", "get11 set-18:3500 get11"},
      {u"-SBB -BBH:1500 -BBL:500", "get11 set-18:500 get11"},  // a tie
      {u"-SBB -BB:2222", "get11 ~ get11 ~ get11 set-18:2222 get11 ~ get11 ~ get11",
       {.failing = {"DisplayConfigGetDeviceInfo"}}, 1},
      {u"-SBB", "get11 ~ get11 ~ get11", {.failing = {"DisplayConfigGetDeviceInfo"}}},  // undecided
      {u"-BB:2222", "set-18:2222 ~ set-18:2222 ~ set-18:2222",
       {.failing = {"DisplayConfigSetDeviceInfo"}}, 1},
      // The brightness, from 50: each monitor request is tried three times, 50 ms ("~") apart; a
      // switch reads (and releases the monitors) before its set, and a failed read leaves -B: or
      // nothing. (Failed and ignored sets are the suite's, on the exe.)
      {u"-B:70", "setB:70 getB free"},
      {u"-B:70", "setB:70 getB setB:70 getB free", {.ignoredWrites = 1}},  // read back, sent again
      {u"-B:150", "setB:150 getB free"},  // kept at the monitor's maximum, which is in place
      {u"-SB -BH:77 -BL:44", "getB free setB:44 getB free"},
      {u"-B:70 -SB", "getB free setB:30 getB free"},
      {u"-SB -B:70", "getB ~ getB ~ getB free setB:70 getB ~ getB ~ getB free",
       {.failing = {"GetMonitorBrightness"}}, 1},
      {u"-SB", "getB ~ getB ~ getB free", {.failing = {"GetMonitorBrightness"}}},
      // The last launch out applies the quit settings given, and only those.
      {game + u"-BQ:33", phases + " setB:33 getB free [ ]"},
      {game + u"-BBQ:4444", phases + " set-18:4444 get11 [ ]"},
      {game + u"-HDRQ:E", reads("get15 get9") + " set10:1 get9 [ ]"},
      {game + u"-HDRQ:E", reads("get15") + " set16:1 get15 [ ]", current},
      {game + u"-HDRQ:D -BQ:33 -BBQ:4444",
       reads("get15 get9") + " set10:0 get9 setB:33 getB free set-18:4444 get11 [ ]"},
      // Another launch still waits: this one is not the last out.
      {game + u"-BQ:33 -BBQ:4444 -HDRQ:E", reads("get15 get9") + " [ ]", another},
      // A restore that does not stick ends with 1; its pauses serve no message, so that a session
      // end waits for it.
      {u"-P:g.exe -BQ:33", "[ ] [ ] getB free [ ] setB:33 ~ setB:33 ~ setB:33 free [ ]",
       {.failing = {"SetMonitorBrightness"}}, 1},
      // The restore speaks the model that the phase found, without probing again.
      {u"-P:g.exe -HDRQ:E -HDR:D", "[ ] [ ] get15 set10:0 get9 [ ] set10:1 get9 [ ]"},
      {u"-P:g.exe -HDRQ:D -HDR:S", "[ ] [ ] get15 get9 set10:1 get9 [ ] set10:0 get9 [ ]"},
      {u"-P:g.exe -HDRQ:E -HDR:S", "[ ] [ ] get15 set16:0 get15 [ ] set16:1 get15 [ ]", currentOn},
      // A quit message ends only one pass over the queue; a session that ends while the launcher
      // runs restores from the window procedure, with 3 s for the lock, and the wait ends without
      // looking again. One that ends while the leaving instance waits for the lock restores all
      // the same before it returns.
      {u"-P:g.exe -BQ:33", "[ ] [ ] getB free [ [3s ] setB:33 getB free [3s ]",
       {.waitResults = {0, 1}, .queue = {{.window = WindowHandle{0x900}, .message = 0x16, .wParam = 1}}}},
      {u"-P:g.exe -BQ:33 -PW:game.exe", "[ ] [ ] getB free look [3s ] setB:33 getB free [3s ]",
       {.waitResults = {1, 1}, .queue = {{.message = 0x12},
                                         {.window = WindowHandle{0x900}, .message = 0x16, .wParam = 1}}}},
      // A shell launch that started no process of its own waits for the -PW: game, with no box.
      {u"-P:x.url -BQ:33 -PW:game.exe", "[ ] [ ] getB free look look look look look look look look [ ] setB:33 getB free [ ]",
       {.failing = {"CreateProcessW"}, .snapshots = {{{7, u"game.exe"}}, {}},
        .shellStartsProcess = false}},
      // Without -D:, display 1 and the primary monitor's first physical monitor; with it, each
      // display from its own state, on its own physical monitor.
      {u"-B:70 -BB:2222", "set-18:2222 get11 setB@0x111:70 getB free", desk},
      {u"-D:* -B:70", "setB:70 getB free setB@0x112:70 getB free setB@0x111:70 getB free", desk},
      {u"-D:3 -B:70", "setB@0x111:70 getB free", deskFull},
      // Without -D: a launch claims display 1 and the primary's display for its brightness: while
      // another launch holds display 1, only the brightness is put back.
      {u"-P:g.exe -BQ:33 -BBQ:4444", "[ ] [ ] get11 getB free [ ] setB@0x111:33 getB free [ ]",
       {.paths = desk.paths, .monitorCount = 2, .primarySource = 1,
        .table = testing::TableWith({{9, 7, {7}}}), .events = {"RS_GLOWTIDE_LIVE_9_7"}}},
      {u"-P:g.exe -M:1920x1080 -MQ:D -BBQ:4444",
       "[ ] [ ] get11 mode:@DISPLAY2:1920x1080@60:32:0x5c0000:0 [ ] set-18:4444 get11 [ ]",
       {.paths = desk.paths, .monitorCount = 2, .primarySource = 1,
        .table = testing::TableWith({{9, 7, {8}}}), .events = {"RS_GLOWTIDE_LIVE_9_7"}}},
      {u"-D:* -HDR:S",
       "get15 get9 set10:1 get9 get15@8 get9@8 set10@8:0 get9@8 get15@9 get9@9 set10@9:1 get9@9", desk},
      // Each display's requests are its own: one that refuses the newer read (an indirect display
      // on a current system, say) gets the older ones, and the displays before it keep theirs.
      {u"-D:* -HDR:S", "get15 set16:1 get15 get15@8 get9@8 set10@8:0 get9@8",
       {.paths = {desk.paths[0], desk.paths[1]}, .currentModel = true, .newerReads = {0, 0, 87}}},
      // A built-in panel's brightness is the power scheme's, within 0 to 100; none without one.
      {u"-B:150", "setPac:100 apply getPac", laptop},
      {u"-P:g.exe -BQ:33", "[ ] [ ] getPac [ ] setPac:33 apply getPac [ ]", laptop},  // and so is its restore
      // A power source that Windows does not know gets both values (a panel on embedded UDI).
      {u"-B:40", "setPac:40 setPdc:40 apply getPac", {.paths = {{0x1234, 0, 7, 0, u"", 13}}, .acLineStatus = 255}},
      {u"-B:40", "", {.failing = {"PowerGetActiveScheme"}, .paths = laptop.paths}, 1},
      // Without -D: the panel route is the primary monitor's, whatever display 1 is.
      {u"-B:40", "setPac:40 apply getPac",
       {.paths = {{0x1234, 0, 7, 0, u"LG"}, {0x1234, 0, 8, 1, u"", 0x80000000}}, .primarySource = 1}},
      {u"-B:40", "setB@0x111:40 getB free", {.paths = {{0x1234, 0, 7, 0, u"", 0x80000000}, {0x1234, 0, 8, 1}},
                                       .primarySource = 1}},
      // Nothing that was asked for could be set.
      {u"-HDR:E -BB:2222 -B:70",
       "get15 set10:1 ~ set10:1 ~ set10:1 set-18:2222 ~ set-18:2222 ~ set-18:2222 setB:70 ~ setB:70 ~ setB:70 free",
       {.failing = {"DisplayConfigSetDeviceInfo", "SetMonitorBrightness"}}, 1},
      // The display mode: after HDR and before the white level, no change when already in it, not
      // in place when the change or its read back fails; without -D: the primary's display, with
      // it each chosen display's device once. The restore: HDR, mode, brightness, white level.
      {u"-BB:2222 -M:1920x1080@60 -HDR:E", "get15 set10:1 get9 mode:1920x1080@60:32:0x5c0000:0 set-18:2222 get11"},
      {u"-M:@59", "mode:2560x1440@60:32:0x5c0000:0"},
      {u"-M:2560x1440", ""},
      {game + u"-MQ:D", "[ ] [ ] set-18:2222 get11 setB:11 getB free [ ] mode:1920x1080@60:32:0x5c0000:0 [ ]",
       {.desktopMode = {1920, 1080, 1, 32}}},  // a saved rate of 1: the display's default
      {u"-M:1920x1080", "mode:1920x1080@60:32:0x5c0000:0", {.changeResult = 1}, 1},  // a restart asked for
      {u"-M:1920x1080", "mode:1920x1080@60:32:0x5c0000:0", {.ignoring = {"ChangeDisplaySettingsExW"}}, 1},
      {u"-M:1920x1080", "mode:@DISPLAY2:1920x1080@60:32:0x5c0000:0", desk},
      {u"-D:* -M:1920x1080", "mode:1920x1080@60:32:0x5c0000:0 mode:@DISPLAY2:1920x1080@60:32:0x5c0000:0",
       deskRestart, 1},
      {game + u"-M:1920x1080 -MQ:D -HDRQ:E -BQ:33 -BBQ:4444",
       "[ ] [ ] get15 get9 mode:1920x1080@60:32:0x5c0000:0 set-18:2222 get11 setB:11 getB free [ ] set10:1 get9 "
       "mode:2560x1440@144:32:0x5c0000:0 setB:33 getB free set-18:4444 get11 [ ]"},
      // -MQ: without a size is checked and applied at the size the display had at the start; a
      // saved mode of no size puts nothing back.
      {u"-P:g.exe -M:1920x1080@60 -MQ:@144",
       "[ ] [ ] mode:1920x1080@60:32:0x5c0000:0 [ ] mode:2560x1440@144:32:0x5c0000:0 [ ]"},
      {u"-P:g.exe -M:1920x1080 -MQ:D", "[ ] [ ] mode:1920x1080@60:32:0x5c0000:0 [ ] [ ]",
       {.desktopMode = {0, 0, 0, 32}}, 1},
      // A mode change gives the monitors new handles: the brightness looks its monitor up again.
      {u"-D:1 -M:1920x1080 -B:70", "mode:1920x1080@60:32:0x5c0000:0 setB:70 getB free"},
      {u"-D:1 -B:70", "", {.failing = {"EnumDisplayMonitors"}}, 1},  // no monitor to set
      // Clone mode: a picture's mode is put back only when no live launch claims any display of
      // it; here instance 9 claims display 2, a clone of display 3.
      {u"-D:3 -P:g.exe -M:1920x1080 -MQ:D", "[ ] [ ] mode:@DISPLAY2:1920x1080@60:32:0x5c0000:0 [ ] [ ]",
       {.paths = desk.paths, .monitorCount = 2, .primarySource = 1,
        .table = testing::TableWith({{9, 7, {8}}}), .events = {"RS_GLOWTIDE_LIVE_9_7"}}},
      // The restore finds its displays again: display 1 by its id, though it is now the second
      // path on another monitor; a display without an id whose target changed is gone, and not in
      // place.
      {u"-D:1 -P:g.exe -BQ:33 -BBQ:4444", "[ ] [ ] get11 getB free [ ] setB@0x111:33 getB free set-18:4444 get11 [ ]",
       {.paths = {{0x1234, 0, 7, 0, u"LG", 0, false, u"\\\\?\\DISPLAY#GSM5B7F#5&1&0&UID1#{x}"}},
        .replugged = {{{0x1234, 0, 8, 0}, {0x1234, 0, 7, 1, u"LG", 0, false,
                                           u"\\\\?\\DISPLAY#GSM5B7F#5&1&0&UID1#{x}"}}}}},
      {u"-D:1 -P:g.exe -BBQ:4444", "[ ] [ ] get11 [ ] [ ]", {.replugged = {{{0x1234, 0, 8, 0}}}}, 1},
      // A quit option without -P: counts nothing, and -PW: without one waits for nothing.
      {u"-HDR:E -P:steam://r/1 -BQ:5", "box", {}, -255},  // a URL with nothing to wait for
      {u"-BQ:33 -HDRQ:E -BBQ:4444", ""},                     {u"-P:g.exe -PW:g.exe", ""},
  };
  // clang-format on
  for (const Case& c : cases) {
    FakePlatform platform(c.machine);
    EXPECT_EQ(RunWith(platform, c.arguments), c.exitCode) << Utf8(c.arguments);
    EXPECT_EQ(platform.Trace(), c.trace) << Utf8(c.arguments);
  }
}

// Each call of the seam fails in turn under a command line that uses every phase. The run goes
// on: it ends with -255 only when the display query failed, with 1 when a change could not be
// made or read back, and the restore is still sent unless the failure leaves nothing to restore
// with (no display, no shared table, no window to wait behind).
TEST(Run, EachFailingCallPreventsOnlyWhatDependsOnIt) {
  const std::u16string everything =
      u"-PR -SI -HDR:S -SBB -SB -BH:77 -BL:44 -P:C:\\G\\g.exe -BQ:33 -BBQ:4444 -HDRQ:E "
      u"-PW:game.exe -PWT:1";
  struct Outcome {
    int exitCode;
    bool restores;
  };
  const std::map<std::string, Outcome> special = {
      {"CommandLineToArgvW", {0, false}},  // no option at all: the usage report only
      {"GetDisplayConfigBufferSizes", {-255, false}},
      {"QueryDisplayConfig", {-255, false}},
      {"GetTokenUserSid", {1, false}},
      {"CreateMutexW", {1, false}},
      {"CreateEventW", {1, false}},
      {"WaitForSingleObject", {1, false}},  // the lock: not held, so not counted
      {"CreateFileMappingW", {1, false}},
      {"MapViewOfFile", {1, false}},
      {"CreateWindowExW", {1, false}},
      {"GetNumberOfPhysicalMonitorsFromHMONITOR", {1, true}},
      {"MonitorFromWindow", {1, true}},
      {"GetPhysicalMonitorsFromHMONITOR", {1, true}},
      {"DisplayConfigGetDeviceInfo", {1, true}},
      {"DisplayConfigSetDeviceInfo", {1, true}},
      {"GetMonitorBrightness", {1, true}},
      {"SetMonitorBrightness", {1, true}}};
  FakePlatform healthy;
  RunWith(healthy, everything);
  std::set<std::string> calls;
  for (const std::string& call : healthy.calls) calls.insert(call.substr(0, call.find('(')));
  ASSERT_GT(calls.size(), 30u);
  for (const std::string& failing : calls) {
    FakePlatform platform({.failing = {failing}});
    const auto found = special.find(failing);
    const Outcome expected = found != special.end() ? found->second : Outcome{0, true};
    EXPECT_EQ(RunWith(platform, everything), expected.exitCode) << failing;
    EXPECT_EQ(!platform.CallsTo("DisplayConfigSetDeviceInfo(-18,4444)").empty(), expected.restores)
        << failing;
  }
}

// What the options ask of each display: its quit settings and which settings its start sets, on
// the first display of a device alone for the mode; or the refusal, decided before any change.
TEST(DecideRequests, DecidesEachDisplaysRowOrTheRefusal) {
  struct Case {
    std::u16string arguments;
    std::string refusal;  // how it begins
    std::string rows;     // each display's device, quit settings and what its start sets
    testing::Machine machine = {};
  };
  const testing::Machine clone{.paths = {{0x1234, 0, 7, 0}, {0x1234, 0, 8, 1}, {0x1234, 0, 9, 1}},
                               .monitorCount = 2};
  // clang-format off
  const Case cases[] = {
      {u"-B:70 -BQ:33 -HDR:E -HDRQ:D -BBQ:4444 -MQ:@60", "",
       "DISPLAY1 quit:hdr0,white4444,b33,mode2560x1440@60 sets:hdr,b"},
      {u"-D:* -M:1920x1080 -MQ:D -SBB", "",
       "DISPLAY1 quit:modeD sets:mode,white DISPLAY2 quit:modeD sets:mode,white "
       "DISPLAY2 quit: sets:white", clone},
      {u"-M:800x600", "-M:800x600 : no such mode on Unnamed display\n\n2560 x 1440 :"},
      {u"-MQ:fast", "-MQ:fast : no such mode on Unnamed display\n\n2560 x 1440 : 1"},
      {u"-D:nosuch", "-D:nosuch : no such display\n\n1 : Unnamed display (DISPLAY1"},
      // A mode without a size needs the current one; with a size the list alone decides.
      {u"-MQ:D", "-MQ:D : cannot read the current mode of Unnamed display", "",
       {.failing = {"EnumDisplaySettingsExW"}}},
      {u"-M:@60", "-M:@60 : cannot read the current mode of Unnamed display", "",
       {.failing = {"EnumDisplaySettingsExW"}}},
      {u"-M:1920x1080", "-M:1920x1080 : no such mode on Unnamed display\n\n", "",
       {.failing = {"EnumDisplaySettingsExW"}}},
      // Monitor codes: set by the start and put back, each on the display's monitor; one put back
      // as found must be readable, and is found once what others owe is settled.
      {u"-VCP:12=70 -VCP:60 -VCPQ:dc=3 -VCPQ:10", "", "DISPLAY1 quit:vdc=3 sets:vcp"},
      {u"-VCPQ:DC", "-VCPQ:DC : Unnamed display cannot read this code", "",
       {.unreadableCodes = {0xDC}}},
  };
  // clang-format on
  auto plan = [](const DisplayPlan& p) {
    std::string text;
    auto add = [&](const std::string& item) { text += (text.empty() ? "" : ",") + item; };
    if (p.hdr) add("hdr" + std::string(*p.hdr ? "1" : "0"));
    if (p.whiteLevel) add("white" + std::to_string(*p.whiteLevel));
    if (p.brightness) add("b" + std::to_string(*p.brightness));
    for (const VcpValue& code : p.codes) {
      char text[16];
      std::snprintf(text, sizeof text, "v%02x=%u", code.code, code.value);
      add(text);
    }
    if (p.mode) {
      add("mode" + (p.mode->desktop
                        ? std::string("D")
                        : std::to_string(p.mode->width) + "x" + std::to_string(p.mode->height) +
                              "@" + std::to_string(p.mode->frequency)));
    }
    return text;
  };
  for (const Case& c : cases) {
    FakePlatform platform(c.machine);
    Requests requests;
    std::u16string refusal;
    const bool decided = DecideRequests(platform, testing::SettingsFrom(c.arguments + u" -P:g.exe"),
                                        &requests, &refusal);
    EXPECT_EQ(decided, c.refusal.empty()) << Utf8(c.arguments);
    EXPECT_EQ(Utf8(refusal).substr(0, c.refusal.size()), c.refusal) << Utf8(c.arguments);
    std::string rows;
    for (const PhaseDisplay& entry : requests.displays) {
      const DisplayPlan& sets = entry.sets;
      std::string which;
      for (const auto& [given, name] : {std::pair{sets.hdr.has_value(), "hdr"},
                                        {sets.mode.has_value(), "mode"},
                                        {sets.whiteLevel.has_value(), "white"},
                                        {sets.brightness.has_value(), "b"},
                                        {!sets.codes.empty(), "vcp"}})
        if (given) which += (which.empty() ? "" : ",") + std::string(name);
      rows += (rows.empty() ? "" : " ") + Utf8(entry.monitorDisplay->device) +
              " quit:" + plan(entry.quit) + " sets:" + which;
    }
    EXPECT_EQ(rows, decided ? c.rows : rows) << Utf8(c.arguments);
  }
}

}  // namespace
}  // namespace glowtide
