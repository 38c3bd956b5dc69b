#pragma once
// Walks a whole document with the cursor and writes what it sees, so two documents (an edited
// one and the same text parsed afresh) can be compared in one assertion.
#include <initializer_list>
#include <string>
#include <string_view>

#include "store/XmlDocument.h"

namespace tavrick::test {

// "name{a=1,b=2}(children...)" for every element, depth first; attributes that are absent
// are left out.
inline void WalkElement(XmlDocument& doc, std::initializer_list<std::string_view> attributes,
                        std::string& out);

inline void WalkLevel(XmlDocument& doc, std::initializer_list<std::string_view> attributes,
                      std::string& out) {
  while (doc.FindElement()) WalkElement(doc, attributes, out);
}

inline void WalkElement(XmlDocument& doc, std::initializer_list<std::string_view> attributes,
                        std::string& out) {
  out += doc.GetTagName();
  out += '{';
  for (std::string_view a : attributes) {
    std::string v = doc.GetAttribute(a);
    if (!v.empty()) out += std::string(a) + "=" + v + ",";
  }
  out += '}';
  if (doc.EnterElement()) {
    std::string children;
    WalkLevel(doc, attributes, children);
    if (!children.empty()) out += "(" + children + ")";
    doc.LeaveElement();
  }
}

// Walks the whole document from the top; the cursor ends at document level.
inline std::string Walk(XmlDocument& doc, std::initializer_list<std::string_view> attributes) {
  doc.ResetCursor();
  std::string out;
  WalkLevel(doc, attributes, out);
  return out;
}

}  // namespace tavrick::test
