// The child launch: its command line, the CreateProcessW arguments and the handles' release.
#include <gtest/gtest.h>

#include "app/run.h"
#include "launch/child_launch.h"
#include "support/fake_platform.h"

namespace glowtide {
namespace {

using testing::FakePlatform;
using testing::Utf8;

TEST(BuildChildCommandLine, QuotesPathAndArgumentZeroAndEscapesNothing) {
  struct Case {
    std::u16string path, argument0, argument1;
    const char* expected;
  };
  const Case cases[] = {
      {u"C:\\Games\\game.exe", u"", u"", "\"C:\\Games\\game.exe\" \"\" "},
      {u"C:\\Games\\game.exe", u"save 1", u"", "\"C:\\Games\\game.exe\" \"save 1\" "},
      {u"C:\\Games\\game.exe", u"", u"-w 1 -h 2", "\"C:\\Games\\game.exe\" \"\" -w 1 -h 2"},
      {u"C:\\My Games\\g.exe", u"a", u"b", "\"C:\\My Games\\g.exe\" \"a\" b"},
      {u"q\"uote", u"x\"y", u"\"z\"", "\"q\"uote\" \"x\"y\" \"z\""},
      {u"", u"", u"", "\"\" \"\" "},
  };
  for (const Case& c : cases) {
    LaunchSettings settings{
        .programPath = c.path, .programArgument0 = c.argument0, .programArgument1 = c.argument1};
    EXPECT_EQ(Utf8(BuildChildCommandLine(settings)), c.expected);
  }
  // No fixed capacity: a long line is kept whole.
  LaunchSettings longSettings{.programPath = std::u16string(4000, u'p'),
                              .programArgument1 = std::u16string(4000, u'a')};
  EXPECT_EQ(BuildChildCommandLine(longSettings).size(), 8006u);
}

TEST(LaunchChild, PassesTheDocumentedArguments) {
  FakePlatform platform;
  LaunchSettings settings{.programPath = u"C:\\Games\\game.exe",
                          .workingDirectory = u"C:\\Games",
                          .programArgument0 = u"one"};
  ChildProcess child = LaunchChild(platform, settings);
  ASSERT_EQ(platform.launches.size(), 1u);
  const auto& launch = platform.launches[0];
  EXPECT_EQ(Utf8(launch.applicationName), "C:\\Games\\game.exe");
  EXPECT_EQ(Utf8(launch.commandLine), "\"C:\\Games\\game.exe\" \"one\" ");
  EXPECT_FALSE(launch.inheritHandles);
  EXPECT_EQ(launch.creationFlags, 0x420u);
  EXPECT_EQ(Utf8(launch.currentDirectory), "C:\\Games");
  EXPECT_EQ(launch.startupInfoSize, 104u);
  EXPECT_EQ(child.process.get(), Handle{0x50});
  EXPECT_EQ(child.thread.get(), Handle{0x54});
}

TEST(LaunchChild, AlwaysPassesTheWorkingDirectoryEvenWhenEmpty) {
  FakePlatform platform;
  LaunchChild(platform, LaunchSettings{.programPath = u"app.exe"});
  ASSERT_EQ(platform.launches.size(), 1u);
  EXPECT_TRUE(platform.launches[0].currentDirectoryGiven);
  EXPECT_EQ(platform.launches[0].currentDirectory, u"");
}

TEST(RunLaunch, LaunchesAfterTheReportBoxAndClosesThreadThenProcess) {
  FakePlatform platform;
  platform.argv = std::vector<std::u16string>{u"-SI", u"-P:C:\\Games\\game.exe", u"-PARG:1:-x"};
  EXPECT_EQ(glowtide::Run(platform, u"", InstanceHandle{0x400000}), 0);
  const std::vector<std::string> tail(platform.calls.end() - 4, platform.calls.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"MessageBoxW(Monitor information)", "CreateProcessW",
                                            "CloseHandle(0x54)", "CloseHandle(0x50)"}));
  ASSERT_EQ(platform.launches.size(), 1u);
  EXPECT_EQ(Utf8(platform.launches[0].currentDirectory), "C:\\Games");
}

TEST(RunLaunch, AFailedLaunchIsSilentAndClosesNothing) {
  FakePlatform platform;
  platform.createProcessOk = false;
  platform.argv = std::vector<std::u16string>{u"-P:missing.exe"};
  EXPECT_EQ(glowtide::Run(platform, u"", InstanceHandle{0x400000}), 0);
  EXPECT_EQ(platform.calls.back(), "CreateProcessW");
  EXPECT_TRUE(platform.boxes.empty());
}

TEST(RunLaunch, ProgramArgumentsWithoutAPathStartNothing) {
  FakePlatform platform;
  platform.argv = std::vector<std::u16string>{u"-PARG:0:a", u"-PARG:1:b", u"-BQ:50"};
  EXPECT_EQ(glowtide::Run(platform, u"", InstanceHandle{0x400000}), 0);
  EXPECT_TRUE(platform.launches.empty());
}

}  // namespace
}  // namespace glowtide
