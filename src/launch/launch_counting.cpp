// The shared table of waiting instances and its lock.
#include "launch/launch_counting.h"

#include "common/little_endian.h"
#include "launch/hidden_window.h"
#include "launch/waiting.h"

namespace glowtide {
namespace {

// Holds the named lock for its scope. The lock of an instance that ended while holding it is
// abandoned, and taking it then is taking it all the same.
class Locked {
 public:
  Locked(ProcessPlatform& platform, Handle lock) : platform_(platform), lock_(lock) {
    const std::uint32_t result = platform.WaitForSingleObject(lock, kInfinite);
    held_ = result == kWaitObject0 || result == kWaitAbandoned0;
  }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
  ~Locked() {
    if (held_) platform_.ReleaseMutex(lock_);
  }

 private:
  ProcessPlatform& platform_;
  Handle lock_;
  bool held_ = false;
};

// Gives the place back when the session ends, from within the window procedure, and stops the
// wait.
class SessionEndLeave final : public SessionEnd {
 public:
  SessionEndLeave(LaunchTable& table, QuitSettings& quit, MessageWait& wait)
      : table_(table), quit_(quit), wait_(wait) {}
  void EndSession() override {
    inPlace_ = table_.Leave(quit_, wait_);
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

bool LaunchTable::IsLive(std::uint32_t processId, std::uint64_t creationTime) {
  const UniqueHandle process(
      platform_.OpenProcess(kSynchronize | kProcessQueryLimitedInformation, false, processId),
      CloseKernelHandle{&platform_});
  // Refused for an existing process it may not open (another user's, an elevated one); any other
  // failure means the id names no process any more.
  if (!process) return platform_.GetLastError() == kErrorAccessDenied;
  if (platform_.WaitForSingleObject(process.get(), 0) == kWaitObject0) return false;
  std::uint64_t created = 0;
  if (!platform_.GetProcessTimes(process.get(), &created)) return true;
  return created == creationTime;  // else the id was given to a newer process
}

std::uint32_t LaunchTable::Prune() {
  std::uint32_t live = 0;
  for (std::uint32_t i = 0; i < kLaunchTablePlaces; ++i) {
    std::uint8_t* place = table_.get() + i * kLaunchPlaceSize;
    const std::uint32_t processId = ReadLittleEndian32(place);
    if (processId == 0) continue;
    if (IsLive(processId, ReadLittleEndian64(place + 8))) {
      ++live;
    } else {
      WriteLittleEndian32(place, 0);
    }
  }
  return live;
}

bool LaunchTable::Join() {
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

  const Locked locked(platform_, lock_.get());
  Prune();
  for (std::uint32_t i = 0; i < kLaunchTablePlaces; ++i) {
    std::uint8_t* place = table_.get() + i * kLaunchPlaceSize;
    if (ReadLittleEndian32(place) != 0) continue;
    WriteLittleEndian64(place + 8, creationTime_);
    WriteLittleEndian32(place, processId_);
    break;
  }
  joined_ = true;
  return true;
}

bool LaunchTable::Leave(QuitSettings& quit, Pause& pause) {
  if (!joined_) return true;
  joined_ = false;
  const Locked locked(platform_, lock_.get());
  for (std::uint32_t i = 0; i < kLaunchTablePlaces; ++i) {
    std::uint8_t* place = table_.get() + i * kLaunchPlaceSize;
    if (ReadLittleEndian32(place) == processId_ && ReadLittleEndian64(place + 8) == creationTime_)
      WriteLittleEndian32(place, 0);
  }
  if (Prune() != 0) return true;
  return quit.Apply(pause);
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
  const bool inPlace = wait.stopped() ? sessionEnd.inPlace() : table.Leave(quit, wait);
  // The window outlives the wait, but nothing dispatches to it any more.
  platform.SetWindowLongPtrW(window->window, kGwlpUserData, 0);
  return inPlace;
}

}  // namespace glowtide
