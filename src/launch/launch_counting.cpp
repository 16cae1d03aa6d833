// The shared table of waiting instances, their live events and the lock.
#include "launch/launch_counting.h"

#include <algorithm>

#include "common/decimal.h"
#include "common/little_endian.h"
#include "launch/hidden_window.h"
#include "launch/waiting.h"

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

// Gives the place back when the session ends, from within the window procedure, and stops the
// wait. The lock is waited for briefly: Windows ends a process that does not answer in time.
class SessionEndLeave final : public SessionEnd {
 public:
  SessionEndLeave(LaunchTable& table, QuitSettings& quit, MessageWait& wait)
      : table_(table), quit_(quit), wait_(wait) {}
  void EndSession() override {
    inPlace_ = table_.Leave(quit_, wait_, kSessionEndWaitMs);
    wait_.Stop();
  }
  bool inPlace() const { return inPlace_; }

 private:
  LaunchTable& table_;
  QuitSettings& quit_;
  MessageWait& wait_;
  bool inPlace_ = true;
};

}  // namespace

std::u16string LaunchTable::LiveName(std::uint32_t processId, std::uint64_t creationTime) {
  return kLiveEventPrefix + Decimal(processId) + u"_" + Decimal(creationTime);
}

void LaunchTable::Prune() {
  for (std::uint32_t i = 0; i < kLaunchTablePlaces; ++i) {
    std::uint8_t* place = Place(i);
    const std::uint32_t processId = ReadLittleEndian32(place);
    if (processId == 0) continue;
    const UniqueHandle live(
        platform_.OpenEventW(kSynchronize, false,
                             LiveName(processId, ReadLittleEndian64(place + 8)).c_str()),
        CloseKernelHandle{&platform_});
    if (!live) WriteLittleEndian32(place, 0);
  }
}

bool LaunchTable::Join(const std::vector<DisplayTarget>& displays) {
  lock_ = UniqueHandle(platform_.CreateMutexW(kLaunchLockName), CloseKernelHandle{&platform_});
  section_ =
      UniqueHandle(platform_.CreateFileMappingW(kPageReadWrite, kLaunchTableSize, kLaunchTableName),
                   CloseKernelHandle{&platform_});
  if (!lock_ || !section_) return false;
  table_ =
      decltype(table_)(platform_.MapViewOfFile(section_.get(), kFileMapAllAccess, kLaunchTableSize),
                       Unmap{&platform_});
  if (!table_) return false;
  processId_ = platform_.GetCurrentProcessId();
  platform_.GetProcessTimes(platform_.GetCurrentProcess(), &creationTime_);
  live_ = UniqueHandle(platform_.CreateEventW(LiveName(processId_, creationTime_).c_str()),
                       CloseKernelHandle{&platform_});
  if (!live_) return false;

  // No window exists yet to serve messages: a plain wait.
  SleepPause plain(platform_);
  const Locked locked(platform_, plain, lock_.get(), kJoinWaitMs);
  if (!locked.held()) return false;
  Prune();
  displays_ = displays;
  for (std::uint32_t i = 0; i < kLaunchTablePlaces; ++i) {
    std::uint8_t* place = Place(i);
    if (ReadLittleEndian32(place) != 0) continue;
    const auto count =
        static_cast<std::uint32_t>(std::min<std::size_t>(displays.size(), kMostClaims));
    WriteLittleEndian32(place + 4, count);
    WriteLittleEndian64(place + 8, creationTime_);
    for (std::uint32_t d = 0; d < count; ++d) {
      std::uint8_t* claim = place + 16 + d * kClaimSize;
      WriteLittleEndian32(claim, displays[d].adapterId.lowPart);
      WriteLittleEndian32(claim + 4, static_cast<std::uint32_t>(displays[d].adapterId.highPart));
      WriteLittleEndian32(claim + 8, displays[d].targetId);
    }
    // The id last: a place is read only once its id is there.
    WriteLittleEndian32(place, processId_);
    break;
  }
  joined_ = true;
  return true;
}

bool LaunchTable::Leave(QuitSettings& quit, Pause& wait, std::uint32_t milliseconds) {
  if (!joined_) return inPlace_;
  const Locked locked(platform_, wait, lock_.get(), milliseconds);
  // A session end, served while this waited for the lock, has left already.
  if (!joined_) return inPlace_;
  joined_ = false;
  std::vector<DisplayTarget> free = displays_;
  if (locked.held()) {
    for (std::uint32_t i = 0; i < kLaunchTablePlaces; ++i) {
      std::uint8_t* place = Place(i);
      if (ReadLittleEndian32(place) == processId_ && ReadLittleEndian64(place + 8) == creationTime_)
        WriteLittleEndian32(place, 0);
    }
    Prune();
    for (std::uint32_t i = 0; i < kLaunchTablePlaces; ++i) {
      const std::uint8_t* place = Place(i);
      if (ReadLittleEndian32(place) == 0) continue;
      const std::uint32_t count = std::min(ReadLittleEndian32(place + 4), kMostClaims);
      for (std::uint32_t d = 0; d < count; ++d) {
        const std::uint8_t* claim = place + 16 + d * kClaimSize;
        const DisplayTarget claimed{
            {ReadLittleEndian32(claim), static_cast<std::int32_t>(ReadLittleEndian32(claim + 4))},
            ReadLittleEndian32(claim + 8)};
        std::erase_if(free, [&](const DisplayTarget& own) { return SameTarget(own, claimed); });
      }
    }
  }
  if (free.empty()) return inPlace_;
  // No message is served while the quit settings go out.
  SleepPause pause(platform_);
  inPlace_ = quit.Apply(pause, free);
  return inPlace_;
}

bool WaitAndRestore(Platform& platform, const LaunchSettings& settings, const ChildProcess& child,
                    LaunchTable& table, QuitSettings& quit, InstanceHandle instance) {
  const std::optional<HiddenWindow> window = CreateHiddenWindow(platform, instance);
  if (!window) return false;
  MessageWait wait(platform, window->accelerators);
  SessionEndLeave sessionEnd(table, quit, wait);
  platform.SetWindowLongPtrW(window->window, kGwlpUserData,
                             reinterpret_cast<std::intptr_t>(&sessionEnd));
  WaitForLaunch(wait, platform, child.process.get(), child.processId, settings.waitImageName,
                settings.waitSeconds);
  const bool inPlace =
      wait.stopped() ? sessionEnd.inPlace() : table.Leave(quit, wait, kLeaveWaitMs);
  // The window outlives the wait, but nothing dispatches to it any more.
  platform.SetWindowLongPtrW(window->window, kGwlpUserData, 0);
  return inPlace;
}

}  // namespace glowtide
