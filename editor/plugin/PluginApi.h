#pragma once
// The contract between the editor and its plug-ins. A plug-in library exports
//     extern "C" qv::EditorPlugin* PluginDescription();
// and everything it needs of the editor comes through the objects below. Each interface declares its
// operations in slot order; destructors and further operations come after the contract's slots so that
// they move none of them. Plug-ins and the editor are built by the same compiler.
#include <cstdint>

#include "common/bus/MessageBus.h"
#include "common/stream/FileStream.h"

namespace qv {

// Result codes of the editor and its plug-ins.
enum : uint32_t {
    kResultWrongVersion = 0x8123F902,
    kResultBadIndex = 0x8123F903,
    kResultBadChunk = 0x8123F904,
    kResultWriteFailed = 0x8123F905,
    kResultNotLiveView = 0x8123F907,
    kResultNoSound = 0x8123F908,
    kPluginLoadRefused = 0x16D698,
    kResultOutOfMemory = 0x8007000E,
    kResultBadArgument = 0x80070057,
    kResultFail = 0x80004005,
    kResultTextureMemoryRefused = 0x81233000,
};

inline constexpr int32_t Result(uint32_t code) { return static_cast<int32_t>(code); }

// Four characters in memory order, as chunk tags and plug-in identifiers are stored.
inline constexpr uint32_t FourCC(const char (&t)[5]) {
    return static_cast<uint32_t>(static_cast<uint8_t>(t[0])) | (static_cast<uint32_t>(static_cast<uint8_t>(t[1])) << 8) |
           (static_cast<uint32_t>(static_cast<uint8_t>(t[2])) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(t[3])) << 24);
}

// Opaque handles of the editor's window and dialog layer. A window handle the host gives a plug-in (a
// panel from CreatePluginDialog, the first argument of a dialog procedure) is a plat::Dialog of the
// shared dialog layer (platform/dialogs/Dialog.h); plugins/shared/Panel.h AsDialog turns one into the other.
using QvWnd = struct QvWindowObject*;
using QvBitmap = struct QvBitmapObject*;
using QvMenu = struct QvMenuObject*;
using QvModule = void*;  // the library handle of a plug-in
// A resource of a plug-in's own table: values below 65536 are numbers, larger ones point at a name.
using QvResId = uintptr_t;
using QvDlgProc = intptr_t (*)(QvWnd, uint32_t msg, uintptr_t wParam, intptr_t lParam);

class Viewport;
class PluginView;
class EditorMesh;
class PluginHost;
class EditorPlugin;

// The 40-byte bitmap description that heads a device-independent bitmap, field by field.
struct BitmapInfoHeader {
    uint32_t size = 40;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t planes = 1;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t clrUsed = 0;
    uint32_t clrImportant = 0;
};

// Payload of kMsgTexturePicked.
struct TexturePickedRecord {
    PluginHost* owner;
    uint32_t index;
    uint32_t slot;
};

// The plug-in's main port: an ordinary port whose messages go to the plug-in's OnMainPortMessage.
class PluginMainPort : public Port {
public:
    explicit PluginMainPort(EditorPlugin* plugin, const char* name = nullptr, uint32_t mask = 0xFFFFFFFFu)
        : Port(name, mask), plugin_(plugin) {}
    int32_t OnMessage(Port* sender, uint32_t code, MsgArg arg, MsgArg data) override;

private:
    EditorPlugin* plugin_;
};

// One static object per plug-in library.
class EditorPlugin {
public:
    EditorPlugin(uint32_t id, const char* portName, uint32_t portMask)
        : identifier(id), mainPort(this, portName, portMask) {}
    EditorPlugin(const EditorPlugin&) = delete;
    EditorPlugin& operator=(const EditorPlugin&) = delete;

    virtual int32_t Attach() = 0;                                       // 0
    virtual int32_t Detach() = 0;                                       // 1
    virtual const char* GetName() = 0;                                  // 2
    virtual const char* GetDescription() = 0;                           // 3
    virtual const char* GetAuthor() = 0;                                // 4
    virtual int32_t LoadChunk(FileStream* stream, uint32_t size) = 0;   // 5
    virtual int32_t HasChunk() = 0;                                     // 6
    virtual int32_t SaveChunk(FileStream* stream, uint32_t* size) = 0;  // 7
    virtual const char* GetState() = 0;                                 // 8
    virtual int32_t ResetWorld() = 0;                                   // 9
    virtual int32_t Activate() = 0;                                     // 10
    virtual int32_t Deactivate() = 0;                                   // 11
    virtual QvBitmap GetToolbarBitmap(int32_t index) = 0;               // 12
    virtual int32_t DrawViewport(Viewport* viewport) = 0;               // 13
    virtual QvMenu GetViewportMenu(Viewport* viewport) = 0;             // 14
    virtual int32_t OnCommand(int32_t id) = 0;                          // 15
    virtual int32_t GetViewCount() = 0;                                 // 16
    virtual PluginView* GetView(int32_t index) = 0;                     // 17
    virtual int32_t GetPortCount() = 0;                                 // 18
    virtual Port* GetPort(int32_t index) = 0;                           // 19
    // Beyond the contract's slots: what the main port receives.
    virtual int32_t OnMainPortMessage(Port*, uint32_t, MsgArg, MsgArg) { return 0; }

    uint16_t interfaceVersion = 1;
    uint16_t pluginVersion = 0x0100;
    uint32_t identifier;
    PluginHost* host = nullptr;  // written by the editor when it registers the plug-in
    PluginMainPort mainPort;

    virtual ~EditorPlugin() = default;
};

inline int32_t PluginMainPort::OnMessage(Port* sender, uint32_t code, MsgArg arg, MsgArg data) {
    return plugin_->OnMainPortMessage(sender, code, arg, data);
}

// What the editor offers a plug-in: 59 operations in slot order. Indices of the texture, mesh and wave
// lists are 1-based; 0 means none.
class PluginHost {
public:
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    virtual QvWnd CreatePluginDialog(QvModule module, QvResId dialogTemplate, QvDlgProc proc) = 0;  // 0
    virtual void SetStatusText(const char* text) = 0;                                               // 1
    virtual void SetStatusReady() = 0;                                                              // 2
    virtual int32_t DestroyPluginDialog(QvWnd dialog) = 0;                                          // 3
    virtual void GetWorldBounds(float out[6]) = 0;                                                  // 4
    virtual int32_t Reserved(MsgArg a, MsgArg b, MsgArg c) = 0;                                     // 5
    virtual int32_t GetPluginCount() = 0;                                                           // 6
    virtual EditorPlugin* GetPlugin(int32_t index) = 0;                                             // 7
    virtual EditorPlugin* FindPlugin(uint32_t identifier) = 0;                                      // 8
    virtual QvWnd GetMainWindow() = 0;                                                              // 9
    virtual int32_t GetViewportCount() = 0;                                                         // 10
    virtual Viewport* GetViewport(int32_t index) = 0;                                               // 11
    virtual void RedrawPluginViewports(MsgArg value) = 0;                                           // 12
    virtual int32_t GetTextureCount() = 0;                                                          // 13
    // The memory forms take the name the texture is listed under (plug-ins add "sky", "Auto ...").
    virtual int32_t AddTextureFromMemory(const char* name, const BitmapInfoHeader* header, const void* pixels,
                                         uint32_t* outIndex) = 0;                                   // 14
    virtual int32_t AddTextureFromFile(const char* file, uint32_t* outIndex) = 0;                   // 15
    virtual int32_t LoadTextureDialog(uint32_t* outIndex) = 0;                                      // 16
    virtual int32_t InsertAlpha(const char* file, uint32_t index) = 0;                              // 17
    virtual int32_t InsertAlphaDialog(uint32_t index) = 0;                                          // 18
    virtual int32_t RemoveAlpha(uint32_t index) = 0;                                                // 19
    virtual int32_t ReplaceTextureFromMemory(const char* name, const BitmapInfoHeader* header, const void* pixels,
                                             uint32_t index) = 0;                                   // 20
    virtual int32_t ReplaceTextureFromFile(const char* file, uint32_t index) = 0;                   // 21
    virtual int32_t ReplaceTextureDialog(uint32_t index) = 0;                                       // 22
    virtual int32_t DeleteTexture(uint32_t index, uint32_t keepShared) = 0;                         // 23
    virtual int32_t DeleteAllTextures() = 0;                                                        // 24
    virtual int32_t ReadTextures(FileStream* stream, uint32_t* bytes) = 0;                          // 25
    virtual int32_t WriteTextures(FileStream* stream, uint32_t* bytes) = 0;                         // 26
    virtual int32_t SetCurrentTexture(uint32_t index) = 0;                                          // 27
    virtual int32_t SetStageTexture(uint32_t stage, uint32_t index) = 0;                            // 28
    virtual const char* GetTextureName(uint32_t index) = 0;                                         // 29
    virtual int32_t GetTextureSize(uint32_t index, uint32_t* width, uint32_t* height) = 0;          // 30
    virtual int32_t GetTextureMemory(uint32_t* total, uint32_t* freeBytes) = 0;                     // 31
    virtual int32_t FindTexture(const char* name) = 0;                                              // 32
    virtual int32_t GetMeshCount() = 0;                                                             // 33
    // A JMESH5 image of the given byte count.
    virtual int32_t AddMeshFromMemory(const void* image, uint32_t imageBytes, uint32_t* outIndex) = 0;  // 34
    virtual int32_t AddMeshFromFile(const char* file, uint32_t* outIndex) = 0;                      // 35
    virtual int32_t LoadMeshDialog(uint32_t* outIndex) = 0;                                         // 36
    virtual int32_t DeleteMesh(uint32_t index) = 0;                                                 // 37
    virtual int32_t DeleteAllMeshes() = 0;                                                          // 38
    virtual int32_t ReplaceMeshFromFile(const char* file, uint32_t index) = 0;                      // 39
    virtual int32_t ReplaceMeshDialog(uint32_t index) = 0;                                          // 40
    virtual int32_t ReadMeshes(FileStream* stream, uint32_t* bytes) = 0;                            // 41
    virtual int32_t WriteMeshes(FileStream* stream, uint32_t* bytes) = 0;                           // 42
    virtual EditorMesh* GetMesh(uint32_t index) = 0;                                                // 43
    virtual int32_t GetWaveCount() = 0;                                                             // 44
    virtual int32_t AddWaveFromFile(const char* file, uint32_t* outIndex) = 0;                      // 45
    virtual int32_t LoadWaveDialog(uint32_t* outIndex) = 0;                                         // 46
    virtual int32_t DeleteWave(uint32_t index) = 0;                                                 // 47
    virtual int32_t DeleteAllWaves() = 0;                                                           // 48
    virtual int32_t ReplaceWaveFromFile(const char* file, uint32_t index) = 0;                      // 49
    virtual int32_t ReplaceWaveDialog(uint32_t index) = 0;                                          // 50
    virtual int32_t ReadWaves(FileStream* stream, uint32_t* bytes) = 0;                             // 51
    virtual int32_t WriteWaves(FileStream* stream, uint32_t* bytes) = 0;                            // 52
    virtual const char* GetWaveName(uint32_t index) = 0;                                            // 53
    virtual int32_t PlayWave(uint32_t index, uint32_t loop) = 0;                                    // 54
    virtual int32_t StopWave(uint32_t index) = 0;                                                   // 55
    virtual int32_t SetWaveFrequency(uint32_t index, int32_t hertz) = 0;                            // 56
    virtual int32_t SetWaveVolume(uint32_t index, int32_t hundredthsDb) = 0;                        // 57
    virtual int32_t CompactTextures() = 0;                                                          // 58

    // Fields plug-ins read directly.
    QvModule module = nullptr;
    MessageBus* bus = nullptr;
    EditorPlugin* plugin = nullptr;
    uint32_t commandId = 0;
    // The current texture of each of eight stages (1-based, 0 none): a plug-in's main port stores the
    // index of a TexturePicked message for its own host in the word of the message's slot.
    uint32_t pickedTextures[8] = {0, 0, 0, 0, 0, 0, 0, 0};

protected:
    PluginHost() = default;
    virtual ~PluginHost() = default;
};

// A transformed, lit vertex as viewports draw it (32 bytes): screen x, y (pixel centres at integers),
// depth 0..1, reciprocal w, colour 0xAARRGGBB, specular (its alpha is the vertex fog factor), u, v.
struct ScreenVertex {
    float sx, sy, sz, rhw;
    uint32_t colour;
    uint32_t specular;
    float u, v;
};
static_assert(sizeof(ScreenVertex) == 32);

// A mesh vertex as viewports transform it (32 bytes): position, normal, texture u, v.
struct MeshVertex {
    float x, y, z, nx, ny, nz, u, v;
};
static_assert(sizeof(MeshVertex) == 32);

// Payload of kMsgSelectPress.
struct MousePress {
    Viewport* viewport;
    int32_t x, y;
    uint32_t shift;    // 4 or 0
    uint32_t control;  // 8 or 0
};

// Payload of kMsgSelectDrag.
struct MouseDrag {
    Viewport* viewport;
    int32_t dx, dy;
    int32_t a, b;
};

// Viewport flags.
enum : uint32_t { kViewportLocked = 1, kViewportPerspective = 2, kViewportTopDown = 4 };

// A view's cursor: points at a cursor of the window layer (plat::CreateCursor); null for the editor's.
using QvCursor = struct QvCursorObject*;
// The drawing context a viewport lends for text onto its current frame (GetDrawingContext): text in
// the GDI manner, positions in viewport pixels from the top left, colours 0x00BBGGRR.
struct QvDCObject {
    virtual uint32_t SetTextColor(uint32_t colour) = 0;  // the previous colour
    virtual uint32_t SetBkColor(uint32_t colour) = 0;    // the previous colour
    virtual int32_t SetBkMode(int32_t mode) = 0;         // 1 transparent, 2 opaque; the previous mode
    // Draws `length` characters (-1: up to the terminating zero) with their cell's top left at (x, y);
    // non-zero when drawn.
    virtual int32_t TextOut(int32_t x, int32_t y, const char* text, int32_t length) = 0;
    // Width and height in pixels the text takes.
    virtual int32_t GetTextExtent(const char* text, int32_t length, int32_t* width, int32_t* height) = 0;

protected:
    QvDCObject() = default;
    virtual ~QvDCObject() = default;  // the editor owns every context
};
using QvDC = QvDCObject*;

// One of the editor's four viewports: 34 operations in slot order. Matrices are 4 x 4 f32, row vectors
// (v' = v x M), translation in elements 12..14.
class Viewport {
public:
    Viewport(const Viewport&) = delete;
    Viewport& operator=(const Viewport&) = delete;

    virtual void Invalidate(MsgArg value) = 0;                                                        // 0
    virtual void RedrawAll(MsgArg value) = 0;                                                         // 1
    virtual void Paint() = 0;                                                                         // 2
    virtual void Resize(int32_t width, int32_t height) = 0;                                           // 3
    virtual void Render() = 0;                                                                        // 4
    virtual int32_t DrawPrimitive(uint32_t type, uint32_t vertexCount, const ScreenVertex* vertices,
                                  uint32_t indexCount, const uint16_t* indices) = 0;                  // 5
    virtual int32_t SetRenderState(uint32_t state, uint32_t value) = 0;                               // 6
    virtual int32_t GetDrawingContext(QvDC* out) = 0;                                                 // 7
    virtual int32_t ReleaseDrawingContext(QvDC context) = 0;                                          // 8
    virtual float* GetViewMatrix() = 0;                                                               // 9
    virtual float* GetProjectionMatrix() = 0;                                                         // 10
    virtual float* GetScreenMatrix() = 0;                                                             // 11
    virtual float* GetViewState() = 0;                                                                // 12
    virtual void GetSize(int32_t* width, int32_t* height) = 0;                                        // 13
    virtual void GetCameraPosition(float out[3]) = 0;                                                 // 14
    virtual void GetForward(float out[3]) = 0;                                                        // 15
    virtual float GetFieldOfView() = 0;                                                               // 16
    virtual void GetClipPlanes(float* nearOut, float* farOut) = 0;                                    // 17
    virtual uint32_t GetFlags() = 0;                                                                  // 18
    virtual void Unlock() = 0;                                                                        // 19
    virtual void UpdateMatrices() = 0;                                                                // 20
    virtual void MouseDown(int32_t x, int32_t y, uint32_t shift, uint32_t control) = 0;               // 21
    virtual void MouseTrack(int32_t a, int32_t b) = 0;                                                // 22
    virtual void MouseUp() = 0;                                                                       // 23
    virtual void SetView(int32_t kind) = 0;                                                           // 24
    virtual void SetUserView(int32_t n) = 0;                                                          // 25
    virtual void UseUserView(int32_t n) = 0;                                                          // 26
    virtual int32_t ReadUserViews(FileStream* stream) = 0;                                            // 27
    virtual int32_t WriteUserViews(FileStream* stream) = 0;                                           // 28
    virtual int32_t ReadCamera(FileStream* stream) = 0;                                               // 29
    virtual int32_t WriteCamera(FileStream* stream) = 0;                                              // 30
    // value: a pointer to the instance's 4 x 4 transform, or 0 to draw the mesh where it stands.
    virtual int32_t DrawHostMesh(PluginHost* host, uint32_t index, MsgArg value) = 0;                 // 31
    virtual int32_t TransformPoints(const float* matrix, ScreenVertex* out, uint32_t count, const float* in,
                                    uint32_t colour) = 0;                                             // 32
    virtual int32_t TransformVertices(const float* matrix, ScreenVertex* out, uint32_t count,
                                      const MeshVertex* in, uint32_t colour) = 0;                     // 33

protected:
    Viewport() = default;
    virtual ~Viewport() = default;
};

// A 2D view a plug-in offers for the viewports: eight slots the editor calls; further ones are the
// plug-in's own.
class PluginView {
public:
    PluginView(const PluginView&) = delete;
    PluginView& operator=(const PluginView&) = delete;

    virtual const char* GetTitle() = 0;                                                // 0
    virtual int32_t Draw() = 0;                                                        // 1
    virtual PluginView* Create(Viewport* viewport) = 0;                                // 2
    virtual int32_t Destroy() = 0;                                                     // 3
    virtual Port* GetPort() = 0;                                                       // 4
    virtual QvMenu GetMenu() = 0;                                                      // 5
    virtual int32_t OnCommand(int32_t id) = 0;                                         // 6
    virtual QvCursor GetCursor(int32_t x, int32_t y, uint32_t shift, uint32_t control) = 0;  // 7

protected:
    PluginView() = default;
    virtual ~PluginView() = default;
};

// The one export of every plug-in library.
using PluginDescriptionFn = EditorPlugin* (*)();

}  // namespace qv
