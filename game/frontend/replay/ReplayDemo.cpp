// Demo files: the 24-byte header and the record stream, loaded whole into the replay buffer and
// saved from it.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "game/frontend/replay/Replay.h"
#include "game/frontend/replay/ReplayState.h"

namespace kes {

namespace {

int32_t Refuse(const std::string& path, const std::string& why) {
    Replay().lastError = "demo " + path + " refused: " + why;
    return -1;
}

// The world's name as a file name: letters, digits, '-' and '_' kept, everything else dropped, so
// that no name can leave the demo folder or upset the file system.
std::string FileSafeName(const std::string& name) {
    std::string out;
    for (unsigned char c : name)
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_')
            out.push_back(static_cast<char>(c));
    return out;
}

std::string InFolder(const std::string& file) {
    const std::string& folder = Replay().demoFolder;
    if (folder.empty()) return file;
    return folder.back() == '/' ? folder + file : folder + "/" + file;
}

}  // namespace

void ReplaySetWorld(uint32_t worldId, const std::string& worldName, const std::string& demoFolder) {
    ReplayData& r = Replay();
    r.worldId = worldId;
    r.worldName = worldName;
    r.demoFolder = demoFolder;
}

std::string ReplayDemoSavePath(uint32_t slot) {
    return InFolder(FileSafeName(Replay().worldName) + std::to_string(slot) + ".dem");
}

std::string ReplayDemoPlainPath(uint32_t slot) { return InFolder(std::to_string(slot) + ".dem"); }

int32_t ReplayLoadDemo(const std::string& path) {
    ReplayData& r = Replay();
    if (!r.allocated) return Refuse(path, "no replay buffer");
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return Refuse(path, "cannot be opened");
    // One byte more than the largest acceptable file shows an oversized one without reading it all.
    const size_t limit = kDemoHeaderSize + r.buffer.size();
    std::vector<uint8_t> file(limit + 1);
    const size_t got = std::fread(file.data(), 1, file.size(), f);
    const bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (readError) return Refuse(path, "read error");
    if (got > limit) return Refuse(path, "larger than the replay buffer");
    return LoadDemoBytes(file.data(), got, path);
}

int32_t LoadDemoBytes(const uint8_t* data, size_t size, const std::string& label) {
    ReplayData& r = Replay();
    if (!r.allocated) return Refuse(label, "no replay buffer");
    if (size < kDemoHeaderSize) return Refuse(label, "shorter than its header");
    if (size - kDemoHeaderSize > r.buffer.size()) return Refuse(label, "larger than the replay buffer");
    std::string why;
    if (!CheckDemoHeader(data, r.worldId, &why)) return Refuse(label, why);
    const size_t streamSize = size - kDemoHeaderSize;
    if (CheckReplayStream(data + kDemoHeaderSize, streamSize, &why) < 0) return Refuse(label, why);

    ReplayStop();
    EmptyReplayBuffer(r);
    std::copy(data + kDemoHeaderSize, data + size, r.buffer.begin());
    r.end = r.write = static_cast<uint32_t>(streamSize);
    for (uint32_t at = 0; at < r.end;) {
        if (r.buffer[at] == kRecordKeyFrame) {
            r.keyFrames.push_back(at);
            at += kKeyFrameRecordSize;
        } else {
            at += kRunRecordSize;
        }
    }
    ReplayRewind();
    r.lastError.clear();
    return 0;
}

int32_t ReplaySaveDemo(const std::string& path) {
    ReplayData& r = Replay();
    if (!r.allocated || r.recording || r.end == 0) {
        r.lastError = "nothing to save";
        return -1;
    }
    uint8_t header[kDemoHeaderSize];
    WriteDemoHeader(r.worldId, header);
    // The new file is written beside the old one and takes its place only once it is complete.
    const std::string temp = path + ".tmp";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) {
        r.lastError = "cannot write " + temp;
        return -1;
    }
    bool ok = std::fwrite(header, 1, sizeof header, f) == sizeof header;
    ok = ok && std::fwrite(r.buffer.data(), 1, r.end, f) == r.end;
    ok = std::fflush(f) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        r.lastError = "cannot write " + path;
        return -1;
    }
    // The saved records leave the buffer; the allocation stays as it is.
    EmptyReplayBuffer(r);
    r.lastError.clear();
    return 0;
}

}  // namespace kes
