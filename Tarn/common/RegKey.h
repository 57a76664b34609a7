#pragma once
// A thin wrapper over one open key of the registry store that the game, the editor and the online
// library share: open or create a key, read binary values, enumerate sub-keys and values, delete
// sub-keys. Nothing throws: a failure shows as false or as a result code.
#include <cstdint>
#include <string>
#include <vector>

namespace TarnCommon {

// The registry path of the online library's machine-wide settings.
inline constexpr const char* kRegSoftware = "SOFTWARE";
inline constexpr const char* kRegSeparator = "\\";
inline constexpr const char* kRegTarn = "Tarn";
inline constexpr const char* kRegMesko = "Mesko";
inline constexpr const char* kRegAuthVerifierKey = "AuthVerifierKey";
// "SOFTWARE\Tarn" and "SOFTWARE\Tarn\Mesko".
std::string RegServiceKey();
std::string RegPlatformKey();

// Roots a key can be opened below.
inline constexpr const char* kHKeyLocalMachine = "HKEY_LOCAL_MACHINE";
inline constexpr const char* kHKeyCurrentUser = "HKEY_CURRENT_USER";

class RegKey {
public:
    enum ValueType : uint32_t { kDword = 0, kText = 1, kBinary = 2, kOther = 3 };
    enum Result : int { kOk = 0, kNotOpen = 1, kWrongType = 2, kNoMore = 3, kEmpty = 4 };

    // Opens (or, with create, creates) the key path below root when the path is not empty. The store
    // keeps no volatile keys: nonVolatile is accepted for the callers' sake and every key lasts.
    // storeFile names the store (empty: the process's usual store).
    explicit RegKey(const std::string& path = "", const std::string& root = kHKeyLocalMachine, bool create = false,
                    bool nonVolatile = true, const std::string& storeFile = "");
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    virtual ~RegKey();

    virtual bool IsOpen() const { return open_; }
    virtual bool OpenNewKey(const std::string& path, const std::string& root, bool create = false,
                            bool nonVolatile = true);
    // Replaces this key by its sub-key name; no change when the name is empty or this key is closed.
    virtual bool OpenSubKey(const std::string& name, bool create = false, bool nonVolatile = true);
    virtual bool GetSubKey(const std::string& name, RegKey& result, bool create = false, bool nonVolatile = true);
    // Starts the enumeration again; true when there was no sub-key at all (the next call reported 3).
    virtual bool GetFirstSubKey(RegKey& result);
    // 0 with result opened on the next sub-key; 3 when there are no more or it fails to open.
    virtual int GetNextSubKey(RegKey& result);
    virtual bool GetFirstValue(std::string& name, ValueType& type);
    virtual int GetNextValue(std::string& name, ValueType& type);
    // Closes the given key and deletes the sub-key of this key named by its stored path.
    virtual bool DeleteSubKey(RegKey& subKey);
    virtual bool DeleteSubKey(const std::string& name);

    void Close() { open_ = false; }
    // 0 with a copy of the value's bytes; 1 closed or missing; 2 not binary; 4 empty.
    int GetBinaryValue(const std::string& name, std::vector<uint8_t>& bytes);
    const std::string& GetPath() const { return path_; }
    // The whole path of the open key in the store, root first.
    const std::string& GetFullPath() const { return fullPath_; }

private:
    std::string storeFile_;
    std::string fullPath_;  // stands for the handle
    bool open_ = false;
    std::string path_;
    uint32_t subKeyIndex_ = 0;
    uint32_t valueIndex_ = 0;
};

}  // namespace TarnCommon
