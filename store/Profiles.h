#pragma once
// The four profiles of a model's database.
#include <string_view>

namespace tavrick {

class SettingsDatabase;
struct MouseInfo;

constexpr int kProfileCount = 4;

// Run after the model's database was opened, and on a factory reset. A database without
// profiles gets four, named "<text 61> 1" ... "<text 61> 4", each created with the default
// settings overlaid with the model's defaults (when given) in one transaction, and the
// first one is activated. Creation stops at the first profile that cannot be stored. When
// no profile is marked active, the first one is. Gives the current (active) profile id,
// 0 when there is none (closed or broken database).
int InitProfiles(SettingsDatabase& db, std::string_view text_profile, const MouseInfo* defaults);

}  // namespace tavrick
