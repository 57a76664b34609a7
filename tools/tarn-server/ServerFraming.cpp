#include "tools/tarn-server/ServerFraming.h"

#include <algorithm>

#include "Tarn/api/TMsgSocket.h"
#include "tools/loopback/LoopbackServer.h"

namespace tarnserver {

bool ReadFramed(int handle, std::vector<uint8_t>& body) {
    uint8_t prefix[4];
    if (!tools::LoopbackServer::ReadExactly(handle, prefix, sizeof prefix)) return false;
    const long length = TarnAPI::TMsgSocket::BodyLengthFor(4, prefix);
    if (length < 0) return false;
    body.assign(static_cast<size_t>(length), 0);
    return length == 0 || tools::LoopbackServer::ReadExactly(handle, body.data(), body.size());
}

bool WriteFramed(int handle, const std::vector<uint8_t>& body) {
    const uint32_t total = static_cast<uint32_t>(body.size()) + 4;
    std::vector<uint8_t> whole(body.size() + 4);
    for (int i = 0; i < 4; ++i) whole[i] = static_cast<uint8_t>(total >> (8 * i));
    std::copy(body.begin(), body.end(), whole.begin() + 4);
    return tools::LoopbackServer::WriteAll(handle, whole.data(), whole.size());
}

}  // namespace tarnserver
