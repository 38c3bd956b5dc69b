#include "store/TextConverter.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "base/Text.h"

namespace tavrick {
namespace {

// One code page: its number, the name iconv knows it by, and the names files use for it
// (lower case, separated by spaces).
struct CodePageRow {
  int code_page;
  const char* iconv_name;
  const char* aliases;
};

constexpr CodePageRow kCodePages[] = {
    {65001, "UTF-8", "utf-8 utf8 unicode-1-1-utf-8 unicode-2-0-utf-8 x-unicode-2-0-utf-8 cp65001"},
    {1200, "UTF-16LE", "utf-16 utf-16le utf16 unicode ucs-2 iso-10646-ucs-2 unicodefeff csunicode"},
    {1201, "UTF-16BE", "utf-16be unicodefffe ucs-2be"},
    {12000, "UTF-32LE", "utf-32 utf-32le utf32"},
    {12001, "UTF-32BE", "utf-32be"},
    {65000, "UTF-7", "utf-7 unicode-1-1-utf-7 unicode-2-0-utf-7 x-unicode-1-1-utf-7 "
                     "x-unicode-2-0-utf-7 csunicode11utf7 cp65000"},
    {20127, "ASCII", "us-ascii ascii us ansi_x3.4-1968 ansi_x3.4-1986 cp367 csascii ibm367 "
                     "iso-ir-6 iso646-us iso_646.irv:1991"},
    {28591, "ISO-8859-1", "iso-8859-1 latin1 iso8859-1 iso_8859-1 iso_8859-1:1987 cp819 "
                          "csisolatin1 ibm819 iso-ir-100 l1"},
    {28592, "ISO-8859-2", "iso-8859-2 latin2 iso8859-2 iso_8859-2 iso_8859-2:1987 csisolatin2 "
                          "iso-ir-101 l2"},
    {28593, "ISO-8859-3", "iso-8859-3 latin3 iso8859-3 iso_8859-3 iso_8859-3:1988 csisolatin3 "
                          "iso-ir-109 l3"},
    {28594, "ISO-8859-4", "iso-8859-4 latin4 iso8859-4 iso_8859-4 iso_8859-4:1988 csisolatin4 "
                          "iso-ir-110 l4"},
    {28595, "ISO-8859-5", "iso-8859-5 cyrillic iso8859-5 iso_8859-5 iso_8859-5:1988 "
                          "csisolatincyrillic iso-ir-144"},
    {28596, "ISO-8859-6", "iso-8859-6 arabic iso8859-6 iso_8859-6 iso_8859-6:1987 "
                          "csisolatinarabic ecma-114 iso-ir-127"},
    {28597, "ISO-8859-7", "iso-8859-7 greek greek8 iso8859-7 iso_8859-7 iso_8859-7:1987 "
                          "csisolatingreek ecma-118 elot_928 iso-ir-126"},
    {28598, "ISO-8859-8", "iso-8859-8 hebrew iso8859-8 iso_8859-8 iso_8859-8:1988 "
                          "csisolatinhebrew iso-ir-138 iso-8859-8-visual visual"},
    {38598, "ISO-8859-8", "iso-8859-8-i logical"},
    {28599, "ISO-8859-9", "iso-8859-9 latin5 iso8859-9 iso_8859-9 iso_8859-9:1989 csisolatin5 "
                          "iso-ir-148 l5"},
    {28603, "ISO-8859-13", "iso-8859-13 iso8859-13"},
    {28605, "ISO-8859-15", "iso-8859-15 latin-9 latin9 iso8859-15 iso_8859-15 csisolatin9 l9"},
    {874, "WINDOWS-874", "windows-874 dos-874 tis-620 iso-8859-11 cp874"},
    {1250, "WINDOWS-1250", "windows-1250 x-cp1250 cp1250"},
    {1251, "WINDOWS-1251", "windows-1251 x-cp1251 cp1251"},
    {1252, "WINDOWS-1252", "windows-1252 x-ansi cp1252 ms-ansi"},
    {1253, "WINDOWS-1253", "windows-1253 cp1253"},
    {1254, "WINDOWS-1254", "windows-1254 iso-8859-9-windows cp1254"},
    {1255, "WINDOWS-1255", "windows-1255 cp1255"},
    {1256, "WINDOWS-1256", "windows-1256 cp1256"},
    {1257, "WINDOWS-1257", "windows-1257 cp1257"},
    {1258, "WINDOWS-1258", "windows-1258 cp1258"},
    {936, "CP936", "gb2312 gbk chinese cp936 csgb2312 csgb231280 gb2312-80 gb_2312-80 "
                   "iso-ir-58 ms936 windows-936 x-gbk"},
    {20936, "EUC-CN", "x-cp20936 euc-cn"},
    {54936, "GB18030", "gb18030"},
    {950, "CP950", "big5 cn-big5 csbig5 x-x-big5 cp950 ms950"},
    {951, "BIG5-HKSCS", "big5-hkscs"},
    {932, "CP932", "shift_jis sjis shift-jis csshiftjis cswindows31j ms_kanji x-ms-cp932 "
                   "x-sjis cp932 windows-31j"},
    {949, "CP949", "ks_c_5601-1987 korean ks_c_5601 ks_c_5601-1989 ks_c_5601_1987 ksc5601 "
                   "ksc_5601 csksc56011987 iso-ir-149 cp949 ks-c-5601"},
    {51949, "EUC-KR", "euc-kr cseuckr"},
    {1361, "JOHAB", "johab"},
    {20932, "EUC-JP", "euc-jp x-euc-jp cseucpkdfmtjapanese x-euc"},
    {51950, "EUC-TW", "euc-tw cns11643"},
    {50220, "ISO-2022-JP", "iso-2022-jp csiso2022jp"},
    {50225, "ISO-2022-KR", "iso-2022-kr csiso2022kr"},
    {50227, "ISO-2022-CN", "iso-2022-cn x-cp50227"},
    {50229, "ISO-2022-CN-EXT", "iso-2022-cn-ext"},
    {20866, "KOI8-R", "koi8-r koi8 koi cskoi8r koi8r"},
    {21866, "KOI8-U", "koi8-u koi8-ru"},
    {437, "IBM437", "ibm437 cp437 437 cspc8codepage437"},
    {737, "CP737", "ibm737 cp737"},
    {775, "IBM775", "ibm775 cp775 cspc775baltic"},
    {850, "IBM850", "ibm850 cp850 850 cspc850multilingual"},
    {852, "IBM852", "ibm852 cp852"},
    {855, "IBM855", "ibm855 cp855"},
    {857, "IBM857", "ibm857 cp857"},
    {858, "IBM858", "ibm00858 ccsid00858 cp00858 cp858 pc-multilingual-850+euro"},
    {860, "IBM860", "ibm860 cp860"},
    {861, "IBM861", "ibm861 cp861"},
    {862, "IBM862", "ibm862 cp862 dos-862"},
    {863, "IBM863", "ibm863 cp863"},
    {864, "IBM864", "ibm864 cp864"},
    {865, "IBM865", "ibm865 cp865"},
    {866, "IBM866", "ibm866 cp866"},
    {869, "IBM869", "ibm869 cp869 cp-gr"},
    {37, "IBM037", "ibm037 cp037 ebcdic-cp-us ebcdic-cp-ca ebcdic-cp-nl ebcdic-cp-wt csibm037"},
    {500, "IBM500", "ibm500 cp500 ebcdic-cp-be ebcdic-cp-ch csibm500"},
    {870, "IBM870", "ibm870 cp870 ebcdic-cp-roece ebcdic-cp-yu"},
    {875, "IBM875", "ibm875 cp875"},
    {1026, "IBM1026", "ibm1026 cp1026 csibm1026"},
    {10000, "MACINTOSH", "macintosh mac x-mac-roman csmacintosh"},
    {10007, "MAC-CYRILLIC", "x-mac-cyrillic"},
    {10079, "MAC-IS", "x-mac-icelandic"},
};

bool IsAsciiUpperWord(std::string_view name, std::string_view prefix) {
  return name.size() >= prefix.size() && name.substr(0, prefix.size()) == prefix;
}

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

const CodePageRow* FindRow(int code_page) {
  for (const CodePageRow& row : kCodePages) {
    if (row.code_page == code_page) return &row;
  }
  return nullptr;
}

// The iconv name to use for an encoding name, or "" for the built-in ANSI code page.
std::string ResolveIconvName(std::string_view encoding) {
  int code_page = CodePageFromName(encoding);
  if (code_page == kCodePageUtf32) {
    return (encoding.size() >= 2 && encoding.substr(encoding.size() - 2) == "BE") ? "UTF-32BE"
                                                                                  : "UTF-32LE";
  }
  if (code_page == kCodePageAnsi || code_page == 1252) return "";
  if (const CodePageRow* row = FindRow(code_page)) return row->iconv_name;
  // Not in the table: iconv's own alias list may still know the name.
  if (encoding.size() < 100) {
    std::string name(encoding);
    iconv_t probe = iconv_open("UTF-8", name.c_str());
    if (probe != reinterpret_cast<iconv_t>(-1)) {
      iconv_close(probe);
      return name;
    }
  }
  return "";
}

// Windows-1252 bytes 0x80-0x9F; the five bytes the code page leaves undefined map to the C1
// control of the same value, so every byte decodes and encodes back unchanged.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::string DecodeAnsi(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (unsigned char b : bytes) {
    if (b < 0x80) {
      out.push_back(static_cast<char>(b));
    } else if (b < 0xA0) {
      base::AppendUtf8(out, kCp1252High[b - 0x80]);
    } else {
      base::AppendUtf8(out, b);
    }
  }
  return out;
}

std::string EncodeAnsi(std::string_view text, bool* lost) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    unsigned char lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
      out.push_back(static_cast<char>(lead));
      ++pos;
      continue;
    }
    size_t begin = pos;
    char32_t cp = base::DecodeUtf8(text, pos);
    bool valid = !(cp == 0xFFFD && pos - begin == 1);
    int byte = -1;
    if (valid && cp >= 0xA0 && cp <= 0xFF) {
      byte = static_cast<int>(cp);
    } else if (valid) {
      for (int i = 0; i < 32; ++i) {
        if (kCp1252High[i] == cp) {
          byte = 0x80 + i;
          break;
        }
      }
    }
    if (byte < 0) {
      out.push_back('?');
      if (lost) *lost = true;
    } else {
      out.push_back(static_cast<char>(byte));
    }
  }
  return out;
}

// Replaces every invalid sequence of a UTF-8 text by U+FFFD.
std::string RepairUtf8(std::string_view text, bool* repaired) {
  if (ScanUtf8(text).valid) return std::string(text);
  if (repaired) *repaired = true;
  std::string out;
  out.reserve(text.size() + 16);
  size_t pos = 0;
  while (pos < text.size()) base::AppendUtf8(out, base::DecodeUtf8(text, pos));
  return out;
}

// Runs iconv over the whole input. bad_input is called for an invalid or unconvertible
// sequence at the given position and returns how many input bytes to skip; it appends its
// stand-in to the output itself.
template <typename OnBad>
bool RunIconv(const std::string& to, const std::string& from, std::string_view input,
              std::string& out, OnBad on_bad) {
  iconv_t cd = iconv_open(to.c_str(), from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out.clear();
  out.reserve(input.size() * 2 + 16);
  size_t pos = 0;
  char buffer[16384];
  while (pos < input.size()) {
    char* in_ptr = const_cast<char*>(input.data() + pos);
    size_t in_left = input.size() - pos;
    char* out_ptr = buffer;
    size_t out_left = sizeof(buffer);
    size_t rc = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
    int error = errno;
    out.append(buffer, static_cast<size_t>(out_ptr - buffer));
    pos = input.size() - in_left;
    if (rc != static_cast<size_t>(-1)) continue;
    if (error == E2BIG) continue;
    // EILSEQ or EINVAL (a sequence cut off at the end): stand in for it and move on.
    size_t skip = on_bad(pos, out);
    pos += skip == 0 ? 1 : skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  // Flush a stateful encoding's closing shift sequence.
  char* out_ptr = buffer;
  size_t out_left = sizeof(buffer);
  iconv(cd, nullptr, nullptr, &out_ptr, &out_left);
  out.append(buffer, static_cast<size_t>(out_ptr - buffer));
  iconv_close(cd);
  return true;
}

}  // namespace

Utf8Scan ScanUtf8(std::string_view text) {
  Utf8Scan scan;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    // Eight ASCII bytes at a time.
    while (i + 8 <= n) {
      uint64_t word;
      std::memcpy(&word, p + i, 8);
      if (word & 0x8080808080808080ull) break;
      i += 8;
      scan.utf16_units += 8;
    }
    if (i >= n) break;
    unsigned char b = p[i];
    if (b < 0x80) {
      ++i;
      ++scan.utf16_units;
      continue;
    }
    size_t len = 0;
    uint32_t cp = 0, min = 0;
    if (b >= 0xC2 && b <= 0xDF) {
      len = 2, cp = b & 0x1F, min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
      len = 3, cp = b & 0x0F, min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
      len = 4, cp = b & 0x07, min = 0x10000;
    }
    bool ok = len != 0 && i + len <= n;
    for (size_t k = 1; ok && k < len; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    if (ok && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
    if (!ok) {
      scan.valid = false;
      ++i;
      ++scan.utf16_units;
      continue;
    }
    i += len;
    scan.utf16_units += len == 4 ? 2 : 1;
  }
  return scan;
}

int CodePageFromName(std::string_view name) {
  if (name.empty()) return kCodePageAnsi;
  if (IsAsciiUpperWord(name, "UTF-32")) return kCodePageUtf32;
  if (name.size() >= 100) return kCodePageUnknown;
  std::string lower = LowerAscii(name);
  for (const CodePageRow& row : kCodePages) {
    std::string_view aliases = row.aliases;
    size_t pos = 0;
    while (pos < aliases.size()) {
      size_t end = aliases.find(' ', pos);
      if (end == std::string_view::npos) end = aliases.size();
      if (aliases.substr(pos, end - pos) == lower) return row.code_page;
      pos = end + 1;
    }
  }
  return kCodePageUnknown;
}

std::string DecodeToUtf8(std::string_view bytes, std::string_view encoding) {
  std::string name = ResolveIconvName(encoding);
  if (name.empty()) return DecodeAnsi(bytes);
  if (name == "UTF-8") return RepairUtf8(bytes, nullptr);
  std::string out;
  bool ok = RunIconv("UTF-8", name, bytes, out, [](size_t, std::string& o) {
    base::AppendUtf8(o, 0xFFFD);
    return size_t{1};
  });
  if (!ok) return DecodeAnsi(bytes);
  return out;
}

std::string EncodeFromUtf8(std::string_view text, std::string_view encoding, bool* lost) {
  std::string name = ResolveIconvName(encoding);
  if (name.empty()) return EncodeAnsi(text, lost);
  if (name == "UTF-8") return RepairUtf8(text, lost);
  // The stand-in "?" in the target encoding (two or four bytes for UTF-16 and UTF-32).
  std::string question;
  RunIconv(name, "UTF-8", "?", question, [](size_t, std::string&) { return size_t{1}; });
  std::string out;
  bool ok = RunIconv(name, "UTF-8", text, out, [&](size_t pos, std::string& o) {
    if (lost) *lost = true;
    o += question;
    size_t next = pos;
    base::DecodeUtf8(text, next);
    return next - pos;
  });
  if (!ok) return EncodeAnsi(text, lost);
  return out;
}

}  // namespace tavrick
