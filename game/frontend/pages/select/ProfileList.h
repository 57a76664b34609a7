#pragma once
// The profiles the profile page offers, and the statistics block it shows for one.
#include <cstdint>
#include <string>
#include <vector>

#include "game/frontend/profile/Profile.h"

namespace kes {

struct ListedProfile {
    Profile profile;
    std::string fileName;  // the ".prf" file it was read from, which a delete removes
};

// True when the profiles folder exists, so that profiles can be listed and written.
bool ProfilesFolderUsable();

// Every ".prf" file of the profiles folder (any case) that loads, in name order; *selected becomes
// the index of the one named like the current profile (case-sensitively) and is otherwise left as
// it was. Without a usable folder the list holds a copy of the current profile, selected.
std::vector<ListedProfile> ListProfiles(const Profile& current, bool folderUsable, int32_t* selected);

// Removes a listed profile's file and its backup.
void DeleteListedProfile(const ListedProfile& listed);

// The statistics block in menu text ("@" ends a line): a header, then wins, top places and points
// for each kind of race and the championship, and the totals.
std::string ProfileStatsText(const Profile& profile);

}  // namespace kes
