#include "tests/support/ScopedEnv.h"

#include <cstdlib>

namespace tavrick::test {

ScopedEnv::~ScopedEnv() {
  // Newest first, so a variable set twice gets its original value back.
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->second) ::setenv(it->first.c_str(), it->second->c_str(), 1);
    else ::unsetenv(it->first.c_str());
  }
}

void ScopedEnv::Remember(const std::string& name) {
  const char* old = std::getenv(name.c_str());
  saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
}

ScopedEnv& ScopedEnv::Set(const std::string& name, const std::string& value) {
  Remember(name);
  ::setenv(name.c_str(), value.c_str(), 1);
  return *this;
}

ScopedEnv& ScopedEnv::Unset(const std::string& name) {
  Remember(name);
  ::unsetenv(name.c_str());
  return *this;
}

}  // namespace tavrick::test
