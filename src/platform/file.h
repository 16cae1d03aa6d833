// The platform's file calls: the standard output, files written whole or read, replaced and
// deleted, a folder listed, and where the user's own files and this program live.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"
#include "platform/unique_handle.h"

namespace glowtide {

inline constexpr std::uint32_t kStdOutputHandle = static_cast<std::uint32_t>(-11);
inline constexpr std::uint32_t kStdErrorHandle = static_cast<std::uint32_t>(-12);
inline constexpr Handle kInvalidHandleValue{~std::uintptr_t{0}};
inline constexpr std::uint32_t kGenericWrite = 0x40000000;
inline constexpr std::uint32_t kFileShareRead = 0x1;
inline constexpr std::uint32_t kCreateAlways = 2;
inline constexpr std::uint32_t kFileAttributeNormal = 0x80;
inline constexpr std::uint32_t kGenericRead = 0x80000000;
inline constexpr std::uint32_t kOpenExisting = 3;
inline constexpr std::uint32_t kMoveFileReplaceExisting = 0x1;
inline constexpr std::uint32_t kMoveFileWriteThrough = 0x8;

inline constexpr std::uint32_t kFileAttributeDirectory = 0x10;
inline constexpr std::uint32_t kFileAttributeReparsePoint = 0x400;

// An entry of a folder: its name, its attributes and when it was last written (FILETIME's units).
struct FoundFile {
  std::u16string name;
  std::uint32_t attributes = 0;
  std::uint64_t lastWrite = 0;
};

class FilePlatform {
 public:
  FilePlatform() = default;
  FilePlatform(const FilePlatform&) = delete;
  FilePlatform& operator=(const FilePlatform&) = delete;
  virtual ~FilePlatform() = default;

  // The handle the process was given for the stream: null when it was given none, and
  // INVALID_HANDLE_VALUE on failure. It is not the process's to close.
  virtual Handle GetStdHandle(std::uint32_t which) = 0;
  // Opens or creates the file with no security attributes and no template; INVALID_HANDLE_VALUE
  // on failure.
  virtual Handle CreateFileW(const char16_t* path, std::uint32_t access, std::uint32_t share,
                             std::uint32_t disposition, std::uint32_t attributes) = 0;
  // Writes the bytes with no overlapped structure; the count written in written.
  virtual bool WriteFile(Handle file, const std::uint8_t* bytes, std::uint32_t size,
                         std::uint32_t* written) = 0;
  // Reads up to size bytes; the count read in read (0 at the end of the file).
  virtual bool ReadFile(Handle file, std::uint8_t* bytes, std::uint32_t size,
                        std::uint32_t* read) = 0;
  virtual bool FlushFileBuffers(Handle file) = 0;
  virtual bool MoveFileExW(const char16_t* from, const char16_t* to, std::uint32_t flags) = 0;
  virtual bool DeleteFileW(const char16_t* path) = 0;
  // With no security attributes; false also when the folder exists already.
  virtual bool CreateDirectoryW(const char16_t* path) = 0;
  // The entries that match the pattern (a folder and a name with wildcards), found with
  // FindFirstFileW, FindNextFileW and FindClose.
  virtual std::vector<FoundFile> FindFiles(const char16_t* pattern) = 0;
  // The user's local application data folder (FOLDERID_LocalAppData), as the shell knows it.
  virtual bool GetLocalAppDataPath(std::u16string* path) = 0;
  // This program's own full path.
  virtual bool GetModuleFileNameW(std::u16string* path) = 0;
  // The time now, in FILETIME's units: 100 ns since 1601.
  virtual std::uint64_t GetSystemTimeAsFileTime() = 0;
  // The current user's registry (HKEY_CURRENT_USER): a text value (REG_SZ) written under the key,
  // which is created when it is not there, or deleted.
  virtual bool RegSetKeyValueW(const char16_t* key, const char16_t* name, const char16_t* text) = 0;
  virtual bool RegDeleteKeyValueW(const char16_t* key, const char16_t* name) = 0;
  // Creates the key (or opens it when it is there), volatile: gone at the sign-out or restart.
  virtual bool RegCreateVolatileKeyW(const char16_t* key) = 0;
  // A text value (REG_SZ) of the key, read with RegGetValueW.
  virtual bool RegGetValueW(const char16_t* key, const char16_t* name, std::u16string* text) = 0;
};

// Writes all of the bytes to the file; false when the write fails or takes fewer.
inline bool WriteWhole(FilePlatform& platform, Handle file, std::string_view bytes) {
  std::uint32_t written = 0;
  return platform.WriteFile(file, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                            static_cast<std::uint32_t>(bytes.size()), &written) &&
         written == bytes.size();
}

// Creates the file, or empties the one that is there, and writes all of the bytes, flushed to the
// disk when asked; whether they are all there. The error of a failure is the system's last.
inline bool WriteFileWhole(FilePlatform& files, ProcessPlatform& handles,
                           const std::u16string& path, std::string_view bytes, bool flush) {
  const Handle created = files.CreateFileW(path.c_str(), kGenericWrite, kFileShareRead,
                                           kCreateAlways, kFileAttributeNormal);
  // A handle that was not created is not closed.
  if (created == kInvalidHandleValue) return false;
  const UniqueHandle file(created, CloseKernelHandle{&handles});
  return WriteWhole(files, created, bytes) && (!flush || files.FlushFileBuffers(created));
}

// Reads the whole file, opened for reading with others free to read it too: into bytes when it
// holds at most limit bytes. kTooLarge when it holds more, kFailed when it cannot be opened or
// read (the error is the system's last).
enum class FileRead { kRead, kTooLarge, kFailed };
inline FileRead ReadWhole(FilePlatform& files, ProcessPlatform& handles, const std::u16string& path,
                          std::size_t limit, std::string* bytes) {
  const Handle opened = files.CreateFileW(path.c_str(), kGenericRead, kFileShareRead, kOpenExisting,
                                          kFileAttributeNormal);
  if (opened == kInvalidHandleValue) return FileRead::kFailed;
  const UniqueHandle file(opened, CloseKernelHandle{&handles});
  // One byte past the limit tells a file that is too large from one that just fits.
  bytes->assign(limit + 1, '\0');
  std::size_t size = 0;
  for (std::uint32_t read = 1; read != 0 && size <= limit; size += read) {
    if (!files.ReadFile(opened, reinterpret_cast<std::uint8_t*>(bytes->data()) + size,
                        static_cast<std::uint32_t>(limit + 1 - size), &read))
      return FileRead::kFailed;
  }
  if (size > limit) return FileRead::kTooLarge;
  bytes->resize(size);
  return FileRead::kRead;
}

}  // namespace glowtide
