#pragma once
// XmlDocument: the one class every XML file of the program goes through (config.xml, the
// device description files, the macro and profile exchange files).
//
// The document is one UTF-8 text, kept exactly as it will be written, plus an index of the
// elements in it (offsets into the text, never copies). Reading moves a cursor over the
// index; writing edits the text in place and shifts the index. Nothing throws: operations
// answer true/false or a text, and loading, saving and parsing leave short machine-readable
// entries in the result text (GetResult), for example
//   <read encoding="UTF-8" length="812"/><converted_to encoding="UTF-16" length="812"/>
// Lengths and offsets in those entries count UTF-16 code units of the text, so they read the
// same whatever script the text is in.
//
// Typical use.
//   Reading:  XmlDocument doc; if (!doc.LoadFile(path)) → treat the file as absent.
//             doc.FindElement("config"); doc.EnterElement();
//             while (doc.FindElement("device")) { doc.GetAttribute("id"); ... }
//             doc.LeaveElement();
//   Writing:  doc.SetText("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");   // false: no root yet
//             doc.AddElement("macro"); doc.SetAttribute("name", n); doc.EnterElement();
//             doc.AddElement("macroinfo"); ... doc.LeaveElement();
//             doc.SaveFile(path);
//   A built document has no indentation: every element on its own line, attributes in the
//   order they were set, empty elements written "<name/>", and "\r\n" after each element.
//
// Well formed means: no syntax error, no unmatched tag and exactly one element at document
// level. An ill-formed document is still indexed as far as it goes and can be navigated; only
// the boolean of SetText and LoadFile tells the caller.
//
// A document belongs to one thread; documents share nothing but constant tables.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavrick {

class XmlDocument {
 public:
  // Document flags (GetDocFlags/SetDocFlags).
  static constexpr uint32_t kFlagUtf16LE = 0x1;      // file is UTF-16LE (mark FF FE)
  static constexpr uint32_t kFlagUtf8Mark = 0x4;     // file carries the UTF-8 mark EF BB BF
  static constexpr uint32_t kFlagIgnoreCase = 0x8;   // compare names without ASCII case
  static constexpr uint32_t kFlagReading = 0x10;     // set only while LoadFile runs
  static constexpr uint32_t kFlagWriting = 0x20;     // set only while SaveFile runs
  static constexpr uint32_t kFlagAppend = 0x40;      // next SaveFile appends (then cleared)
  static constexpr uint32_t kFlagUtf16BE = 0x80;     // file is UTF-16BE (mark FE FF)

  // Files larger than this are refused by LoadFile with a "file_error" entry.
  static constexpr size_t kMaxFileSize = 16u * 1024u * 1024u;

  XmlDocument();

  // Replaces the document text, clears the result text and parses. True if well formed.
  bool SetText(std::string_view text);
  // The document text as it stands (after edits, exactly what SaveFile converts and writes).
  const std::string& GetText() const { return text_; }

  // Reads a file in any encoding: the byte-order mark (UTF-8, UTF-16LE, UTF-16BE), else the
  // declared encoding (XML declaration or an HTML meta charset), else UTF-8 when the bytes
  // are valid UTF-8, else the ANSI code page (Windows-1252). True if the file was read and its
  // text is well formed. A missing, unreadable or too large file gives false, one
  // "file_error" entry and an empty document.
  bool LoadFile(const std::string& path);

  // Writes the text: with the mark of the loaded file if it had one, else in the declared
  // encoding, else UTF-8. The file is written beside the target and renamed over it, so a
  // failed save leaves the old file as it was. True if the file was opened and written.
  bool SaveFile(const std::string& path);

  // Moves the cursor to the next sibling named `name` (the first child of the parent when
  // there is no current element). An empty name matches any element; the name ends at its
  // end or at " ", "=", "/", "[" or "]". On failure the cursor is unchanged.
  bool FindElement(std::string_view name = {});
  // The current element becomes the parent; the cursor goes before its first child (or back
  // to the child that was current when the element was left last).
  bool EnterElement();
  // The parent becomes the current element. False at document level.
  bool LeaveElement();

  // Value of an attribute of the current element with references decoded; "" if the
  // attribute or the current element is missing.
  std::string GetAttribute(std::string_view name) const;
  // Sets or adds an attribute of the current element; the value is escaped (quotes too) and
  // written in double quotes. False without a current element or for a name that is not a
  // plain name (empty, or holding blanks, quotes, "<", ">", "=", "/", "?", "!", "&", ";").
  bool SetAttribute(std::string_view name, std::string_view value);
  // Inserts "<name/>" after the current element (or as the last child of the parent when
  // there is none) and makes it current. False for a name that is not a plain name.
  bool AddElement(std::string_view name);

  // Puts the cursor back at document level, before the root, as after a parse.
  void ResetCursor() { parent_ = current_ = child_ = node_kind_ = 0; }

  // Name of the current element; "" when there is none.
  std::string GetTagName() const;
  // Character data of the current element (text and CDATA sections between its tags, with
  // references decoded); "" when there is no current element, it is empty, or it holds
  // child elements.
  std::string GetData() const;

  // Result entries of the last load, save or parse.
  const std::string& GetResult() const { return result_; }

  uint32_t GetDocFlags() const { return flags_; }
  void SetDocFlags(uint32_t flags) { flags_ = flags; }

  // "<" → "&lt;", "&" → "&amp;", ">" → "&gt;"; with quotes also "'" → "&apos;" and
  // '"' → "&quot;".
  static std::string EscapeText(std::string_view text, bool escape_quotes);
  // Decodes "&#65;", "&#x41;", "&#X41;" and the named references of HTML 4.01 plus "apos".
  // An unknown reference, one that decodes to 0, lies beyond U+10FFFF or in the surrogate
  // range, or has no ";" within 10 characters, leaves its "&" as written.
  static std::string UnescapeText(std::string_view text);
  // The encoding a text declares: the "encoding" of an XML declaration at its start, or the
  // charset of an HTML Content-Type meta element; "" when none.
  static std::string DeclaredEncoding(std::string_view text);

 private:
  // One element of the index. Offsets and lengths count bytes of the text.
  struct Record {
    size_t start = 0;          // offset of the element's "<"
    size_t length = 0;         // from "<" of the start tag to ">" of the end tag
    size_t start_tag_len = 0;  // length of the start tag
    size_t end_tag_len = 0;    // length of the end tag (0 for an empty or unended element)
    uint32_t flags = 0;        // kRec… bits
    int32_t parent = 0;        // record index of the parent (0 = document)
    int32_t first_child = 0;   // 0 if none
    int32_t next = 0;          // next sibling, 0 if last
    int32_t prev = 0;          // previous sibling; the first child's names the last child
  };
  static constexpr uint32_t kRecFirstChild = 0x80000;
  static constexpr uint32_t kRecUnended = 0x100000;
  static constexpr uint32_t kRecIllFormed = 0x200000;
  static constexpr uint32_t kRecDocIllFormed = 0x800000;

  struct Node;
  class Tokenizer;

  bool Parse();
  void CloseUnended(std::vector<int32_t>& stack, size_t keep, size_t offset2);
  void LinkLastChild(int32_t parent, int32_t child);
  int32_t NewRecord();
  void ClearIndex();
  void ShiftAfterEdit(int32_t edited_parent, size_t pos, size_t removed, size_t inserted,
                      int32_t skip);
  size_t NameLength(size_t pos) const;
  bool NameEquals(size_t pos, size_t len, std::string_view name) const;

  // Result entries.
  void AddResult(std::string_view name, std::string_view text_attr = {},
                 std::string_view text_value = {}, std::string_view number_attr = {},
                 long long number = -1, long long offset2 = -1);
  // Once the result text is longer than 999 UTF-16 units further entries are dropped.
  bool ResultFull() const { return result_units_ > 999; }
  void AddFileError(int error_code, const char* message = nullptr);
  void SetReadEncoding(std::string_view encoding);
  long long Utf16Offset(size_t byte_offset) const;

  std::string text_;
  std::string result_;
  size_t result_units_ = 0;
  uint32_t flags_ = 0;
  std::vector<Record> records_;
  // The largest start offset of any record: edits after it (every edit of a document being
  // built from the top) need not visit the records at all.
  size_t max_start_ = 0;
  int32_t parent_ = 0;
  int32_t current_ = 0;
  int32_t child_ = 0;
  int32_t node_kind_ = 0;
  // Memo of the last byte→UTF-16 offset conversion (entries mostly come in text order).
  mutable size_t memo_byte_ = 0;
  mutable size_t memo_units_ = 0;
};

}  // namespace tavrick
