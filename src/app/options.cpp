// The option table, its match rules and the number rule.
#include "app/options.h"

#include <array>
#include <limits>

#include "common/ascii_case.h"
#include "platform/unique_value.h"

namespace glowtide {
namespace {

enum class Match { kWhole, kPrefix };

enum class OptionId {
  kShowReport,
  kBrightness,
  kSwitchBrightness,
  kBrightnessHigh,
  kBrightnessLow,
  kQuitBrightness,
  kWhiteLevel,
  kSwitchWhiteLevel,
  kWhiteLevelHigh,
  kWhiteLevelLow,
  kQuitWhiteLevel,
  kHdr,
  kQuitHdr,
  kProgramPath,
  kProgramArgument0,
  kProgramArgument1,
  kPowerCycle,
  kWaitImageName,
  kWaitSeconds,
  kDisplay,
  kMode,
  kQuitMode,
  kJson,
  kJsonFile,
  kSettle,
};

struct OptionRow {
  std::u16string_view name;
  Match match;
  OptionId id;
};

// No argument can match two rows, so the order changes no result; it is kept as documented.
constexpr std::array<OptionRow, 25> kOptions{{
    {u"-SI", Match::kWhole, OptionId::kShowReport},
    {u"-B:", Match::kPrefix, OptionId::kBrightness},
    {u"-SB", Match::kWhole, OptionId::kSwitchBrightness},
    {u"-BH:", Match::kPrefix, OptionId::kBrightnessHigh},
    {u"-BL:", Match::kPrefix, OptionId::kBrightnessLow},
    {u"-BQ:", Match::kPrefix, OptionId::kQuitBrightness},
    {u"-BB:", Match::kPrefix, OptionId::kWhiteLevel},
    {u"-SBB", Match::kWhole, OptionId::kSwitchWhiteLevel},
    {u"-BBH:", Match::kPrefix, OptionId::kWhiteLevelHigh},
    {u"-BBL:", Match::kPrefix, OptionId::kWhiteLevelLow},
    {u"-BBQ:", Match::kPrefix, OptionId::kQuitWhiteLevel},
    {u"-HDR:", Match::kPrefix, OptionId::kHdr},
    {u"-HDRQ:", Match::kPrefix, OptionId::kQuitHdr},
    {u"-P:", Match::kPrefix, OptionId::kProgramPath},
    {u"-PARG:0:", Match::kPrefix, OptionId::kProgramArgument0},
    {u"-PARG:1:", Match::kPrefix, OptionId::kProgramArgument1},
    {u"-PR", Match::kWhole, OptionId::kPowerCycle},
    {u"-PW:", Match::kPrefix, OptionId::kWaitImageName},
    {u"-PWT:", Match::kPrefix, OptionId::kWaitSeconds},
    {u"-D:", Match::kPrefix, OptionId::kDisplay},
    {u"-M:", Match::kPrefix, OptionId::kMode},
    {u"-MQ:", Match::kPrefix, OptionId::kQuitMode},
    {u"-SJ", Match::kWhole, OptionId::kJson},
    {u"-SJ:", Match::kPrefix, OptionId::kJsonFile},
    {u"-R", Match::kWhole, OptionId::kSettle},
}};

// The value after the option's name, or no value when the argument does not match the row.
bool MatchOption(const OptionRow& row, std::u16string_view argument, std::u16string_view* value) {
  if (row.match == Match::kWhole) {
    *value = {};
    return EqualIgnoringAsciiCase(argument, row.name);
  }
  if (argument.size() < row.name.size()) return false;
  if (!EqualIgnoringAsciiCase(argument.substr(0, row.name.size()), row.name)) return false;
  *value = argument.substr(row.name.size());
  return true;
}

// A value that begins with a scheme of two or more characters and a colon ("steam:",
// "ms-settings:") is a URL; a single letter before the colon is a drive.
bool IsUrl(std::u16string_view value) {
  const std::size_t colon = value.find(u':');
  if (colon == std::u16string_view::npos || colon < 2) return false;
  for (std::size_t i = 0; i < colon; ++i) {
    const char16_t c = FoldAsciiCase(value[i]);
    const bool letter = c >= u'A' && c <= u'Z';
    const bool other = (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
    if (!letter && !(i > 0 && other)) return false;
  }
  return true;
}

// The folder of a program's path, cut at its last backslash or slash, for the child's current
// directory; empty when the value names no folder (a bare file name, a URL). The root of a drive
// keeps its separator, since "C:" alone means the current folder of drive C, and so does the root
// of the current drive ("\game.exe" gives "\").
std::u16string_view ProgramFolder(std::u16string_view path) {
  if (IsUrl(path)) return {};
  const std::size_t last = path.find_last_of(u"\\/");
  if (last == std::u16string_view::npos) return {};
  if (last == 0 || (last == 2 && path[1] == u':')) return path.substr(0, last + 1);
  return path.substr(0, last);
}

// Applies one matched option; false when its number is rejected.
bool ApplyOption(LaunchSettings& s, OptionId id, std::u16string_view value) {
  auto number = [&](std::int32_t& field, auto&&... flags) {
    const NumberValue taken = TakeNumber(value);
    field = taken.value;
    if (taken.accepted) ((flags = true), ...);
    return taken.accepted;
  };
  switch (id) {
    case OptionId::kShowReport:
      s.showReport = true;
      return true;
    case OptionId::kBrightness:
      return number(s.brightness, s.setBrightness);
    case OptionId::kSwitchBrightness:
      s.switchBrightness = true;
      return true;
    case OptionId::kBrightnessHigh:
      return number(s.brightnessHigh);
    case OptionId::kBrightnessLow:
      return number(s.brightnessLow);
    case OptionId::kQuitBrightness:
      return number(s.quitBrightness, s.restoreBrightness, s.restoreOnExit);
    case OptionId::kWhiteLevel:
      return number(s.whiteLevel, s.setWhiteLevel);
    case OptionId::kSwitchWhiteLevel:
      s.switchWhiteLevel = true;
      return true;
    case OptionId::kWhiteLevelHigh:
      return number(s.whiteLevelHigh);
    case OptionId::kWhiteLevelLow:
      return number(s.whiteLevelLow);
    case OptionId::kQuitWhiteLevel:
      return number(s.quitWhiteLevel, s.restoreWhiteLevel, s.restoreOnExit);
    case OptionId::kHdr:
      if (EqualIgnoringAsciiCase(value, u"S")) s.switchHdr = true;
      if (EqualIgnoringAsciiCase(value, u"E")) s.enableHdr = s.hdrNewState = true;
      if (EqualIgnoringAsciiCase(value, u"D")) s.disableHdr = true;
      return true;
    case OptionId::kQuitHdr:
      if (EqualIgnoringAsciiCase(value, u"E") || EqualIgnoringAsciiCase(value, u"D")) {
        s.restoreHdr = s.restoreOnExit = true;
        s.quitHdrState = EqualIgnoringAsciiCase(value, u"E");
      }
      return true;
    case OptionId::kProgramPath:
      s.launchProgram = true;
      s.programPath.assign(value);
      s.workingDirectory.assign(ProgramFolder(value));
      return true;
    case OptionId::kProgramArgument0:
      s.programArgument0.assign(value);
      return true;
    case OptionId::kProgramArgument1:
      s.programArgument1.assign(value);
      return true;
    case OptionId::kPowerCycle:
      s.powerCycle = true;
      return true;
    case OptionId::kWaitImageName:
      s.waitImageName.assign(value);
      return true;
    case OptionId::kWaitSeconds:
      return number(s.waitSeconds);
    case OptionId::kDisplay:
      // The last one counts; an empty value chooses nothing and is refused like a bad number.
      s.chooseDisplay = true;
      s.display.assign(value);
      return !value.empty();
    case OptionId::kMode:
      s.setMode = true;
      s.mode.assign(value);
      return true;
    case OptionId::kJson:
      s.writeJson = true;
      s.jsonPath.clear();
      return true;
    case OptionId::kJsonFile:
      // An empty path names no file, and is refused like a bad number.
      s.writeJson = true;
      s.jsonPath.assign(value);
      return !value.empty();
    case OptionId::kSettle:
      s.settleOwed = true;
      return true;
    case OptionId::kQuitMode:
      s.restoreMode = s.restoreOnExit = true;
      s.quitMode.assign(value);
      return true;
  }
  return true;
}

// cmd.exe runs a batch file and reads its command line by rules of its own, under which these
// characters (and a line break) can end the argument and start a command; no quoting holds them.
bool IsBatchFile(std::u16string_view path) {
  // Windows drops trailing dots and blanks from a file name: "game.bat. " runs game.bat.
  while (!path.empty() && (path.back() == u'.' || path.back() == u' ')) path.remove_suffix(1);
  return path.size() >= 4 && (EqualIgnoringAsciiCase(path.substr(path.size() - 4), u".bat") ||
                              EqualIgnoringAsciiCase(path.substr(path.size() - 4), u".cmd"));
}

// The argument option whose text a batch program cannot be given safely, if any.
std::u16string_view RejectedBatchArgument(const LaunchSettings& settings) {
  if (!settings.launchProgram || !IsBatchFile(settings.programPath)) return {};
  constexpr std::u16string_view kUnsafe = u"\"%!^&|<>()\r\n";
  if (settings.programArgument0.find_first_of(kUnsafe) != std::u16string::npos) return u"-PARG:0:";
  if (settings.programArgument1.find_first_of(kUnsafe) != std::u16string::npos) return u"-PARG:1:";
  return {};
}

struct ReleaseArgumentArray {
  CommandLinePlatform* platform = nullptr;
  void operator()(char16_t** array) const { platform->LocalFree(array); }
};
using ArgumentArray = UniqueValue<char16_t**, ReleaseArgumentArray, nullptr>;

}  // namespace

NumberValue TakeNumber(std::u16string_view value) {
  std::size_t run = 0;
  while (run < value.size() && value[run] >= u'0' && value[run] <= u'9') ++run;
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  std::int64_t number = 0;
  for (std::size_t i = 0; i < run; ++i) {
    number = number * 10 + (value[i] - u'0');
    if (number > kMax) number = kMax;  // saturates, so any length of digits stays in range
  }
  const bool accepted = number != 0 || run == 1;
  return {accepted, static_cast<std::int32_t>(number)};
}

ParseOutcome ParseCommandLine(CommandLinePlatform& platform, std::u16string_view arguments,
                              ReportText& report) {
  ParseOutcome outcome;
  // CommandLineToArgvW splits its first element by the rule for a program name, which knows no
  // escapes and ends at the first closing quote. A placeholder program name in front makes every
  // argument the user wrote split by the ordinary rules; the placeholder is skipped.
  const std::u16string commandLine =
      std::u16string(kProgramPlaceholder) + u" " + std::u16string(arguments);
  int count = 0;
  ArgumentArray array(platform.CommandLineToArgvW(commandLine.c_str(), &count),
                      ReleaseArgumentArray{&platform});
  // Without an array the run goes on with the defaults, as if no option had been given.
  if (!array) return outcome;

  LaunchSettings& settings = outcome.settings;
  auto isOption = [](std::u16string_view argument) {
    return !argument.empty() && argument.front() == u'-';
  };
  // The usage case: no argument at all, or a single one that is not an option.
  if (count <= 1 || (count == 2 && !isOption(array.get()[1]))) {
    settings.showReport = true;
    AppendReportSection(report, kUsageText);
  }
  for (int i = 1; i < count; ++i) {
    const std::u16string_view argument(array.get()[i]);
    if (!isOption(argument)) continue;  // a non-option is ignored (or was the usage case)
    for (const OptionRow& row : kOptions) {
      std::u16string_view value;
      if (!MatchOption(row, argument, &value)) continue;
      if (!ApplyOption(settings, row.id, value)) {
        outcome.rejectedOption = row.name;
        return outcome;
      }
      ++outcome.options;
      break;
    }
  }
  outcome.rejectedOption = RejectedBatchArgument(settings);
  if (settings.launchProgram && settings.restoreOnExit && settings.waitImageName.empty() &&
      IsUrl(settings.programPath)) {
    outcome.refusal = u"-P:" + settings.programPath +
                      u" : a URL starts no program Glowtide can wait for; add -PW: with the "
                      u"game's program name";
  }
  return outcome;
}

}  // namespace glowtide
