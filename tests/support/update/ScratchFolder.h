#pragma once
// A fresh folder below $TMPDIR (or /tmp) that is removed with everything in it at the end.
#include <string>

namespace tavrick::test {

class ScratchFolder {
 public:
  explicit ScratchFolder(const char* tag = "tavrick");
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The folder's path, ending with "/".
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

// Small file helpers for tests.
bool WriteWholeFile(const std::string& path, const std::string& bytes);
bool ReadWholeFile(const std::string& path, std::string& bytes);
bool PathExists(const std::string& path);
// Removes a folder tree without following symbolic links.
void RemoveTree(const std::string& path);

}  // namespace tavrick::test
