#include "Tarn/api/TMsgSocket.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "Tarn/api/WSSocket.h"
#include "Tarn/msg/BadMsgException.h"
#include "platform/bytes/ByteIO.h"

namespace TarnAPI {

using TarnMsg::BaseMessage;

// ---------------------------------------------------------------------------------------------------
// Request records: one per operation, freed after the caller's completion has run.

struct TMsgSocket::RecvMsgData {
    TMsgSocket* socket;
    long timeout;
    long* outLength;
    uint8_t** outBuffer;
    long bodyLength = 0;
    bool async;
    uint8_t* body = nullptr;
    bool success = false;
    RecvMsgContainer completion;
    uint8_t prefix[4] = {};
    bool streamQueued = false;  // one of the message socket's serialised stream receives

    void Finish(uint8_t* buffer, long length) {
        if (outBuffer) *outBuffer = buffer;
        if (outLength) *outLength = length;
        if (!completion.IsEmpty()) completion.Complete(RecvMsgResult{socket, buffer, length});
    }
};

struct TMsgSocket::SendMsgData {
    TMsgSocket* socket;
    const void* bytes;
    long length;
    bool async;
    bool success = false;
    SendMsgContainer completion;
};

struct TMsgSocket::RecvBaseMsgData {
    TMsgSocket* socket;
    BaseMessage** out;
    RecvBaseMsgContainer completion;
};

struct TMsgSocket::SendBaseMsgData {
    TMsgSocket* socket;
    BaseMessage* message;
    SendBaseMsgContainer completion;
};

namespace {

// Takes a copy of the caller's container. A caller's completion that frees itself after its run is
// owned by the copy instead, so that it is freed exactly once, with the relay, whether the inner
// operation fires once or, for a catcher kept armed, many times.
template <typename R>
CompletionContainer<R> AdoptCaller(const CompletionContainer<R>& caller) {
    Completion<R>* completion = caller.GetCompletion();
    if (!completion || !completion->GetDeleteAfterRun()) return caller;
    completion->SetDeleteAfterRun(false);
    CompletionContainer<R> owning(completion, true);
    owning.SetEvent(caller.GetEvent());
    owning.SetCallback(caller.GetCallback());
    return owning;
}

}  // namespace

// Relays an open result of the inner socket with the message socket named in it (the error kept).
class TMsgSocket::IntermediateOpenCompletion : public Completion<const Socket::OpenResult&> {
public:
    IntermediateOpenCompletion(TMsgSocket* socket, const OpenContainer& caller, bool deleteAfterRun)
        : Completion(deleteAfterRun), socket_(socket), caller_(AdoptCaller(caller)) {}
    void Complete(const OpenResult& result) override {
        caller_.Complete(OpenResult{socket_, result.error});
        Completion::Complete(result);
    }

private:
    TMsgSocket* socket_;
    OpenContainer caller_;
};

// Relays a close or catcher result of the inner socket with the message socket named in it.
class TMsgSocket::IntermediateCompletion : public Completion<const Socket::Result&> {
public:
    IntermediateCompletion(TMsgSocket* socket, const ResultContainer& caller, bool deleteAfterRun)
        : Completion(deleteAfterRun), socket_(socket), caller_(AdoptCaller(caller)) {}
    void Complete(const Result& result) override {
        caller_.Complete(Result{socket_});
        Completion::Complete(result);
    }

private:
    TMsgSocket* socket_;
    ResultContainer caller_;
};

namespace {

// An empty container is passed on as it is. A relay that may run many times (a catcher kept armed) is
// owned by the inner socket's container; one that runs once frees itself.
template <typename Relay, typename Container>
Container Wrap(TMsgSocket* self, const Container& caller, bool keepArmed) {
    if (caller.IsEmpty()) return caller;
    if (keepArmed) return Container(new Relay(self, caller, false), true);
    return Container(new Relay(self, caller, true), false);
}

void StorePrefix(uint8_t* at, uint8_t width, uint32_t value) {
    for (uint8_t i = 0; i < width; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t LoadPrefix(const uint8_t* at, uint8_t width) {
    uint32_t value = 0;
    for (uint8_t i = 0; i < width; ++i) value |= static_cast<uint32_t>(at[i]) << (8 * i);
    return value;
}

}  // namespace

TMsgSocket::TMsgSocket(Socket* inner, uint8_t prefixWidth, uint32_t largestDatagram)
    : inner_(inner), prefixWidth_(prefixWidth), largestDatagram_(largestDatagram) {}

TMsgSocket::~TMsgSocket() {
    if (!inner_) return;
    // Receives still waiting their turn fail below, after the one under way has ended: none of them
    // may start on the inner socket once destruction has begun.
    std::deque<RecvMsgData*> waiting;
    {
        std::lock_guard<std::mutex> hold(recvLock_);
        waiting.swap(recvWaiting_);
    }
    if (ownsInner_) {
        // Operations still under way finish now, failing on the closed socket.
        CloseInner();
    } else {
        // The inner socket belongs to someone else and stays open: only the operations still under way
        // on it end now, without closing it even when one of them stops in the middle of a message.
        releasing_ = true;
        while (inner_->AbortRecv()) {
        }
        while (inner_->AbortSend()) {
        }
    }
    // Their completions (which name this socket) run before this socket is gone.
    if (auto* ws = dynamic_cast<WSSocket*>(inner_)) ws->WaitUntilIdle();
    for (RecvMsgData* request : waiting) {
        request->streamQueued = false;
        FinishStreamRecv(request, nullptr, 0);
    }
    if (ownsInner_) delete inner_;
}

long TMsgSocket::Open(long timeout, bool async, const OpenContainer& completion) {
    return inner_->Open(timeout, async, Wrap<IntermediateOpenCompletion>(this, completion, false));
}

long TMsgSocket::CloseSend(long timeout, bool async, const ResultContainer& completion) {
    return inner_->CloseSend(timeout, async, Wrap<IntermediateCompletion>(this, completion, false));
}

long TMsgSocket::CloseRecv(long timeout, bool async, const ResultContainer& completion) {
    return inner_->CloseRecv(timeout, async, Wrap<IntermediateCompletion>(this, completion, false));
}

long TMsgSocket::Close(long timeout, bool async, const ResultContainer& completion) {
    return inner_->Close(timeout, async, Wrap<IntermediateCompletion>(this, completion, false));
}

void TMsgSocket::CatchClose(const ResultContainer& completion, bool keepArmed) {
    inner_->CatchClose(Wrap<IntermediateCompletion>(this, completion, keepArmed), keepArmed);
}

void TMsgSocket::CatchCloseRecv(const ResultContainer& completion, bool keepArmed) {
    inner_->CatchCloseRecv(Wrap<IntermediateCompletion>(this, completion, keepArmed), keepArmed);
}

void TMsgSocket::CatchRecvable(const ResultContainer& completion, bool keepArmed) {
    inner_->CatchRecvable(Wrap<IntermediateCompletion>(this, completion, keepArmed), keepArmed);
}

long TMsgSocket::Send(long length, const void* buffer, long, bool, bool ownsBuffer,
                      const TransmitContainer& completion) {
    if (!completion.IsEmpty()) completion.Complete(TransmitResult{this, const_cast<void*>(buffer), length, 0});
    if (ownsBuffer) std::free(const_cast<void*>(buffer));
    return 0;
}

long TMsgSocket::Recv(long length, void* buffer, long, bool, const TransmitContainer& completion) {
    if (!completion.IsEmpty()) completion.Complete(TransmitResult{this, buffer, length, 0});
    return 0;
}

long TMsgSocket::MaxMessageLength(uint8_t prefixWidth) {
    switch (prefixWidth) {
        case 1: return 255 - 1;
        case 2: return 65535 - 2;
        case 4: return TarnMsg::kMaxMessageLength;
        default: return 0;
    }
}

long TMsgSocket::BodyLengthFor(uint8_t prefixWidth, const uint8_t* prefix) {
    if (prefixWidth != 1 && prefixWidth != 2 && prefixWidth != 4) return -1;
    const uint32_t value = LoadPrefix(prefix, prefixWidth);
    // A prefix smaller than itself, or a length beyond the largest message, is malformed: the stream
    // is out of step and nothing is allocated.
    if (value < prefixWidth) return -1;
    const uint32_t body = value - prefixWidth;
    if (body > TarnMsg::kMaxMessageLength) return -1;
    if (body == 0) return prefixWidth == 4 ? -1 : 0;
    return static_cast<long>(body);
}

// ---------------------------------------------------------------------------------------------------
// Receiving

uint8_t* TMsgSocket::RecvMsg(uint8_t** outBuffer, long* outLength, long timeout, bool async,
                             const RecvMsgContainer& completion) {
    auto* request = new (std::nothrow) RecvMsgData{this, timeout, outLength, outBuffer, 0, async, nullptr, false,
                                                   completion};
    if (!request) {
        if (!completion.IsEmpty()) completion.Complete(RecvMsgResult{this, nullptr, 0});
        return nullptr;
    }
    std::unique_ptr<RecvMsgData> owned(request);

    if (inner_->GetType() == kDatagram) {
        const long size = largestDatagram_ ? static_cast<long>(largestDatagram_) : 2;
        auto* buffer = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size)));
        if (!buffer) {
            request->Finish(nullptr, 0);
            return nullptr;
        }
        request->body = buffer;
        request->bodyLength = size;
        if (async) {
            owned.release();
            inner_->Recv(size, buffer, timeout, true,
                         TransmitContainer(new CompletionWithContents<const TransmitResult&, RecvMsgData*>(
                                               request, &TMsgSocket::OnBody, true),
                                           false));
            return nullptr;
        }
        const long got = inner_->Recv(size, buffer, timeout, false, {});
        if (got <= 0) {
            std::free(buffer);
            request->Finish(nullptr, 0);
            return nullptr;
        }
        request->Finish(buffer, got);
        return buffer;
    }

    if (prefixWidth_ != 1 && prefixWidth_ != 2 && prefixWidth_ != 4) {
        request->Finish(nullptr, 0);
        return nullptr;
    }
    if (async) {
        owned.release();
        request->streamQueued = true;
        {
            std::lock_guard<std::mutex> hold(recvLock_);
            if (recvActive_) {
                recvWaiting_.push_back(request);
                return nullptr;
            }
            recvActive_ = true;
        }
        StartStreamRecv(request);
        return nullptr;
    }

    const long gotPrefix = inner_->Recv(prefixWidth_, request->prefix, timeout, false, {});
    if (gotPrefix < prefixWidth_) {
        if (gotPrefix > 0) CloseInner();
        request->Finish(nullptr, 0);
        return nullptr;
    }
    const long body = BodyLengthFor(request->prefix);
    if (body <= 0) {
        if (body < 0) CloseInner();
        request->Finish(nullptr, 0);
        return nullptr;
    }
    auto* buffer = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(body)));
    if (!buffer) {
        CloseInner();
        request->Finish(nullptr, 0);
        return nullptr;
    }
    const long got = inner_->Recv(body, buffer, timeout, false, {});
    if (got != body) {
        std::free(buffer);
        CloseInner();
        request->Finish(nullptr, 0);
        return nullptr;
    }
    request->Finish(buffer, body);
    return buffer;
}

void TMsgSocket::StartStreamRecv(RecvMsgData* request) {
    inner_->Recv(prefixWidth_, request->prefix, request->timeout, true,
                 TransmitContainer(new CompletionWithContents<const TransmitResult&, RecvMsgData*>(
                                       request, &TMsgSocket::OnPrefix, true),
                                   false));
}

void TMsgSocket::FinishStreamRecv(RecvMsgData* request, uint8_t* buffer, long length) {
    std::unique_ptr<RecvMsgData> owned(request);
    request->Finish(buffer, length);
    if (!request->streamQueued) return;
    RecvMsgData* next = nullptr;
    {
        std::lock_guard<std::mutex> hold(recvLock_);
        if (recvWaiting_.empty()) {
            recvActive_ = false;
            return;
        }
        next = recvWaiting_.front();
        recvWaiting_.pop_front();
    }
    StartStreamRecv(next);
}

void TMsgSocket::OnPrefix(const TransmitResult& result, RecvMsgData* request) {
    TMsgSocket* self = request->socket;
    if (result.transferred < self->prefixWidth_) {
        if (result.transferred > 0) self->CloseInner();
        self->FinishStreamRecv(request, nullptr, 0);
        return;
    }
    const long body = self->BodyLengthFor(request->prefix);
    if (body <= 0) {
        if (body < 0) self->CloseInner();
        self->FinishStreamRecv(request, nullptr, 0);
        return;
    }
    auto* buffer = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(body)));
    if (!buffer) {
        self->CloseInner();
        self->FinishStreamRecv(request, nullptr, 0);
        return;
    }
    request->body = buffer;
    request->bodyLength = body;
    self->inner_->Recv(body, buffer, request->timeout, true,
                       TransmitContainer(new CompletionWithContents<const TransmitResult&, RecvMsgData*>(
                                             request, &TMsgSocket::OnBody, true),
                                         false));
}

void TMsgSocket::OnBody(const TransmitResult& result, RecvMsgData* request) {
    TMsgSocket* self = request->socket;
    const bool datagram = self->inner_->GetType() == kDatagram;
    const bool whole = datagram ? result.transferred > 0 : result.transferred == request->bodyLength;
    if (!whole) {
        std::free(request->body);
        if (!datagram) self->CloseInner();
        self->FinishStreamRecv(request, nullptr, 0);
        return;
    }
    request->success = true;
    self->FinishStreamRecv(request, request->body, result.transferred);
}

BaseMessage* TMsgSocket::MakeMessage(const uint8_t* bytes, long length) {
    if (!bytes || length <= 0) return nullptr;
    const auto n = static_cast<uint32_t>(length);
    std::unique_ptr<BaseMessage> message;
    switch (bytes[0]) {
        case 3: message = std::make_unique<TarnMsg::MiniMessage>(n, bytes); break;
        case 5: message = std::make_unique<TarnMsg::SmallMessage>(n, bytes); break;
        case 7: message = std::make_unique<TarnMsg::LargeMessage>(n, bytes); break;
        case 2:
        case 4:
        case 6:
        case 8: return nullptr;
        default: message = std::make_unique<TarnMsg::TMessage>(n, bytes); break;
    }
    message->Unpack();
    return message.release();
}

BaseMessage* TMsgSocket::BuildReceived(uint8_t* buffer, long length) {
    BaseMessage* message = nullptr;
    try {
        message = MakeMessage(buffer, length);
    } catch (const TarnMsg::BadMsgException&) {
        // A message without a whole header: the peer is not speaking this protocol.
        CloseInner();
    }
    std::free(buffer);
    return message;
}

BaseMessage* TMsgSocket::RecvBaseMsg(BaseMessage** out, long timeout, bool async,
                                     const RecvBaseMsgContainer& completion) {
    if (async) {
        auto* request = new (std::nothrow) RecvBaseMsgData{this, out, completion};
        if (!request) {
            if (!completion.IsEmpty()) completion.Complete(RecvBaseMsgResult{this, nullptr});
            return nullptr;
        }
        RecvMsg(nullptr, nullptr, timeout, true,
                RecvMsgContainer(new CompletionWithContents<const RecvMsgResult&, RecvBaseMsgData*>(
                                     request, &TMsgSocket::OnBaseReceived, true),
                                 false));
        return nullptr;
    }
    long length = 0;
    uint8_t* buffer = RecvMsg(nullptr, &length, timeout, false, {});
    BaseMessage* message = buffer ? BuildReceived(buffer, length) : nullptr;
    if (out) *out = message;
    if (!completion.IsEmpty()) completion.Complete(RecvBaseMsgResult{this, message});
    return message;
}

void TMsgSocket::OnBaseReceived(const RecvMsgResult& result, RecvBaseMsgData* request) {
    std::unique_ptr<RecvBaseMsgData> owned(request);
    BaseMessage* message = result.buffer ? request->socket->BuildReceived(result.buffer, result.length) : nullptr;
    if (request->out) *request->out = message;
    if (!request->completion.IsEmpty()) request->completion.Complete(RecvBaseMsgResult{request->socket, message});
}

// ---------------------------------------------------------------------------------------------------
// Sending

bool TMsgSocket::SendMsg(long length, const void* bytes, long timeout, bool async, bool further,
                         const SendMsgContainer& completion) {
    (void)further;
    auto fail = [&] {
        if (!completion.IsEmpty()) completion.Complete(SendMsgResult{this, bytes, length, false});
        return false;
    };
    if (length < 0 || (!bytes && length > 0)) return fail();
    const bool datagram = inner_->GetType() == kDatagram;
    const uint8_t width = datagram ? 0 : prefixWidth_;
    // A message longer than its prefix can count would put the peer out of step: refuse it here.
    if (!datagram && (MaxMessageLength(width) == 0 || length > MaxMessageLength(width))) return fail();
    const long total = length + width;
    auto* buffer = static_cast<uint8_t*>(std::malloc(total ? static_cast<size_t>(total) : 1));
    if (!buffer) return fail();
    StorePrefix(buffer, width, static_cast<uint32_t>(total));
    if (length) std::memcpy(buffer + width, bytes, static_cast<size_t>(length));

    if (async) {
        auto* request = new (std::nothrow) SendMsgData{this, bytes, length, true, false, completion};
        if (!request) {
            std::free(buffer);
            return fail();
        }
        inner_->Send(total, buffer, timeout, true, true,
                     TransmitContainer(new CompletionWithContents<const TransmitResult&, SendMsgData*>(
                                           request, &TMsgSocket::OnSent, true),
                                       false));
        return true;
    }
    const long sent = inner_->Send(total, buffer, timeout, false, true, {});
    const bool success = sent == total;
    if (!success) CloseInner();
    if (!completion.IsEmpty()) completion.Complete(SendMsgResult{this, bytes, length, success});
    return success;
}

void TMsgSocket::OnSent(const TransmitResult& result, SendMsgData* request) {
    std::unique_ptr<SendMsgData> owned(request);
    request->success = result.transferred == result.length;
    if (!request->success) request->socket->CloseInner();
    if (!request->completion.IsEmpty())
        request->completion.Complete(SendMsgResult{request->socket, request->bytes, request->length, request->success});
}

bool TMsgSocket::SendBaseMsg(BaseMessage* message, long timeout, bool async, bool further,
                             const SendBaseMsgContainer& completion) {
    if (!message) {
        if (!completion.IsEmpty()) completion.Complete(SendBaseMsgResult{this, nullptr, false});
        return false;
    }
    message->Pack();
    if (async) {
        auto* request = new (std::nothrow) SendBaseMsgData{this, message, completion};
        if (!request) {
            if (!completion.IsEmpty()) completion.Complete(SendBaseMsgResult{this, message, false});
            return false;
        }
        return SendMsg(message->GetDataLen(), message->GetDataPtr(), timeout, true, further,
                       SendMsgContainer(new CompletionWithContents<const SendMsgResult&, SendBaseMsgData*>(
                                            request, &TMsgSocket::OnBaseSent, true),
                                        false));
    }
    const bool success = SendMsg(message->GetDataLen(), message->GetDataPtr(), timeout, false, further, {});
    if (!completion.IsEmpty()) completion.Complete(SendBaseMsgResult{this, message, success});
    return success;
}

void TMsgSocket::OnBaseSent(const SendMsgResult& result, SendBaseMsgData* request) {
    std::unique_ptr<SendBaseMsgData> owned(request);
    if (!request->completion.IsEmpty())
        request->completion.Complete(SendBaseMsgResult{request->socket, request->message, result.success});
}

}  // namespace TarnAPI
