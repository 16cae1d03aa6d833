// The launch settings and the parsing of the command line into them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/command_line.h"
#include "report/report.h"

namespace glowtide {

// Every value and flag of the command line, with its default. Brightness values are the
// monitor's DDC/CI units; white levels are SDR white levels where 1000 stands for 80 nits.
struct LaunchSettings {
  bool showReport = false;
  bool setBrightness = false;
  std::int32_t brightness = 90;
  bool switchBrightness = false;
  std::int32_t brightnessHigh = 90;
  std::int32_t brightnessLow = 30;
  bool restoreBrightness = false;
  std::int32_t quitBrightness = 1500;
  bool setWhiteLevel = false;
  std::int32_t whiteLevel = 1500;
  bool switchWhiteLevel = false;
  std::int32_t whiteLevelHigh = 3500;
  std::int32_t whiteLevelLow = 1500;
  bool restoreWhiteLevel = false;
  std::int32_t quitWhiteLevel = 1500;
  bool switchHdr = false;
  bool enableHdr = false;
  bool disableHdr = false;
  bool hdrNewState = false;  // true = HDR on
  bool restoreHdr = false;
  bool quitHdrState = false;  // true = HDR on
  bool restoreOnExit = false;
  bool launchProgram = false;
  // Paths and arguments have no fixed capacity: nothing the user gives is cut.
  std::u16string programPath;
  std::u16string workingDirectory;
  std::u16string programArgument0;
  std::u16string programArgument1;
  bool powerCycle = false;
};

inline constexpr char16_t kUsageText[] =
    u"<Options>\n"
    u"[-B:number] : Set monitor brightness to number.\n"
    u"[-BB:number] : Set Windows HDR/SDR brightness balance to number.\n"
    u"[-HDR:E/D/S] : Set HDR Status. [E:Enable] [D:Disable] [S:Switch]\n"
    u"\n\n";

struct ParseOutcome {
  LaunchSettings settings;
  // The option, as spelled in the option table, whose number was rejected; empty when none was.
  std::u16string_view rejectedOption;
};

// Splits the argument part of the command line (without the program name) and reads every
// argument into the settings. In the usage case the usage text becomes the report's first
// section. Stops at the first rejected number.
ParseOutcome ParseCommandLine(CommandLinePlatform& platform, std::u16string_view arguments,
                              ReportText& report);

// The number rule: the leading ASCII digit run, saturated at 2147483647. Empty when the value
// is rejected (no digits, or a run of zeros other than the single "0").
struct NumberValue {
  bool accepted = false;
  std::int32_t value = 0;
};
NumberValue TakeNumber(std::u16string_view value);

}  // namespace glowtide
