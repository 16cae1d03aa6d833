// The run: the command line and every refusal, what ended launches owe and the launch's place, the
// report's reads and the start, and the game. Each act's logic lives in its own room.
#include "app/run.h"

#include <optional>
#include <string>

#include "app/options.h"
#include "common/utf8.h"
#include "launch/child_launch.h"
#include "launch/launch_counting.h"
#include "launch/waiting.h"
#include "monitor/power_cycle.h"
#include "report/json.h"
#include "report/json_output.h"
#include "report/report.h"
#include "session/display_state.h"
#include "session/hold.h"
#include "session/launch_end.h"
#include "session/requests.h"
#include "session/restores.h"

namespace glowtide {
namespace {

// An error's text: in a run for a script (-SJ anywhere on the command line) on the standard
// error, as a UTF-8 line, so that no box waits for a click; otherwise, and when the process has
// no standard error, in a box.
void ShowError(Platform& platform, bool script, const std::u16string& message) {
  if (script) {
    const Handle error = platform.GetStdHandle(kStdErrorHandle);
    std::string line;
    AppendUtf8(line, message);
    line += '\n';
    if (error != Handle::kNull && error != kInvalidHandleValue && WriteWhole(platform, error, line))
      return;
  }
  platform.MessageBoxW(WindowHandle::kNull, message.c_str(), u"Error", kMbOk);
}

// The report's reads, before any change: the displays the box shows, and those the JSON document
// does (every display, or those -D: chose, each with its own monitor); with -D: and -SI they are
// the same displays, read once.
struct ReportReads {
  std::vector<DisplayState> box, json;
  const std::vector<DisplayState>& document() const { return json.empty() ? box : json; }
};
ReportReads ReadReports(Platform& platform, Pause& pause, const LaunchSettings& settings,
                        Requests& requests) {
  ReportReads reads;
  auto read = [&](PhaseDisplay& entry) {
    return ReadDisplayState(platform, pause, *entry.display, *entry.monitorDisplay,
                            entry.brightness, &entry.model, requests.codes);
  };
  if (settings.showReport) {
    for (PhaseDisplay& entry : requests.displays) reads.box.push_back(read(entry));
  }
  if (settings.writeJson && !(settings.chooseDisplay && settings.showReport)) {
    std::vector<std::size_t> all;
    for (std::size_t i = 0; i < requests.query.displays.size(); ++i) all.push_back(i);
    for (PhaseDisplay& entry : PhaseDisplays(requests.query.displays,
                                             settings.chooseDisplay ? requests.chosen : all, true))
      reads.json.push_back(read(entry));
  }
  return reads;
}

// The refusals, before anything changes: the options, the JSON output and the displays (-D:,
// -M:, -MQ:); -R alone settles at once, since at sign-in the display configuration may not answer
// yet. The exit code when the run ends here.
std::optional<int> Refusal(Platform& platform, const ParseOutcome& parsed, JsonOutput& json,
                           Requests* requests) {
  const LaunchSettings& settings = parsed.settings;
  std::u16string refusal = parsed.refusal;
  if (!parsed.rejectedOption.empty())
    refusal = std::u16string(parsed.rejectedOption) + u" Parameter error";
  if (refusal.empty() && settings.settleOwed && parsed.options == 1)
    return SettleOwed(platform) ? kExitSuccess : kExitNotInPlace;
  if (refusal.empty() && settings.writeJson) refusal = json.Check();
  if (refusal.empty()) {
    if (settings.powerCycle) PowerCycleMonitors(platform, platform);
    if (DecideRequests(platform, settings, requests, &refusal)) return std::nullopt;
  }
  if (!refusal.empty()) ShowError(platform, parsed.script, refusal);
  return kExitFailure;
}

// A counted launch's place, taken before it changes anything so that no other restore lands on
// its settings, with what ended launches owe on its displays settled or taken over; then its
// record, and what its displays show of what it puts back and does not set. Whether it counts.
bool Count(Platform& platform, Pause& pause, const LaunchSettings& settings, Requests& requests,
           LaunchTable& table, RestoreFolder& folder, LaunchRecord& record) {
  OwedRestores joining(platform, folder, table,
                       ByDisplay(requests.displays, &PhaseDisplay::sets, false), 0, true);
  if (!table.Join(Claims(requests.displays), &joining)) return false;
  if (!requests.foundCodes.empty())
    FindQuitCodes(platform, pause, settings, requests, joining.takenOver(),
                  OwedByLive(folder, table));
  record.Owe(ByDisplay(requests.displays, &PhaseDisplay::quit, false), joining.takenOver());
  for (PhaseDisplay& entry : requests.displays)
    entry.found = FoundValues(platform, pause, entry, Unplaced(entry.quit, entry.sets));
  return true;
}

// The reports: the JSON document (a write that fails is said, and not in place) and the box.
bool Report(Platform& platform, const ParseOutcome& parsed, const ReportReads& reads,
            const Requests& requests, JsonOutput& json, ReportText& report) {
  const LaunchSettings& settings = parsed.settings;
  std::u16string error;
  if (settings.writeJson) error = json.Write(JsonReport(GLOWTIDE_VERSION, reads.document()));
  if (!error.empty()) ShowError(platform, parsed.script, error);
  if (settings.showReport) {
    for (const DisplayState& state : reads.box)
      AppendStateSections(report, state, settings.chooseDisplay);
    if (requests.query.displays.size() > 1)
      report.Append(u"<Displays>\n" + DisplayListLines(requests.query.displays) + u"\n");
    ShowReport(platform, report);
  }
  return error.empty();
}

}  // namespace

int Run(Platform& platform, std::u16string_view arguments, InstanceHandle instance) {
  // 1. The command line, the displays and every refusal, before anything changes.
  ReportText report;
  const ParseOutcome parsed = ParseCommandLine(platform, arguments, report);
  const LaunchSettings& settings = parsed.settings;
  JsonOutput json(platform, settings.jsonPath);
  Requests requests;
  if (const std::optional<int> refused = Refusal(platform, parsed, json, &requests))
    return *refused;

  // 2. What ended launches owe (first, so that the options act on the displays as the player left
  // them), and a counted launch's place and record. Declared so that the table is let go before
  // the child's handles are closed. Quit settings that no table counts are never in place.
  bool inPlace = !settings.settleOwed || SettleOwed(platform);
  ChildProcess child;
  LaunchTable table(platform);
  RestoreFolder folder(platform);
  LaunchRecord record(platform, folder, table);
  SleepPause pause(platform);
  const bool counts = settings.launchProgram && settings.restoreOnExit;
  const bool counted = counts && Count(platform, pause, settings, requests, table, folder, record);
  inPlace &= counted || !counts;

  // 3. The report's reads, the start's changes (one not in place makes the exit code 1), the
  // record with what they placed, and the reports.
  const ReportReads reads = ReadReports(platform, pause, settings, requests);
  Hold::DisplaySet switched = 0;
  inPlace &= Start(platform, pause, settings, requests, counted, &switched);
  const std::uint64_t started = platform.GetTickCount64();
  if (counted) record.Placed(ByDisplay(requests.displays, &PhaseDisplay::quit, true));
  inPlace &= Report(platform, parsed, reads, requests, json, report);

  // 4. The game: launched, waited for with its settings held, and put back. One that cannot be
  // waited for is put back at once, and says why.
  if (!settings.launchProgram) return inPlace ? kExitSuccess : kExitNotInPlace;
  LaunchEnd end(platform, settings.chooseDisplay, settings.restoreMode, requests.displays, folder,
                table, record);
  child = LaunchChild(platform, settings);
  std::u16string error;
  if (!child.started) {
    error = LaunchErrorText(platform, settings, child.error);
  } else if (counted && !child.process && settings.waitImageName.empty()) {
    // The shell opened it through a program already running (a shortcut to a URL, say).
    error = u"Cannot wait for " + settings.programPath +
            u": it started no program of its own; add -PW: with the game's program name";
  } else if (counted) {
    Hold hold(platform, settings.chooseDisplay, requests.displays, switched, started, &table);
    inPlace &= WaitAndRestore(platform, settings.waitImageName, settings.waitSeconds, child, table,
                              end, instance, &hold);
  }
  if (!error.empty() && counted) table.Leave(end, pause, kLeaveWaitMs);
  if (!error.empty()) ShowError(platform, parsed.script, error);
  return inPlace && error.empty() ? kExitSuccess : kExitNotInPlace;
}

}  // namespace glowtide
