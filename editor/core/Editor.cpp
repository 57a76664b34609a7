#include "editor/core/Editor.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "editor/msgbox/EditorMessageBox.h"

namespace qv {

namespace fs = std::filesystem;

Editor::Editor(std::unique_ptr<EditorUi> givenUi) : ui(givenUi ? std::move(givenUi) : std::make_unique<EditorUi>()), world(this) {
    bus.Register(&mainPort);
}

Editor::~Editor() {
    Shutdown();
    bus.Unregister(&mainPort);
}

EditorPlugin* Editor::FindPlugin(uint32_t identifier) const {
    for (const auto& host : hosts_)
        if (host->plugin->identifier == identifier) return host->plugin;
    return nullptr;
}

int32_t Editor::RegisterPlugin(QvModule module, EditorPlugin* plugin) {
    if (!module || !plugin) return Result(kResultBadIndex);
    if (plugin->interfaceVersion != 1) return Result(kResultWrongVersion);
    if (FindPlugin(plugin->identifier)) {
        char text[64];
        std::snprintf(text, sizeof text, "Duplicated plugin identifier : 0x%08X !", plugin->identifier);
        ShowEditorMessage(text, "Error", MessageButtons::Ok, MessageIcon::Warning);
        return 0;
    }
    const uint32_t commandId = 8000 + static_cast<uint32_t>(hosts_.size());
    hosts_.push_back(std::make_unique<PluginHostImpl>(this, module, plugin, commandId, hosts_.size()));
    plugin->host = hosts_.back().get();
    return 0;
}

size_t Editor::LoadPlugins(const std::string& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().extension() == ".qv") files.push_back(it->path());
    }
    // File-name order, so that plug-in indices and the chunk order of saved worlds never change.
    std::sort(files.begin(), files.end(), [](const fs::path& a, const fs::path& b) {
        return a.filename().string() < b.filename().string();
    });
    for (const fs::path& file : files) {
        const std::string fileName = file.filename().string();
        const size_t before = hosts_.size();
        void* library = dlopen(fs::absolute(file).c_str(), RTLD_NOW | RTLD_LOCAL);
        bool bound = false;
        if (!library) std::fprintf(stderr, "%s\n", dlerror());
        if (library) {
            auto describe = reinterpret_cast<PluginDescriptionFn>(dlsym(library, "PluginDescription"));
            EditorPlugin* plugin = describe ? describe() : nullptr;
            // A plug-in with another interface version is refused like any other unusable file; the
            // search goes on, so one stale library does not lock out the others.
            if (plugin && RegisterPlugin(library, plugin) == 0) bound = true;
        }
        if (bound && hosts_.size() > before) {
            libraries_.push_back(library);
            continue;
        }
        if (library) dlclose(library);  // also a duplicate, which is not registered
        if (!bound) ShowEditorMessage("Wrong plugin : \"" + fileName + "\"", "Error", MessageButtons::Ok, MessageIcon::Warning);
    }
    for (auto& host : hosts_) host->plugin->Attach();
    for (auto& host : hosts_) ui->AddToolbarButton(host->commandId, host->plugin->GetToolbarBitmap(0));
    return hosts_.size();
}

void Editor::OnPluginCommand(uint32_t commandId) {
    PluginHostImpl* chosen = nullptr;
    for (auto& host : hosts_)
        if (host->commandId == commandId) chosen = host.get();
    if (!chosen) return;
    if (active_) {
        active_->Deactivate();
        active_ = nullptr;
    }
    if (chosen->plugin->Activate() == 0) active_ = chosen->plugin;
}

void Editor::OnPanelDestroyed() {
    if (!active_) return;
    EditorPlugin* was = active_;
    active_ = nullptr;
    was->Deactivate();
}

void Editor::Shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    if (active_) OnPanelDestroyed();
    if (!hosts_.empty()) world.Reset(true, false);
    for (auto& host : hosts_) host->plugin->Detach();
    for (auto& host : hosts_) host->ReleaseAll();
    hosts_.clear();
    for (void* library : libraries_) dlclose(library);
    libraries_.clear();
}

}  // namespace qv
