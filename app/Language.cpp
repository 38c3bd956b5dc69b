#include "app/Language.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#include "base/Number.h"
#include "base/Text.h"
#include "base/Trace.h"
#include "platform/system/Folders.h"
#include "platform/system/IniFile.h"
#include "platform/system/Locale.h"

namespace tavrick {
namespace {

std::mutex& ListMutex() {
  static std::mutex m;
  return m;
}

std::vector<int>& List() {
  static std::vector<int> list;
  return list;
}

std::atomic<int> g_current_language{2052};

constexpr int kEnglish = 1033;
constexpr int kUnavailableFallback = 2052;

}  // namespace

const std::vector<KnownLanguage>& KnownLanguages() {
  static const std::vector<KnownLanguage> languages = {
      {2052, "简体中文"}, {1028, "繁體中文"}, {1025, "اللغة العربية"}, {1031, "Deutsch"},
      {1033, "English"}, {1034, "Español"}, {1036, "Français"}, {1038, "Magyar"},
      {1040, "Italiano"}, {1041, "日本語にほんご"}, {1042, "한국어"}, {1045, "Polski"},
      {1049, "Русский язык"}, {1054, "ภาษาไทย"}, {1055, "Türkçe"}, {1057, "Bahasa Indonesia"},
      {1058, "Українська мова"}, {1066, "Tiếng Việt"}, {1086, "Bahasa Melayu"}, {2070, "Português"},
  };
  return languages;
}

std::string GetLanguageName(int id) {
  for (const auto& l : KnownLanguages()) {
    if (l.id == id) return l.name;
  }
  return std::string();
}

void ClearLanguageList() {
  std::lock_guard lock(ListMutex());
  List().clear();
}

void AddLanguage(int id) {
  std::lock_guard lock(ListMutex());
  auto& list = List();
  if (std::find(list.begin(), list.end(), id) == list.end()) list.push_back(id);
}

std::vector<int> GetLanguageList() {
  std::lock_guard lock(ListMutex());
  return List();
}

bool IsKnownLanguage(int id) {
  std::lock_guard lock(ListMutex());
  const auto& list = List();
  return std::find(list.begin(), list.end(), id) != list.end();
}

int GetCurrentLanguageId() { return g_current_language.load(); }
void SetCurrentLanguageId(int id) { g_current_language.store(id); }

bool SaveLanguageId(int id) { return WriteSetting("LCID", std::to_string(id)); }

LanguageChoice LoadLanguageId() {
  LanguageChoice choice;
  const SettingsValue lcid = ReadSetting("LCID");
  choice.settings = lcid.state;
  int id = 0;
  switch (lcid.state) {
    case SettingsState::Ok:
      id = base::ParseDecimal(lcid.text);
      break;
    case SettingsState::Missing:
      id = CreateSettingsFile() ? 0 : kUnavailableFallback;
      break;
    case SettingsState::Unreadable:
      id = kUnavailableFallback;
      break;
  }
  choice.stored = lcid.state == SettingsState::Ok ? id : 0;
  choice.source = id == kUnavailableFallback && lcid.state != SettingsState::Ok ? LanguageSource::SettingsUnavailable
                                                                                : LanguageSource::Stored;
  if (id == 0) {
    choice.system = GetUserUiLanguage();
    if (IsKnownLanguage(choice.system)) {
      id = choice.system;
      choice.source = LanguageSource::SystemLanguage;
    } else {
      id = kEnglish;
      choice.source = LanguageSource::English;
    }
    SaveLanguageId(id);
  }
  if (!IsKnownLanguage(id)) {
    id = kEnglish;
    choice.source = LanguageSource::English;
    SaveLanguageId(id);
  }
  choice.id = id;
  SetCurrentLanguageId(id);
  base::Trace(base::TraceLevel::Info, "language %d (stored %d, system %d)", id, choice.stored, choice.system);
  return choice;
}

std::string LanguageFilePath(int id) { return GetProgramFolder() + "language/" + std::to_string(id) + ".lan"; }

std::string GetLanguageText(int number) {
  const std::string text =
      ReadIniString(LanguageFilePath(GetCurrentLanguageId()), "LAN", std::to_string(number));
  return base::CutUtf16(text, kMaxLanguageTextUnits);
}

}  // namespace tavrick
