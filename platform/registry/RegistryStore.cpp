#include "platform/registry/RegistryStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/bytes/AsciiCase.h"
#include "platform/sys/Env.h"

namespace plat {
namespace {

constexpr std::string_view kHeader = "GRAVELON-REGISTRY 1";
constexpr std::string_view kEnd = "END";
// A store is a handful of settings; anything far larger is not one of ours.
constexpr size_t kMaxStoreBytes = 64u << 20;

// Key paths compare by their components: "A\\\\B\\" equals "a\\b". Tidy keeps the letters' case
// and only drops empty components; canonical also folds the case.
std::string JoinKeyComponents(std::string_view path, bool foldCase) {
    std::string out;
    size_t pos = 0;
    while (pos <= path.size()) {
        size_t end = path.find('\\', pos);
        if (end == std::string_view::npos) end = path.size();
        std::string_view part = path.substr(pos, end - pos);
        if (!part.empty()) {
            if (!out.empty()) out += '\\';
            for (char c : part) out += foldCase ? AsciiLower(c) : c;
        }
        pos = end + 1;
    }
    return out;
}

std::string CanonicalKey(std::string_view path) { return JoinKeyComponents(path, true); }
std::string TidyKey(std::string_view path) { return JoinKeyComponents(path, false); }

const char kHex[] = "0123456789abcdef";

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string Escape(std::string_view text) {
    std::string out;
    for (char ch : text) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c < '!' || c > '~' || c == '%') {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

bool Unescape(std::string_view text, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '%') {
            if (i + 2 >= text.size()) return false;
            int hi = HexDigit(text[i + 1]), lo = HexDigit(text[i + 2]);
            if (hi < 0 || lo < 0) return false;
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else if (c < '!' || c > '~') {
            return false;
        } else {
            out += text[i];
        }
    }
    return true;
}

bool ParseHex(std::string_view text, std::vector<uint8_t>& out) {
    out.clear();
    if (text == "-") return true;
    if (text.empty() || text.size() % 2 != 0) return false;
    out.reserve(text.size() / 2);
    for (size_t i = 0; i < text.size(); i += 2) {
        int hi = HexDigit(text[i]), lo = HexDigit(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    return true;
}

bool ParseType(std::string_view text, uint32_t& type) {
    if (text.empty() || text.size() > 10) return false;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > 0xFFFFFFFFu) return false;
    type = static_cast<uint32_t>(v);
    return true;
}

// Splits "a b c" on single spaces.
std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> out;
    size_t pos = 0;
    while (true) {
        size_t end = line.find(' ', pos);
        if (end == std::string_view::npos) {
            out.push_back(line.substr(pos));
            return out;
        }
        out.push_back(line.substr(pos, end - pos));
        pos = end + 1;
    }
}

RegValue* FindValue(RegKey& key, std::string_view name) {
    for (RegValue& v : key.values)
        if (EqualNoCase(v.name, name)) return &v;
    return nullptr;
}

// Holds an flock on "<store>.lock" for one operation; the lock file itself is left in place.
class StoreLock {
public:
    StoreLock(const std::string& store, bool exclusive) {
        std::string path = store + ".lock";
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ >= 0) {
            while (::flock(fd_, exclusive ? LOCK_EX : LOCK_SH) != 0 && errno == EINTR) {
            }
        }
    }
    ~StoreLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

private:
    int fd_ = -1;
};

bool MakeParentFolders(const std::string& file) {
    for (size_t slash = file.find('/', 1); slash != std::string::npos; slash = file.find('/', slash + 1)) {
        std::string level = file.substr(0, slash);
        if (::mkdir(level.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    return true;
}

}  // namespace

std::string RegKeyPath(std::string_view root, std::string_view subKey) {
    std::string out(root);
    if (!subKey.empty()) {
        out += '\\';
        out.append(subKey);
    }
    return TidyKey(out);
}

RegKey* RegistryData::FindKey(std::string_view path) {
    std::string want = CanonicalKey(path);
    for (RegKey& k : keys)
        if (CanonicalKey(k.path) == want) return &k;
    return nullptr;
}

RegKey& RegistryData::FindOrAddKey(std::string_view path) {
    if (RegKey* k = FindKey(path)) return *k;
    keys.push_back(RegKey{TidyKey(path), {}});
    return keys.back();
}

bool ParseRegistryText(std::string_view text, RegistryData& data, std::string& error) {
    data.keys.clear();
    auto fail = [&](size_t lineNo, const char* why) {
        data.keys.clear();
        error = "line " + std::to_string(lineNo) + ": " + why;
        return false;
    };
    size_t pos = 0, lineNo = 0;
    bool sawHeader = false, sawEnd = false;
    RegKey* current = nullptr;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) return fail(lineNo + 1, "last line is not ended");
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (sawEnd) return fail(lineNo, "text after END");
        if (!sawHeader) {
            if (line != kHeader) return fail(lineNo, "not a registry store");
            sawHeader = true;
            continue;
        }
        if (line == kEnd) {
            sawEnd = true;
            continue;
        }
        std::vector<std::string_view> f = Fields(line);
        if (f[0] == "K" && f.size() == 2) {
            std::string path;
            if (!Unescape(f[1], path) || CanonicalKey(path).empty()) return fail(lineNo, "bad key path");
            if (data.FindKey(path)) return fail(lineNo, "key written twice");
            current = &data.FindOrAddKey(path);
        } else if (f[0] == "V" && f.size() == 4) {
            if (!current) return fail(lineNo, "value outside a key");
            RegValue v;
            if (!ParseType(f[1], v.type)) return fail(lineNo, "bad value type");
            if (f[2].empty() || f[2][0] != '=' || !Unescape(f[2].substr(1), v.name))
                return fail(lineNo, "bad value name");
            if (!ParseHex(f[3], v.data)) return fail(lineNo, "bad value data");
            if (FindValue(*current, v.name)) return fail(lineNo, "value written twice");
            current->values.push_back(std::move(v));
        } else {
            return fail(lineNo, "unknown line");
        }
    }
    if (!sawHeader) return fail(1, "empty file");
    if (!sawEnd) return fail(lineNo, "END missing (file cut short)");
    error.clear();
    return true;
}

std::string FormatRegistryText(const RegistryData& data) {
    std::string out(kHeader);
    out += '\n';
    for (const RegKey& k : data.keys) {
        out += "K " + Escape(k.path) + '\n';
        for (const RegValue& v : k.values) {
            out += "V " + std::to_string(v.type) + " =" + Escape(v.name) + ' ';
            if (v.data.empty()) out += '-';
            for (uint8_t b : v.data) {
                out += kHex[b >> 4];
                out += kHex[b & 15];
            }
            out += '\n';
        }
    }
    out += kEnd;
    out += '\n';
    return out;
}

RegistryStore::RegistryStore(std::string file) : file_(std::move(file)) {}

std::string RegistryStore::DefaultFile() {
    if (Env().registryFile) return *Env().registryFile;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/halvex/registry";
    const char* home = std::getenv("HOME");
    if (home && *home) return std::string(home) + "/.config/halvex/registry";
    return "/tmp/halvex-registry";  // no home at all: somewhere writable rather than nowhere
}

RegistryStore RegistryStore::Default() { return RegistryStore(DefaultFile()); }

RegistryStore::LoadResult RegistryStore::Load(RegistryData& data) {
    data.keys.clear();
    FILE* f = std::fopen(file_.c_str(), "rb");
    if (!f) {
        if (errno == ENOENT) return LoadResult::Missing;
        lastError_ = "cannot read the registry store " + file_ + ": " + std::strerror(errno);
        return LoadResult::IoError;
    }
    std::string text;
    char buffer[65536];
    size_t n;
    bool tooBig = false;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        text.append(buffer, n);
        if (text.size() > kMaxStoreBytes) {
            tooBig = true;
            break;
        }
    }
    bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (readError) {
        lastError_ = "cannot read the registry store " + file_;
        return LoadResult::IoError;
    }
    std::string why = "too large";
    if (tooBig || !ParseRegistryText(text, data, why)) {
        lastError_ = "the registry store " + file_ + " is damaged (" + why + "); it is read as empty";
        std::fprintf(stderr, "%s\n", lastError_.c_str());
        return LoadResult::Damaged;
    }
    return LoadResult::Ok;
}

bool RegistryStore::Save(const RegistryData& data) {
    if (!MakeParentFolders(file_)) {
        lastError_ = "cannot create the folder of the registry store " + file_ + ": " + std::strerror(errno);
        return false;
    }
    std::string text = FormatRegistryText(data);
    std::string temp = file_ + ".tmp." + std::to_string(::getpid());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        lastError_ = "cannot write the registry store " + temp + ": " + std::strerror(errno);
        return false;
    }
    bool ok = true;
    size_t done = 0;
    while (ok && done < text.size()) {
        ssize_t w = ::write(fd, text.data() + done, text.size() - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) ok = false;
        else done += static_cast<size_t>(w);
    }
    if (ok && ::fsync(fd) != 0) ok = false;
    int savedErrno = errno;
    if (::close(fd) != 0) ok = false;
    if (ok && ::rename(temp.c_str(), file_.c_str()) != 0) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        lastError_ = "cannot write the registry store " + file_ + ": " + std::strerror(savedErrno);
        return false;
    }
    // Make the rename itself durable.
    size_t slash = file_.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : file_.substr(0, slash);
    int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

template <class Change>
RegStatus RegistryStore::Modify(Change change) {
    if (!MakeParentFolders(file_)) {
        lastError_ = "cannot create the folder of the registry store " + file_ + ": " + std::strerror(errno);
        return RegStatus::IoError;
    }
    StoreLock lock(file_, true);
    RegistryData data;
    LoadResult loaded = Load(data);
    if (loaded == LoadResult::IoError) return RegStatus::IoError;
    if (loaded == LoadResult::Damaged) {
        std::string aside = file_ + ".damaged";
        if (::rename(file_.c_str(), aside.c_str()) != 0) {
            lastError_ = "the registry store " + file_ + " is damaged and cannot be moved aside: " +
                         std::strerror(errno);
            return RegStatus::IoError;
        }
        std::fprintf(stderr, "the damaged registry store was kept as %s; a new one is written\n", aside.c_str());
    }
    RegStatus status = change(data);
    if (status != RegStatus::Ok) return status;
    if (!Save(data)) return RegStatus::IoError;
    lastError_.clear();
    return RegStatus::Ok;
}

RegStatus RegistryStore::CreateKey(std::string_view keyPath) {
    if (CanonicalKey(keyPath).empty()) return RegStatus::BadArgument;
    {
        // Most opens find the key already there: no write then.
        StoreLock lock(file_, false);
        RegistryData data;
        if (Load(data) == LoadResult::Ok && data.FindKey(keyPath)) {
            lastError_.clear();
            return RegStatus::Ok;
        }
    }
    return Modify([&](RegistryData& data) {
        data.FindOrAddKey(keyPath);
        return RegStatus::Ok;
    });
}

RegStatus RegistryStore::OpenKey(std::string_view keyPath) {
    if (CanonicalKey(keyPath).empty()) return RegStatus::BadArgument;
    StoreLock lock(file_, false);
    RegistryData data;
    if (Load(data) == LoadResult::IoError) return RegStatus::IoError;
    return data.FindKey(keyPath) ? RegStatus::Ok : RegStatus::NotFound;
}

RegStatus RegistryStore::QueryValue(std::string_view keyPath, std::string_view name, RegValue& out) {
    if (CanonicalKey(keyPath).empty()) return RegStatus::BadArgument;
    StoreLock lock(file_, false);
    RegistryData data;
    if (Load(data) == LoadResult::IoError) return RegStatus::IoError;
    RegKey* key = data.FindKey(keyPath);
    RegValue* value = key ? FindValue(*key, name) : nullptr;
    if (!value) return RegStatus::NotFound;
    out = *value;
    return RegStatus::Ok;
}

RegStatus RegistryStore::SetValue(std::string_view keyPath, std::string_view name, uint32_t type,
                                  std::span<const uint8_t> bytes) {
    if (CanonicalKey(keyPath).empty()) return RegStatus::BadArgument;
    return Modify([&](RegistryData& data) {
        RegKey& key = data.FindOrAddKey(keyPath);
        RegValue* value = FindValue(key, name);
        if (!value) {
            key.values.push_back(RegValue{std::string(name), type, {}});
            value = &key.values.back();
        }
        value->type = type;
        value->data.assign(bytes.begin(), bytes.end());
        return RegStatus::Ok;
    });
}

RegStatus RegistryStore::DeleteValue(std::string_view keyPath, std::string_view name) {
    if (CanonicalKey(keyPath).empty()) return RegStatus::BadArgument;
    return Modify([&](RegistryData& data) {
        RegKey* key = data.FindKey(keyPath);
        if (!key) return RegStatus::NotFound;
        for (auto it = key->values.begin(); it != key->values.end(); ++it) {
            if (EqualNoCase(it->name, name)) {
                key->values.erase(it);
                return RegStatus::Ok;
            }
        }
        return RegStatus::NotFound;
    });
}

namespace {
// The name of the immediate sub-key of parent on the way to path, or "" when path is not below parent.
std::string ChildName(const std::string& parent, const std::string& tidyPath) {
    const std::string canonical = CanonicalKey(tidyPath);
    if (canonical.size() <= parent.size() + 1 || canonical.compare(0, parent.size(), parent) != 0 ||
        canonical[parent.size()] != '\\')
        return "";
    const size_t start = parent.size() + 1;
    const size_t end = tidyPath.find('\\', start);
    return tidyPath.substr(start, end == std::string::npos ? std::string::npos : end - start);
}
}  // namespace

RegStatus RegistryStore::ListSubKeys(std::string_view keyPath, std::vector<std::string>& names) {
    names.clear();
    const std::string parent = CanonicalKey(keyPath);
    if (parent.empty()) return RegStatus::BadArgument;
    StoreLock lock(file_, false);
    RegistryData data;
    if (Load(data) == LoadResult::IoError) return RegStatus::IoError;
    bool found = data.FindKey(keyPath) != nullptr;
    for (const RegKey& key : data.keys) {
        const std::string name = ChildName(parent, TidyKey(key.path));
        if (name.empty()) continue;
        found = true;
        bool seen = false;
        for (const std::string& n : names) seen = seen || EqualNoCase(n, name);
        if (!seen) names.push_back(name);
    }
    return found ? RegStatus::Ok : RegStatus::NotFound;
}

RegStatus RegistryStore::ListValues(std::string_view keyPath, std::vector<RegValue>& values) {
    values.clear();
    if (CanonicalKey(keyPath).empty()) return RegStatus::BadArgument;
    StoreLock lock(file_, false);
    RegistryData data;
    if (Load(data) == LoadResult::IoError) return RegStatus::IoError;
    const RegKey* key = data.FindKey(keyPath);
    if (!key) return RegStatus::NotFound;
    values = key->values;
    return RegStatus::Ok;
}

RegStatus RegistryStore::DeleteKey(std::string_view keyPath) {
    const std::string canonical = CanonicalKey(keyPath);
    if (canonical.empty()) return RegStatus::BadArgument;
    return Modify([&](RegistryData& data) {
        for (const RegKey& key : data.keys)
            if (!ChildName(canonical, TidyKey(key.path)).empty()) return RegStatus::BadArgument;
        for (auto it = data.keys.begin(); it != data.keys.end(); ++it) {
            if (CanonicalKey(it->path) == canonical) {
                data.keys.erase(it);
                return RegStatus::Ok;
            }
        }
        return RegStatus::NotFound;
    });
}

}  // namespace plat
