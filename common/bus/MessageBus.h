#pragma once
// The message bus through which the editor and its plug-ins talk: ports are named receivers with a
// kind mask; a broadcast of a kind reaches every registered port whose mask has that kind.
//
// The method tables of Port and MessageBus are part of the plug-in contract: their virtual operations
// are declared in slot order, and the destructors come last so that they do not move any slot.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qv {

// Message arguments may carry pointers, so they are pointer-sized; f32 values travel as their bit
// pattern in the low 32 bits.
using MsgArg = uintptr_t;

// Message kinds (bits of a port's kind mask).
enum : uint32_t {
    kKindResources = 0x2,
    kKindViewportInput = 0x4,
    kKindWorld = 0x8,
    kKindView = 0x10,
};

// Message codes.
enum : uint32_t {
    kMsgTextureAdding = 0x20001,
    kMsgTextureAdded = 0x20002,
    kMsgTextureDeleting = 0x20003,
    kMsgTextureDeleted = 0x20004,
    kMsgTexturePicked = 0x20005,
    kMsgTextureReplaced = 0x20006,
    kMsgAlphaInserted = 0x20007,
    kMsgMeshAdding = 0x20010,
    kMsgMeshAdded = 0x20020,
    kMsgMeshDeleting = 0x20030,
    kMsgMeshDeleted = 0x20040,
    kMsgNavigateTranslate = 0x10001,
    kMsgNavigateRotate = 0x10003,
    kMsgNavigateFieldOfView = 0x10004,
    kMsgSelectPress = 0x40001,
    kMsgSelectRelease = 0x40003,
    kMsgSelectDrag = 0x40004,
    kMsgWorldBoundsChanged = 0x80001,
    kMsgRedrawArea = 0x80002,
    kMsgHeightScaleChanged = 0x80003,
    kMsgViewRedrawRequest = 0x100001,
};

class MessageBus;

// A named receiver of messages. Plug-ins and the editor derive from it.
class Port {
public:
    // Without a name: takes every kind (mask 0xFFFFFFFF).
    Port();
    // With a name (copied) and a kind mask.
    Port(const char* name, uint32_t kindMask);
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;

    // Slot 0. The bus ignores the result.
    virtual int32_t OnMessage(Port* sender, uint32_t code, MsgArg arg, MsgArg data) = 0;

    bool IsRegistered() const { return registered != 0; }
    uint32_t KindMask() const { return kindMask; }
    const char* Name() const { return name; }

    // Fields read by the bus across library boundaries; their order is part of the contract.
    uint32_t registered = 0;
    uint32_t kindMask = 0xFFFFFFFFu;
    char* name = nullptr;
    // The bus the port is registered in, so that a port destroyed while registered leaves it.
    MessageBus* owner = nullptr;

    // A port that is destroyed while still registered unregisters itself first, so the bus never
    // keeps a dangling pointer.
    virtual ~Port();
};

class MessageBus {
public:
    MessageBus() = default;
    MessageBus(const MessageBus&) = delete;
    MessageBus& operator=(const MessageBus&) = delete;

    // Slot 0: every registered port except the sender whose mask meets the kind, in registration
    // order; returns how many ports were called.
    virtual int32_t Broadcast(Port* sender, uint32_t kind, uint32_t code, MsgArg arg, MsgArg data);
    // Slot 1: 0, or -1 when already registered or when its name is taken.
    virtual int32_t Register(Port* port);
    // Slot 2: the number of ports left; 0 without a change when the port was not registered.
    virtual int32_t Unregister(Port* port);
    // Slot 3: the first registered port of exactly that name, or null.
    virtual Port* FindByName(const char* name);

    size_t Count() const { return ports_.size(); }

    virtual ~MessageBus();

private:
    bool Contains(const Port* port) const;
    std::vector<Port*> ports_;
};

}  // namespace qv
