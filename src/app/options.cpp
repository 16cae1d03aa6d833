// The option table, its match rules and the number rule.
#include "app/options.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <vector>

#include "common/ascii_case.h"
#include "common/decimal.h"
#include "common/system_message.h"
#include "common/utf8.h"
#include "monitor/vcp.h"
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
  kVcp,
  kQuitVcp,
};

struct OptionRow {
  std::u16string_view name;
  Match match;
  OptionId id;
};

// No argument can match two rows, so the order changes no result; it is kept as documented.
constexpr std::array<OptionRow, 27> kOptions{{
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
    {u"-VCP:", Match::kPrefix, OptionId::kVcp},
    {u"-VCPQ:", Match::kPrefix, OptionId::kQuitVcp},
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

// A monitor code as monitor documentation writes it, one or two hex digits with or without "0x",
// then "=" and a decimal value of one to five digits, at most 65535, or no value at all.
std::optional<LaunchSettings::VcpOption> ParseCode(std::u16string_view text) {
  const std::size_t equals = text.find(u'=');
  std::u16string_view code = text.substr(0, equals);
  if (code.size() > 2 && code[0] == u'0' && FoldAsciiCase(code[1]) == u'X') code.remove_prefix(2);
  if (code.empty() || code.size() > 2) return std::nullopt;
  LaunchSettings::VcpOption option;
  for (const char16_t digit : code) {
    const char16_t folded = FoldAsciiCase(digit);
    const bool decimal = digit >= u'0' && digit <= u'9';
    if (!decimal && !(folded >= u'A' && folded <= u'F')) return std::nullopt;
    option.code =
        static_cast<std::uint8_t>(option.code * 16 + (decimal ? digit - u'0' : folded - u'A' + 10));
  }
  if (equals == std::u16string_view::npos) return option;
  const std::u16string_view value = text.substr(equals + 1);
  const std::optional<std::uint64_t> number =
      value.size() <= 5 ? ParseDecimal(value, 65535) : std::nullopt;
  if (!number) return std::nullopt;
  option.value = static_cast<std::uint16_t>(*number);
  return option;
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
    case OptionId::kVcp:
    case OptionId::kQuitVcp: {
      const std::optional<LaunchSettings::VcpOption> code = ParseCode(value);
      if (!code) return false;
      auto& codes = id == OptionId::kVcp ? s.vcp : s.quitVcp;
      auto same = std::find_if(codes.begin(), codes.end(),
                               [&](const auto& given) { return given.code == code->code; });
      if (same != codes.end()) {
        *same = *code;
      } else if (codes.size() < kMostCodes) {
        codes.push_back(*code);
      } else {
        return false;  // more codes than a plan holds
      }
      s.restoreOnExit |= id == OptionId::kQuitVcp;
      return true;
    }
  }
  return true;
}

// cmd.exe runs a batch file and reads its command line by rules of its own, under which these
// characters (and a line break) can end the argument and start a command; no quoting holds them.
constexpr std::u16string_view kBatchUnsafe = u"\"%!^&|<>()\r\n";

bool IsBatchFile(std::u16string_view path) {
  // Windows drops trailing dots and blanks from a file name: "game.bat. " runs game.bat.
  while (!path.empty() && (path.back() == u'.' || path.back() == u' ')) path.remove_suffix(1);
  return path.size() >= 4 && (EqualIgnoringAsciiCase(path.substr(path.size() - 4), u".bat") ||
                              EqualIgnoringAsciiCase(path.substr(path.size() - 4), u".cmd"));
}

// The argument option whose text a batch program cannot be given safely, if any.
std::u16string_view RejectedBatchArgument(const LaunchSettings& settings) {
  if (!settings.launchProgram || !IsBatchFile(settings.programPath)) return {};
  if (settings.programArgument0.find_first_of(kBatchUnsafe) != std::u16string::npos)
    return u"-PARG:0:";
  if (settings.programArgument1.find_first_of(kBatchUnsafe) != std::u16string::npos)
    return u"-PARG:1:";
  return {};
}

struct ReleaseArgumentArray {
  CommandLinePlatform* platform = nullptr;
  void operator()(char16_t** array) const { platform->LocalFree(array); }
};
using ArgumentArray = UniqueValue<char16_t**, ReleaseArgumentArray, nullptr>;

// The arguments of the text as the command line's are after its program name; none when the
// platform cannot split it. CommandLineToArgvW splits its first element by the rule for a program
// name, which knows no escapes and ends at the first closing quote: a placeholder program name in
// front makes every argument split by the ordinary rules, and is skipped.
std::optional<std::vector<std::u16string>> SplitArguments(CommandLinePlatform& platform,
                                                          std::u16string_view text) {
  const std::u16string line = std::u16string(kProgramPlaceholder) + u" " + std::u16string(text);
  int count = 0;
  const ArgumentArray array(platform.CommandLineToArgvW(line.c_str(), &count),
                            ReleaseArgumentArray{&platform});
  if (!array) return std::nullopt;
  return std::vector<std::u16string>(array.get() + std::min(count, 1), array.get() + count);
}

constexpr std::size_t kProfileLimit = 65536;

// A profile's bytes as text: UTF-16 LE after its mark, or UTF-8 with or without one.
std::u16string ProfileText(std::string_view bytes) {
  std::u16string text;
  if (bytes.starts_with("\xFF\xFE")) {
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
      text += static_cast<char16_t>(static_cast<std::uint8_t>(bytes[i]) |
                                    static_cast<std::uint8_t>(bytes[i + 1]) << 8);
    return text;
  }
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  return FromUtf8(bytes);
}

// The path of a profile named as given: as it stands when absolute (a drive and a separator, or
// a server path), otherwise in the folder that holds this program, since a launcher starts it in
// the game's folder.
std::u16string ProfilePath(FilePlatform& platform, std::u16string_view given) {
  const bool absolute =
      (given.size() >= 3 && given[1] == u':' && (given[2] == u'\\' || given[2] == u'/')) ||
      given.starts_with(u"\\\\");
  std::u16string program;
  if (absolute || !platform.GetModuleFileNameW(&program)) return std::u16string(given);
  return program.substr(0, program.find_last_of(u"\\/") + 1) + std::u16string(given);
}

// Reads the profile that the argument names (after its "@") into its arguments, one line after
// another: lines end at a line feed (a return before it is dropped), and blank lines and those
// whose first other character is "#" are passed over. The refusal's text when it cannot.
std::u16string ReadProfile(Platform& platform, std::u16string_view argument,
                           std::vector<std::u16string>* arguments) {
  const std::u16string_view given = argument.substr(1);
  std::string bytes;
  switch (ReadWhole(platform, platform, ProfilePath(platform, given), kProfileLimit, &bytes)) {
    case FileRead::kRead:
      break;
    case FileRead::kTooLarge:
      return std::u16string(argument) + u" : larger than 64 KiB";
    case FileRead::kFailed:
      return std::u16string(argument) + u" : " + SystemMessage(platform, platform.GetLastError());
  }
  const std::u16string text = ProfileText(bytes);
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find(u'\n', at);
    if (end == std::u16string::npos) end = text.size();
    std::u16string_view line(text.data() + at, end - at);
    at = end + 1;
    if (line.ends_with(u'\r')) line.remove_suffix(1);
    const std::size_t first = line.find_first_not_of(u" \t");
    if (first == std::u16string_view::npos || line[first] == u'#') continue;
    std::optional<std::vector<std::u16string>> split = SplitArguments(platform, line);
    if (!split)
      return std::u16string(argument) + u" : " + SystemMessage(platform, platform.GetLastError());
    for (std::u16string& item : *split) {
      // A profile names no other profile, and the game's command line stays on Glowtide's own.
      if (item.starts_with(u'@') || item == u"--") return item + u" Parameter error";
      arguments->push_back(std::move(item));
    }
  }
  return {};
}

}  // namespace

std::size_t ArgumentEnd(std::u16string_view text, std::size_t index) {
  auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
  std::size_t at = 0;
  for (std::size_t argument = 0;; ++argument) {
    while (at < text.size() && blank(text[at])) ++at;
    if (at == text.size()) return at;
    std::size_t backslashes = 0;
    int quotes = 0;  // 1 within a quoted part
    while (at < text.size() && (quotes != 0 || !blank(text[at]))) {
      if (text[at] != u'"') {
        backslashes = text[at] == u'\\' ? backslashes + 1 : 0;
        ++at;
        continue;
      }
      // An odd run of backslashes makes the quote literal; otherwise it opens or closes a quoted
      // part, and within one a third quote in a row is literal.
      if (backslashes % 2 == 0) ++quotes;
      backslashes = 0;
      for (++at; at < text.size() && text[at] == u'"'; ++at) {
        if (++quotes == 3) quotes = 0;
      }
      if (quotes == 2) quotes = 0;
    }
    if (argument == index) return at;
  }
}

NumberValue TakeNumber(std::u16string_view value) {
  std::size_t run = 0;
  while (run < value.size() && value[run] >= u'0' && value[run] <= u'9') ++run;
  constexpr std::uint64_t kMax = std::numeric_limits<std::int32_t>::max();
  // Saturates, so any length of digits stays in range.
  const std::uint64_t number =
      run == 0 ? 0 : ParseDecimal(value.substr(0, run), kMax).value_or(kMax);
  const bool accepted = number != 0 || run == 1;
  return {accepted, static_cast<std::int32_t>(number)};
}

ParseOutcome ParseCommandLine(Platform& platform, std::u16string_view arguments,
                              ReportText& report) {
  ParseOutcome outcome;
  // Without a split the run goes on with the defaults, as if no option had been given.
  std::optional<std::vector<std::u16string>> split = SplitArguments(platform, arguments);
  if (!split) return outcome;
  // The first "--" ends the options: the argument after it is the program, and the text after
  // that, as it stands, the program's arguments.
  const auto dashes = std::find(split->begin(), split->end(), u"--");
  auto script = [&](auto first, auto last) {
    outcome.script |= std::any_of(first, last, [](std::u16string_view argument) {
      return EqualIgnoringAsciiCase(argument, u"-SJ") ||
             EqualIgnoringAsciiCase(argument.substr(0, 4), u"-SJ:");
    });
  };
  script(split->begin(), dashes);
  std::vector<std::u16string> given;
  for (auto item = split->begin(); item != dashes; ++item) {
    if (!item->starts_with(u'@')) {
      given.push_back(std::move(*item));
    } else if (std::u16string refusal = ReadProfile(platform, *item, &given); !refusal.empty()) {
      outcome.refusal = std::move(refusal);
      return outcome;
    }
  }

  script(given.begin(), given.end());

  LaunchSettings& settings = outcome.settings;
  auto isOption = [](std::u16string_view argument) {
    return !argument.empty() && argument.front() == u'-';
  };
  // The usage case: no argument at all, or a single one that is not an option (a profile's
  // arguments counting as the command line's, and a program after "--" as an argument).
  if (dashes == split->end() && (given.empty() || (given.size() == 1 && !isOption(given[0])))) {
    settings.showReport = true;
    AppendReportSection(report, kUsageText);
  }
  bool programOption = false;  // a -P: or -PARG: was given
  for (const std::u16string& argument : given) {
    if (!isOption(argument)) continue;  // a non-option is ignored (or was the usage case)
    for (const OptionRow& row : kOptions) {
      std::u16string_view value;
      if (!MatchOption(row, argument, &value)) continue;
      if (!ApplyOption(settings, row.id, value)) {
        outcome.rejectedOption = row.name;
        return outcome;
      }
      programOption |= row.id == OptionId::kProgramPath || row.id == OptionId::kProgramArgument0 ||
                       row.id == OptionId::kProgramArgument1;
      ++outcome.options;
      break;
    }
  }
  if (dashes != split->end()) {
    const auto program = dashes + 1;
    if (program == split->end() || programOption) {
      outcome.rejectedOption = u"--";
      return outcome;
    }
    // The program starts in this program's own folder, the one its launcher chose.
    settings.launchProgram = true;
    settings.programPath = *program;
    settings.programArgument1 = arguments.substr(std::min(
        arguments.size(),
        arguments.find_first_not_of(u" \t", ArgumentEnd(arguments, program - split->begin()))));
    if (IsBatchFile(settings.programPath) &&
        settings.programArgument1.find_first_of(kBatchUnsafe) != std::u16string::npos) {
      outcome.rejectedOption = u"--";
      return outcome;
    }
  } else {
    outcome.rejectedOption = RejectedBatchArgument(settings);
  }
  // The input source cannot be read back reliably, so it is never put back as it was found.
  for (const LaunchSettings::VcpOption& code : settings.quitVcp) {
    if (code.code == 0x60 && !code.value)
      outcome.refusal = u"-VCPQ:60 : the input source cannot be put back as found; give its value";
  }
  if (settings.launchProgram && settings.restoreOnExit && settings.waitImageName.empty() &&
      IsUrl(settings.programPath)) {
    outcome.refusal = (dashes == split->end() ? u"-P:" : u"-- ") + settings.programPath +
                      u" : a URL starts no program Glowtide can wait for; add -PW: with the "
                      u"game's program name";
  }
  return outcome;
}

}  // namespace glowtide
