// Launch and restore end to end: the child's own argument list and folder, a launch that fails,
// counted launches that overlap (one of them killed), the hidden window, the session's end,
// launches through the shell, two launches on two displays and a session end during a restore; and,
// beside them, the checks that wait on time: a game that restarts itself, the -PWT: grace period
// and a held lock.
#include <cstdio>
#include <memory>

#include "harness.h"

namespace e2e {
namespace {

const std::wstring kRecord = TempFile(L"glowtide_child_record.txt");

std::wstring Child() { return SuiteDirectory() + L"\\child\\glowtide_child.exe"; }

DWORD_PTR Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam = 0) {
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(window, message, wParam, lParam, SMTO_BLOCK, 5000, &answer);
  return answer;
}

// Sets the default value of a key under HKEY_CLASSES_ROOT, where Wine's shell finds associations.
void SetClassesKey(const std::wstring& key, const std::wstring& value,
                   const wchar_t* valueName = nullptr) {
  HKEY handle = nullptr;
  RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle,
                  nullptr);
  RegSetValueExW(handle, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
}

// Registers a URL protocol and a document type that the shell opens with program, the URL or
// the document's path as its argument (under HKEY_CLASSES_ROOT, where Wine's shell finds them),
// and makes a document; gives back the URL and the document.
std::vector<std::wstring> ShellTargets(const std::wstring& program) {
  const std::wstring open = L"\"" + program + L"\" \"%1\"";
  SetClassesKey(L"glowtidesuite", L"URL:Glowtide suite");
  SetClassesKey(L"glowtidesuite", L"", L"URL Protocol");
  SetClassesKey(L"glowtidesuite\\shell\\open\\command", open);
  SetClassesKey(L".glowtidedoc", L"GlowtideSuite.Document");
  SetClassesKey(L"GlowtideSuite.Document\\shell\\open\\command", open);
  const std::wstring document = SuiteDirectory() + L"\\saved.glowtidedoc";
  CloseHandle(CreateFileW(document.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  return {L"glowtidesuite://run/7", document};
}

// Starts a counted launch with the options and kills it once it waits, then lets its child end:
// its record is left, owed.
void KillWaitingLaunch(const std::wstring& options) {
  const Gate gate(L"GlowtideSuiteKilledWaiting");
  Instance killed(options + L" \"-P:" + Child() + L"\"");
  WaitForHiddenWindow(killed.processId());
  killed.Kill();
  killed.Finish();
}

// The restore records there are: %LOCALAPPDATA%\Glowtide\restore-*.txt.
std::vector<std::wstring> Records() {
  wchar_t folder[MAX_PATH] = {};
  GetEnvironmentVariableW(L"LOCALAPPDATA", folder, MAX_PATH);
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  const HANDLE search =
      FindFirstFileW((std::wstring(folder) + L"\\Glowtide\\restore-*.txt").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do names.push_back(found.cFileName);
  while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

// The command that Windows runs at the next sign-in; empty when there is none.
std::wstring RunOnceValue() {
  wchar_t value[1024] = {};
  DWORD size = sizeof value;
  RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
               L"!Glowtide", RRF_RT_REG_SZ, nullptr, value, &size);
  return value;
}

}  // namespace

TEST(Launch, ChildCountingSessionEndAndShell) {
  SetEnvironmentVariableW(L"GLOWTIDE_CHILD_RECORD", kRecord.c_str());
  // A current system with HDR off, for the restore of -HDRQ:E, whose first type-15 read fails for
  // a passing reason.
  SetDeviceScenario("current, first read lost");

  // A folder with a blank, named by a quoted path as the very first argument; argument 0 with
  // quotes, a double blank and a closing backslash; argument 1 with a quoted part.
  const std::wstring folder = SuiteDirectory() + L"\\child folder";
  CreateDirectoryW(folder.c_str(), nullptr);
  CopyFileW(Child().c_str(), (folder + L"\\child.exe").c_str(), FALSE);
  DeleteFileW(kRecord.c_str());
  const RunResult child = RunGlowtide(L"\"-P:" + folder +
                                      L"\\child.exe\" \"-PARG:0:say \\\"hi\\\" to  C:\\Saves\\\\\" "
                                      L"\"-PARG:1:-fullscreen \\\"b c\\\"\"");
  EXPECT_EQ(
      WaitForFile(kRecord) + L" exit " + std::to_wstring(child.exitCode),
      folder + L"\\child.exe\nsay \"hi\" to  C:\\Saves\\\n-fullscreen\nb c\n" + folder + L" exit 0")
      << "the child's arguments and folder, and exit 0 at once";

  // A launcher's line: a profile beside Glowtide.exe (UTF-8 with its mark), then "--" and the
  // game with its own arguments, handed over as they stand, in the folder the launcher chose.
  const std::wstring root = SuiteDirectory() + L"\\game root";
  CreateDirectoryW(root.c_str(), nullptr);
  const HANDLE profile = CreateFileW((SuiteDirectory() + L"\\suite profile.txt").c_str(),
                                     GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  const char kProfile[] = "\xEF\xBB\xBF# the brightness after the game\r\n-BQ:33\r\n";
  DWORD written = 0;
  WriteFile(profile, kProfile, sizeof kProfile - 1, &written, nullptr);
  CloseHandle(profile);
  wchar_t suiteFolder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, suiteFolder);
  SetCurrentDirectoryW(root.c_str());
  DeleteFileW(kRecord.c_str());
  const RunResult tail = RunGlowtide(L"@\"suite profile.txt\" -- \"" + folder +
                                     L"\\child.exe\"  -w 1 \"a  b\" -B:10 \\\"q\\\"");
  SetCurrentDirectoryW(suiteFolder);
  EXPECT_EQ(WaitForFile(kRecord) + L" " + Widen(Trace(tail.processId)) + L" exit " +
                std::to_wstring(tail.exitCode),
            folder + L"\\child.exe\n-w\n1\na  b\n-B:10\n\"q\"\n" + root +
                L" getB free setB:33 getB free exit 0")
      << "the game's arguments as they stand, its folder Glowtide's own, the profile's -BQ:";

  // A program that cannot be started says so, puts the display back and ends with 1.
  wchar_t reason[256] = {};
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 ERROR_PATH_NOT_FOUND, 0, reason, 256, nullptr);
  std::wstring expected = L"Error: Could not start C:\\nowhere\\game.exe\n" + std::wstring(reason);
  while (expected.back() == L'\n' || expected.back() == L'\r') expected.pop_back();
  const RunResult missing = RunGlowtide(L"-P:C:\\nowhere\\game.exe -BQ:40");
  EXPECT_EQ(BoxOf(missing) + L" " + Widen(Trace(missing.processId)) + L" exit " +
                std::to_wstring(missing.exitCode),
            expected + L" getB free setB:40 getB free exit 1")
      << "a program that cannot be started shows why, is restored after, and ends with 1";

  // Three counted launches. B takes its place before its report box, so A's end does not restore
  // under it; C is killed, which does not keep B, last out, from restoring.
  std::unique_ptr<Gate> gateA(new Gate(L"GlowtideSuiteGateA"));
  Instance a(L"\"-P:" + Child() + L"\" -BQ:10");
  const HWND windowA = WaitForHiddenWindow(a.processId());
  std::unique_ptr<Gate> gateB(new Gate(L"GlowtideSuiteGateB"));
  Instance b(L"-SI \"-P:" + Child() + L"\" -BQ:20 -B:5 -HDRQ:E -PW:absent.exe -PWT:0");
  const HWND report = b.WaitForBox();
  gateA.reset();
  EXPECT_TRUE(windowA && report && a.Finish().exitCode == 0 && Trace(a.processId()) == "getB free")
      << "launch A, ending while B shows its report, restores nothing";
  PostMessageW(report, WM_COMMAND, IDOK, 0);
  const HWND windowB = WaitForHiddenWindow(b.processId());
  std::unique_ptr<Gate> gateC(new Gate(L"GlowtideSuiteGateC"));
  Instance c(L"\"-P:" + Child() + L"\" -BQ:30");
  const HWND windowC = WaitForHiddenWindow(c.processId());
  c.Kill();
  gateC.reset();  // its child ends too, so that no other child runs
  EXPECT_TRUE(windowB && windowC && !IsWindowVisible(windowB) && c.HasEnded(5000))
      << "B and C wait behind hidden windows; C is killed";

  const ULONGLONG before = b.ProcessorTime();
  PumpUntil(nullptr, 1000);
  const ULONGLONG used = b.ProcessorTime() - before;
  printf("info a waiting instance used %llu.%04llu ms of processor time in 1000 ms\n", used / 10000,
         used % 10000);
  EXPECT_TRUE(used <= 160000)
      << "a waiting instance uses no processor time beyond the clock's resolution";
  Send(windowB, WM_COMMAND, 105);
  EXPECT_TRUE(!IsWindow(windowB) && !b.HasEnded(200))
      << "command 105 destroys the window; B still waits";
  gateB.reset();
  const DWORD endB = b.Finish().exitCode;
  EXPECT_EQ(
      Trace(b.processId()) + " exit " + std::to_string(endB),
      "get15 get15 get15 get11 caps getB free setB:5 getB free set16:1 get15 setB:20 getB free "
      "exit 0")
      << "launch B, last out, applies its own quit settings: brightness 20, and HDR on with "
         "the type-16 request alone, although its first type-15 read failed";

  // The session ends while two launches wait: each lets it end and gives its place back, the last
  // one out restoring before its window procedure returns; both end while their children run.
  {
    Gate gate(L"GlowtideSuiteSessionEnd");
    Instance first(L"\"-P:" + Child() + L"\" -BQ:60");
    const HWND windowFirst = WaitForHiddenWindow(first.processId());
    Instance second(L"\"-P:" + Child() + L"\" -BQ:61");
    const HWND windowSecond = WaitForHiddenWindow(second.processId());
    const bool mayEnd = Send(windowFirst, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF) == TRUE &&
                        Send(windowSecond, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF) == TRUE;
    Send(windowFirst, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    Send(windowSecond, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_TRUE(mayEnd && first.HasEnded(5000) && second.HasEnded(5000) &&
                WaitForSingleObject(gate.event, 0) == WAIT_TIMEOUT)
        << "at a session end both waiting launches let it end and end, while their children run";
    EXPECT_EQ(Trace(first.processId()) + " | " + Trace(second.processId()),
              "getB free | getB free setB:61 getB free")
        << "... and the last one out restores, once";
  }

  // WM_CLOSE (a taskkill without /F) ends the wait as the game's end does: the quit settings are
  // put back and Glowtide ends with 0, while the game goes on.
  {
    Gate gate(L"GlowtideSuiteClose");
    Instance closing(L"\"-P:" + Child() + L"\" -BQ:62");
    PostMessageW(WaitForHiddenWindow(closing.processId()), WM_CLOSE, 0, 0);
    const RunResult closed = closing.Finish();
    EXPECT_EQ(Trace(closed.processId) + " exit " + std::to_string(closed.exitCode),
              "getB free setB:62 getB free exit 0")
        << "WM_CLOSE puts the quit settings back at once";
  }

  // Monitor codes: the report lists those named; a launch sets one, reads it back and puts back
  // the value found at its start; what a killed launch owes is put back by -R.
  {
    EXPECT_NE(
        BoxOf(RunGlowtide(L"-SI -VCP:12 -VCP:60"))
            .find(L"<Monitor VCP codes>\n0x12 : 50 (maximum 100)\n0x60 : 15 (maximum 27)\n\n"),
        std::wstring::npos)
        << "-SI lists the codes named, the input source too";
    const RunResult game = RunGlowtide(L"-VCP:12=70 -VCPQ:12 \"-P:" + Child() + L"\"");
    EXPECT_EQ(Trace(game.processId) + " exit " + std::to_string(game.exitCode),
              "getV0x12 free getV0x12 free setV0x12:70 getV0x12 free setV0x12:50 getV0x12 free "
              "exit 0")
        << "a code read (to refuse one that cannot be), found once others' debts are settled, "
           "set, read back, and put back as the monitor showed it";
    KillWaitingLaunch(L"-VCPQ:dc=3");
    // A code that cannot be read is said so; the input source is in place once sent, although
    // this monitor reads back the input it started on.
    SetDeviceScenario("codes");
    const RunResult odd = RunGlowtide(L"-SI -VCP:DC -VCP:60=17");
    EXPECT_NE(BoxOf(odd).find(L"0xDC : could not be read\n0x60 : 15 (maximum 27)\n\n"),
              std::wstring::npos)
        << BoxOf(odd);
    EXPECT_EQ(Trace(odd.processId) + " exit " + std::to_string(odd.exitCode),
              "get15 get9 get11 caps getB free getV0xdc getV0xdc getV0xdc getV0x60 free "
              "setV0x60:17 free exit 0")
        << "the input source is never read back";
    SetDeviceScenario("current, first read lost");
    const RunResult settled = RunGlowtide(L"-R");
    EXPECT_EQ(Trace(settled.processId) + " exit " + std::to_string(settled.exitCode),
              "get15 get15 get11 caps getB free getV0xdc free setV0xdc:3 getV0xdc free exit 0")
        << "-R puts back the code a killed launch owed, as the monitor still shows what it found";
  }

  // Through the shell: a URL of a registered protocol and a document. When the shell
  // hands over the child itself, the ended child is not taken for the game (a game that its
  // client relaunches under the same name must still be waited for): the restore then comes
  // after the -PWT: grace period, here none.
  // A file of their own: a child of an earlier check may still be starting, and write its record.
  const std::wstring shellRecord = TempFile(L"glowtide_shell_record.txt");
  SetEnvironmentVariableW(L"GLOWTIDE_CHILD_RECORD", shellRecord.c_str());
  for (const std::wstring& target : ShellTargets(Child())) {
    DeleteFileW(shellRecord.c_str());
    Gate gate(L"GlowtideSuiteShell");
    Instance launch(L"\"-P:" + target + L"\" -BQ:50 -PW:glowtide_child.exe -PWT:0");
    // The URL and the document reach the child as its argument.
    EXPECT_TRUE(WaitForFile(shellRecord).rfind(Child() + L"\n" + target + L"\n", 0) == 0 &&
                !launch.HasEnded(300))
        << "the shell opens " << target << " with the child, and the launch waits for it";
    SetEvent(gate.event);
    launch.Finish();
    EXPECT_EQ(Trace(launch.processId()), "getB free setB:50 getB free")
        << "after the child that " << target << " opened ends, the quit brightness is set";
  }

  // Two launches on two displays: each display is put back when the last launch on it ends. When
  // the first is killed instead, its record and the RunOnce value that settles it at sign-in are
  // left, and the second, ending, puts back its own display and then the one the first owed.
  SetDeviceScenario("two, current");
  struct TwoLaunches {
    const wchar_t* one;
    const wchar_t* two;
    bool killed;
    const char* traces;
    const char* what;
  };
  for (const TwoLaunches& launches :
       {TwoLaunches{
            L"-HDR:E -HDRQ:D", L"-HDR:E -HDRQ:D", false,
            "get15 set16:1 get15 set16:0 get15 | get15@8 set16@8:1 get15@8 set16@8:0 get15@8",
            "two launches on two displays: each puts its own display back"},
        TwoLaunches{
            L"-BBQ:3000", L"-BBQ:4000", true,
            "get11 | get11@8 set-18@8:4000 get11@8 get15 get11 caps getB free set-18:3000 get11",
            "the last one out puts back its own display, then the one the killed one owed"}}) {
    std::unique_ptr<Gate> gate1(
        new Gate(launches.killed ? L"GlowtideSuiteKilled" : L"GlowtideSuiteOne"));
    Instance one(L"-D:1 " + std::wstring(launches.one) + L" \"-P:" + Child() + L"\"");
    WaitForHiddenWindow(one.processId());
    Gate gate2(launches.killed ? L"GlowtideSuiteKilledTwo" : L"GlowtideSuiteTwo");
    Instance two(L"-D:2 " + std::wstring(launches.two) + L" \"-P:" + Child() + L"\"");
    WaitForHiddenWindow(two.processId());
    if (launches.killed) one.Kill();
    gate1.reset();
    one.Finish();
    const std::size_t records = Records().size();
    SetEvent(gate2.event);
    two.Finish();
    EXPECT_EQ(records, launches.killed ? 2u : 1u) << "a killed launch leaves its record";
    EXPECT_EQ(Trace(one.processId()) + " | " + Trace(two.processId()), launches.traces)
        << launches.what;
  }

  // A launch killed with HDR and the white level set has them put back by -R; and nothing is left.
  SetDeviceScenario("report");  // HDR on, a white level of 2500
  {
    Gate gate(L"GlowtideSuiteKilledHdr");
    Instance killed(L"-HDR:E -BB:2500 -HDRQ:D -BBQ:1000 \"-P:" + Child() + L"\"");
    WaitForHiddenWindow(killed.processId());
    killed.Kill();
    const bool ended = killed.HasEnded(5000);
    const std::wstring runOnce = RunOnceValue();
    const RunResult settled = RunGlowtide(L"-R");
    EXPECT_EQ(runOnce, L"\"" + SuiteDirectory() + L"\\Glowtide.exe\" -R");
    EXPECT_TRUE(ended && settled.boxes.empty() && settled.exitCode == 0);
    EXPECT_EQ(Trace(settled.processId).substr(Trace(settled.processId).find(" set")),
              " set10:0 get9 set-18:1000 get11")
        << "-R puts back the HDR state and the white level that the killed launch set";
  }
  EXPECT_TRUE(Records().empty() && RunOnceValue().empty())
      << "once each record is settled, none is left, nor the RunOnce value";

  // Settings that hold: the displays forget HDR, the white level and the brightness while a game
  // runs, and the machine resumes; 3 s later those three come back, and only they (the game's
  // mode stayed).
  SetDeviceScenario("");
  {
    const HANDLE forget = CreateEventW(nullptr, TRUE, FALSE, L"GlowtideSuiteDisplaysForget");
    Gate gate(L"GlowtideSuiteHold");
    Instance game(L"-HDR:E -BB:2500 -B:70 -M:1920x1080 -BQ:33 \"-P:" + Child() + L"\"");
    const HWND window = WaitForHiddenWindow(game.processId());
    const std::string start =
        "get15 get9 set10:1 get9 mode:1920x1080@60:32:0x5c0000:0 set-18:2500 get11 setB:70 getB "
        "free getB free";  // HDR read before its switch, and the brightness looked at 2 s after
    Await(10000, [&] { return Trace(game.processId()) == start; });
    SetEvent(forget);
    PostMessageW(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    const std::string held = start +
                             " get9 get11 getB free set10:1 get9 set-18:2500 get11 "
                             "setB:70 getB free";
    Await(15000, [&] { return Trace(game.processId()) == held; });
    SetEvent(gate.event);
    const DWORD exitCode = game.Finish().exitCode;
    EXPECT_EQ(Trace(game.processId()) + " exit " + std::to_string(exitCode),
              held + " setB:33 getB free exit 0")
        << "after a resume the settings the displays forgot come back, and only they";
    CloseHandle(forget);
  }

  // A launch that starts while another restores its display is counted, waits for that restore,
  // and makes its own settings after it, where they stay; the lock is not held meanwhile.
  SetDeviceScenario("three, slow sets");
  {
    std::unique_ptr<Gate> gateA(new Gate(L"GlowtideSuiteSlowA"));
    Instance a(L"-D:* -BBQ:1500 \"-P:" + Child() + L"\"");
    WaitForHiddenWindow(a.processId());
    gateA.reset();
    Await(10000, [&] { return Trace(a.processId()); });  // its restore has begun
    Gate gateB(L"GlowtideSuiteSlowB");
    Instance b(L"-D:3 -BB:2500 -BBQ:1800 \"-P:" + Child() + L"\"");
    WaitForHiddenWindow(b.processId());
    SetEvent(gateB.event);
    const DWORD endA = a.Finish().exitCode, endB = b.Finish().exitCode;
    // The processes whose sets the log shows, in the order they came.
    std::string order;
    std::ifstream log(TempFile(L"glowtide_device_log.txt").c_str());
    for (std::string line; std::getline(log, line);) {
      if (line.find(" DisplayConfigSetDeviceInfo(") == std::string::npos) continue;
      order += std::stoul(line) == a.processId() ? "A" : "B";
    }
    EXPECT_EQ(
        Trace(b.processId()) + " " + order + " exit " + std::to_string(endA) + std::to_string(endB),
        "set-18@9:2500 get11@9 set-18@9:1800 get11@9 AAABB exit 00")
        << "a launch during another's restore is counted, and sets its level after that restore";
  }

  // A launch that starts while another's join puts back what a killed launch owed waits for that
  // settle too, so that none of it lands on its own settings.
  {
    KillWaitingLaunch(L"-D:* -BBQ:1500");
    SetDeviceScenario("three, slow sets");
    // Each ends on its own event, the settling one first, so that the other is the last out.
    std::unique_ptr<Gate> gateSettling(new Gate(L"GlowtideSuiteSettleRace"));
    Instance settling(L"-D:* -BQ:50 \"-P:" + Child() + L"\"");
    // Its settle has begun: the first of three slow sets.
    Await(10000, [&] { return Trace(settling.processId()).find("set-18") != std::string::npos; });
    gateSettling.reset();
    Gate gateJoining(L"GlowtideSuiteSettleRaceJoining");
    Instance joining(L"-D:3 -BB:2500 -BBQ:1800 \"-P:" + Child() + L"\"");
    WaitForHiddenWindow(joining.processId());
    settling.Finish();
    SetEvent(gateJoining.event);
    joining.Finish();
    std::string order;
    std::ifstream log(TempFile(L"glowtide_device_log.txt").c_str());
    for (std::string line; std::getline(log, line);) {
      if (line.find(" DisplayConfigSetDeviceInfo(") == std::string::npos) continue;
      order += std::stoul(line) == settling.processId() ? "S" : "J";
    }
    EXPECT_EQ(order, "SSSJJ") << "a launch waits for another's settle before its own settings";
  }

  // The session ends while a restore to three displays is under way, each set refused and tried
  // three times: the window procedure answers only once every white level is sent.
  SetDeviceScenario("three refusing sets");
  {
    Gate gate(L"GlowtideSuiteRestoring");
    Instance launch(L"-D:* -BBQ:1500 \"-P:" + Child() + L"\"");
    const HWND window = WaitForHiddenWindow(launch.processId());
    SetEvent(gate.event);
    auto sent = [&] { return Trace(launch.processId()); };
    const bool began = !Await(10000, sent).empty();  // the first set, refused
    Send(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_EQ(sent(),
              "get11 get11@8 get11@9 set-18:1500 set-18:1500 set-18:1500 set-18@8:1500 "
              "set-18@8:1500 set-18@8:1500 "
              "set-18@9:1500 set-18@9:1500 set-18@9:1500")
        << std::string(began ? "" : "(no restore began) ") +
               "a session end during a restore is answered once all three displays are sent";
    launch.Finish();
  }
  // What was refused stays owed, for the next launch or -R; cleared here for the checks after.
  const std::vector<std::wstring> owed = Records();
  EXPECT_EQ(owed.size(), 1u) << "a restore that was refused stays in the record";
  wchar_t data[MAX_PATH] = {};
  GetEnvironmentVariableW(L"LOCALAPPDATA", data, MAX_PATH);
  for (const std::wstring& name : owed)
    DeleteFileW((std::wstring(data) + L"\\Glowtide\\" + name).c_str());
}

TEST(Timed, SettleGraceAndHeldLock) {
  SetDeviceScenario("");
  SetEnvironmentVariableW(L"GLOWTIDE_CHILD_RECORD", kRecord.c_str());
  // A launcher that starts the game and stays open, and a game that restarts itself after a
  // second: -PW: restores only when the game has ended for good. The game's name is found
  // whatever the case of its letters, ASCII or not.
  const std::wstring game = SuiteDirectory() + L"\\child\\\u00c9POP\u00c9E.exe";
  CopyFileW((SuiteDirectory() + L"\\child\\glowtide_game.exe").c_str(), game.c_str(), FALSE);
  SetEnvironmentVariableW(L"GLOWTIDE_CHILD_SPAWN", game.c_str());
  SetEnvironmentVariableW(L"GLOWTIDE_CHILD_RESPAWN", L"1000");
  {
    DeleteFileW(kRecord.c_str());
    Gate launcher(L"GlowtideSuiteLauncher", L"GLOWTIDE_LAUNCHER_EVENT");
    Gate second(L"GlowtideSuiteGame2");
    Gate first(L"GlowtideSuiteGame");
    Instance launch(L"\"-P:" + Child() + L"\" -BQ:30 -PW:\u00e9pop\u00e9e.exe");
    // Glowtide looks for the game twice a second: a second is time for it to have seen each one.
    WaitForFile(kRecord);
    const bool waitsForFirst = !launch.HasEnded(1000);
    DeleteFileW(kRecord.c_str());
    SetEvent(first.event);
    WaitForFile(kRecord);  // it has restarted
    EXPECT_TRUE(waitsForFirst && !launch.HasEnded(1000) && Trace(launch.processId()) == "getB free")
        << "with -PW: a game gone for a second and back is waited for, with nothing restored";
    SetEvent(second.event);
    launch.Finish();
    EXPECT_EQ(Trace(launch.processId()), "getB free setB:30 getB free")
        << "with -PW: the settings come when the game ends, while the launcher stays open";
  }
  SetEnvironmentVariableW(L"GLOWTIDE_CHILD_RESPAWN", nullptr);
  SetEnvironmentVariableW(L"GLOWTIDE_CHILD_SPAWN", nullptr);

  const ULONGLONG start = GetTickCount64();
  RunResult grace = RunGlowtide(L"\"-P:" + Child() + L"\" -BQ:40 -PW:absent.exe -PWT:1");
  const ULONGLONG took = GetTickCount64() - start;
  printf("info a launch waiting for a game that never came ended after %llu ms\n", took);
  EXPECT_TRUE(grace.exitCode == 0 && took >= 1000 && took < 5000 && !Trace(grace.processId).empty())
      << "a game that never appears is looked for for -PWT: seconds, then the settings come";

  const std::wstring record = TempFile(L"glowtide_held_lock_record.txt");
  DeleteFileW(record.c_str());
  SetEnvironmentVariableW(L"GLOWTIDE_CHILD_RECORD", record.c_str());
  // Held by a stuck instance, as it were, for the whole check.
  const HANDLE lock = CreateMutexW(nullptr, TRUE, L"RS_GLOWTIDE_LOCK");
  Instance launch(L"-BQ:40 \"-P:" + Child() + L"\"");
  const bool started = !WaitForFile(record, 20000).empty();
  const RunResult run = launch.Finish();
  const ULONGLONG held = launch.Lifetime();
  printf("info a launch that found the lock held started its program after %llu ms\n", held);
  EXPECT_TRUE(started && run.exitCode == 1 && held >= 9500 && held < 13000 &&
              Trace(run.processId).empty())
      << "with the lock held elsewhere the launch still starts, after about 10 s, uncounted: no "
         "restore, and exit 1";
  ReleaseMutex(lock);
  CloseHandle(lock);
}

}  // namespace e2e
