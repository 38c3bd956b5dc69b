#pragma once
// The mice of config.xml in the plain shape the tool works with, read through the program's
// own configuration reader.
#include <string>
#include <vector>

namespace tavrick {

struct ToolModel {
  std::string name;
  int deviceType = 0;
  std::string attr;  // base name of the description file and the database
};

struct ToolVariant {
  int vid = 0;
  int pid = 0;
  int deviceType = 0;
  int mode = 0;
  std::string devId;
};

// Reads the device name and the mice as the program does. False when config.xml cannot be read.
bool ReadToolModels(std::vector<ToolModel>& models, std::vector<ToolVariant>& variants);
std::string ToolConfigPath();

}  // namespace tavrick
