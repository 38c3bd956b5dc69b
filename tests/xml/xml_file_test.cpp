// Loading and saving real files: encodings with and without a mark, the result entries, the
// refusal of large files, and saves that fail without touching the old file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "store/XmlDocument.h"
#include "tests/support/TempFolder.h"
#include "tests/xml/XmlWalk.h"

namespace tavrick {
namespace {

using test::TempFolder;

std::string Utf16(std::u16string_view text, bool big_endian) {
  std::string out;
  for (char16_t u : text) {
    char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
    out += big_endian ? hi : lo;
    out += big_endian ? lo : hi;
  }
  return out;
}

struct EncodingCase {
  const char* label;
  std::string bytes;
  const char* value;       // attribute "v" of the root
  const char* result;      // after LoadFile
  uint32_t flags;
  std::string saved;       // what SaveFile writes back; empty: the same bytes
};

TEST(XmlFile, EachEncodingLoadsAndSavesBack) {
  const std::string e_acute = "\xC3\xA9";
  const EncodingCase cases[] = {
      {"utf-8 with mark", "\xEF\xBB\xBF<r v=\"\xC3\xA9\"/>", "\xC3\xA9",
       "<bom/><read encoding=\"UTF-8\" length=\"11\"/><converted_to encoding=\"UTF-16\" length=\"10\"/>",
       XmlDocument::kFlagUtf8Mark, ""},
      {"utf-8 declared", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><r v=\"\xC3\xA9\"/>", "\xC3\xA9",
       "<read encoding=\"UTF-8\" length=\"49\"/><converted_to encoding=\"UTF-16\" length=\"48\"/>", 0,
       ""},
      {"utf-16le with mark", "\xFF\xFE" + Utf16(u"<r v=\"\u00E9\u4E2D\"/>", false),
       "\xC3\xA9\xE4\xB8\xAD", "<bom/><read encoding=\"UTF-16LE\" length=\"11\"/>",
       XmlDocument::kFlagUtf16LE, ""},
      {"utf-16be with mark", "\xFE\xFF" + Utf16(u"<r v=\"\u00E9\u4E2D\"/>", true),
       "\xC3\xA9\xE4\xB8\xAD", "<bom/><read encoding=\"UTF-16BE\" length=\"11\"/><endian_swap/>",
       XmlDocument::kFlagUtf16BE, ""},
      // No mark, first byte "<": taken for UTF-8, and the zero bytes go.
      {"utf-16le without mark", Utf16(u"<r v=\"x\"/>", false), "x",
       "<read encoding=\"UTF-8\" length=\"20\"/><nulls_removed count=\"10\"/>"
       "<converted_to encoding=\"UTF-16\" length=\"10\"/>",
       0, "<r v=\"x\"/>"},
      {"undeclared valid utf-8", " <r v=\"\xC3\xA9\"/>", "\xC3\xA9",
       "<read encoding=\"UTF-8\" length=\"12\"/><utf8_detection/>"
       "<converted_to encoding=\"UTF-16\" length=\"11\"/>",
       0, ""},
      // Not UTF-8: the ANSI code page, Windows-1252 (0xE9 é, 0x80 €).
      {"undeclared ansi", " <r v=\"\xE9\x80\"/>", "\xC3\xA9\xE2\x82\xAC",
       "<read length=\"12\"/><utf8_detection/><converted_to encoding=\"UTF-16\" length=\"12\"/>", 0,
       " <r v=\"\xC3\xA9\xE2\x82\xAC\"/>"},
      {"gb2312 declared", "<?xml version=\"1.0\" encoding=\"GB2312\"?><r v=\"\xD6\xD0\xCE\xC4\"/>",
       "\xE4\xB8\xAD\xE6\x96\x87",
       "<read encoding=\"GB2312\" length=\"52\"/><converted_to encoding=\"UTF-16\" length=\"50\"/>",
       0, ""},
      {"latin1 declared", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r v=\"\xE9\"/>", "\xC3\xA9",
       "<read encoding=\"ISO-8859-1\" length=\"53\"/><converted_to encoding=\"UTF-16\" length=\"53\"/>",
       0, ""},
      {"shift_jis declared",
       "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><r v=\"\x82\xA0\"/>", "\xE3\x81\x82",
       "<read encoding=\"Shift_JIS\" length=\"53\"/><converted_to encoding=\"UTF-16\" length=\"52\"/>",
       0, ""},
      {"utf-32 with the utf-16le mark", std::string("\xFF\xFE\x00\x00<\0\0\0r\0\0\0/\0\0\0>\0\0\0", 20),
       "", "<bom/><read encoding=\"UTF-16LE\" length=\"9\"/><nulls_removed count=\"5\"/>",
       XmlDocument::kFlagUtf16LE, "\xFF\xFE" + Utf16(u"<r/>", false)},
  };
  // One document for all cases: a load must not keep the marks or entries of the one before
  // (the big-endian case is followed by one without a mark).
  XmlDocument doc;
  for (const EncodingCase& c : cases) {
    SCOPED_TRACE(c.label);
    TempFolder folder;
    ASSERT_TRUE(folder.Write("in.xml", c.bytes));
    EXPECT_TRUE(doc.LoadFile(folder.File("in.xml")));
    EXPECT_EQ(doc.GetResult(), c.result);
    EXPECT_EQ(doc.GetDocFlags(), c.flags);
    ASSERT_TRUE(doc.FindElement("r"));
    EXPECT_EQ(doc.GetAttribute("v"), c.value);
    ASSERT_TRUE(doc.SaveFile(folder.File("out.xml"))) << doc.GetResult();
    EXPECT_EQ(folder.Read("out.xml"), c.saved.empty() ? c.bytes : c.saved);
    XmlDocument again;
    EXPECT_TRUE(again.LoadFile(folder.File("out.xml"))) << again.GetResult();
    EXPECT_EQ(again.GetText(), doc.GetText());
  }
}

TEST(XmlFile, WriterDocumentIsSavedAsUtf8WithoutMark) {
  TempFolder folder;
  XmlDocument doc;
  doc.SetText("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");
  ASSERT_TRUE(doc.AddElement("macro"));
  ASSERT_TRUE(doc.SetAttribute("name", "\xE5\xAE\x8F"));  // one Chinese character
  ASSERT_TRUE(doc.SaveFile(folder.File("m.xml")));
  const std::string expected =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<macro name=\"\xE5\xAE\x8F\"/>\r\n";
  EXPECT_EQ(folder.Read("m.xml"), expected);
  EXPECT_EQ(doc.GetResult(),
            "<no_root_element/><converted_from encoding=\"UTF-16\" length=\"59\"/>"
            "<write encoding=\"UTF-8\" length=\"61\"/>");
  EXPECT_EQ(doc.GetDocFlags(), 0u);
}

TEST(XmlFile, EditedDocumentReloadsToTheSameTree) {
  TempFolder folder;
  ASSERT_TRUE(folder.Write("p.xml",
                           "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                           "<profile>\r\n<keyitems>\r\n<item v=\"1\"/>\r\n</keyitems>\r\n"
                           "<Mouse/>\r\n</profile>\r\n"));
  XmlDocument doc;
  ASSERT_TRUE(doc.LoadFile(folder.File("p.xml")));
  ASSERT_TRUE(doc.FindElement("profile"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.FindElement("keyitems"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.FindElement("item"));
  ASSERT_TRUE(doc.SetAttribute("v", "<1 & 2>"));
  ASSERT_TRUE(doc.AddElement("item"));
  ASSERT_TRUE(doc.SetAttribute("v", "\"3\""));
  ASSERT_TRUE(doc.LeaveElement());
  ASSERT_TRUE(doc.FindElement("Mouse"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.AddElement("DPI1"));
  ASSERT_TRUE(doc.SetAttribute("v", "800"));
  ASSERT_TRUE(doc.SaveFile(folder.File("p.xml")));

  XmlDocument again;
  ASSERT_TRUE(again.LoadFile(folder.File("p.xml"))) << again.GetResult();
  EXPECT_EQ(again.GetDocFlags(), XmlDocument::kFlagUtf8Mark);
  const std::string expected =
      "profile{}(keyitems{}(item{v=<1 & 2>,}item{v=\"3\",})Mouse{}(DPI1{v=800,}))";
  EXPECT_EQ(test::Walk(again, {"v"}), expected);
  EXPECT_EQ(test::Walk(doc, {"v"}), expected);
}

TEST(XmlFile, SaveReportsLostCharactersOfTheDeclaredCodePage) {
  TempFolder folder;
  XmlDocument doc;
  ASSERT_TRUE(doc.SetText("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r/>"));
  ASSERT_TRUE(doc.FindElement("r"));
  ASSERT_TRUE(doc.SetAttribute("v", "\xE4\xB8\xAD\xC3\xA9"));
  ASSERT_TRUE(doc.SaveFile(folder.File("l.xml")));
  EXPECT_EQ(folder.Read("l.xml"), "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r v=\"?\xE9\"/>");
  EXPECT_EQ(doc.GetResult(),
            "<converted_from encoding=\"UTF-16\" length=\"54\"/><conversion_loss/>"
            "<write encoding=\"ISO-8859-1\" length=\"54\"/>");
}

TEST(XmlFile, DeclaredUtf16IsWrittenWithItsMark) {
  TempFolder folder;
  XmlDocument doc;
  ASSERT_TRUE(doc.SetText("<?xml version=\"1.0\" encoding=\"UTF-16\"?><r v=\"\xC3\xA9\"/>"));
  ASSERT_TRUE(doc.SaveFile(folder.File("w.xml")));
  EXPECT_EQ(folder.Read("w.xml"),
            "\xFF\xFE" + Utf16(u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><r v=\"\u00E9\"/>", false));
  XmlDocument again;
  ASSERT_TRUE(again.LoadFile(folder.File("w.xml")));
  ASSERT_TRUE(again.FindElement("r"));
  EXPECT_EQ(again.GetAttribute("v"), "\xC3\xA9");
}

TEST(XmlFile, UnreadableFilesGiveOneFileErrorAndAnEmptyDocument) {
  TempFolder folder;
  ASSERT_TRUE(std::filesystem::create_directory(folder.File("dir")));
  struct Case {
    std::string path;
    const char* code;
  } cases[] = {{folder.File("missing.xml"), " n=\"2\"/>"}, {folder.File("dir"), " n=\"21\"/>"}};
  for (const Case& c : cases) {
    XmlDocument doc;
    ASSERT_TRUE(doc.SetText("<old/>"));
    EXPECT_FALSE(doc.LoadFile(c.path));
    const std::string& result = doc.GetResult();
    EXPECT_EQ(result.rfind("<file_error msg=\"", 0), 0u) << result;
    EXPECT_EQ(result.find("<", 1), std::string::npos) << result;  // one entry
    EXPECT_NE(result.find(c.code), std::string::npos) << result;
    EXPECT_EQ(doc.GetText(), "");
    EXPECT_FALSE(doc.FindElement());
  }
  ASSERT_TRUE(folder.Write("empty.xml", ""));
  XmlDocument doc;
  EXPECT_FALSE(doc.LoadFile(folder.File("empty.xml")));
  EXPECT_EQ(doc.GetResult().rfind("<read ", 0), 0u) << doc.GetResult();
  EXPECT_NE(doc.GetResult().find("length=\"0\""), std::string::npos);
}

TEST(XmlFile, FilesOverSixteenMebibytesAreRefused) {
  TempFolder folder;
  std::string text = "<r>" + std::string(XmlDocument::kMaxFileSize - 7, ' ') + "</r>";
  ASSERT_EQ(text.size(), XmlDocument::kMaxFileSize);
  ASSERT_TRUE(folder.Write("limit.xml", text));
  XmlDocument doc;
  EXPECT_TRUE(doc.LoadFile(folder.File("limit.xml"))) << doc.GetResult();
  text.insert(3, " ");
  ASSERT_TRUE(folder.Write("over.xml", text));
  EXPECT_FALSE(doc.LoadFile(folder.File("over.xml")));
  EXPECT_EQ(doc.GetResult(), "<file_error msg=\"file larger than 16 MiB\" n=\"27\"/>");
  EXPECT_EQ(doc.GetText(), "");
  EXPECT_FALSE(doc.FindElement());
}

TEST(XmlFile, FailedSaveLeavesTheOldFileAndNoTemporaryFile) {
  TempFolder folder;
  ASSERT_TRUE(folder.Write("keep.xml", "<old/>"));
  XmlDocument doc;
  ASSERT_TRUE(doc.SetText("<new>" + std::string(8192, 'x') + "</new>"));

  // The write fails half way: the process may not make files larger than 1000 bytes.
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto old_handler = ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 1000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  bool saved_ok = doc.SaveFile(folder.File("keep.xml"));
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, old_handler);

  EXPECT_FALSE(saved_ok);
  EXPECT_NE(doc.GetResult().find("<file_error msg=\""), std::string::npos) << doc.GetResult();
  EXPECT_EQ(doc.GetResult().find("<write"), std::string::npos) << doc.GetResult();
  EXPECT_EQ(folder.Read("keep.xml"), "<old/>");
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1);

  // A folder that does not exist.
  EXPECT_FALSE(doc.SaveFile(folder.File("no/such/folder.xml")));
  EXPECT_NE(doc.GetResult().find(" n=\"2\"/>"), std::string::npos) << doc.GetResult();
}

TEST(XmlFile, SaveKeepsPermissionsAndFollowsLinks) {
  TempFolder folder;
  ASSERT_TRUE(folder.Write("real.xml", "<old/>"));
  ASSERT_EQ(::chmod(folder.File("real.xml").c_str(), 0640), 0);
  ASSERT_EQ(::symlink("real.xml", folder.File("link.xml").c_str()), 0);
  XmlDocument doc;
  ASSERT_TRUE(doc.SetText("<new/>"));
  ASSERT_TRUE(doc.SaveFile(folder.File("link.xml")));
  EXPECT_TRUE(std::filesystem::is_symlink(folder.File("link.xml")));
  EXPECT_EQ(folder.Read("real.xml"), "<new/>");
  struct stat st {};
  ASSERT_EQ(::stat(folder.File("real.xml").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

}  // namespace
}  // namespace tavrick
