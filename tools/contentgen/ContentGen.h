#pragma once
// The default content generator: builds the game's packs ("Kestrun.dat", "Tracks.dat") and the shipped
// demos from code.
// Each pack is a list of asset families; a family is one function that adds named entries, so a new
// kind of asset is one more function in the pack's list (ContentGen.cpp).
#include <cstdint>
#include <iosfwd>
#include <set>
#include <string>
#include <vector>

#include "tools/packtool/PackWriter.h"

namespace tools {

// The entries of one pack under construction, in the order the families add them.
class PackContent {
public:
    // Adds an entry, stored compressed when the container is smaller. False (with *error) on an empty
    // name or a name already added (names are compared without regard to ASCII case, as the game
    // looks them up). Pictures may be stored as they are: packing megabytes of pixels takes the
    // optimal parser far longer than the space saved is worth.
    bool Add(const std::string& name, std::vector<uint8_t> data, std::string* error, bool compress = true);
    // The same, always stored as it is (movies are read in place).
    bool AddStored(const std::string& name, std::vector<uint8_t> data, std::string* error);

    const std::vector<PackInput>& Entries() const { return entries_; }

private:
    std::vector<PackInput> entries_;
    std::set<std::string> foldedNames_;
};

// Adds one family of assets. False (with *error) when the family cannot build its entries.
using AssetFamily = bool (*)(PackContent& pack, std::string* error);

struct FamilyRecipe {
    const char* name;  // for messages
    AssetFamily add;
};

struct PackRecipe {
    const char* fileName;  // in the output folder (may name a subfolder)
    std::vector<FamilyRecipe> families;
};

// Every pack the generator writes, each with its families in order.
const std::vector<PackRecipe>& ContentPacks();

// Runs the recipe's families and lays out the pack's bytes.
bool BuildContentPack(const PackRecipe& recipe, std::vector<uint8_t>* bytes, std::string* error);

struct GenerateOptions {
    // When set and every pack in the output folder is newer than this file (the generator program),
    // nothing is rebuilt. Empty: always rebuild.
    std::string generatorPath;
    bool force = false;  // rebuild even when the packs are up to date
    // The packs to make; null: the whole default content (ContentPacks()). Tests of how packs are kept
    // and placed give small ones under the same names.
    const std::vector<PackRecipe>* packs = nullptr;
};

// Builds every pack into outDir (created when missing). A pack whose bytes are unchanged is not
// rewritten, only touched; a changed pack replaces the old one atomically. Progress goes to log.
bool GenerateContent(const std::string& outDir, const GenerateOptions& options, std::ostream& log,
                     std::string* error);

// The program's command line (arguments without the program name): OUTDIR [--force].
// generatorPath as in GenerateOptions. Returns 0 success, 1 failure (said on err), 2 bad usage.
int RunContentGen(const std::vector<std::string>& args, const std::string& generatorPath, std::ostream& out,
                  std::ostream& err);

}  // namespace tools
