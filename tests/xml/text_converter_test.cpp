// Encoding names and the conversions behind LoadFile and SaveFile.
#include <gtest/gtest.h>

#include <string>

#include "store/TextConverter.h"

namespace tavrick {
namespace {

TEST(TextConverter, CodePageFromName) {
  struct Case {
    std::string name;
    int code_page;
  } cases[] = {
      {"", 0},              {"UTF-32", 65005},    {"UTF-32BE", 65005},  {"utf-32", 12000},
      {"utf-32be", 12001},  {"UTF-8", 65001},     {"utf8", 65001},      {"cp65001", 65001},
      {"x-unicode-2-0-utf-8", 65001},             {"utf-16", 1200},     {"UCS-2", 1200},
      {"unicodeFFFE", 1201}, {"UTF-16BE", 1201},  {"US-ASCII", 20127},  {"latin1", 28591},
      {"ISO-8859-1", 28591}, {"windows-1252", 1252}, {"x-ansi", 1252},  {"GB2312", 936},
      {"gbk", 936},         {"chinese", 936},     {"GB18030", 54936},   {"Big5", 950},
      {"Shift_JIS", 932},   {"sjis", 932},        {"ks_c_5601-1987", 949}, {"korean", 949},
      {"EUC-KR", 51949},    {"euc-jp", 20932},    {"KOI8-R", 20866},    {"utf-7", 65000},
      {"klingon", kCodePageUnknown},              {std::string(100, 'a'), kCodePageUnknown},
      {"utf-8 ", kCodePageUnknown},
  };
  for (const Case& c : cases) EXPECT_EQ(CodePageFromName(c.name), c.code_page) << c.name;
}

TEST(TextConverter, DecodeAndEncodeThroughTheNamedEncoding) {
  struct Case {
    const char* encoding;
    std::string bytes;
    const char* utf8;
  } cases[] = {
      {"gb2312", "\xD6\xD0\xCE\xC4", "\xE4\xB8\xAD\xE6\x96\x87"},
      {"big5", "\xA4\xA4", "\xE4\xB8\xAD"},
      {"koi8-r", "\xC4\xC1", "\xD0\xB4\xD0\xB0"},
      {"utf-16be", std::string("\x4E\x2D\x00\x41", 4), "\xE4\xB8\xAD" "A"},
      {"UTF-32", std::string("\x00\xF6\x01\x00", 4), "\xF0\x9F\x98\x80"},
      {"utf-32be", std::string("\x00\x01\xF6\x00", 4), "\xF0\x9F\x98\x80"},
      // The ANSI code page keeps every byte, the five Windows-1252 leaves open included.
      {"", "\x80\x81\x9F\xFF", "\xE2\x82\xAC\xC2\x81\xC5\xB8\xC3\xBF"},
      {"no-such-encoding", "\xE9", "\xC3\xA9"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeToUtf8(c.bytes, c.encoding), c.utf8) << c.encoding;
    bool lost = false;
    EXPECT_EQ(EncodeFromUtf8(c.utf8, c.encoding, &lost), c.bytes) << c.encoding;
    EXPECT_FALSE(lost) << c.encoding;
  }
}

TEST(TextConverter, BadInputBecomesReplacementsAndReportsLoss) {
  EXPECT_EQ(DecodeToUtf8("a\xFF" "b", "utf-8"), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(DecodeToUtf8("a\x81", "gbk"), "a\xEF\xBF\xBD");  // cut off at the end
  struct Case {
    const char* encoding;
    const char* utf8;
    std::string bytes;
  } cases[] = {
      {"iso-8859-1", "a\xE4\xB8\xAD" "b", "a?b"},
      {"", "\xE4\xB8\xAD", "?"},
      {"utf-8", "a\xC3", "a\xEF\xBF\xBD"},
      {"utf-16le", "\xE4\xB8\xAD\xFF", std::string("\x2D\x4E?\0", 4)},
  };
  for (const Case& c : cases) {
    bool lost = false;
    EXPECT_EQ(EncodeFromUtf8(c.utf8, c.encoding, &lost), c.bytes) << c.encoding;
    EXPECT_TRUE(lost) << c.encoding;
  }
}

}  // namespace
}  // namespace tavrick
