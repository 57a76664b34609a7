#include "Tarn/msg/RawMsg.h"

#include <cstring>
#include <new>

#include "Tarn/common/TarnException.h"
#include "Tarn/msg/BadMsgException.h"
#include "platform/bytes/ByteIO.h"

namespace TarnMsg {
namespace {

// The growth slack doubles at each growth; past this generation it stops doubling, so that a long
// series of appends can never overflow the capacity arithmetic.
constexpr uint32_t kMaxGeneration = 1u << 12;
// No buffer is ever grown past this size.
constexpr uint64_t kMaxBuffer = 0x7FFFFFFFu;

[[noreturn]] void ThrowPastEnd() {
    throw BadMsgException(kBadMsgCode, 0, kFramingSource, "Attempt to read past end of message!");
}

}  // namespace

RawMsgBody* TRawMsg::NewBody() {
    auto* body = new (std::nothrow) RawMsgBody;
    if (!body) {
        TarnCommon::MemoryException e;
        e.BuildText();
        throw e;
    }
    return body;
}

uint8_t* TRawMsg::NewBuffer(uint32_t size) {
    auto* bytes = new (std::nothrow) uint8_t[size ? size : 1]();
    if (!bytes) {
        TarnCommon::MemoryException e;
        e.BuildText();
        throw e;
    }
    return bytes;
}

TRawMsg::TRawMsg() : body_(NewBody()) {}

TRawMsg::TRawMsg(uint32_t length, const void* bytes) : body_(NewBody()) {
    try {
        body_->buffer = NewBuffer(length);
    } catch (...) {
        delete body_;
        throw;
    }
    body_->capacity = length;
    if (bytes && length) std::memcpy(body_->buffer, bytes, length);
}

TRawMsg::TRawMsg(const TRawMsg& other) : body_(other.body_) { body_->refCount.fetch_add(1); }

TRawMsg::~TRawMsg() {
    if (body_->refCount.fetch_sub(1) <= 1) {
        delete[] body_->buffer;
        delete body_;
    }
}

TRawMsg* TRawMsg::Duplicate() const { return new TRawMsg(*this); }

uint32_t TRawMsg::GetDataLen() const { return body_->writePos > 0 ? body_->writePos : body_->capacity; }

void TRawMsg::AllocateBuffer(uint32_t size) {
    if (size != body_->capacity || !body_->buffer) {
        uint8_t* fresh = NewBuffer(size);
        delete[] body_->buffer;
        body_->buffer = fresh;
        body_->capacity = size;
    }
    body_->generation = 1;
    body_->readPos = 0;
    body_->writePos = 0;
}

uint8_t* TRawMsg::ReserveWrite(uint32_t count, bool withSlack, bool extendWhenEmpty) {
    RawMsgBody& b = *body_;
    if (!b.buffer) {
        AllocateBuffer(count);
        return b.buffer + b.writePos;
    }
    const bool mustExtend = extendWhenEmpty && b.writePos == 0;
    if (!mustExtend && uint64_t(b.writePos) + count <= b.capacity) return b.buffer + b.writePos;

    uint64_t wanted = uint64_t(b.capacity) + count;
    if (withSlack) {
        wanted += 512ull * b.generation;
        if (b.generation < kMaxGeneration) b.generation *= 2;
    }
    if (wanted > kMaxBuffer) {
        TarnCommon::MemoryException e;
        e.BuildText();
        throw e;
    }
    uint8_t* fresh = NewBuffer(static_cast<uint32_t>(wanted));
    std::memcpy(fresh, b.buffer, b.capacity);
    delete[] b.buffer;
    b.buffer = fresh;
    // An append to a message filled from outside goes after its whole content, not over its start.
    if (mustExtend && withSlack) b.writePos = b.capacity;
    b.capacity = static_cast<uint32_t>(wanted);
    return b.buffer + b.writePos;
}

void TRawMsg::EnsureCapacity(uint32_t size) {
    RawMsgBody& b = *body_;
    if (b.buffer && b.capacity >= size) return;
    uint8_t* fresh = NewBuffer(size);
    if (b.buffer) std::memcpy(fresh, b.buffer, b.capacity);
    delete[] b.buffer;
    b.buffer = fresh;
    b.capacity = size;
}

void TRawMsg::SkipWrite(uint32_t count) {
    ReserveWrite(count, false, false);
    body_->writePos += count;
}

void TRawMsg::AppendLong(uint32_t value) {
    plat::StoreU32(ReserveWrite(4, true, true), value);
    body_->writePos += 4;
}

void TRawMsg::AppendShort(uint16_t value) {
    plat::StoreU16(ReserveWrite(2, true, true), value);
    body_->writePos += 2;
}

void TRawMsg::AppendByte(uint8_t value) {
    *ReserveWrite(1, true, true) = value;
    body_->writePos += 1;
}

void TRawMsg::AppendBytes(uint32_t count, const void* bytes) {
    uint8_t* at = ReserveWrite(count, true, true);
    if (count) std::memcpy(at, bytes, count);
    body_->writePos += count;
}

void TRawMsg::AppendString(const std::string& text) {
    if (text.size() > 0xFFFF)
        throw BadMsgException(kBadMsgCode, 0, kFramingSource, "String too long for message!");
    AppendShort(static_cast<uint16_t>(text.size()));
    AppendBytes(static_cast<uint32_t>(text.size()), text.data());
}

void TRawMsg::AppendWString(std::u16string_view text) {
    if (text.size() > 0xFFFF)
        throw BadMsgException(kBadMsgCode, 0, kFramingSource, "String too long for message!");
    const uint32_t count = static_cast<uint32_t>(text.size());
    AppendShort(static_cast<uint16_t>(count));
    uint8_t* at = ReserveWrite(count * 2, true, true);
    for (uint32_t i = 0; i < count; ++i) plat::StoreU16(at + 2 * i, static_cast<uint16_t>(text[i]));
    body_->writePos += count * 2;
}

uint32_t TRawMsg::BytesLeftToRead() const {
    const uint32_t length = GetDataLen();
    return body_->readPos >= length ? 0 : length - body_->readPos;
}

void TRawMsg::CheckRead(uint32_t count) const {
    if (count > BytesLeftToRead()) ThrowPastEnd();
}

uint32_t TRawMsg::ReadLong() {
    CheckRead(4);
    const uint32_t v = plat::LoadU32(body_->buffer + body_->readPos);
    body_->readPos += 4;
    return v;
}

uint16_t TRawMsg::ReadShort() {
    CheckRead(2);
    const uint16_t v = plat::LoadU16(body_->buffer + body_->readPos);
    body_->readPos += 2;
    return v;
}

uint8_t TRawMsg::ReadByte() {
    CheckRead(1);
    return body_->buffer[body_->readPos++];
}

const uint8_t* TRawMsg::ReadBytes(uint32_t count) {
    CheckRead(count);
    const uint8_t* at = body_->buffer + body_->readPos;
    body_->readPos += count;
    return at;
}

void TRawMsg::ReadString(std::string& out) {
    out.clear();
    const uint32_t start = body_->readPos;
    const uint16_t count = ReadShort();
    if (count > BytesLeftToRead()) {
        body_->readPos = start;
        ThrowPastEnd();
    }
    out.assign(reinterpret_cast<const char*>(body_->buffer + body_->readPos), count);
    body_->readPos += count;
}

const std::string& TRawMsg::ReadString() {
    ReadString(body_->scratch);
    return body_->scratch;
}

void TRawMsg::ReadWString(std::u16string& out) {
    out.clear();
    const uint32_t start = body_->readPos;
    const uint32_t count = ReadShort();
    if (count * 2 > BytesLeftToRead()) {
        body_->readPos = start;
        ThrowPastEnd();
    }
    out.resize(count);
    for (uint32_t i = 0; i < count; ++i) out[i] = static_cast<char16_t>(plat::LoadU16(body_->buffer + body_->readPos + 2 * i));
    body_->readPos += count * 2;
}

void TRawMsg::MakeUnique() {
    if (body_->refCount.load() < 2) return;
    RawMsgBody* fresh = NewBody();
    try {
        fresh->buffer = NewBuffer(body_->capacity);
    } catch (...) {
        delete fresh;
        throw;
    }
    if (body_->buffer) std::memcpy(fresh->buffer, body_->buffer, body_->capacity);
    else {
        delete[] fresh->buffer;
        fresh->buffer = nullptr;
    }
    fresh->capacity = body_->capacity;
    fresh->readPos = body_->readPos;
    fresh->writePos = body_->writePos;
    RawMsgBody* old = body_;
    body_ = fresh;
    if (old->refCount.fetch_sub(1) <= 1) {  // the other holders let go meanwhile
        delete[] old->buffer;
        delete old;
    }
}

}  // namespace TarnMsg
