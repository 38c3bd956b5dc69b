#include "platform/system/SettingsFile.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "base/Trace.h"
#include "platform/system/Folders.h"
#include "platform/system/IniFile.h"

namespace tavrick {
namespace {

constexpr size_t kMaxSettingsBytes = 64 * 1024;

// One read-modify-write at a time inside the process.
std::mutex& SettingsMutex() {
  static std::mutex m;
  return m;
}

using Entries = std::vector<std::pair<std::string, std::string>>;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

Entries Parse(std::string_view text) {
  Entries entries;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty() || line.front() == '#' || line.front() == ';' || line.front() == '[') continue;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string name(Trim(line.substr(0, eq)));
    std::string value(Trim(line.substr(eq + 1)));
    bool replaced = false;
    for (auto& e : entries) {
      if (e.first == name) {
        e.second = value;  // the last line of a name wins, as it would when written again
        replaced = true;
      }
    }
    if (!replaced) entries.emplace_back(name, std::move(value));
  }
  return entries;
}

SettingsState Load(std::string& bytes) {
  const std::string path = SettingsFilePath();
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    return errno == ENOENT || errno == ENOTDIR ? SettingsState::Missing : SettingsState::Unreadable;
  }
  return ReadWholeFile(path, bytes, kMaxSettingsBytes) ? SettingsState::Ok : SettingsState::Unreadable;
}

bool WriteAtomically(const std::string& path, const std::string& contents) {
  std::string temp = path + ".XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    base::Trace(base::TraceLevel::Warning, "settings: cannot create a temporary file next to %s", path.c_str());
    return false;
  }
  bool ok = ::fchmod(fd, 0600) == 0;
  size_t done = 0;
  while (ok && done < contents.size()) {
    const ssize_t n = ::write(fd, contents.data() + done, contents.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) ok = false;
    else done += static_cast<size_t>(n);
  }
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    base::Trace(base::TraceLevel::Warning, "settings: writing %s failed", path.c_str());
    ::unlink(temp.c_str());
  }
  return ok;
}

bool ValidName(std::string_view name) {
  return !name.empty() && name.find_first_of(std::string_view("=\r\n\0", 4)) == std::string_view::npos &&
         Trim(name) == name && name.front() != '#' && name.front() != ';' && name.front() != '[';
}

}  // namespace

std::string SettingsFilePath() { return GetSettingsFolder() + "settings.ini"; }

SettingsState GetSettingsState() {
  std::lock_guard lock(SettingsMutex());
  std::string bytes;
  return Load(bytes);
}

SettingsValue ReadSetting(std::string_view name) {
  std::lock_guard lock(SettingsMutex());
  SettingsValue result;
  std::string bytes;
  result.state = Load(bytes);
  if (result.state != SettingsState::Ok) return result;
  for (auto& e : Parse(bytes)) {
    if (e.first == name) {
      result.found = true;
      result.text = std::move(e.second);
    }
  }
  return result;
}

bool CreateSettingsFile() {
  std::lock_guard lock(SettingsMutex());
  std::string bytes;
  switch (Load(bytes)) {
    case SettingsState::Ok: return true;
    case SettingsState::Unreadable: return false;
    case SettingsState::Missing: break;
  }
  return CreateFolderTree(GetSettingsFolder()) && WriteAtomically(SettingsFilePath(), std::string());
}

bool WriteSetting(std::string_view name, std::string_view value, bool create_if_missing) {
  if (!ValidName(name) || value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) return false;
  std::lock_guard lock(SettingsMutex());
  std::string bytes;
  const SettingsState state = Load(bytes);
  if (state == SettingsState::Unreadable) return false;
  if (state == SettingsState::Missing && (!create_if_missing || !CreateFolderTree(GetSettingsFolder()))) return false;
  Entries entries = Parse(bytes);
  bool replaced = false;
  for (auto& e : entries) {
    if (e.first == name) {
      e.second = std::string(value);
      replaced = true;
    }
  }
  if (!replaced) entries.emplace_back(std::string(name), std::string(value));
  std::string contents;
  for (const auto& e : entries) contents += e.first + "=" + e.second + "\n";
  return WriteAtomically(SettingsFilePath(), contents);
}

}  // namespace tavrick
