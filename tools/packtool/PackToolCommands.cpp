#include "tools/packtool/PackToolCommands.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>

#include "game/core/pack/ContainerCodec.h"
#include "tools/packtool/PackWriter.h"

namespace tools {

namespace fs = std::filesystem;

namespace {

const char* kUsage =
    "usage: packtool create OUT --root DIR [--compress] FILE...\n"
    "         (a FILE that is a folder adds every file inside it, its subfolders too)\n"
    "       packtool list PACK\n"
    "       packtool extract PACK DIR\n"
    "       packtool verify PACK\n";

bool ReadWholeFile(const fs::path& path, std::vector<uint8_t>* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    // The stream buffer throws on a read error (a file that vanished or turned into a folder).
    try {
        bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::ios_base::failure&) {
        return false;
    }
    return !in.bad();
}

bool OpenPack(const std::string& path, kes::PackFile* pack, std::vector<kes::PackDirectoryEntry>* entries,
              std::ostream& err) {
    if (pack->Open(path.c_str(), "rb", 0, 0, -1) != kes::kOk) {
        err << "packtool: cannot open " << path << "\n";
        return false;
    }
    std::string error;
    if (!kes::ReadPackDirectory(*pack, kes::kDataPackNameCapacity, entries, &error)) {
        err << "packtool: damaged directory in " << path << ": " << error << "\n";
        return false;
    }
    return true;
}

int Create(const std::vector<std::string>& args, std::ostream& err) {
    std::string out;
    std::string root;
    bool compress = false;
    std::vector<std::string> files;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--root" && i + 1 < args.size()) {
            root = args[++i];
        } else if (args[i] == "--compress") {
            compress = true;
        } else if (out.empty()) {
            out = args[i];
        } else {
            files.push_back(args[i]);
        }
    }
    if (out.empty() || root.empty()) {
        err << kUsage;
        return 2;
    }
    // Folders are expanded to the regular files inside them, in name order so the same tree
    // always gives the same pack.
    std::vector<fs::path> paths;
    for (const std::string& file : files) {
        // A file is taken as given, or else relative to the root.
        fs::path path = file;
        std::error_code ec;
        if (!fs::exists(path, ec) && fs::exists(fs::path(root) / file, ec)) path = fs::path(root) / file;
        fs::file_status status = fs::status(path, ec);
        if (!fs::exists(status)) {
            err << "packtool: " << file << " does not exist\n";
            return 1;
        }
        if (fs::is_directory(status)) {
            std::vector<fs::path> inside;
            for (fs::recursive_directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) {
                // The pack being written may lie in the folder: an older copy of it is not packed.
                std::error_code same;
                if (it->is_regular_file(ec) && !fs::equivalent(it->path(), out, same)) inside.push_back(it->path());
            }
            if (ec) {
                err << "packtool: cannot read the folder " << file << "\n";
                return 1;
            }
            std::sort(inside.begin(), inside.end());
            paths.insert(paths.end(), inside.begin(), inside.end());
        } else if (fs::is_regular_file(status)) {
            paths.push_back(path);
        } else {
            err << "packtool: " << file << " is neither a file nor a folder\n";
            return 1;
        }
    }
    std::vector<PackInput> inputs;
    for (const fs::path& path : paths) {
        PackInput input;
        std::string error;
        if (!PackNameFor(root, path.string(), &input.name, &error)) {
            err << "packtool: " << error << "\n";
            return 1;
        }
        if (!ReadWholeFile(path, &input.data)) {
            err << "packtool: cannot read " << path.string() << "\n";
            return 1;
        }
        input.compress = compress;
        inputs.push_back(std::move(input));
    }
    std::string error;
    if (!WritePack(out, inputs, &error)) {
        err << "packtool: " << error << "\n";
        return 1;
    }
    return 0;
}

int List(const std::string& path, std::ostream& out, std::ostream& err) {
    kes::PackFile pack;
    std::vector<kes::PackDirectoryEntry> entries;
    if (!OpenPack(path, &pack, &entries, err)) return 1;
    for (const kes::PackDirectoryEntry& entry : entries) {
        out << entry.name << " " << entry.size << " " << entry.packedSize << "\n";
    }
    return 0;
}

int Extract(const std::string& path, const std::string& dir, std::ostream& err) {
    kes::PackFile pack;
    std::vector<kes::PackDirectoryEntry> entries;
    if (!OpenPack(path, &pack, &entries, err)) return 1;
    // Every name is checked before anything is written.
    std::vector<std::string> targets;
    for (const kes::PackDirectoryEntry& entry : entries) {
        std::string target;
        if (!ExtractPathFor(dir, entry.name, &target)) {
            err << "packtool: refusing to extract " << entry.name << ": it would leave " << dir << "\n";
            return 1;
        }
        targets.push_back(target);
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        std::vector<uint8_t> bytes;
        std::string error;
        if (!ReadPackEntry(pack, entries[i], &bytes, &error)) {
            err << "packtool: " << entries[i].name << ": " << error << "\n";
            return 1;
        }
        std::error_code ec;
        fs::create_directories(fs::path(targets[i]).parent_path(), ec);
        if (ec || !WriteFileAtomically(targets[i], bytes, &error)) {
            err << "packtool: cannot write " << targets[i] << "\n";
            return 1;
        }
    }
    return 0;
}

int Verify(const std::string& path, std::ostream& out, std::ostream& err) {
    kes::PackFile pack;
    std::vector<kes::PackDirectoryEntry> entries;
    if (!OpenPack(path, &pack, &entries, err)) return 1;
    int damaged = 0;
    for (const kes::PackDirectoryEntry& entry : entries) {
        std::vector<uint8_t> bytes;
        std::string error;
        if (!ReadPackEntry(pack, entry, &bytes, &error)) {
            err << "packtool: damaged entry " << entry.name << ": " << error << "\n";
            ++damaged;
        }
    }
    if (damaged) return 1;
    out << path << ": " << entries.size() << " entries ok\n";
    return 0;
}

}  // namespace

bool PackNameFor(const std::string& root, const std::string& file, std::string* name, std::string* error) {
    std::error_code ec;
    fs::path base = fs::weakly_canonical(root, ec);
    fs::path full = ec ? fs::path() : fs::weakly_canonical(file, ec);
    if (ec) {
        *error = "cannot resolve " + file;
        return false;
    }
    fs::path rel = full.lexically_relative(base);
    std::string text = rel.generic_string();
    if (rel.empty() || text == "." || text.rfind("..", 0) == 0) {
        *error = file + " is not inside " + root;
        return false;
    }
    for (char& c : text) {
        if (c == '/') c = '\\';
    }
    *name = text;
    return true;
}

bool ExtractPathFor(const std::string& dir, const std::string& name, std::string* path) {
    if (name.empty() || name[0] == '\\' || name[0] == '/' || name.find(':') != std::string::npos) {
        return false;
    }
    fs::path result = dir;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("\\/", start);
        if (end == std::string::npos) end = name.size();
        std::string part = name.substr(start, end - start);
        if (part.empty() || part == "." || part == "..") return false;
        result /= part;
        start = end + 1;
    }
    *path = result.string();
    return true;
}

bool ReadPackEntry(kes::PackFile& pack, const kes::PackDirectoryEntry& entry, std::vector<uint8_t>* bytes,
                   std::string* error) {
    std::vector<uint8_t> stored(entry.StoredSize());
    if (pack.Seek(static_cast<int32_t>(entry.offset), 0) != kes::kOk ||
        pack.Read(stored.data(), static_cast<uint32_t>(stored.size())) != kes::kOk) {
        *error = "its data cannot be read";
        return false;
    }
    if (entry.packedSize == 0) {
        *bytes = std::move(stored);
        return true;
    }
    uint32_t size = 0;
    uint8_t* unpacked = kes::UnpackImage(stored.data(), stored.size(), &size);
    if (!unpacked || size != entry.size) {
        std::free(unpacked);
        *error = "its packed data is damaged";
        return false;
    }
    bytes->assign(unpacked, unpacked + size);
    std::free(unpacked);
    return true;
}

int RunPackTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << kUsage;
        return 2;
    }
    const std::string& command = args[0];
    if (command == "create") return Create(args, err);
    if (command == "list" && args.size() == 2) return List(args[1], out, err);
    if (command == "extract" && args.size() == 3) return Extract(args[1], args[2], err);
    if (command == "verify" && args.size() == 2) return Verify(args[1], out, err);
    err << kUsage;
    return 2;
}

}  // namespace tools
