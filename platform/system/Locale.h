#pragma once
// The user's interface language as a language id (the numbers the language files are
// named by: 1033 English, 2052 Simplified Chinese, ...).
#include <string_view>

namespace tavrick {

// The first of LANGUAGE (a ":"-separated list; its first entry we know wins), LC_ALL,
// LC_MESSAGES and LANG that is set, mapped to an id; 0 when none is set or the language
// is not one we know ("C", "POSIX" and unknown languages).
int GetUserUiLanguage();

// One locale name such as "zh_CN.UTF-8", "pt-BR", "de_DE@euro" or "zh_Hant_TW"; 0 when
// unknown.
int LanguageIdFromLocale(std::string_view locale);

}  // namespace tavrick
