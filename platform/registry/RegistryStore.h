#pragma once
// The registry as one small file shared by the game, the editor and the online library. Keys are paths
// such as "HKEY_LOCAL_MACHINE\\Software\\Halvex\\Gravelon", compared without regard to ASCII case;
// values have a name (also compared without case), a type and bytes that are kept byte-exact.
//
// Where the store lives: the file GRAVELON_REGISTRY names, else $XDG_CONFIG_HOME/halvex/registry, else
// ~/.config/halvex/registry.
//
// The store is read again before every operation (the game and the editor may run at the same time)
// and every change is a read-modify-write under an exclusive lock on "<store>.lock". A write goes to a
// temporary file that is flushed, synced and renamed over the store, so the previous good store
// survives a failed write, and the failure is returned.
//
// File format (text, one record a line, '\n' ends each line):
//     GRAVELON-REGISTRY 1
//     K <key path>
//     V <type> =<value name> <data as hex, or - when empty>
//     END
// Every V line belongs to the K line above it. Key paths and value names are escaped: bytes outside
// '!'..'~' and '%' itself are written as %XX. The END line shows that the file was written whole.
//
// A damaged store (wrong header, a bad line, a missing END) is reported on standard error and read as
// empty. It is never overwritten silently: the next change first moves it aside to "<store>.damaged"
// (reported), then writes a fresh store.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// Value types (the numbers of the registry the game was written for).
constexpr uint32_t REG_NONE = 0;
constexpr uint32_t REG_SZ = 1;
constexpr uint32_t REG_BINARY = 3;
constexpr uint32_t REG_DWORD = 4;

// Root key names.
inline constexpr std::string_view kHKeyLocalMachine = "HKEY_LOCAL_MACHINE";
inline constexpr std::string_view kHKeyCurrentUser = "HKEY_CURRENT_USER";

// "root\\subkey" for a root name and a sub-key path.
std::string RegKeyPath(std::string_view root, std::string_view subKey);

enum class RegStatus {
    Ok,
    NotFound,     // no such key or value
    BadArgument,  // empty key path
    IoError,      // the store could not be read or written; nothing was changed
};

struct RegValue {
    std::string name;
    uint32_t type = REG_NONE;
    std::vector<uint8_t> data;
};

struct RegKey {
    std::string path;  // as first written
    std::vector<RegValue> values;
};

// The whole store in memory.
struct RegistryData {
    std::vector<RegKey> keys;

    RegKey* FindKey(std::string_view path);
    RegKey& FindOrAddKey(std::string_view path);
};

// Parses the text of a store file. False (with a reason) when the text is not a whole, well-formed
// store; data is then empty.
bool ParseRegistryText(std::string_view text, RegistryData& data, std::string& error);
std::string FormatRegistryText(const RegistryData& data);

class RegistryStore {
public:
    explicit RegistryStore(std::string file);
    // The store of this process (see the top of this file for where it lives).
    static RegistryStore Default();
    static std::string DefaultFile();

    const std::string& File() const { return file_; }
    // What went wrong in the last operation that did not return Ok (empty otherwise).
    const std::string& LastError() const { return lastError_; }

    // Opens the key, creating it (and the store) when missing.
    RegStatus CreateKey(std::string_view keyPath);
    // Ok when the key exists.
    RegStatus OpenKey(std::string_view keyPath);
    RegStatus QueryValue(std::string_view keyPath, std::string_view name, RegValue& out);
    // Creates the key when missing; replaces a value of the same name.
    RegStatus SetValue(std::string_view keyPath, std::string_view name, uint32_t type,
                       std::span<const uint8_t> data);
    RegStatus DeleteValue(std::string_view keyPath, std::string_view name);
    // The names of the key's immediate sub-keys (from every key below it), in the order first written.
    RegStatus ListSubKeys(std::string_view keyPath, std::vector<std::string>& names);
    // The key's values, in the order written; NotFound when the key does not exist.
    RegStatus ListValues(std::string_view keyPath, std::vector<RegValue>& values);
    // Deletes a key and its values; a key that still has sub-keys is refused (BadArgument), as the
    // registry the game was written for does.
    RegStatus DeleteKey(std::string_view keyPath);

private:
    enum class LoadResult { Ok, Missing, Damaged, IoError };
    LoadResult Load(RegistryData& data);
    bool Save(const RegistryData& data);
    template <class Change>
    RegStatus Modify(Change change);

    std::string file_;
    std::string lastError_;
};

}  // namespace plat
