// The resources read back from the built exe through the Win32 API.
#include "checks.h"
#include "harness.h"

namespace e2e {
namespace {

constexpr WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
constexpr WORD kEnglishUs = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

std::string Bytes(HMODULE module, const wchar_t* type, const wchar_t* name, WORD language) {
  HRSRC found = FindResourceExW(module, type, name, language);
  if (!found) return {};
  HGLOBAL loaded = LoadResource(module, found);
  const char* data = static_cast<const char*>(LockResource(loaded));
  return data ? std::string(data, SizeofResource(module, found)) : std::string();
}

#pragma pack(push, 2)
struct GroupEntry {
  BYTE width, height, colors, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

}  // namespace

void CheckResources() {
  HMODULE exe = LoadLibraryExW(GlowtidePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  Check(exe != nullptr, "Glowtide.exe loads as a data file");
  if (!exe) return;
  wchar_t text[100] = {};
  LoadStringW(exe, 103, text, 100);
  CheckEqual(text, L"Glowtide", "string 103");
  LoadStringW(exe, 109, text, 100);
  CheckEqual(text, L"GLOWTIDE", "string 109");
  Check(!Bytes(exe, RT_STRING, MAKEINTRESOURCEW(109 / 16 + 1), kJapanese).empty(),
        "the string table is Japanese");
  Check(!Bytes(exe, RT_MENU, MAKEINTRESOURCEW(109), kJapanese).empty(), "menu 109, Japanese");
  Check(!Bytes(exe, RT_DIALOG, MAKEINTRESOURCEW(103), kJapanese).empty(), "dialog 103, Japanese");
  Check(!Bytes(exe, RT_VERSION, MAKEINTRESOURCEW(1), kJapanese).empty(), "version 1, Japanese");

  const std::string accelerators = Bytes(exe, RT_ACCELERATOR, MAKEINTRESOURCEW(109), kJapanese);
  // Resource accelerator entries are 8 bytes: flags, key, command, padding.
  Check(accelerators.size() == 16 && (accelerators[0] & FALT) && accelerators[2] == '?' &&
            accelerators[4] == 104 && (accelerators[8] & 0x80) && accelerators[10] == '/' &&
            accelerators[12] == 104,
        "accelerators 109: Alt+? and Alt+/ give 104, the last entry marked");

  HMENU menu = LoadMenuW(exe, MAKEINTRESOURCEW(109));
  wchar_t item[64] = {};
  GetMenuStringW(GetSubMenu(menu, 0), 105, item, 64, MF_BYCOMMAND);
  CheckEqual(item, L"終了する(&X)", "menu item 105");
  GetMenuStringW(GetSubMenu(menu, 1), 104, item, 64, MF_BYCOMMAND);
  CheckEqual(item, L"バージョン情報(&A)...", "menu item 104");
  GetMenuStringW(menu, 0, item, 64, MF_BYPOSITION);
  CheckEqual(item, L"ファイル(&F)", "first popup");

  const std::string manifest = Bytes(exe, RT_MANIFEST, MAKEINTRESOURCEW(1), kEnglishUs);
  Check(manifest.find("level=\"asInvoker\"") != std::string::npos &&
            manifest.find("uiAccess=\"false\"") != std::string::npos &&
            manifest.find(">True/PM<") != std::string::npos,
        "manifest 1 (0x0409) asks for asInvoker and per-monitor DPI awareness");

  for (int group : {107, 108}) {
    const std::string bytes = Bytes(exe, RT_GROUP_ICON, MAKEINTRESOURCEW(group), kJapanese);
    std::string sizes;
    const WORD count = bytes.size() >= 6 ? *reinterpret_cast<const WORD*>(bytes.data() + 4) : 0;
    for (WORD i = 0; i < count && 6 + (i + 1) * sizeof(GroupEntry) <= bytes.size(); ++i) {
      const auto* e =
          reinterpret_cast<const GroupEntry*>(bytes.data() + 6 + i * sizeof(GroupEntry));
      sizes += std::to_string(e->width ? e->width : 256) + "/" + std::to_string(e->bitCount) + " ";
    }
    CheckEqual(std::wstring(sizes.begin(), sizes.end()),
               L"256/8 48/8 32/8 16/8 256/32 64/32 48/32 32/32 16/32 ",
               "icon group " + std::to_string(group) + " holds the nine images");
  }
  FreeLibrary(exe);

  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(GlowtidePath().c_str(), &ignored);
  std::string block(size, '\0');
  GetFileVersionInfoW(GlowtidePath().c_str(), 0, size, block.data());
  for (auto [key, expected] :
       {std::pair{L"FileDescription", L"Change monitor settings"},
        std::pair{L"FileVersion", L"1.0.0.1"}, std::pair{L"ProductVersion", L"1.0.0.1"},
        std::pair{L"OriginalFilename", L"Glowtide.exe"}}) {
    wchar_t* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\041104b0\\") + key;
    VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length);
    CheckEqual(value ? value : L"", expected, "version string " + Narrow(key));
  }
}

}  // namespace e2e
