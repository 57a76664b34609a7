#pragma once
// The editor's four viewports: each has a camera (the document's record for it), a view and projection,
// per-plug-in render flags, optionally a lock to a plug-in's view, and the mouse navigation of the
// editor-wide tool. A render pass lets every flagged plug-in draw after a fixed set of render states
// (or the locked view draw alone).
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/bus/MessageBus.h"
#include "editor/core/WorldDocument.h"
#include "editor/plugin/PluginApi.h"

namespace plat {
struct Menu;
}

namespace qv {

class Editor;
class RenderLayer;
class MouseDevice;
class ViewportSet;
class TextContext;

// Navigation tools (toolbar commands).
enum : int32_t {
    kToolNone = 0,
    kToolMove = 7005,
    kToolForward = 7006,
    kToolRotate = 7007,
    kToolTilt = 7008,
    kToolSelect = 7009,
    kToolFieldOfView = 7010,
};

// Popup menu commands of a viewport.
enum : int32_t {
    kCmdMove = 40023,
    kCmdRotate = 40024,
    kCmdPluginMenu = 40029,
    kCmdMaxMin = 40038,
    kCmdProperties = 40040,
    kCmdFieldOfView = 40041,
    kCmdSelect = 40042,
    kCmdForward = 40047,
    kCmdTilt = 40048,
    kCmdViewFirst = 40050,   // 40050-40059 predefined views
    kCmdUseFirst = 40060,    // 40060-40075 use user view 1-16
    kCmdSetFirst = 40076,    // 40076-40091 set user view 1-16
    kCmdPerspective = 40095,
    kCmdTopDown = 40097,
    kCmdPluginFirst = 60000,
};

// Rows right, forward, up of the camera for its angles in degrees.
void RotationFromAngles(const float angles[3], float right[3], float forward[3], float up[3]);

class EditorViewport;

// A viewport's port on the bus: world bounds changes, area redraws and a view's redraw request make
// the viewport draw again.
class ViewportPort : public Port {
public:
    ViewportPort(std::string name, EditorViewport* viewport) : Port(name.c_str(), 0x18), viewport_(viewport) {}
    int32_t OnMessage(Port*, uint32_t code, MsgArg, MsgArg) override;

private:
    EditorViewport* viewport_;
};

class EditorViewport final : public Viewport {
public:
    EditorViewport(ViewportSet* set, int index);
    ~EditorViewport() override;

    void Invalidate(MsgArg value) override;
    void RedrawAll(MsgArg value) override;
    void Paint() override;
    void Resize(int32_t width, int32_t height) override;
    void Render() override;
    int32_t DrawPrimitive(uint32_t type, uint32_t vertexCount, const ScreenVertex* vertices, uint32_t indexCount,
                          const uint16_t* indices) override;
    int32_t SetRenderState(uint32_t state, uint32_t value) override;
    int32_t GetDrawingContext(QvDC* out) override;
    int32_t ReleaseDrawingContext(QvDC context) override;
    float* GetViewMatrix() override { return view_; }
    float* GetProjectionMatrix() override { return projection_; }
    float* GetScreenMatrix() override { return screen_; }
    float* GetViewState() override { return product_; }
    void GetSize(int32_t* width, int32_t* height) override;
    void GetCameraPosition(float out[3]) override;
    void GetForward(float out[3]) override;
    float GetFieldOfView() override { return Camera().fieldOfView; }
    void GetClipPlanes(float* nearOut, float* farOut) override;
    uint32_t GetFlags() override;
    void Unlock() override;
    void UpdateMatrices() override;
    void MouseDown(int32_t x, int32_t y, uint32_t shift, uint32_t control) override;
    void MouseTrack(int32_t a, int32_t b) override;
    void MouseUp() override;
    void SetView(int32_t kind) override;
    void SetUserView(int32_t n) override;
    void UseUserView(int32_t n) override;
    int32_t ReadUserViews(FileStream* stream) override;
    int32_t WriteUserViews(FileStream* stream) override;
    int32_t ReadCamera(FileStream* stream) override;
    int32_t WriteCamera(FileStream* stream) override;
    int32_t DrawHostMesh(PluginHost* host, uint32_t index, MsgArg value) override;
    int32_t TransformPoints(const float* matrix, ScreenVertex* out, uint32_t count, const float* in,
                            uint32_t colour) override;
    int32_t TransformVertices(const float* matrix, ScreenVertex* out, uint32_t count, const MeshVertex* in,
                              uint32_t colour) override;

    // ---- the editor's side
    // Where the viewport lies in the window: its drawing goes to that rectangle of the render target.
    void Place(int32_t x, int32_t y, int32_t width, int32_t height);
    int Index() const { return index_; }
    CameraRecord& Camera();
    float Zoom() const { return zoom_; }
    void SetZoom(float zoom) { zoom_ = zoom; }
    void SetFlags(uint32_t flags) { flags_ = flags; }
    uint32_t RawFlags() const { return flags_; }
    bool Pending() const { return pending_; }
    int Paints() const { return paints_; }
    const float* Right() const { return right_; }
    const float* Forward() const { return forward_; }
    const float* Up() const { return up_; }
    bool Dragging() const { return dragging_; }

    std::vector<uint8_t>& RenderFlags() { return renderFlags_; }
    PluginView* LockedView() const { return locked_; }
    // Locks to a new instance of the view (null instance: stays unlocked).
    bool LockTo(PluginView* prototype);

    // Builds the popup menu's state for this viewport (checks, greys, the "Plugin" submenu).
    void PreparePopup(plat::Menu& menu);
    // The right button: shows the popup and carries out the chosen command.
    void ShowPopup();
    // A popup command (or one given another way).
    void OnCommand(int32_t id);
    // The properties dialog: render flags and the locked view.
    void ShowProperties();
    // Which cursor the viewport shows: 0 arrow, or the tool's cursor number (190, 191, 194, 198, 197);
    // over a locked viewport -1 means the view decided, its cursor given in *view when asked for.
    int CursorFor(int32_t x, int32_t y, uint32_t shift, uint32_t control, QvCursor* view = nullptr);

    int propertiesPlugin = 0;
    int propertiesView = 0;

private:
    // The rows right, forward, up from the camera's angles. The camera lives in the world document,
    // which a world file changes, so the rows are taken again before each use.
    void RebuildRotation();
    void TransformMatrix(const float* given, float m[16]) const;
    void SendSelect(uint32_t code, MsgArg arg);
    ViewportSet* set_;
    int index_;
    bool pending_ = false;
    int paints_ = 0;
    PluginView* locked_ = nullptr;
    ViewportPort port_;
    uint32_t flags_ = kViewportPerspective;
    float zoom_ = 4.0f;
    int32_t width_ = 1, height_ = 1;
    int32_t originX_ = 0, originY_ = 0;
    float right_[3] = {1, 0, 0}, forward_[3] = {0, 1, 0}, up_[3] = {0, 0, 1};
    float view_[16] = {}, projection_[16] = {}, screen_[16] = {}, product_[16] = {};
    std::vector<uint8_t> renderFlags_;
    int32_t renderRect_ = 0;
    bool dragging_ = false;
    int32_t lastDx_ = 0, lastDy_ = 0;
};

// The four viewports and what they share: the tool, the maximised viewport, the rendering layer and
// the mouse.
class ViewportSet {
public:
    ViewportSet(Editor* editor, RenderLayer* render, MouseDevice* mouse);
    ~ViewportSet();
    ViewportSet(const ViewportSet&) = delete;
    ViewportSet& operator=(const ViewportSet&) = delete;

    EditorViewport& operator[](int i) { return *views_[static_cast<size_t>(i)]; }
    static constexpr int kCount = 4;

    // Destroys every locked view (before the plug-ins go).
    void UnlockAll();
    void InvalidatePlugin(int32_t pluginIndex);  // -1: every viewport
    // Paints every pending viewport; the number painted.
    int PaintPending();
    // The 10 ms step of a drag.
    void Tick();

    int32_t tool = kToolNone;
    int maximised = -1;
    Editor* editor;
    RenderLayer* render;
    MouseDevice* mouse;
    std::unique_ptr<TextContext> text;  // lent by GetDrawingContext
    // The window's answers: the tool's toolbar button is checked, a maximise is laid out.
    std::function<void(int32_t)> onToolChosen;
    std::function<void(int)> onMaximise;
    void ChooseTool(int32_t t);
    void ToggleMaximise(int index);

private:
    std::array<std::unique_ptr<EditorViewport>, kCount> views_;
};

}  // namespace qv
