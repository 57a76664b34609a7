#pragma once
// The socket interface of the online library: every operation can block, run asynchronously with a
// completion, or carry a time-out (milliseconds, negative for none).
#include <cstdint>

#include "Tarn/api/Completion.h"

namespace TarnAPI {

// Open results.
constexpr long kOpenOk = 0;
constexpr long kOpenSetupFailed = 100002;     // non-blocking mode or buffer sizes refused
constexpr long kOpenFailed = 100004;          // threads could not start, or another connect error
constexpr long kOpenNoSocket = 100005;        // no socket could be made, or no buffers
constexpr long kOpenBadAddress = 100006;      // the address was refused
constexpr long kOpenRefused = 100008;         // refused, unreachable, or failed later
constexpr long kOpenTimedOut = 100009;        // no connection within the time-out
constexpr long kOpenPending = 100010;         // goes on asynchronously; the completion has the code

class Socket {
public:
    struct Result {
        Socket* socket;
    };
    struct OpenResult {
        Socket* socket;
        long error;
    };
    struct TransmitResult {
        Socket* socket;
        void* buffer;
        long length;       // requested
        long transferred;  // done
    };
    using ResultContainer = CompletionContainer<const Result&>;
    using OpenContainer = CompletionContainer<const OpenResult&>;
    using TransmitContainer = CompletionContainer<const TransmitResult&>;

    enum Type { kStream = 1, kDatagram = 2 };

    virtual ~Socket() = default;
    virtual int GetType() const = 0;
    virtual long Open(long timeout, bool async, const OpenContainer& completion) = 0;
    virtual bool IsOpen() = 0;
    virtual bool IsSendOpen() = 0;
    virtual bool IsRecvOpen() = 0;
    virtual long CloseSend(long timeout, bool async, const ResultContainer& completion) = 0;
    virtual long CloseRecv(long timeout, bool async, const ResultContainer& completion) = 0;
    virtual long Close(long timeout, bool async, const ResultContainer& completion) = 0;
    virtual void CatchClose(const ResultContainer& completion, bool keepArmed) = 0;
    virtual void CatchCloseRecv(const ResultContainer& completion, bool keepArmed) = 0;
    virtual void CatchRecvable(const ResultContainer& completion, bool keepArmed) = 0;
    // Blocking: the bytes transferred. Asynchronous: 0, the result comes through the completion.
    // An owned buffer must come from malloc; the socket frees it after the completion has run.
    virtual long Send(long length, const void* buffer, long timeout, bool async, bool ownsBuffer,
                      const TransmitContainer& completion) = 0;
    // A stream receive finishes when length bytes have arrived, or the receiving side closed or failed.
    // Without a buffer the layer allocates one that lives until the completion has run.
    virtual long Recv(long length, void* buffer, long timeout, bool async, const TransmitContainer& completion) = 0;
    virtual bool AbortRecv() = 0;
    virtual bool AbortSend() = 0;
    virtual long BytesAvailable() = 0;
    virtual bool HasRecvPending() = 0;
    virtual bool HasSendPending() = 0;
};

// Abstract byte stream.
class Stream {
public:
    virtual ~Stream() = default;
    virtual long Write(long length, const void* buffer) = 0;
    virtual long Read(long length, void* buffer) = 0;
};

}  // namespace TarnAPI
