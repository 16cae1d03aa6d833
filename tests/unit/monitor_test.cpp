// Monitor control: the -SB rule and the guard on the monitor array's size. What the brightness
// phase sends is in the run's tests, what it reports in the report's.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>

#include "monitor/brightness.h"
#include "monitor/vcp.h"
#include "support/fake_platform.h"

namespace glowtide {
namespace {

TEST(ChooseSwitchBrightness, FollowsTheWrappingRule) {
  struct Case {
    std::uint32_t high, low, current, expected;
  };
  const Case cases[] = {
      {90, 30, 30, 90}, {90, 30, 31, 30}, {90, 30, 90, 30}, {90, 30, 91, 90}, {90, 30, 0, 90},
      {20, 80, 20, 80}, {20, 80, 80, 20}, {20, 80, 50, 20}, {20, 80, 90, 80}, {60, 60, 7, 60},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseSwitchBrightness(c.high, c.low, c.current), c.expected)
        << c.high << "/" << c.low << " at " << c.current;
  }
  EXPECT_EQ(GuardedArrayBytes(SIZE_MAX / 264 + 1, 264), SIZE_MAX);
}

// A display takes the physical monitor described by its name when exactly one is; the others take
// the rest in order, and none is given twice.
TEST(ChoosePhysicalMonitor, GoesByNameThenByOrder) {
  using Texts = std::vector<std::u16string>;
  struct Case {
    Texts descriptions, sharing;
    std::vector<int> expected;  // for each of sharing, -1 for none
  };
  const Case cases[] = {
      {{u"A", u"B"}, {u"B", u"A"}, {1, 0}},
      {{u"Generic", u"Generic"}, {u"X", u"Y"}, {0, 1}},
      {{u"Dell", u"Dell"}, {u"Dell", u"Dell"}, {0, 1}},  // clone mode, one model twice
      {{u"A", u"B"}, {u"Z", u"A"}, {1, 0}},
      {{u"A"}, {u"X", u"Y"}, {0, -1}},
      {{u"A"}, {u"A", u"A"}, {0, -1}},
  };
  for (const Case& c : cases) {
    for (std::size_t position = 0; position < c.sharing.size(); ++position) {
      const auto chosen = ChoosePhysicalMonitor(c.descriptions, c.sharing, position);
      EXPECT_EQ(chosen ? static_cast<int>(*chosen) : -1, c.expected[position])
          << ::testing::PrintToString(c.sharing) << " at " << position;
    }
  }
}

// Monitor codes: each set in the order given, read back and sent again within the tries when it
// reads otherwise; in place when it reads back as set, or when its read fails after a set that
// succeeded; the input source never read; nothing on a built-in panel. The reads for the reports.
TEST(SetVcpCodes, SetsReadsBackAndNeverReadsTheInputSource) {
  struct Case {
    const char* label;
    std::vector<VcpValue> given;
    std::string trace;
    std::string placed;  // the codes in place
    testing::Machine machine = {};
    bool builtIn = false;
  };
  // clang-format off
  const Case cases[] = {
      {"set, read back, in order", {{0x12, 70}, {0xDC, 5}},
       "setV0x12:70 getV0x12 setV0xdc:5 getV0xdc free", "12=70 dc=5"},
      {"a set not taken is sent again", {{0x12, 70}}, "setV0x12:70 getV0x12 ~ setV0x12:70 getV0x12 free",
       "12=70", {.ignoredWrites = 1}},
      {"... within the tries", {{0x12, 70}},
       "setV0x12:70 getV0x12 ~ setV0x12:70 getV0x12 ~ setV0x12:70 getV0x12 free", "",
       {.ignoredWrites = 3}},
      {"a code that cannot be read counts as in place once set", {{0x14, 5}},
       "setV0x14:5 getV0x14 ~ getV0x14 ~ getV0x14 free", "14=5", {.unreadableCodes = {0x14}}},
      {"the input source is never read", {{0x60, 0x11}}, "setV0x60:17 free", "60=17",
       {.oldInput = true}},
      {"a set that fails is not in place", {{0x12, 70}},
       "setV0x12:70 ~ setV0x12:70 ~ setV0x12:70 free", "", {.failing = {"SetVCPFeature"}}},
      {"a built-in panel has no DDC/CI", {{0x12, 70}}, "", "", {}, true},
  };
  // clang-format on
  for (const Case& c : cases) {
    testing::FakePlatform platform(c.machine);
    SleepPause pause(platform);
    std::string placed;
    VcpCodes codes;
    for (const VcpValue& code : c.given) codes.Put(code);
    for (const VcpValue& code : SetVcpCodes(platform, pause, {.builtIn = c.builtIn}, codes)) {
      char text[16];
      std::snprintf(text, sizeof text, "%02x=%u", code.code, code.value);
      placed += (placed.empty() ? "" : " ") + std::string(text);
    }
    EXPECT_EQ(platform.Trace(), c.trace) << c.label;
    EXPECT_EQ(placed, c.placed) << c.label;
  }
  // The reports read every code named, the input source too; a code that cannot be read is none.
  testing::FakePlatform platform({.unreadableCodes = {0xDC}});
  SleepPause pause(platform);
  const auto readings = ReadVcpCodes(platform, pause, {}, {0x12, 0x60, 0xDC});
  ASSERT_EQ(readings.size(), 3u);
  EXPECT_TRUE(readings[0] && readings[0]->current == 50 && readings[0]->maximum == 100);
  EXPECT_TRUE(readings[1] && readings[1]->current == 0x0F && readings[1]->maximum == 0x1B);
  EXPECT_FALSE(readings[2]);
  testing::FakePlatform panel;
  EXPECT_FALSE(ReadVcpCodes(panel, pause, {.builtIn = true}, {0x12})[0]);
}

}  // namespace
}  // namespace glowtide
