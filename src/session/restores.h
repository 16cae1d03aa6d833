// The restore records on disk: each counted launch's, written before it changes anything and
// deleted once its quit settings are applied, and those of launches that ended without applying
// them (killed, crashed, or cut off by a power loss), which the next run settles.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "launch/launch_counting.h"
#include "platform/platform.h"
#include "session/restore_record.h"

namespace glowtide {

// While any record exists, Windows runs "<this program>" -R at the next sign-in; the "!" keeps the
// value until the command has run.
inline constexpr char16_t kRunOnceKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
inline constexpr char16_t kRunOnceName[] = u"!Glowtide";
// A record older than this (in FILETIME's units) is dropped.
inline constexpr std::uint64_t kRecordLifetime = 7ull * 24 * 3600 * 10000000;
// A record or a set-aside file dated further ahead than this was dated by a wrong clock; a
// temporary file older than a minute was left by a writer that died.
inline constexpr std::uint64_t kFutureSlack = 24ull * 3600 * 10000000;
inline constexpr std::uint64_t kWritingLifetime = 60ull * 10000000;
// How long -R tries a setting that does not read back, and how often.
inline constexpr std::uint64_t kSettleTriesMs = 60000;
inline constexpr std::uint32_t kSettleLookMs = 5000;

// This sign-in's id, which no clock change moves: a number kept in a volatile value of the
// user's registry, which goes at the sign-out and at a restart. The first run after the sign-in
// makes it from the time. 0 when the registry cannot be had.
inline constexpr char16_t kSignInKey[] = u"Software\\GlowtideSignIn";
std::uint64_t SignInId(Platform& platform);

// The records' folder, %LOCALAPPDATA%\Glowtide, created when first needed. Without it nothing is
// written, and there are no records.
class RestoreFolder {
 public:
  explicit RestoreFolder(Platform& platform) : platform_(platform) {}
  // Writes the record whole: a temporary file in the folder, flushed, then moved over the record.
  // Whether it is there.
  bool Write(const std::u16string& name, const RestoreRecord& record);
  // The file's bytes; none when it cannot be read.
  std::optional<std::string> Read(const std::u16string& name);
  void Delete(const std::u16string& name);
  // Renames a record that does not parse to "<name>.bad", where it is kept but never applied.
  void SetAside(const std::u16string& name);
  // The names of the records there: regular files named as an instance's. Removes on the way
  // what is left over: temporary files older than a minute, and set-aside files older than 7 days
  // or dated more than a day ahead.
  std::vector<std::u16string> Names();
  // Writes the RunOnce value while a record exists, and deletes it when none does; called with
  // the table's lock held.
  void SyncRunOnce();
  // Writes the RunOnce value, for a record just written.
  void MarkRunOnce();

 private:
  // The folder, found (and created) when first needed; empty when there is none.
  const std::u16string& Folder();
  std::u16string Path(const std::u16string& name) {
    return Folder().empty() ? std::u16string() : folder_ + u"\\" + name;
  }
  Platform& platform_;
  std::u16string folder_;
  bool found_ = false;
};

// This launch's own record, named once after its instance: owed at the join, written again with
// what the start placed, and trimmed at the leave to what the launch still owes.
class LaunchRecord {
 public:
  // Named after the table's instance once it has joined.
  LaunchRecord(Platform& platform, RestoreFolder& folder, const LaunchTable& table)
      : platform_(platform), folder_(folder), table_(table) {}
  RestoreRecord& record() { return record_; }
  // At the join, before any change: the quit settings it owes on each display and the debts it
  // took over where it owes nothing of its own, on this sign-in and in this session.
  void Owe(std::vector<RecordDisplay> displays, std::vector<RecordDisplay> takenOver);
  // After the start: the same with the values the displays were left showing.
  void Placed(std::vector<RecordDisplay> displays);
  // What the record owes on the display; nothing when it names it not.
  const DisplayPlan& QuitOf(const Display& display) const;
  // At the leave, right after the restore, with the lock or without: keeps what the launch still
  // owes. A display that others claim (or a picture of which they claim a display, for its mode)
  // is left to them, marked as handed over at left, and put back by them as it stands; a display
  // that is gone owes all it owed; elsewhere only what failed names stays owed.
  void Keep(const std::vector<DisplayTarget>& others,
            const std::vector<std::u16string>& claimedPictures,
            const std::vector<DisplayTarget>& gone, const std::vector<RecordDisplay>& failed,
            std::uint64_t left);
  // Writes the record as it stands, with the RunOnce value that settles it at the next sign-in,
  // or deletes it once it owes nothing (the value then goes when the lock is next held).
  void Save() {
    if (record_.displays.empty()) {
      folder_.Delete(name_);
    } else if (folder_.Write(name_, record_)) {
      folder_.MarkRunOnce();
    }
  }

 private:
  Platform& platform_;
  RestoreFolder& folder_;
  const LaunchTable& table_;
  std::u16string name_;
  std::vector<RecordDisplay> takenOver_;
  RestoreRecord record_;
  const DisplayPlan none_;  // what the record owes on a display it names not
};

// The displays that the records of the other launches still running owe settings on.
std::vector<RecordDisplay> OwedByLive(RestoreFolder& folder, const LaunchTable& table);

// -R: settles every record that ended launches left, trying a setting that does not read back
// for a minute, since right after sign-in the monitors may not answer yet. Whether nothing is
// owed any more.
bool SettleOwed(Platform& platform);

// The displays' plans as a record keeps them: each entry's HDR state and white level on its
// display, its brightness and mode on its monitor's display (with -D: the same one); with shown,
// each with the value the display was left showing (what the start placed, or else found).
std::vector<RecordDisplay> ByDisplay(const std::vector<PhaseDisplay>& entries,
                                     DisplayPlan PhaseDisplay::*quit, bool shown);

// Adds to a launch's displays the debts it took over, where it owes nothing of its own.
void TakeOver(std::vector<RecordDisplay>& displays, const std::vector<RecordDisplay>& over);

// Settles the records of instances that hold no place in the table, as its quit settings: decided
// with the lock held, put back with it let go, and taken out of the records with it held again.
// Where several records owe a setting of a display, the one whose launch left the display last
// wins: a launch that left its displays to others (its record's left time) left before them, and
// before any launch that ended without its quit settings; among those, the later started wins.
class OwedRestores final : public QuitSettings {
 public:
  // own: what the settling run itself sets on each display (in quit). A joining launch takes over
  // the debts for those settings (takeOver): its own record owes them, its own quit value winning.
  // A leaving launch's own quit settings win over them. A failed setting is tried again every
  // kSettleLookMs for triesMs.
  OwedRestores(Platform& platform, RestoreFolder& folder, LaunchTable& table,
               std::vector<RecordDisplay> own, std::uint64_t triesMs, bool takeOver = false)
      : platform_(platform),
        folder_(folder),
        table_(table),
        own_(std::move(own)),
        triesMs_(triesMs),
        takeOver_(takeOver) {}

  // Reads the records of instances that hold no place (ended, or left): drops those older than 7
  // days or dated ahead, sets aside those that do not parse, leaves alone those of another
  // session's launch that still runs, and takes, on each display that is connected and that no
  // live launch claims (others), the settings they owe there, none that own sets there, and after
  // a restart no mode (a display is then found by its id alone, and one without an id is passed
  // over for good). The displays it takes.
  std::vector<DisplayTarget> Decide(const std::vector<DisplayTarget>& others) override {
    return Decide(others, nullptr);
  }
  // The same on the displays of a query made already (none: it makes its own).
  std::vector<DisplayTarget> Decide(const std::vector<DisplayTarget>& others,
                                    const DisplayQuery* query);
  // Puts back each setting taken that its display still shows as its launch left it (or that the
  // record knows no value for), but those handed to Due. True when every one put back reads back.
  bool Apply(Pause& pause, const std::vector<DisplayTarget>& others) override;
  // Takes what is owed no more out of the records, deleting those that owe nothing more, and
  // writes or deletes the RunOnce value.
  void Done() override;
  // Whether a record still owes something: true until Done says otherwise.
  bool owed() const { return owed_; }
  // The debts that own's settings took over, by display.
  const std::vector<RecordDisplay>& takenOver() const { return takenOver_; }
  // What is due on the entry's display (when its brightness and mode are on it too), checked
  // against what it shows, for a leaving launch to put back in one plan with its own; done says
  // what of it is then in place.
  DisplayPlan Due(Pause& pause, PhaseDisplay& entry);
  void Placed(const PhaseDisplay& entry, const DisplayPlan& done);

 private:
  // The settings owed on a display: the winning record's value of each, the value that record's
  // launch left there, and what is still owed after the last try.
  struct Work {
    std::size_t index = 0;  // into the query
    DisplayPlan quit;
    DisplayPlan expect;
    std::uint64_t rank[4] = {};  // when the launch of each setting's value left the display
    std::array<std::uint64_t, 256> codeRank = {};  // the same for each monitor code
    DisplayPlan left;
    bool merged = false;  // put back by the leaving launch
  };
  // A record read, and for each of its displays the work that settles it: kKept while it stays
  // owed, kPassed when it is owed no more.
  static constexpr std::size_t kKept = ~std::size_t{0}, kPassed = kKept - 1;
  struct Taken {
    std::u16string name;
    RestoreRecord record;
    std::vector<std::size_t> work;
  };
  Work* WorkOn(const DisplayTarget& target);
  // The settings of the work to put back now: those still owed that the display still shows as
  // they were left.
  DisplayPlan Checked(Pause& pause, const Work& work, PhaseDisplay& entry);

  Platform& platform_;
  RestoreFolder& folder_;
  LaunchTable& table_;
  std::vector<RecordDisplay> own_;
  std::uint64_t triesMs_;
  bool takeOver_;
  DisplayQuery query_;                           // the query it made, when it made one
  const std::vector<Display>* shown_ = nullptr;  // the displays there are, as Decide found them
  std::vector<Taken> taken_;
  std::vector<Work> work_;
  std::vector<RecordDisplay> takenOver_;
  bool owed_ = true;
};

}  // namespace glowtide
