#pragma once
// The settings commands of tavrick-hid: they work on the model's settings database exactly
// as the program does (same file, same profiles, same sends).
#include <memory>
#include <string>
#include <vector>

#include "device/HidBackend.h"

namespace tavrick {

struct SettingsCommands {
  int deviceType = 0;               // --model; 0: the first supported mouse present
  bool reset = false;               // --reset: ResetMouse
  std::vector<std::string> sets;    // --set key=value, in order
  bool apply = false;               // --apply: SendAllSettings
  bool dump = false;                // --dump-settings: full read-back, then print
  bool verbose = false;             // print the UI hooks' calls too

  bool Any() const { return reset || !sets.empty() || apply || dump; }
};

// Runs the commands in the order reset, set, apply, dump. Exit status: 0 done, 1 the mouse
// did not answer or is not there, 2 a refused setting or unknown model (nothing stored).
int RunSettingsCommands(std::unique_ptr<HidBackend> backend, const SettingsCommands& commands);

}  // namespace tavrick
