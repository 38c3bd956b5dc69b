// Feeds arbitrary bytes to the language-file reader as a whole file and looks up the keys a
// page would ask for. Every answer must be well-formed UTF-8, and the cut text must fit.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/Language.h"
#include "base/Text.h"
#include "platform/system/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (!base::IsValidUtf8(tavrick::DecodeTextFile(bytes))) std::abort();
  for (const char* key : {"1", "61", "351", "616", " 31 ", ""}) {
    for (const char* section : {"LAN", "lan", ""}) {
      const std::string text = tavrick::FindIniValue(bytes, section, key);
      if (!base::IsValidUtf8(text)) std::abort();
      const std::string cut = base::CutUtf16(text, tavrick::kMaxLanguageTextUnits);
      if (base::Utf16Length(cut) > tavrick::kMaxLanguageTextUnits) std::abort();
    }
  }
  return 0;
}
