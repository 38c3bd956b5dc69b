#include "store/StoreTexts.h"

#include "app/Language.h"
#include "platform/system/Folders.h"
#include "store/KeyFunction.h"
#include "store/MacroNames.h"
#include "store/SettingsDatabase.h"

namespace tavrick {

std::string ShownProfileName(std::string_view stored) { return ProfileDisplayName(stored, GetLanguageText(61)); }

std::string ShownDialogProfileName(std::string_view stored) {
  return ProfileDialogName(stored, GetLanguageText(61));
}

std::string ShownMacroListName(std::string_view name) {
  return MacroListName(name, GetLanguageText(351), GetLanguageText(31));
}

std::string ShownAssignmentName(const KeyAssignment& row) {
  return AssignmentDisplayName(row, GetLanguageText, GetCurrentLanguageId());
}

std::string ShownDefaultAssignmentName(const KeyAssignment& default_entry) {
  return DefaultAssignmentDisplayName(default_entry, GetLanguageText);
}

bool OpenModelDatabase(const std::string& model) {
  return SettingsDatabase::Instance().OpenForDevice(GetUserDataFolder(), model);
}

}  // namespace tavrick
