#pragma once
// The directory role of our own directory server: a tree of directories holding service entries
// (path, name and net address as the key; display name, expiry and data objects). It answers one
// request body of the directory protocol with the bodies of its replies, so the network side and the
// fuzz target share every byte of request handling.
//
// What the server does with each request (the client side leaves these to the server):
// - add service (202/203): status 0, the entry made or replaced with expiry now + lifespan (0: none);
//   kNameTaken when the unique-display-name flag is set and another live entry of the directory
//   shows that name; kNoDirectory when the path is not a directory;
// - renew (205): the live entry's expiry moves to now + lifespan; kNotFound when it is unknown or
//   has expired, which tells its publisher to add it again;
// - set data objects (301): set mode 0 replaces every object, any other mode adds or replaces the
//   objects given; remove (209): the entry goes; both kNotFound for an unknown entry;
// - get entity on a directory (102/103): the directory's live service entries under the request's
//   field mask, in replies of type 3 that each stay below kMaxReplyBytes, the last one flagged;
//   on a service (104/105): a reply of type 2;
// - anything else, or a request that cannot be read: a status reply kBadRequest.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "Tarn/common/DataObject.h"

namespace tarnserver {

using Body = std::vector<uint8_t>;

constexpr int16_t kStatusOk = 0;
constexpr int16_t kBadRequest = -1;
constexpr int16_t kNotFound = -2;
constexpr int16_t kNameTaken = -3;
constexpr int16_t kNoDirectory = -4;

// Texts longer than this many characters and data-object sets larger than kMaxObjectBytes are
// refused, so that one entry always fits a reply.
constexpr size_t kMaxTextLength = 255;
constexpr size_t kMaxObjectBytes = 2048;
constexpr size_t kMaxReplyBytes = 60000;

class DirectoryStore {
public:
    using Clock = std::function<int64_t()>;  // seconds
    // Makes "/Gravelon/Dir_1" to "/Gravelon/Dir_8".
    explicit DirectoryStore(Clock clock = {});

    // The replies to one request body (a whole message without its length prefix). A forced status
    // other than 0 answers with that status in the reply form the request expects.
    std::vector<Body> Handle(const uint8_t* body, size_t length, int16_t forcedStatus = 0);
    // The same replies, shared with the store's cache of the last query instead of copied.
    using Replies = std::shared_ptr<const std::vector<Body>>;
    Replies Answer(const uint8_t* body, size_t length, int16_t forcedStatus = 0);

    void AddDirectory(const std::u16string& path);
    // Live service entries of a directory.
    size_t CountLive(const std::u16string& path);
    // Forgets every entry, as a restarted server would.
    void Forget();
    // Fewer entries per reply make every query answer in several parts.
    void SetMaxEntriesPerReply(size_t count);

private:
    struct Key {
        std::u16string path;
        std::u16string name;
        std::string netAddress;
        bool operator<(const Key& other) const;
    };
    struct Entry {
        std::u16string displayName;
        int64_t expiry = 0;  // 0: never
        TarnCommon::DataObjectSet objects;
    };
    bool LiveLocked(const Entry& entry, int64_t now) const { return entry.expiry == 0 || now < entry.expiry; }
    int16_t AddService(const uint8_t* body, size_t length, int64_t now);
    int16_t Renew(const uint8_t* body, size_t length, int64_t now);
    int16_t Remove(const uint8_t* body, size_t length, int64_t now);
    int16_t SetObjects(const uint8_t* body, size_t length, int64_t now);
    Replies GetEntity(const uint8_t* body, size_t length, int64_t now, int16_t forcedStatus);

    // The replies of the last directory query, kept while nothing in the store changes and none of
    // the entries in them expires: a directory is read far more often than it changes.
    struct CachedQuery {
        Body request;
        uint64_t version = 0;
        int64_t validUntil = 0;  // the earliest expiry among the entries (0: none expires)
        Replies replies;
    };
    void ChangedLocked() { ++version_; }

    Clock clock_;
    std::mutex lock_;
    uint64_t version_ = 1;
    CachedQuery cache_;
    std::set<std::u16string> directories_;
    std::map<Key, Entry> entries_;
    size_t maxPerReply_ = 1u << 20;
};

}  // namespace tarnserver
