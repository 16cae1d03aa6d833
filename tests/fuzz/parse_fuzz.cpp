// Fuzzes the parsing of the command line, split by the model of CommandLineToArgvW: every number
// stays within 0 to 2147483647, and a rejected option is one that begins one of the arguments.
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
    fuzzing::Require(found, "the rejected option begins one of the arguments");
  }
  return 0;
}
