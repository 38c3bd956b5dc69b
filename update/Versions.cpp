#include "update/Versions.h"

#include <vector>

#include "base/Number.h"

namespace tavrick {
namespace {

std::vector<std::string_view> Split(std::string_view text) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (;;) {
    size_t dot = text.find('.', start);
    parts.push_back(text.substr(start, dot == std::string_view::npos ? dot : dot - start));
    if (dot == std::string_view::npos) return parts;
    start = dot + 1;
  }
}

bool Wellformed(std::string_view text, size_t max, bool hex) {
  if (text.empty() || text.size() > max) return false;
  for (std::string_view part : Split(text)) {
    if (part.empty()) return false;
    for (char c : part) {
      bool ok = (c >= '0' && c <= '9') ||
                (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
      if (!ok) return false;
    }
  }
  return true;
}

}  // namespace

int CompareVersions(std::string_view first, std::string_view second) {
  auto a = Split(first);
  auto b = Split(second);
  if (a.size() != b.size()) return 2;
  for (size_t i = 0; i < a.size(); ++i) {
    int32_t x = base::ParseDecimal(a[i]);
    int32_t y = base::ParseDecimal(b[i]);
    if (x > y) return -1;
    if (x < y) return 1;
  }
  return 0;
}

std::string TrimVersionAnswer(std::string_view answer) {
  const char* blanks = " \t\r\n\v\f";
  size_t start = answer.find_first_not_of(blanks);
  if (start == std::string_view::npos) return {};
  size_t end = answer.find_last_not_of(blanks);
  return std::string(answer.substr(start, end - start + 1));
}

bool IsSoftwareVersionText(std::string_view text) { return Wellformed(text, 10, false); }
bool IsFirmwareVersionText(std::string_view text) { return Wellformed(text, 9, true); }

}  // namespace tavrick
