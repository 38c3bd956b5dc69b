#include "device/DeviceDescription.h"

#include "base/Number.h"

namespace tavrick {

std::string DescriptionPath(const std::string& program_folder, const std::string& name) {
  std::string path = program_folder;
  if (!path.empty() && path.back() != '/') path += '/';
  return path + "device/" + name + ".xml";
}

namespace {

// One part of a colour: the hexadecimal value of text[pos, pos + len), 0 when a character
// is not a hexadecimal digit (the part is then unreadable as a whole).
uint32_t HexPart(const std::string& r, size_t pos, size_t len) {
  uint32_t value = 0;
  for (size_t i = pos; i < pos + len; ++i) {
    const char c = r[i];
    uint32_t digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return 0;
    value = value * 16 + digit;
  }
  return value;
}

}  // namespace

uint32_t ParseColorText(const std::string& text) {
  if (text.empty()) return 0;
  const std::string r = text.substr(1);  // the "#", or whatever stands in its place
  uint32_t red = 0, green = 0, blue = 0;
  switch (r.size()) {
    case 2: red = HexPart(r, 0, 2); break;
    case 3: red = HexPart(r, 0, 2); green = HexPart(r, 2, 1); break;
    case 4: red = HexPart(r, 0, 2); green = HexPart(r, 2, 2); break;
    case 5: red = HexPart(r, 0, 2); green = HexPart(r, 2, 2); blue = HexPart(r, 4, 1); break;
    case 6: red = HexPart(r, 0, 2); green = HexPart(r, 2, 2); blue = HexPart(r, 4, 2); break;
    default: break;
  }
  return red + green * 256 + blue * 65536;
}

}  // namespace tavrick
