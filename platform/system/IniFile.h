#pragma once
// Our reader of INI files (the language files). A file is UTF-8, with or without its
// byte-order mark, or UTF-16 little-endian with the mark FF FE; results are UTF-8.
//
// Rules: "[name]" starts a section; "key=value" lines belong to the section above them;
// section and key names compare without regard to ASCII case, and blanks around names and
// values are dropped; a value wrapped in one pair of matching quotes loses them; lines
// starting with ";" are comments. The first matching section and, in it, the first
// matching key win. Lines end with LF, CR LF or CR.
#include <cstddef>
#include <string>
#include <string_view>

namespace tavrick {

// Files larger than this are not read at all; no language file comes near it.
inline constexpr size_t kMaxIniFileBytes = 4u << 20;

// The value, or the empty text when the section or the key is missing.
std::string FindIniValue(std::string_view file_bytes, std::string_view section, std::string_view key);

// Reads the file anew and looks the key up; empty when the file cannot be read.
std::string ReadIniString(const std::string& path, std::string_view section, std::string_view key);

// The file's text as UTF-8, after its encoding was recognised; invalid sequences become
// U+FFFD.
std::string DecodeTextFile(std::string_view file_bytes);

// Reads a whole file up to max_bytes; false when it cannot be opened or read or is larger.
bool ReadWholeFile(const std::string& path, std::string& out, size_t max_bytes);

}  // namespace tavrick
