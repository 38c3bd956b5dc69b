// Feeds arbitrary bytes to XmlDocument as a text (SetText) and as a file (LoadFile), walks
// whatever was indexed, and edits well-formed documents. An edited document must walk exactly
// like a fresh parse of its text, and saving then loading must keep the tree of an undeclared
// ASCII document.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "store/XmlDocument.h"
#include "tests/support/TempFolder.h"

namespace {

using tavrick::XmlDocument;

const tavrick::test::TempFolder& Folder() {
  static tavrick::test::TempFolder* folder = [] {
    // A memory-backed folder keeps the file round trip fast where one exists.
    if (::access("/dev/shm", W_OK) == 0) ::setenv("TMPDIR", "/dev/shm", 1);
    auto* made = new tavrick::test::TempFolder;
    if (made->Path().empty()) std::abort();
    return made;
  }();
  return *folder;
}

void WalkLevel(XmlDocument& doc, std::string& out, int depth) {
  while (doc.FindElement()) {
    out += doc.GetTagName();
    out += '{' + doc.GetAttribute("v") + '|' + doc.GetAttribute("id") + '}';
    doc.GetData();
    if (depth < 200 && doc.EnterElement()) {
      std::string children;
      WalkLevel(doc, children, depth + 1);
      if (!children.empty()) out += '(' + children + ')';
      doc.LeaveElement();
    }
  }
}

std::string Walk(XmlDocument& doc) {
  doc.ResetCursor();
  std::string out;
  WalkLevel(doc, out, 0);
  return out;
}

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Edits a well-formed document along a path chosen by the input, then compares the index
// with a fresh parse of the edited text.
void EditAndCompare(XmlDocument& doc, const uint8_t* data, size_t size) {
  doc.ResetCursor();
  if (!doc.FindElement()) return;
  size_t steps = size < 8 ? size : 8;
  for (size_t i = 0; i < steps; ++i) {
    switch (data[i] % 5) {
      case 0: doc.EnterElement(); break;
      case 1: doc.FindElement(); break;
      case 2: doc.LeaveElement(); break;
      case 3: doc.SetAttribute("v", std::string_view(reinterpret_cast<const char*>(data), steps)); break;
      case 4: doc.AddElement("n"); break;
    }
  }
  doc.SetAttribute("id", "<&'\">");
  doc.AddElement("tail");
  XmlDocument fresh;
  fresh.SetText(doc.GetText());
  Check(Walk(fresh) == Walk(doc));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);

  XmlDocument doc;
  bool well_formed = doc.SetText(bytes);
  Walk(doc);
  Check(doc.GetResult().size() < 4096 + size * 6);
  if (well_formed) EditAndCompare(doc, data, size);

  const auto& folder = Folder();
  if (!folder.Write("in.xml", bytes)) std::abort();
  XmlDocument loaded;
  bool loaded_ok = loaded.LoadFile(folder.File("in.xml"));
  std::string tree = Walk(loaded);
  // Undeclared ASCII is saved as UTF-8, byte for byte, and must load to the same tree.
  if (loaded_ok && IsAscii(bytes) && bytes.find('\0') == std::string_view::npos &&
      XmlDocument::DeclaredEncoding(loaded.GetText()).empty() &&
      loaded.SaveFile(folder.File("out.xml"))) {
    XmlDocument again;
    Check(again.LoadFile(folder.File("out.xml")));
    Check(Walk(again) == tree);
  }
  return 0;
}
