// The run sequence through the fake: which steps run, in which order, and the exit codes.
#include "app/run.h"

#include <gtest/gtest.h>

#include "app/options.h"
#include "support/fake_platform.h"

namespace glowtide {
namespace {

using testing::FakePlatform;
using testing::Utf8;

int RunWith(FakePlatform& platform, std::vector<std::u16string> argv) {
  platform.argv = std::move(argv);
  return Run(platform, u"", InstanceHandle{0x400000});
}

TEST(Run, RejectedNumberShowsOnlyTheErrorBoxAndFails) {
  FakePlatform platform;
  EXPECT_EQ(RunWith(platform, {u"-SI", u"-bh:x", u"-PR"}), -255);
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(platform.boxes[0].owner, WindowHandle::kNull);
  EXPECT_EQ(Utf8(platform.boxes[0].text), "-BH: Parameter error");
  EXPECT_EQ(Utf8(platform.boxes[0].caption), "Error");
  EXPECT_EQ(platform.boxes[0].type, 0u);
}

TEST(Run, UsageCaseShowsTheUsageTextFirstAndSucceeds) {
  FakePlatform platform;
  EXPECT_EQ(RunWith(platform, {u"C:\\Glowtide.exe"}), 0);
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(Utf8(platform.boxes[0].caption), "Monitor information");
  EXPECT_EQ(platform.boxes[0].text.substr(0, 190), kUsageText);
}

TEST(Run, NothingAskedShowsNothingAndSucceeds) {
  FakePlatform platform;
  EXPECT_EQ(RunWith(platform, {u"-X"}), 0);
  EXPECT_TRUE(platform.boxes.empty());
}

}  // namespace
}  // namespace glowtide
