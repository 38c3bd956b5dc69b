#pragma once
// Version texts of the update server and their comparison.
#include <string>
#include <string_view>

namespace tavrick {

// Splits both texts at "." and compares part by part as decimal numbers (leading digits;
// none gives 0). -1 first is newer, 1 second is newer, 0 equal, 2 the numbers of parts
// differ (the checks treat 2 like 1).
int CompareVersions(std::string_view first, std::string_view second);

// The answer without surrounding blanks and line ends.
std::string TrimVersionAnswer(std::string_view answer);

// Version texts become file names, so only these forms are accepted: 1 to 10 characters of
// decimal digits and dots for the program, 1 to 9 of hexadecimal digits and dots for the
// firmware; no empty part. Anything else is no offer.
bool IsSoftwareVersionText(std::string_view text);
bool IsFirmwareVersionText(std::string_view text);

}  // namespace tavrick
