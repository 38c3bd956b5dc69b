#pragma once
// Binary resources compiled into the library (fonts, images), found by id and type.
//
// To add one, list it in cmake/Resources.cmake (`lumet_resource(<id> <TYPE> <file>)`): the
// build turns the file into a generated source that registers it at load time.
#include <cstddef>
#include <cstdint>

namespace DUI {

struct ResourceData {
  const uint8_t* data = nullptr;
  size_t size = 0;
  explicit operator bool() const { return data != nullptr; }
};

// The resource with this id and type (types compare without case: "ttf" = "TTF"); empty when
// there is none.
ResourceData FindResource(int id, const char* type);

// Used by the generated sources. The data must live as long as the library.
bool RegisterResource(int id, const char* type, const uint8_t* data, size_t size);

}  // namespace DUI
