// Reads the built exe's resources as text through the platform's own functions: the resource
// loader, the menu and accelerator functions, the dialog manager, the version API and WIC.
#include <wincodec.h>

#include <cstdio>

#include "harness.h"

namespace e2e {

std::string ResourceBytes(HMODULE module, const wchar_t* type, int name, WORD language) {
  const HRSRC found = FindResourceExW(module, type, MAKEINTRESOURCEW(name), language);
  if (!found) return "";
  return std::string(static_cast<const char*>(LockResource(LoadResource(module, found))),
                     SizeofResource(module, found));
}

std::wstring MenuText(HMENU menu) {
  std::wstring text;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t name[64] = {};
    MENUITEMINFOW item{sizeof item, MIIM_ID | MIIM_STRING | MIIM_SUBMENU};
    item.dwTypeData = name;
    item.cch = 64;
    GetMenuItemInfoW(menu, i, TRUE, &item);
    text += (i ? L" " : L"") + (item.hSubMenu ? name + (L"{" + MenuText(item.hSubMenu) + L"}")
                                              : std::to_wstring(item.wID) + L":" + name);
  }
  return text;
}

std::wstring AcceleratorText(HACCEL table) {
  ACCEL keys[8] = {};
  std::wstring text;
  for (int i = 0, n = CopyAcceleratorTableW(table, keys, 8); i < n; ++i) {
    text += std::to_wstring(keys[i].fVirt) + L" " + wchar_t(keys[i].key) + L" " +
            std::to_wstring(keys[i].cmd) + L";";
  }
  return text;
}

namespace {

// A window's place in dialog units: the dialog manager maps each unit count on its own, rounding,
// and with more than one pixel to a unit that mapping has a single inverse.
// The dialog's own place is its client area. An icon control takes the size of its icon.
std::wstring Place(HWND dialog, HWND window) {
  RECT scale{0, 0, 100, 100}, r{};  // the pixels of 100 units
  MapDialogRect(dialog, &scale);
  if (window == dialog) {
    GetClientRect(window, &r);
  } else {
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  }
  auto units = [](LONG pixels, LONG per100) { return (pixels * 100 + per100 / 2) / per100; };
  wchar_t text[48];
  swprintf(text, 48, L"%ld,%ld %ldx%ld", units(r.left, scale.right), units(r.top, scale.bottom),
           units(r.right - r.left, scale.right), units(r.bottom - r.top, scale.bottom));
  const bool icon =
      window != dialog && (GetWindowLongW(window, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
  return icon ? std::wstring(text).substr(0, std::wstring(text).find(L' ')) : text;
}

std::wstring WindowLine(HWND window) {
  wchar_t name[64] = {}, text[64] = {};
  GetClassNameW(window, name, 64);
  GetWindowTextW(window, text, 64);
  if (text[0] == 0xFFFF) swprintf(text, 64, L"#%d", text[1]);  // an icon's ordinal
  wchar_t line[160];
  swprintf(line, 160, L"%d %ls %08lx '%ls' ", GetDlgCtrlID(window), name,
           GetWindowLongW(window, GWL_STYLE), text);
  return line;
}

}  // namespace

std::wstring DialogText(HMODULE module, int id, WORD language) {
  const std::string bytes = ResourceBytes(module, RT_DIALOG, id, language);
  const HWND dialog = CreateDialogIndirectParamW(
      module, reinterpret_cast<const DLGTEMPLATE*>(bytes.data()), nullptr,
      [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
  if (!dialog) return L"";
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
  std::wstring text = WindowLine(dialog) + font.lfFaceName + L" " + Place(dialog, dialog);
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    text += L"\n" + WindowLine(child) + Place(dialog, child);
  }
  DestroyWindow(dialog);
  return text;
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
  wchar_t fixed[200];
  swprintf(fixed, 200,
           L"%u.%u.%u.%u %u.%u.%u.%u mask %lx flags %lx os %lx type %lu/%lu date %lu/%lu "
           L"translation %04x %04x",
           HIWORD(f->dwFileVersionMS), LOWORD(f->dwFileVersionMS), HIWORD(f->dwFileVersionLS),
           LOWORD(f->dwFileVersionLS), HIWORD(f->dwProductVersionMS), LOWORD(f->dwProductVersionMS),
           HIWORD(f->dwProductVersionLS), LOWORD(f->dwProductVersionLS), f->dwFileFlagsMask,
           f->dwFileFlags, f->dwFileOS, f->dwFileType, f->dwFileSubtype, f->dwFileDateMS,
           f->dwFileDateLS, language[0], language[1]);
  std::wstring text = fixed;
  for (const wchar_t* key : keys) {
    const auto* entry = static_cast<const wchar_t*>(
        value(std::wstring(L"\\StringFileInfo\\") + table + L"\\" + key));
    text += L"\n" + std::wstring(key) + L"=" + (entry ? entry : L"(none)");
  }
  return text;
}

std::wstring IconImages(HMODULE module, const std::string& group, WORD language,
                        std::uint64_t* hash) {
  CoInitialize(nullptr);
  IWICImagingFactory* factory = nullptr;
  CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory));
  std::wstring images;
  *hash = 0xcbf29ce484222325;
  // The group: a 6-byte header, then 14-byte entries whose last two bytes are the image's id.
  for (size_t at = 6; factory && at + 14 <= group.size(); at += 14) {
    std::string image =
        ResourceBytes(module, RT_ICON, *reinterpret_cast<const WORD*>(&group[at + 12]), language);
    IWICStream* stream = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICBitmapSource* rgba = nullptr;
    UINT side = 0, height = 0;
    WICPixelFormatGUID format{};
    std::string pixels;
    if (SUCCEEDED(factory->CreateStream(&stream)) &&
        SUCCEEDED(
            stream->InitializeFromMemory(reinterpret_cast<BYTE*>(image.data()), image.size())) &&
        SUCCEEDED(factory->CreateDecoderFromStream(stream, &GUID_ContainerFormatPng,
                                                   WICDecodeMetadataCacheOnDemand, &decoder)) &&
        SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(frame->GetPixelFormat(&format)) &&
        SUCCEEDED(WICConvertBitmapSource(GUID_WICPixelFormat32bppRGBA, frame, &rgba)) &&
        SUCCEEDED(rgba->GetSize(&side, &height))) {
      pixels.resize(size_t{side} * height * 4);
      rgba->CopyPixels(nullptr, side * 4, pixels.size(), reinterpret_cast<BYTE*>(pixels.data()));
      images += std::to_wstring(side) +
                (format == GUID_WICPixelFormat8bppIndexed ? L"/8png " : L"/32png ");
    }
    for (IUnknown* object : {static_cast<IUnknown*>(rgba), static_cast<IUnknown*>(frame),
                             static_cast<IUnknown*>(decoder), static_cast<IUnknown*>(stream)}) {
      if (object) object->Release();
    }
    for (char c : pixels) *hash = (*hash ^ static_cast<unsigned char>(c)) * 0x100000001b3;
  }
  if (factory) factory->Release();
  return images;
}

}  // namespace e2e
