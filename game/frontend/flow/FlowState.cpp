#include "game/frontend/flow/FlowState.h"

namespace kes {

GameFlowState& Flow() {
    static GameFlowState state;
    return state;
}

}  // namespace kes
