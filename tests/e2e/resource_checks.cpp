// The built exe's resources read back through the platform's own functions (the resource
// loader, the version API and WIC): strings, that the menu, accelerators and about dialog load,
// the manifest, the version block and the icon groups.
#include <wincodec.h>

#include <cstdio>

#include "harness.h"

namespace e2e {
namespace {

std::string ResourceBytes(HMODULE module, const wchar_t* type, int name, WORD language) {
  const HRSRC found = FindResourceExW(module, type, MAKEINTRESOURCEW(name), language);
  if (!found) return "";
  return std::string(static_cast<const char*>(LockResource(LoadResource(module, found))),
                     SizeofResource(module, found));
}

std::wstring VersionText(const std::wstring& path, const wchar_t* table,
                         std::initializer_list<const wchar_t*> keys) {
  std::string block(GetFileVersionInfoSizeW(path.c_str(), nullptr), '\0');
  GetFileVersionInfoW(path.c_str(), 0, block.size(), block.data());
  auto value = [&](const std::wstring& key) -> const void* {
    void* found = nullptr;
    UINT length = 0;
    return VerQueryValueW(block.data(), key.c_str(), &found, &length) ? found : nullptr;
  };
  const auto* f = static_cast<const VS_FIXEDFILEINFO*>(value(L"\\"));
  const auto* language = static_cast<const WORD*>(value(L"\\VarFileInfo\\Translation"));
  if (!f || !language) return L"";
  wchar_t fixed[100];
  swprintf(fixed, 100, L"%u.%u.%u.%u %u.%u.%u.%u translation %04x %04x", HIWORD(f->dwFileVersionMS),
           LOWORD(f->dwFileVersionMS), HIWORD(f->dwFileVersionLS), LOWORD(f->dwFileVersionLS),
           HIWORD(f->dwProductVersionMS), LOWORD(f->dwProductVersionMS),
           HIWORD(f->dwProductVersionLS), LOWORD(f->dwProductVersionLS), language[0], language[1]);
  std::wstring text = fixed;
  for (const wchar_t* key : keys) {
    const auto* entry = static_cast<const wchar_t*>(
        value(std::wstring(L"\\StringFileInfo\\") + table + L"\\" + key));
    text += L"\n" + std::wstring(key) + L"=" + (entry ? entry : L"(none)");
  }
  return text;
}

std::wstring IconImages(HMODULE module, const std::string& group, WORD language) {
  CoInitialize(nullptr);
  IWICImagingFactory* factory = nullptr;
  CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory));
  std::wstring images;
  // The group: a 6-byte header, then 14-byte entries whose last two bytes are the image's id.
  for (size_t at = 6; factory && at + 14 <= group.size(); at += 14) {
    std::string image =
        ResourceBytes(module, RT_ICON, *reinterpret_cast<const WORD*>(&group[at + 12]), language);
    IWICStream* stream = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    UINT side = 0, height = 0;
    WICPixelFormatGUID format{};
    if (SUCCEEDED(factory->CreateStream(&stream)) &&
        SUCCEEDED(
            stream->InitializeFromMemory(reinterpret_cast<BYTE*>(image.data()), image.size())) &&
        SUCCEEDED(factory->CreateDecoderFromStream(stream, &GUID_ContainerFormatPng,
                                                   WICDecodeMetadataCacheOnDemand, &decoder)) &&
        SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(frame->GetPixelFormat(&format)) &&
        SUCCEEDED(frame->GetSize(&side, &height))) {
      images += std::to_wstring(side) +
                (format == GUID_WICPixelFormat8bppIndexed ? L"/8png " : L"/32png ");
    }
    for (IUnknown* object : {static_cast<IUnknown*>(frame), static_cast<IUnknown*>(decoder),
                             static_cast<IUnknown*>(stream)}) {
      if (object) object->Release();
    }
  }
  if (factory) factory->Release();
  return images;
}

}  // namespace

TEST(Resources, LoadAsTheyAreMeant) {
  constexpr WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
  const std::wstring path = SuiteDirectory() + L"\\Glowtide.exe";
  HMODULE exe = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_TRUE(exe != nullptr) << "Glowtide.exe loads as a data file";
  wchar_t title[100] = {}, name[100] = {};
  LoadStringW(exe, 103, title, 100);
  LoadStringW(exe, 109, name, 100);
  EXPECT_EQ(std::wstring(title) + L"/" + name, L"Glowtide/GLOWTIDE") << "strings 103 and 109";
  // The menu, the accelerators and the about box are the hidden window's, which no user sees.
  EXPECT_TRUE(LoadMenuW(exe, MAKEINTRESOURCEW(109)) &&
              LoadAcceleratorsW(exe, MAKEINTRESOURCEW(109)) &&
              !ResourceBytes(exe, RT_DIALOG, 103, kJapanese).empty())
      << "menu 109, accelerators 109 and dialog 103 load";

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
  EXPECT_TRUE(declares && activation != INVALID_HANDLE_VALUE)
      << "manifest 1 (0x0409) asks for asInvoker, per-monitor DPI awareness (v2, then v1), "
         "Windows 10/11 and common controls 6, and the loader takes it";
  if (activation != INVALID_HANDLE_VALUE) ReleaseActCtx(activation);

  const std::wstring version = L"" GLOWTIDE_VERSION;
  EXPECT_EQ(VersionText(path, L"041104b0",
                        {L"FileDescription", L"FileVersion", L"InternalName", L"LegalCopyright",
                         L"OriginalFilename", L"ProductName", L"ProductVersion"}),
            version + L" " + version +
                L" translation 0411 04b0\n"
                L"FileDescription=Change monitor settings\nFileVersion=" +
                version +
                L"\nInternalName=Glowtide.exe\nLegalCopyright=Copyright (C) 2026 the Glowtide "
                L"authors\nOriginalFilename=Glowtide.exe\nProductName=Glowtide\nProductVersion=" +
                version)
      << "version 1, with the project's version: its numbers, translation and strings";

  // Both icon groups list the same nine images, which the exe holds once.
  const std::string group = ResourceBytes(exe, RT_GROUP_ICON, 107, kJapanese);
  int stored = 0;
  EnumResourceNamesW(
      exe, RT_ICON, [](HMODULE, LPCWSTR, LPWSTR, LONG_PTR n) -> BOOL { return ++*(int*)n > 0; },
      reinterpret_cast<LONG_PTR>(&stored));
  EXPECT_TRUE(!group.empty() && group == ResourceBytes(exe, RT_GROUP_ICON, 108, kJapanese) &&
              stored == 9)
      << "icon groups 107 and 108 name the same images, which the exe stores once: nine";
  EXPECT_EQ(IconImages(exe, group, kJapanese),
            L"256/8png 48/8png 32/8png 16/8png 256/32png 64/32png 48/32png 32/32png 16/32png ")
      << "the icon's nine images: sizes and colour depths, each stored as PNG";
  FreeLibrary(exe);
}

}  // namespace e2e
