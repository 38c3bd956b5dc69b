#pragma once
// The folders in which every file of the program is found. Each result ends with "/".
//
// The roots follow the XDG base directories, so tests and unusual set-ups can move them
// with the same environment variables:
//   program folder   TAVRICK_PROGRAM_FOLDER, else the folder of /proc/self/exe
//   user data        $XDG_DATA_HOME (default ~/.local/share) + "/<device name> Files/"
//   settings         $XDG_CONFIG_HOME (default ~/.config) + "/<device name>/"
// The device name is the one Manager holds at the time of the call.
#include <string>
#include <string_view>

namespace tavrick {

std::string GetProgramFolder();
std::string GetSkinFolder();       // program folder + "skins/" + Manager::GetTheme()
std::string GetUserDataFolder();
std::string GetSettingsFolder();   // holds settings.ini, the program's per-user values

// Makes sure the folder exists, creating every missing level from the top. True when it
// exists afterwards (created now or already there).
bool CreateFolderTree(const std::string& path);

// True when the text can be used as one file or folder name inside a folder of ours: it
// holds no "/" and no NUL and is not "." or "..". Values from config.xml that become
// names are checked with it, so a hostile file cannot reach outside its folder.
bool IsSafeFileName(std::string_view name);

}  // namespace tavrick
