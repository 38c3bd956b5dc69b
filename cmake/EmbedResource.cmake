# Writes OUT: a C++ source with the bytes of IN that registers them as resource ID of TYPE.
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" len)
math(EXPR size "${len} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x[0-9a-f][0-9a-f],0x[0-9a-f][0-9a-f],0x[0-9a-f][0-9a-f],0x[0-9a-f][0-9a-f],0x[0-9a-f][0-9a-f],0x[0-9a-f][0-9a-f],0x[0-9a-f][0-9a-f],0x[0-9a-f][0-9a-f],0x[0-9a-f][0-9a-f],0x[0-9a-f][0-9a-f],0x[0-9a-f][0-9a-f],0x[0-9a-f][0-9a-f],0x[0-9a-f][0-9a-f],0x[0-9a-f][0-9a-f],0x[0-9a-f][0-9a-f],0x[0-9a-f][0-9a-f])" "\\1\n" bytes "${bytes}")
file(WRITE ${OUT}.tmp
"// Generated from ${IN}; do not edit.\n#include <cstdint>\n#include \"platform/gui/Resource.h\"\n"
"namespace {\nalignas(16) const uint8_t kData[${size} + 1] = {\n${bytes}0};\n"
"const bool kRegistered = DUI::RegisterResource(${ID}, \"${TYPE}\", kData, ${size});\n}  // namespace\n")
file(RENAME ${OUT}.tmp ${OUT})
