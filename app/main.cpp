// Tavrick's entry point.
#include <cstdio>

#include "app/CommandLine.h"

int main(int argc, char** argv) {
  const tavrick::CommandLine cl = tavrick::ParseCommandLine(argc, argv);
  if (cl.help) {
    std::fputs(tavrick::CommandLineHelp().c_str(), stdout);
    return 0;
  }
  if (cl.version) {
    std::printf("Tavrick %s\n", TAVRICK_VERSION);
    return 0;
  }
  for (const auto& a : cl.unknown) std::fprintf(stderr, "Tavrick: ignoring unknown option %s\n", a.c_str());
  std::printf("Tavrick %s\n", TAVRICK_VERSION);
  return 0;
}
