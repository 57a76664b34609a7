#include <cstdio>

#include "editor/render/RenderDevice.h"

namespace qv {

void RecordingDevice::SetRenderState(uint32_t state, uint32_t value) {
    calls.push_back("state " + std::to_string(state) + " " + std::to_string(value));
}

void RecordingDevice::SetTexture(uint32_t slot) { calls.push_back("texture " + std::to_string(slot)); }

void RecordingDevice::SetStageTexture(uint32_t stage, uint32_t slot) {
    calls.push_back("stage " + std::to_string(stage) + " texture " + std::to_string(slot));
}

void RecordingDevice::DrawIndexed(uint32_t type, const ScreenVertex* vertices, uint32_t vertexCount,
                                  const uint16_t* indices, uint32_t indexCount) {
    char text[96];
    std::snprintf(text, sizeof text, "draw %u v%u i%u", type, vertexCount, indexCount);
    calls.push_back(text);
    std::vector<ScreenVertex> drawn;
    for (uint32_t i = 0; i < indexCount; ++i)
        if (indices[i] < vertexCount) drawn.push_back(vertices[indices[i]]);
    draws.push_back(std::move(drawn));
}

void RecordingDevice::SetClip(const PixelRect& r) {
    calls.push_back("clip " + std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
                    std::to_string(r.bottom));
}

void RecordingDevice::Clear(const PixelRect& r) {
    calls.push_back("clear " + std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) +
                    " " + std::to_string(r.bottom));
}

void RecordingDevice::BeginScene() { calls.push_back("begin"); }
void RecordingDevice::EndScene() { calls.push_back("end"); }

}  // namespace qv
