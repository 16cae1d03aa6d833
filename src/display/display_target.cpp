// The display query and the target read from path 0 at the platform's byte offsets.
#include "display/display_target.h"

#include <new>

namespace glowtide {
namespace {

// Within a 72-byte path element: targetInfo.adapterId at 20, targetInfo.id at 28.
constexpr std::size_t kTargetAdapterOffset = 20;
constexpr std::size_t kTargetIdOffset = 28;

// An array of count elements of elementSize bytes, 8-byte aligned; null when it cannot be had.
std::unique_ptr<std::uint64_t[]> AllocateElements(std::uint32_t count, std::size_t elementSize) {
  const std::uint64_t words = (static_cast<std::uint64_t>(count) * elementSize + 7) / 8;
  // At least one word, so that an empty array is still a valid pointer.
  return std::unique_ptr<std::uint64_t[]>(new (std::nothrow) std::uint64_t[words == 0 ? 1 : words]);
}

}  // namespace

bool SelectDisplayTarget(DisplayConfigPlatform& platform, DisplayQuery* query) {
  std::uint32_t pathCount = 0;
  std::uint32_t modeCount = 0;
  // On failure the counts stay 0 and the query itself decides.
  platform.GetDisplayConfigBufferSizes(kQdcAllPaths, &pathCount, &modeCount);
  query->paths = AllocateElements(pathCount, kPathInfoSize);
  query->modes = AllocateElements(modeCount, kModeInfoSize);
  if (!query->paths || !query->modes) return false;

  auto* paths = reinterpret_cast<std::uint8_t*>(query->paths.get());
  auto* modes = reinterpret_cast<std::uint8_t*>(query->modes.get());
  std::uint32_t topologyId = 0;  // written by the query for the current database, never read
  if (platform.QueryDisplayConfig(kQdcDatabaseCurrent, &pathCount, paths, &modeCount, modes,
                                  &topologyId) != kErrorSuccess) {
    return false;
  }
  // A query that succeeds with no path leaves no target: nothing may read element 0 then.
  if (pathCount == 0) return false;

  query->target.adapterId.lowPart = ReadLittleEndian32(paths + kTargetAdapterOffset);
  query->target.adapterId.highPart =
      static_cast<std::int32_t>(ReadLittleEndian32(paths + kTargetAdapterOffset + 4));
  query->target.targetId = ReadLittleEndian32(paths + kTargetIdOffset);
  return true;
}

}  // namespace glowtide
