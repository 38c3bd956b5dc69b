// Editing in place (the index must stay what a fresh parse of the edited text gives) and the
// escaping of texts and references.
#include <gtest/gtest.h>

#include <string>

#include "store/XmlDocument.h"
#include "tests/xml/XmlWalk.h"

namespace tavrick {
namespace {

constexpr const char* kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

// The edited document and a fresh parse of its text must see the same tree.
void ExpectIndexMatchesText(XmlDocument& edited) {
  XmlDocument fresh;
  EXPECT_TRUE(fresh.SetText(edited.GetText())) << fresh.GetResult() << "\n" << edited.GetText();
  EXPECT_EQ(test::Walk(edited, {"name", "v", "w"}), test::Walk(fresh, {"name", "v", "w"}));
}

TEST(XmlEdit, WriterSequenceBuildsTheExpectedText) {
  XmlDocument doc;
  EXPECT_FALSE(doc.SetText(kDeclaration));
  EXPECT_EQ(doc.GetResult(), "<no_root_element/>");
  ASSERT_TRUE(doc.AddElement("macro"));
  EXPECT_EQ(doc.GetText(), std::string(kDeclaration) + "<macro/>\r\n");
  ASSERT_TRUE(doc.SetAttribute("name", "M1"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.AddElement("macroinfo"));
  EXPECT_EQ(doc.GetText(), std::string(kDeclaration) +
                               "<macro name=\"M1\">\r\n<macroinfo/>\r\n</macro>\r\n");
  ASSERT_TRUE(doc.SetAttribute("v", "1"));
  ASSERT_TRUE(doc.AddElement("macroitems"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.AddElement("item"));
  ASSERT_TRUE(doc.SetAttribute("v", "a"));
  ASSERT_TRUE(doc.AddElement("item"));
  ASSERT_TRUE(doc.SetAttribute("v", "b"));
  ASSERT_TRUE(doc.SetAttribute("w", "2"));
  ASSERT_TRUE(doc.LeaveElement());
  ASSERT_TRUE(doc.SetAttribute("w", "3"));
  ASSERT_TRUE(doc.LeaveElement());
  EXPECT_EQ(doc.GetText(), std::string(kDeclaration) +
                               "<macro name=\"M1\">\r\n"
                               "<macroinfo v=\"1\"/>\r\n"
                               "<macroitems w=\"3\">\r\n"
                               "<item v=\"a\"/>\r\n"
                               "<item v=\"b\" w=\"2\"/>\r\n"
                               "</macroitems>\r\n"
                               "</macro>\r\n");
  ExpectIndexMatchesText(doc);
}

TEST(XmlEdit, AddElementPlacesTheNewElementByItsSurroundings) {
  struct Case {
    const char* text;
    const char* path;   // elements to enter, then optionally one to make current
    const char* expected;
  } cases[] = {
      // Into an empty "<p/>": the tag is opened and an end tag written.
      {"<p a=\"1\"/>", "p>", "<p a=\"1\">\r\n<c/>\r\n</p>"},
      {"<p //>", "p>", "<p >\r\n<c/>\r\n</p>"},
      // Between a start and an end tag with nothing between them.
      {"<p></p>", "p>", "<p>\r\n<c/>\r\n</p>"},
      // As the last child, just before the end tag.
      {"<p><a/></p>", "p>", "<p><a/><c/>\r\n</p>"},
      // After the current element and the whitespace that leads to the next tag.
      {"<p>\r\n<a/>\r\n<b/>\r\n</p>", "p>a", "<p>\r\n<a/>\r\n<c/>\r\n<b/>\r\n</p>"},
      // Text follows the current element: directly after it.
      {"<p><a/> text</p>", "p>a", "<p><a/><c/>\r\n text</p>"},
      // After an element with content.
      {"<p><a><x/></a></p>", "p>a", "<p><a><x/></a><c/>\r\n</p>"},
  };
  for (const Case& c : cases) {
    XmlDocument doc;
    ASSERT_TRUE(doc.SetText(c.text)) << c.text;
    std::string path = c.path;
    size_t gt = path.find('>');
    ASSERT_TRUE(doc.FindElement(path.substr(0, gt)));
    ASSERT_TRUE(doc.EnterElement());
    if (gt + 1 < path.size()) {
      ASSERT_TRUE(doc.FindElement(path.substr(gt + 1)));
    }
    ASSERT_TRUE(doc.AddElement("c")) << c.text;
    EXPECT_EQ(doc.GetText(), c.expected) << c.text;
    EXPECT_EQ(doc.GetTagName(), "c");
    ASSERT_TRUE(doc.SetAttribute("v", "new"));  // the new element's record is right
    ExpectIndexMatchesText(doc);
  }
}

TEST(XmlEdit, SetAttributeReplacesInDoubleQuotesAndShiftsTheIndex) {
  XmlDocument doc;
  ASSERT_TRUE(doc.SetText("<r name='x'><a v='1' w=\"2\"/><b v=\"2\"><c v=\"3\"/></b></r>"));
  ASSERT_TRUE(doc.FindElement("r"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.FindElement("a"));
  ASSERT_TRUE(doc.SetAttribute("v", "a much longer value"));
  ASSERT_TRUE(doc.SetAttribute("w", ""));
  ASSERT_TRUE(doc.FindElement("b"));
  EXPECT_EQ(doc.GetAttribute("v"), "2");
  ASSERT_TRUE(doc.SetAttribute("name", "added"));
  ASSERT_TRUE(doc.LeaveElement());
  ASSERT_TRUE(doc.SetAttribute("name", "r"));  // shorter than before
  EXPECT_EQ(doc.GetText(),
            "<r name=\"r\"><a v=\"a much longer value\" w=\"\"/><b v=\"2\" name=\"added\">"
            "<c v=\"3\"/></b></r>");
  ExpectIndexMatchesText(doc);
}

TEST(XmlEdit, ValuesAreEscapedAndReadBackUnchanged) {
  const char* values[] = {"a<b", "x & y", "\"quoted\" and 'single'", "&amp; stays text",
                          "<tag attr=\"1\"/>", "\xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80", ""};
  for (const char* value : values) {
    XmlDocument doc;
    ASSERT_TRUE(doc.SetText("<r/>"));
    ASSERT_TRUE(doc.FindElement("r"));
    ASSERT_TRUE(doc.SetAttribute("v", value));
    EXPECT_EQ(doc.GetAttribute("v"), value);
    XmlDocument again;
    ASSERT_TRUE(again.SetText(doc.GetText())) << doc.GetText();
    ASSERT_TRUE(again.FindElement("r"));
    EXPECT_EQ(again.GetAttribute("v"), value);
  }
  XmlDocument doc;
  ASSERT_TRUE(doc.SetText("<r/>"));
  ASSERT_TRUE(doc.FindElement("r"));
  ASSERT_TRUE(doc.SetAttribute("v", "a<b"));
  EXPECT_EQ(doc.GetText(), "<r v=\"a&lt;b\"/>");
}

TEST(XmlEdit, NamesThatWouldBreakTheTagAreRefused) {
  XmlDocument doc;
  ASSERT_TRUE(doc.SetText("<r/>"));
  ASSERT_TRUE(doc.FindElement("r"));
  for (const char* name : {"", "a b", "a>", "a\"", "a'", "a=b", "a/", "<a", "a&b", "a\n"}) {
    EXPECT_FALSE(doc.AddElement(name)) << name;
    EXPECT_FALSE(doc.SetAttribute(name, "1")) << name;
  }
  EXPECT_EQ(doc.GetText(), "<r/>");
}

TEST(XmlEscape, EscapeText) {
  EXPECT_EQ(XmlDocument::EscapeText("<a & 'b' \"c\">", false), "&lt;a &amp; 'b' \"c\"&gt;");
  EXPECT_EQ(XmlDocument::EscapeText("<a & 'b' \"c\">", true),
            "&lt;a &amp; &apos;b&apos; &quot;c&quot;&gt;");
  EXPECT_EQ(XmlDocument::EscapeText("", true), "");
}

TEST(XmlEscape, UnescapeReferences) {
  struct Case {
    const char* text;
    const char* decoded;
  } cases[] = {
      {"&#x41;", "A"},
      {"&#X41;", "A"},
      {"&#65;", "A"},
      {"&lt;&gt;&amp;&quot;&apos;", "<>&\"'"},
      {"&Oslash;&oslash;", "\xC3\x98\xC3\xB8"},
      {"&euro;&hellip;&lang;&nbsp;", "\xE2\x82\xAC\xE2\x80\xA6\xE2\x8C\xA9\xC2\xA0"},
      {"&thetasym;&alefsym;", "\xCF\x91\xE2\x84\xB5"},
      {"&#x1F600;", "\xF0\x9F\x98\x80"},
      {"&#x10FFFF;", "\xF4\x8F\xBF\xBF"},
      // Left as written: unknown, zero, past U+10FFFF, surrogates, no ";" in reach.
      {"&bogus;", "&bogus;"},
      {"&OSLASH;", "&OSLASH;"},
      {"&#0;", "&#0;"},
      {"&#x110000;", "&#x110000;"},
      {"&#xD800;", "&#xD800;"},
      {"&#57343;", "&#57343;"},
      {"&#99999999;", "&#99999999;"},
      {"&#;&#x;&#12a;", "&#;&#x;&#12a;"},
      {"&amp", "&amp"},
      {"&abcdefghij;", "&abcdefghij;"},
      {"&\xC3\xA9;", "&\xC3\xA9;"},
      // Decoding goes on after a literal "&".
      {"a&&amp;b & c", "a&&b & c"},
      {"&amp;amp;", "&amp;"},
  };
  for (const Case& c : cases) EXPECT_EQ(XmlDocument::UnescapeText(c.text), c.decoded) << c.text;
}

}  // namespace
}  // namespace tavrick
