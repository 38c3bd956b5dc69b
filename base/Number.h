#pragma once
// Saturating number parsers for texts from files and the settings store. They follow the
// C library's leading-part rule (leading blanks, an optional sign, then digits; parsing
// stops at the first other character; no digits gives 0) but clamp instead of overflowing.
#include <cstdint>
#include <string_view>

namespace base {

// Decimal, with an optional sign: "42" → 42, " -7x" → -7, "" → 0, "99999999999" → INT32_MAX.
int32_t ParseDecimal(std::string_view text);
int64_t ParseDecimal64(std::string_view text);

// Hexadecimal digits without a prefix, upper or lower case: "1a2B" → 0x1A2B. A "0x" prefix
// reads as 0 (the "0" is taken, "x" stops the parse). Saturates at UINT32_MAX.
uint32_t ParseHex(std::string_view text);

}  // namespace base
