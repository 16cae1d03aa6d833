// Launch and restore: the child's arguments, the shell fallback, the waits for the child and for
// the game, and the hidden window. What the last launch out applies is in the run's tests.
#include <gtest/gtest.h>

#include "launch/child_launch.h"
#include "launch/hidden_window.h"
#include "launch/waiting.h"
#include "support/fake_platform.h"

namespace glowtide {
namespace {

using testing::FakePlatform;
using testing::Utf8;
using Calls = std::vector<std::string>;

// The child's command line gives -PARG:0: back whole and -PARG:1: as it stands; the shell is
// asked, with the same arguments, only when the process cannot be created.
TEST(LaunchChild, CreatesTheProcessAndAsksTheShellOnlyWhenThatFails) {
  struct Case {
    std::u16string argument0, argument1;
    const char* arguments;  // after the quoted path
  };
  const Case cases[] = {
      {u"", u"", "\"\" "},
      {u"a b", u"-w 1", "\"a b\" -w 1"},
      {u"C:\\Saves\\", u"-fullscreen", "\"C:\\Saves\\\\\" -fullscreen"},
      {u"say \"hi\"", u"", "\"say \\\"hi\\\"\" "},
      {u"a\\\\\"b\\c", u"", "\"a\\\\\\\\\\\"b\\c\" "},
  };
  for (const Case& c : cases) {
    FakePlatform direct;
    const ChildProcess child = LaunchChild(direct, LaunchSettings{.launchProgram = true,
                                                                  .programPath = u"C:\\G\\g.exe",
                                                                  .workingDirectory = u"C:\\G",
                                                                  .programArgument0 = c.argument0,
                                                                  .programArgument1 = c.argument1});
    EXPECT_EQ(direct.calls, (Calls{"CreateProcessW(0x420,104)"}));
    EXPECT_EQ(Utf8(direct.launched[0] + u"|" + direct.launched[1] + u"|" + direct.launched[2]),
              std::string("C:\\G\\g.exe|\"C:\\G\\g.exe\" ") + c.arguments + "|C:\\G");
    EXPECT_EQ(child.process.get(), Handle{0x50});
  }
  FakePlatform shell;
  shell.failing = {"CreateProcessW"};
  const ChildProcess opened =
      LaunchChild(shell, testing::SettingsFrom(u"-P:steam://run/1 -PARG:0:a"));
  EXPECT_EQ(shell.shellOpened,
            (std::vector<std::u16string>{u"steam://run/1", u"\"a\" ", u"(null)"}));
  EXPECT_EQ(opened.process.get(), Handle{0x58});
  EXPECT_FALSE(opened.thread);
}

TEST(WaitForChild, PumpsMessagesAndAQuitEndsOnlyOnePass) {
  FakePlatform platform;
  platform.waitResults = {1, 1, 0};
  platform.queue = {Message{.window = WindowHandle{0x900}, .message = 0x0104},  // an accelerator
                    Message{.window = WindowHandle{0x900}, .message = 0x000F},
                    Message{.message = 0x0012},  // WM_QUIT
                    Message{.message = 0x0400}};
  WaitForChild(platform, Handle{0x50}, AcceleratorHandle{0xACC});
  const std::string wait = "MsgWaitForMultipleObjectsEx(1,0x50,0xffffffff,0x1cff,0)";
  EXPECT_EQ(platform.calls,
            (Calls{wait, "PeekMessageW(0x0,0,0,1)", "TranslateAcceleratorW(0x900,0xacc,0x104)",
                   "PeekMessageW(0x0,0,0,1)", "TranslateAcceleratorW(0x900,0xacc,0xf)",
                   "TranslateMessage(0xf)", "DispatchMessageW(0xf)", "PeekMessageW(0x0,0,0,1)",
                   "TranslateAcceleratorW(0x0,0xacc,0x12)", "TranslateMessage(0x12)",
                   "DispatchMessageW(0x12)", wait, "PeekMessageW(0x0,0,0,1)",
                   "TranslateAcceleratorW(0x0,0xacc,0x400)", "TranslateMessage(0x400)",
                   "DispatchMessageW(0x400)", "PeekMessageW(0x0,0,0,1)", wait}));
}

TEST(WaitForGame, WaitsWhileTheGameRunsAndLooksAgainWhenItEnds) {
  const testing::FakeProcess game{7, u"EldenRing.EXE"};
  struct Case {
    const char* label;
    std::vector<std::vector<testing::FakeProcess>> snapshots;
    Calls waits;  // the waits' handles and timeouts
    std::uint64_t elapsed;
  };
  // clang-format off
  const Case cases[] = {
      {"appears on the second look", {{}, {game}, {}}, {"0,0x1f4", "1,0x1007,0xffffffff"}, 500},
      {"never appears: looks until the grace period ends",
       {{}}, {"0,0x1f4", "0,0x1f4", "0,0x1f4", "0,0x1f4"}, 2000},
      {"relaunched by its client", {{game}, {{8, u"eldenring.exe"}}, {}},
       {"1,0x1007,0xffffffff", "1,0x1008,0xffffffff"}, 0},
      {"ended but still listed: not taken for the game",
       {{{.processId = 7, .exeFile = u"eldenring.exe", .running = false}}, {}},
       {"0,0x1f4", "0,0x1f4", "0,0x1f4", "0,0x1f4"}, 2000},
      {"cannot be opened: looked for twice a second",
       {{{.processId = 7, .exeFile = u"eldenring.exe", .openable = false}}, {}},
       {"0,0x1f4"}, 500},
      {"only this session's processes of that file name, not the child",
       {{{.processId = 5, .exeFile = u"eldenring.exe", .session = 2}, {6, u"eldenring.exe.bak"},
         game, {9, u"eldenrıng.exe"},
         {3, u"eldenring.exe"}},  // the ended child
        {}},
       {"1,0x1007,0xffffffff"}, 0},
  };
  // clang-format on
  for (const Case& c : cases) {
    FakePlatform platform;
    platform.snapshots = c.snapshots;
    WaitForGame(platform, u"C:\\Games\\eldenring.exe", 2, 3, AcceleratorHandle{0xACC});
    Calls waits;
    for (const std::string& call : platform.CallsTo("MsgWait")) {
      waits.push_back(call.substr(28, call.find(",0x1cff") - 28));
    }
    EXPECT_EQ(waits, c.waits) << c.label;
    EXPECT_EQ(platform.now - 1000, c.elapsed) << c.label;
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
  const Case cases[] = {
      {0x0002, 0, 0, {"PostQuitMessage(0)"}},
      {0x000F, 0, 0, {"BeginPaint(0x900)", "EndPaint(0x900)"}},
      {0x0111, 0x10068, 0, {}},  // 104 from an accelerator changes nothing
      {0x0111, 105, 0, {"DestroyWindow(0x900)"}},
      {0x0111, 106, 77, {"DefWindowProcW(0x900,0x111,0x6a,5)"}},
      {0x0005, 3, 77, {"DefWindowProcW(0x900,0x5,0x3,5)"}},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    EXPECT_EQ(created.registered.procedure(platform, WindowHandle{0x900}, c.message, c.wParam, 5),
              c.result);
    EXPECT_EQ(platform.calls, c.calls) << c.message << "/" << c.wParam;
  }
}

}  // namespace
}  // namespace glowtide
