// Reads the built exe the way the checks need it: its PE header and imports from the file, and
// from the module its resources, with a dialog template and a version block as text and an icon
// image as pixels.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// The DLLs that the image imports, in lower case, with its subsystem, machine and file size.
std::vector<std::string> ImportedDlls(const std::wstring& path, WORD* subsystem, WORD* machine,
                                      size_t* fileSize);

// A resource's bytes; empty when there is none.
std::string ResourceBytes(HMODULE module, const wchar_t* type, int name, WORD language);

// How many resources of the type the module holds, in any name and language.
int ResourceCount(HMODULE module, const wchar_t* type);

// A menu as text: each item's text, a popup's items in braces, a command's id before its text.
std::wstring MenuText(HMENU menu);

// An accelerator table as text: each entry's flags in hex, key and command, the last flag 0x80.
std::wstring AcceleratorTable(const std::string& bytes);

// A version block's fixed part as text: file and product versions, flag mask, flags, OS, type,
// subtype and date; then its translation as language and code page.
std::wstring VersionFixedPart(const std::string& block);

// A dialog template as text: its header, then one line per control.
std::wstring DialogTemplate(const std::string& bytes);

// The key=value pairs of a version block's string table 041104b0, in order.
std::wstring VersionStrings(const std::string& block);

// An icon image's pixels as RGBA rows, top row first; whether it is stored as PNG.
std::string IconPixels(const std::string& image, bool* isPng);

// An icon group's images as "side/bits" (and "png" when stored so), each followed by a blank, or
// by "? " when its size or pixels do not match its entry; the FNV-1a hash of their pixels, in
// order.
std::wstring IconGroupImages(HMODULE module, const std::string& group, WORD language,
                             std::uint64_t* pixelHash);

}  // namespace e2e
