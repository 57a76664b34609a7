#include "tools/contentgen/ContentGen.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>

#include "platform/bytes/AsciiCase.h"
#include "tools/contentgen/AssetFamilies.h"
#include "tools/contentgen/demos/ShippedDemos.h"
#include "tools/contentgen/worldfx/WorldFxPictures.h"
#include "tools/contentgen/worldfx/WorldFxSounds.h"

namespace tools {

namespace fs = std::filesystem;

bool PackContent::Add(const std::string& name, std::vector<uint8_t> data, std::string* error, bool compress) {
    if (name.empty()) {
        *error = "an asset without a name";
        return false;
    }
    std::string folded = name;
    for (char& c : folded) c = plat::AsciiLower(c);
    if (!foldedNames_.insert(folded).second) {
        *error = "asset \"" + name + "\" is made twice";
        return false;
    }
    entries_.push_back(PackInput{name, std::move(data), compress});
    return true;
}

bool PackContent::AddStored(const std::string& name, std::vector<uint8_t> data, std::string* error) {
    return Add(name, std::move(data), error, false);
}

const std::vector<PackRecipe>& ContentPacks() {
    static const std::vector<PackRecipe> packs = {
        {"Kestrun.dat",
         {
             {"language files", AddLanguageFiles},
             {"front end", AddFrontEnd},
             {"race screens", AddRaceScreens},
             {"heads-up display", AddHudArt},
             {"sounds", AddSounds},
             {"bikes", AddBikes},
             {"rider", AddRider},
             {"world effect pictures", AddWorldEffectPictures},
             {"race sounds", AddRaceSounds},
         }},
        {"kestrun/Movies.dat",
         {
             {"movies", AddMovies},
         }},
        {"Tracks.dat",
         {
             {"worlds", AddWorlds},
         }},
    };
    return packs;
}

bool BuildContentPack(const PackRecipe& recipe, std::vector<uint8_t>* bytes, std::string* error) {
    PackContent content;
    for (const FamilyRecipe& family : recipe.families) {
        std::string why;
        if (!family.add(content, &why)) {
            *error = std::string(recipe.fileName) + ", " + family.name + ": " + why;
            return false;
        }
    }
    std::string why;
    if (!BuildPack(content.Entries(), bytes, &why)) {
        *error = std::string(recipe.fileName) + ": " + why;
        return false;
    }
    return true;
}

namespace {

// True when the pack's folder name is taken by something that is not a folder (in a game folder the
// program "Kestrun" itself takes the movie pack's folder name): the pack cannot be placed there.
bool FolderTaken(const fs::path& packPath) {
    std::error_code ec;
    const fs::path folder = packPath.parent_path();
    return fs::exists(folder, ec) && !fs::is_directory(folder, ec);
}

// True when every pack that can be placed exists and is newer than the generator program.
bool PacksUpToDate(const fs::path& outDir, const std::string& generatorPath, const std::vector<PackRecipe>& packs) {
    if (generatorPath.empty()) return false;
    std::error_code ec;
    fs::file_time_type generatorTime = fs::last_write_time(generatorPath, ec);
    if (ec) return false;
    for (const PackRecipe& recipe : packs) {
        if (FolderTaken(outDir / recipe.fileName)) continue;
        fs::file_time_type packTime = fs::last_write_time(outDir / recipe.fileName, ec);
        if (ec || packTime <= generatorTime) return false;
    }
    return true;
}

bool SameFileBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec) || fs::file_size(path, ec) != bytes.size() || ec) return false;
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> old((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return !in.bad() && old == bytes;
}

}  // namespace

bool GenerateContent(const std::string& outDir, const GenerateOptions& options, std::ostream& log,
                     std::string* error) {
    std::error_code ec;
    fs::create_directories(outDir, ec);
    if (ec || !fs::is_directory(outDir, ec)) {
        *error = "cannot make the folder " + outDir;
        return false;
    }
    const std::vector<PackRecipe>& packs = options.packs ? *options.packs : ContentPacks();
    if (!options.force && PacksUpToDate(outDir, options.generatorPath, packs)) {
        log << "contentgen: packs in " << outDir << " are up to date\n";
        for (const PackRecipe& recipe : packs)
            if (FolderTaken(fs::path(outDir) / recipe.fileName))
                log << "contentgen: " << recipe.fileName << " cannot be placed in " << outDir << ": its folder name is taken by a file\n";
        if (!options.packs && !ShippedDemosPresent(outDir)) return MakeShippedDemos(outDir, log, error);
        return true;
    }
    // A pack that cannot be put in place (its folder's name taken by a file, a full disk) does not
    // keep the others from being written; the failure is still reported at the end.
    std::string placeErrors;
    for (const PackRecipe& recipe : packs) {
        std::vector<uint8_t> bytes;
        if (!BuildContentPack(recipe, &bytes, error)) return false;
        fs::path path = fs::path(outDir) / recipe.fileName;
        fs::create_directories(path.parent_path(), ec);
        if (SameFileBytes(path, bytes)) {
            // Unchanged: only mark it as made by this generator.
            fs::last_write_time(path, fs::file_time_type::clock::now(), ec);
            log << "contentgen: " << path.string() << " unchanged\n";
            continue;
        }
        std::string why;
        if (!WriteFileAtomically(path.string(), bytes, &why)) {
            placeErrors += (placeErrors.empty() ? "" : "; ") + why;
            continue;
        }
        log << "contentgen: wrote " << path.string() << " (" << bytes.size() << " bytes)\n";
    }
    for (auto& [name, bytes] : MusicTracks()) {
        fs::path path = fs::path(outDir) / name;
        fs::create_directories(path.parent_path(), ec);
        if (SameFileBytes(path, bytes)) continue;
        if (!WriteFileAtomically(path.string(), bytes, error)) return false;
        log << "contentgen: wrote " << path.string() << " (" << bytes.size() << " bytes)\n";
    }
    if (!placeErrors.empty()) {
        *error = placeErrors;
        return false;
    }
    // The demos are races on the worlds of the track pack just written.
    if (!options.packs) return MakeShippedDemos(outDir, log, error);
    return true;
}

int RunContentGen(const std::vector<std::string>& args, const std::string& generatorPath, std::ostream& out,
                  std::ostream& err) {
    GenerateOptions options;
    options.generatorPath = generatorPath;
    std::string outDir;
    for (const std::string& arg : args) {
        if (arg == "--force") {
            options.force = true;
        } else if (!arg.empty() && arg[0] != '-' && outDir.empty()) {
            outDir = arg;
        } else {
            outDir.clear();
            break;
        }
    }
    if (outDir.empty()) {
        err << "usage: contentgen OUTDIR [--force]\n"
               "  writes the default data pack and track pack into OUTDIR\n";
        return 2;
    }
    std::string error;
    if (!GenerateContent(outDir, options, out, &error)) {
        err << "contentgen: " << error << "\n";
        return 1;
    }
    return 0;
}

}  // namespace tools
