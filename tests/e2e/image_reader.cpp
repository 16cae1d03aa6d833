// The readers of the built exe: PE header and imports, resources, dialog template, version block,
// icon pixels.
#include "image_reader.h"

#include <wincodec.h>

#include <cstdio>
#include <cstring>

namespace e2e {
namespace {

struct Image {
  std::vector<unsigned char> bytes;
  template <typename T>
  bool Read(size_t offset, T* out) const {
    if (offset + sizeof(T) > bytes.size()) return false;
    std::memcpy(out, bytes.data() + offset, sizeof(T));
    return true;
  }
};

// Maps a relative virtual address to a file offset through the section table.
bool FileOffset(const Image& image, const IMAGE_NT_HEADERS64& nt, size_t sectionsAt, DWORD rva,
                size_t* offset) {
  for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
    IMAGE_SECTION_HEADER section{};
    if (!image.Read(sectionsAt + i * sizeof section, &section)) return false;
    const DWORD size = section.Misc.VirtualSize > section.SizeOfRawData ? section.Misc.VirtualSize
                                                                        : section.SizeOfRawData;
    if (rva >= section.VirtualAddress && rva < section.VirtualAddress + size) {
      *offset = rva - section.VirtualAddress + section.PointerToRawData;
      return true;
    }
  }
  return false;
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

}  // namespace

std::vector<std::string> ImportedDlls(const std::wstring& path, WORD* subsystem, WORD* machine,
                                      size_t* fileSize) {
  std::vector<std::string> dlls;
  Image image;
  if (FILE* file = _wfopen(path.c_str(), L"rb")) {
    unsigned char chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, file)) > 0;)
      image.bytes.insert(image.bytes.end(), chunk, chunk + n);
    fclose(file);
  }
  *fileSize = image.bytes.size();
  IMAGE_DOS_HEADER dos{};
  IMAGE_NT_HEADERS64 nt{};
  if (!image.Read(0, &dos) || dos.e_magic != IMAGE_DOS_SIGNATURE) return dlls;
  if (!image.Read(dos.e_lfanew, &nt) || nt.Signature != IMAGE_NT_SIGNATURE) return dlls;
  *subsystem = nt.OptionalHeader.Subsystem;
  *machine = nt.FileHeader.Machine;
  const size_t sectionsAt = dos.e_lfanew + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                            nt.FileHeader.SizeOfOptionalHeader;
  const IMAGE_DATA_DIRECTORY imports =
      nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  size_t at = 0;
  if (imports.VirtualAddress == 0 ||
      !FileOffset(image, nt, sectionsAt, imports.VirtualAddress, &at))
    return dlls;
  for (;; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    IMAGE_IMPORT_DESCRIPTOR descriptor{};
    if (!image.Read(at, &descriptor) || descriptor.Name == 0) break;
    size_t nameAt = 0;
    if (!FileOffset(image, nt, sectionsAt, descriptor.Name, &nameAt)) break;
    std::string name;
    for (char c = 0; image.Read(nameAt++, &c) && c != 0;) name += static_cast<char>(tolower(c));
    dlls.push_back(name);
  }
  return dlls;
}

std::string ResourceBytes(HMODULE module, const wchar_t* type, int name, WORD language) {
  HRSRC found = FindResourceExW(module, type, MAKEINTRESOURCEW(name), language);
  const char* data =
      found ? static_cast<const char*>(LockResource(LoadResource(module, found))) : nullptr;
  return data ? std::string(data, SizeofResource(module, found)) : std::string();
}

int ResourceCount(HMODULE module, const wchar_t* type) {
  int count = 0;
  EnumResourceNamesW(
      module, type,
      [](HMODULE, LPCWSTR, LPWSTR, LONG_PTR counted) -> BOOL {
        ++*reinterpret_cast<int*>(counted);
        return TRUE;
      },
      reinterpret_cast<LONG_PTR>(&count));
  return count;
}

std::wstring MenuText(HMENU menu) {
  std::wstring out;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t text[64] = {};
    GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
    const HMENU popup = GetSubMenu(menu, i);
    out += (i ? L" " : L"") + (popup ? text + (L"{" + MenuText(popup) + L"}")
                                     : std::to_wstring(GetMenuItemID(menu, i)) + L":" + text);
  }
  return out;
}

std::wstring AcceleratorTable(const std::string& bytes) {
  std::wstring out;
  for (size_t at = 0; at + 8 <= bytes.size(); at += 8) {
    WORD entry[4];  // flags, key, command, padding
    memcpy(entry, bytes.data() + at, 8);
    wchar_t text[32];
    swprintf(text, 32, L"%s%x %lc %u", at ? L" " : L"", entry[0], entry[1], entry[2]);
    out += text;
  }
  return out;
}

std::wstring VersionFixedPart(const std::string& block) {
  VS_FIXEDFILEINFO f{};
  const size_t at = block.find("\xBD\x04\xEF\xFE");
  if (at == std::string::npos || at + sizeof f > block.size()) return L"";
  memcpy(&f, block.data() + at, sizeof f);
  DWORD translation = 0;
  const std::string key = std::string(reinterpret_cast<const char*>(L"Translation"), 22);
  if (const size_t value = block.find(key); value != std::string::npos) {
    const size_t word = (value + key.size() + 2 + 3) & ~size_t{3};  // after the NUL, aligned
    if (word + 4 <= block.size()) memcpy(&translation, block.data() + word, 4);
  }
  wchar_t text[160];
  swprintf(text, 160,
           L"%u.%u.%u.%u %u.%u.%u.%u mask %lx flags %lx os %lx type %lu/%lu date %lu/%lu "
           L"translation %04x %04x",
           HIWORD(f.dwFileVersionMS), LOWORD(f.dwFileVersionMS), HIWORD(f.dwFileVersionLS),
           LOWORD(f.dwFileVersionLS), HIWORD(f.dwProductVersionMS), LOWORD(f.dwProductVersionMS),
           HIWORD(f.dwProductVersionLS), LOWORD(f.dwProductVersionLS), f.dwFileFlagsMask,
           f.dwFileFlags, f.dwFileOS, f.dwFileType, f.dwFileSubtype, f.dwFileDateMS, f.dwFileDateLS,
           LOWORD(translation), HIWORD(translation));
  return text;
}

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

// PNG through the imaging component, a DIB by hand (an 8-bit image's transparency comes from
// its mask).
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

std::wstring IconGroupImages(HMODULE module, const std::string& group, WORD language,
                             std::uint64_t* pixelHash) {
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
    const std::string image = ResourceBytes(module, RT_ICON, entry.nId, language);
    bool isPng = false;
    const std::string pixels = IconPixels(image, &isPng);
    const int side = entry.bWidth ? entry.bWidth : 256;
    entries +=
        std::to_wstring(side) + L"/" + std::to_wstring(entry.wBitCount) + (isPng ? L"png" : L"") +
        (image.size() == entry.dwBytesInRes && pixels.size() == size_t(side) * side * 4 ? L" "
                                                                                        : L"? ");
    for (char c : pixels) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3;
  }
  *pixelHash = hash;
  return entries;
}

}  // namespace e2e
