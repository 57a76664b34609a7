#include "common/bus/MessageBus.h"

#include <algorithm>
#include <cstring>

namespace qv {

MessageBus::~MessageBus() {
    for (Port* port : ports_) {
        port->registered = 0;
        port->owner = nullptr;
    }
}

bool MessageBus::Contains(const Port* port) const {
    return std::find(ports_.begin(), ports_.end(), port) != ports_.end();
}

int32_t MessageBus::Broadcast(Port* sender, uint32_t kind, uint32_t code, MsgArg arg, MsgArg data) {
    // Walk a copy taken at the start, so that a receiver that unregisters itself (or another port)
    // does not make the walk skip the port after it. Ports that left the bus meanwhile are passed by.
    const std::vector<Port*> snapshot = ports_;
    int32_t called = 0;
    for (Port* port : snapshot) {
        if (port == sender || !Contains(port)) continue;
        if ((port->kindMask & kind) == 0) continue;
        port->OnMessage(sender, code, arg, data);
        ++called;
    }
    return called;
}

int32_t MessageBus::Register(Port* port) {
    if (!port || Contains(port)) return -1;
    if (port->name && FindByName(port->name)) return -1;
    ports_.push_back(port);
    port->registered = 1;
    port->owner = this;
    return 0;
}

int32_t MessageBus::Unregister(Port* port) {
    auto it = std::find(ports_.begin(), ports_.end(), port);
    if (it == ports_.end()) return 0;
    ports_.erase(it);
    port->registered = 0;
    port->owner = nullptr;
    return static_cast<int32_t>(ports_.size());
}

Port* MessageBus::FindByName(const char* wanted) {
    if (!wanted) return nullptr;
    for (Port* port : ports_) {
        if (port->name && std::strcmp(port->name, wanted) == 0) return port;
    }
    return nullptr;
}

}  // namespace qv
