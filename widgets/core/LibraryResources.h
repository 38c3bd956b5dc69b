#pragma once
// Resources compiled into the library: the scroll-bar images (PNG 101, 102) and the
// TrueType font (106). The table is generated at build time.
#include <cstddef>
#include <string>

namespace DUI {

struct LibraryResource {
  unsigned id;
  const char* type;  // "PNG", "TTF"; compared without regard to case
  const unsigned char* data;
  size_t size;
};

// Null when the library carries no such resource.
const LibraryResource* FindLibraryResource(unsigned id, const std::string& type);

}  // namespace DUI
