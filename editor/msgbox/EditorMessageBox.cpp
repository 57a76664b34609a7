#include "editor/msgbox/EditorMessageBox.h"

#include "platform/dialogs/Modal.h"
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
    uint32_t flags = buttons == MessageButtons::OkCancel ? plat::MB_OKCANCEL : plat::MB_OK;
    if (icon == MessageIcon::Warning) flags |= plat::MB_ICONEXCLAMATION;
    if (icon == MessageIcon::Error) flags |= plat::MB_ICONERROR;
    // Through the dialog layer, so that every box is logged and scripts can answer it.
    return plat::ShowMessageBox(text, caption, flags) == plat::IDCANCEL ? MessageAnswer::Cancel : MessageAnswer::Ok;
}

void SetEditorMessageHook(EditorMessageHook hook) { Hook() = std::move(hook); }

}  // namespace qv
