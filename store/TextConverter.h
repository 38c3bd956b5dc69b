#pragma once
// Encoding names and conversions between the system's UTF-8 text and the encodings files
// arrive in. Names follow the Windows code-page vocabulary that files declare ("gb2312",
// "windows-1252", "utf-16be"); the conversions themselves run through iconv, except for the
// ANSI code page, which is Windows-1252 decoded and encoded here so that every byte survives.
#include <string>
#include <string_view>

namespace tavrick {

// Code-page values with a meaning of their own.
constexpr int kCodePageAnsi = 0;        // the ANSI code page: Windows-1252 on this system
constexpr int kCodePageUnknown = -1;    // not a name of the table
constexpr int kCodePageUtf32 = 65005;   // any name that begins with "UTF-32" as written
constexpr int kCodePageUtf8 = 65001;
constexpr int kCodePageUtf16LE = 1200;
constexpr int kCodePageUtf16BE = 1201;

// Maps an encoding name to its Windows code-page number: "" → 0, "UTF-32…" (upper case as
// written) → 65005, "utf-8" → 65001, "gb2312" → 936 and so on. Names are compared without
// regard to ASCII case; a name of 100 characters or more, or one not in the table, gives
// kCodePageUnknown.
int CodePageFromName(std::string_view name);

// Decodes bytes of the named encoding into UTF-8. An empty or unknown name (one neither the
// table nor iconv knows) means the ANSI code page. Invalid sequences become U+FFFD.
std::string DecodeToUtf8(std::string_view bytes, std::string_view encoding);

// Encodes UTF-8 text into the named encoding (same name rules). A character the encoding
// cannot represent, or an invalid UTF-8 sequence, becomes "?" and sets *lost.
std::string EncodeFromUtf8(std::string_view text, std::string_view encoding, bool* lost);

// One pass over a text: whether it is well-formed UTF-8 and how many UTF-16 code units it
// takes (an invalid byte counts one). Much faster than decoding character by character on
// mostly ASCII text, which is what XML files are.
struct Utf8Scan {
  bool valid = true;
  size_t utf16_units = 0;
};
Utf8Scan ScanUtf8(std::string_view text);

}  // namespace tavrick
