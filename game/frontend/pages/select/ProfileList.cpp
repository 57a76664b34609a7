#include "game/frontend/pages/select/ProfileList.h"

#include <cstdio>
#include <cstring>

#include "game/core/text/TextTable.h"
#include "platform/fs/Paths.h"
#include "platform/sys/Fpu.h"

namespace kes {

namespace {

constexpr int kStatsHeaderText = 177, kTotalsText = 183;

// Statistics rows: the label's text line and the first of its three statistics.
struct StatsRow {
    int text;
    uint32_t firstStat;
};
constexpr StatsRow kRows[] = {{178, 0}, {179, 3}, {180, 6}, {182, 12}};

const char* Text(int line) {
    const char* t = GetText(line);
    return t ? t : "";
}

int Whole(float value) { return plat::FloatToInt(value); }

}  // namespace

bool ProfilesFolderUsable() { return !ProfilesPath().empty() && plat::IsFolder(ProfilesPath()); }

std::vector<ListedProfile> ListProfiles(const Profile& current, bool folderUsable, int32_t* selected) {
    std::vector<ListedProfile> out;
    if (!folderUsable) {
        out.push_back({current, {}});
        *selected = 0;
        return out;
    }
    for (const plat::FolderEntry& entry : plat::ListFolder(ProfilesPath(), "*.prf")) {
        if (entry.isFolder) continue;
        ListedProfile listed{Profile(), entry.name};
        if (listed.profile.Load(entry.name) != 0) continue;
        if (std::strcmp(listed.profile.GetName(), current.GetName()) == 0) *selected = static_cast<int32_t>(out.size());
        out.push_back(std::move(listed));
    }
    return out;
}

void DeleteListedProfile(const ListedProfile& listed) {
    // By the file it was listed from: a file whose stored name gives another file name (renamed by
    // hand, or two names sharing one file) would otherwise never go away.
    Profile::Delete(listed.fileName.empty() ? std::string(listed.profile.GetName()) : listed.fileName);
}

std::string ProfileStatsText(const Profile& p) {
    std::string block = std::string("@") + Text(kStatsHeaderText) + "@@";
    char line[128];
    for (const StatsRow& row : kRows) {
        std::snprintf(line, sizeof line, "%7s%5d   %5d   %6.1f@@", Text(row.text), Whole(p.GetStat(row.firstStat)),
                      Whole(p.GetStat(row.firstStat + 1)), static_cast<double>(p.GetStat(row.firstStat + 2)));
        block += line;
    }
    std::snprintf(line, sizeof line, "%7s%5d  %6d  %7.1f@@", Text(kTotalsText), Whole(p.GetStat(kStatColumnTotals)),
                  Whole(p.GetStat(kStatColumnTotals + 1)), static_cast<double>(p.GetStat(kStatColumnTotals + 2)));
    return block + line;
}

}  // namespace kes
