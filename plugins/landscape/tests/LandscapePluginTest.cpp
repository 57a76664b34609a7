// The Landscape plug-in inside a real editor core: the default ground, the "SLND" chunk saved and read
// again (and refused when damaged), the ground questions, the panel's imports and export, the texture
// operations and the top-down view in a real viewport.
#include "plugins/landscape/LandscapePlugin.h"

#include <cmath>
#include <cstring>

#include "editor/input/MouseInput.h"
#include "editor/render/RenderLayer.h"
#include "editor/viewport/EditorViewport.h"
#include "platform/bytes/ByteIO.h"
#include "plugins/shared/GroundQuery.h"
#include "plugins/shared/MemoryStream.h"
#include "plugins/tests/PluginKit.h"

namespace qvtest {
namespace {

using qv::LandscapePlugin;

constexpr uint32_t kDefaultChunkBytes = 80 + 4 * 721 * 721 + 2 * 40 * 40 + 12;

class LandscapeTest : public PluginFixture {
protected:
    void Register() override {
        plugin = std::make_unique<LandscapePlugin>();
        ASSERT_EQ(editor->RegisterPlugin(ModuleOf(plugin.get()), plugin.get()), 0);
    }
    void TearDown() override {
        viewports.reset();
        PluginFixture::TearDown();
        plugin.reset();
    }
    std::vector<uint8_t> Saved() {
        qv::MemoryStream out;
        uint32_t size = 0;
        EXPECT_EQ(plugin->SaveChunk(&out, &size), 0);
        EXPECT_EQ(size, out.bytes().size());  // the editor trusts the size reported
        return out.bytes();
    }
    int32_t Load(const std::vector<uint8_t>& body) {
        qv::MemoryStream in(body);
        return plugin->LoadChunk(&in, static_cast<uint32_t>(body.size()));
    }
    // A 256 x 256 8-bit texture of one grey, added to the plug-in's list.
    uint32_t AddTexture(uint8_t level, const char* name) {
        const qv::Dib d = qv::GreyBitmap(256, 256, level);
        std::vector<uint8_t> bytes = d.colourTable;
        bytes.insert(bytes.end(), d.pixels.begin(), d.pixels.end());
        uint32_t index = 0;
        plugin->host->AddTextureFromMemory(name, &d.header, bytes.data(), &index);
        return index;
    }
    // Four real viewports on a recording device; viewport 0 is 400 x 300.
    void MakeViewports() {
        render = std::make_unique<qv::RenderLayer>(&device, 800, 600);
        editor->render = render.get();
        mouse.Create();
        viewports = std::make_unique<qv::ViewportSet>(editor.get(), render.get(), &mouse);
        for (int i = 0; i < 4; ++i) (*viewports)[i].Resize(400, 300);
    }
    void WriteText(const std::string& name, const std::string& text) { std::ofstream(Path(name), std::ios::binary) << text; }
    // The whole-world "Disp map" import with the question, the file and the maximum answered.
    void ImportBitmap(int id, const std::string& file, const char* maximum) {
        plat::ScriptNextMessageBox(plat::IDOK);
        plat::ScriptNextFiles({Path(file)});
        plat::ScriptNextDialog([maximum](plat::Dialog& d) {
            d.UserType(qv::kMaxHeightEdit, maximum);
            d.UserClick(plat::kIdOk);
        });
        Panel(0).UserClick(id);
    }
    // An 8-bit n x n bitmap of grey (c * 3 + r * 5) % 256 at column c, stored row r.
    qv::Dib Gradient(int n) {
        qv::Dib d = qv::GreyBitmap(n, n, 0);
        const uint32_t row = qv::RowBytes(n, 8);
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c) d.pixels[static_cast<size_t>(r) * row + c] = static_cast<uint8_t>((c * 3 + r * 5) % 256);
        return d;
    }

    std::unique_ptr<LandscapePlugin> plugin;
    qv::RecordingDevice device;
    std::unique_ptr<qv::RenderLayer> render;
    qv::MouseDevice mouse;
    std::unique_ptr<qv::ViewportSet> viewports;
};

TEST_F(LandscapeTest, ANewWorldHasTheDefaultGroundAndItsChunk) {
    const qv::LandscapeRecord& r = plugin->grid.record;
    EXPECT_TRUE(plugin->hasLandscape);
    EXPECT_EQ(r.knotsX, 721u);
    EXPECT_EQ(r.cellsX, 40u);
    EXPECT_EQ(r.cellsY, 40u);
    EXPECT_FLOAT_EQ(r.knotSpacingX, 5000.0f / 720.0f);
    EXPECT_EQ(plugin->grid.cells, std::vector<uint16_t>(1600, 0));
    const std::vector<uint8_t> chunk = Saved();
    ASSERT_EQ(chunk.size(), kDefaultChunkBytes);
    EXPECT_EQ(plat::LoadU16(chunk.data()), 6);
    EXPECT_EQ(plat::LoadU16(chunk.data() + 2), 1);
    EXPECT_EQ(plat::LoadU32(chunk.data() + 4 + 8), 721u);
    EXPECT_FLOAT_EQ(plat::LoadF32(chunk.data() + 4 + 36), 0.99609375f / 18);
    EXPECT_FLOAT_EQ(plat::LoadF32(chunk.data() + 4 + 52), -2000.0f);
    EXPECT_FLOAT_EQ(plat::LoadF32(chunk.data() + 4 + 72), 1000.0f);
    EXPECT_EQ(plugin->GetViewCount(), 1);
}

TEST_F(LandscapeTest, HeightsCellsAndTexturesSurviveSaveAndOpen) {
    for (size_t i = 0; i < plugin->grid.heights.size(); ++i) plugin->grid.heights[i] = static_cast<float>(i % 977) * 0.25f;
    AddTexture(40, "dirt.bmp");
    AddTexture(200, "grass.bmp");
    plugin->grid.cells[5] = 2;
    plugin->grid.cells[1599] = 1;
    const std::vector<uint8_t> before = Saved();
    ASSERT_EQ(editor->world.Save(Path("w.wld")), 0);
    ASSERT_EQ(editor->world.Open(Path("w.wld")), 0) << (Boxes().empty() ? "" : Boxes()[0]);
    EXPECT_EQ(plugin->grid.heights[1000], static_cast<float>(1000 % 977) * 0.25f);
    EXPECT_EQ(plugin->grid.cells[5], 2);
    EXPECT_EQ(plugin->host->GetTextureCount(), 2);
    EXPECT_EQ(Saved(), before);
}

TEST_F(LandscapeTest, DamagedChunksAreRefusedAndLeaveNoGround) {
    const std::vector<uint8_t> good = Saved();
    const size_t cellsEnd = good.size() - 12;  // the empty texture list is the last 12 bytes
    struct Case {
        const char* what;
        std::vector<uint8_t> body;
    };
    std::vector<Case> cases;
    cases.push_back({"75 bytes", {good.begin(), good.begin() + 75}});
    for (size_t k = 1; k <= 4; ++k) cases.push_back({"cells short", {good.begin(), good.begin() + static_cast<long>(cellsEnd - k)}});
    cases.push_back({"heights short", {good.begin(), good.begin() + 80 + 1000}});
    auto spoiled = [&](const char* what, size_t at, uint32_t value) {
        std::vector<uint8_t> b = good;
        plat::StoreU32(&b[at], value);
        cases.push_back({what, b});
    };
    std::vector<uint8_t> v2 = good;
    plat::StoreU16(&v2[2], 2);
    cases.push_back({"version 2", v2});
    spoiled("huge knot count", 4 + 8, 0x40000000);
    spoiled("three knots", 4 + 12, 3);
    spoiled("division 0", 4 + 20, 0);
    spoiled("cells against the formula", 4 + 44, 41);
    spoiled("bounds not finite", 4 + 52, 0x7FC00000);
    spoiled("empty box", 4 + 64, plat::LoadU32(&good[4 + 52]));
    std::vector<uint8_t> huge = good;
    plat::StoreF32(&huge[4 + 52], -3e38f);
    plat::StoreF32(&huge[4 + 64], 3e38f);
    cases.push_back({"box wider than a float", huge});
    for (const Case& c : cases) {
        plugin->ResetWorld();
        AddTexture(10, "t.bmp");
        EXPECT_EQ(Load(c.body), qv::Result(qv::kResultBadChunk)) << c.what;
        EXPECT_FALSE(plugin->hasLandscape) << c.what;
        EXPECT_EQ(plugin->host->GetTextureCount(), 0) << c.what;
        float z = 1;
        qv::QueryGroundHeightAt(&editor->bus, 0, 0, &z);
        EXPECT_EQ(z, 0.0f) << c.what;
    }
}

TEST_F(LandscapeTest, TheFuzzSeedsAreChunksThatLoad) {
    const std::string seeds = GRAVELON_SOURCE_DIR "/plugins/landscape/tests/corpus/landscape_chunk/";
    for (const char* name : {"small_v1", "small_v0", "divided"}) {
        EXPECT_EQ(Load(ReadFile(seeds + name)), 0) << name;
        EXPECT_TRUE(plugin->hasLandscape) << name;
    }
    EXPECT_EQ(plugin->grid.record.knotsX, 9u);
    EXPECT_EQ(plugin->grid.cells.size(), 3u * 2);
    EXPECT_NE(Load(ReadFile(seeds + "short")), 0);
}

TEST_F(LandscapeTest, AnOlderChunkTakesTheWorldBounds) {
    // Version 0: the record without its bounds (52 bytes), then the arrays and an empty texture list.
    std::vector<uint8_t> good = Saved();
    std::vector<uint8_t> old(good.begin(), good.begin() + 4 + 52);
    old.insert(old.end(), good.begin() + 80, good.end());
    plat::StoreU16(&old[2], 0);
    const float bounds[6] = {-100, -200, 0, 900, 800, 50};
    editor->world.SetWorldBounds(bounds);
    ASSERT_EQ(Load(old), 0);
    EXPECT_FLOAT_EQ(plugin->grid.record.XMin(), -100.0f);
    EXPECT_FLOAT_EQ(plugin->grid.record.knotSpacingY, 1000.0f / 720.0f);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(LandscapeTest, GroundQuestionsWithAndWithoutGround) {
    qv::MessageBus* bus = &editor->bus;
    plugin->grid.Height(360, 360) = 12.0f;
    float z = 0;
    ASSERT_TRUE(qv::QueryGroundHeightAt(bus, plugin->grid.KnotX(360), plugin->grid.KnotY(360), &z));
    EXPECT_EQ(z, 12.0f);
    float h = 0, n[3] = {0, 0, 0};
    qv::QueryGroundHeightNormalAt(bus, plugin->grid.KnotX(361), plugin->grid.KnotY(360), &h, n);
    EXPECT_GT(n[0], 0.0f);  // the ground falls away from the raised knot towards +x
    EXPECT_GT(n[2], 0.0f);
    qv::Port* port = qv::FindGroundPort(bus);
    ASSERT_NE(port, nullptr);
    qv::GroundHeightQuery q{0, 0, 5};
    EXPECT_EQ(port->OnMessage(nullptr, qv::kMsgQueryGroundHeight, reinterpret_cast<qv::MsgArg>(&q), 1),
              qv::Result(qv::kResultBadIndex));
    EXPECT_EQ(q.z, 5.0f);

    plugin->Erase();
    qv::QueryGroundHeightNormalAt(bus, 10, 10, &h, n);
    EXPECT_EQ(h, 0.0f);
    EXPECT_EQ(n[2], 1.0f);
    qv::GroundSampleQuery s;
    EXPECT_FALSE(qv::QueryGroundSampleAt(bus, nullptr, 5, 5, &s));
    EXPECT_EQ(s.hit, 0);
    EXPECT_EQ(plugin->GetViewCount(), 0);
}

TEST_F(LandscapeTest, WholeWorldFromABitmapThenExportedAndReadBack) {
    WriteBitmap("height.bmp", Gradient(721));
    ImportBitmap(qv::kLandImportDisp, "height.bmp", "255");
    ASSERT_TRUE(Boxes().size() == 1) << Boxes().size();  // only the question
    for (const char* text : {"Opening displacement map...", "Updating mesh...", "Wrapping in X direction...", "Wrapping in Y direction..."})
        EXPECT_NE(std::find(ui->status.begin(), ui->status.end(), text), ui->status.end()) << text;
    // Away from the wrapped border each knot is its pixel's red; the border tiles.
    const qv::LandscapeGrid& g = plugin->grid;
    EXPECT_FLOAT_EQ(g.Height(300, 200), static_cast<float>((300 * 3 + 200 * 5) % 256));
    EXPECT_FLOAT_EQ(g.Height(0, 400), g.Height(720, 400));
    const std::vector<float> imported = g.heights;

    plat::ScriptNextFiles({Path("land.txt")});
    Panel(0).UserClick(qv::kLandExport);
    const std::vector<uint8_t> text = ReadFile(Path("land.txt"));
    ASSERT_GT(text.size(), 721u * 721u * 9);

    plugin->ResetWorld();
    plat::ScriptNextMessageBox(plat::IDOK);
    plat::ScriptNextFiles({Path("land.txt")});
    Panel(0).UserClick(qv::kLandImportAscii);
    // The import wraps once more: the result is the exported heights with one more wraparound.
    qv::LandscapeGrid want;
    want.MakeDefault();
    want.heights = imported;
    qv::Wraparound(want, 25);
    for (size_t i = 0; i < imported.size(); i += 97) ASSERT_NEAR(g.heights[i], want.heights[i], 1e-4) << i;
    EXPECT_EQ(g.Height(300, 200), imported[200 * 721 + 300]);
}

TEST_F(LandscapeTest, WrongSizesAreReportedAndChangeNothing) {
    WriteText("small.txt", "Knots 720 721\n1\n");
    plat::ScriptNextMessageBox(plat::IDOK);
    plat::ScriptNextFiles({Path("small.txt")});
    plugin->grid.Height(5, 5) = 3.0f;
    Panel(0).UserClick(qv::kLandImportAscii);
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[1], "Error|World must be 721x721 knots\nSelected world is 720x721 knots\n");
    EXPECT_EQ(plugin->grid.Height(5, 5), 3.0f);

    WriteBitmap("small.bmp", Gradient(100));
    plat::ScriptNextMessageBox(plat::IDOK);
    plat::ScriptNextFiles({Path("small.bmp")});
    Panel(0).UserClick(qv::kLandImportDisp);
    EXPECT_EQ(Boxes().back(), "Error|Bitmap must be 721x721\nSelected bitmap is 100x100\n");
    // A maximum of 0 ends the import.
    WriteBitmap("height.bmp", Gradient(721));
    ImportBitmap(qv::kLandImportDisp, "height.bmp", "0");
    EXPECT_EQ(plugin->grid.Height(5, 5), 3.0f);
}

TEST_F(LandscapeTest, CentreImprintFromAnExportedGridAndFromABitmap) {
    // A 145 x 145 landscape exported, then imprinted into the centre of the default world.
    LandscapePlugin small;
    small.grid.MakeDefault();
    qv::KnotSelection sel;
    qv::ResizeKnotsX(small.grid, sel, 145);
    qv::ResizeKnotsY(small.grid, sel, 145);
    for (size_t i = 0; i < small.grid.heights.size(); ++i) small.grid.heights[i] = std::sin(static_cast<float>(i)) * 50.0f;
    ASSERT_TRUE(small.ExportTo(Path("centre.txt")));
    plat::ScriptNextMessageBox(plat::IDOK);
    plat::ScriptNextFiles({Path("centre.txt")});
    Panel(0).UserClick(qv::kLandCenterAscii);
    for (uint32_t r = 0; r < 145; r += 12)
        for (uint32_t c = 0; c < 145; c += 11)
            ASSERT_NEAR(plugin->grid.Height(288 + c, 288 + r), small.grid.Height(c, r), 1e-6) << c << "," << r;

    WriteBitmap("centre.bmp", Gradient(145));
    ImportBitmap(qv::kLandCenterDisp, "centre.bmp", "510");
    EXPECT_FLOAT_EQ(plugin->grid.Height(288 + 7, 288 + 9), 2.0f * static_cast<float>((7 * 3 + 9 * 5) % 256));

    // A grid too small for the imprint is refused with a message, not written past.
    plugin->ResetWorld();
    qv::ResizeKnotsX(plugin->grid, plugin->selection, 500);
    plugin->grid.BuildPatches();
    ImportBitmap(qv::kLandCenterDisp, "centre.bmp", "510");
    EXPECT_NE(Boxes().back().find("at least 721x721"), std::string::npos) << Boxes().back();
    EXPECT_EQ(plat::PendingScripts(), 0u);
}

TEST_F(LandscapeTest, AddCenterChopsTheTextureIntoTheCentreCells) {
    qv::Dib big = qv::GreyBitmap(2041, 2041, 0);
    const uint32_t row = qv::RowBytes(2041, 8);
    for (int r = 0; r < 2041; ++r)
        for (int c = 0; c < 2041; ++c) big.pixels[static_cast<size_t>(r) * row + c] = static_cast<uint8_t>((c / 255) * 16 + (2040 - r) / 255);
    WriteBitmap("rock.bmp", big);
    plat::ScriptNextFiles({Path("rock.bmp")});
    Panel(0).UserClick(qv::kLandAddCenter);
    ASSERT_EQ(plugin->host->GetTextureCount(), 64) << (Boxes().empty() ? "" : Boxes()[0]);
    EXPECT_STREQ(plugin->host->GetTextureName(1), "Auto rock #0");
    EXPECT_STREQ(plugin->host->GetTextureName(64), "Auto rock #63");
    EXPECT_EQ(plugin->grid.cells[16 * 40 + 16], 1);
    EXPECT_EQ(plugin->grid.cells[23 * 40 + 23], 64);
    EXPECT_EQ(plugin->grid.cells[16 * 40 + 15], 0);

    // "Tile Center" lays 1..64 over the first 40 x 40 cells.
    Panel(0).UserClick(qv::kLandTileCenter);
    EXPECT_EQ(plugin->grid.cells[9 * 40 + 10], 1 + 8 * 1 + 2);
    EXPECT_EQ(plugin->tileCenter, 1);

    // On a grid of fewer than 24 cells a side the centre cannot be laid: refused.
    qv::SetDivisionX(plugin->grid, 40);
    plat::ScriptNextFiles({Path("rock.bmp")});
    Panel(0).UserClick(qv::kLandAddCenter);
    EXPECT_NE(Boxes().back().find("24x24"), std::string::npos);
}

TEST_F(LandscapeTest, AddTileableAddsTextureSixtyFiveAndFramesTheCentre) {
    for (int i = 0; i < 64; ++i) AddTexture(static_cast<uint8_t>(i), ("piece" + std::to_string(i)).c_str());
    qv::Dib small = qv::GreyBitmap(255, 255, 99);
    WriteBitmap("tile.bmp", small);
    plugin->grid.cells[16 * 40 + 16] = 7;
    plat::ScriptNextFiles({Path("tile.bmp")});
    Panel(0).UserClick(qv::kLandAddTileable);
    ASSERT_EQ(plugin->host->GetTextureCount(), 65) << (Boxes().empty() ? "" : Boxes()[0]);
    EXPECT_STREQ(plugin->host->GetTextureName(65), "tilable");
    uint32_t w = 0, h = 0;
    plugin->host->GetTextureSize(65, &w, &h);
    EXPECT_EQ(w, 256u);
    EXPECT_EQ(plugin->grid.cells[0], 65);
    EXPECT_EQ(plugin->grid.cells[39 * 40 + 39], 65);
    EXPECT_EQ(plugin->grid.cells[16 * 40 + 16], 7);
    // A picture of another size is refused with its message.
    WriteBitmap("wrong.bmp", qv::GreyBitmap(256, 256, 1));
    plat::ScriptNextFiles({Path("wrong.bmp")});
    Panel(0).UserClick(qv::kLandAddTileable);
    EXPECT_EQ(Boxes().back(), "Error|Must be 255x255 BMP");
    EXPECT_EQ(plugin->host->GetTextureCount(), 65);
}

TEST_F(LandscapeTest, RemovingATextureRenumbersTheCells) {
    for (uint8_t i = 1; i <= 5; ++i) AddTexture(static_cast<uint8_t>(i * 20), ("t" + std::to_string(i)).c_str());
    plugin->grid.cells[0] = 3, plugin->grid.cells[1] = 4, plugin->grid.cells[2] = 5, plugin->grid.cells[3] = 2;
    plugin->host->DeleteTexture(3, 0);
    EXPECT_EQ(plugin->grid.cells[0], 0);
    EXPECT_EQ(plugin->grid.cells[1], 3);
    EXPECT_EQ(plugin->grid.cells[2], 4);
    EXPECT_EQ(plugin->grid.cells[3], 2);
}

TEST_F(LandscapeTest, AnAlphaOnAGroundTextureIsRemovedAtOnce) {
    AddTexture(90, "ground.bmp");
    WriteBitmap("alpha.bmp", qv::GreyBitmap(256, 256, 128));
    ASSERT_EQ(plugin->host->InsertAlpha(Path("alpha.bmp").c_str(), 1), 0);
    const std::vector<uint8_t> chunk = Saved();
    const size_t list = chunk.size() - (4 + 128 + 40 + 1024 + 256 * 256) - 12;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&chunk[list + 12]), 4), "TXTR");
}

TEST_F(LandscapeTest, TopDownViewPaintsPicksAndFills) {
    MakeViewports();
    AddTexture(60, "a.bmp");
    AddTexture(160, "b.bmp");
    qv::PluginView* prototype = plugin->GetView(0);
    ASSERT_NE(prototype, nullptr);
    EXPECT_EQ(prototype->Destroy(), qv::Result(qv::kResultNotLiveView));
    qv::EditorViewport& v = (*viewports)[0];
    ASSERT_TRUE(v.LockTo(prototype));
    auto* view = static_cast<qv::TopDownView*>(v.LockedView());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(plugin->GetViewCount(), 0);
    EXPECT_EQ(prototype->Create(&v), nullptr);  // one instance at a time
    // A new view shows the landscape's centre.
    EXPECT_EQ(view->panX, 500.0f);
    // W 400, H 300, zoom 2, pan (-1500, -1500), 500 units from the grid's corner: cells are 8 pixels,
    // column j at 168 + 8j, row i at 182 - 8i.
    view->panX = view->panY = -1500.0f;
    uint32_t c = 9, r = 9;
    ASSERT_TRUE(view->CellAt(170, 180, &c, &r));
    EXPECT_EQ(c, 0u);
    EXPECT_EQ(r, 0u);
    EXPECT_FALSE(view->CellAt(165, 180, &c, &r));  // left of the grid
    EXPECT_FALSE(view->CellAt(170, 183, &c, &r));  // below row 0

    plugin->host->pickedTextures[0] = 2;
    qv::MousePress paint{&v, 178, 172, 0, 0};
    view->GetPort()->OnMessage(nullptr, qv::kMsgSelectPress, reinterpret_cast<qv::MsgArg>(&paint), 0);
    EXPECT_EQ(plugin->grid.cells[1 * 40 + 1], 2);
    // Ctrl picks the cell's texture as the current one and paints nothing.
    qv::MousePress pick{&v, 170, 180, 0, 8};
    view->GetPort()->OnMessage(nullptr, qv::kMsgSelectPress, reinterpret_cast<qv::MsgArg>(&pick), 0);
    EXPECT_EQ(plugin->host->pickedTextures[0], 0u);
    EXPECT_EQ(plugin->grid.cells[0], 0);
    // Multi-texturing paints a block cut at the grid's edge and never past the texture list.
    plugin->multiTexturing = 1;
    plugin->host->pickedTextures[0] = 1;
    plugin->blockWidth = plugin->blockHeight = 2;
    qv::MousePress corner{&v, 168 + 8 * 39 + 1, 182 - 8 * 39 - 1, 0, 0};
    view->GetPort()->OnMessage(nullptr, qv::kMsgSelectPress, reinterpret_cast<qv::MsgArg>(&corner), 0);
    EXPECT_EQ(plugin->grid.cells[39 * 40 + 39], 1);
    plugin->multiTexturing = 0;
    qv::MousePress inside{&v, 168 + 8 * 5 + 1, 182 - 8 * 5 - 1, 0, 0};
    plugin->multiTexturing = 1;
    view->GetPort()->OnMessage(nullptr, qv::kMsgSelectPress, reinterpret_cast<qv::MsgArg>(&inside), 0);
    EXPECT_EQ(plugin->grid.cells[5 * 40 + 5], 1);
    EXPECT_EQ(plugin->grid.cells[5 * 40 + 6], 2);
    EXPECT_EQ(plugin->grid.cells[6 * 40 + 5], 0);  // 1 + 2 = 3 is past the list: left as it was
    // Zoom snaps back to its limits.
    const float push[3] = {0, -1000, 0};
    view->GetPort()->OnMessage(nullptr, qv::kMsgNavigateTranslate, reinterpret_cast<qv::MsgArg>(push), 0);
    EXPECT_EQ(view->zoom, 80.0f);
    // "Fill Empty" then "Fill All" from the menu.
    plugin->host->pickedTextures[0] = 2;
    view->OnCommand(qv::kFillEmpty);
    EXPECT_EQ(plugin->grid.cells[5 * 40 + 5], 1);
    EXPECT_EQ(plugin->grid.cells[7], 2);
    view->OnCommand(qv::kFillAll);
    EXPECT_EQ(plugin->grid.cells, std::vector<uint16_t>(1600, 2));
    v.Unlock();
    EXPECT_EQ(plugin->GetViewCount(), 1);
}

}  // namespace
}  // namespace qvtest
