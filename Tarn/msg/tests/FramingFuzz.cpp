// Reads arbitrary bytes as each header class and walks the body with every read primitive, driven by
// the input itself. Any failure must be a BadMsgException, never a read outside the buffer.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "Tarn/common/EventLog.h"
#include "Tarn/msg/BadMsgException.h"
#include "Tarn/msg/Messages.h"

using namespace TarnMsg;

namespace {

void Walk(BaseMessage& m, uint8_t script) {
    try {
        m.Unpack();
        (void)m.GetServiceType();
        (void)m.GetMessageType();
        for (int step = 0; step < 64 && m.BytesLeftToRead() > 0; ++step) {
            switch ((script + step) % 6) {
                case 0: (void)m.ReadLong(); break;
                case 1: (void)m.ReadShort(); break;
                case 2: (void)m.ReadByte(); break;
                case 3: (void)m.ReadString(); break;
                case 4: {
                    std::u16string w;
                    m.ReadWString(w);
                    break;
                }
                default: (void)m.ReadBytes(m.BytesLeftToRead() / 2 + 1); break;
            }
        }
    } catch (BadMsgException& e) {
        e.SetLogged(false);
    }
    try {
        std::unique_ptr<BaseMessage> copy(m.Duplicate());
        copy->ReserveBody(m.GetDataLen());
    } catch (BadMsgException& e) {
        e.SetLogged(false);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool quiet = (TarnCommon::SetEventLogFolder("/nonexistent-tarn-fuzz-folder"), true);
    (void)quiet;
    if (size > kMaxMessageLength) return 0;
    const auto n = static_cast<uint32_t>(size);
    const uint8_t script = size ? data[size - 1] : 0;
    TMessage t(n, data);
    Walk(t, script);
    MiniMessage mini(n, data);
    Walk(mini, script);
    SmallMessage small(n, data);
    Walk(small, script);
    LargeMessage large(n, data);
    Walk(large, script);
    return 0;
}
