// No exception crosses the library's interface, and an allocation that cannot be served is
// not one a caller could recover from: the process ends with a message instead of throwing.
#include <unistd.h>

#include <cstdlib>
#include <new>

namespace DUI {
namespace {

void OutOfMemory() {
  static const char kMessage[] = "Lumet: out of memory, the program ends\n";
  // write(2): nothing here may allocate.
  [[maybe_unused]] const ssize_t n = write(STDERR_FILENO, kMessage, sizeof(kMessage) - 1);
  std::_Exit(EXIT_FAILURE);
}

const bool kInstalled = [] {
  std::set_new_handler(&OutOfMemory);
  return true;
}();

}  // namespace
}  // namespace DUI
