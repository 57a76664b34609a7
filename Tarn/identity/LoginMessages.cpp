#include "Tarn/identity/LoginMessages.h"

namespace TarnIdentity {

namespace {

class Writer {
public:
    void U8(uint8_t v) { out.push_back(v); }
    void U16(uint16_t v) {
        out.push_back(static_cast<uint8_t>(v));
        out.push_back(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v) {
        U16(static_cast<uint16_t>(v));
        U16(static_cast<uint16_t>(v >> 16));
    }
    void Raw(const Bytes& b) { out.insert(out.end(), b.begin(), b.end()); }
    void Text(const std::u16string& t) {
        U16(static_cast<uint16_t>(t.size()));
        for (char16_t c : t) U16(c);
    }
    Bytes out;
};

// Every read checks what is left first.
class Reader {
public:
    Reader(const uint8_t* bytes, size_t length) : at_(bytes), left_(bytes ? length : 0) {}
    bool U8(uint8_t& v) {
        if (left_ < 1) return false;
        v = *at_++;
        --left_;
        return true;
    }
    bool U16(uint16_t& v) {
        if (left_ < 2) return false;
        v = static_cast<uint16_t>(at_[0] | at_[1] << 8);
        at_ += 2;
        left_ -= 2;
        return true;
    }
    bool U32(uint32_t& v) {
        uint16_t lo, hi;
        if (left_ < 4 || !U16(lo) || !U16(hi)) return false;
        v = lo | static_cast<uint32_t>(hi) << 16;
        return true;
    }
    bool Raw(size_t n, Bytes& b) {
        if (left_ < n) return false;
        b.assign(at_, at_ + n);
        at_ += n;
        left_ -= n;
        return true;
    }
    bool Text(std::u16string& t) {
        uint16_t n;
        if (!U16(n) || left_ / 2 < n) return false;
        t.clear();
        for (uint16_t i = 0; i < n; ++i) {
            uint16_t c = 0;
            U16(c);
            t.push_back(static_cast<char16_t>(c));
        }
        return true;
    }
    Bytes Rest() {
        Bytes b(at_, at_ + left_);
        at_ += left_;
        left_ = 0;
        return b;
    }
    size_t Left() const { return left_; }

private:
    const uint8_t* at_;
    size_t left_;
};

bool ReadRecord(Reader& in, LoginRecord& record) {
    uint16_t length;
    return in.U8(record.type) && in.U16(length) && length != 0 && in.Raw(length, record.bytes);
}

}  // namespace

bool ReadHeader(const uint8_t* bytes, size_t length, uint32_t& messageType) {
    Reader in(bytes, length);
    uint32_t service;
    return in.U32(service) && service == kAuthService && in.U32(messageType);
}

Bytes Header(uint32_t messageType) {
    Writer w;
    w.U32(kAuthService);
    w.U32(messageType);
    return w.out;
}

Bytes PackKeyBlockReply(uint16_t status, const Bytes& block) {
    Writer w;
    w.Raw(Header(kKeyBlockReply));
    w.U16(status);
    w.U16(static_cast<uint16_t>(block.size()));
    w.Raw(block);
    return w.out;
}

bool UnpackKeyBlockReply(const uint8_t* bytes, size_t length, uint16_t& status, Bytes& block) {
    uint32_t type;
    if (!ReadHeader(bytes, length, type) || type != kKeyBlockReply) return false;
    Reader in(bytes + 8, length - 8);
    uint16_t n;
    if (!in.U16(status) || !in.U16(n)) return false;
    if (n != length - 12) return false;
    return in.Raw(n, block);
}

Bytes PackLoginData(const LoginData& data) {
    Writer w;
    w.U16(data.blockId);
    w.U8(data.noCertificate);
    w.U8(data.requestFlag);
    for (const auto* text : {&data.user, &data.second, &data.third, &data.password, &data.newPassword}) w.Text(*text);
    if (data.hasNickname) w.Text(data.nickname);
    return w.out;
}

bool UnpackLoginData(const uint8_t* bytes, size_t length, LoginData& data) {
    Reader in(bytes, length);
    if (!in.U16(data.blockId) || !in.U8(data.noCertificate) || !in.U8(data.requestFlag)) return false;
    for (auto* text : {&data.user, &data.second, &data.third, &data.password, &data.newPassword})
        if (!in.Text(*text)) return false;
    data.hasNickname = in.Left() > 0;
    if (data.hasNickname && !in.Text(data.nickname)) return false;
    return in.Left() == 0;
}

Bytes PackLoginRequest(const LoginRequest& request) {
    Writer w;
    w.Raw(Header(kLoginRequest));
    w.U16(request.blockId);
    w.U16(static_cast<uint16_t>(request.encryptedKey.size()));
    w.Raw(request.encryptedKey);
    w.Raw(request.encryptedData);
    return w.out;
}

bool UnpackLoginRequest(const uint8_t* bytes, size_t length, LoginRequest& request) {
    uint32_t type;
    if (!ReadHeader(bytes, length, type) || type != kLoginRequest) return false;
    Reader in(bytes + 8, length - 8);
    uint16_t k;
    if (!in.U16(request.blockId) || !in.U16(k) || !in.Raw(k, request.encryptedKey)) return false;
    request.encryptedData = in.Rest();
    return true;
}

Bytes PackRecords(const std::vector<LoginRecord>& records) {
    Writer w;
    w.U8(static_cast<uint8_t>(records.size()));
    for (const LoginRecord& r : records) {
        w.U8(r.type);
        w.U16(static_cast<uint16_t>(r.bytes.size()));
        w.Raw(r.bytes);
    }
    return w.out;
}

bool UnpackRecords(const uint8_t* bytes, size_t length, std::vector<LoginRecord>& records) {
    Reader in(bytes, length);
    uint8_t count;
    if (!in.U8(count)) return false;
    records.clear();
    for (uint8_t i = 0; i < count; ++i) {
        LoginRecord record;
        if (!ReadRecord(in, record)) return false;
        records.push_back(std::move(record));
    }
    return true;
}

Bytes PackLoginReply(const LoginReply& reply) {
    Writer w;
    w.Raw(Header(kLoginReply));
    w.U16(static_cast<uint16_t>(reply.status));
    if (reply.status != 0) return w.out;
    w.U8(static_cast<uint8_t>(reply.texts.size()));
    for (const auto& text : reply.texts) w.Text(text);
    w.Raw(PackRecords(reply.clearRecords));
    w.Raw(reply.encryptedTail);
    return w.out;
}

bool UnpackLoginReply(const uint8_t* bytes, size_t length, LoginReply& reply) {
    uint32_t type;
    if (!ReadHeader(bytes, length, type) || type != kLoginReply) return false;
    Reader in(bytes + 8, length - 8);
    uint16_t status;
    if (!in.U16(status)) return false;
    reply.status = static_cast<int16_t>(status);
    if (reply.status != 0) return true;
    uint8_t count;
    if (!in.U8(count)) return false;
    reply.texts.clear();
    for (uint8_t i = 0; i < count; ++i) {
        std::u16string text;
        if (!in.Text(text)) return false;
        reply.texts.push_back(std::move(text));
    }
    if (!in.U8(count)) return false;
    reply.clearRecords.clear();
    for (uint8_t i = 0; i < count; ++i) {
        LoginRecord record;
        if (!ReadRecord(in, record)) return false;
        reply.clearRecords.push_back(std::move(record));
    }
    reply.encryptedTail = in.Rest();
    return true;
}

Bytes EchoRecord(const Bytes& key) {
    Writer w;
    w.U16(static_cast<uint16_t>(key.size()));
    w.Raw(key);
    return w.out;
}

bool ReadEcho(const Bytes& record, Bytes& key) {
    if (record.size() < 2) return false;
    key.assign(record.begin() + 2, record.end());
    return true;
}

Bytes NicknameRecord(uint8_t flag, const std::u16string& nickname) {
    Writer w;
    w.U8(flag);
    if (flag != 0xFF) w.Text(nickname);
    return w.out;
}

bool ReadNickname(const Bytes& record, uint8_t& flag, std::u16string& nickname) {
    Reader in(record.data(), record.size());
    if (!in.U8(flag)) return false;
    if (flag == 0xFF) return true;
    // The characters fill the rest of the record: (L - 3) / 2 of them; the length word is not trusted.
    uint16_t ignored;
    if (!in.U16(ignored)) return false;
    nickname.clear();
    while (in.Left() >= 2) {
        uint16_t c = 0;
        in.U16(c);
        nickname.push_back(static_cast<char16_t>(c));
    }
    return true;
}

}  // namespace TarnIdentity
