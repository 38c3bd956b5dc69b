#pragma once
// The interface language: the list of languages the installation offers (from config.xml),
// the current language id, the choice made at start-up and remembered in the settings
// file ("LCID"), and every interface text, fetched by number from the current language
// file, program folder + "language/<id>.lan", section "LAN".
#include <cstddef>
#include <string>
#include <vector>

#include "platform/system/SettingsFile.h"

namespace tavrick {

// Ids in the order the settings page offers them, with their native names.
struct KnownLanguage {
  int id;
  const char* name;
};
const std::vector<KnownLanguage>& KnownLanguages();
// The native name of a known id; empty for others.
std::string GetLanguageName(int id);

// The language list: an ordered set, filled by ReadStartupConfig.
void ClearLanguageList();
void AddLanguage(int id);
std::vector<int> GetLanguageList();
bool IsKnownLanguage(int id);  // in the language list

// The current language id; 2052 until start-up has chosen one.
int GetCurrentLanguageId();
void SetCurrentLanguageId(int id);

enum class LanguageSource {
  Stored,               // the id remembered in the settings file
  SystemLanguage,       // nothing remembered; the user's locale names a listed language
  English,              // 1033: the remembered or the locale's language is not listed
  SettingsUnavailable,  // 2052: the settings file cannot be read or created
};

struct LanguageChoice {
  int id = 0;
  LanguageSource source = LanguageSource::English;
  SettingsState settings = SettingsState::Missing;  // the settings file as found
  int stored = 0;  // the remembered id (0: none)
  int system = 0;  // the locale's id (0: none or unknown); only looked at when nothing was remembered
};

// Chooses the current language at start-up, makes it current and remembers it:
//  1. read "LCID" (a missing file is created first, and then reads as 0; a file that can
//     be neither read nor created gives 2052);
//  2. 0: take the user's locale language when it is listed, else 1033, and store it;
//  3. an id that is not listed becomes 1033, stored.
LanguageChoice LoadLanguageId();

// Writes "LCID" when the settings file can be opened; nothing else. False when not written.
bool SaveLanguageId(int id);

// Texts are cut to this many UTF-16 units.
inline constexpr size_t kMaxLanguageTextUnits = 259;

std::string LanguageFilePath(int id);

// The text with that number in the current language, read anew from its file on every
// call (so a language change shows at the next lookup); empty when the file or the text is
// missing. There is no fall-back to another language.
std::string GetLanguageText(int number);

}  // namespace tavrick
