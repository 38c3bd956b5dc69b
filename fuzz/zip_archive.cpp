// Feeds arbitrary bytes to the archive reader as a whole archive and extracts it into a
// scratch folder; checks that every safe name stays below the target.
#include <ftw.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "update/ZipArchive.h"

namespace {

std::string& Scratch() {
  static std::string path = [] {
    char pattern[] = "/tmp/tavrick-fuzz-zip-XXXXXX";
    char* made = ::mkdtemp(pattern);
    if (!made) std::abort();
    return std::string(made) + "/";
  }();
  return path;
}

void Empty(const std::string& folder) {
  ::nftw(
      folder.c_str(),
      [](const char* p, const struct stat*, int, struct FTW* ftw) {
        if (ftw->level > 0) ::remove(p);
        return 0;
      },
      16, FTW_DEPTH | FTW_PHYS);
}

void CheckSafe(const std::string& name) {
  if (name.empty() || name.front() == '/' || name.find('\\') != std::string::npos) std::abort();
  size_t start = 0;
  for (;;) {
    size_t slash = name.find('/', start);
    std::string step = name.substr(start, slash == std::string::npos ? slash : slash - start);
    if (step.empty() || step == "." || step == "..") std::abort();
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string safe;
  if (tavrick::MakeSafeEntryName(
          std::string_view(reinterpret_cast<const char*>(data), std::min<size_t>(size, 300)),
          safe))
    CheckSafe(safe);

  int fd = ::memfd_create("zip", MFD_CLOEXEC);
  if (fd < 0) return 0;
  if (size > 0 && ::write(fd, data, size) != static_cast<ssize_t>(size)) {
    ::close(fd);
    return 0;
  }
  tavrick::ZipReader zip;
  if (!zip.OpenDescriptor(fd)) return 0;
  zip.SetTargetFolder(Scratch());
  // Bounded so that an archive claiming 65535 entries stays quick.
  int n = std::min(zip.entry_count(), 64);
  for (int i = 0; i < n; ++i) {
    tavrick::ArchiveEntry e;
    if (zip.ReadEntry(i, e) != tavrick::kZipOk) continue;
    if (e.safe) CheckSafe(e.name);
    zip.ExtractEntry(i);
  }
  zip.Close();
  Empty(Scratch());
  return 0;
}
