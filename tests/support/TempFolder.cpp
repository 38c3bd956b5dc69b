#include "tests/support/TempFolder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace tavrick::test {

TempFolder::TempFolder() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/tavrick-XXXXXX";
  if (char* made = ::mkdtemp(pattern.data())) path_ = made;
}

TempFolder::~TempFolder() {
  if (path_.empty()) return;
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string TempFolder::File(std::string_view name) const {
  return path_ + "/" + std::string(name);
}

bool TempFolder::Write(std::string_view name, std::string_view bytes) const {
  std::filesystem::path file = File(name);
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

std::string TempFolder::Read(std::string_view name) const {
  std::ifstream in(File(name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool TempFolder::Exists(std::string_view name) const {
  std::error_code ec;
  return std::filesystem::exists(File(name), ec);
}

}  // namespace tavrick::test
