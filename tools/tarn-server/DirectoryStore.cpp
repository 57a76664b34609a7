#include "tools/tarn-server/DirectoryStore.h"

#include <algorithm>
#include <chrono>
#include <memory>

#include "Tarn/msg/Dir/SMsgDirG2Query.h"
#include "Tarn/msg/Dir/SMsgDirG2Update.h"

namespace tarnserver {

using namespace TarnMsg;

namespace {

constexpr uint32_t kDirectoryService = 2;

int64_t SystemSeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

Body Bytes(BaseMessage& message) {
    const uint8_t* at = message.Pack();
    return Body(at, at + message.GetDataLen());
}

Body StatusBody(int16_t status) {
    SMsgDirG2StatusReply reply;
    reply.SetStatus(status);
    return Bytes(reply);
}

size_t ObjectBytes(const TarnCommon::DataObjectSet& objects) {
    size_t total = 0;
    for (const auto& object : objects) total += object.GetType().size() + object.GetData().size();
    return total;
}

bool TextsFit(const SMsgDirG2KeyedBase& key) {
    return key.GetPath().size() <= kMaxTextLength && key.GetName().size() <= kMaxTextLength;
}

// A message of the directory service in the small header, or none.
std::unique_ptr<SmallMessage> Received(const uint8_t* body, size_t length) {
    if (!body || length < 5 || length > kMaxMessageLength || body[0] != 5) return nullptr;
    auto message = std::make_unique<SmallMessage>(static_cast<uint32_t>(length), body);
    if (message->GetServiceType() != kDirectoryService) return nullptr;
    return message;
}

}  // namespace

bool DirectoryStore::Key::operator<(const Key& other) const {
    if (path != other.path) return path < other.path;
    if (name != other.name) return name < other.name;
    return netAddress < other.netAddress;
}

DirectoryStore::DirectoryStore(Clock clock) : clock_(clock ? std::move(clock) : Clock(SystemSeconds)) {
    for (int i = 1; i <= 8; ++i) AddDirectory(u"/Gravelon/Dir_" + std::u16string(1, char16_t(u'0' + i)));
}

void DirectoryStore::AddDirectory(const std::u16string& path) {
    std::lock_guard<std::mutex> hold(lock_);
    ChangedLocked();
    directories_.insert(path);
}

size_t DirectoryStore::CountLive(const std::u16string& path) {
    std::lock_guard<std::mutex> hold(lock_);
    const int64_t now = clock_();
    size_t count = 0;
    for (const auto& [key, entry] : entries_)
        if (key.path == path && LiveLocked(entry, now)) ++count;
    return count;
}

void DirectoryStore::Forget() {
    std::lock_guard<std::mutex> hold(lock_);
    ChangedLocked();
    entries_.clear();
}

void DirectoryStore::SetMaxEntriesPerReply(size_t count) {
    std::lock_guard<std::mutex> hold(lock_);
    ChangedLocked();
    maxPerReply_ = count ? count : 1;
}

std::vector<Body> DirectoryStore::Handle(const uint8_t* body, size_t length, int16_t forcedStatus) {
    return *Answer(body, length, forcedStatus);
}

DirectoryStore::Replies DirectoryStore::Answer(const uint8_t* body, size_t length, int16_t forcedStatus) {
    auto one = [](Body reply) { return std::make_shared<const std::vector<Body>>(1, std::move(reply)); };
    std::unique_ptr<SmallMessage> message = Received(body, length);
    if (!message) return one(StatusBody(kBadRequest));
    const uint32_t type = message->GetMessageType();
    const int64_t now = clock_();
    try {
        if (type >= SMsgDirG2GetEntity::kType && type <= SMsgDirG2GetEntity::kType + 3)
            return GetEntity(body, length, now, forcedStatus);
        if (forcedStatus != 0) return one(StatusBody(forcedStatus));
        switch (type) {
        case SMsgDirG2AddService::kType:
        case SMsgDirG2AddService::kType + 1:
            return one(StatusBody(AddService(body, length, now)));
        case SMsgDirG2RenewEntity::kType + 1:
            return one(StatusBody(Renew(body, length, now)));
        case SMsgDirG2RemoveEntity::kType + 1:
            return one(StatusBody(Remove(body, length, now)));
        case SMsgDirG2SetDataObjects::kType + 1:
            return one(StatusBody(SetObjects(body, length, now)));
        default:
            return one(StatusBody(kBadRequest));
        }
    } catch (...) {
        // A body that does not hold what its type promises.
        return one(StatusBody(kBadRequest));
    }
}

int16_t DirectoryStore::AddService(const uint8_t* body, size_t length, int64_t now) {
    SMsgDirG2AddService add(SmallMessage(static_cast<uint32_t>(length), body));
    if (!TextsFit(add) || add.GetDisplayName().size() > kMaxTextLength || ObjectBytes(add.GetDataObjects()) > kMaxObjectBytes)
        return kBadRequest;
    std::lock_guard<std::mutex> hold(lock_);
    if (!directories_.count(add.GetPath())) return kNoDirectory;
    const Key key{add.GetPath(), add.GetName(), add.GetNetAddress()};
    if (add.GetEntityFlags() & 1) {
        for (const auto& [other, entry] : entries_) {
            if (other.path == key.path && (other.name != key.name || other.netAddress != key.netAddress) &&
                LiveLocked(entry, now) &&
                entry.displayName == add.GetDisplayName())
                return kNameTaken;
        }
    }
    ChangedLocked();
    Entry& entry = entries_[key];
    entry.displayName = add.GetDisplayName();
    entry.expiry = add.GetLifespan() ? now + add.GetLifespan() : 0;
    entry.objects = add.GetDataObjects();
    return kStatusOk;
}

int16_t DirectoryStore::Renew(const uint8_t* body, size_t length, int64_t now) {
    SMsgDirG2RenewEntity renew(SmallMessage(static_cast<uint32_t>(length), body));
    std::lock_guard<std::mutex> hold(lock_);
    auto it = entries_.find(Key{renew.GetPath(), renew.GetName(), renew.GetNetAddress()});
    if (it == entries_.end()) return kNotFound;
    ChangedLocked();
    if (!LiveLocked(it->second, now)) {
        entries_.erase(it);
        return kNotFound;
    }
    it->second.expiry = renew.GetLifespan() ? now + renew.GetLifespan() : 0;
    return kStatusOk;
}

int16_t DirectoryStore::Remove(const uint8_t* body, size_t length, int64_t now) {
    (void)now;
    SMsgDirG2RemoveEntity remove(SmallMessage(static_cast<uint32_t>(length), body));
    std::lock_guard<std::mutex> hold(lock_);
    ChangedLocked();
    return entries_.erase(Key{remove.GetPath(), remove.GetName(), remove.GetNetAddress()}) ? kStatusOk : kNotFound;
}

int16_t DirectoryStore::SetObjects(const uint8_t* body, size_t length, int64_t now) {
    SMsgDirG2SetDataObjects set(SmallMessage(static_cast<uint32_t>(length), body));
    std::lock_guard<std::mutex> hold(lock_);
    auto it = entries_.find(Key{set.GetPath(), set.GetName(), set.GetNetAddress()});
    if (it == entries_.end() || !LiveLocked(it->second, now)) return kNotFound;
    TarnCommon::DataObjectSet objects = set.GetSetMode() == 0 ? TarnCommon::DataObjectSet{} : it->second.objects;
    for (const auto& object : set.GetDataObjects()) {
        objects.erase(object);
        objects.insert(object);
    }
    if (ObjectBytes(objects) > kMaxObjectBytes) return kBadRequest;
    ChangedLocked();
    it->second.objects = std::move(objects);
    return kStatusOk;
}

DirectoryStore::Replies DirectoryStore::GetEntity(const uint8_t* body, size_t length, int64_t now, int16_t forcedStatus) {
    SMsgDirG2GetEntity get(SmallMessage(static_cast<uint32_t>(length), body));
    const uint32_t mask = get.GetFieldMask();
    auto toEntity = [](const Key& key, const Entry& entry) {
        DirEntity e;
        e.type = DirEntity::kService;
        e.path = key.path;
        e.name = key.name;
        e.displayName = entry.displayName;
        e.netAddress = key.netAddress;
        e.dataObjects = entry.objects;
        return e;
    };
    std::lock_guard<std::mutex> hold(lock_);
    if (get.IsServiceKey()) {
        SMsgDirG2SingleEntityReply reply;
        auto it = entries_.find(Key{get.GetPath(), get.GetName(), get.GetNetAddress()});
        const bool found = it != entries_.end() && LiveLocked(it->second, now);
        reply.SetStatus(forcedStatus ? forcedStatus : (found ? kStatusOk : kNotFound));
        reply.SetFieldMask(mask);
        reply.SetRequestedTypes(get.GetRequestedTypes());
        if (found && !forcedStatus) reply.SetEntity(toEntity(it->first, it->second));
        return std::make_shared<const std::vector<Body>>(1, Bytes(reply));
    }
    const bool cacheable = forcedStatus == 0;
    if (cacheable && cache_.version == version_ && (cache_.validUntil == 0 || now < cache_.validUntil) &&
        cache_.request.size() == length && std::equal(cache_.request.begin(), cache_.request.end(), body))
        return cache_.replies;
    int16_t status = forcedStatus;
    if (!status && !directories_.count(get.GetPath())) status = kNoDirectory;
    int64_t validUntil = 0;
    // The live entries, cut into replies that each stay below the largest reply.
    std::vector<std::vector<DirEntity>> parts(1);
    size_t partBytes = 0;
    if (!status) {
        for (const auto& [key, entry] : entries_) {
            if (key.path != get.GetPath() || !LiveLocked(entry, now)) continue;
            if (entry.expiry && (validUntil == 0 || entry.expiry < validUntil)) validUntil = entry.expiry;
            DirEntity e = toEntity(key, entry);
            const size_t size = SMsgDirG2EntityBase::GetEntityPackSize(e, mask, get.GetRequestedTypes()) + 2;
            if (!parts.back().empty() && (partBytes + size > kMaxReplyBytes || parts.back().size() >= maxPerReply_)) {
                parts.emplace_back();
                partBytes = 0;
            }
            partBytes += size;
            parts.back().push_back(std::move(e));
        }
    }
    auto replies = std::make_shared<std::vector<Body>>();
    replies->reserve(parts.size());
    for (size_t i = 0; i < parts.size(); ++i) {
        SMsgDirG2MultiEntityReply reply;
        reply.SetStatus(status);
        reply.SetSequence(static_cast<uint8_t>(i));
        reply.SetLastReply(i + 1 == parts.size());
        reply.SetFieldMask(mask);
        reply.SetRequestedTypes(get.GetRequestedTypes());
        reply.SetEntities(parts[i]);
        replies->push_back(Bytes(reply));
    }
    if (cacheable) cache_ = CachedQuery{Body(body, body + length), version_, validUntil, replies};
    return replies;
}

}  // namespace tarnserver
