#include "platform/system/Folders.h"

#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "widgets/core/Manager.h"

namespace tavrick {
namespace {

std::string WithSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

// An XDG root: the variable when it holds an absolute path (relative ones are to be
// ignored, as the base-directory rules say), else the home-relative default.
std::string XdgRoot(const char* variable, const char* home_default) {
  const char* value = std::getenv(variable);
  if (value != nullptr && value[0] == '/') return WithSlash(value);
  const char* home = std::getenv("HOME");
  return WithSlash(std::string(home != nullptr ? home : "") + "/" + home_default);
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string GetProgramFolder() {
  const char* forced = std::getenv("TAVRICK_PROGRAM_FOLDER");
  if (forced != nullptr && forced[0] != '\0') return WithSlash(forced);
  std::string exe(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", exe.data(), exe.size());
  if (n <= 0 || static_cast<size_t>(n) >= exe.size()) return "./";
  exe.resize(static_cast<size_t>(n));
  const size_t slash = exe.rfind('/');
  return slash == std::string::npos ? "./" : exe.substr(0, slash + 1);
}

std::string GetSkinFolder() { return GetProgramFolder() + "skins/" + DUI::Manager::GetTheme(); }

std::string GetUserDataFolder() {
  return XdgRoot("XDG_DATA_HOME", ".local/share") + DUI::Manager::GetDeviceName() + " Files/";
}

std::string GetSettingsFolder() {
  return XdgRoot("XDG_CONFIG_HOME", ".config") + DUI::Manager::GetDeviceName() + "/";
}

bool CreateFolderTree(const std::string& path) {
  if (path.empty()) return false;
  if (IsFolder(path)) return true;
  // Every level from the top; errors on the way (a level that exists) are not final,
  // only the last check counts.
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    ::mkdir(path.substr(0, slash).c_str(), 0755);
  }
  if (::mkdir(path.c_str(), 0755) == 0) return true;
  return errno == EEXIST && IsFolder(path);
}

bool IsSafeFileName(std::string_view name) {
  if (name == "." || name == "..") return false;
  return name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

}  // namespace tavrick
