#include "editor/render/RenderLayer.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace qv {

namespace {

// (state, value) set once when the layer starts.
constexpr uint32_t kDefaultStates[][2] = {{4, 1},  {2, 0},  {5, 0},  {6, 0},  {7, 1},  {8, 3},  {9, 2},  {11, 0},
                                          {14, 1}, {15, 0}, {27, 0}, {19, 2}, {20, 1}, {22, 3}, {23, 4}, {26, 1},
                                          {28, 0}, {29, 0}, {52, 0}, {31, 1}, {17, 4}, {18, 4}};

}  // namespace

RenderLayer::RenderLayer(RenderDevice* device, int32_t width, int32_t height)
    : device_(device), width_(std::max(1, width)), height_(std::max(1, height)) {
    rects_.push_back({0, 0, width_, height_});
    for (const auto& s : kDefaultStates) SetRenderState(s[0], s[1]);
}

void RenderLayer::SetSize(int32_t width, int32_t height) {
    width_ = std::max(1, width);
    height_ = std::max(1, height);
    rects_[0] = {0, 0, width_, height_};
}

int32_t RenderLayer::AddViewport(int32_t x, int32_t y, int32_t w, int32_t h) {
    rects_.push_back({x, y, x + w, y + h});
    return static_cast<int32_t>(rects_.size()) - 1;
}

int32_t RenderLayer::SetViewport(int32_t index, int32_t x, int32_t y, int32_t w, int32_t h) {
    if (index <= 0 || index >= static_cast<int32_t>(rects_.size())) return Result(kRenderFailed);
    rects_[static_cast<size_t>(index)] = {x, y, x + w, y + h};
    return 0;
}

PixelRect RenderLayer::ViewportRect(int32_t index) const {
    if (index < 0 || index >= static_cast<int32_t>(rects_.size())) return {0, 0, 0, 0};
    return rects_[static_cast<size_t>(index)];
}

int32_t RenderLayer::SelectViewport(int32_t index) {
    if (index < 0 || index >= static_cast<int32_t>(rects_.size())) return Result(kRenderFailed);
    current_ = index;
    device_->SetClip(rects_[static_cast<size_t>(index)]);
    return 0;
}

int32_t RenderLayer::SetRenderState(uint32_t state, uint32_t value) {
    if (state == 27) {
        alphaRecording_ = value != 0;
        if (!alphaRecording_) ApplyTexture();
    } else if (state == kStateAlphaBlendNow) {
        device_->SetRenderState(27, value);
    } else {
        device_->SetRenderState(state, value);
    }
    return 0;
}

int32_t RenderLayer::SetTexture(uint32_t slot) {
    if (slot == texture_ && !texturePending_) return 0;
    texture_ = slot;
    if (alphaRecording_) {
        texturePending_ = true;
    } else {
        texturePending_ = true;
        ApplyTexture();
    }
    return 0;
}

int32_t RenderLayer::SetStageTexture(uint32_t stage, uint32_t slot) {
    if (stage >= kTextureStages) return Result(kRenderFailed);
    if (stage > 0) {
        device_->SetStageTexture(stage, slot);
    } else {
        device_->SetTexture(slot);
        // The current slot follows what the device holds, so that selecting the previous texture again
        // binds it again instead of being taken as no change.
        texture_ = slot;
        texturePending_ = false;
    }
    return 0;
}

void RenderLayer::ApplyTexture() {
    if (!texturePending_) return;
    texturePending_ = false;
    device_->SetTexture(texture_);
}

int32_t RenderLayer::DrawPrimitive(uint32_t type, uint32_t vertexCount, const ScreenVertex* vertices,
                                   uint32_t indexCount, const uint16_t* indices) {
    if (!vertices || !indices) return Result(kRenderFailed);
    triangles_ += indexCount / 3;
    if (!alphaRecording_ || type != 4) {
        ApplyTexture();
        device_->DrawIndexed(type, vertices, vertexCount, indices, indexCount);
        return 0;
    }
    for (uint32_t i = 0; i + 2 < indexCount; i += 3) {
        if (indices[i] >= vertexCount || indices[i + 1] >= vertexCount || indices[i + 2] >= vertexCount) continue;
        Deferred d;
        d.slot = texture_;
        d.v[0] = vertices[indices[i]];
        d.v[1] = vertices[indices[i + 1]];
        d.v[2] = vertices[indices[i + 2]];
        d.key = (d.v[0].sz + d.v[1].sz + d.v[2].sz) * 0.33333334f;
        deferred_.push_back(d);
    }
    return 0;
}

void RenderLayer::DrawDeferred() {
    if (deferred_.empty()) return;
    device_->SetRenderState(27, 1);
    device_->SetRenderState(19, 5);
    device_->SetRenderState(20, 6);
    device_->SetRenderState(22, 1);
    std::stable_sort(deferred_.begin(), deferred_.end(), [](const Deferred& a, const Deferred& b) { return a.key > b.key; });
    std::vector<ScreenVertex> run;
    std::vector<uint16_t> indices;
    size_t i = 0;
    while (i < deferred_.size()) {
        const uint32_t slot = deferred_[i].slot;
        run.clear();
        // One draw per run of the same texture; a run never exceeds what 16-bit indices reach.
        while (i < deferred_.size() && deferred_[i].slot == slot && run.size() + 3 <= 65535) {
            run.insert(run.end(), deferred_[i].v, deferred_[i].v + 3);
            ++i;
        }
        indices.resize(run.size());
        std::iota(indices.begin(), indices.end(), uint16_t{0});
        device_->SetTexture(slot);
        device_->DrawIndexed(4, run.data(), static_cast<uint32_t>(run.size()), indices.data(),
                             static_cast<uint32_t>(indices.size()));
    }
    device_->SetRenderState(22, 3);
    device_->SetRenderState(27, 0);
    device_->SetRenderState(19, 2);
    device_->SetRenderState(20, 1);
    deferred_.clear();
    // The device's texture now differs from the current slot: set it again before the next draw.
    texturePending_ = true;
}

void RenderLayer::Transform(const float m[16], ScreenVertex* out, uint32_t count, const float* in, uint32_t flags) const {
    const float cx = static_cast<float>(width_ / 2), cy = static_cast<float>(height_ / 2);
    for (uint32_t i = 0; i < count; ++i, in += 8) {
        const float x = in[0], y = in[1], z = in[2];
        float w = x * m[12] + y * m[13] + z * m[14] + m[15];
        if (w == 0.0f) w = 1e-6f;  // a point on the eye plane would give an infinite reciprocal
        const float rhw = 1.0f / w;
        ScreenVertex& o = out[i];
        o.sx = cx + cx * rhw * (x * m[0] + y * m[1] + z * m[2] + m[3]);
        o.sy = cy - cy * rhw * (x * m[4] + y * m[5] + z * m[6] + m[7]);
        o.sz = rhw * (x * m[8] + y * m[9] + z * m[10] + m[11]);
        o.rhw = rhw;
        uint32_t word5;
        std::memcpy(&word5, &in[4], 4);
        o.colour = (flags & 1) ? vertexColour_ : word5;
        o.u = in[6];
        o.v = in[7];
    }
}

void RenderLayer::Clear() { device_->Clear(rects_[static_cast<size_t>(current_)]); }

void RenderLayer::BeginFrame() {
    triangles_ = 0;
    device_->BeginScene();
}

void RenderLayer::EndFrame() {
    DrawDeferred();
    device_->SetRenderState(50, 1);
    device_->EndScene();
}

}  // namespace qv
