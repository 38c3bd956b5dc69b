#pragma once
// The program's command line.
#include <string>
#include <vector>

namespace tavrick {

struct CommandLine {
  bool help = false;
  bool version = false;
  bool emulate = false;  // plug emulated devices in next to any real ones
  bool hide = false;     // "-hide": start with the window hidden
  bool autorun = false;  // "-autorun": started by the desktop session at log-in
  std::vector<std::string> unknown;
};

CommandLine ParseCommandLine(int argc, const char* const* argv);

// The --help text.
std::string CommandLineHelp();

}  // namespace tavrick
