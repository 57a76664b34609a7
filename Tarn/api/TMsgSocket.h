#pragma once
// A socket of whole messages over a byte socket. On a stream every message travels behind a length
// prefix of 1, 2 or 4 bytes (little-endian) whose value counts the prefix itself; on a datagram socket
// a message is one datagram. Results name the message socket, never the inner socket.
#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>

#include "Tarn/api/Socket.h"
#include "Tarn/msg/Messages.h"

namespace TarnAPI {

class TMsgSocket : public Socket {
public:
    struct RecvMsgResult {
        TMsgSocket* socket;
        uint8_t* buffer;  // malloc'ed; belongs to whoever takes the result; none on failure
        long length;      // 0 on failure
    };
    struct SendMsgResult {
        TMsgSocket* socket;
        const void* bytes;
        long length;
        bool success;
    };
    struct RecvBaseMsgResult {
        TMsgSocket* socket;
        TarnMsg::BaseMessage* message;  // new message of the right class, or none
    };
    struct SendBaseMsgResult {
        TMsgSocket* socket;
        TarnMsg::BaseMessage* message;
        bool success;
    };
    using RecvMsgContainer = CompletionContainer<const RecvMsgResult&>;
    using SendMsgContainer = CompletionContainer<const SendMsgResult&>;
    using RecvBaseMsgContainer = CompletionContainer<const RecvBaseMsgResult&>;
    using SendBaseMsgContainer = CompletionContainer<const SendBaseMsgResult&>;

    struct RecvMsgData;
    struct SendMsgData;
    struct RecvBaseMsgData;
    struct SendBaseMsgData;
    class IntermediateOpenCompletion;
    class IntermediateCompletion;

    TMsgSocket(Socket* inner, uint8_t prefixWidth, uint32_t largestDatagram);
    ~TMsgSocket() override;

    Socket* GetInner() const { return inner_; }
    void SetOwnsInner(bool owns) { ownsInner_ = owns; }
    uint8_t GetPrefixWidth() const { return prefixWidth_; }

    int GetType() const override { return inner_->GetType(); }
    long Open(long timeout, bool async, const OpenContainer& completion) override;
    bool IsOpen() override { return inner_->IsOpen(); }
    bool IsSendOpen() override { return inner_->IsSendOpen(); }
    bool IsRecvOpen() override { return inner_->IsRecvOpen(); }
    long CloseSend(long timeout, bool async, const ResultContainer& completion) override;
    long CloseRecv(long timeout, bool async, const ResultContainer& completion) override;
    long Close(long timeout, bool async, const ResultContainer& completion) override;
    void CatchClose(const ResultContainer& completion, bool keepArmed) override;
    void CatchCloseRecv(const ResultContainer& completion, bool keepArmed) override;
    void CatchRecvable(const ResultContainer& completion, bool keepArmed) override;
    // Raw bytes cannot travel on a message socket: both complete at once with 0 bytes.
    long Send(long length, const void* buffer, long timeout, bool async, bool ownsBuffer,
              const TransmitContainer& completion) override;
    long Recv(long length, void* buffer, long timeout, bool async, const TransmitContainer& completion) override;
    bool AbortRecv() override { return inner_->AbortRecv(); }
    bool AbortSend() override { return inner_->AbortSend(); }
    long BytesAvailable() override { return inner_->BytesAvailable(); }
    bool HasRecvPending() override { return inner_->HasRecvPending(); }
    bool HasSendPending() override { return inner_->HasSendPending(); }

    // Blocking: the message (the caller's to delete), also stored in *out. Asynchronous: none; the
    // message comes through the completion. A malformed message gives none and closes the stream.
    virtual TarnMsg::BaseMessage* RecvBaseMsg(TarnMsg::BaseMessage** out, long timeout, bool async,
                                              const RecvBaseMsgContainer& completion);
    // Blocking: the body (malloc'ed, the caller's to free), none on failure.
    virtual uint8_t* RecvMsg(uint8_t** outBuffer, long* outLength, long timeout, bool async,
                             const RecvMsgContainer& completion);
    // The further argument is passed along for the caller's use and changes nothing here: the message
    // socket always sends its own copy of the bytes behind the prefix.
    virtual bool SendBaseMsg(TarnMsg::BaseMessage* message, long timeout, bool async, bool further,
                             const SendBaseMsgContainer& completion);
    virtual bool SendMsg(long length, const void* bytes, long timeout, bool async, bool further,
                         const SendMsgContainer& completion);

    // The message class named by the first byte, built from the bytes and unpacked; none for an empty
    // run or the codes 2, 4, 6, 8. Throws BadMsgException when the bytes do not hold a whole header.
    static TarnMsg::BaseMessage* MakeMessage(const uint8_t* bytes, long length);
    // Largest message (without prefix) that a prefix width can carry.
    static long MaxMessageLength(uint8_t prefixWidth);
    // Checks a received length prefix of the width (1, 2 or 4 bytes): the body length that follows,
    // 0 for an empty message that keeps the stream in step, or -1 when the stream must close (a
    // prefix smaller than itself, a body beyond the largest message, an empty 4-byte-prefixed one).
    static long BodyLengthFor(uint8_t prefixWidth, const uint8_t* prefix);

private:
    static void OnPrefix(const TransmitResult& result, RecvMsgData* request);
    static void OnBody(const TransmitResult& result, RecvMsgData* request);
    static void OnSent(const TransmitResult& result, SendMsgData* request);
    static void OnBaseReceived(const RecvMsgResult& result, RecvBaseMsgData* request);
    static void OnBaseSent(const SendMsgResult& result, SendBaseMsgData* request);
    long BodyLengthFor(const uint8_t* prefix) const { return BodyLengthFor(prefixWidth_, prefix); }
    TarnMsg::BaseMessage* BuildReceived(uint8_t* buffer, long length);
    // A stream out of step is closed, unless this socket is being destroyed and the inner one is not its own.
    void CloseInner() {
        if (!releasing_) inner_->Close(-1, false, {});
    }
    // Asynchronous stream receives run one at a time: the prefix and body of one message must be
    // taken before the next receive starts reading.
    void StartStreamRecv(RecvMsgData* request);
    void FinishStreamRecv(RecvMsgData* request, uint8_t* buffer, long length);

    Socket* inner_;
    uint8_t prefixWidth_;
    bool ownsInner_ = false;
    std::atomic<bool> releasing_{false};
    uint32_t largestDatagram_;
    std::mutex recvLock_;
    bool recvActive_ = false;
    std::deque<RecvMsgData*> recvWaiting_;
};

}  // namespace TarnAPI
