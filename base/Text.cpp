#include "base/Text.h"

namespace base {

char32_t DecodeUtf8(std::string_view s, size_t& pos) {
  const auto b0 = static_cast<unsigned char>(s[pos]);
  if (b0 < 0x80) {
    ++pos;
    return b0;
  }
  int len = 0;
  char32_t cp = 0;
  char32_t min = 0;
  if ((b0 & 0xE0) == 0xC0) { len = 2; cp = b0 & 0x1F; min = 0x80; }
  else if ((b0 & 0xF0) == 0xE0) { len = 3; cp = b0 & 0x0F; min = 0x800; }
  else if ((b0 & 0xF8) == 0xF0) { len = 4; cp = b0 & 0x07; min = 0x10000; }
  else { ++pos; return 0xFFFD; }
  if (pos + len > s.size()) { ++pos; return 0xFFFD; }
  for (int i = 1; i < len; ++i) {
    const auto b = static_cast<unsigned char>(s[pos + i]);
    if ((b & 0xC0) != 0x80) { ++pos; return 0xFFFD; }
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) { ++pos; return 0xFFFD; }
  pos += len;
  return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

size_t Utf16Length(std::string_view s) {
  size_t units = 0;
  for (size_t pos = 0; pos < s.size();) units += DecodeUtf8(s, pos) >= 0x10000 ? 2 : 1;
  return units;
}

std::string CutUtf16(std::string_view s, size_t max_units) {
  size_t units = 0;
  size_t pos = 0;
  while (pos < s.size()) {
    size_t next = pos;
    const size_t w = DecodeUtf8(s, next) >= 0x10000 ? 2 : 1;
    if (units + w > max_units) break;
    units += w;
    pos = next;
  }
  return std::string(s.substr(0, pos));
}

std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  for (size_t pos = 0; pos < s.size();) {
    const char32_t cp = DecodeUtf8(s, pos);
    if (cp >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    }
    AppendUtf8(out, cp);  // a lone surrogate becomes U+FFFD
  }
  return out;
}

bool IsValidUtf8(std::string_view s) {
  for (size_t pos = 0; pos < s.size();) {
    const size_t start = pos;
    if (DecodeUtf8(s, pos) == 0xFFFD) {
      // U+FFFD written out literally is valid; a decoding failure advances by one byte.
      if (pos - start != 3 || s.substr(start, 3) != "\xEF\xBF\xBD") return false;
    }
  }
  return true;
}

}  // namespace base
