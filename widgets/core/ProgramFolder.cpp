#include "widgets/core/ProgramFolder.h"

#include <unistd.h>

#include <climits>

namespace DUI {

std::string ProgramFolder() {
  static const std::string folder = [] {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0) return std::string("./");
    std::string path(buf, static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
  }();
  return folder;
}

}  // namespace DUI
