#pragma once
// The names shown for stored macro names and profile names. Stored names are never
// rewritten; a generated name ("Custom 3", "Profile 2") is shown in the current interface
// language by replacing its leading (and, for macros, trailing) word. All comparisons are
// exact and case-sensitive.
#include <string>
#include <string_view>

namespace tavrick {

// The macro list and the key page's macro selector. text_custom is text 351 and text_copy
// text 31 of the current language.
std::string MacroListName(std::string_view name, std::string_view text_custom, std::string_view text_copy);

// The description of a macro assignment, by the current language id (2052, 1033, 1028,
// 1041, 1049; any other id shows the description unchanged).
std::string MacroAssignmentName(std::string_view desc, int language_id, std::string_view text_custom);

// The main window's profile label: a stored name that begins with one of the known words
// for "profile" is shown with text 61 of the current language in its place.
std::string ProfileDisplayName(std::string_view stored, std::string_view text_profile);
// The profile dialog's list: the same rule with only the English and Chinese words.
std::string ProfileDialogName(std::string_view stored, std::string_view text_profile);

}  // namespace tavrick
