// The resources read back from the built exe: strings, menu, accelerators, manifest, the about
// dialog's template and the version block field by field, and the icon groups with their pixels.
#include "harness.h"
#include "image_reader.h"

namespace e2e {

void CheckResources() {
  constexpr WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
  HMODULE exe = LoadLibraryExW(GlowtidePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  Check(exe != nullptr, "Glowtide.exe loads as a data file");
  if (!exe) return;
  wchar_t title[100] = {}, name[100] = {};
  LoadStringW(exe, 103, title, 100);
  LoadStringW(exe, 109, name, 100);
  CheckEqual(std::wstring(title) + L"/" + name, L"Glowtide/GLOWTIDE", "strings 103 and 109");
  CheckEqual(MenuText(LoadMenuW(exe, MAKEINTRESOURCEW(109))),
             L"ファイル(&F){105:終了する(&X)} ヘルプ(&H){104:バージョン情報(&A)...}", "menu 109");
  CheckEqual(AcceleratorTable(ResourceBytes(exe, RT_ACCELERATOR, 109, kJapanese)),
             L"10 ? 104 90 / 104", "accelerators 109: Alt+? and Alt+/ give 104, the last marked");
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
  ACTCTXW context{sizeof context};
  context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  const std::wstring path = GlowtidePath();
  context.lpSource = path.c_str();
  context.lpResourceName = MAKEINTRESOURCEW(1);
  const HANDLE activation = CreateActCtxW(&context);
  Check(declares && activation != INVALID_HANDLE_VALUE,
        "manifest 1 (0x0409) asks for asInvoker, per-monitor DPI awareness (v2, then v1), "
        "Windows 10/11 and common controls 6, and the loader takes it");
  if (activation != INVALID_HANDLE_VALUE) ReleaseActCtx(activation);

  CheckEqual(DialogTemplate(ResourceBytes(exe, RT_DIALOG, 103, kJapanese)),
             L"1/65535 ex0 80c800c8 0,0 170x62 menu'' class'' 'バージョン情報 Glowtide' 9pt w0 "
             L"'MS UI Gothic'\n"
             L" ex0 50000003 14,14 21x20 id=-1 STATIC '#107' extra0\n"
             L" ex0 50020080 42,14 114x8 id=-1 STATIC 'Glowtide, バージョン 1.0' extra0\n"
             L" ex0 50020000 42,26 114x8 id=-1 #130 'Copyright (C) 2026 the Glowtide authors' extra0\n"
             L" ex0 50030001 113,41 50x14 id=1 #128 'OK' extra0",
             "dialog 103: its template and four controls");
  const std::string version = ResourceBytes(exe, RT_VERSION, 1, kJapanese);
  // The version is the one that project() in CMakeLists.txt gives.
  const std::wstring number = L"" GLOWTIDE_VERSION;
  CheckEqual(VersionFixedPart(version),
             number + L" " + number + L" mask 3f flags 0 os 40004 type 1/0 date 0/0 translation 0411 04b0",
             "version 1: its fixed part, with the project's version, and translation");
  CheckEqual(VersionStrings(version),
             L"FileDescription=Change monitor settings;FileVersion=" + number +
                 L";InternalName=Glowtide.exe;LegalCopyright=Copyright (C) 2026 the Glowtide "
                 L"authors;OriginalFilename=Glowtide.exe;ProductName=Glowtide;ProductVersion=" +
                 number + L";",
             "version 1: the string table 041104b0 holds its seven strings only");

  // Both icon groups list the same nine images, which the exe holds once; their pixels are those
  // that make_icon.py draws (the hash is FNV-1a over every image's RGBA rows, in group order).
  CoInitialize(nullptr);
  const std::string group = ResourceBytes(exe, RT_GROUP_ICON, 107, kJapanese);
  Check(!group.empty() && group == ResourceBytes(exe, RT_GROUP_ICON, 108, kJapanese),
        "icon groups 107 and 108 name the same images");
  CheckEqual(ResourceCount(exe, RT_ICON), 9, "the exe stores nine icon images");
  std::uint64_t hash = 0;
  CheckEqual(IconGroupImages(exe, group, kJapanese, &hash),
             L"256/8png 48/8png 32/8png 16/8png 256/32png 64/32png 48/32png 32/32png 16/32png ",
             "the icon's nine images: sizes and colour depths, each stored as PNG");
  CheckEqual(hash, 0x4092284068f04d11, "the icon's pixels are those the icon was drawn with");
  FreeLibrary(exe);
}

}  // namespace e2e
