// Feeds arbitrary bytes to every reader of the authentication service's messages: each reads a whole
// message or refuses it, never reading outside the bytes.
#include <cstddef>
#include <cstdint>

#include "Tarn/identity/LoginMessages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace TarnIdentity;
    uint32_t type;
    ReadHeader(data, size, type);
    uint16_t status;
    Bytes block;
    UnpackKeyBlockReply(data, size, status, block);
    LoginData login;
    UnpackLoginData(data, size, login);
    LoginRequest request;
    UnpackLoginRequest(data, size, request);
    std::vector<LoginRecord> records;
    if (UnpackRecords(data, size, records)) {
        for (const LoginRecord& record : records) {
            Bytes echo;
            ReadEcho(record.bytes, echo);
            uint8_t flag;
            std::u16string nickname;
            ReadNickname(record.bytes, flag, nickname);
        }
    }
    LoginReply reply;
    UnpackLoginReply(data, size, reply);
    return 0;
}
