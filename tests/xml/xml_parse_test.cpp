// Parsing, the result entries of broken input, navigation and attribute lookup.
#include <gtest/gtest.h>

#include <string>

#include "store/XmlDocument.h"
#include "tests/xml/XmlWalk.h"

namespace tavrick {
namespace {

constexpr const char* kConfig =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<config>\r\n"
    "  <!-- languages first -->\r\n"
    "  <language id=\"1033\" name=\"English\"/>\r\n"
    "  <language id='2052' name='\xE4\xB8\xAD\xE6\x96\x87'/>\r\n"
    "  <device name=\"Orvell &amp; Co\">\r\n"
    "    <item v=\"1\"/>\r\n"
    "    <item v=\"2\"></item>\r\n"
    "  </device>\r\n"
    "  <language id=\"9\"/>\r\n"
    "</config>\r\n";

TEST(XmlNavigation, FindVisitsEverySiblingOfANameInOrder) {
  XmlDocument doc;
  ASSERT_TRUE(doc.SetText(kConfig)) << doc.GetResult();
  EXPECT_EQ(doc.GetResult(), "");
  ASSERT_TRUE(doc.FindElement("config"));
  ASSERT_TRUE(doc.EnterElement());
  std::string ids;
  while (doc.FindElement("language")) ids += doc.GetAttribute("id") + ",";
  EXPECT_EQ(ids, "1033,2052,9,");
  EXPECT_FALSE(doc.FindElement("language"));
  EXPECT_EQ(doc.GetTagName(), "language");  // a failed search leaves the cursor alone
  EXPECT_TRUE(doc.LeaveElement());
  EXPECT_EQ(doc.GetTagName(), "config");
  EXPECT_FALSE(doc.LeaveElement());  // document level
  EXPECT_FALSE(doc.FindElement("config"));  // the root has no following sibling
}

TEST(XmlNavigation, EnterReturnsToTheChildThatWasCurrentWhenLeft) {
  XmlDocument doc;
  ASSERT_TRUE(doc.SetText(kConfig));
  ASSERT_TRUE(doc.FindElement("config"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.FindElement("device"));
  EXPECT_EQ(doc.GetAttribute("name"), "Orvell & Co");
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.FindElement("item"));
  ASSERT_TRUE(doc.FindElement("item"));
  EXPECT_EQ(doc.GetAttribute("v"), "2");
  EXPECT_FALSE(doc.EnterElement() && doc.FindElement());  // "<item></item>" has no children
  ASSERT_TRUE(doc.LeaveElement());
  ASSERT_TRUE(doc.LeaveElement());
  EXPECT_EQ(doc.GetTagName(), "device");
  ASSERT_TRUE(doc.LeaveElement());
  EXPECT_EQ(doc.GetTagName(), "config");
  // Entering again lands on "device", so the search goes on after it.
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.FindElement("language"));
  EXPECT_EQ(doc.GetAttribute("id"), "9");
}

TEST(XmlNavigation, EmptyNameMatchesAnyAndNamesEndAtSeparators) {
  XmlDocument doc;
  ASSERT_TRUE(doc.SetText(kConfig));
  EXPECT_EQ(test::Walk(doc, {"id", "v"}),
            "config{}(language{id=1033,}language{id=2052,}device{}(item{v=1,}item{v=2,})"
            "language{id=9,})");
  for (const char* name : {"language id", "language=x", "language/", "language[2]"}) {
    doc.ResetCursor();
    ASSERT_TRUE(doc.FindElement("config"));
    ASSERT_TRUE(doc.EnterElement());
    ASSERT_TRUE(doc.FindElement(name)) << name;
    EXPECT_EQ(doc.GetTagName(), "language");
  }
  EXPECT_FALSE(doc.FindElement("Language"));  // names are compared exactly
  EXPECT_FALSE(doc.FindElement("lang"));
}

TEST(XmlNavigation, IgnoreCaseFlagComparesNamesWithoutAsciiCase) {
  XmlDocument doc;
  doc.SetDocFlags(XmlDocument::kFlagIgnoreCase);
  EXPECT_TRUE(doc.SetText("<Root><Item Key=\"1\"></ITEM></root>")) << doc.GetResult();
  ASSERT_TRUE(doc.FindElement("ROOT"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.FindElement("item"));
  EXPECT_EQ(doc.GetAttribute("KEY"), "1");
}

TEST(XmlNavigation, NothingIsCurrentOnAnEmptyDocument) {
  XmlDocument doc;
  EXPECT_FALSE(doc.FindElement());
  EXPECT_FALSE(doc.EnterElement());
  EXPECT_FALSE(doc.LeaveElement());
  EXPECT_EQ(doc.GetAttribute("a"), "");
  EXPECT_EQ(doc.GetTagName(), "");
  EXPECT_EQ(doc.GetData(), "");
  EXPECT_FALSE(doc.SetAttribute("a", "1"));
}

TEST(XmlAttributes, LookupFollowsTheTagSyntax) {
  XmlDocument doc;
  ASSERT_TRUE(doc.SetText(
      "<e a=\"1\" b='two' c=three d e = \"sp ace\" f=\"&lt;&#x41;&amp;\" ab=\"no\" "
      "g=\"x>y\" h=\"'\" i='\"'/>"))
      << doc.GetResult();
  ASSERT_TRUE(doc.FindElement("e"));
  struct Case {
    const char* name;
    const char* value;
  } cases[] = {
      {"a", "1"},      {"b", "two"},     {"c", "three"}, {"d", ""},  {"e", "sp ace"},
      {"f", "<A&"},    {"ab", "no"},     {"g", "x>y"},   {"h", "'"}, {"i", "\""},
      {"A", ""},       {"missing", ""},  {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(doc.GetAttribute(c.name), c.value) << c.name;
}

TEST(XmlAttributes, UnquotedValueRunsToBlankOrTagEnd) {
  XmlDocument doc;
  // The "/" belongs to the unquoted value, so this start tag is not empty and never ends.
  EXPECT_FALSE(doc.SetText("<a b=c/>"));
  EXPECT_EQ(doc.GetResult(), "<unended_start_tag tagname=\"a\" offset=\"0\" offset2=\"8\"/>");
  ASSERT_TRUE(doc.FindElement("a"));
  EXPECT_EQ(doc.GetAttribute("b"), "c/");
  EXPECT_TRUE(doc.SetText("<a b=c />"));
  ASSERT_TRUE(doc.FindElement("a"));
  EXPECT_EQ(doc.GetAttribute("b"), "c");
}

TEST(XmlAttributes, DataOfAnElementDecodesTextAndCdata) {
  XmlDocument doc;
  ASSERT_TRUE(doc.SetText(
      "<r><t>a &amp; b<![CDATA[<raw>&amp;]]><!-- no --></t><n><x/></n><e/></r>"));
  ASSERT_TRUE(doc.FindElement("r"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.FindElement("t"));
  EXPECT_EQ(doc.GetData(), "a & b<raw>&amp;");
  ASSERT_TRUE(doc.FindElement("n"));
  EXPECT_EQ(doc.GetData(), "");  // holds an element
  ASSERT_TRUE(doc.FindElement("e"));
  EXPECT_EQ(doc.GetData(), "");
}

struct BrokenCase {
  const char* text;
  bool well_formed;
  const char* result;
};

TEST(XmlParse, ResultEntriesOfWellFormedAndBrokenInput) {
  const BrokenCase cases[] = {
      {"<a/>", true, ""},
      {"<?xml version=\"1.0\"?>\r\n<!DOCTYPE a [<!ELEMENT a (b)> <!ATTLIST a x CDATA \">\">]>"
       "<!-- c --><a x='>'><![CDATA[<b>]]><?pi x?></a>\r\n",
       true, ""},
      {"", false, ""},
      {"just text", false, "<no_root_element/>"},
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n", false, "<no_root_element/>"},
      {"<a><b></a>", false, "<unended_start_tag tagname=\"b\" offset=\"3\" offset2=\"8\"/>"},
      {"<a></b></a>", false, "<lone_end_tag tagname=\"b\" offset=\"3\"/>"},
      {"</a>", false, "<lone_end_tag tagname=\"a\" offset=\"0\"/><no_root_element/>"},
      {"<a/><b/>", false, "<root_has_sibling/>"},
      {"<a><b>", false,
       "<unended_start_tag tagname=\"b\" offset=\"3\" offset2=\"6\"/>"
       "<unended_start_tag tagname=\"a\" offset=\"0\" offset2=\"6\"/><root_has_sibling/>"},
      {"<a><1/></a>", false, "<first_tag_syntax offset=\"4\"/>"},
      {"<a>< b/></a>", false, "<first_tag_syntax offset=\"4\"/>"},
      {"<a><!-x--></a>", false, "<comment_tag_syntax offset=\"6\"/>"},
      {"<a><![X[y]]></a>", false, "<cdata_section_syntax offset=\"6\"/>"},
      {"<a><!FOO></a>", false, "<exclamation_tag_syntax offset=\"5\"/>"},
      {"<!DOCTYPE a [<!-- c -->]><a/>", false, "<doctype_tag_syntax offset=\"15\"/>"},
      {"<a><!-- open", false,
       "<unterminated_tag_syntax type=\"comment\" offset=\"3\"/>"
       "<unended_start_tag tagname=\"a\" offset=\"0\" offset2=\"12\"/>"},
      {"<a", false, "<unterminated_tag_syntax type=\"start_tag\" offset=\"0\"/><no_root_element/>"},
      {"<a b=\"x>", false,
       "<unterminated_tag_syntax type=\"start_tag\" offset=\"0\"/><no_root_element/>"},
      {"<", false, "<unterminated_tag_syntax type=\"tag\" offset=\"0\"/><no_root_element/>"},
      {"<a></a", false, "<unterminated_tag_syntax type=\"end_tag\" offset=\"3\"/>"
                        "<unended_start_tag tagname=\"a\" offset=\"0\" offset2=\"6\"/>"},
      {"<a/><?pi", false, "<unterminated_tag_syntax type=\"processing_instruction\" offset=\"4\"/>"},
      {"<a/><![CDATA[x", false, "<unterminated_tag_syntax type=\"cdata_section\" offset=\"4\"/>"},
      {"<!DOCTYPE a [<!ENTITY x \"y\">", false,
       "<unterminated_tag_syntax type=\"document_type\" offset=\"0\"/><no_root_element/>"},
      // Offsets count UTF-16 units: the two Chinese characters are six bytes but two units.
      {"<a>\xE4\xB8\xAD\xE6\x96\x87</b></a>", false, "<lone_end_tag tagname=\"b\" offset=\"5\"/>"},
      {"<a>\xF0\x9F\x98\x80</b></a>", false, "<lone_end_tag tagname=\"b\" offset=\"5\"/>"},
      // Names in entries are escaped as attribute values.
      {"<a></b\"&></a>", false, "<lone_end_tag tagname=\"b\" offset=\"3\"/>"},
  };
  for (const BrokenCase& c : cases) {
    XmlDocument doc;
    EXPECT_EQ(doc.SetText(c.text), c.well_formed) << c.text;
    EXPECT_EQ(doc.GetResult(), c.result) << c.text;
  }
}

TEST(XmlParse, UnendedElementsChildrenBecomeItsFollowingSiblings) {
  XmlDocument doc;
  EXPECT_FALSE(doc.SetText("<r><a><b/><c><d/></c></r>"));
  EXPECT_EQ(test::Walk(doc, {}), "r{}(a{}b{}c{}(d{}))");
  // Nested unended elements flatten the same way, down to the element that was closed.
  EXPECT_FALSE(doc.SetText("<r><a><b><x/></b><c><y/></r>"));
  EXPECT_EQ(test::Walk(doc, {}), "r{}(a{}b{}(x{})c{}y{})");
  // At the end of the text everything open is closed to document level.
  EXPECT_FALSE(doc.SetText("<r><a><b/>"));
  EXPECT_EQ(test::Walk(doc, {}), "r{}a{}b{}");
}

TEST(XmlParse, ResultTextStopsGrowingPastNineHundredNinetyNine) {
  std::string text = "<a>";
  for (int i = 0; i < 500; ++i) text += "</b>";
  text += "</a>";
  XmlDocument doc;
  EXPECT_FALSE(doc.SetText(text));
  const std::string entry = "<lone_end_tag tagname=\"b\" offset=\"";
  // Every entry that was added started below the limit; the first one that would follow a
  // result text over 999 characters was dropped.
  size_t size = doc.GetResult().size();
  EXPECT_GT(size, 999u);
  EXPECT_LT(size, 999u + entry.size() + 8);
  ASSERT_TRUE(doc.FindElement("a"));  // still indexed
}

TEST(XmlParse, DeepNestingAndManyLoneEndTagsStayLinear) {
  // A quadratic close or end-tag search would not finish here in any reasonable time.
  const int depth = 300000;
  std::string text;
  text.reserve(depth * 7 + 16);
  for (int i = 0; i < depth; ++i) text += "<a>";
  for (int i = 0; i < depth; ++i) text += "</b>";
  XmlDocument doc;
  EXPECT_FALSE(doc.SetText(text));
  ASSERT_TRUE(doc.FindElement("a"));
  int siblings = 1;
  while (doc.FindElement("a")) ++siblings;
  EXPECT_EQ(siblings, depth);
}

TEST(XmlParse, DeclaredEncodingFromDeclarationOrHtmlMeta) {
  struct Case {
    const char* text;
    const char* encoding;
  } cases[] = {
      {"<?xml version=\"1.0\" encoding=\"GB2312\"?><a/>", "GB2312"},
      {"<?xml version='1.0' encoding='utf-8' standalone='yes'?>", "utf-8"},
      {"<?xml version=\"1.0\"?><a/>", ""},
      {" <?xml version=\"1.0\" encoding=\"GB2312\"?>", ""},  // not at offset 0
      {"<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset = big5\">"
       "</head></html>",
       "big5"},
      {"<html><head><meta name=\"x\"><meta http-equiv=\"Content-Type\" "
       "content=\"text/html;charset=koi8-r;x\"></head></html>",
       "koi8-r"},
      {"<html><head></head><meta http-equiv=\"Content-Type\" content=\"charset=big5\">", ""},
      {"<body><html><meta http-equiv=\"Content-Type\" content=\"charset=big5\">", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(XmlDocument::DeclaredEncoding(c.text), c.encoding) << c.text;
}

}  // namespace
}  // namespace tavrick
