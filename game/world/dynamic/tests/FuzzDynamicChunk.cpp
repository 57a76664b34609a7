// Feeds arbitrary bytes to the dynamic-object reader as one chunk over a row of crates, creates the
// objects and runs them for a while.
#include <cstdint>
#include <vector>

#include "game/world/dynamic/tests/DynamicTestSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static kes::TableRender render;
    kes::test::StartObjects();
    kes::test::LoadCrates(&render, 4);
    kes::test::LoadDynamic(std::vector<uint8_t>(data, data + size));
    kes::CreateDynamicObjects();
    kes::WorldObjectsLoad();
    for (int i = 0; i < 20; ++i) kes::UpdateObjects(37, 0);
    kes::WorldView view;
    view.groundMinX = view.groundMinY = -1e4f;
    view.groundMaxX = view.groundMaxY = 1e4f;
    kes::DrawDynamicObjects(view, &render);
    render.draws.clear();
    kes::FreeDynamicObjects();
    kes::ObjectTypesFree();
    kes::FreeObjects();
    return 0;
}
