#pragma once
// What the editor core asks of its windows: plug-in panels, the status bar, file dialogs, the title,
// toolbar buttons and viewport redraws. The window layer of the editor program provides the real ones;
// this base records every request, so that the core runs and is tested without a display. File dialogs
// answer from a queue that tests fill (an empty queue is a cancelled dialog).
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "editor/plugin/PluginApi.h"

namespace qv {

class EditorUi {
public:
    struct Call {
        std::string op;
        std::string detail;
    };

    EditorUi() = default;
    EditorUi(const EditorUi&) = delete;
    EditorUi& operator=(const EditorUi&) = delete;
    virtual ~EditorUi() = default;

    virtual QvWnd CreatePluginDialog(QvModule module, QvResId dialogTemplate, QvDlgProc proc);
    virtual int32_t DestroyPluginDialog(QvWnd dialog);
    virtual void SetStatusText(const std::string& text);
    virtual QvWnd MainWindow();
    // kind: 0 textures, 1 worlds, 2 meshes, 3 single texture files, 4 waves.
    virtual std::vector<std::string> OpenFileDialog(int kind, const std::string& title, bool multiple);
    virtual std::string SaveFileDialog(const std::string& title);
    virtual void SetTitle(const std::string& title);
    virtual void AddToolbarButton(uint32_t commandId, QvBitmap bitmap);
    // Redraws the viewports that draw this plug-in (index in load order), or every one for -1.
    virtual void InvalidateViewports(int32_t pluginIndex);
    virtual void SetFogMenuCheck(bool on);
    // A world reset has put the document's views back: the viewports show their predefined views.
    virtual void WorldReset();

    std::vector<Call> calls;
    std::deque<std::vector<std::string>> fileAnswers;

protected:
    void Record(std::string op, std::string detail = {}) { calls.push_back({std::move(op), std::move(detail)}); }
    uintptr_t nextWindow_ = 0x1000;
};

}  // namespace qv
