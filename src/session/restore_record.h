// The restore record: what a counted launch owes its displays, as a small text that outlives the
// launch, and its strict parser.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "display/display_list.h"
#include "session/display_plan.h"

namespace glowtide {

// A display a launch acts on: how it is found again (its id, else its adapter and target; its
// GDI device is kept for the reader), what to put back on it, and what the launch set there at
// its start (nothing, for a setting it did not set).
struct RecordDisplay {
  Display display;
  DisplayPlan quit;
  DisplayPlan set;
};

// A launch's record: the sign-in it was made in (an id that a clock change cannot move), when the
// launch started (its process's creation time), the Windows session it ran in (none when not
// known: the reader's own), when it left its displays to launches that still claimed them (0: it
// did not, it ended without its quit settings), and its displays.
struct RestoreRecord {
  std::uint64_t boot = 0;
  std::uint64_t started = 0;
  std::optional<std::uint32_t> session;
  std::uint64_t left = 0;
  std::vector<RecordDisplay> displays;
};

// One line per item: "glowtide-restore 1", "boot <sign-in>", "started <time>", "session <id>"
// and "left <time>" when given, then for each
// display "display <LUID low part> <LUID high part> <target> <device> [<id>]" and, for each of
// its quit settings, "<name> <value to put back> [<value set>]": "hdr 0|1", "white <level>",
// "brightness <value>", "mode <mode as -M: takes it, or D>", and for each monitor code
// "vcp <code> <value>" (the code in decimal). A device or id that is not
// printable ASCII without blanks is written as "-" (a device) or left out (an id).
std::string FormatRecord(const RestoreRecord& record);

// None for a text that is not such a record, or that holds a value out of range: HDR other than 0
// or 1, a white level or brightness past 2147483647, a mode that is no mode, a setting before any
// display. Lines of keys it does not know are passed over.
std::optional<RestoreRecord> ParseRecord(std::string_view text);

// A record's file is named after its instance: "restore-<process id>-<creation time>.txt".
struct RecordOwner {
  std::uint32_t processId = 0;
  std::uint64_t creationTime = 0;
};
std::u16string RecordName(const RecordOwner& owner);
// None for a name of any other form.
std::optional<RecordOwner> OwnerOf(std::u16string_view name);

}  // namespace glowtide
