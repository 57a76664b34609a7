#pragma once
// What the editor's data plug-ins have in common: their identity texts, the main port, the panel
// (dialog 101 of the plug-in's own templates, opened through the host), two toolbar pictures, and
// nothing for views, viewport menus or commands. A plug-in derives from it and fills in its chunk,
// its reset and its panel procedure.
#include <cstdlib>
#include <memory>
#include <string>

#include "editor/plugin/PluginApi.h"
#include "platform/dialogs/Dialog.h"
#include "plugins/shared/PluginHelpers.h"

namespace qv {

// The window handles the host gives plug-ins are dialogs of the shared dialog layer.
inline plat::Dialog* AsDialog(QvWnd window) { return reinterpret_cast<plat::Dialog*>(window); }

// The path a file dialog of the shared helpers answered, taken over and freed; empty when cancelled.
inline std::string TakePath(char* chosen) {
    std::string path = chosen ? chosen : "";
    std::free(chosen);
    return path;
}

struct PluginTexts {
    const char* name;
    const char* description;
    const char* author;
    const char* state = "State ...";
};

class PluginBase : public EditorPlugin {
public:
    // colour and mark choose the toolbar picture (shared::CreateToolbarBitmap).
    PluginBase(uint32_t id, const char* portName, PluginTexts texts, plat::DialogTemplate panel, uint32_t colour,
               int mark);
    ~PluginBase() override;

    int32_t Attach() override;
    int32_t Detach() override;
    const char* GetName() override { return texts_.name; }
    const char* GetDescription() override { return texts_.description; }
    const char* GetAuthor() override { return texts_.author; }
    const char* GetState() override { return texts_.state; }
    int32_t Activate() override;
    int32_t Deactivate() override;
    QvBitmap GetToolbarBitmap(int32_t index) override;
    int32_t DrawViewport(Viewport*) override { return 0; }
    QvMenu GetViewportMenu(Viewport*) override { return nullptr; }
    int32_t OnCommand(int32_t) override { return 0; }
    int32_t GetViewCount() override { return 0; }
    PluginView* GetView(int32_t) override { return nullptr; }
    int32_t GetPortCount() override { return 1; }
    Port* GetPort(int32_t index) override { return index == 0 ? &mainPort : nullptr; }
    // Texture added or deleted for its own host: the panel shows the lists again; a texture picked for
    // its own host becomes the host's current texture of the message's slot.
    int32_t OnMainPortMessage(Port* sender, uint32_t code, MsgArg arg, MsgArg data) override;

    // The open panel, or null.
    plat::Dialog* panel() { return panel_; }

protected:
    // Fills the panel's controls from the data and enables them.
    virtual void RefreshPanel(plat::Dialog& d) = 0;
    // A command of the panel (control id, notification code).
    virtual void OnPanelCommand(plat::Dialog& d, int id, uint16_t code) = 0;
    // A spinner of the panel moved (its control id, the scroll code); its position is the control's.
    virtual void OnPanelScroll(plat::Dialog&, int, uint16_t) {}
    void Refresh() {
        if (panel_) RefreshPanel(*panel_);
    }
    // Plug-ins that draw only while their panel is open redraw the viewports when it opens and closes.
    bool redrawWithPanel_ = false;
    // True while the panel is being filled by the plug-in itself: the edits' change notices are then
    // not the user's.
    bool filling_ = false;

private:
    static intptr_t PanelProc(QvWnd window, uint32_t msg, uintptr_t wParam, intptr_t lParam);
    PluginTexts texts_;
    plat::DialogTemplate panelTemplate_;
    plat::Dialog* panel_ = nullptr;
    QvBitmap bitmaps_[2] = {nullptr, nullptr};
};

}  // namespace qv
