#pragma once
// The naming rules of MacroNames.h and KeyFunction.h with the current interface language
// and its texts filled in (61 profile, 351 custom macro, 31 copy), and the current model's
// database in the user data folder. For the pages and dialogs; the rules themselves take
// their texts as parameters.
#include <string>
#include <string_view>

#include "store/Records.h"

namespace tavrick {

std::string ShownProfileName(std::string_view stored);        // main window label
std::string ShownDialogProfileName(std::string_view stored);  // profile dialog list
std::string ShownMacroListName(std::string_view name);
std::string ShownAssignmentName(const KeyAssignment& row);
std::string ShownDefaultAssignmentName(const KeyAssignment& default_entry);

// SettingsDatabase::Instance().OpenForDevice(GetUserDataFolder(), model).
bool OpenModelDatabase(const std::string& model);

}  // namespace tavrick
