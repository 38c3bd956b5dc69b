#pragma once
// Text helpers. The system's text type is UTF-8 std::string; where the design counts
// characters (a cut at 259, a tip of 127, a prefix of three) it counts UTF-16 code units,
// and these helpers are the one place that does it.
#include <cstddef>
#include <string>
#include <string_view>

namespace base {

// Number of UTF-16 code units the text takes (a character above U+FFFF counts two).
// Invalid UTF-8 bytes count one unit each, as the replacement character would.
size_t Utf16Length(std::string_view utf8);

// The longest prefix of the text that fits in max_units UTF-16 code units without splitting
// a character.
std::string CutUtf16(std::string_view utf8, size_t max_units);

// Conversions between UTF-8 and UTF-16 (host order). Invalid input becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// Appends the UTF-8 form of one code point (U+FFFD for surrogates or values past U+10FFFF).
void AppendUtf8(std::string& out, char32_t cp);

// Decodes one character at text[pos]; advances pos by its length (at least 1). Invalid or
// truncated sequences decode as U+FFFD and advance by one byte.
char32_t DecodeUtf8(std::string_view text, size_t& pos);

// True when the whole text is well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

}  // namespace base
