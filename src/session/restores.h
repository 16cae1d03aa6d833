// The restore records on disk: each counted launch's, written before it changes anything and
// deleted once its quit settings are applied, and those of launches that ended without applying
// them (killed, crashed, or cut off by a power loss), which the next run settles.
#pragma once

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
// A record older than this (in FILETIME's units) is dropped; boots further apart than this (in
// seconds) are two.
inline constexpr std::uint64_t kRecordLifetime = 7ull * 24 * 3600 * 10000000;
// A record or a set-aside file dated further ahead than this was dated by a wrong clock; a
// temporary file older than a minute was left by a writer that died.
inline constexpr std::uint64_t kFutureSlack = 24ull * 3600 * 10000000;
inline constexpr std::uint64_t kWritingLifetime = 60ull * 10000000;
inline constexpr std::uint64_t kSameBootSeconds = 10;
// How long -R tries a setting that does not read back, and how often.
inline constexpr std::uint64_t kSettleTriesMs = 60000;
inline constexpr std::uint32_t kSettleLookMs = 5000;

// When the system started, in seconds on FILETIME's clock.
std::uint64_t BootSeconds(Platform& platform);

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
  LaunchRecord(RestoreFolder& folder, RecordOwner owner)
      : folder_(folder), name_(RecordName(owner)) {}
  RestoreRecord& record() { return record_; }
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
  RestoreFolder& folder_;
  std::u16string name_;
  RestoreRecord record_;
};

// The displays' plans as a record keeps them: each entry's HDR state and white level on its
// display, its brightness and mode on its monitor's display (with -D: the same one); set[i], when
// given, is what the start put in place on entry i.
std::vector<RecordDisplay> ByDisplay(const std::vector<PhaseDisplay>& entries,
                                     const std::vector<DisplayPlan>& quit,
                                     const std::vector<DisplayPlan>& set);

// Settles the records of instances that hold no place in the table, as its quit settings: decided
// with the lock held, put back with it let go, and taken out of the records with it held again.
class OwedRestores final : public QuitSettings {
 public:
  // own: what the settling run itself sets on each display (in quit), which its records leave
  // alone there. A failed setting is tried again every kSettleLookMs for triesMs.
  OwedRestores(Platform& platform, RestoreFolder& folder, LaunchTable& table,
               std::vector<RecordDisplay> own, std::uint64_t triesMs)
      : platform_(platform),
        folder_(folder),
        table_(table),
        own_(std::move(own)),
        triesMs_(triesMs) {}

  // Reads the records of instances that hold no place (ended, or left): drops those older than 7
  // days, sets aside those that do not parse, and takes, on each display that is connected and that
  // no live launch claims (others), the settings they owe there: the newest record's where several
  // do, none that own sets there, and after a restart no mode (a display is then found by its id
  // alone, and one without an id is passed over for good). The displays it takes.
  std::vector<DisplayTarget> Decide(const std::vector<DisplayTarget>& others) override;
  // Puts back each setting taken that its display still shows as its launch set it (or that the
  // launch set nothing for). True when every one put back reads back.
  bool Apply(Pause& pause, const std::vector<DisplayTarget>& others) override;
  // Takes what was put back out of the records, deleting those that owe nothing more, and writes
  // or deletes the RunOnce value.
  void Done() override;
  // Whether a record still owes something: true until Done says otherwise.
  bool owed() const { return owed_; }

 private:
  // The settings put back on a display, and the values their launches set.
  struct Work {
    std::size_t index = 0;  // into the query
    DisplayPlan quit;
    DisplayPlan expect;
    std::uint64_t from[4] = {};  // when the record of each setting's value started
    bool failed = true;
  };
  // A record read, and for each of its displays the work that settles it: kKept while it stays
  // owed, kPassed when it is owed no more.
  static constexpr std::size_t kKept = ~std::size_t{0}, kPassed = kKept - 1;
  struct Taken {
    std::u16string name;
    RestoreRecord record;
    std::vector<std::size_t> work;
  };
  bool Settled(const Taken& taken, const RecordDisplay& display) const;

  Platform& platform_;
  RestoreFolder& folder_;
  LaunchTable& table_;
  std::vector<RecordDisplay> own_;
  std::uint64_t triesMs_;
  DisplayQuery query_;
  std::vector<Taken> taken_;
  std::vector<Work> work_;
  bool owed_ = true;
};

}  // namespace glowtide
