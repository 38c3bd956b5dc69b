#include "app/CommandLine.h"

#include <string_view>

namespace tavrick {

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  CommandLine cl;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--help" || a == "-h") cl.help = true;
    else if (a == "--version") cl.version = true;
    else if (a == "--emulate") cl.emulate = true;
    else if (a == "-hide" || a == "--hide") cl.hide = true;
    else if (a == "-autorun" || a == "--autorun") cl.autorun = true;
    else cl.unknown.emplace_back(a);
  }
  return cl;
}

std::string CommandLineHelp() {
  return "Usage: Tavrick [options]\n"
         "Configures the supported gaming mice.\n\n"
         "  --emulate   plug in an emulated wired mouse and receiver next to any real devices\n"
         "  -hide       start with the window hidden\n"
         "  -autorun    started by the desktop session at log-in\n"
         "  --help      show this text\n"
         "  --version   show the program version\n\n"
         "TAVRICK_TRACE=1 prints diagnostic trace lines to stderr.\n";
}

}  // namespace tavrick
