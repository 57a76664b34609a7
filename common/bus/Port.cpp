#include "common/bus/MessageBus.h"

#include <cstdlib>
#include <cstring>

namespace qv {

Port::Port() = default;

Port::Port(const char* portName, uint32_t mask) : kindMask(mask) {
    if (portName) name = strdup(portName);
}

Port::~Port() {
    if (registered && owner) owner->Unregister(this);
    std::free(name);
}

}  // namespace qv
