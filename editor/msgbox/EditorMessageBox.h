#pragma once
// The editor's message boxes. Every box the editor shows goes through ShowEditorMessage, the one place
// that will hand it to the platform layer's message box. Until then the text goes to standard error and
// the default answer is taken, which is what a headless run wants anyway.
#include <cstdint>
#include <functional>
#include <string>

namespace qv {

enum class MessageButtons { Ok, OkCancel };
enum class MessageIcon { None, Warning, Error };
enum class MessageAnswer { Ok, Cancel };

struct EditorMessage {
    std::string text;
    std::string caption;
    MessageButtons buttons;
    MessageIcon icon;
};

// Shows a box and returns the button chosen (headless: OK).
MessageAnswer ShowEditorMessage(const std::string& text, const std::string& caption,
                                MessageButtons buttons = MessageButtons::Ok, MessageIcon icon = MessageIcon::None);

// Tests see every box here and choose the answer; an empty hook restores the default.
using EditorMessageHook = std::function<MessageAnswer(const EditorMessage&)>;
void SetEditorMessageHook(EditorMessageHook hook);

}  // namespace qv
