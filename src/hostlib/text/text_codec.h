#pragma once
// Conversions between the UTF-8 used in memory and the encodings archives
// store: UTF-16LE for wide strings, and Windows-1252 for the single-byte
// strings of files written on Windows desktops.
#include <string>

#include "hostlib/hostlib_export.h"

namespace vex3d {

// Invalid UTF-8 sequences become U+FFFD rather than being dropped, so the
// length of what is stored stays predictable.
VEXHOST_EXPORT std::u16string utf8ToUtf16(const std::string& s);
// Unpaired surrogates become U+FFFD.
VEXHOST_EXPORT std::string utf16ToUtf8(const std::u16string& s);
VEXHOST_EXPORT std::string windows1252ToUtf8(const std::string& s);

}  // namespace vex3d
