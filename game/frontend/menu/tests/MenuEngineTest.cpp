#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "game/app/loop/FrameLoop.h"
#include "game/core/display/Display.h"
#include "game/core/input/Input.h"
#include "game/core/input/InputScript.h"
#include "game/core/render/RenderInterface.h"
#include "game/core/sprite/Sprites.h"
#include "game/core/text/TextTable.h"
#include "game/frontend/menu/FrontEnd.h"
#include "game/frontend/menu/Menu.h"

namespace kes {
namespace {

// Records every sprite drawn: its screen rectangle, colour and the texture selected for it.
class SpriteRecorder : public RenderInterface {
public:
    struct Quad {
        float left, top, right, bottom;
        uint32_t colour, texture;
    };
    int32_t SelectTexture(uint32_t handle) override {
        texture = handle;
        return 0;
    }
    int32_t DrawIndexed(uint32_t, uint32_t count, ScreenVertex* v, uint32_t, uint16_t*, uint32_t) override {
        for (uint32_t q = 0; q + 3 < count; q += 4)
            quads.push_back({v[q].sx, v[q].sy, v[q + 2].sx, v[q + 2].sy, v[q].diffuse, texture});
        return 0;
    }
    int32_t SetState(uint32_t, uint32_t) override { return 0; }
    std::vector<Quad> quads;
    uint32_t texture = 0;
};

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitSprites(&render_, 256, 640, 480);
        SetMenuRenderer(&render_);
        for (uint32_t i = 0; i < kButtonTextureCount; ++i) FrontEnd().buttons[i] = 100 + i;
        for (uint32_t i = 0; i < kFontCount; ++i) FrontEnd().fonts[i] = 200 + i + 1;
        FrontEnd().cursor = 300;
        MenuKeyWords() = MenuKeys();
    }
    void TearDown() override {
        LeaveMenuPage();
        SetMenuSoundHook(nullptr);
        SetMenuRenderer(nullptr);
        FreeSprites();
        FrontEnd().cursor = 0;
        for (uint32_t& h : FrontEnd().buttons) h = 0;
        for (uint32_t& h : FrontEnd().fonts) h = 0;
    }
    // Shows a page of the given items, drawn once so that their hit rectangles exist.
    void Show(MenuItem* items) {
        SetMenuPageEntry(0, MenuPage{0, items, nullptr, nullptr, nullptr, nullptr});
        SetMenuPage(0);
        Draw(items);
    }
    void Draw(MenuItem* items) {
        for (MenuItem* i = items; i->type != kItemEnd; ++i) DrawMenuItem(nullptr, i);
    }
    // One step with the pointer at (x, y) and the button as given.
    void Step(int32_t x, int32_t y, bool down) {
        SetMenuCursor(x, y);
        MenuKeyWords().mouse = down ? 1 : 0;
        MenuInput();
    }
    SpriteRecorder render_;
};

TEST_F(MenuTest, AClickIsAPressAndAReleaseInsideTheSameItem) {
    // Bottom button at (100, 100): image 4 is 98 x 39 pixels.
    struct Case {
        const char* what;
        int32_t pressX, releaseX;
        uint32_t flags;
        uint32_t stateAfterRelease;
        bool focusKept;
    } cases[] = {
        {"press and release inside", 120, 150, 0, kItemClicked, false},
        {"release outside", 120, 300, 0, 0, false},
        {"press outside", 300, 120, 0, 0, false},
        {"sticky", 120, 150, kItemSticky, kItemLit, true},
    };
    for (const Case& c : cases) {
        MenuItem items[] = {{kItemBottomButton, 100, 100}, {}};
        items[0].flags = c.flags;
        Show(items);
        Step(c.pressX, 110, false);
        Step(c.pressX, 110, true);
        Step(c.releaseX, 110, true);
        Step(c.releaseX, 110, false);
        EXPECT_EQ(items[0].state, c.stateAfterRelease) << c.what;
        EXPECT_EQ(MenuFocus() == &items[0], c.focusKept) << c.what;
        Step(c.releaseX, 110, false);
        EXPECT_EQ(items[0].state & kItemClicked, 0u) << c.what << ": a click lasts one step";
    }
}

TEST_F(MenuTest, HitRectanglesAreStrictAndTheLitButtonIsTinted) {
    MenuItem items[] = {{kItemBottomButton, 100, 100}, {}};
    Show(items);
    EXPECT_FLOAT_EQ(items[0].hit[0], 100.0f / 640);
    EXPECT_FLOAT_EQ(items[0].hit[2], 100.0f / 640 + 98.05f / 640);
    Step(100, 110, true);  // on the left edge: outside
    EXPECT_EQ(MenuFocus(), nullptr);
    Step(100, 110, false);
    Step(101, 110, true);
    EXPECT_EQ(MenuFocus(), &items[0]);
    EXPECT_EQ(items[0].state, kItemLit);
    render_.quads.clear();
    Draw(items);
    ASSERT_GE(render_.quads.size(), 2u);
    EXPECT_EQ(render_.quads[1].colour, kButtonLit);
    EXPECT_FLOAT_EQ(render_.quads[1].left, 102.0f);
    EXPECT_EQ(render_.quads[0].texture, 100u);
}

TEST_F(MenuTest, SlidersDragOverTheirRangeAndPlayTheRevAtTheirPitch) {
    std::vector<std::pair<uint32_t, uint32_t>> sounds;
    static std::vector<std::pair<uint32_t, uint32_t>>* heard;
    heard = &sounds;
    SetMenuSoundHook([](uint32_t s, uint32_t f) { heard->push_back({s, f}); });
    MenuItem items[] = {{kItemSlider, 100, 100}, {}};
    items[0].maximum = 100;
    items[0].value = 0;
    Show(items);
    // The knob (image 8, 21 x 17) sits at (108, 136).
    Step(115, 140, true);
    ASSERT_EQ(MenuFocus(), &items[0]);
    Step(190, 150, true);  // 75 pixels right: half the 150-pixel range
    EXPECT_NEAR(items[0].value, 50.0f, 0.01f);
    int32_t cx, cy;
    MenuCursor(&cx, &cy);
    EXPECT_EQ(cy, 140) << "the pointer is held on the knob's line";
    Step(400, 140, true);
    EXPECT_EQ(items[0].value, 100.0f) << "clamped at the maximum";
    Draw(items);
    Step(items[0].hit[0] * 640 + 2, 140, true);
    Step(0, 140, true);
    EXPECT_EQ(items[0].value, 0.0f) << "clamped at 0";
    items[0].value = 50;
    Draw(items);
    Step(static_cast<int32_t>(items[0].hit[0] * 640) + 3, 140, false);
    ASSERT_FALSE(sounds.empty());
    EXPECT_EQ(sounds.back(), (std::pair<uint32_t, uint32_t>{kSoundMenuRev, 22050}));
}

TEST(MenuRev, FrequencyFollowsTheValue) {
    struct Case {
        float value, maximum;
        uint32_t hz;
    } cases[] = {{0, 100, 11025}, {50, 100, 22050}, {100, 100, 33075}, {3, 0, 22050}, {0, 0, 22050}};
    for (const Case& c : cases) EXPECT_EQ(MenuRevFrequency(c.value, c.maximum), c.hz) << c.value << "/" << c.maximum;
}

TEST_F(MenuTest, ListsKeepTheSelectedRowInView) {
    struct Case {
        uint32_t type;
        float value, first, expectedFirst;
    } cases[] = {
        {kItemListBox, 15, 0, 5},   {kItemListBox, 2, 5, 2},    {kItemListBox, 7, 3, 3},
        {kItemWideList, 30, 0, 12}, {kItemLargeList, 20, 0, 8}, {kItemLargeList, 12, 0, 0},
    };
    for (const Case& c : cases) {
        MenuItem items[] = {{c.type, 40, 40}, {}};
        items[0].maximum = 40;
        items[0].value = c.value;
        items[0].firstRow = c.first;
        Show(items);
        EXPECT_EQ(items[0].firstRow, c.expectedFirst) << c.type << " " << c.value;
    }
}

TEST_F(MenuTest, ListRowsAreDrawnAndPressedCellsFound) {
    static const char* const rows[] = {"zero", "one", "two", "three", nullptr};
    MenuItem items[] = {{kItemListBox, 40, 40}, {}};
    items[0].list = rows;
    items[0].maximum = 4;
    items[0].value = 1;
    Show(items);
    // Row 2 ("two") is drawn at (48, 55 + 28) in the small font.
    bool found = false;
    for (const auto& q : render_.quads)
        if (q.texture == 204 && q.left == 48.0f && q.top == 83.0f) found = true;
    EXPECT_TRUE(found);
    // A press on the third row of the list area (rows 14 pixels from y 55).
    Step(60, 55 + 14 * 2 + 5, true);
    EXPECT_EQ(items[0].pressRow, 3);
    EXPECT_EQ(items[0].pressColumn, (60 - 55) / 7 + 1);
}

TEST_F(MenuTest, TextIsLaidOutGlyphByGlyph) {
    struct Case {
        const char* text;
        uint32_t font;
        bool centred;
        uint32_t perLine;
        std::vector<std::pair<float, float>> corners;  // left, top of each sprite
    } cases[] = {
        {"AB CD", 1, false, 44, {{100, 50}, {111, 50}, {122, 50}, {133, 50}, {144, 50}}},
        {"A@B\rC", 4, false, 44, {{100, 50}, {100, 62}, {100, 74}}},
        {"AB", 1, true, 44, {{100 + 5 - 8 - 11, 50}, {100 + 5 - 8, 50}}},
        {"A\xe9" "B", 1, false, 44, {{100, 50}, {122, 50}}},  // a byte without a glyph keeps its place
        {"AA BB", 4, false, 3, {{100, 50}, {107, 50}, {100, 62}, {107, 62}}},
        {"ABCD", 4, false, 3, {{100, 50}, {107, 50}, {114, 50}, {100, 62}}},
    };
    for (const Case& c : cases) {
        render_.quads.clear();
        DrawMenuText(nullptr, 100, 50, c.text, c.font, c.centred, c.perLine);
        ASSERT_EQ(render_.quads.size(), c.corners.size()) << c.text;
        for (size_t i = 0; i < c.corners.size(); ++i) {
            EXPECT_FLOAT_EQ(render_.quads[i].left, c.corners[i].first) << c.text << " " << i;
            EXPECT_FLOAT_EQ(render_.quads[i].top, c.corners[i].second) << c.text << " " << i;
            EXPECT_EQ(render_.quads[i].texture, 200 + c.font);
        }
    }
}

TEST(GlyphTables, CellsOfTheLargeAndSmallFonts) {
    const TextureRect& first = GlyphRect(true, 32);
    EXPECT_FLOAT_EQ(first.uMin, 0.33f / 256);
    EXPECT_FLOAT_EQ(first.vMin, 0.33f / 256);
    EXPECT_NEAR(first.uMax, 15.58f / 256, 1e-6);
    EXPECT_NEAR(first.vMax, 17.58f / 256, 1e-6);
    const TextureRect& last = GlyphRect(true, 179);  // index 147: column 3, row 9
    EXPECT_FLOAT_EQ(last.uMin, (48 + 0.33f) / 256);
    EXPECT_FLOAT_EQ(last.vMin, (162 + 0.33f) / 256);
    const TextureRect& small = GlyphRect(false, 32 + 17);
    EXPECT_FLOAT_EQ(small.uMin, (8 + 0.33f) / 128);
    EXPECT_FLOAT_EQ(small.vMin, (10 + 0.33f) / 128);
    EXPECT_NEAR(small.uMax - small.uMin, 7.25f / 128, 1e-6);
}

class TextEntryTest : public MenuTest {
protected:
    void Type(const std::vector<int>& codes) {
        // Each test case runs as its own process beside the others: the script's name is its own.
        const std::string path = ::testing::TempDir() + "menu_typing_" + std::to_string(getpid()) + ".txt";
        {
            std::ofstream out(path);
            for (int c : codes) out << "1 char " << c << "\n";
        }
        InputInit(nullptr, nullptr);
        ASSERT_TRUE(LoadInputScript(path));
        InputScriptFrame(1);
        InputPoll();
        // One character a step; a finished entry shows for the one step the page then sees.
        for (size_t i = 0; i < codes.size(); ++i) MenuInput();
        UnloadInputScript();
        InputShutdown();
        std::remove(path.c_str());
    }
};

TEST_F(TextEntryTest, TypingBackspaceAndReturn) {
    MenuItem items[] = {{kItemTextBox, 100, 100}, {}};
    Show(items);
    StartTextEntry(&items[0], "", 3);
    EXPECT_STREQ(items[0].text, "_");
    EXPECT_EQ(MenuState(), kMenuTextEntry);
    Type({'A', '@', 'b', 'c', 8, 0xE9, 13});
    EXPECT_EQ(TextEntryText(), std::string("A*") + char(MapTextChar(0xE9)));
    EXPECT_STREQ(items[0].text, TextEntryText().c_str());
    EXPECT_EQ(items[0].state, kItemClicked) << "a finished entry";
    EXPECT_EQ(MenuState(), kMenuNormal);
    EXPECT_EQ(MenuFocus(), nullptr);
}

TEST_F(TextEntryTest, EscEndsWithoutFinishingAndKeysAreKeptFromThePage) {
    MenuItem items[] = {{kItemTextBox, 100, 100}, {}};
    Show(items);
    StartTextEntry(&items[0], "Jo", 10);
    MenuKeyWords().enter = 1;
    MenuKeyWords().up = 1;
    MenuInput();
    EXPECT_EQ(MenuKeyWords().enter, 0u);
    EXPECT_EQ(MenuKeyWords().up, 0u);
    // The cursor is not drawn during an entry.
    Type({27});
    EXPECT_EQ(TextEntryText(), "Jo");
    EXPECT_EQ(items[0].state, 0u);
    EXPECT_EQ(MenuState(), kMenuNormal);
}

// A page that goes on to the next page when Return is held.
void GoOnWithReturn() {
    if (MenuKeyWords().enter && CurrentMenuPage() < 2) SetMenuPage(static_cast<uint32_t>(CurrentMenuPage() + 1));
}

TEST_F(MenuTest, AHeldKeyActsOnOnePageOnly) {
    MenuItem items[] = {{kItemNothing, 0, 0}, {}};
    for (uint32_t p = 0; p < 3; ++p)
        SetMenuPageEntry(p, MenuPage{0, items, GoOnWithReturn, nullptr, nullptr, nullptr});
    SetMenuPage(0);
    MenuKeyWords().enter = 1;  // pressed once, then held: the binding sets the word on the press only
    for (int step = 0; step < 5; ++step) {
        MenuInput();
        MenuPageAt(static_cast<uint32_t>(CurrentMenuPage()))->update();
    }
    EXPECT_EQ(CurrentMenuPage(), 1);
}

TEST_F(MenuTest, PagesRunTheirEnterAndLeaveAndClearItemStates) {
    static std::vector<std::string> calls;
    calls.clear();
    MenuItem a[] = {{kItemBottomButton, 0, 0}, {}};
    MenuItem b[] = {{kItemBottomButton, 0, 0}, {}};
    a[0].state = 3;
    SetMenuPageEntry(5, MenuPage{3, a, nullptr, nullptr, [] { calls.push_back("enter 5"); },
                                 [] { calls.push_back("leave 5"); }});
    SetMenuPageEntry(6, MenuPage{3, b, nullptr, nullptr, [] { calls.push_back("enter 6"); }, nullptr});
    SetMenuPage(5);
    EXPECT_EQ(a[0].state, 0u);
    SetMenuPage(6);
    LeaveMenuPage();
    EXPECT_EQ(calls, (std::vector<std::string>{"enter 5", "leave 5", "enter 6"}));
    EXPECT_EQ(CurrentMenuPage(), -1);
}

TEST_F(MenuTest, EveryItemTypeDrawsAndHiddenItemsDoNot) {
    static const char* const rows[] = {"a", "b", nullptr};
    for (uint32_t type = 1; type <= kMenuItemTypeCount; ++type) {
        MenuItem item{type, 10, 10};
        item.text = "x";
        item.list = rows;
        item.maximum = 2;
        render_.quads.clear();
        DrawMenuItem(nullptr, &item);
        if (type == kItemNothing) EXPECT_TRUE(render_.quads.empty());
        else EXPECT_FALSE(render_.quads.empty()) << type;
        item.flags = kItemHidden;
        render_.quads.clear();
        DrawMenuItem(nullptr, &item);
        EXPECT_TRUE(render_.quads.empty()) << type;
    }
}

// A renderer for the in-race menu: surfaces counted, textures' surfaces released.
class FreezingRecorder : public SpriteRecorder {
public:
    Surface2D* CreateSurface(uint32_t w, uint32_t h) override {
        if (!allowSurface) return nullptr;
        ++surfaces;
        return new Surface2D{nullptr, w, h, nullptr, 0};
    }
    int32_t FreeSurface(Surface2D* s) override {
        --surfaces;
        delete s;
        return 0;
    }
    int32_t ReleaseDeviceTextures() override { return 0; }
    int32_t ReleaseTextureSurface(uint32_t) override {
        ++released;
        return 0;
    }
    bool allowSurface = true;
    int surfaces = 0, released = 0;
};

TEST(InGameMenu, NoRoomForThePictureLeavesTheRace) {
    FreezingRecorder render;
    render.allowSurface = false;
    SetMenuRenderer(&render);
    EXPECT_EQ(InGameMenu(), 3);
    EXPECT_EQ(CurrentMenuPage(), -1);
    SetMenuRenderer(nullptr);
}

TEST(InGameMenu, RunsPageEightOverTheFrozenPictureAndReturnsItsCode) {
    FreezingRecorder render;
    SetMenuRenderer(&render);
    FrontEnd().fonts[0] = 7;
    FrontEnd().buttons[3] = 9;
    static Surface2D* seen = nullptr;
    MenuItem items[] = {{kItemNothing, 0, 0}, {}};
    SetMenuPageEntry(kInRaceMenuPage, MenuPage{0, items, [] {
                                                   seen = FrontEnd().backgrounds[0];
                                                   RequestQuit(1);
                                               },
                                               nullptr, nullptr, nullptr});
    EXPECT_EQ(InGameMenu(), 1);
    EXPECT_NE(seen, nullptr) << "the page ran over the frozen picture";
    EXPECT_EQ(FrontEnd().backgrounds[0], nullptr);
    EXPECT_EQ(render.surfaces, 0);
    EXPECT_EQ(render.released, 2);
    EXPECT_FALSE(QuitRequested()) << "the race's own loop goes on";
    EXPECT_EQ(CurrentMenuPage(), -1);
    FrontEnd().fonts[0] = 0;
    FrontEnd().buttons[3] = 0;
    SetMenuPageEntry(kInRaceMenuPage, MenuPage{});
    SetMenuRenderer(nullptr);
}

TEST_F(MenuTest, TheCursorSpriteCoversThePointer) {
    SetMenuCursor(700, -4);
    int32_t x, y;
    MenuCursor(&x, &y);
    EXPECT_EQ(x, 639);
    EXPECT_EQ(y, 0);
    SetMenuCursor(100, 200);
    render_.quads.clear();
    DrawMenuCursor();
    ASSERT_EQ(render_.quads.size(), 1u);
    EXPECT_FLOAT_EQ(render_.quads[0].left, 95);
    EXPECT_FLOAT_EQ(render_.quads[0].top, 198);
    EXPECT_FLOAT_EQ(render_.quads[0].right, 147);
    EXPECT_EQ(render_.quads[0].texture, 300u);
}

}  // namespace
}  // namespace kes
