#include "store/MacroNames.h"

#include <initializer_list>

namespace tavrick {
namespace {

bool StartsWith(std::string_view s, std::string_view w) { return s.substr(0, w.size()) == w; }
bool EndsWith(std::string_view s, std::string_view w) {
  return s.size() >= w.size() && s.substr(s.size() - w.size()) == w;
}

// The part before the first occurrence of word (which is known to occur).
std::string_view Before(std::string_view s, std::string_view word) { return s.substr(0, s.find(word)); }

std::string ReplaceLeading(std::string_view s, std::initializer_list<std::string_view> words,
                           std::string_view replacement) {
  for (std::string_view w : words)
    if (StartsWith(s, w)) return std::string(replacement) + std::string(s.substr(w.size()));
  return std::string(s);
}

constexpr std::string_view kProfileWords[] = {
    "Profile", "配置", "設定", "لتكوين", "Konfiguration", "Configuración", "Configuration",
    "Beállítások", "Configurazione", "構成", "설정", " Ustawienia", "Конфигурация", "การตั้งค่า",
    "Türkçe", "Pengaturan", "Конфігурація", "Cấu hình", "Profil", "Configuração",
};

std::string ReplaceProfileWord(std::string_view stored, std::string_view text_profile, size_t word_count) {
  for (size_t i = 0; i < word_count; ++i) {
    const std::string_view w = kProfileWords[i];
    if (StartsWith(stored, w)) return std::string(text_profile) + std::string(stored.substr(w.size()));
  }
  return std::string(stored);
}

}  // namespace

std::string MacroListName(std::string_view name, std::string_view text_custom, std::string_view text_copy) {
  const std::string result = ReplaceLeading(name, {"Custom", "自定义"}, text_custom);
  for (std::string_view w : {std::string_view("Copy"), std::string_view("复制")}) {
    if (EndsWith(result, w)) return std::string(Before(result, w)) + " " + std::string(text_copy);
  }
  return result;
}

std::string MacroAssignmentName(std::string_view desc, int language_id, std::string_view text_custom) {
  struct Rule {
    int language;
    std::string_view leading[4];
    std::string_view trailing[3];  // empty entries unused
    std::string_view copy_word;
  };
  static constexpr Rule kRules[] = {
      {2052, {"Custom", "自定義", "カスタム", "Пользоват"}, {"Copy", "複製", "Копировать"}, "复制"},
      {1033, {"自定义", "自定義", "カスタム", "Пользоват"}, {"复制", "複製", "Копировать"}, "Copy"},
      {1028, {"自定义", "Custom", "カスタム", "Пользоват"}, {"复制", "Copy", "Копировать"}, "複製"},
      {1041, {"自定义", "Custom", "自定義", "Пользоват"}, {"复制", "Copy", "Копировать"}, "複製"},
      {1049, {"自定义", "Custom", "自定義", "カスタム"}, {"复制", "Copy", ""}, "Копировать"},
  };
  for (const Rule& rule : kRules) {
    if (rule.language != language_id) continue;
    std::string text(desc);
    for (std::string_view w : rule.leading) {
      if (StartsWith(desc, w)) {
        text = std::string(text_custom) + std::string(desc.substr(w.size()));
        break;
      }
    }
    for (std::string_view w : rule.trailing)
      if (!w.empty() && EndsWith(text, w)) return std::string(Before(text, w)) + " " + std::string(rule.copy_word);
    return text;
  }
  return std::string(desc);
}

std::string ProfileDisplayName(std::string_view stored, std::string_view text_profile) {
  return ReplaceProfileWord(stored, text_profile, std::size(kProfileWords));
}

std::string ProfileDialogName(std::string_view stored, std::string_view text_profile) {
  return ReplaceProfileWord(stored, text_profile, 2);
}

}  // namespace tavrick
