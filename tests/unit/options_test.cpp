// Command-line parsing: the option table, its case and match rules, the number rule, the
// parameter error, repeated options and the working-directory rule.
#include "app/options.h"

#include <gtest/gtest.h>

#include "support/fake_platform.h"

namespace glowtide {
namespace {

using testing::FakePlatform;
using testing::Utf8;

struct Parsed {
  ParseOutcome outcome;
  ReportText report;
  FakePlatform platform;
};

std::unique_ptr<Parsed> Parse(std::vector<std::u16string> argv) {
  auto parsed = std::make_unique<Parsed>();
  parsed->platform.argv = std::move(argv);
  parsed->outcome = ParseCommandLine(parsed->platform, u"ignored by the fake", parsed->report);
  return parsed;
}

TEST(TakeNumber, FollowsTheDigitRunRule) {
  struct Case {
    const char* label;
    std::u16string value;
    bool accepted;
    std::int32_t number;
  };
  const std::u16string elevenNines(11, u'9');
  const std::u16string threeHundredDigits = u"1" + std::u16string(299, u'0');
  const Case cases[] = {
      {"empty", u"", false, 0},
      {"single zero", u"0", true, 0},
      {"two zeros", u"00", false, 0},
      {"three zeros", u"000", false, 0},
      {"leading zeros", u"007", true, 7},
      {"minus sign", u"-5", false, 0},
      {"plus sign", u"+5", false, 0},
      {"blank first", u" 5", false, 0},
      {"letter first", u"x5", false, 0},
      {"trailing text", u"12abc", true, 12},
      {"percent", u"50%", true, 50},
      {"decimal point", u"1.5", true, 1},
      {"hex prefix", u"0x20", true, 0},
      {"largest int32", u"2147483647", true, 2147483647},
      {"one past int32", u"2147483648", true, 2147483647},
      {"eleven nines", elevenNines, true, 2147483647},
      {"300-digit run", threeHundredDigits, true, 2147483647},
      {"300 zeros", std::u16string(300, u'0'), false, 0},
      {"fullwidth digit", u"\uFF15", false, 0},
  };
  for (const Case& c : cases) {
    const NumberValue taken = TakeNumber(c.value);
    EXPECT_EQ(taken.accepted, c.accepted) << c.label;
    if (c.accepted) {
      EXPECT_EQ(taken.value, c.number) << c.label;
    }
  }
}

TEST(ParseCommandLine, SplitsTheArgumentPartAndReleasesTheArrayOnce) {
  FakePlatform platform;
  platform.argv = std::vector<std::u16string>{u"-SI"};
  ReportText report;
  ParseCommandLine(platform, u"-SI", report);
  EXPECT_EQ(Utf8(platform.commandLineSplit), "-SI");
  EXPECT_EQ(platform.calls, (std::vector<std::string>{"CommandLineToArgvW", "LocalFree(argv)"}));
}

TEST(ParseCommandLine, KeepsNoPointerIntoTheReleasedArray) {
  auto parsed = Parse({u"-P:C:\\Games\\game.exe", u"-PARG:0:a b", u"-PARG:1:c"});
  const LaunchSettings& s = parsed->outcome.settings;
  EXPECT_EQ(Utf8(s.programPath), "C:\\Games\\game.exe");
  EXPECT_EQ(Utf8(s.workingDirectory), "C:\\Games");
  EXPECT_EQ(Utf8(s.programArgument0), "a b");
  EXPECT_EQ(Utf8(s.programArgument1), "c");
}

TEST(ParseCommandLine, GoesOnWithDefaultsWhenNoArrayComesBack) {
  FakePlatform platform;
  platform.argv.reset();
  ReportText report;
  const ParseOutcome outcome = ParseCommandLine(platform, u"-SI", report);
  EXPECT_FALSE(outcome.settings.showReport);
  EXPECT_TRUE(outcome.rejectedOption.empty());
  EXPECT_TRUE(report.Text().empty());
  EXPECT_EQ(platform.calls, (std::vector<std::string>{"CommandLineToArgvW"}));
  EXPECT_TRUE(platform.boxes.empty());
}

// Each case names the arguments and what they must change; every other field keeps its default.
struct SettingsCase {
  const char* label;
  std::vector<std::u16string> argv;
  LaunchSettings expected;
};

void ExpectSettings(const LaunchSettings& a, const LaunchSettings& e, const char* label) {
#define GLOWTIDE_EXPECT_FIELD(f) EXPECT_EQ(a.f, e.f) << label << ": " #f
  GLOWTIDE_EXPECT_FIELD(showReport);
  GLOWTIDE_EXPECT_FIELD(setBrightness);
  GLOWTIDE_EXPECT_FIELD(brightness);
  GLOWTIDE_EXPECT_FIELD(switchBrightness);
  GLOWTIDE_EXPECT_FIELD(brightnessHigh);
  GLOWTIDE_EXPECT_FIELD(brightnessLow);
  GLOWTIDE_EXPECT_FIELD(restoreBrightness);
  GLOWTIDE_EXPECT_FIELD(quitBrightness);
  GLOWTIDE_EXPECT_FIELD(setWhiteLevel);
  GLOWTIDE_EXPECT_FIELD(whiteLevel);
  GLOWTIDE_EXPECT_FIELD(switchWhiteLevel);
  GLOWTIDE_EXPECT_FIELD(whiteLevelHigh);
  GLOWTIDE_EXPECT_FIELD(whiteLevelLow);
  GLOWTIDE_EXPECT_FIELD(restoreWhiteLevel);
  GLOWTIDE_EXPECT_FIELD(quitWhiteLevel);
  GLOWTIDE_EXPECT_FIELD(switchHdr);
  GLOWTIDE_EXPECT_FIELD(enableHdr);
  GLOWTIDE_EXPECT_FIELD(disableHdr);
  GLOWTIDE_EXPECT_FIELD(hdrNewState);
  GLOWTIDE_EXPECT_FIELD(restoreHdr);
  GLOWTIDE_EXPECT_FIELD(quitHdrState);
  GLOWTIDE_EXPECT_FIELD(restoreOnExit);
  GLOWTIDE_EXPECT_FIELD(launchProgram);
  GLOWTIDE_EXPECT_FIELD(programPath);
  GLOWTIDE_EXPECT_FIELD(workingDirectory);
  GLOWTIDE_EXPECT_FIELD(programArgument0);
  GLOWTIDE_EXPECT_FIELD(programArgument1);
  GLOWTIDE_EXPECT_FIELD(powerCycle);
#undef GLOWTIDE_EXPECT_FIELD
}

TEST(ParseCommandLine, FillsTheSettingsFromEveryOption) {
  const SettingsCase cases[] = {
      {"defaults", {u"-X", u"-Y"}, {}},
      {"-SI", {u"-SI"}, {.showReport = true}},
      {"-SI is whole", {u"-SIX"}, {}},
      {"-B:", {u"-B:40"}, {.setBrightness = true, .brightness = 40}},
      {"-b: folds case", {u"-b:40"}, {.setBrightness = true, .brightness = 40}},
      {"-B:0 sets zero", {u"-B:0"}, {.setBrightness = true, .brightness = 0}},
      {"-SB", {u"-SB"}, {.switchBrightness = true}},
      {"-sb folds case", {u"-sb"}, {.switchBrightness = true}},
      {"-BH: alone", {u"-BH:70"}, {.brightnessHigh = 70}},
      {"-BL:", {u"-BL:20"}, {.brightnessLow = 20}},
      {"-BQ:",
       {u"-BQ:50"},
       {.restoreBrightness = true, .quitBrightness = 50, .restoreOnExit = true}},
      {"-BB:", {u"-BB:2500"}, {.setWhiteLevel = true, .whiteLevel = 2500}},
      {"-SBB", {u"-SBB"}, {.switchWhiteLevel = true}},
      {"-sbb folds case", {u"-sbb"}, {.switchWhiteLevel = true}},
      {"-BBH:", {u"-BBH:4000"}, {.whiteLevelHigh = 4000}},
      {"-BBL: alone", {u"-BBL:800"}, {.whiteLevelLow = 800}},
      {"-BBQ:",
       {u"-BBQ:1500"},
       {.restoreWhiteLevel = true, .quitWhiteLevel = 1500, .restoreOnExit = true}},
      {"-HDR:S", {u"-HDR:S"}, {.switchHdr = true}},
      {"-Hdr:s folds case", {u"-Hdr:s"}, {.switchHdr = true}},
      {"-HDR:E", {u"-HDR:E"}, {.enableHdr = true, .hdrNewState = true}},
      {"-hdr:e folds case", {u"-hdr:e"}, {.enableHdr = true, .hdrNewState = true}},
      {"-HDR:D", {u"-HDR:D"}, {.disableHdr = true}},
      {"HDR letters add up",
       {u"-HDR:D", u"-HDR:E"},
       {.enableHdr = true, .disableHdr = true, .hdrNewState = true}},
      {"HDR letters add up, other order",
       {u"-HDR:E", u"-HDR:D"},
       {.enableHdr = true, .disableHdr = true, .hdrNewState = true}},
      {"all three HDR letters",
       {u"-HDR:S", u"-HDR:E", u"-HDR:D"},
       {.switchHdr = true, .enableHdr = true, .disableHdr = true, .hdrNewState = true}},
      {"-HDR:Enable is not a letter", {u"-HDR:Enable"}, {}},
      {"-HDR: with no letter", {u"-HDR:"}, {}},
      {"-HDRQ:E", {u"-HDRQ:E"}, {.restoreHdr = true, .quitHdrState = true, .restoreOnExit = true}},
      {"-HDRQ:D", {u"-HDRQ:d"}, {.restoreHdr = true, .quitHdrState = false, .restoreOnExit = true}},
      {"-HDRQ: last letter decides, D",
       {u"-HDRQ:E", u"-HDRQ:D"},
       {.restoreHdr = true, .quitHdrState = false, .restoreOnExit = true}},
      {"-HDRQ: last letter decides, E",
       {u"-HDRQ:D", u"-HDRQ:E"},
       {.restoreHdr = true, .quitHdrState = true, .restoreOnExit = true}},
      {"-HDRQ:S changes nothing", {u"-HDRQ:S"}, {}},
      {"-PR", {u"-PR"}, {.powerCycle = true}},
      {"-PR twice", {u"-PR", u"-pr"}, {.powerCycle = true}},
      {"-PRX is ignored", {u"-PRX"}, {}},
      {"-PARG:0:", {u"-PARG:0:one two"}, {.programArgument0 = u"one two"}},
      {"-PARG:0: empty", {u"-PARG:0:"}, {}},
      {"-parg:1: keeps its case", {u"-parg:1:A b"}, {.programArgument1 = u"A b"}},
      {"repeated value keeps the last",
       {u"-B:50", u"-B:60"},
       {.setBrightness = true, .brightness = 60}},
      {"repeated argument keeps the last", {u"-PARG:1:a", u"-PARG:1:"}, {}},
      {"non-option among two is ignored", {u"readme", u"-SI"}, {.showReport = true}},
      {"two non-options show nothing", {u"readme", u"other"}, {}},
      {"ASCII-only folding", {u"-\u0131:50"}, {}},  // dotless i is no I
  };
  for (const SettingsCase& c : cases) {
    auto parsed = Parse(c.argv);
    EXPECT_TRUE(parsed->outcome.rejectedOption.empty()) << c.label;
    ExpectSettings(parsed->outcome.settings, c.expected, c.label);
    EXPECT_TRUE(parsed->report.Text().empty()) << c.label;
  }
}

TEST(ParseCommandLine, DerivesTheWorkingDirectoryFromTheLastBackslash) {
  struct Case {
    std::vector<std::u16string> argv;
    std::u16string path;
    std::u16string directory;
  };
  const Case cases[] = {
      {{u"-P:C:\\Tools\\app.exe"}, u"C:\\Tools\\app.exe", u"C:\\Tools"},
      {{u"-P:C:\\app.exe"}, u"C:\\app.exe", u"C:"},
      {{u"-P:C:\\Tools\\"}, u"C:\\Tools\\", u"C:\\Tools"},
      {{u"-P:app.exe"}, u"app.exe", u""},
      {{u"-P:\\app.exe"}, u"\\app.exe", u""},
      {{u"-P:\\"}, u"\\", u""},
      {{u"-P:\\\\"}, u"\\\\", u"\\"},
      {{u"-P:C:/Tools/app.exe"}, u"C:/Tools/app.exe", u""},
      {{u"-P:"}, u"", u""},
      {{u"-p:C:\\A\\one.exe", u"-P:two.exe"}, u"two.exe", u"C:\\A"},
      {{u"-P:C:\\A\\one.exe", u"-P:D:\\B\\two.exe"}, u"D:\\B\\two.exe", u"D:\\B"},
  };
  for (const Case& c : cases) {
    auto parsed = Parse(c.argv);
    const LaunchSettings& s = parsed->outcome.settings;
    EXPECT_TRUE(s.launchProgram) << Utf8(c.argv.back());
    EXPECT_EQ(s.programPath, c.path) << Utf8(c.argv.back());
    EXPECT_EQ(s.workingDirectory, c.directory) << Utf8(c.argv.back());
  }
}

TEST(ParseCommandLine, KeepsLongPathsAndArgumentsWhole) {
  const std::u16string directory = u"C:\\" + std::u16string(5000, u'd');
  const std::u16string path = directory + u"\\game.exe";
  const std::u16string argument(10000, u'a');
  auto parsed = Parse({u"-P:" + path, u"-PARG:0:" + argument});
  EXPECT_EQ(parsed->outcome.settings.programPath, path);
  EXPECT_EQ(parsed->outcome.settings.workingDirectory, directory);
  EXPECT_EQ(parsed->outcome.settings.programArgument0, argument);
}

TEST(ParseCommandLine, RejectsANumberWithTheOptionAsSpelledInTheTable) {
  struct Case {
    std::vector<std::u16string> argv;
    const char* rejected;
  };
  const Case cases[] = {
      {{u"-B:"}, "-B:"},
      {{u"-B:00"}, "-B:"},
      {{u"-B:-5"}, "-B:"},
      {{u"-bh:x"}, "-BH:"},
      {{u"-BL:+5"}, "-BL:"},
      {{u"-BQ:"}, "-BQ:"},
      {{u"-bb:abc"}, "-BB:"},
      {{u"-BBH:000"}, "-BBH:"},
      {{u"-BBL: 1"}, "-BBL:"},
      {{u"-BBQ:x"}, "-BBQ:"},
      {{u"-BH:x", u"-BL:y"}, "-BH:"},
      {{u"-SI", u"-BH:x"}, "-BH:"},
  };
  for (const Case& c : cases) {
    auto parsed = Parse(c.argv);
    EXPECT_EQ(Utf8(parsed->outcome.rejectedOption), c.rejected) << Utf8(c.argv.front());
    // Parsing shows nothing itself: the run shows the box.
    EXPECT_TRUE(parsed->platform.boxes.empty());
    EXPECT_TRUE(parsed->report.Text().empty());
  }
}

TEST(ParseCommandLine, StopsAtTheFirstRejectedNumber) {
  auto parsed = Parse({u"-B:50", u"-B:x", u"-PR", u"-SI", u"-BL:y"});
  EXPECT_EQ(Utf8(parsed->outcome.rejectedOption), "-B:");
  EXPECT_FALSE(parsed->outcome.settings.powerCycle);
  EXPECT_FALSE(parsed->outcome.settings.showReport);
}

TEST(ParseCommandLine, TheUsageCaseIsASingleNonOption) {
  struct Case {
    const char* label;
    std::vector<std::u16string> argv;
    bool usage;
    bool showReport;
  };
  const Case cases[] = {
      {"empty command line (the program path comes back)", {u"C:\\Glowtide.exe"}, true, true},
      {"single word", {u"readme"}, true, true},
      {"word then -SI", {u"readme", u"-SI"}, false, true},
      {"-SI then word", {u"-SI", u"readme"}, false, true},
      {"two words", {u"readme", u"other"}, false, false},
      {"single unknown option", {u"-X"}, false, false},
  };
  for (const Case& c : cases) {
    auto parsed = Parse(c.argv);
    EXPECT_EQ(parsed->outcome.settings.showReport, c.showReport) << c.label;
    EXPECT_EQ(parsed->report.Text(), c.usage ? kUsageText : u"") << c.label;
  }
}

TEST(ParseCommandLine, TheUsageTextIsExact) {
  const std::u16string_view usage = kUsageText;
  EXPECT_EQ(usage.size(), 190u);
  EXPECT_EQ(Utf8(usage),
            "<Options>\n[-B:number] : Set monitor brightness to number.\n"
            "[-BB:number] : Set Windows HDR/SDR brightness balance to number.\n"
            "[-HDR:E/D/S] : Set HDR Status. [E:Enable] [D:Disable] [S:Switch]\n\n\n");
}

}  // namespace
}  // namespace glowtide
