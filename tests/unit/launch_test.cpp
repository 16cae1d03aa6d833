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
    // The name is cut to its file name at a backslash or, in every other row, a slash.
    const bool slash = (&c - cases) % 2 == 1;
    WaitForLaunch(wait, platform, Handle{0x50}, 3,
                  slash ? u"C:/Games/eldenring.exe" : u"C:\\Games\\eldenring.exe", 2);
    Calls waits;
    for (const std::string& call : platform.CallsTo("MsgWait")) {
      waits.push_back(call.substr(28, call.find(",0x1cff") - 28));
    }
    EXPECT_EQ(waits, c.waits) << c.label;
    EXPECT_EQ(platform.now - 1000, c.elapsed) << c.label;
  }
}

// The hold is paused while a game that was seen is gone (a game that restarts itself), and goes on
// when it is back: a look due while it is gone comes only after it is back.
TEST(WaitForLaunch, PausesTheHoldWhileTheGameIsGone) {
  struct Look final : Watch {
    FakePlatform* platform = nullptr;
    std::uint64_t due = 1200, ran = 0;
    void Notice(std::uint32_t, std::uintptr_t, std::intptr_t) override {}
    std::uint64_t Due() const override { return due; }
    void Run() override {
      ran = platform->now;
      due = kNever;
    }
  } look;
  FakePlatform platform(
      {.snapshots = {{{7, u"EldenRing.EXE"}}, {}, {}, {{7, u"EldenRing.EXE"}}, {}}});
  look.platform = &platform;
  MessageWait wait(platform, AcceleratorHandle{0xACC});
  wait.Keep(&look);
  WaitForLaunch(wait, platform, Handle{0x50}, 3, u"eldenring.exe", 2);
  EXPECT_EQ(look.ran, 2000u);
}

// Each display is put back by the last live launch on it. A leaving instance marks its place as
// restoring the displays that no other live place claims, applies its quit settings with the lock
// let go, and frees its place under the lock again; a launch that joins while a live instance
// restores one of its displays waits for that restore first. A place is live while its instance's
// event can be opened or is refused (an elevated instance's); only one that is not found has ended.
TEST(LaunchTable, EachDisplayIsPutBackByTheLastLiveLaunchOnIt) {
  struct Recorded final : QuitSettings {
    FakePlatform* platform = nullptr;
    std::string others = "-";  // the displays other launches claim, as Apply was told; "-" none
    std::string places;        // the table during the restore
    std::size_t locked = 0;    // the lock's takes not yet let go during the restore
    bool Apply(Pause&, const std::vector<DisplayTarget>& claimed) override {
      others.clear();
      for (const DisplayTarget& display : claimed) others += std::to_string(display.targetId);
      for (const std::string& place : platform->Places()) places += place + ";";
      locked = platform->CallsTo("WaitForSingleObject(0x60").size() +
               platform->CallsTo("MsgWaitForMultipleObjectsEx(1,0x60").size() -
               platform->CallsTo("ReleaseMutex").size();
      return false;
    }
  };
  struct Case {
    const char* label;
    std::vector<std::uint32_t> own;  // the targets this launch acts on
    testing::FakePlace other;        // instance 9's place, taken at time 3
    std::set<std::string> events;    // the live events there are
    std::string others;              // what the restore is told others claim; "-" no restore
    std::string restoring = "";      // this launch's place during the restore
    testing::Machine machine = {};   // the rest of the machine
  };
  const std::set<std::string> live9 = {"RS_GLOWTIDE_LIVE_9_3"};
  // clang-format off
  const Case cases[] = {
      {"another display's launch still runs", {7}, {9, 3, {8}}, live9, "8", "4:7 restoring"},
      {"a launch on the same display still runs", {7}, {9, 3, {7}}, live9, "-"},
      {"-D:* leaves while -D:2 runs: it restores the others", {7, 8, 9}, {9, 3, {8}}, live9, "8",
       "4:7,9 restoring"},
      {"-D:2 leaves while -D:* runs", {8}, {9, 3, {7, 8, 9}}, live9, "-"},
      {"9's event is gone: it ended, was killed, or its id now names another process", {7},
       {9, 3, {7}}, {}, "", "4:7 restoring"},
      {"only another instance of id 9 lives", {7}, {9, 3, {7}}, {"RS_GLOWTIDE_LIVE_9_5"}, "",
       "4:7 restoring"},
      {"9's event may not be opened (it is elevated): it lives", {7}, {9, 3, {7}}, {}, "-", "",
       {.failing = {"OpenEventW"}}},
      {"9 died holding the lock", {7}, {9, 3, {7}}, {}, "", "4:7 restoring", {.lockResult = 0x80}},
      {"the lock is not had in 10 s: the launch stays uncounted", {7}, {9, 3, {7}}, live9, "-", "",
       {.lockResult = 0x102}},
      {"a failed wait does not hold the lock", {7}, {9, 3, {7}}, live9, "-", "",
       {.lockResult = 0xFFFFFFFF}},
      {"not had in 10 s when leaving: a live claim still counts", {7}, {9, 3, {7}}, live9, "-", "",
       {.waitResults = {0x102}}},
      {"not had in 10 s when leaving: put back without it", {7}, {9, 3, {8}}, live9, "8", "9:8;",
       {.waitResults = {0x102}}},
      {"9 restores display 7: this launch waits for it, then joins", {7}, {9, 3, {7}, true}, live9,
       "-"},
      {"9's restore is hung: after 2 minutes the launch stays uncounted", {7}, {9, 3, {7}, true},
       live9, "-", "", {.eventResult = 0x102}},
  };
  // clang-format on
  for (const Case& c : cases) {
    testing::Machine machine = c.machine;
    machine.table = testing::TableWith({c.other});
    machine.events = c.events;
    FakePlatform platform(machine);
    LaunchTable table(platform);
    std::vector<DisplayTarget> own;
    for (const std::uint32_t id : c.own) own.push_back({{0x1234, 0}, id});
    const bool hung = c.machine.eventResult != 0;
    const bool joins = (c.machine.lockResult == 0 || c.machine.lockResult == 0x80) && !hung;
    ASSERT_EQ(table.Join(own), joins) << c.label;
    // The join's wait for the lock is bounded: 10 s (once more to give the place back after a
    // restore it waited for in vain).
    EXPECT_EQ(platform.CallsTo("WaitForSingleObject(0x60,10000)").size(), hung ? 2u : 1u)
        << c.label;
    // Open to the user and SYSTEM alone, with a label that lets a normal instance write to what an
    // elevated one created.
    EXPECT_EQ(platform.CallsTo("CreateMutexW"),
              (Calls{"CreateMutexW(RS_GLOWTIDE_LOCK,D:P(A;;GA;;;S-1-5-21-1-2-3-1001)(A;;GA;;;SY)"
                     "S:(ML;;NW;;;ME))"}))
        << c.label;
    EXPECT_TRUE(platform.events.count("RS_GLOWTIDE_LIVE_4_7")) << c.label;
    if (c.other.restoring) {
      // It looked for 9's end twice a second, for 2 minutes when that never came.
      EXPECT_EQ(platform.CallsTo("WaitForSingleObject(0x6c,500)").size(), hung ? 240u : 1u)
          << c.label;
      const std::vector<std::string> places = {"9:7 restoring", "4:7"};
      EXPECT_EQ(platform.Places(), std::vector<std::string>(places.begin(), places.end() - hung))
          << c.label;
    } else if (joins) {
      std::string claims;
      for (const std::uint32_t id : c.own)
        claims += (claims.empty() ? "" : ",") + std::to_string(id);
      EXPECT_EQ(platform.Places().back(), "4:" + claims) << c.label;
    }
    Recorded quit;
    quit.platform = &platform;
    MessageWait wait(platform, AcceleratorHandle::kNull);
    const bool inPlace = table.Leave(quit, wait, kLeaveWaitMs);
    EXPECT_EQ(inPlace, quit.others == "-") << c.label;
    EXPECT_EQ(quit.others, joins ? c.others : "-") << c.label;
    if (!joins || quit.others == "-") continue;
    // The restore runs with the lock let go (a wait that timed out held nothing), and with its
    // place marked when the lock was had.
    EXPECT_EQ(quit.locked, c.machine.waitResults.size()) << c.label;
    EXPECT_NE(quit.places.find(c.restoring), std::string::npos) << c.label << ": " << quit.places;
    // Its own place is given back, and the launches waiting for it are woken.
    for (const std::string& place : platform.Places())
      EXPECT_NE(place.substr(0, 2), "4:") << c.label;
    // Set once the restore is done, after it was reset when the place was marked (with the lock).
    EXPECT_EQ(platform.CallsTo("ResetEvent(0x68)").size(), c.machine.waitResults.empty() ? 1u : 0u)
        << c.label;
    EXPECT_EQ(platform.CallsTo("SetEvent(0x68)").size(), 1u) << c.label;
  }
  // A 65th launch finds no place: it stays uncounted.
  std::vector<testing::FakePlace> places;
  std::set<std::string> live;
  for (std::uint32_t id = 100; id < 100 + kLaunchTablePlaces; ++id) {
    places.push_back({id, 3, {8}});
    live.insert("RS_GLOWTIDE_LIVE_" + std::to_string(id) + "_3");
  }
  FakePlatform full({.table = testing::TableWith(places), .events = live});
  LaunchTable table(full);
  EXPECT_FALSE(table.Join({{{0x1234, 0}, 7}}));
}

// A join that settles what an ended launch owes marks the displays it puts back as restoring, as
// a leave does, so that a launch joining meanwhile waits; and wakes such launches when done.
TEST(LaunchTable, AJoinMarksTheDisplaysItSettles) {
  struct Settle final : QuitSettings {
    FakePlatform* platform = nullptr;
    std::string places;  // the table while it puts back
    std::vector<DisplayTarget> Decide(const std::vector<DisplayTarget>&) override {
      return {{{0x1234, 0}, 8}};
    }
    bool Apply(Pause&, const std::vector<DisplayTarget>&) override {
      for (const std::string& place : platform->Places()) places += place;
      return true;
    }
  };
  FakePlatform platform;
  Settle settle;
  settle.platform = &platform;
  LaunchTable table(platform);
  ASSERT_TRUE(table.Join({{{0x1234, 0}, 7}}, &settle));
  EXPECT_EQ(settle.places, "4:7,8 restoring");
  EXPECT_EQ(platform.Places(), (std::vector<std::string>{"4:7"}));
  EXPECT_EQ(platform.CallsTo("SetEvent(0x68)").size(), 1u);
}

// The window procedure lets the session end and, when it does, tells the listener in the
// window's user data before it returns; an end that was cancelled tells nobody. (That the window
// is created hidden and destroyed by command 105 is the suite's.)
TEST(HiddenWindow, TellsTheListenerWhenTheSessionEndsOrTheWindowIsToClose) {
  struct Listener final : WindowListener {
    int told = 0, closed = 0;
    void EndSession() override { ++told; }
    void Close() override { ++closed; }
    void Notice(std::uint32_t, std::uintptr_t, std::intptr_t) override {}
  } listener;
  FakePlatform platform({.userData = reinterpret_cast<std::intptr_t>(&listener)});
  EXPECT_EQ(HiddenWindowProc(platform, WindowHandle{0x900}, 0x0011, 0, 0), 1);  // it may end
  EXPECT_EQ(HiddenWindowProc(platform, WindowHandle{0x900}, 0x0016, 0, 0), 0);  // cancelled
  EXPECT_EQ(listener.told, 0);
  EXPECT_EQ(HiddenWindowProc(platform, WindowHandle{0x900}, 0x0016, 1, 0), 0);
  EXPECT_EQ(listener.told, 1);
  // WM_CLOSE ends the wait and leaves the window, which DefWindowProcW would destroy.
  EXPECT_EQ(HiddenWindowProc(platform, WindowHandle{0x900}, 0x0010, 0, 0), 0);
  EXPECT_EQ(listener.closed, 1);
  EXPECT_TRUE(platform.CallsTo("DefWindowProcW").empty() &&
              platform.CallsTo("DestroyWindow").empty());
}

}  // namespace
}  // namespace glowtide
