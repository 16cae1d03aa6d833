// Reads the built exe's resources as text through the platform's own functions: the resource
// loader, the version API and WIC.
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
