// Fuzzes the parsing of the command line, split by the model of CommandLineToArgvW: every number
// stays within 0 to 2147483647, a rejected option is one that begins one of the arguments, each
// argument's end as found for the "--" tail is where the model ends it, and the same text as a
// profile gives the same settings.
#include <algorithm>

#include "app/options.h"
#include "common/ascii_case.h"
#include "fuzz/fuzz_input.h"
#include "support/argv_model.h"
#include "support/fake_platform.h"

using namespace glowtide;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The platform hands over a NUL-terminated command line: nothing after a NUL reaches the parser.
  std::u16string arguments = fuzzing::Units(data, size);
  arguments = arguments.substr(0, arguments.find(u'\0'));
  testing::FakePlatform platform;
  ReportText report;
  const ParseOutcome outcome = ParseCommandLine(platform, arguments, report);
  const LaunchSettings& s = outcome.settings;
  for (const std::int32_t number :
       {s.brightness, s.brightnessHigh, s.brightnessLow, s.quitBrightness, s.whiteLevel,
        s.whiteLevelHigh, s.whiteLevelLow, s.quitWhiteLevel, s.waitSeconds})
    fuzzing::Require(number >= 0, "every number is within 0 to 2147483647");
  if (!outcome.rejectedOption.empty()) {
    bool found = false;
    for (const std::u16string& argument : testing::SplitCommandLine(platform.commandLineSplit)) {
      const std::u16string_view start =
          std::u16string_view(argument).substr(0, outcome.rejectedOption.size());
      found = found || EqualIgnoringAsciiCase(start, outcome.rejectedOption);
    }
    fuzzing::Require(found || outcome.rejectedOption == u"--",
                     "the rejected option begins one of the arguments");
  }
  // The text up to the end of argument i splits into exactly the first i + 1 arguments.
  const std::u16string placeholder(kProgramPlaceholder);
  const std::vector<std::u16string> all = testing::SplitCommandLine(placeholder + u" " + arguments);
  for (std::size_t i = 0; i + 1 < all.size(); ++i) {
    const std::vector<std::u16string> prefix = testing::SplitCommandLine(
        placeholder + u" " + arguments.substr(0, ArgumentEnd(arguments, i)));
    fuzzing::Require(
        prefix.size() == i + 2 && std::equal(prefix.begin(), prefix.end(), all.begin()),
        "an argument ends where the platform's split ends it");
  }
  // One line with no profile or "--" of its own reads the same from a profile (UTF-16 here).
  const bool oneLine = arguments.find_first_of(u"\r\n") == std::u16string::npos &&
                       arguments.find_first_not_of(u" \t") != std::u16string::npos &&
                       arguments[arguments.find_first_not_of(u" \t")] != u'#';
  if (oneLine && std::none_of(all.begin() + 1, all.end(), [](const std::u16string& argument) {
        return argument.starts_with(u'@') || argument == u"--";
      })) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : arguments)
      bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    testing::FakePlatform reader(testing::Machine{.written = {{u"C:\\Tools\\p.txt", bytes}}});
    ReportText profileReport;
    const ParseOutcome fromProfile = ParseCommandLine(reader, u"@p.txt", profileReport);
    fuzzing::Require(testing::Describe(fromProfile.settings) == testing::Describe(s) &&
                         fromProfile.rejectedOption == outcome.rejectedOption &&
                         fromProfile.refusal == outcome.refusal,
                     "a profile gives the settings of its options on the command line");
  }
  return 0;
}
