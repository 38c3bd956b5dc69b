#pragma once
#include <string>

namespace DUI {

// The folder of the running executable, with a trailing '/'. Skins and fonts are found there.
std::string ProgramFolder();

}  // namespace DUI
