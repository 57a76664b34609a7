// Pages, the per-step input handling (pointer, clicks, dragging, text entry) and the menu loop.
#include <algorithm>

#include "game/app/loop/FrameLoop.h"
#include "game/core/display/Display.h"
#include "game/core/input/Input.h"
#include "game/core/render/RenderInterface.h"
#include "game/core/text/TextTable.h"
#include "game/frontend/menu/FrontEnd.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/menu/MenuInternal.h"
#include "game/net/NetGame.h"
#include "platform/gfx/GfxStates.h"
#include "platform/sys/EventLog.h"
#include "platform/sys/Fpu.h"

namespace kes {

namespace {

constexpr char kEntryCursor = '_';

struct MenuEngineState {
    MenuPage pages[kMenuPageCount];
    int32_t page = -1;
    MenuItem* items = nullptr;
    Surface2D* background = nullptr;
    uint32_t state = kMenuNormal;
    MenuItem* focus = nullptr;
    int32_t cursorX = 320, cursorY = 240;
    uint32_t previousMouse = 0;
    MenuKeys keys;
    std::string entry;       // the text being edited, without the cursor
    std::string shown;       // what the item shows: the text and the cursor
    uint32_t entryMax = 0;
    MenuSoundHook sound = nullptr;
    RenderInterface* renderer = nullptr;
} g_menu;

bool Inside(const float* r, float x, float y) { return x > r[0] && x < r[2] && y > r[1] && y < r[3]; }

bool PlaysRev(uint32_t type) {
    return type == kItemField || type == kItemSlider || type == kItemCaptionSlider || type == kItemScrollBar ||
           type == kItemLargeList || type == kItemWideList;
}

bool PlaysClick(uint32_t type) {
    return type == kItemBottomButton || type == kItemMenuButton || (type >= kItemLeftArrow && type <= kItemDownArrow) ||
           type == kItemHotSpot;
}

void ClearNavigationKeys() {
    MenuKeys& k = g_menu.keys;
    k.esc = k.up = k.down = k.left = k.right = k.enter = 0;
}

void ShowEntry(MenuItem* item) {
    g_menu.shown = g_menu.entry + kEntryCursor;
    if (item) item->text = g_menu.shown.c_str();
}

void EndEntry(MenuItem* item) {
    g_menu.shown = g_menu.entry;
    if (item) item->text = g_menu.shown.c_str();
    g_menu.state = kMenuNormal;
    g_menu.focus = nullptr;
}

// Text entry: one typed character per step. True when the step's input ends here.
bool TextEntryStep() {
    const uint8_t c = TakeLastCharacter();
    if (c == 0) return false;
    MenuItem* item = g_menu.focus;
    switch (c) {
    case 8:
        PlayMenuSound(kSoundType);
        if (!g_menu.entry.empty()) g_menu.entry.pop_back();
        ShowEntry(item);
        return false;
    case 13:
        PlayMenuSound(kSoundType);
        EndEntry(item);
        if (item) item->state = kItemClicked;
        return true;
    case 27:
        PlayMenuSound(kSoundType);
        EndEntry(item);
        return false;
    default:
        if (c < 32) return false;
        PlayMenuSound(kSoundType);
        if (g_menu.entry.size() < g_menu.entryMax) {
            // "@" breaks a line when drawn; typed bytes become the fonts' glyph codes.
            g_menu.entry += c == '@' ? '*' : static_cast<char>(MapTextChar(c));
        }
        ShowEntry(item);
        return false;
    }
}

void DragFocus(float x, float y) {
    MenuItem* f = g_menu.focus;
    if (!f || f->maximum == 0 || (f->flags & kItemNoDrag) || !g_menu.keys.mouse) return;
    float span = 0;
    bool horizontal = false;
    switch (f->type) {
    case kItemSlider:
    case kItemCaptionSlider: span = 0.234375f, horizontal = true; break;
    case kItemScrollBar: span = 0.19791667f; break;
    case kItemLargeList: span = 0.375f; break;
    case kItemWideList: span = 0.33333334f; break;
    default: return;
    }
    if (horizontal) {
        f->value += (x - f->pressX) * f->maximum / span;
        f->pressX = x;
        g_menu.cursorY = plat::FloatToInt(f->pressY * 480.0f);
    } else {
        f->value += (y - f->pressY) * f->maximum / span;
        f->pressY = y;
        g_menu.cursorX = plat::FloatToInt(f->pressX * 640.0f);
    }
    f->value = std::clamp(f->value, 0.0f, f->maximum);
}

void MenuStepUpdate(uint32_t) {
    if (g_menu.page >= 0 && g_menu.pages[g_menu.page].update) g_menu.pages[g_menu.page].update();
}

void MenuDrawScene(ViewRecord* view) {
    RenderInterface* r = MenuRenderer();
    if (g_menu.background && r) r->BlitToScreen(g_menu.background, nullptr, nullptr);
    SetMenuState2D();
    if (g_menu.items)
        for (MenuItem* item = g_menu.items; item->type != kItemEnd; ++item) DrawMenuItem(view, item);
    if (r) {
        r->SetState(kStateImmediateBlend, 0);
        r->SetState(plat::rs::kSrcBlend, 2);
        r->SetState(plat::rs::kDestBlend, 1);
        r->SetState(kStateImmediateBlend, 1);
        r->SetState(plat::rs::kZWriteEnable, 1);
        r->SetState(plat::rs::kZEnable, 1);
        r->SetState(plat::rs::kZFunc, 4);
    }
}

void MenuDrawOverlay(ViewRecord*) {
    RenderInterface* r = MenuRenderer();
    if (r) r->FlushTranslucent();
    SetMenuState2D();
    if (g_menu.page >= 0 && g_menu.pages[g_menu.page].draw) g_menu.pages[g_menu.page].draw();
    if (g_menu.state == kMenuNormal) DrawMenuCursor();
}

}  // namespace

void SetMenuState2D() {
    RenderInterface* r = MenuRenderer();
    if (!r) return;
    r->SetState(plat::rs::kZWriteEnable, 0);
    r->SetState(kStateImmediateBlend, 1);
    r->SetState(plat::rs::kSrcBlend, 5);
    r->SetState(plat::rs::kDestBlend, 6);
    r->SetState(plat::rs::kZEnable, 0);
}

MenuSoundHook SetMenuSoundHook(MenuSoundHook hook) {
    MenuSoundHook old = g_menu.sound;
    g_menu.sound = hook;
    return old;
}

void PlayMenuSound(uint32_t sound, uint32_t frequency) {
    if (g_menu.sound && sound < kMenuSoundCount) g_menu.sound(sound, frequency);
}

MenuKeys& MenuKeyWords() { return g_menu.keys; }

void SetMenuPageEntry(uint32_t index, const MenuPage& page) {
    if (index < kMenuPageCount) g_menu.pages[index] = page;
}

MenuPage* MenuPageAt(uint32_t index) { return index < kMenuPageCount ? &g_menu.pages[index] : nullptr; }

void SetMenuPage(uint32_t index) {
    if (index >= kMenuPageCount) return;
    g_menu.state = kMenuNormal;
    g_menu.focus = nullptr;
    if (g_menu.page >= 0 && g_menu.pages[g_menu.page].leave) g_menu.pages[g_menu.page].leave();
    MenuPage& page = g_menu.pages[index];
    g_menu.page = static_cast<int32_t>(index);
    plat::LogEvent("page " + std::to_string(index));
    g_menu.items = page.items;
    const uint32_t slot = page.background < kBackgroundSlots ? page.background : 0;
    g_menu.background = FrontEnd().backgrounds[slot];
    if (g_menu.items)
        for (MenuItem* item = g_menu.items; item->type != kItemEnd; ++item) item->state = 0;
    // The key that chose this page is still held: it must not act again on the new one.
    ClearNavigationKeys();
    g_menu.keys.del = 0;
    if (page.enter) page.enter();
}

void LeaveMenuPage() {
    if (g_menu.page < 0) return;
    if (g_menu.pages[g_menu.page].leave) g_menu.pages[g_menu.page].leave();
    g_menu.background = nullptr;
    g_menu.page = -1;
    g_menu.items = nullptr;
    g_menu.focus = nullptr;
}

int32_t CurrentMenuPage() { return g_menu.page; }
MenuItem* CurrentMenuItems() { return g_menu.items; }
uint32_t MenuState() { return g_menu.state; }
MenuItem* MenuFocus() { return g_menu.focus; }

void MenuCursor(int32_t* x, int32_t* y) {
    if (x) *x = g_menu.cursorX;
    if (y) *y = g_menu.cursorY;
}

void SetMenuCursor(int32_t x, int32_t y) {
    g_menu.cursorX = std::clamp(x, 0, 639);
    g_menu.cursorY = std::clamp(y, 0, 479);
}

void StartTextEntry(MenuItem* item, const std::string& initial, uint32_t maxLength) {
    g_menu.entry = initial.substr(0, maxLength);
    g_menu.entryMax = maxLength;
    g_menu.state = kMenuTextEntry;
    g_menu.focus = item;
    TakeLastCharacter();  // a character typed before the entry began is not part of it
    ShowEntry(item);
}

const std::string& TextEntryText() { return g_menu.entry; }

uint32_t MenuRevFrequency(float value, float maximum) {
    // A field or a slider without a range has no middle to measure from.
    if (!(maximum > 0.0f)) return 22050;
    const float half = maximum * 0.5f;
    return static_cast<uint32_t>(22050 - plat::FloatToInt((value - half) / half * -11025.0f));
}

void MenuInput() {
    // 1. The pointer and the button's edges.
    int32_t dx = 0, dy = 0;
    InputTakeMouseDelta(&dx, &dy);
    SetMenuCursor(g_menu.cursorX + dx, g_menu.cursorY + dy);
    const uint32_t mouse = g_menu.keys.mouse;
    const bool pressed = mouse && !g_menu.previousMouse;
    const bool released = !mouse && g_menu.previousMouse;
    g_menu.previousMouse = mouse;

    // 2-3. Text entry keeps the navigation keys to itself.
    if (g_menu.state != kMenuNormal) ClearNavigationKeys();
    if (g_menu.state == kMenuTextEntry && TextEntryStep()) return;
    if (!g_menu.items || g_menu.state != kMenuNormal) return;

    // 4. Presses.
    const float x = static_cast<float>(g_menu.cursorX) / 640.0f;
    const float y = static_cast<float>(g_menu.cursorY) / 480.0f;
    for (MenuItem* item = g_menu.items; item->type != kItemEnd; ++item) {
        item->state &= ~kItemClicked;
        if (item == g_menu.focus || (item->flags & kItemHidden) || !pressed) continue;
        const float* a = item->listArea;
        if (x > a[0] && x < a[2] && y > a[1] && y < a[3]) {
            item->pressColumn = plat::FloatToInt((x - a[0]) * item->inverseColumn) + 1;
            item->pressRow = plat::FloatToInt((y - a[1]) * item->inverseRow) + 1;
        } else {
            item->pressColumn = item->pressRow = 0;
        }
        if (Inside(item->hit, x, y)) {
            item->pressX = x;
            item->pressY = y;
            g_menu.focus = item;
        } else {
            item->pressX = item->pressY = 0;
        }
    }

    MenuItem* f = g_menu.focus;
    if (!f) return;
    // 5. Lighting and clicks.
    const uint32_t old = f->state;
    const bool sticky = (f->flags & kItemSticky) != 0;
    if (!Inside(f->hit, x, y)) {
        if (!sticky) f->state &= ~kItemLit;
    } else if (released && !sticky) {
        f->state = (f->state & ~kItemLit) | kItemClicked;
    } else {
        f->state |= kItemLit;
    }
    // 6. Dragging.
    DragFocus(x, y);
    // 7. Sounds.
    if (f->state != old) {
        if (PlaysRev(f->type) && released) PlayMenuSound(kSoundMenuRev, MenuRevFrequency(f->value, f->maximum));
        if (PlaysClick(f->type)) PlayMenuSound((f->state & kItemLit) ? kSoundClickOn : kSoundChangeOption);
    }
    // 8. Letting go.
    if (!mouse && !sticky) {
        f->state &= ~kItemLit;
        g_menu.focus = nullptr;
    }
}

namespace {

// The menu's parts of the frame, installed for as long as the object lives.
class MenuFrameParts {
public:
    MenuFrameParts()
        : old1_(SetFrameCallback1([](uint32_t) { MenuInput(); })), old2_(SetFrameCallback2(MenuStepUpdate)),
          old3_(SetFrameCallback3(MenuDrawScene)), old4_(SetFrameCallback4(MenuDrawOverlay)) {}
    ~MenuFrameParts() {
        SetFrameCallback1(old1_);
        SetFrameCallback2(old2_);
        SetFrameCallback3(old3_);
        SetFrameCallback4(old4_);
    }
    MenuFrameParts(const MenuFrameParts&) = delete;
    MenuFrameParts& operator=(const MenuFrameParts&) = delete;

private:
    FrameStepCallback old1_, old2_;
    FrameDrawCallback old3_, old4_;
};

}  // namespace

int MenuLoop() {
    MenuFrameParts parts;
    return RunLoop();
}

int InGameMenu() {
    g_menu.keys.esc = 0;
    const bool network = NetGetMode() != 0;
    if (network) NetSendInMenu(1);
    RenderInterface* r = MenuRenderer();
    Surface2D* frozen = r ? r->CreateSurface(ScreenWidth(), ScreenHeight()) : nullptr;
    if (!frozen) {
        // The others were told to wait: tell them the menu is gone again.
        if (network) NetSendInMenu(0);
        return 3;
    }
    CopyBackBufferToSurface(frozen);
    r->ReleaseDeviceTextures();
    FrontEnd().backgrounds[0] = frozen;
    g_menu.state = kMenuNormal;
    LeaveMenuPage();
    SetMenuPage(kInRaceMenuPage);
    int code = 0;
    {
        MenuFrameParts parts;
        code = RunLoop();
    }
    ClearQuitRequest();
    LeaveMenuPage();
    r->FreeSurface(frozen);
    FrontEnd().backgrounds[0] = nullptr;
    for (uint32_t h : FrontEnd().fonts)
        if (h) r->ReleaseTextureSurface(h);
    for (uint32_t h : FrontEnd().buttons)
        if (h) r->ReleaseTextureSurface(h);
    if (network) NetSendInMenu(0);
    return code;
}

void MenuFrame() {
    MenuFrameParts parts;
    FrameTick();
}

void SetMenuRenderer(RenderInterface* renderer) { g_menu.renderer = renderer; }
RenderInterface* MenuRenderer() { return g_menu.renderer ? g_menu.renderer : FrontEnd().render; }

}  // namespace kes
