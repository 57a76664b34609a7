#include "Tarn/common/RegKey.h"

#include "platform/registry/RegistryStore.h"

namespace TarnCommon {

std::string RegServiceKey() { return std::string(kRegSoftware) + kRegSeparator + kRegTarn; }
std::string RegPlatformKey() { return RegServiceKey() + kRegSeparator + kRegMesko; }

RegKey::RegKey(const std::string& path, const std::string& root, bool create, bool nonVolatile,
               const std::string& storeFile)
    : storeFile_(storeFile.empty() ? plat::RegistryStore::DefaultFile() : storeFile) {
    OpenNewKey(path, root, create, nonVolatile);
}

RegKey::~RegKey() = default;

bool RegKey::OpenNewKey(const std::string& path, const std::string& root, bool create, bool nonVolatile) {
    (void)nonVolatile;
    Close();
    if (path.empty()) return false;
    plat::RegistryStore store(storeFile_);
    const std::string full = plat::RegKeyPath(root, path);
    const plat::RegStatus status = create ? store.CreateKey(full) : store.OpenKey(full);
    if (status != plat::RegStatus::Ok) return false;
    fullPath_ = full;
    path_ = path;
    open_ = true;
    subKeyIndex_ = 0;
    valueIndex_ = 0;
    return true;
}

bool RegKey::OpenSubKey(const std::string& name, bool create, bool nonVolatile) {
    if (name.empty() || !open_) return false;
    const std::string parent = fullPath_;
    if (!OpenNewKey(name, parent, create, nonVolatile)) {
        // A failed open leaves this key as it was.
        fullPath_ = parent;
        open_ = true;
        return false;
    }
    return true;
}

bool RegKey::GetSubKey(const std::string& name, RegKey& result, bool create, bool nonVolatile) {
    if (name.empty() || !open_) return false;
    result.storeFile_ = storeFile_;
    return result.OpenNewKey(name, fullPath_, create, nonVolatile);
}

bool RegKey::GetFirstSubKey(RegKey& result) {
    subKeyIndex_ = 0;
    return GetNextSubKey(result) == kNoMore;
}

int RegKey::GetNextSubKey(RegKey& result) {
    if (!open_) return kNoMore;
    std::vector<std::string> names;
    if (plat::RegistryStore(storeFile_).ListSubKeys(fullPath_, names) != plat::RegStatus::Ok ||
        subKeyIndex_ >= names.size())
        return kNoMore;
    const std::string name = names[subKeyIndex_++];
    result.storeFile_ = storeFile_;
    return result.OpenNewKey(name, fullPath_, false, true) ? kOk : kNoMore;
}

bool RegKey::GetFirstValue(std::string& name, ValueType& type) {
    valueIndex_ = 0;
    return GetNextValue(name, type) == kNoMore;
}

int RegKey::GetNextValue(std::string& name, ValueType& type) {
    if (!open_) return kNoMore;
    std::vector<plat::RegValue> values;
    if (plat::RegistryStore(storeFile_).ListValues(fullPath_, values) != plat::RegStatus::Ok ||
        valueIndex_ >= values.size())
        return kNoMore;
    const plat::RegValue& value = values[valueIndex_++];
    switch (value.type) {
        case plat::REG_DWORD: type = kDword; break;
        case plat::REG_SZ: type = kText; break;
        case plat::REG_BINARY: type = kBinary; break;
        default: type = kOther; break;
    }
    name = value.name;
    return kOk;
}

bool RegKey::DeleteSubKey(RegKey& subKey) {
    if (!open_) return false;
    subKey.Close();
    return DeleteSubKey(subKey.path_);
}

bool RegKey::DeleteSubKey(const std::string& name) {
    if (name.empty() || !open_) return false;
    return plat::RegistryStore(storeFile_).DeleteKey(plat::RegKeyPath(fullPath_, name)) == plat::RegStatus::Ok;
}

int RegKey::GetBinaryValue(const std::string& name, std::vector<uint8_t>& bytes) {
    bytes.clear();
    if (!open_) return kNotOpen;
    plat::RegValue value;
    if (plat::RegistryStore(storeFile_).QueryValue(fullPath_, name, value) != plat::RegStatus::Ok) return kNotOpen;
    if (value.type != plat::REG_BINARY) return kWrongType;
    if (value.data.empty()) return kEmpty;
    bytes = std::move(value.data);
    return kOk;
}

}  // namespace TarnCommon
