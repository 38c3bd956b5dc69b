#pragma once
// Sets or clears environment variables for the life of the object and restores what was
// there before. Environment changes are process-wide: use it only in single-threaded tests.
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tavrick::test {

class ScopedEnv {
 public:
  ScopedEnv() = default;
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

  ScopedEnv& Set(const std::string& name, const std::string& value);
  ScopedEnv& Unset(const std::string& name);

 private:
  void Remember(const std::string& name);
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace tavrick::test
