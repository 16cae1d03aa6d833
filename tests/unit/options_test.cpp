// Parsing: the number rule, each option's fields, case folding, the working directory, the
// parameter error and the usage case.
#include "app/options.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/fake_platform.h"

namespace glowtide {
namespace {

using testing::Describe;
using testing::SettingsFrom;
using testing::Utf8;

TEST(TakeNumber, TakesTheLeadingDigitRun) {
  struct Case {
    std::u16string value;
    bool accepted;
    std::int32_t number;
  };
  // clang-format off
  const Case cases[] = {
      {u"", false, 0},        {u"0", true, 0},        {u"00", false, 0},    {u"007", true, 7},
      {u"-5", false, 0},      {u"+5", false, 0},      {u"x5", false, 0},    {u"12abc", true, 12},
      {u"0x20", true, 0},     {u"2147483647", true, 2147483647}, {u"2147483648", true, 2147483647},
      {std::u16string(300, u'9'), true, 2147483647},  {std::u16string(300, u'0'), false, 0},
      {u"\uFF15", false, 0},  // a fullwidth five is no ASCII digit
  };
  // clang-format on
  for (const Case& c : cases) {
    const NumberValue taken = TakeNumber(c.value);
    EXPECT_EQ(taken.accepted, c.accepted) << Utf8(c.value);
    EXPECT_EQ(taken.value, c.number) << Utf8(c.value);
  }
}

// Each row names a command line and the fields it must set; every other field keeps its default.
// What each option sets is proven by the run's rows; these are the matching rules and the folder.
TEST(ParseCommandLine, SetsEachOptionsOwnFields) {
  struct Case {
    std::u16string arguments;
    LaunchSettings expected;
  };
  auto program = [](std::u16string path, std::u16string directory) {
    return LaunchSettings{
        .launchProgram = true, .programPath = path, .workingDirectory = directory};
  };
  // clang-format off
  const Case cases[] = {
      // Names are matched without regard to ASCII case, and a name is matched whole or as a prefix.
      {u"-X -SIX -PRX -HDR:Enable -HDR: -HDRQ:S", {}},  {u"-si", {.showReport = true}},
      {u"-b:40 -sbb", {.setBrightness = true, .brightness = 40, .switchWhiteLevel = true}},
      {u"-HDR:D -hdr:e", {.enableHdr = true, .disableHdr = true, .hdrNewState = true}},
      // Only ASCII letters fold: a dotless i and a long s would make -SI and -SBB match.
      {u"-S\u0131 -\u017FBB", {}},
      // The folder is cut at the last backslash or slash; a root keeps its separator; a bare
      // file name or a URL names none, and each -P: names its own.
      {u"-P:C:\\Tools\\app.exe", program(u"C:\\Tools\\app.exe", u"C:\\Tools")},
      {u"-P:\\app.exe", program(u"\\app.exe", u"\\")},      {u"-P:", program(u"", u"")},
      {u"-P:C:\\app.exe", program(u"C:\\app.exe", u"C:\\")},  {u"-P:C:/G/g.exe", program(u"C:/G/g.exe", u"C:/G")},
      {u"-P:C:\\Tools\\", program(u"C:\\Tools\\", u"C:\\Tools")},
      {u"-P:steam://rungameid/1245620", program(u"steam://rungameid/1245620", u"")},
      {u"-p:C:\\A\\one.exe -P:two.exe", program(u"two.exe", u"")},
      // Quotes within an argument are split away as the platform does.
      {u"-P:\"C:\\Program Files\\G\\g.exe\"",
       program(u"C:\\Program Files\\G\\g.exe", u"C:\\Program Files\\G")},
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(Describe(SettingsFrom(c.arguments)), Describe(c.expected)) << Utf8(c.arguments);
  }
  EXPECT_EQ(SettingsFrom(u"-PW:g.exe").waitSeconds, 60);  // the grace without -PWT:
}

// Parsing stops at the first rejected number (a later -SI is not taken); the usage text is the
// report of a command line that is empty or one argument that is no option.
TEST(ParseCommandLine, RejectsANumberAsSpelledInTheTableOrShowsTheUsage) {
  struct Case {
    std::u16string arguments;
    const char* rejected;
    bool usage, showReport;
    bool refusedUrl = false;
  };
  // clang-format off
  const Case cases[] = {
      {u"-B:", "-B:"},      {u"-bh:x -BL:y", "-BH:"}, {u"-BL:+5", "-BL:"},  {u"-BQ:00", "-BQ:"},
      {u"-bb:abc", "-BB:"}, {u"-BBH:-1", "-BBH:"},    {u"-BBL:x", "-BBL:"}, {u"-BBQ:", "-BBQ:"},
      {u"-PWT:x", "-PWT:"}, {u"-B:50 -B:x -SI", "-B:"}, {u"-D:1 -D:", "-D:"},
      // cmd.exe would act on these in a batch program's arguments.
      {u"-P:start.bat \"-PARG:0:a\\\" & echo x\"", "-PARG:0:"}, {u"-P:x.CMD -PARG:1:%PATH%", "-PARG:1:"},
      {u"-P:x.cmd -PARG:0:a -PARG:1:(b)", "-PARG:1:"}, {u"-PARG:0:^ -P:x.bat", "-PARG:0:"},
      {u"-P:x.exe -PARG:0:a&b", ""}, {u"-P:x.bat -PARG:0:C:\\Saves -PARG:1:-w 1", ""},
      {u"-P:x.bat. -PARG:0:%x", "-PARG:0:"}, {u"\"-P:x.cmd \" -PARG:1:|", "-PARG:1:"},  // Windows drops them
      // A URL gives nothing to wait for unless -PW: names the game.
      {u"-P:steam://r/1 -BQ:5", "", false, false, true}, {u"-P:steam://r/1 -BQ:5 -PW:g.exe", ""},
      {u"-P:steam://r/1", ""},
      {u"", "", true, true}, {u"   ", "", true, true}, {u"readme", "", true, true},
      {u"readme other", ""}, {u"-SI readme", "", false, true}, {u"-X", ""},
  };
  // clang-format on
  // Every character cmd.exe acts on, alone, in either argument.
  for (const char16_t unit : std::u16string_view(u"\"%!^&|<>()\r\n")) {
    const std::u16string text(1, unit);
    testing::FakePlatform platform;
    ReportText report;
    for (const std::u16string option : {u"-PARG:0:", u"-PARG:1:"}) {
      EXPECT_EQ(
          ParseCommandLine(
              platform, u"-P:x.bat \"" + option + (unit == u'"' ? u"\\\"" : text) + u"\"", report)
              .rejectedOption,
          option)
          << static_cast<int>(unit);
    }
  }
  for (const Case& c : cases) {
    testing::FakePlatform platform;
    ReportText report;
    const ParseOutcome outcome = ParseCommandLine(platform, c.arguments, report);
    EXPECT_EQ(Utf8(outcome.rejectedOption), c.rejected) << Utf8(c.arguments);
    EXPECT_EQ(Utf8(outcome.refusal),
              c.refusedUrl ? "-P:steam://r/1 : a URL starts no program Glowtide can wait for; add "
                             "-PW: with the game's program name"
                           : "")
        << Utf8(c.arguments);
    EXPECT_EQ(report.Text(), c.usage ? kUsageText : u"") << Utf8(c.arguments);
    EXPECT_EQ(outcome.settings.showReport, c.showReport) << Utf8(c.arguments);
  }
}

// "--" hands the rest of the line to the program as it stands, in Glowtide's own folder; "@file"
// stands for a profile's arguments (relative to Glowtide.exe's folder), read as UTF-8 or UTF-16,
// line by line; later arguments win. Each refusal names what was refused.
TEST(ParseCommandLine, TakesTheProgramAfterDashesAndOptionsFromProfiles) {
  struct Case {
    std::u16string arguments;
    LaunchSettings expected;
    const char* rejected = "";
    const char* refusal = "";
    bool usage = false;
  };
  auto tail = [](std::u16string path, std::u16string arguments, LaunchSettings s = {}) {
    s.launchProgram = true;
    s.programPath = path;
    s.programArgument1 = arguments;
    return s;
  };
  const LaunchSettings hdr{.showReport = true,
                           .setBrightness = true,
                           .brightness = 70,
                           .enableHdr = true,
                           .hdrNewState = true,
                           .chooseDisplay = true,
                           .display = u"Монитор 2"};
  LaunchSettings later = hdr;
  later.brightness = 40;
  // clang-format off
  const Case cases[] = {
      // Quotes, options and blanks after the program reach it untouched; blanks before them do not.
      {u"-BQ:5 -- \"C:\\My Games\\g.exe\"  \t-w 1 \"a  b\" -B:10 \\\"q\\\" ",
       tail(u"C:\\My Games\\g.exe", u"-w 1 \"a  b\" -B:10 \\\"q\\\" ",
            {.restoreBrightness = true, .quitBrightness = 5, .restoreOnExit = true})},
      {u"-- g.exe", tail(u"g.exe", u"")}, {u"--  g.exe \t ", tail(u"g.exe", u"")},
      {u"-- \"a\"b\"c d\" e -- f", tail(u"abc d", u"e -- f")},
      {u"-- a\\\\\"b c\" d", tail(u"a\\b c", u"d")},  {u"-- x.bat a b", tail(u"x.bat", u"a b")},
      {u"--", {}, "--"}, {u"-B:5 -- ", {.setBrightness = true, .brightness = 5}, "--"},
      {u"-P:x.exe -- g.exe", {}, "--"},  {u"-PARG:0:a -- g.exe", {}, "--"},
      {u"-- x.bat a&b", {}, "--"},       {u"-- x.CMD \"%PATH%\"", {}, "--"},
      {u"-- steam://rungameid/1 -BQ:4", tail(u"steam://rungameid/1", u"-BQ:4")},
      {u"-BQ:4 -- steam://r/1", {}, "", "-- steam://r/1 : a URL starts no program Glowtide can wait for; add -PW: with the game's program name"},
      // Profiles: UTF-8 with comments, blank lines and returns, UTF-8 with its mark, UTF-16.
      {u"@hdr.txt", hdr},               {u"@hdr.txt -B:40", later},
      {u"@\"D:\\My Profiles\\hdr.txt\" -B:40", later},
      {u"@\\\\server\\p\\hdr16.txt -B:40", later},
      {u"-B:40 @bom.txt", hdr},        {u"@bom.txt -- g.exe -B:5", tail(u"g.exe", u"-B:5", hdr)},
      {u"@empty.txt", {.showReport = true}, "", "", true}, {u"@word.txt", {.showReport = true}, "", "", true},
      {u"@bad.txt -SI", {}, "-B:"},
      {u"@nested.txt", {}, "", "@hdr.txt Parameter error"},
      {u"@dashes.txt", {}, "", "-- Parameter error"},
      {u"@big.txt", {}, "", "@big.txt : larger than 64 KiB"},
      {u"@nowhere.txt -SI", {}, "", "@nowhere.txt : The system cannot find the file specified."},
  };
  // clang-format on
  const std::string profile =
      "# HDR and the second screen\r\n\r\n  -HDR:E  -B:70\r\n\t# -B:10\n\"-D:Монитор 2\" -SI";
  std::u16string wide;
  for (const char* at = profile.data(); *at; ++at) wide += static_cast<unsigned char>(*at);
  wide.replace(wide.find(u"\xD0"), 14, u"Монитор");  // the UTF-8 bytes, as UTF-16
  std::string utf16 = "\xFF\xFE";
  for (const char16_t unit : wide)
    utf16 += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  const std::map<std::u16string, std::string> files = {
      {u"C:\\Tools\\hdr.txt", profile},
      {u"D:\\My Profiles\\hdr.txt", profile},
      {u"\\\\server\\p\\hdr16.txt", utf16},
      {u"C:\\Tools\\bom.txt", "\xEF\xBB\xBF" + profile},
      {u"C:\\Tools\\empty.txt", "# nothing\n\n"},
      {u"C:\\Tools\\word.txt", "readme"},
      {u"C:\\Tools\\bad.txt", "-B:x"},
      {u"C:\\Tools\\nested.txt", "-SI\n@hdr.txt"},
      {u"C:\\Tools\\dashes.txt", "-SI -- g.exe"},
      {u"C:\\Tools\\big.txt", std::string(65537, '\n')}};
  for (const Case& c : cases) {
    testing::FakePlatform platform(testing::Machine{.written = files});
    ReportText report;
    const ParseOutcome outcome = ParseCommandLine(platform, c.arguments, report);
    EXPECT_EQ(Utf8(outcome.rejectedOption), c.rejected) << Utf8(c.arguments);
    EXPECT_EQ(Utf8(outcome.refusal), c.refusal) << Utf8(c.arguments);
    if (*c.rejected == '\0' && *c.refusal == '\0') {
      EXPECT_EQ(Describe(outcome.settings), Describe(c.expected)) << Utf8(c.arguments);
    }
    EXPECT_EQ(report.Text(), c.usage ? kUsageText : u"") << Utf8(c.arguments);
  }
  // A profile of exactly 64 KiB is read.
  testing::FakePlatform platform(
      testing::Machine{.written = {{u"C:\\Tools\\full.txt", std::string(65532, '\n') + "-SI"}}});
  ReportText report;
  EXPECT_TRUE(ParseCommandLine(platform, u"@full.txt", report).settings.showReport);
}

// Every recipe of the README's "One game" (each indented line: a command, a wrapper's arguments
// or a profile's line) parses, with an option and no refusal.
TEST(ParseCommandLine, TakesEveryRecipeOfTheReadme) {
  std::ifstream readme(GLOWTIDE_README);
  std::string line, section;
  int recipes = 0;
  while (std::getline(readme, line)) {
    if (line.starts_with("## ")) section = line;
    // "One game": every indented line; "Monitor codes": the commands.
    const bool recipe = section == "## One game" ||
                        (section == "## Monitor codes" && line.starts_with("    Glowtide.exe"));
    if (!recipe || !line.starts_with("    ") || line.find_first_not_of(' ') == std::string::npos)
      continue;
    std::string arguments = line.substr(line.find_first_not_of(' '));
    if (arguments.starts_with('#')) continue;  // a profile's comment
    if (const std::size_t program = arguments.find("Glowtide.exe"); program != std::string::npos)
      arguments = arguments.substr(arguments.find(' ', program) + 1);
    if (const std::size_t command = arguments.find("%command%"); command != std::string::npos)
      arguments.replace(command, 9, "\"C:\\Games\\A Game\\game.exe\" -dx12");
    testing::FakePlatform platform(
        testing::Machine{.written = {{u"C:\\Tools\\hdr.txt", "-HDR:E -HDRQ:D"}}});
    ReportText report;
    const ParseOutcome outcome =
        ParseCommandLine(platform, std::u16string(arguments.begin(), arguments.end()), report);
    EXPECT_TRUE(outcome.rejectedOption.empty() && outcome.refusal.empty() &&
                (outcome.options > 0 || outcome.settings.launchProgram))
        << line;
    ++recipes;
  }
  EXPECT_EQ(recipes, 10);  // each recipe is read
}

// Monitor codes: one or two hex digits, with or without 0x, in any case; a value of one to five
// decimal digits, at most 65535, or none; the same code again takes the later value in its place.
TEST(ParseCommandLine, TakesMonitorCodesAndRefusesWhatIsNone) {
  struct Case {
    std::u16string arguments;
    std::string vcp, quitVcp;  // as Describe writes them
    const char* rejected = "";
    const char* refusal = "";
  };
  // clang-format off
  const Case cases[] = {
      {u"-VCP:12=70 -vcp:0xDC=3 -VCP:0x0a", "18:70,220:3,10,", ""},
      {u"-VCP:12=70 -VCP:0X14=5 -VCP:12=40", "18:40,20:5,", ""},
      {u"-VCPQ:12 -VCPQ:60=15 -VCPQ:dc=65535", "", "18,96:15,220:65535,"},
      {u"-VCP:", "", "", "-VCP:"},          {u"-VCP:=5", "", "", "-VCP:"},
      {u"-VCP:123=1", "", "", "-VCP:"},     {u"-VCP:0x=1", "", "", "-VCP:"},
      {u"-VCP:1G=1", "", "", "-VCP:"},      {u"-VCP:12=", "", "", "-VCP:"},
      {u"-VCP:12=65536", "", "", "-VCP:"},  {u"-VCP:12=000001", "", "", "-VCP:"},
      {u"-VCP:12=-1", "", "", "-VCP:"},     {u"-VCP:12=5%", "", "", "-VCP:"},
      {u"-VCPQ:12=+5", "", "", "-VCPQ:"},   {u"-VCPQ:", "", "", "-VCPQ:"},
      {u"-P:g.exe -VCPQ:60", "", "96,", "",
       "-VCPQ:60 : the input source cannot be put back as found; give its value"},
  };
  // clang-format on
  for (const Case& c : cases) {
    testing::FakePlatform platform;
    ReportText report;
    const ParseOutcome outcome = ParseCommandLine(platform, c.arguments, report);
    EXPECT_EQ(Utf8(outcome.rejectedOption), c.rejected) << Utf8(c.arguments);
    EXPECT_EQ(Utf8(outcome.refusal), c.refusal) << Utf8(c.arguments);
    if (*c.rejected) continue;
    const std::string described = Describe(outcome.settings);
    EXPECT_NE(described.find("\nvcp=" + c.vcp + "\nquitVcp=" + c.quitVcp + "\n"), std::string::npos)
        << Utf8(c.arguments) << ": " << described;
  }
  // At most 16 codes: a 17th is refused, a 16th given again is not.
  std::u16string sixteen;
  for (int code = 0; code < 16; ++code) {
    const std::string hex = std::to_string(code);
    sixteen += u"-VCP:" + std::u16string(hex.begin(), hex.end()) + u"=1 ";
  }
  EXPECT_EQ(SettingsFrom(sixteen + u"-VCP:15=2").vcp.size(), 16u);
  testing::FakePlatform platform;
  ReportText report;
  EXPECT_EQ(Utf8(ParseCommandLine(platform, sixteen + u"-VCP:16=1", report).rejectedOption),
            "-VCP:");
}

}  // namespace
}  // namespace glowtide
