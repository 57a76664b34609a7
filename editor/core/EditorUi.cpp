#include "editor/core/EditorUi.h"

namespace qv {

QvWnd EditorUi::CreatePluginDialog(QvModule, QvResId dialogTemplate, QvDlgProc) {
    Record("CreatePluginDialog", std::to_string(dialogTemplate));
    return reinterpret_cast<QvWnd>(nextWindow_++);
}

int32_t EditorUi::DestroyPluginDialog(QvWnd) {
    Record("DestroyPluginDialog");
    return 0;
}

void EditorUi::SetStatusText(const std::string& text) { Record("SetStatusText", text); }

QvWnd EditorUi::MainWindow() { return reinterpret_cast<QvWnd>(uintptr_t{1}); }

std::vector<std::string> EditorUi::OpenFileDialog(int kind, const std::string& title, bool) {
    Record("OpenFileDialog", std::to_string(kind) + ":" + title);
    if (fileAnswers.empty()) return {};
    std::vector<std::string> answer = std::move(fileAnswers.front());
    fileAnswers.pop_front();
    return answer;
}

std::string EditorUi::SaveFileDialog(const std::string& title) {
    Record("SaveFileDialog", title);
    if (fileAnswers.empty() || fileAnswers.front().empty()) {
        if (!fileAnswers.empty()) fileAnswers.pop_front();
        return {};
    }
    std::string answer = fileAnswers.front().front();
    fileAnswers.pop_front();
    return answer;
}

void EditorUi::SetTitle(const std::string& title) { Record("SetTitle", title); }

void EditorUi::AddToolbarButton(uint32_t commandId, QvBitmap bitmap) {
    Record("AddToolbarButton", std::to_string(commandId) + (bitmap ? ":plugin" : ":default"));
}

void EditorUi::InvalidateViewports(int32_t pluginIndex) { Record("InvalidateViewports", std::to_string(pluginIndex)); }

void EditorUi::WorldReset() { Record("WorldReset"); }

void EditorUi::SetFogMenuCheck(bool on) { Record("SetFogMenuCheck", on ? "1" : "0"); }

}  // namespace qv
