// Counted launches: the instances that wait for one are kept in a small table shared under a
// named lock, so that the last of them out applies its quit settings, once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/tries.h"
#include "display/device_info.h"
#include "platform/platform.h"
#include "platform/unique_handle.h"
#include "settings/launch_settings.h"

namespace glowtide {

// The shared objects live in the session's own namespace, under the program's prefix. The table
// was one page of process places in version 1.0; its new layout has a name of its own, so that
// the two never read each other's places.
inline constexpr char16_t kLaunchLockName[] = u"RS_GLOWTIDE_LOCK";
inline constexpr char16_t kLaunchTableName[] = u"RS_GLOWTIDE_DISPLAY_LAUNCHES";
// Each counted instance holds "RS_GLOWTIDE_LIVE_<process id>_<creation time>" for its whole run.
inline constexpr char16_t kLiveEventPrefix[] = u"RS_GLOWTIDE_LIVE_";
// 64 places of 208 bytes: a process id at 0 (0 = free), the count of displays it claims at 4
// (its top bit set while the instance restores them), its creation time at 8, and from 16 up to
// 16 displays of 12 bytes each (the target's adapter LUID, low then high part, and its id).
inline constexpr std::uint32_t kLaunchTablePlaces = 64;
inline constexpr std::uint32_t kMostClaims = 16;
inline constexpr std::uint32_t kClaimSize = 12;
inline constexpr std::uint32_t kLaunchPlaceSize = 16 + kMostClaims * kClaimSize;
inline constexpr std::uint32_t kLaunchTableSize = kLaunchTablePlaces * kLaunchPlaceSize;
inline constexpr std::uint32_t kRestoringFlag = 0x80000000;
// How long a launch waits for the lock, which is only ever held to read and write the table:
// joining, leaving, and leaving as the session ends (which Windows gives about 5 s in all). Past
// that its holder is hung.
inline constexpr std::uint32_t kJoinWaitMs = 10000;
inline constexpr std::uint32_t kLeaveWaitMs = 10000;
inline constexpr std::uint32_t kSessionEndWaitMs = 3000;
// How long a joining launch waits for another instance's restore of a display it claims (an HDR
// switch and a mode change take seconds on each display); past that the restore is hung. While it
// waits it looks again this often, to see whether the restoring instance has ended.
inline constexpr std::uint64_t kRestoreWaitMs = 120000;
inline constexpr std::uint32_t kRestoreLookMs = 500;

// What a leaving instance puts back.
class QuitSettings {
 public:
  // Applies the quit settings to those of the launch's displays that no other live launch still
  // claims (others holds every display that one does). True when every quit setting applied is
  // in place; requests pause between tries with pause.
  virtual bool Apply(Pause& pause, const std::vector<DisplayTarget>& others) = 0;
  // Told, holding the lock before Apply, which displays other live launches claim: the displays
  // it returns besides its own are marked as this instance's while Apply puts them back.
  virtual std::vector<DisplayTarget> Decide(const std::vector<DisplayTarget>& others) {
    (void)others;
    return {};
  }
  // Told, holding the lock again after Apply.
  virtual void Done() {}

 protected:
  ~QuitSettings() = default;
};

// This instance's place among the instances that wait for a counted launch, with the displays its
// launch acts on. A place is live exactly while the named event its instance holds can be opened,
// so a place outlives neither its instance, however it ended, nor is kept by a process that was
// given the same id later. The lock guards only reads and writes of the table, never a restore.
class LaunchTable {
 public:
  explicit LaunchTable(ProcessPlatform& platform) : platform_(platform) {}
  LaunchTable(const LaunchTable&) = delete;
  LaunchTable& operator=(const LaunchTable&) = delete;

  // Opens (or creates, open to this user and SYSTEM alone, so that elevated and normal instances
  // of the user share them) the lock and the table, creates this instance's live event and takes
  // a place that claims the displays (the first kMostClaims of them). When a live instance is
  // restoring one of them, waits until it has ended that restore (plainly: no window exists yet).
  // False when the shared objects cannot be had, the lock is not had within kJoinWaitMs, the
  // table is full, or such a restore is hung: the launch then stays uncounted. With settle, once
  // it has its place, settle
  // decides what it puts back for others (the displays it returns are claimed meanwhile), applies
  // that after the restores waited for, and is done with the lock held again.
  bool Join(const std::vector<DisplayTarget>& displays, QuitSettings* settle = nullptr);

  // Whether the instance with this process id and creation time holds a place: it has joined and
  // not yet left (read under the lock, after the places of ended instances were freed).
  bool Holds(std::uint32_t processId, std::uint64_t creationTime) const;
  // Whether the instance of another Windows session, named by its session, is live (its event,
  // in that session's namespace, can be opened or is refused).
  bool LiveIn(std::uint32_t session, std::uint32_t processId, std::uint64_t creationTime);
  // The displays that live launches which started after this one claim.
  std::vector<DisplayTarget> ClaimsOfNewer();
  std::uint32_t processId() const { return processId_; }
  std::uint64_t creationTime() const { return creationTime_; }

  // Marks the place as restoring, with the displays that no other live place claims and those
  // the quit settings decide on, applies the quit settings with the lock let go, then (with the
  // lock again, and the quit settings done) gives the place back and wakes the launches that wait
  // for this restore. The lock is waited for with wait for at most milliseconds; without
  // it the table is read all the same, and only unclaimed displays are put back. Pauses between
  // tries dispatch no message, so that a session end cannot cut the restore short. True unless
  // quit settings were applied and are not all in place. Only the first call after Join does
  // anything, also when it comes from within the wait for the lock of another; later calls return
  // its result.
  bool Leave(QuitSettings& quit, Pause& wait, std::uint32_t milliseconds);

 private:
  // The live event's name of the instance with this process id and creation time.
  static std::u16string LiveName(std::uint32_t processId, std::uint64_t creationTime);
  // Place i of the table.
  std::uint8_t* Place(std::uint32_t i) const { return table_.get() + i * kLaunchPlaceSize; }
  // Whether the instance with this process id and creation time is live: only an event that no
  // longer exists means it has ended; one that may not be opened is another user's, or live.
  bool Live(std::uint32_t processId, std::uint64_t creationTime);
  // Whether the named live event exists: opened, or refused (another user's, or elevated).
  bool Opens(const std::u16string& name);
  bool Live(const std::uint8_t* place) {
    return Live(ReadLittleEndian32(place), ReadLittleEndian64(place + 8));
  }
  // Frees the places of instances that are not live.
  void Prune();
  // The displays that live places other than this one claim.
  std::vector<DisplayTarget> ClaimsOfOthers();
  // Frees this instance's place, if it has one.
  void FreePlace();
  // Waits while the instance of a restoring place is live and its restore goes on; false when
  // that lasts kRestoreWaitMs.
  bool WaitForRestore(Pause& pause, std::uint32_t processId, std::uint64_t creationTime);

  ProcessPlatform& platform_;
  UniqueHandle lock_;
  UniqueHandle section_;
  struct Unmap {
    ProcessPlatform* platform = nullptr;
    void operator()(std::uint8_t* view) const { platform->UnmapViewOfFile(view); }
  };
  UniqueValue<std::uint8_t*, Unmap, nullptr> table_;
  UniqueHandle live_;
  std::uint32_t processId_ = 0;
  std::uint64_t creationTime_ = 0;
  std::uint32_t place_ = kLaunchTablePlaces;  // none: the table was full
  std::vector<DisplayTarget> displays_;
  bool joined_ = false;
  bool inPlace_ = true;
};

}  // namespace glowtide
