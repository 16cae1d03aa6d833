// The restore records' folder and the settling of what ended launches owe.
#include "session/restores.h"

#include <algorithm>
#include <utility>

#include "common/decimal.h"
#include "session/display_state.h"

namespace glowtide {
namespace {

// The entry for the display, added when there is none yet.
RecordDisplay& EntryFor(std::vector<RecordDisplay>& entries, const Display& display) {
  for (RecordDisplay& entry : entries) {
    if (SameTarget(entry.display.target, display.target)) return entry;
  }
  RecordDisplay& entry = entries.emplace_back();
  entry.display.target = display.target;
  entry.display.device = display.device;
  entry.display.id = display.id;
  return entry;
}

}  // namespace

std::uint64_t SignInId(Platform& platform) {
  std::u16string text;
  if (!platform.RegGetValueW(kSignInKey, u"id", &text)) {
    if (!platform.RegCreateVolatileKeyW(kSignInKey)) return 0;
    platform.RegSetKeyValueW(kSignInKey, u"id",
                             Decimal(platform.GetSystemTimeAsFileTime()).c_str());
    // Read back: of two first runs at once, the one that wrote last gives both their id.
    if (!platform.RegGetValueW(kSignInKey, u"id", &text)) return 0;
  }
  return ParseDecimal(text).value_or(0);
}

const std::u16string& RestoreFolder::Folder() {
  if (!found_ && platform_.GetLocalAppDataPath(&folder_)) {
    folder_ += u"\\Glowtide";
    platform_.CreateDirectoryW(folder_.c_str());
  }
  found_ = true;
  return folder_;
}

bool RestoreFolder::Write(const std::u16string& name, const RestoreRecord& record) {
  if (Folder().empty()) return false;
  const std::u16string temporary = Path(u"writing-" + name);
  // A record is never left half written: the old one stays, or the new one is there whole.
  if (WriteFileWhole(platform_, platform_, temporary, FormatRecord(record), true) &&
      platform_.MoveFileExW(temporary.c_str(), Path(name).c_str(),
                            kMoveFileReplaceExisting | kMoveFileWriteThrough))
    return true;
  platform_.DeleteFileW(temporary.c_str());
  return false;
}

std::optional<std::string> RestoreFolder::Read(const std::u16string& name) {
  // A record is a few hundred bytes: one over 64 KB is none, and is read as no text at all (which
  // does not parse, so the file is set aside), never cut to a shorter record.
  std::string text;
  switch (ReadWhole(platform_, platform_, Path(name), 65536, &text)) {
    case FileRead::kRead:
      return text;
    case FileRead::kTooLarge:
      return std::string();
    case FileRead::kFailed:
      break;
  }
  return std::nullopt;
}

void RestoreFolder::Delete(const std::u16string& name) {
  platform_.DeleteFileW(Path(name).c_str());
}

void RestoreFolder::SetAside(const std::u16string& name) {
  platform_.MoveFileExW(Path(name).c_str(), Path(name + u".bad").c_str(), kMoveFileReplaceExisting);
}

std::vector<std::u16string> RestoreFolder::Names() {
  std::vector<std::u16string> names;
  if (Folder().empty()) return names;
  const std::uint64_t now = platform_.GetSystemTimeAsFileTime();
  for (FoundFile& file : platform_.FindFiles(Path(u"*").c_str())) {
    // A folder or a link that bears a record's name is none.
    if (file.attributes & (kFileAttributeDirectory | kFileAttributeReparsePoint)) continue;
    const bool ahead = file.lastWrite > now + kFutureSlack;
    if (file.name.starts_with(u"writing-")) {
      if (ahead || file.lastWrite + kWritingLifetime < now) Delete(file.name);
    } else if (file.name.ends_with(u".bad")) {
      if (ahead || file.lastWrite + kRecordLifetime < now) Delete(file.name);
    } else if (OwnerOf(file.name)) {
      names.push_back(std::move(file.name));
    }
  }
  return names;
}

void RestoreFolder::SyncRunOnce() {
  if (Names().empty()) {
    platform_.RegDeleteKeyValueW(kRunOnceKey, kRunOnceName);
  } else {
    MarkRunOnce();
  }
}

void RestoreFolder::MarkRunOnce() {
  std::u16string program;
  if (platform_.GetModuleFileNameW(&program))
    platform_.RegSetKeyValueW(kRunOnceKey, kRunOnceName, (u"\"" + program + u"\" -R").c_str());
}

std::vector<RecordDisplay> ByDisplay(const std::vector<PhaseDisplay>& entries,
                                     DisplayPlan PhaseDisplay::*quit, bool shown) {
  std::vector<RecordDisplay> records;
  for (const PhaseDisplay& entry : entries) {
    const DisplayPlan& owed = entry.*quit;
    const DisplayPlan set = shown ? Either(entry.placed, entry.found) : DisplayPlan{};
    RecordDisplay& display = EntryFor(records, *entry.display);
    display.quit.hdr = owed.hdr;
    display.quit.whiteLevel = owed.whiteLevel;
    display.set.hdr = set.hdr;
    display.set.whiteLevel = set.whiteLevel;
    RecordDisplay& monitor = EntryFor(records, *entry.monitorDisplay);
    monitor.quit.brightness = owed.brightness;
    monitor.set.brightness = set.brightness;
    monitor.quit.codes = owed.codes;
    monitor.set.codes = set.codes;
    if (owed.mode) {
      monitor.quit.mode = owed.mode;
      monitor.set.mode = set.mode;
    }
  }
  return records;
}

void LaunchRecord::Owe(std::vector<RecordDisplay> displays, std::vector<RecordDisplay> takenOver) {
  name_ = RecordName({table_.processId(), table_.creationTime()});
  record_.boot = SignInId(platform_);
  record_.started = table_.creationTime();
  record_.session = OwnSession(platform_);
  takenOver_ = std::move(takenOver);
  Placed(std::move(displays));
}

void LaunchRecord::Placed(std::vector<RecordDisplay> displays) {
  record_.displays = std::move(displays);
  TakeOver(record_.displays, takenOver_);
  Save();
}

const DisplayPlan& LaunchRecord::QuitOf(const Display& display) const {
  for (const RecordDisplay& owed : record_.displays) {
    if (SameTarget(owed.display.target, display.target)) return owed.quit;
  }
  return none_;
}

void LaunchRecord::Keep(const std::vector<DisplayTarget>& others,
                        const std::vector<std::u16string>& claimedPictures,
                        const std::vector<DisplayTarget>& gone,
                        const std::vector<RecordDisplay>& failed, std::uint64_t left) {
  for (RecordDisplay& display : record_.displays) {
    if (Contains(others, display.display.target) ||
        (display.quit.mode && std::find(claimedPictures.begin(), claimedPictures.end(),
                                        display.display.device) != claimedPictures.end())) {
      // Left to the launches that still claim it: the last of them puts it back as it stands.
      display.set = {};
      record_.left = left;
      continue;
    }
    if (Contains(gone, display.display.target)) continue;
    DisplayPlan owed;
    for (const RecordDisplay& unplaced : failed) {
      if (!SameTarget(unplaced.display.target, display.display.target)) continue;
      if (unplaced.quit.hdr) owed.hdr = display.quit.hdr;
      if (unplaced.quit.whiteLevel) owed.whiteLevel = display.quit.whiteLevel;
      if (unplaced.quit.brightness) owed.brightness = display.quit.brightness;
      if (unplaced.quit.mode) owed.mode = display.quit.mode;
      if (!unplaced.quit.codes.empty()) owed.codes = unplaced.quit.codes;
    }
    display.quit = owed;
  }
  std::erase_if(record_.displays,
                [](const RecordDisplay& display) { return display.quit.empty(); });
  Save();
}

std::vector<RecordDisplay> OwedByLive(RestoreFolder& folder, const LaunchTable& table) {
  std::vector<RecordDisplay> owed;
  for (const std::u16string& name : folder.Names()) {
    const RecordOwner owner = *OwnerOf(name);
    if (!table.Holds(owner.processId, owner.creationTime) ||
        (owner.processId == table.processId() && owner.creationTime == table.creationTime()))
      continue;
    const std::optional<std::string> text = folder.Read(name);
    if (std::optional<RestoreRecord> record = text ? ParseRecord(*text) : std::nullopt) {
      owed.insert(owed.end(), record->displays.begin(), record->displays.end());
    }
  }
  return owed;
}

bool SettleOwed(Platform& platform) {
  RestoreFolder folder(platform);
  LaunchTable table(platform);
  OwedRestores owed(platform, folder, table, {}, kSettleTriesMs);
  SleepPause pause(platform);
  return table.Join({}) && table.Leave(owed, pause, kLeaveWaitMs) && !owed.owed();
}

void TakeOver(std::vector<RecordDisplay>& displays, const std::vector<RecordDisplay>& over) {
  for (const RecordDisplay& taken : over) {
    for (RecordDisplay& display : displays) {
      if (SameTarget(display.display.target, taken.display.target))
        display.quit = Either(display.quit, taken.quit);
    }
  }
}

std::vector<DisplayTarget> OwedRestores::Decide(const std::vector<DisplayTarget>& others,
                                                const DisplayQuery* query) {
  taken_.clear();
  work_.clear();
  takenOver_.clear();
  const std::uint64_t now = platform_.GetSystemTimeAsFileTime();
  const std::optional<std::uint32_t> session = OwnSession(platform_);
  for (const std::u16string& name : folder_.Names()) {
    const RecordOwner owner = *OwnerOf(name);
    // A launch that has left owes what its record still holds, even before its process ends.
    if (table_.Holds(owner.processId, owner.creationTime)) continue;
    const std::optional<std::string> text = folder_.Read(name);
    if (!text) continue;
    std::optional<RestoreRecord> record = ParseRecord(*text);
    if (!record) {
      folder_.SetAside(name);
    } else if (record->started + kRecordLifetime < now || record->started > now + kFutureSlack) {
      folder_.Delete(name);
    } else if (!record->session || record->session == session ||
               !table_.LiveIn(*record->session, owner.processId, owner.creationTime)) {
      // Another session's table is not this one's: its launch is left alone while it runs.
      taken_.push_back({name, std::move(*record), {}});
    }
  }
  std::vector<DisplayTarget> marks;
  if (taken_.empty()) return marks;
  if (query) {
    shown_ = &query->displays;
  } else if (QueryDisplays(platform_, platform_, &query_)) {
    shown_ = &query_.displays;
  } else {
    return marks;
  }
  const std::uint64_t boot = SignInId(platform_);
  for (Taken& taken : taken_) {
    const bool restarted = taken.record.boot != boot;
    // A launch that left its displays to others left before them, and before every launch that
    // ended without leaving them.
    const std::uint64_t rank = taken.record.left != 0
                                   ? taken.record.left
                                   : (std::uint64_t{1} << 62) + taken.record.started;
    for (const RecordDisplay& owed : taken.record.displays) {
      std::size_t& to = taken.work.emplace_back(kKept);
      // After a restart adapters and targets are new: a display is found by its id alone.
      if (restarted && owed.display.id.empty()) {
        to = kPassed;
        continue;
      }
      const std::optional<std::size_t> index = FindDisplay((*shown_), owed.display);
      if (!index || Contains(others, (*shown_)[*index].target)) continue;
      to = 0;
      while (to < work_.size() && work_[to].index != *index) ++to;
      if (to == work_.size()) {
        work_.emplace_back().index = *index;
        marks.push_back((*shown_)[*index].target);
      }
      Work& work = work_[to];
      auto take = [rank](auto& quit, auto& expect, std::uint64_t& from, const auto& owedQuit,
                         const auto& owedSet) {
        if (!owedQuit || (quit && from > rank)) return;
        quit = owedQuit;
        expect = owedSet;
        from = rank;
      };
      take(work.quit.hdr, work.expect.hdr, work.rank[0], owed.quit.hdr, owed.set.hdr);
      take(work.quit.whiteLevel, work.expect.whiteLevel, work.rank[1], owed.quit.whiteLevel,
           owed.set.whiteLevel);
      take(work.quit.brightness, work.expect.brightness, work.rank[2], owed.quit.brightness,
           owed.set.brightness);
      // Windows puts the saved mode back itself at a restart.
      if (!restarted)
        take(work.quit.mode, work.expect.mode, work.rank[3], owed.quit.mode, owed.set.mode);
      // Each monitor code by the same rule, with the value its launch left with it.
      for (const VcpValue& code : owed.quit.codes) {
        std::uint64_t& from = work.codeRank[code.code];
        if (work.quit.codes.Find(code.code) && from > rank) continue;
        work.quit.codes.Put(code);
        work.expect.codes.RemoveIf([&](const VcpValue& v) { return v.code == code.code; });
        if (const VcpValue* set = owed.set.codes.Find(code.code)) work.expect.codes.Put(*set);
        from = rank;
      }
    }
  }
  // What the run sets itself is its own: a joining launch takes those debts over, and a leaving
  // launch's own quit settings win over them.
  for (Work& work : work_) {
    const DisplayTarget& target = (*shown_)[work.index].target;
    DisplayPlan mine;
    for (const RecordDisplay& entry : own_) {
      if (SameTarget(entry.display.target, target)) mine = entry.quit;
    }
    RecordDisplay over{(*shown_)[work.index], {}, {}};
    auto split = [](auto& quit, auto& taken, const auto& own) {
      if (own && quit) taken = std::exchange(quit, std::nullopt);
    };
    split(work.quit.hdr, over.quit.hdr, mine.hdr);
    split(work.quit.whiteLevel, over.quit.whiteLevel, mine.whiteLevel);
    split(work.quit.brightness, over.quit.brightness, mine.brightness);
    split(work.quit.mode, over.quit.mode, mine.mode);
    work.quit.codes.RemoveIf([&](const VcpValue& code) {
      return mine.codes.Find(code.code) && over.quit.codes.Put(code);
    });
    if (takeOver_ && !over.quit.empty()) takenOver_.push_back(over);
    work.left = work.quit;
  }
  return marks;
}

OwedRestores::Work* OwedRestores::WorkOn(const DisplayTarget& target) {
  for (Work& work : work_) {
    if (SameTarget((*shown_)[work.index].target, target)) return &work;
  }
  return nullptr;
}

DisplayPlan OwedRestores::Checked(Pause& pause, const Work& work, PhaseDisplay& entry) {
  DisplayPlan plan = work.left;
  // A setting the player has changed since the launch left it is left as it is.
  if (plan.empty() || work.expect.empty()) return plan;
  const DisplayState now = ReadDisplayState(platform_, pause, *entry.display, *entry.monitorDisplay,
                                            entry.brightness, &entry.model);
  const DisplayPlan& set = work.expect;
  if (set.hdr && now.hdr && now.hdr->on != *set.hdr) plan.hdr.reset();
  if (set.whiteLevel && now.whiteLevel && *now.whiteLevel != *set.whiteLevel)
    plan.whiteLevel.reset();
  if (set.brightness && now.brightness && now.brightness->current != *set.brightness)
    plan.brightness.reset();
  if (set.mode && now.currentMode && !Shows(*now.currentMode, *set.mode)) plan.mode.reset();
  // A code that cannot be read, and the input source, are put back as they stand.
  VcpCodes expected = set.codes;
  expected.RemoveIf([&](const VcpValue& code) { return !plan.codes.Find(code.code); });
  const VcpCodes shown = ShownCodes(platform_, pause, entry.brightness, expected);
  plan.codes.RemoveIf([&](const VcpValue& code) {
    const VcpValue* value = shown.Find(code.code);
    return value && value->value != expected.Find(code.code)->value;
  });
  return plan;
}

DisplayPlan OwedRestores::Due(Pause& pause, PhaseDisplay& entry) {
  Work* work = WorkOn(entry.display->target);
  if (!work || !SameTarget(entry.display->target, entry.monitorDisplay->target)) return {};
  work->merged = true;
  const DisplayPlan plan = Checked(pause, *work, entry);
  // What is not put back any more is owed no more.
  work->left = plan;
  return plan;
}

void OwedRestores::Placed(const PhaseDisplay& entry, const DisplayPlan& done) {
  if (Work* work = WorkOn(entry.display->target); work && work->merged)
    work->left = Unplaced(work->left, done);
}

bool OwedRestores::Apply(Pause& pause, const std::vector<DisplayTarget>&) {
  const std::uint64_t deadline = platform_.GetTickCount64() + triesMs_;
  for (;;) {
    bool again = false;
    for (Work& work : work_) {
      if (work.merged || work.left.empty()) continue;
      PhaseDisplay entry = PhaseDisplays((*shown_), {work.index}, true)[0];
      const DisplayPlan plan = Checked(pause, work, entry);
      DisplayPlan done;
      ApplyPlan(platform_, pause, entry, plan, PlanOrder::kRestore, &done);
      work.left = Unplaced(plan, done);
      again |= !work.left.empty();
    }
    if (!again || platform_.GetTickCount64() >= deadline) return !again;
    pause.Wait(kSettleLookMs);
  }
}

void OwedRestores::Done() {
  owed_ = false;
  for (const Taken& taken : taken_) {
    // Read again: another run may have settled other displays of the record meanwhile.
    const std::optional<std::string> text = folder_.Read(taken.name);
    std::optional<RestoreRecord> record = text ? ParseRecord(*text) : std::nullopt;
    if (!record) continue;
    bool changed = false;
    for (RecordDisplay& display : record->displays) {
      std::size_t to = kKept;
      for (std::size_t d = 0; d < taken.record.displays.size(); ++d) {
        const Display& was = taken.record.displays[d].display;
        if (SameTarget(was.target, display.display.target) && was.id == display.display.id)
          to = d < taken.work.size() ? taken.work[d] : kKept;
      }
      if (to == kKept) continue;
      // Each setting stays owed until it is in place, or is owed no more.
      const DisplayPlan still = to == kPassed ? DisplayPlan{} : work_[to].left;
      DisplayPlan& quit = display.quit;
      const DisplayPlan before = quit;
      if (!still.hdr) quit.hdr.reset();
      if (!still.whiteLevel) quit.whiteLevel.reset();
      if (!still.brightness) quit.brightness.reset();
      if (!still.mode) quit.mode.reset();
      quit.codes.RemoveIf([&](const VcpValue& code) { return !still.codes.Find(code.code); });
      changed |= before.hdr != quit.hdr || before.whiteLevel != quit.whiteLevel ||
                 before.brightness != quit.brightness ||
                 before.mode.has_value() != quit.mode.has_value() ||
                 before.codes.size() != quit.codes.size();
    }
    std::erase_if(record->displays,
                  [](const RecordDisplay& display) { return display.quit.empty(); });
    if (record->displays.empty()) {
      folder_.Delete(taken.name);
    } else {
      owed_ = true;
      if (changed) folder_.Write(taken.name, *record);
    }
  }
  folder_.SyncRunOnce();
}

}  // namespace glowtide
