#include "plugins/shared/PluginBase.h"

namespace qv {

namespace {
// The panel procedure is a plain function; it finds its plug-in through the panel being opened.
PluginBase* g_opening = nullptr;
struct PanelOwner {
    plat::Dialog* dialog;
    PluginBase* plugin;
};
std::vector<PanelOwner>& Owners() {
    static std::vector<PanelOwner> owners;
    return owners;
}
PluginBase* OwnerOf(plat::Dialog* d) {
    for (const PanelOwner& o : Owners())
        if (o.dialog == d) return o.plugin;
    return nullptr;
}
void ForgetOwner(plat::Dialog* d) {
    auto& owners = Owners();
    for (size_t i = 0; i < owners.size(); ++i)
        if (owners[i].dialog == d) {
            owners.erase(owners.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
}

}  // namespace

PluginBase::PluginBase(uint32_t id, const char* portName, PluginTexts texts, plat::DialogTemplate panel,
                       uint32_t colour, int mark)
    : EditorPlugin(id, portName, 14), texts_(texts), panelTemplate_(std::move(panel)) {
    // The second picture (the pressed button) is the first one lighter.
    bitmaps_[0] = shared::CreateToolbarBitmap(colour, mark);
    bitmaps_[1] = shared::CreateToolbarBitmap(colour | 0x404040, mark);
}

PluginBase::~PluginBase() {
    for (QvBitmap& b : bitmaps_) {
        shared::DeleteToolbarBitmap(b);
        b = nullptr;
    }
}

int32_t PluginBase::Attach() {
    plat::RegisterDialogTemplate(host->module, 101, panelTemplate_);
    return host->bus->Register(&mainPort);
}

int32_t PluginBase::Detach() {
    host->bus->Unregister(&mainPort);
    plat::ForgetDialogTemplates(host->module);
    return 0;
}

int32_t PluginBase::Activate() {
    g_opening = this;
    QvWnd w = host->CreatePluginDialog(host->module, 101, &PluginBase::PanelProc);
    g_opening = nullptr;
    panel_ = AsDialog(w);
    if (panel_) {
        if (!OwnerOf(panel_)) Owners().push_back({panel_, this});
        RefreshPanel(*panel_);
    }
    if (redrawWithPanel_) host->RedrawPluginViewports(0);
    return 0;
}

int32_t PluginBase::Deactivate() {
    if (panel_) {
        plat::Dialog* d = panel_;
        panel_ = nullptr;
        ForgetOwner(d);
        host->DestroyPluginDialog(reinterpret_cast<QvWnd>(d));
    }
    if (redrawWithPanel_) host->RedrawPluginViewports(0);
    return 0;
}

QvBitmap PluginBase::GetToolbarBitmap(int32_t index) {
    return index == 0 || index == 1 ? bitmaps_[index] : nullptr;
}

int32_t PluginBase::OnMainPortMessage(Port*, uint32_t code, MsgArg arg, MsgArg) {
    if ((code == kMsgTextureAdded || code == kMsgTextureDeleted) && reinterpret_cast<PluginHost*>(arg) == host) {
        Refresh();
    } else if (code == kMsgTexturePicked) {
        const auto* picked = reinterpret_cast<const TexturePickedRecord*>(arg);
        if (picked && picked->owner == host && picked->slot < 8) host->pickedTextures[picked->slot] = picked->index;
    }
    return 0;
}

intptr_t PluginBase::PanelProc(QvWnd window, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    plat::Dialog* d = AsDialog(window);
    PluginBase* plugin = OwnerOf(d);
    if (!plugin && msg == plat::WM_INITDIALOG && g_opening) {
        plugin = g_opening;
        Owners().push_back({d, plugin});
    }
    if (!plugin) return 0;
    switch (msg) {
        case plat::WM_INITDIALOG: return 1;
        case plat::WM_COMMAND:
            if (!plugin->filling_) plugin->OnPanelCommand(*d, plat::LowWord(wParam), plat::HighWord(wParam));
            return 1;
        case plat::WM_VSCROLL:
            if (!plugin->filling_) plugin->OnPanelScroll(*d, static_cast<int>(lParam), plat::LowWord(wParam));
            return 1;
        case plat::WM_DESTROY:
            ForgetOwner(d);
            if (plugin->panel_ == d) plugin->panel_ = nullptr;
            return 1;
        default: return 0;
    }
}

}  // namespace qv
