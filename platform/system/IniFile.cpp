#include "platform/system/IniFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/Text.h"

namespace tavrick {
namespace {

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

std::string DecodeTextFile(std::string_view bytes) {
  std::string out;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    bytes.remove_prefix(2);
    std::u16string units(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i) {
      units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    }
    return base::Utf16ToUtf8(units);  // an odd last byte is dropped
  }
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  if (base::IsValidUtf8(bytes)) return std::string(bytes);
  out.reserve(bytes.size());
  for (size_t pos = 0; pos < bytes.size();) base::AppendUtf8(out, base::DecodeUtf8(bytes, pos));
  return out;
}

std::string FindIniValue(std::string_view file_bytes, std::string_view section, std::string_view key) {
  const std::string text = DecodeTextFile(file_bytes);
  const std::string_view wanted_key = Trim(key);
  std::string_view rest = text;
  bool in_section = false;
  bool seen_section = false;
  while (!rest.empty()) {
    const size_t end = rest.find_first_of("\r\n");
    std::string_view line = rest.substr(0, end);
    if (end == std::string_view::npos) {
      rest = {};
    } else {
      const size_t skip = (rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n') ? 2 : 1;
      rest.remove_prefix(end + skip);
    }
    line = Trim(line);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const size_t close = line.find(']');
      const std::string_view name = Trim(line.substr(1, close == std::string_view::npos ? line.npos : close - 1));
      // Only the first section of that name counts.
      if (in_section) return std::string();
      in_section = !seen_section && EqualNoCase(name, section);
      seen_section = seen_section || in_section;
      continue;
    }
    if (!in_section) continue;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    if (!EqualNoCase(Trim(line.substr(0, eq)), wanted_key)) continue;
    std::string_view value = Trim(line.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
  }
  return std::string();
}

bool ReadWholeFile(const std::string& path, std::string& out, size_t max_bytes) {
  out.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) <= max_bytes;
  if (ok) {
    out.resize(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (ok && done < out.size()) {
      const ssize_t n = ::read(fd, out.data() + done, out.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        ok = false;
        break;
      }
      if (n == 0) break;  // a file that shrank while being read keeps what was there
      done += static_cast<size_t>(n);
    }
    out.resize(done);
  }
  ::close(fd);
  if (!ok) out.clear();
  return ok;
}

std::string ReadIniString(const std::string& path, std::string_view section, std::string_view key) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes, kMaxIniFileBytes)) return std::string();
  return FindIniValue(bytes, section, key);
}

}  // namespace tavrick
