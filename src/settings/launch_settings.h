// The one record every phase reads: every value and flag of the command line, with its default.
// It depends on nothing of the program, so that the phases need not know the parser.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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
  // -M: and -MQ: as written; they are matched against each display's modes by the run.
  bool setMode = false;
  std::u16string mode;
  bool restoreMode = false;
  std::u16string quitMode;
  bool restoreOnExit = false;
  bool launchProgram = false;
  // Paths and arguments have no fixed capacity: nothing the user gives is cut.
  std::u16string programPath;
  std::u16string workingDirectory;
  std::u16string programArgument0;
  std::u16string programArgument1;
  bool powerCycle = false;
  // A counted launch goes on waiting while a process of this image name runs (-PW:), and looks
  // for one for this many seconds after its child ended (-PWT:).
  std::u16string waitImageName;
  std::int32_t waitSeconds = 60;
  // -SJ writes the report as JSON to the standard output, -SJ:path to that file.
  bool writeJson = false;
  std::u16string jsonPath;
  // -R settles what launches that ended without their quit settings still owe.
  bool settleOwed = false;
  // -D: chooses the display(s) every setting acts on: a number, "*", or a name or device.
  bool chooseDisplay = false;
  std::u16string display;
  // -VCP: and -VCPQ:, monitor codes (DDC/CI), in the order given; a code given again keeps its
  // place and takes the later value. Without a value, -VCP: only reads the code for the reports,
  // and -VCPQ: puts back the value the monitor showed at the start.
  struct VcpOption {
    std::uint8_t code = 0;
    std::optional<std::uint16_t> value;
  };
  std::vector<VcpOption> vcp;
  std::vector<VcpOption> quitVcp;
};

}  // namespace glowtide
