// The resources read back from the built exe: strings, menu, accelerators, manifest, the about
// dialog's template and the version block field by field, and the icon groups with their pixels.
#include <wincodec.h>

#include "checks.h"
#include "harness.h"

namespace e2e {
namespace {

constexpr WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

std::string Bytes(HMODULE module, const wchar_t* type, int name, WORD language) {
  HRSRC found = FindResourceExW(module, type, MAKEINTRESOURCEW(name), language);
  const char* data =
      found ? static_cast<const char*>(LockResource(LoadResource(module, found))) : nullptr;
  return data ? std::string(data, SizeofResource(module, found)) : std::string();
}

// Reads a dialog template's words, texts and ordinals in order.
struct Reader {
  const std::string& bytes;
  size_t at = 0;
  template <typename T>
  T Take() {
    T value{};
    if (at + sizeof(T) <= bytes.size()) memcpy(&value, bytes.data() + at, sizeof(T));
    at += sizeof(T);
    return value;
  }
  std::wstring Text() {  // a NUL-terminated text, or "#n" for an ordinal, or "" for none
    const WORD first = Take<WORD>();
    if (first == 0xFFFF) return L"#" + std::to_wstring(Take<WORD>());
    std::wstring text;
    for (WORD c = first; c != 0 && at < bytes.size(); c = Take<WORD>())
      text += static_cast<wchar_t>(c);
    return text;
  }
  std::wstring Box() {  // style, position and size
    const DWORD style = Take<DWORD>();
    wchar_t text[64];
    const short x = Take<short>(), y = Take<short>(), cx = Take<short>(), cy = Take<short>();
    swprintf(text, 64, L"%08lx %d,%d %dx%d", style, x, y, cx, cy);
    return text;
  }
};

std::wstring DialogTemplate(const std::string& bytes) {
  Reader r{bytes};
  const WORD version = r.Take<WORD>();
  const WORD signature = r.Take<WORD>();
  r.Take<DWORD>();  // help id
  const DWORD exStyle = r.Take<DWORD>();
  const DWORD style = r.Take<DWORD>();
  const WORD controls = r.Take<WORD>();
  r.at -= 4;  // Box() reads a style before the position and size: take the style's place again
  std::wstring box = r.Box();
  wchar_t styleText[9];
  swprintf(styleText, 9, L"%08lx", style);
  box.replace(0, 8, styleText);
  std::wstring out = std::to_wstring(version) + L"/" + std::to_wstring(signature) + L" ex" +
                     std::to_wstring(exStyle) + L" " + box;
  const std::wstring menu = r.Text();
  const std::wstring windowClass = r.Text();
  const std::wstring caption = r.Text();
  const WORD points = r.Take<WORD>();
  const WORD weight = r.Take<WORD>();
  r.Take<WORD>();  // italic and character set
  out += L" menu'" + menu + L"' class'" + windowClass + L"' '" + caption + L"' " +
         std::to_wstring(points) + L"pt w" + std::to_wstring(weight) + L" '" + r.Text() + L"'";
  for (WORD i = 0; i < controls; ++i) {
    r.at = (r.at + 3) & ~size_t{3};
    r.Take<DWORD>();  // help id
    const DWORD itemExStyle = r.Take<DWORD>();
    const std::wstring box = r.Box();
    const int id = static_cast<int>(r.Take<DWORD>());
    const std::wstring itemClass = r.Text();
    const std::wstring text = r.Text();
    out += L"\n ex" + std::to_wstring(itemExStyle) + L" " + box + L" id=" + std::to_wstring(id) +
           L" " + itemClass + L" '" + text + L"' extra" + std::to_wstring(r.Take<WORD>());
  }
  return out;
}

// The key=value pairs of a version block's string table, in order.
std::wstring VersionStrings(const std::string& block) {
  std::wstring out;
  const std::wstring text(reinterpret_cast<const wchar_t*>(block.data()), block.size() / 2);
  const std::wstring table = L"041104b0";
  for (size_t at = text.find(table) + table.size() + 1; at + 3 < text.size();) {
    at = (at + 1) & ~size_t{1};  // entries start on 4-byte boundaries: 2 wide units
    const size_t length = text[at] / 2, valueLength = text[at + 1];
    if (length == 0 || text.compare(at + 3, 11, L"VarFileInfo") == 0) break;
    const std::wstring key = text.c_str() + at + 3;
    size_t value = at + 3 + key.size() + 1;
    value = (value + 1) & ~size_t{1};
    out +=
        key + L"=" + std::wstring(text.c_str() + value, valueLength ? valueLength - 1 : 0) + L";";
    at += length;
  }
  return out;
}

// An icon image's pixels as RGBA rows, top row first: PNG through the imaging component, a DIB
// by hand (an 8-bit image's transparency comes from its mask).
std::string IconPixels(const std::string& image, bool* isPng) {
  *isPng = image.compare(0, 4, "\x89PNG") == 0;
  std::string out;
  if (*isPng) {
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICBitmapSource* rgba = nullptr;
    UINT width = 0, height = 0;
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(&factory))) &&
        SUCCEEDED(factory->CreateStream(&stream)) &&
        SUCCEEDED(stream->InitializeFromMemory(
            reinterpret_cast<BYTE*>(const_cast<char*>(image.data())), image.size())) &&
        SUCCEEDED(factory->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand,
                                                   &decoder)) &&
        SUCCEEDED(decoder->GetFrame(0, &frame)) &&
        SUCCEEDED(WICConvertBitmapSource(GUID_WICPixelFormat32bppRGBA, frame, &rgba)) &&
        SUCCEEDED(rgba->GetSize(&width, &height))) {
      out.resize(size_t{width} * height * 4);
      if (FAILED(rgba->CopyPixels(nullptr, width * 4, out.size(),
                                  reinterpret_cast<BYTE*>(out.data()))))
        out.clear();
    }
    for (IUnknown* object : {static_cast<IUnknown*>(rgba), static_cast<IUnknown*>(frame),
                             static_cast<IUnknown*>(decoder), static_cast<IUnknown*>(stream),
                             static_cast<IUnknown*>(factory)})
      if (object) object->Release();
    return out;
  }
  BITMAPINFOHEADER header{};
  if (image.size() < sizeof header) return out;
  memcpy(&header, image.data(), sizeof header);
  const int width = header.biWidth, height = header.biHeight / 2, bits = header.biBitCount;
  const size_t colors = bits == 8 ? (header.biClrUsed ? header.biClrUsed : 256) : 0;
  const size_t stride = (width * bits + 31) / 32 * 4, maskStride = (width + 31) / 32 * 4;
  const size_t pixelsAt = sizeof header + colors * 4, maskAt = pixelsAt + stride * height;
  if (maskAt + maskStride * height > image.size()) return out;
  auto byte = [&](size_t at) { return static_cast<unsigned char>(image[at]); };
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) {
      const size_t at = bits == 32 ? pixelsAt + y * stride + x * 4
                                   : sizeof header + byte(pixelsAt + y * stride + x) * 4;
      const bool clear = byte(maskAt + y * maskStride + x / 8) & (0x80 >> (x % 8));
      out += {image[at + 2], image[at + 1], image[at],
              bits == 32 ? image[at + 3]
              : clear    ? '\0'
                         : '\xFF'};
    }
  }
  return out;
}

// Both icon groups list the same nine images, which the exe holds once; their pixels are those
// that make_icon.py draws (the hash is FNV-1a over every image's RGBA rows, in group order).
void CheckIcons(HMODULE exe) {
  CoInitialize(nullptr);
  const std::string group = Bytes(exe, RT_GROUP_ICON, 107, kJapanese);
  Check(!group.empty() && group == Bytes(exe, RT_GROUP_ICON, 108, kJapanese),
        "icon groups 107 and 108 name the same images");
  int stored = 0;
  EnumResourceNamesW(
      exe, RT_ICON,
      [](HMODULE, LPCWSTR, LPWSTR, LONG_PTR count) -> BOOL {
        ++*reinterpret_cast<int*>(count);
        return TRUE;
      },
      reinterpret_cast<LONG_PTR>(&stored));
  CheckEqual(stored, 9, "the exe stores nine icon images");
  std::wstring entries;
  std::uint64_t hash = 0xcbf29ce484222325;
  const size_t count = group.size() >= 6 ? static_cast<unsigned char>(group[4]) : 0;
  for (size_t i = 0; i < count && 6 + 14 * (i + 1) <= group.size(); ++i) {
#pragma pack(push, 2)
    struct {
      BYTE bWidth, bHeight, bColorCount, bReserved;
      WORD wPlanes, wBitCount;
      DWORD dwBytesInRes;
      WORD nId;
    } entry;  // a group's entry: the file's entry with a resource id in place of the offset
#pragma pack(pop)
    static_assert(sizeof entry == 14);
    memcpy(&entry, group.data() + 6 + 14 * i, 14);
    const std::string image = Bytes(exe, RT_ICON, entry.nId, kJapanese);
    bool isPng = false;
    const std::string pixels = IconPixels(image, &isPng);
    const int side = entry.bWidth ? entry.bWidth : 256;
    entries +=
        std::to_wstring(side) + L"/" + std::to_wstring(entry.wBitCount) + (isPng ? L"png" : L"") +
        (image.size() == entry.dwBytesInRes && pixels.size() == size_t(side) * side * 4 ? L" "
                                                                                        : L"? ");
    for (char c : pixels) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3;
  }
  CheckEqual(entries, L"256/8png 48/8 32/8 16/8 256/32png 64/32 48/32 32/32 16/32 ",
             "the icon's nine images: sizes, colour depths, PNG at 256 pixels");
  CheckEqual(hash, 0x4092284068f04d11, "the icon's pixels are those the icon was drawn with");
}

}  // namespace

void CheckResources() {
  HMODULE exe = LoadLibraryExW(GlowtidePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  Check(exe != nullptr, "Glowtide.exe loads as a data file");
  if (!exe) return;
  wchar_t title[100] = {}, name[100] = {};
  LoadStringW(exe, 103, title, 100);
  LoadStringW(exe, 109, name, 100);
  CheckEqual(std::wstring(title) + L"/" + name, L"Glowtide/GLOWTIDE", "strings 103 and 109");
  HMENU menu = LoadMenuW(exe, MAKEINTRESOURCEW(109));
  wchar_t items[4][64] = {};
  GetMenuStringW(menu, 0, items[0], 64, MF_BYPOSITION);
  GetMenuStringW(GetSubMenu(menu, 0), 105, items[1], 64, MF_BYCOMMAND);
  GetMenuStringW(menu, 1, items[2], 64, MF_BYPOSITION);
  GetMenuStringW(GetSubMenu(menu, 1), 104, items[3], 64, MF_BYCOMMAND);
  CheckEqual(std::wstring(items[0]) + L"|" + items[1] + L"|" + items[2] + L"|" + items[3],
             L"ファイル(&F)|終了する(&X)|ヘルプ(&H)|バージョン情報(&A)...", "menu 109");
  const std::string accelerators = Bytes(exe, RT_ACCELERATOR, 109, kJapanese);
  Check(accelerators.size() == 16 && (accelerators[0] & FALT) && accelerators[2] == '?' &&
            accelerators[4] == 104 && (accelerators[8] & 0x80) && accelerators[10] == '/' &&
            accelerators[12] == 104,
        "accelerators 109: Alt+? and Alt+/ give 104, the last entry marked");
  const std::string manifest =
      Bytes(exe, RT_MANIFEST, 1, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  Check(manifest.find("level=\"asInvoker\" uiAccess=\"false\"") != std::string::npos &&
            manifest.find(">True/PM<") != std::string::npos,
        "manifest 1 (0x0409) asks for asInvoker and per-monitor DPI awareness");

  CheckEqual(DialogTemplate(Bytes(exe, RT_DIALOG, 103, kJapanese)),
             L"1/65535 ex0 80c800c8 0,0 170x62 menu'' class'' 'バージョン情報 Glowtide' 9pt w0 "
             L"'MS UI Gothic'\n"
             L" ex0 50000003 14,14 21x20 id=-1 STATIC '#107' extra0\n"
             L" ex0 50020080 42,14 114x8 id=-1 STATIC 'Glowtide, バージョン 1.0' extra0\n"
             L" ex0 50020000 42,26 114x8 id=-1 #130 'Copyright (C) 2026 Glowtide' extra0\n"
             L" ex0 50030001 113,41 50x14 id=1 #128 'OK' extra0",
             "dialog 103: its template and four controls");

  const std::string version = Bytes(exe, RT_VERSION, 1, kJapanese);
  VS_FIXEDFILEINFO fixed{};
  const size_t fixedAt = version.find("\xBD\x04\xEF\xFE");
  if (fixedAt != std::string::npos) memcpy(&fixed, version.data() + fixedAt, sizeof fixed);
  Check(fixed.dwFileVersionMS == 0x10000 && fixed.dwFileVersionLS == 1 &&
            fixed.dwProductVersionMS == 0x10000 && fixed.dwProductVersionLS == 1 &&
            fixed.dwFileFlagsMask == 0x3F && fixed.dwFileFlags == 0 && fixed.dwFileOS == 0x40004 &&
            fixed.dwFileType == VFT_APP && fixed.dwFileSubtype == 0 && fixed.dwFileDateMS == 0 &&
            fixed.dwFileDateLS == 0,
        "version 1: fixed part 1.0.0.1, mask 0x3F, no flags, OS 0x40004, an application");
  CheckEqual(VersionStrings(version),
             L"FileDescription=Change monitor settings;FileVersion=1.0.0.1;"
             L"InternalName=Glowtide.exe;LegalCopyright=Copyright (C) 2026 Glowtide;"
             L"OriginalFilename=Glowtide.exe;ProductName=Glowtide;ProductVersion=1.0.0.1;",
             "version 1: the string table 041104b0 holds its seven strings only");
  Check(version.find(std::string("\x11\x04\xB0\x04", 4)) != std::string::npos,
        "version 1: translation 0x0411, 0x04B0");
  CheckIcons(exe);
  FreeLibrary(exe);
}

}  // namespace e2e
