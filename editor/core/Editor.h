#pragma once
// The editor core without a display: the message bus and the editor's "MainPort", the plug-ins and
// their hosts, the texture table, the sound system and the world document.
#include <memory>
#include <string>
#include <vector>

#include "common/bus/MessageBus.h"
#include "editor/core/EditorUi.h"
#include "editor/core/PluginHostImpl.h"
#include "editor/core/WorldDocument.h"
#include "editor/plugin/PluginApi.h"
#include "editor/sound/SoundSystem.h"
#include "editor/texture/TextureTable.h"

namespace qv {

// The editor's own port: sender of its broadcasts; takes nothing.
class EditorMainPort : public Port {
public:
    EditorMainPort() : Port("MainPort", 0xFFFF) {}
    int32_t OnMessage(Port*, uint32_t, MsgArg, MsgArg) override { return 0; }
};

class Editor {
public:
    // Uses the recording window layer when none is given.
    explicit Editor(std::unique_ptr<EditorUi> ui = nullptr);
    ~Editor();
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    // Loads every "*.qv" library of the folder in file-name order, attaches the plug-ins and adds their
    // toolbar buttons. A library that cannot be bound is skipped with "Wrong plugin" and the rest load.
    // Returns the number of plug-ins registered (0: the editor has nothing to edit and ends).
    size_t LoadPlugins(const std::string& folder);
    // 0 when registered or refused as a duplicate; kResultBadIndex for nulls; kResultWrongVersion.
    int32_t RegisterPlugin(QvModule module, EditorPlugin* plugin);

    // A plug-in's toolbar button (command 8000 + index).
    void OnPluginCommand(uint32_t commandId);
    // The plug-in panel went away: the active plug-in is deactivated.
    void OnPanelDestroyed();
    EditorPlugin* ActivePlugin() const { return active_; }

    // Leaves in order: world reset, Detach of every plug-in, hosts released, libraries unloaded.
    void Shutdown();

    size_t PluginCount() const { return hosts_.size(); }
    PluginHostImpl* Host(size_t index) const { return index < hosts_.size() ? hosts_[index].get() : nullptr; }
    EditorPlugin* Plugin(size_t index) const { return index < hosts_.size() ? hosts_[index]->plugin : nullptr; }
    EditorPlugin* FindPlugin(uint32_t identifier) const;

    MessageBus bus;
    EditorMainPort mainPort;
    TextureTable textures;
    SoundSystem sound;
    std::unique_ptr<EditorUi> ui;
    WorldDocument world;
    // Set by the viewports when they exist (the window layer).
    Viewport* viewports[4] = {nullptr, nullptr, nullptr, nullptr};
    // The drawing layer, when the viewports exist: hosts select their textures through it.
    class RenderLayer* render = nullptr;

private:
    std::vector<std::unique_ptr<PluginHostImpl>> hosts_;
    std::vector<void*> libraries_;
    EditorPlugin* active_ = nullptr;
    bool shutDown_ = false;
};

}  // namespace qv
