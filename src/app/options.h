// The parsing of the command line into the launch settings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "report/report.h"
#include "settings/launch_settings.h"

namespace glowtide {

inline constexpr char16_t kUsageText[] =
    u"<Options>\n"
    u"[-B:number] : Set monitor brightness to number.\n"
    u"[-BB:number] : Set Windows HDR/SDR brightness balance to number.\n"
    u"[-HDR:E/D/S] : Set HDR Status. [E:Enable] [D:Disable] [S:Switch]\n"
    u"\n\n"
    u"<Games>\n"
    u"[@file] : Read options from a profile, one or more a line.\n"
    u"[-- program arguments] : Start the program with the rest of the line as it stands.\n"
    u"Recipes for games and launchers: README.md, \"One game\".\n"
    u"\n";

// Put in front of the argument part before it is split, and skipped after.
inline constexpr char16_t kProgramPlaceholder[] = u"glowtide";

struct ParseOutcome {
  LaunchSettings settings;
  // The option, as spelled in the option table, whose number was rejected; empty when none was.
  std::u16string_view rejectedOption;
  // The whole text of a refusal that is not a parameter error; empty when there is none.
  std::u16string refusal;
  // How many options were read.
  int options = 0;
  // -SJ or -SJ: stands somewhere among the options, read or not: a run for a script.
  bool script = false;
};

// Splits the argument part of the command line (without the program name), every argument by the
// ordinary rules, and reads each into the settings. An argument "@file" stands for the arguments
// of that profile. The first "--" ends the options: the argument after it is the program, and the
// rest of the text after that, as it stands, its arguments. In the usage case (no argument, or a
// single one that is not an option, and no "--") the usage text becomes the report's first
// section. Stops at the first rejected value: a bad number, an empty -D:, or, for a .bat or .cmd
// program, an argument text that holds a character cmd.exe would act on; "--" with no program or
// beside -P: or -PARG: is rejected as "--". A profile that cannot be read, or that names a profile
// or "--", and a URL with a quit option and no -PW: are refused with their own texts.
ParseOutcome ParseCommandLine(Platform& platform, std::u16string_view arguments,
                              ReportText& report);

// The offset in the text just past its argument of that index (from 0), split as the command
// line is after its program name; the text's size when it has no such argument.
std::size_t ArgumentEnd(std::u16string_view text, std::size_t index);

// The number rule: the leading ASCII digit run, saturated at 2147483647. Empty when the value
// is rejected (no digits, or a run of zeros other than the single "0").
struct NumberValue {
  bool accepted = false;
  std::int32_t value = 0;
};
NumberValue TakeNumber(std::u16string_view value);

}  // namespace glowtide
