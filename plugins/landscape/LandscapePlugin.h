#pragma once
// The Landscape plug-in: owns the ground of a world (the knot grid under its spline surface and the
// grid of texture cells), stores it as the "SLND" chunk the game reads, draws it, edits it from its
// panel and from presses and drags in the viewports, answers the other plug-ins' ground questions on
// its port "SplineLandscape::Interface" and offers the "Top-Down Texture" view.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "plugins/landscape/LandscapeEdit.h"
#include "plugins/landscape/LandscapeGrid.h"
#include "plugins/landscape/TopDownView.h"
#include "plugins/shared/PluginBase.h"

namespace qv {

// Panel control ids.
enum : int {
    kLandImportAscii = 1001, kLandImportDisp = 1002, kLandCenterAscii = 1003, kLandCenterDisp = 1004,
    kLandAddCenter = 1005, kLandAddTileable = 1006, kLandTileCenter = 1007, kLandExport = 1008,
    kLandActivate = 1010, kLandSolid = 1011, kLandWireframe = 1012, kLandKnots = 1013, kLandKnotsX = 1014,
    kLandKnotsY = 1015, kLandBaseHeight = 1016, kLandKnotHeight = 1017, kLandFlatten = 1018, kLandDivX = 1019,
    kLandDivY = 1020, kLandTextures = 1021, kLandRem = 1022, kLandRemAll = 1023, kLandLod = 1024,
    kLandLodValue = 1025, kLandBrush = 1026, kLandBrushRadius = 1027, kLandBrushPower = 1028,
    kLandBlockWidth = 1029, kLandBlockHeight = 1030, kLandMultiTexturing = 1031, kLandSize = 1032,
    kLandUp = 1033, kLandDown = 1034, kLandLeft = 1035, kLandRight = 1036, kLandWraparound = 1037,
};
// Controls of dialog 108 ("New Landscape Size") and 109 (maximum height).
enum : int { kSizeXMin = 1001, kSizeXMax = 1002, kSizeYMin = 1003, kSizeYMax = 1004, kMaxHeightEdit = 1001 };

inline constexpr uint32_t kWholeWorldKnots = 721, kCenterKnots = 145;
inline constexpr float kCenterBlend = 0.35f;

class LandscapePlugin final : public PluginBase {
public:
    LandscapePlugin();
    ~LandscapePlugin() override;

    int32_t LoadChunk(FileStream* stream, uint32_t size) override;
    int32_t HasChunk() override { return 1; }
    int32_t SaveChunk(FileStream* stream, uint32_t* size) override;
    int32_t ResetWorld() override;
    int32_t DrawViewport(Viewport* viewport) override;
    int32_t GetViewCount() override;
    PluginView* GetView(int32_t index) override;
    int32_t OnMainPortMessage(Port* sender, uint32_t code, MsgArg arg, MsgArg data) override;

    // ---- what the panel, the view and the tests drive
    void CreateDefaultLandscape();
    void Erase();
    // The two whole-world imports and the two centre imprints (file chooser, questions, dialog 109).
    void ImportWhole(bool ascii);
    void ImportCenter(bool ascii);
    // Heights of a whole world (721 x 721) as an import lays them: default landscape, values,
    // wraparound 25, bounds broadcast.
    void ApplyWholeWorld(const std::vector<float>& values);
    void ExportDialog();
    bool ExportTo(const std::string& path);
    void AddCenter();
    void AddTileable();
    void SetTiling(bool on);
    // Makes t the current texture of stage s; announces it unless it follows an announcement.
    int32_t SetCurrentTexture(uint32_t t, uint32_t stage, bool announce);
    void Fill(bool onlyEmpty);
    void Rotate(Rotate direction);
    // After texture t was deleted by the host.
    int32_t RemoveInstances(uint32_t t);
    void TypedHeight(float h);
    void SizeDialog();

    // Redraws the live top-down view's viewport.
    void RefreshTopDown();
    void BroadcastBounds();

    LandscapeGrid grid;
    KnotSelection selection;
    Brush brush;
    bool hasLandscape = false;
    uint8_t tileCenter = 0;
    uint16_t displayFlags = 6;
    uint16_t version = 1;
    uint32_t multiTexturing = 0;
    int32_t blockWidth = 8, blockHeight = 8;
    bool keepTextureInstances = false;
    TopDownView* liveView = nullptr;

protected:
    void RefreshPanel(plat::Dialog& d) override;
    void OnPanelCommand(plat::Dialog& d, int id, uint16_t code) override;

private:
    // Reads a source of n x n heights through the file chooser: ASCII or displacement bitmap.
    std::optional<std::vector<float>> ReadSource(bool ascii, uint32_t n);
    bool ConfirmErase();
    void AfterTextureGridChange();
    void Redraw();
    uint32_t TextureCount();
    void ApplyLeaveField(plat::Dialog& d, int id);

    TopDownView prototype_;
    bool typing_ = false;
};

}  // namespace qv
