#include "store/Profiles.h"

#include <string>
#include <vector>

#include "store/SettingsDatabase.h"

namespace tavrick {

int InitProfiles(SettingsDatabase& db, std::string_view text_profile, const MouseInfo* defaults) {
  auto hold = db.Hold();
  std::vector<ProfileRecord> profiles;
  if (db.ListProfiles(profiles) == 0) {
    int first = 0;
    for (int n = 1; n <= kProfileCount; ++n) {
      ProfileRecord record;
      record.name = std::string(text_profile) + " " + std::to_string(n);
      // The ids are whatever the table hands out, not necessarily 1 to 4.
      const int id = db.AddProfile(record, defaults);
      if (id == 0) break;
      if (first == 0) first = id;
    }
    if (first != 0) db.ActivateProfile(first);
    db.ListProfiles(profiles);
  }
  int current = db.GetActiveProfile();
  if (current < 1 && !profiles.empty()) {
    db.ActivateProfile(profiles.front().profile);
    current = db.GetActiveProfile();
  }
  return current;
}

}  // namespace tavrick
