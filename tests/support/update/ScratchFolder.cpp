#include "tests/support/update/ScratchFolder.h"

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tavrick::test {

ScratchFolder::ScratchFolder(const char* tag) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + tag + "-XXXXXX";
  if (char* made = ::mkdtemp(pattern.data())) path_ = std::string(made) + "/";
}

ScratchFolder::~ScratchFolder() {
  if (!path_.empty()) RemoveTree(path_);
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  bytes = s.str();
  return true;
}

bool PathExists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

void RemoveTree(const std::string& path) {
  ::nftw(
      path.c_str(),
      [](const char* p, const struct stat*, int, struct FTW*) {
        ::remove(p);
        return 0;
      },
      16, FTW_DEPTH | FTW_PHYS);
}

}  // namespace tavrick::test
