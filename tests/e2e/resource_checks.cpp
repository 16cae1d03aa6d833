// The built exe's resources read back through the platform's own functions: strings, that the
// menu, accelerators and about dialog load, the manifest, the version block and the icon groups
// with their pixels.
#include "harness.h"

namespace e2e {

void CheckResources() {
  constexpr WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
  const std::wstring path = GlowtidePath();
  HMODULE exe = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  Check(exe != nullptr, "Glowtide.exe loads as a data file");
  if (!exe) return;
  wchar_t title[100] = {}, name[100] = {};
  LoadStringW(exe, 103, title, 100);
  LoadStringW(exe, 109, name, 100);
  CheckEqual(std::wstring(title) + L"/" + name, L"Glowtide/GLOWTIDE", "strings 103 and 109");
  // The menu, the accelerators and the about box are the hidden window's, which no user sees.
  Check(LoadMenuW(exe, MAKEINTRESOURCEW(109)) && LoadAcceleratorsW(exe, MAKEINTRESOURCEW(109)) &&
            !ResourceBytes(exe, RT_DIALOG, 103, kJapanese).empty(),
        "menu 109, accelerators 109 and dialog 103 load");

  const std::string manifest =
      ResourceBytes(exe, RT_MANIFEST, 1, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  bool declares = true;
  for (const char* setting :
       {"level=\"asInvoker\" uiAccess=\"false\"", ">True/PM<", ">PerMonitorV2, PerMonitor<",
        "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>",
        "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""}) {
    declares = declares && manifest.find(setting) != std::string::npos;
  }
  // The loader reads it as an activation context; a manifest it cannot parse is refused.
  ACTCTXW context{sizeof context, ACTCTX_FLAG_RESOURCE_NAME_VALID, path.c_str()};
  context.lpResourceName = MAKEINTRESOURCEW(1);
  const HANDLE activation = CreateActCtxW(&context);
  Check(declares && activation != INVALID_HANDLE_VALUE,
        "manifest 1 (0x0409) asks for asInvoker, per-monitor DPI awareness (v2, then v1), "
        "Windows 10/11 and common controls 6, and the loader takes it");
  if (activation != INVALID_HANDLE_VALUE) ReleaseActCtx(activation);

  const std::wstring version = L"" GLOWTIDE_VERSION;
  CheckEqual(VersionText(path, L"041104b0",
                         {L"FileDescription", L"FileVersion", L"InternalName", L"LegalCopyright",
                          L"OriginalFilename", L"ProductName", L"ProductVersion"}),
             version + L" " + version +
                 L" mask 3f flags 0 os 40004 type 1/0 date 0/0 translation 0411 04b0\n"
                 L"FileDescription=Change monitor settings\nFileVersion=" +
                 version +
                 L"\nInternalName=Glowtide.exe\nLegalCopyright=Copyright (C) 2026 the Glowtide "
                 L"authors\nOriginalFilename=Glowtide.exe\nProductName=Glowtide\nProductVersion=" +
                 version,
             "version 1, with the project's version: its fixed part, translation and strings");

  // Both icon groups list the same nine images, which the exe holds once; their pixels are those
  // that make_icon.py draws.
  const std::string group = ResourceBytes(exe, RT_GROUP_ICON, 107, kJapanese);
  int stored = 0;
  EnumResourceNamesW(
      exe, RT_ICON, [](HMODULE, LPCWSTR, LPWSTR, LONG_PTR n) -> BOOL { return ++*(int*)n > 0; },
      reinterpret_cast<LONG_PTR>(&stored));
  Check(!group.empty() && group == ResourceBytes(exe, RT_GROUP_ICON, 108, kJapanese) && stored == 9,
        "icon groups 107 and 108 name the same images, which the exe stores once: nine");
  std::uint64_t hash = 0;
  CheckEqual(IconImages(exe, group, kJapanese, &hash),
             L"256/8png 48/8png 32/8png 16/8png 256/32png 64/32png 48/32png 32/32png 16/32png ",
             "the icon's nine images: sizes and colour depths, each stored as PNG");
  CheckEqual(std::to_string(hash), std::to_string(0x4092284068f04d11ull),
             "the icon's pixels are those the icon was drawn with");
  FreeLibrary(exe);
}

}  // namespace e2e
