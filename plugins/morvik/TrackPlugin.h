#pragma once
// The AI track plug-in: edits the computer riders' path (a graph of track nodes with edges, widths and
// driving hints) and the on-track map with the mouse in top-down viewports and in its panel, keeps them
// in the "AITK" chunk the game reads, and dumps the nodes as text and reads such a dump back.
#include <cstdint>
#include <optional>

#include "plugins/morvik/TrackGraph.h"
#include "plugins/shared/PluginBase.h"

namespace qv {

enum class TrackMode : int32_t { Select = 0, AddPt = 1, AddPoint = 2, SetStart = 3 };

class TrackPlugin final : public PluginBase {
public:
    TrackPlugin();
    int32_t LoadChunk(FileStream* stream, uint32_t size) override;
    int32_t HasChunk() override { return !graph.nodes.empty() || graph.hasMap ? 1 : 0; }
    int32_t SaveChunk(FileStream* stream, uint32_t* size) override;
    int32_t ResetWorld() override;
    int32_t DrawViewport(Viewport* viewport) override;
    int32_t OnMainPortMessage(Port* sender, uint32_t code, MsgArg arg, MsgArg data) override;

    // ---- the data (read by tests)
    TrackGraph graph;
    bool active = false;
    TrackMode mode = TrackMode::Select;
    int32_t selected = -1;
    int32_t dragged = -1;
    int32_t dragHandle = 0;  // 0 centre, 1 left edge, 2 right edge

    // ---- what the mouse and the panel do
    void Press(const MousePress& press);
    void Drag(const MouseDrag& drag);
    void DeleteSelected();
    bool WriteDump(const std::string& path);
    bool ReadDump(const std::string& path);

protected:
    void RefreshPanel(plat::Dialog& d) override;
    void OnPanelCommand(plat::Dialog& d, int id, uint16_t code) override;

private:
    // The handle of node i under screen point (x, y): 0 centre, 1 left edge, 2 right edge, -1 none.
    int32_t HitTest(Viewport* viewport, size_t i, int32_t x, int32_t y);
    int32_t AppendNode(float x, float y);
    void ScaleBounds(const float* previous, const float* now);
    void LoadMap();
    void Redraw();
};

}  // namespace qv
