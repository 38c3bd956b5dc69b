#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "base/Number.h"
#include "base/Text.h"
#include "base/Trace.h"

namespace {

TEST(Text, CountsUtf16Units) {
  struct Case { const char* text; size_t units; };
  const Case cases[] = {
      {"", 0},
      {"abc", 3},
      {"配置", 2},
      {"\xF0\x9F\x98\x80", 2},       // U+1F600 takes a surrogate pair
      {"a\xFF" "b", 3},              // a stray byte counts as one replacement character
      {"\xE4\xB8", 2},               // a cut-off sequence: one unit per byte
  };
  for (const auto& c : cases) EXPECT_EQ(base::Utf16Length(c.text), c.units) << c.text;
}

TEST(Text, CutNeverSplitsACharacter) {
  EXPECT_EQ(base::CutUtf16("abcdef", 3), "abc");
  EXPECT_EQ(base::CutUtf16("配置文件", 3), "配置文");
  EXPECT_EQ(base::CutUtf16("a\xF0\x9F\x98\x80", 2), "a");  // the pair would need units 2 and 3
  EXPECT_EQ(base::CutUtf16("a\xF0\x9F\x98\x80", 3), "a\xF0\x9F\x98\x80");
  EXPECT_EQ(base::CutUtf16("abc", 10), "abc");
}

TEST(Text, RoundTripsThroughUtf16) {
  const std::string text = "Profile 配置 \xF0\x9F\x98\x80 end";
  EXPECT_EQ(base::Utf16ToUtf8(base::Utf8ToUtf16(text)), text);
  EXPECT_EQ(base::Utf8ToUtf16("\xF0\x9F\x98\x80"), std::u16string(u"\xD83D\xDE00"));
  EXPECT_EQ(base::Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
  EXPECT_TRUE(base::IsValidUtf8(text));
  EXPECT_TRUE(base::IsValidUtf8("\xEF\xBF\xBD"));
  EXPECT_FALSE(base::IsValidUtf8("\xC0\xAF"));      // overlong "/"
  EXPECT_FALSE(base::IsValidUtf8("\xED\xA0\x80"));  // encoded surrogate
}

TEST(Number, DecimalFollowsTheLeadingPartRuleAndSaturates) {
  struct Case { const char* text; int32_t value; };
  const Case cases[] = {
      {"42", 42}, {"", 0}, {"  -7x", -7}, {"+15", 15}, {"abc", 0}, {"12ab3", 12},
      {"2147483647", std::numeric_limits<int32_t>::max()},
      {"99999999999999999999999", std::numeric_limits<int32_t>::max()},
      {"-99999999999999999999999", std::numeric_limits<int32_t>::min()},
  };
  for (const auto& c : cases) EXPECT_EQ(base::ParseDecimal(c.text), c.value) << c.text;
}

TEST(Number, HexReadsBothCasesAndAPrefixAsZero) {
  struct Case { const char* text; uint32_t value; };
  const Case cases[] = {
      {"1a2B", 0x1A2B}, {"1A2b", 0x1A2B}, {"0x1209", 0}, {"", 0}, {"g", 0}, {"00ff", 0xFF},
      {"ffffffffffff", std::numeric_limits<uint32_t>::max()},
  };
  for (const auto& c : cases) EXPECT_EQ(base::ParseHex(c.text), c.value) << c.text;
}

TEST(Trace, HookReceivesFormattedLines) {
  std::string got;
  base::TraceLevel level = base::TraceLevel::Debug;
  auto previous = base::SetTraceHook([&](base::TraceLevel l, const std::string& line) {
    level = l;
    got = line;
  });
  base::Trace(base::TraceLevel::Warning, "open %s failed: %d", "x.db", 14);
  EXPECT_EQ(level, base::TraceLevel::Warning);
  EXPECT_EQ(got, "open x.db failed: 14");
  M_Trace("tick %u", 7u);
  EXPECT_EQ(level, base::TraceLevel::Debug);
  EXPECT_EQ(got, "tick 7");
  base::SetTraceHook(previous);
}

}  // namespace
