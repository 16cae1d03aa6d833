// Counted launches: the semaphore, the hidden window, the message-aware wait, the quit settings.
#include <gtest/gtest.h>

#include "app/run.h"
#include "launch/hidden_window.h"
#include "launch/launch_counting.h"
#include "support/fake_platform.h"

namespace glowtide {
namespace {

using testing::FakePlatform;
using Calls = std::vector<std::string>;

Calls From(const Calls& calls, const std::string& first) {
  auto at = std::find(calls.begin(), calls.end(), first);
  return Calls(at, calls.end());
}

int RunWith(FakePlatform& platform, std::vector<std::u16string> argv) {
  platform.argv = std::move(argv);
  return Run(platform, u"", InstanceHandle{0x400000});
}

const std::string kOpen = "OpenSemaphoreW(0x1f0003,false,RS_GLOWTIDE)";
const std::string kCreate = "CreateSemaphoreW(10000,10000,RS_GLOWTIDE)";
const std::string kWait = "MsgWaitForMultipleObjectsEx(1,0x50,0xffffffff,0x1cff,0)";

TEST(WaitAndRestore, OneCountedLaunchRestoresAfterTheChildEnds) {
  FakePlatform platform;
  EXPECT_EQ(RunWith(platform, {u"-P:C:\\G\\g.exe", u"-HDRQ:D", u"-BBQ:1500"}), 0);
  const Calls tail = From(platform.calls, kOpen);
  const Calls expected = {kOpen,
                          kCreate,
                          "LoadStringW(0x400000,103,100)",
                          "LoadStringW(0x400000,109,100)",
                          "LoadIconW(0x400000,107)",
                          "LoadCursorW(0x0,32512)",
                          "LoadIconW(0x400000,108)",
                          "RegisterClassExW(GLOWTIDE)",
                          "CreateWindowExW(0,GLOWTIDE,Glowtide,0xcf0000,0x80000000,0,0x80000000,0,"
                          "0x0,0x0,0x400000,null)",
                          "ShowWindow(0x900,0)",
                          "UpdateWindow(0x900)",
                          "LoadAcceleratorsW(0x400000,109)",
                          "WaitForSingleObject(0x60,0)",
                          kWait,
                          "ReleaseSemaphore(0x60,1,previous=0)",
                          "DisplayConfigSetDeviceInfo(10)",
                          "DisplayConfigSetDeviceInfo(-18)",
                          "CloseHandle(0x60)",
                          "CloseHandle(0x54)",
                          "CloseHandle(0x50)"};
  EXPECT_EQ(tail, expected);
  ASSERT_EQ(platform.setRequests.size(), 2u);
  EXPECT_EQ(platform.setRequests[0][20], 0);     // HDR off
  EXPECT_EQ(platform.setRequests[1][20], 0xDC);  // 1500 = 0x05DC
  EXPECT_EQ(platform.setRequests[1][21], 0x05);
}

TEST(WaitAndRestore, OnlyTheLastOneOutRestores) {
  struct Case {
    const char* label;
    std::int32_t previous;
    bool releaseOk;
    bool restores;
  };
  const Case cases[] = {
      {"previous 9999: last out", 9999, true, true},
      {"previous 9998: another launch still waits", 9998, true, false},
      {"failed release never restores", 9999, false, false},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    platform.previousCount = c.previous;
    platform.releaseOk = c.releaseOk;
    EXPECT_EQ(RunWith(platform, {u"-P:g.exe", u"-BQ:40"}), 0) << c.label;
    const bool restored = std::count(platform.calls.begin(), platform.calls.end(),
                                     "SetMonitorBrightness(0x101,40)") == 1;
    EXPECT_EQ(restored, c.restores) << c.label;
  }
}

TEST(WaitAndRestore, AnExistingSemaphoreIsOpenedNotCreated) {
  FakePlatform platform;
  platform.openSemaphoreResult = Handle{0x70};
  RunWith(platform, {u"-P:g.exe", u"-BQ:40"});
  EXPECT_EQ(std::count(platform.calls.begin(), platform.calls.end(), kCreate), 0);
  EXPECT_EQ(std::count(platform.calls.begin(), platform.calls.end(), "WaitForSingleObject(0x70,0)"),
            1);
}

TEST(WaitAndRestore, NoSemaphoreMeansNoWindowNoWaitNoRestore) {
  FakePlatform platform;
  platform.createSemaphoreResult = Handle::kNull;
  EXPECT_EQ(RunWith(platform, {u"-P:g.exe", u"-BQ:40"}), 0);
  EXPECT_EQ(From(platform.calls, kOpen),
            (Calls{kOpen, kCreate, "CloseHandle(0x54)", "CloseHandle(0x50)"}));
}

TEST(WaitAndRestore, NoWindowEndsTheRunWithoutCounting) {
  FakePlatform platform;
  platform.createWindowOk = false;
  EXPECT_EQ(RunWith(platform, {u"-P:g.exe", u"-BQ:40"}), 0);
  for (const std::string& call : platform.calls) {
    EXPECT_EQ(call.find("WaitForSingleObject"), std::string::npos);
    EXPECT_EQ(call.find("ReleaseSemaphore"), std::string::npos);
    EXPECT_EQ(call.find("SetMonitorBrightness"), std::string::npos);
  }
}

TEST(WaitAndRestore, AFailedLaunchCountsAsOneThatEndedAtOnce) {
  FakePlatform platform;
  platform.createProcessOk = false;
  EXPECT_EQ(RunWith(platform, {u"-P:missing.exe", u"-BQ:40"}), 0);
  EXPECT_EQ(std::count_if(platform.calls.begin(), platform.calls.end(),
                          [](const std::string& c) { return c.rfind("MsgWait", 0) == 0; }),
            0);
  EXPECT_EQ(
      std::count(platform.calls.begin(), platform.calls.end(), "SetMonitorBrightness(0x101,40)"),
      1);
}

TEST(WaitAndRestore, WithoutAQuitOptionNothingIsCounted) {
  FakePlatform platform;
  RunWith(platform, {u"-P:g.exe"});
  EXPECT_EQ(std::count(platform.calls.begin(), platform.calls.end(), kOpen), 0);
}

TEST(WaitForChild, PumpsMessagesAndAQuitEndsOnlyThePass) {
  FakePlatform platform;
  platform.waitResults = {1, 1, 0};
  platform.queue = {Message{.window = WindowHandle{0x900}, .message = 0x0104},  // accelerator
                    Message{.window = WindowHandle{0x900}, .message = 0x000F},
                    Message{.message = 0x0012},  // WM_QUIT
                    Message{.message = 0x0400}};
  WaitForChild(platform, Handle{0x50}, AcceleratorHandle{0xACC});
  EXPECT_EQ(platform.calls,
            (Calls{kWait, "PeekMessageW(0x0,0,0,1)", "TranslateAcceleratorW(0x900,0xacc,0x104)",
                   "PeekMessageW(0x0,0,0,1)", "TranslateAcceleratorW(0x900,0xacc,0xf)",
                   "TranslateMessage(0xf)", "DispatchMessageW(0xf)", "PeekMessageW(0x0,0,0,1)",
                   "TranslateAcceleratorW(0x0,0xacc,0x12)", "TranslateMessage(0x12)",
                   "DispatchMessageW(0x12)", kWait, "PeekMessageW(0x0,0,0,1)",
                   "TranslateAcceleratorW(0x0,0xacc,0x400)", "TranslateMessage(0x400)",
                   "DispatchMessageW(0x400)", "PeekMessageW(0x0,0,0,1)", kWait}));
}

TEST(WaitForChild, ReturnsOnEveryResultButMessagesWaiting) {
  for (std::uint32_t result : {0u, 0x80u, 0xFFFFFFFFu, 0x102u}) {
    FakePlatform platform;
    platform.waitResults = {result};
    WaitForChild(platform, Handle{0x50}, AcceleratorHandle{0xACC});
    EXPECT_EQ(platform.calls, (Calls{kWait})) << result;
  }
}

TEST(HiddenWindowProc, AnswersEachMessageAsTheTableSays) {
  struct Case {
    const char* label;
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t result;
    Calls calls;
  };
  const Case cases[] = {
      {"destroy posts quit 0", 0x0002, 0, 0, {"PostQuitMessage(0)"}},
      {"paint is empty", 0x000F, 0, 0, {"BeginPaint(0x900)", "EndPaint(0x900)"}},
      {"version command does nothing", 0x0111, 104, 0, {}},
      {"version accelerator (high word 1) does nothing", 0x0111, 0x10068, 0, {}},
      {"exit command destroys the window", 0x0111, 105, 0, {"DestroyWindow(0x900)"}},
      {"other command goes to the default",
       0x0111,
       106,
       77,
       {"DefWindowProcW(0x900,0x111,0x6a,5)"}},
      {"other message goes to the default", 0x0005, 3, 77, {"DefWindowProcW(0x900,0x5,0x3,5)"}},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    EXPECT_EQ(HiddenWindowProc(platform, WindowHandle{0x900}, c.message, c.wParam, 5), c.result)
        << c.label;
    EXPECT_EQ(platform.calls, c.calls) << c.label;
  }
}

TEST(CreateHiddenWindow, FillsTheClassRecord) {
  FakePlatform platform;
  const auto window = CreateHiddenWindow(platform, InstanceHandle{0x400000});
  ASSERT_TRUE(window.has_value());
  const WindowClass& c = platform.registered;
  EXPECT_EQ(c.size, 80u);
  EXPECT_EQ(c.style, 3u);
  EXPECT_EQ(c.procedure, &HiddenWindowProc);
  EXPECT_EQ(c.classExtra, 0);
  EXPECT_EQ(c.windowExtra, 0);
  EXPECT_EQ(c.instance, InstanceHandle{0x400000});
  EXPECT_EQ(c.icon, IconHandle{0x7000 + 107});
  EXPECT_EQ(c.cursor, CursorHandle{0x8000});
  EXPECT_EQ(c.background, 6u);
  EXPECT_EQ(c.menuName, 109u);
  EXPECT_EQ(c.smallIcon, IconHandle{0x7000 + 108});
  EXPECT_EQ(window->window, WindowHandle{0x900});
  EXPECT_EQ(window->accelerators, AcceleratorHandle{0xACC});
}

}  // namespace
}  // namespace glowtide
