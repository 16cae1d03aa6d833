// The shared table of waiting instances, their live events and the lock.
#include "launch/launch_counting.h"

#include <algorithm>

#include "common/decimal.h"
#include "common/little_endian.h"

namespace glowtide {
namespace {

// Holds the named lock for its scope, once it is had within the time. The lock of an instance
// that ended while holding it is abandoned, and taking it then is taking it all the same; a wait
// that fails, times out or is stopped does not hold it.
class Locked {
 public:
  Locked(ProcessPlatform& platform, Pause& wait, Handle lock, std::uint32_t milliseconds)
      : platform_(platform), lock_(lock) {
    const std::uint32_t result = wait.WaitOn(lock, milliseconds);
    held_ = result == kWaitObject0 || result == kWaitAbandoned0;
  }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
  ~Locked() {
    if (held_) platform_.ReleaseMutex(lock_);
  }
  bool held() const { return held_; }

 private:
  ProcessPlatform& platform_;
  Handle lock_;
  bool held_ = false;
};

// The claims of a place, as many as it names.
std::vector<DisplayTarget> ReadClaims(const std::uint8_t* place) {
  std::vector<DisplayTarget> claims;
  const std::uint32_t count =
      std::min(ReadLittleEndian32(place + 4) & ~kRestoringFlag, kMostClaims);
  for (std::uint32_t d = 0; d < count; ++d) {
    const std::uint8_t* claim = place + 16 + d * kClaimSize;
    claims.push_back(
        {{ReadLittleEndian32(claim), static_cast<std::int32_t>(ReadLittleEndian32(claim + 4))},
         ReadLittleEndian32(claim + 8)});
  }
  return claims;
}

// Writes the claims (the first kMostClaims of them) and their count with the flags.
void WriteClaims(std::uint8_t* place, const std::vector<DisplayTarget>& claims,
                 std::uint32_t flags) {
  const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(claims.size(), kMostClaims));
  for (std::uint32_t d = 0; d < count; ++d) {
    std::uint8_t* claim = place + 16 + d * kClaimSize;
    WriteLittleEndian32(claim, claims[d].adapterId.lowPart);
    WriteLittleEndian32(claim + 4, static_cast<std::uint32_t>(claims[d].adapterId.highPart));
    WriteLittleEndian32(claim + 8, claims[d].targetId);
  }
  WriteLittleEndian32(place + 4, count | flags);
}

}  // namespace

std::u16string LaunchTable::LiveName(std::uint32_t processId, std::uint64_t creationTime) {
  return kLiveEventPrefix + Decimal(processId) + u"_" + Decimal(creationTime);
}

bool LaunchTable::Opens(const std::u16string& name) {
  const UniqueHandle live(platform_.OpenEventW(kSynchronize, false, name.c_str()),
                          CloseKernelHandle{&platform_});
  return live || platform_.GetLastError() != kErrorFileNotFound;
}

bool LaunchTable::Live(std::uint32_t processId, std::uint64_t creationTime) {
  return Opens(LiveName(processId, creationTime));
}

bool LaunchTable::LiveIn(std::uint32_t session, std::uint32_t processId,
                         std::uint64_t creationTime) {
  return Opens(u"Session\\" + Decimal(session) + u"\\" + LiveName(processId, creationTime));
}

bool LaunchTable::Holds(std::uint32_t processId, std::uint64_t creationTime) const {
  for (std::uint32_t i = 0; i < kLaunchTablePlaces; ++i) {
    const std::uint8_t* place = Place(i);
    if (ReadLittleEndian32(place) == processId && ReadLittleEndian64(place + 8) == creationTime)
      return true;
  }
  return false;
}

void LaunchTable::Prune() {
  for (std::uint32_t i = 0; i < kLaunchTablePlaces; ++i) {
    std::uint8_t* place = Place(i);
    if (ReadLittleEndian32(place) != 0 && i != place_ && !Live(place))
      WriteLittleEndian32(place, 0);
  }
}

std::vector<DisplayTarget> LaunchTable::ClaimsOfOthers() {
  std::vector<DisplayTarget> others;
  for (std::uint32_t i = 0; i < kLaunchTablePlaces; ++i) {
    const std::uint8_t* place = Place(i);
    if (ReadLittleEndian32(place) == 0 || i == place_ || !Live(place)) continue;
    for (const DisplayTarget& claim : ReadClaims(place)) others.push_back(claim);
  }
  return others;
}

std::vector<DisplayTarget> LaunchTable::ClaimsOfNewer() {
  std::vector<DisplayTarget> newer;
  // Read only: a place is written with its id last, so a read sees whole places.
  for (std::uint32_t i = 0; table_ && i < kLaunchTablePlaces; ++i) {
    const std::uint8_t* place = Place(i);
    const std::uint32_t processId = ReadLittleEndian32(place);
    const std::uint64_t created = ReadLittleEndian64(place + 8);
    if (processId == 0 || i == place_ || created < creationTime_ ||
        (created == creationTime_ && processId < processId_) || !Live(place))
      continue;
    for (const DisplayTarget& claim : ReadClaims(place)) newer.push_back(claim);
  }
  return newer;
}

void LaunchTable::FreePlace() {
  if (place_ < kLaunchTablePlaces) WriteLittleEndian32(Place(place_), 0);
  place_ = kLaunchTablePlaces;
}

bool LaunchTable::WaitForRestore(Pause& pause, std::uint32_t processId,
                                 std::uint64_t creationTime) {
  const std::uint64_t deadline = platform_.GetTickCount64() + kRestoreWaitMs;
  const std::u16string name = LiveName(processId, creationTime);
  for (;;) {
    // The restoring instance sets its live event once its restore has ended; an instance that has
    // ended leaves no event to open. The event is not held between looks, so that it goes with
    // its instance.
    const UniqueHandle live(platform_.OpenEventW(kSynchronize, false, name.c_str()),
                            CloseKernelHandle{&platform_});
    if (!live) {
      if (platform_.GetLastError() == kErrorFileNotFound) return true;
      pause.Wait(kRestoreLookMs);
    } else if (pause.WaitOn(live.get(), kRestoreLookMs) == kWaitObject0) {
      return true;
    }
    if (platform_.GetTickCount64() >= deadline) return false;
  }
}

bool LaunchTable::Join(const std::vector<DisplayTarget>& displays, QuitSettings* settle) {
  // Open to this user and SYSTEM alone, whatever the token's default: an elevated instance's
  // default names only Administrators and SYSTEM, which would lock a normal instance of the same
  // user out. The medium label lets a normal instance write to objects an elevated one created.
  std::u16string sid;
  if (!platform_.GetTokenUserSid(&sid)) return false;
  const std::u16string security = u"D:P(A;;GA;;;" + sid + u")(A;;GA;;;SY)S:(ML;;NW;;;ME)";
  lock_ = UniqueHandle(platform_.CreateMutexW(kLaunchLockName, security.c_str()),
                       CloseKernelHandle{&platform_});
  section_ = UniqueHandle(platform_.CreateFileMappingW(kPageReadWrite, kLaunchTableSize,
                                                       kLaunchTableName, security.c_str()),
                          CloseKernelHandle{&platform_});
  if (!lock_ || !section_) return false;
  table_ =
      decltype(table_)(platform_.MapViewOfFile(section_.get(), kFileMapAllAccess, kLaunchTableSize),
                       Unmap{&platform_});
  if (!table_) return false;
  processId_ = platform_.GetCurrentProcessId();
  platform_.GetProcessTimes(platform_.GetCurrentProcess(), &creationTime_);
  live_ = UniqueHandle(
      platform_.CreateEventW(LiveName(processId_, creationTime_).c_str(), security.c_str()),
      CloseKernelHandle{&platform_});
  if (!live_) return false;

  // No window exists yet to serve messages: plain waits.
  SleepPause plain(platform_);
  // The restoring instances whose displays this launch claims: their process ids and times.
  std::vector<std::pair<std::uint32_t, std::uint64_t>> restoring;
  std::vector<DisplayTarget> marks;
  {
    const Locked locked(platform_, plain, lock_.get(), kJoinWaitMs);
    if (!locked.held()) return false;
    Prune();
    displays_ = displays;
    for (std::uint32_t i = 0; i < kLaunchTablePlaces; ++i) {
      const std::uint8_t* place = Place(i);
      if (ReadLittleEndian32(place) == 0 || !(ReadLittleEndian32(place + 4) & kRestoringFlag))
        continue;
      const std::vector<DisplayTarget> claims = ReadClaims(place);
      if (std::any_of(displays.begin(), displays.end(),
                      [&](const DisplayTarget& own) { return Contains(claims, own); })) {
        restoring.emplace_back(ReadLittleEndian32(place), ReadLittleEndian64(place + 8));
      }
    }
    for (std::uint32_t i = 0; i < kLaunchTablePlaces; ++i) {
      std::uint8_t* place = Place(i);
      if (ReadLittleEndian32(place) != 0) continue;
      WriteClaims(place, displays, 0);
      WriteLittleEndian64(place + 8, creationTime_);
      // The id last: a place is read only once its id is there.
      WriteLittleEndian32(place, processId_);
      place_ = i;
      break;
    }
    // A launch with no place is not counted: it owes nothing on disk and settles nothing.
    if (place_ == kLaunchTablePlaces) return false;
    if (settle) {
      marks = settle->Decide(ClaimsOfOthers());
      std::vector<DisplayTarget> claims = displays;
      for (const DisplayTarget& mark : marks) {
        if (!Contains(claims, mark)) claims.push_back(mark);
      }
      // Marked as a leave marks its restore: a launch that joins meanwhile and claims one of
      // these waits until the settle has ended, so that none of it lands on its settings.
      WriteClaims(Place(place_), claims, marks.empty() ? 0 : kRestoringFlag);
    }
  }
  // Its own settings come only after those restores, so that none of them lands on them.
  for (const auto& [processId, creationTime] : restoring) {
    if (WaitForRestore(plain, processId, creationTime)) continue;
    const Locked locked(platform_, plain, lock_.get(), kJoinWaitMs);
    FreePlace();
    return false;
  }
  joined_ = true;
  if (settle) {
    if (!marks.empty()) settle->Apply(plain, {});
    // Its own place alone is this instance's to write, with the lock or, past the wait, without.
    const Locked locked(platform_, plain, lock_.get(), kJoinWaitMs);
    if (locked.held()) settle->Done();
    WriteClaims(Place(place_), displays, 0);
    // The launches that wait for this settle go on.
    if (!marks.empty()) platform_.SetEvent(live_.get());
  }
  return true;
}

bool LaunchTable::Leave(QuitSettings& quit, Pause& wait, std::uint32_t milliseconds) {
  if (!joined_) return inPlace_;
  std::vector<DisplayTarget> others;
  std::vector<DisplayTarget> free;
  bool held = false;
  {
    const Locked locked(platform_, wait, lock_.get(), milliseconds);
    held = locked.held();
    // A session end, served while this waited for the lock, has left already.
    if (!joined_) return inPlace_;
    joined_ = false;
    // Without the lock the table is only read: a write could land on a place being taken.
    if (locked.held()) Prune();
    others = ClaimsOfOthers();
    for (const DisplayTarget& own : displays_) {
      if (!Contains(others, own)) free.push_back(own);
    }
    if (held) {
      for (const DisplayTarget& mark : quit.Decide(others)) {
        if (!Contains(free, mark)) free.push_back(mark);
      }
    }
    // A launch that joins meanwhile and claims one of these waits until they are put back; the
    // event that tells it so may be set still from the join's settle. (A joined instance has a
    // place: a full table does not count it.)
    if (locked.held() && !free.empty()) {
      platform_.ResetEvent(live_.get());
      WriteClaims(Place(place_), free, kRestoringFlag);
    } else {
      FreePlace();
    }
  }
  if (!free.empty()) {
    // No message is served while the quit settings go out.
    SleepPause pause(platform_);
    inPlace_ = quit.Apply(pause, others);
  }
  if (held) {
    // Its own place alone is this instance's to write, with the lock or, past the wait, without.
    const Locked locked(platform_, wait, lock_.get(), milliseconds);
    FreePlace();
    if (locked.held()) quit.Done();
  }
  // The launches that wait for this restore go on.
  platform_.SetEvent(live_.get());
  return inPlace_;
}

}  // namespace glowtide
