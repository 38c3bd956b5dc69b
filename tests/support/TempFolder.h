#pragma once
// A temporary folder for one test, bench or fuzz run, removed with everything in it when the
// object goes away. Files are written and read as raw bytes.
#include <string>
#include <string_view>

namespace tavrick::test {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder, without a trailing "/"; empty if it could not be created.
  const std::string& Path() const { return path_; }
  // Path of a file (or sub-path) inside the folder.
  std::string File(std::string_view name) const;

  // Writes the bytes to a file of the folder (creating folders on the way); false on failure.
  bool Write(std::string_view name, std::string_view bytes) const;
  // The bytes of a file of the folder; "" when it cannot be read (see Exists).
  std::string Read(std::string_view name) const;
  bool Exists(std::string_view name) const;

 private:
  std::string path_;
};

}  // namespace tavrick::test
