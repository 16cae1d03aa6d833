// Counted launches: the instances that wait for one are kept in a small table shared under a
// named lock, so that the last of them out applies its quit settings, once.
#pragma once

#include <cstdint>

#include "launch/child_launch.h"
#include "monitor/tries.h"
#include "platform/platform.h"
#include "settings/launch_settings.h"

namespace glowtide {

// Both shared objects live in the session's own namespace, under the program's prefix.
inline constexpr char16_t kLaunchLockName[] = u"RS_GLOWTIDE_LOCK";
inline constexpr char16_t kLaunchTableName[] = u"RS_GLOWTIDE_LAUNCHES";
// One page: 256 places of 16 bytes, each a process id at 0 and its creation time at 8 (0 = free).
inline constexpr std::uint32_t kLaunchTablePlaces = 256;
inline constexpr std::uint32_t kLaunchPlaceSize = 16;
inline constexpr std::uint32_t kLaunchTableSize = kLaunchTablePlaces * kLaunchPlaceSize;

// What the last instance out applies while it still holds the lock.
class QuitSettings {
 public:
  // True when every quit setting is in place; monitor requests pause between tries with pause.
  virtual bool Apply(Pause& pause) = 0;

 protected:
  ~QuitSettings() = default;
};

// This instance's place among the instances that wait for a counted launch. Places are those of
// live processes: a place whose process has ended, or whose id now belongs to a process created
// later, is pruned whenever the table is read, so an instance that was killed does not keep the
// others from restoring. A process that exists but cannot be opened keeps its place.
class LaunchTable {
 public:
  explicit LaunchTable(ProcessPlatform& platform) : platform_(platform) {}
  LaunchTable(const LaunchTable&) = delete;
  LaunchTable& operator=(const LaunchTable&) = delete;

  // Opens (or creates) the lock and the table and takes this process's place. False when the
  // shared objects cannot be had: the launch then stays uncounted. A full table still counts
  // the launch; it then finds itself last out when the table has emptied.
  bool Join();

  // Gives the place back, and when no live instance is left applies the quit settings before the
  // lock is released, so that a launch starting meanwhile either comes first (and this one is not
  // last) or waits until they are applied. True unless quit settings were applied and are not all
  // in place. Only the first call after Join does anything.
  bool Leave(QuitSettings& quit, Pause& pause);

 private:
  bool IsLive(std::uint32_t processId, std::uint64_t creationTime);
  // Frees the places of processes that are not live; the count of those left.
  std::uint32_t Prune();

  ProcessPlatform& platform_;
  UniqueHandle lock_;
  UniqueHandle section_;
  struct Unmap {
    ProcessPlatform* platform = nullptr;
    void operator()(std::uint8_t* view) const { platform->UnmapViewOfFile(view); }
  };
  UniqueValue<std::uint8_t*, Unmap, nullptr> table_;
  std::uint32_t processId_ = 0;
  std::uint64_t creationTime_ = 0;
  bool joined_ = false;
};

// The wait of a joined launch: creates the hidden window, waits for the launch (the child, and
// with -PW: the game), then gives the place back, applying the quit settings when last out. A
// session that ends meanwhile does the same from the window procedure and ends the wait. A
// window that cannot be created ends the run at once, with no quit settings in place: its place
// goes with its process. True when the quit settings were not this instance's to apply, or are
// all in place.
bool WaitAndRestore(Platform& platform, const LaunchSettings& settings, const ChildProcess& child,
                    LaunchTable& table, QuitSettings& quit, InstanceHandle instance);

}  // namespace glowtide
