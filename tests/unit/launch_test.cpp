// Launch and restore: the child's arguments, the shell fallback, the waits for the child and for
// the game, and the hidden window. What the last launch out applies is in the run's tests.
#include <gtest/gtest.h>

#include "launch/child_launch.h"
#include "launch/hidden_window.h"
#include "launch/launch_counting.h"
#include "launch/waiting.h"
#include "support/fake_platform.h"

namespace glowtide {
namespace {

using testing::FakePlatform;
using testing::Utf8;
using Calls = std::vector<std::string>;

// The child's command line has no empty argument, and -PARG:1: as it stands (that any -PARG:0:
// comes back whole is the fuzzer's invariant); the shell is asked, with the same arguments and
// folder, only when the process cannot be created.
TEST(LaunchChild, CreatesTheProcessAndAsksTheShellOnlyWhenThatFails) {
  for (const auto& [arguments, line] :
       {std::pair{u"", ""}, std::pair{u" \"-PARG:1:-w 1\"", " -w 1"}}) {
    FakePlatform direct;
    const ChildProcess child =
        LaunchChild(direct, testing::SettingsFrom(u"-P:C:\\G\\g.exe" + std::u16string(arguments)));
    EXPECT_EQ(direct.calls, (Calls{"CreateProcessW(0x420,104)"}));
    EXPECT_EQ(Utf8(direct.launched[0] + u"|" + direct.launched[1] + u"|" + direct.launched[2]),
              std::string("C:\\G\\g.exe|\"C:\\G\\g.exe\"") + line + "|C:\\G");
    EXPECT_TRUE(child.started && child.process.get() == Handle{0x50});
  }
  FakePlatform shell({.failing = {"CreateProcessW"}});
  const ChildProcess opened =
      LaunchChild(shell, testing::SettingsFrom(u"-P:steam://run/1 -PARG:0:a"));
  EXPECT_EQ(shell.launched[2], u"(null)");  // a URL names no folder
  EXPECT_EQ(shell.shellOpened,
            (std::vector<std::u16string>{u"steam://run/1", u"\"a\"", u"(null)"}));
  EXPECT_EQ(shell.CallsTo("Co"), (Calls{"CoInitializeEx(0x6)", "CoUninitialize()"}));
  EXPECT_EQ(opened.process.get(), Handle{0x58});
  EXPECT_FALSE(opened.thread);
}

// With -PW: the launched program (0x50, id 3) and the game are waited on together; the game is
// looked for twice a second until it has appeared, and for the grace period of 2 s after the
// launched program ended.
TEST(WaitForLaunch, WaitsForTheGameWhileTheLauncherRunsAndAfterItEnded) {
  const testing::FakeProcess game{7, u"EldenRing.EXE"};
  struct Case {
    const char* label;
    std::vector<std::vector<testing::FakeProcess>> snapshots;
    Calls waits;  // the waits' handles and timeouts
    std::uint64_t elapsed;
    std::vector<std::uint32_t> results = {};  // of the waits, in order
  };
  const std::string launcher = "1,0x50,0x1f4", both = "2,0x50,0x1007,0xffffffff";
  // clang-format off
  const Case cases[] = {
      {"a launcher that stays open: the game comes and goes while it runs",
       {{}, {game}, {}}, {launcher, both}, 0, {0x102, 1}},
      {"the launcher ends while the game runs", {{game}, {game}, {}},
       {both, "1,0x1007,0xffffffff"}, 0},
      {"the launcher ends before any game: looks until the grace period ends",
       {{}}, {launcher, "0,0x1f4", "0,0x1f4", "0,0x1f4", "0,0x1f4"}, 2000, {0}},
      {"relaunched by its client", {{game}, {{8, u"eldenring.exe"}}, {}},
       {both, "1,0x1008,0xffffffff"}, 0},
      {"ended but still listed: not taken for the game",
       {{{.processId = 7, .exeFile = u"eldenring.exe", .running = false}}, {}},
       {launcher, "0,0x1f4", "0,0x1f4", "0,0x1f4", "0,0x1f4"}, 2000, {0}},
      {"cannot be opened: looked for twice a second",
       {{{.processId = 7, .exeFile = u"eldenring.exe", .openable = false}}, {}},
       {launcher}, 0},
      {"only this session's processes of that file name, not the launcher",
       {{{.processId = 5, .exeFile = u"eldenring.exe", .session = 2}, {6, u"eldenring.exe.bak"},
         game, {9, u"eldenr\u0131ng.exe"}, {3, u"eldenring.exe"}},
        {}},
       {both}, 0},
  };
  // clang-format on
  for (const Case& c : cases) {
    FakePlatform platform({.snapshots = c.snapshots, .waitResults = c.results});
    MessageWait wait(platform, AcceleratorHandle{0xACC});
    WaitForLaunch(wait, platform, Handle{0x50}, 3, u"C:\\Games\\eldenring.exe", 2);
    Calls waits;
    for (const std::string& call : platform.CallsTo("MsgWait")) {
      waits.push_back(call.substr(28, call.find(",0x1cff") - 28));
    }
    EXPECT_EQ(waits, c.waits) << c.label;
    EXPECT_EQ(platform.now - 1000, c.elapsed) << c.label;
  }
}

// Only live instances keep their place: one that ended, is gone, or whose id now names a process
// created later is pruned, one that exists but may not be opened stays. The last one out applies
// the quit settings before it lets the lock go.
TEST(LaunchTable, TheLastLiveInstanceOutAppliesTheQuitSettings) {
  struct Recorded final : QuitSettings {
    std::vector<std::string>* calls;
    bool Apply(Pause&) override { return calls->push_back("apply"), false; }
  };
  struct Case {
    const char* label;
    std::vector<testing::FakeProcess> processes;  // instance 9 took its place at time 3
    bool last;
    std::uint32_t lockResult = 0;
  };
  // clang-format off
  const Case cases[] = {
      {"9 still runs", {{.processId = 9, .created = 3}}, false},         {"9 is gone", {}, true},
      {"9 ended", {{.processId = 9, .running = false, .created = 3}}, true},
      {"id 9 now names a newer process", {{.processId = 9, .created = 5}}, true},
      {"9 may not be opened", {{.processId = 9, .openable = false, .created = 5}}, false},
      {"9 died holding the lock", {}, true, 0x80},
  };
  // clang-format on
  for (const Case& c : cases) {
    FakePlatform platform({.processes = c.processes,
                           .table = testing::TableWith({{9, 3}}),
                           .lockResult = c.lockResult});
    LaunchTable table(platform);
    ASSERT_TRUE(table.Join()) << c.label;
    using Ids = std::vector<std::uint32_t>;
    EXPECT_EQ(platform.Places(), c.last ? Ids{4} : Ids({9, 4})) << c.label;
    Recorded quit;
    quit.calls = &platform.calls;
    SleepPause pause(platform);
    EXPECT_EQ(table.Leave(quit, pause), !c.last) << c.label;
    // Applied, and only then, before the lock is let go.
    EXPECT_EQ(platform.calls.back(), "ReleaseMutex(0x60)") << c.label;
    EXPECT_EQ(platform.calls.end()[-2] == "apply", c.last) << c.label;
    EXPECT_EQ(platform.Places(), c.last ? Ids{} : Ids{9}) << c.label;
  }
}

// The window is made hidden with its class, and the class's procedure answers each message.
TEST(HiddenWindow, IsCreatedHiddenAndAnswersEachMessageAsTheTableSays) {
  FakePlatform created;
  ASSERT_TRUE(CreateHiddenWindow(created, InstanceHandle{0x400000}).has_value());
  EXPECT_EQ(
      created.calls,
      (Calls{"LoadStringW(0x400000,103,100)", "LoadStringW(0x400000,109,100)",
             "LoadIconW(0x400000,107)", "LoadCursorW(0x0,32512)", "LoadIconW(0x400000,108)",
             "RegisterClassExW(GLOWTIDE,80,3,0x706b,0x8000,6,109,0x706c,0x400000)",
             "CreateWindowExW(0,GLOWTIDE,Glowtide,0xcf0000,0x80000000,0,0x80000000,0,0x0,0x0,"
             "0x400000,null)",
             "ShowWindow(0x900,0)", "UpdateWindow(0x900)", "LoadAcceleratorsW(0x400000,109)"}));
  struct Case {
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t result;
    Calls calls;
  };
  // 104 from an accelerator changes nothing; the session may end; an end cancelled changes
  // nothing.
  // clang-format off
  const Case cases[] = {
      {0x0002, 0, 0, {"PostQuitMessage(0)"}}, {0x000F, 0, 0, {"BeginPaint(0x900)", "EndPaint(0x900)"}},
      {0x0111, 0x10068, 0, {}},               {0x0111, 105, 0, {"DestroyWindow(0x900)"}},
      {0x0111, 106, 77, {"DefWindowProcW(0x900,0x111,0x6a,5)"}},
      {0x0005, 3, 77, {"DefWindowProcW(0x900,0x5,0x3,5)"}},
      {0x0011, 0, 1, {}}, {0x0016, 1, 0, {"GetWindowLongPtrW(0x900,-21)"}}, {0x0016, 0, 0, {}},
  };
  // clang-format on
  for (const Case& c : cases) {
    FakePlatform platform;
    EXPECT_EQ(created.registered.procedure(platform, WindowHandle{0x900}, c.message, c.wParam, 5),
              c.result);
    EXPECT_EQ(platform.calls, c.calls) << c.message << "/" << c.wParam;
  }
}

}  // namespace
}  // namespace glowtide
