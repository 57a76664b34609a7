#pragma once
// The messages of the authentication service (service type 201, 8-byte TMessage header), read and
// written field by field, little-endian. Texts are 16-bit characters behind a u16 count of characters.
//   1 key block request   (header only)
//   2 key block reply     u16 status, u16 N (= length - 12), N bytes: a packed public-key block
//   3 login request       u16 block id, u16 K, K bytes: the session key encrypted with the block,
//                         then the login data encrypted with the session key
//   4 login reply         i16 status; when 0: u8 count + texts, u8 count + clear records, then the
//                         records encrypted with the session key
// A record is u8 type, u16 length L (not 0), L bytes. Clear records: 1 certificate, 3 key block.
// Encrypted records: 2 private key, 4 session-key echo (u16 length, key), 5 nickname (flag byte; unless
// it is 0xFF, u16 length and the characters).
// Every reader returns false for bytes that do not hold a whole message of its kind.
#include <cstdint>
#include <string>
#include <vector>

namespace TarnIdentity {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kAuthService = 201;
constexpr uint32_t kKeyBlockRequest = 1;
constexpr uint32_t kKeyBlockReply = 2;
constexpr uint32_t kLoginRequest = 3;
constexpr uint32_t kLoginReply = 4;

enum RecordType : uint8_t {
    kRecordCertificate = 1,
    kRecordPrivateKey = 2,
    kRecordKeyBlock = 3,
    kRecordEcho = 4,
    kRecordNickname = 5,
};

struct LoginData {
    uint16_t blockId = 0;
    uint8_t noCertificate = 0;
    uint8_t requestFlag = 0;
    std::u16string user, second, third, password, newPassword;
    bool hasNickname = false;
    std::u16string nickname;
};

struct LoginRecord {
    uint8_t type = 0;
    Bytes bytes;
};

struct LoginReply {
    int16_t status = 0;
    std::vector<std::u16string> texts;
    std::vector<LoginRecord> clearRecords;
    Bytes encryptedTail;
};

struct LoginRequest {
    uint16_t blockId = 0;
    Bytes encryptedKey;
    Bytes encryptedData;
};

// Header of a message of the service; false when the bytes hold no such header.
bool ReadHeader(const uint8_t* bytes, size_t length, uint32_t& messageType);
Bytes Header(uint32_t messageType);

Bytes PackKeyBlockReply(uint16_t status, const Bytes& block);
bool UnpackKeyBlockReply(const uint8_t* bytes, size_t length, uint16_t& status, Bytes& block);

Bytes PackLoginData(const LoginData& data);
bool UnpackLoginData(const uint8_t* bytes, size_t length, LoginData& data);

Bytes PackLoginRequest(const LoginRequest& request);
bool UnpackLoginRequest(const uint8_t* bytes, size_t length, LoginRequest& request);

// The record list: u8 count and the records.
Bytes PackRecords(const std::vector<LoginRecord>& records);
bool UnpackRecords(const uint8_t* bytes, size_t length, std::vector<LoginRecord>& records);

Bytes PackLoginReply(const LoginReply& reply);
bool UnpackLoginReply(const uint8_t* bytes, size_t length, LoginReply& reply);

// Record bodies.
Bytes EchoRecord(const Bytes& key);
bool ReadEcho(const Bytes& record, Bytes& key);
// Flag 0xFF: the nickname is the user name (no text follows).
Bytes NicknameRecord(uint8_t flag, const std::u16string& nickname);
bool ReadNickname(const Bytes& record, uint8_t& flag, std::u16string& nickname);

}  // namespace TarnIdentity
