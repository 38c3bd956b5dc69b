#include "platform/system/Locale.h"

#include <cstdlib>
#include <string>

namespace tavrick {
namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

struct LanguageEntry {
  const char* language;
  int id;
};

// Every language the program can offer, by ISO 639 code. Chinese depends on the script or
// the region and is handled apart.
constexpr LanguageEntry kLanguages[] = {
    {"ar", 1025}, {"de", 1031}, {"en", 1033}, {"es", 1034}, {"fr", 1036}, {"hu", 1038},
    {"it", 1040}, {"ja", 1041}, {"ko", 1042}, {"pl", 1045}, {"ru", 1049}, {"th", 1054},
    {"tr", 1055}, {"id", 1057}, {"uk", 1058}, {"vi", 1066}, {"ms", 1086}, {"pt", 2070},
};

}  // namespace

int LanguageIdFromLocale(std::string_view locale) {
  // language[_territory][.codeset][@modifier], with "-" accepted for "_".
  const size_t cut = locale.find_first_of(".@");
  const std::string name = Lower(locale.substr(0, cut));
  if (name.empty() || name == "c" || name == "posix") return 0;
  const size_t sep = name.find_first_of("_-");
  const std::string language = name.substr(0, sep);
  const std::string rest = sep == std::string::npos ? std::string() : name.substr(sep + 1);

  if (language == "zh") {
    // Traditional script: stated, or implied by the regions that use it.
    if (rest.find("hant") != std::string::npos) return 1028;
    if (rest.find("hans") != std::string::npos) return 2052;
    if (rest == "tw" || rest == "hk" || rest == "mo") return 1028;
    return 2052;
  }
  for (const auto& entry : kLanguages) {
    if (language == entry.language) return entry.id;
  }
  return 0;
}

int GetUserUiLanguage() {
  // LANGUAGE lists preferences; an entry we cannot map gives way to the next one.
  const char* list = std::getenv("LANGUAGE");
  if (list != nullptr && *list != '\0') {
    std::string_view rest = list;
    while (!rest.empty()) {
      const size_t colon = rest.find(':');
      const int id = LanguageIdFromLocale(rest.substr(0, colon));
      if (id != 0) return id;
      rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
  }
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return LanguageIdFromLocale(value);
  }
  return 0;
}

}  // namespace tavrick
