#pragma once
// The camera plug-in: the track cameras, each a point above the ground with a rectangular zone of the
// ground map in which the race uses it and its nine view settings. Cameras are placed and their zones
// drawn with the mouse in top-down viewports (or taken from a viewport's camera), edited in the
// panel, drawn as markers there and as a camera mesh elsewhere, and kept in the "CAMR" chunk.
#include <cstdint>
#include <vector>

#include "plugins/shared/PluginBase.h"

namespace qv {

inline constexpr uint32_t kCameraChunkVersion = 2;
inline constexpr uint32_t kCameraRecordBytes = 68;

struct TrackCameraRecord {
    float x = 0, y = 0;
    float z = 0;       // ground height + height above ground
    float height = 0;  // "Z inc"
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // the zone's corners, kept ordered (x1 <= x2, y1 <= y2)
    float zoom = 0;    // 0..1
    float range = 0;
    uint32_t rangeOn = 0;
    float minDistance = 0;
    uint32_t minOn = 0;
    float maxDistance = 0;
    uint32_t maxOn = 0;
    float cut = 0.1f;  // 0.0001..1
    float fov = 90;    // degrees, 30..170
};

enum class CameraTool : int32_t { Select = 0, Add = 1, Zone = 2 };

// The panel's number fields, by control id.
enum : int {
    kCameraZoom = 1016, kCameraMinDistance = 1017, kCameraMaxDistance = 1019, kCameraCut = 1021, kCameraFov = 1022,
    kCameraRange = 1023, kCameraHeight = 1015,
};

class CameraPlugin final : public PluginBase {
public:
    CameraPlugin();
    int32_t Attach() override;
    int32_t LoadChunk(FileStream* stream, uint32_t size) override;
    int32_t HasChunk() override { return cameras.empty() ? 0 : 1; }
    int32_t SaveChunk(FileStream* stream, uint32_t* size) override;
    int32_t ResetWorld() override;
    int32_t DrawViewport(Viewport* viewport) override;
    int32_t OnMainPortMessage(Port* sender, uint32_t code, MsgArg arg, MsgArg data) override;

    // ---- the data (read by tests)
    std::vector<TrackCameraRecord> cameras;
    int32_t selected = -1;
    int32_t held = -1;
    int32_t heldPart = 0;  // 0 the camera, 1..4 a zone corner
    int32_t placing = -1;  // the camera whose zone the next press starts
    CameraTool tool = CameraTool::Select;
    bool activated = false;

    // ---- what the mouse and the panel do
    void Press(const MousePress& press);
    void Drag(const MouseDrag& drag);
    // A value typed into a field of the selected camera (clamped as the field wants).
    void SetField(int id, float value);
    // A camera at the position of viewport `index`'s camera, selected, its zone next.
    void AddFromViewport(int32_t index);
    void KillSelected();

protected:
    void RefreshPanel(plat::Dialog& d) override;
    void OnPanelCommand(plat::Dialog& d, int id, uint16_t code) override;

private:
    float GroundHeight(float x, float y);
    int32_t Append(float x, float y, float z, float height);
    uint32_t MarkerMesh();
    void ChooseViewport();
    void Redraw();
    uint32_t meshIndex_ = 0;
};

}  // namespace qv
