// Launch and restore: the child's arguments, the shell fallback, the waits for the child and for
// the game, and the hidden window. What the last launch out applies is in the run's tests.
#include <gtest/gtest.h>

#include <set>

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
       {std::pair{u"", ""}, std::pair{u" \"-PARG:1:-w 1\"", " -w 1"},
        // A backslash before a quote is doubled, and so is one before the closing quote.
        std::pair{u" \"-PARG:0:a\\\\\\\"b\\\\\"", " \"a\\\\\\\"b\\\\\""}}) {
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
// launched program ended. Once seen, it has ended when none has been seen for 3 s.
TEST(WaitForLaunch, WaitsForTheGameWhileTheLauncherRunsAndAfterItEnded) {
  const testing::FakeProcess game{7, u"EldenRing.EXE"};
  struct Case {
    const char* label;
    std::vector<std::vector<testing::FakeProcess>> snapshots;
    Calls waits;  // the waits' handles and timeouts
    std::uint64_t elapsed;
    std::vector<std::uint32_t> results = {};  // of the waits, in order
  };
  const std::string launcher = "1,0x50,0x1f4", both = "2,0x50,0x1007,0xffffffff", l = "0,0x1f4";
  // clang-format off
  const Case cases[] = {
      {"a launcher that stays open: the game comes and goes while it runs",
       {{}, {game}, {}}, {launcher, both, launcher, launcher, launcher, launcher, launcher, launcher},
       3500, {0x102, 1, 0x102, 0x102, 0x102, 0x102, 0x102, 0x102}},
      {"the launcher ends while the game runs", {{game}, {game}, {}},
       {both, "1,0x1007,0xffffffff", l, l, l, l, l, l}, 3000},
      {"gone for a second and back: still the same game", {{game}, {}, {}, {game}, {}},
       {both, l, l, "1,0x1007,0xffffffff", l, l, l, l, l, l}, 4000},
      {"the launcher ends before any game: looks until the grace period ends",
       {{}}, {launcher, l, l, l, l}, 2000, {0}},
      {"the grace period runs from the launcher's end, not from the launch",
       {{}}, {launcher, launcher, launcher, l, l, l, l}, 3000, {0x102, 0x102, 0}},
      {"relaunched by its client", {{game}, {{8, u"eldenring.exe"}}, {}},
       {both, "1,0x1008,0xffffffff", l, l, l, l, l, l}, 3000},
      {"ended but still listed: not taken for the game",
       {{{.processId = 7, .exeFile = u"eldenring.exe", .running = false}}, {}},
       {launcher, l, l, l, l}, 2000, {0}},
      {"ended, with no thread left, and cannot be opened: not taken for the game",
       {{{.processId = 7, .exeFile = u"eldenring.exe", .openable = false, .threads = 0}}, {}},
       {launcher, l, l, l, l}, 2000, {0}},
      {"cannot be opened: looked for twice a second",
       {{{.processId = 7, .exeFile = u"eldenring.exe", .openable = false}}, {}},
       {launcher, l, l, l, l, l, l}, 3000},
      {"only this session's processes of that file name, not the launcher",
       {{{.processId = 5, .exeFile = u"eldenring.exe", .session = 2}, {6, u"eldenring.exe.bak"},
         game, {9, u"eldenr\u0131ng.exe"}, {3, u"eldenring.exe"}},
        {}},
       {both, l, l, l, l, l, l}, 3000},
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

// Each display is put back by the last live launch on it: a leaving instance applies its quit
// settings to those of its displays that no live place claims, before it lets the lock go. A
// place is live while its instance's event can be opened. The lock is waited for 10 s at most.
TEST(LaunchTable, EachDisplayIsPutBackByTheLastLiveLaunchOnIt) {
  struct Recorded final : QuitSettings {
    std::string applied = "-";
    bool Apply(Pause&, const std::vector<DisplayTarget>& displays) override {
      applied.clear();
      for (const DisplayTarget& display : displays) applied += std::to_string(display.targetId);
      return false;
    }
  };
  struct Case {
    const char* label;
    std::vector<std::uint32_t> own;           // the targets this launch acts on
    std::vector<std::uint32_t> other;         // those of instance 9, which took its place at time 3
    std::set<std::string> events;             // the live events there are
    std::string applied;                      // the targets put back; "-" none
    std::uint32_t lockResult = 0;             // the plain wait's result for the lock, when joining
    std::vector<std::uint32_t> leaving = {};  // the message-aware wait's, when leaving
  };
  const std::set<std::string> live9 = {"RS_GLOWTIDE_LIVE_9_3"};
  // clang-format off
  const Case cases[] = {
      {"another display's launch still runs", {7}, {8}, live9, "7"},
      {"a launch on the same display still runs", {7}, {7}, live9, "-"},
      {"-D:* leaves while -D:2 runs", {7, 8, 9}, {8}, live9, "79"},
      {"-D:2 leaves while -D:* runs", {8}, {7, 8, 9}, live9, "-"},
      {"9's event is gone: it ended, was killed, or its id now names another process", {7}, {7}, {},
       "7"},
      {"only another instance of id 9 lives", {7}, {7}, {"RS_GLOWTIDE_LIVE_9_5"}, "7"},
      {"9 died holding the lock", {7}, {7}, {}, "7", 0x80},
      {"the lock is not had in 10 s: the launch stays uncounted", {7}, {7}, live9, "-", 0x102},
      {"a failed wait does not hold the lock", {7}, {7}, live9, "-", 0xFFFFFFFF},
      {"not had in 10 s when leaving: put back without it", {7}, {7}, live9, "7", 0, {0x102}},
  };
  // clang-format on
  for (const Case& c : cases) {
    FakePlatform platform({.table = testing::TableWith({{9, 3, c.other}}),
                           .lockResult = c.lockResult,
                           .events = c.events,
                           .waitResults = c.leaving});
    LaunchTable table(platform);
    std::vector<DisplayTarget> own;
    for (const std::uint32_t id : c.own) own.push_back({{0x1234, 0}, id});
    const bool joins = c.lockResult == 0 || c.lockResult == 0x80;
    ASSERT_EQ(table.Join(own), joins) << c.label;
    if (joins) {
      EXPECT_EQ(platform.Places().back(),
                c.own.size() == 3 ? "4:7,8,9" : "4:" + std::to_string(c.own[0]))
          << c.label;
    }
    EXPECT_EQ(platform.CallsTo("WaitForSingleObject(0x60"),
              (Calls{"WaitForSingleObject(0x60,10000)"}))
        << c.label;
    EXPECT_TRUE(platform.events.count("RS_GLOWTIDE_LIVE_4_7")) << c.label;
    Recorded quit;
    MessageWait wait(platform, AcceleratorHandle::kNull);
    EXPECT_EQ(table.Leave(quit, wait, kLeaveWaitMs), c.applied == "-") << c.label;
    EXPECT_EQ(quit.applied, c.applied) << c.label;
    if (!joins) continue;
    EXPECT_EQ(platform.CallsTo("MsgWaitForMultipleObjectsEx(1,0x60,0x2710").size(), 1u) << c.label;
    // Its own place is given back under the lock; a dead instance's is pruned.
    EXPECT_EQ(platform.Places().size(), (c.events == live9) + !c.leaving.empty()) << c.label;
    // The lock is let go after the restore, and only when it was had.
    EXPECT_EQ(platform.CallsTo("ReleaseMutex").size(), c.leaving.empty() ? 2u : 1u) << c.label;
  }
}

// The window procedure answers each message as the table says. (That the window is created
// hidden, destroyed by command 105, lets the session end and restores then is the suite's.)
TEST(HiddenWindow, AnswersEachMessageAsTheTableSays) {
  FakePlatform created;
  ASSERT_TRUE(CreateHiddenWindow(created, InstanceHandle{0x400000}).has_value());
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
