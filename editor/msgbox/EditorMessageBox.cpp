#include "editor/msgbox/EditorMessageBox.h"

#include <cstdio>
#include <utility>

namespace qv {

namespace {
EditorMessageHook& Hook() {
    static EditorMessageHook hook;
    return hook;
}
}  // namespace

MessageAnswer ShowEditorMessage(const std::string& text, const std::string& caption, MessageButtons buttons,
                                MessageIcon icon) {
    if (Hook()) return Hook()(EditorMessage{text, caption, buttons, icon});
    std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
    return MessageAnswer::Ok;
}

void SetEditorMessageHook(EditorMessageHook hook) { Hook() = std::move(hook); }

}  // namespace qv
