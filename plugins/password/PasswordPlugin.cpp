#include "plugins/password/PasswordPlugin.h"

#include "platform/dialogs/Modal.h"
#include "plugins/shared/ChunkReader.h"

namespace qv {

namespace {

using plat::ControlKind;

enum : int { kEdit = 1004, kActivated = 1022, kClear = 1028, kPromptEdit = 1044 };

plat::DialogTemplate Panel() {
    plat::DialogTemplate t;
    t.title = "Password";
    t.width = 190;
    t.height = 100;
    t.controls = {
        {ControlKind::GroupBox, -1, "Password Plugin", 4, 4, 182, 90},
        {ControlKind::Static, -1, "Password", 12, 24, 60, 16},
        {ControlKind::Edit, kEdit, "", 76, 22, 100, 20},
        {ControlKind::CheckBox, kActivated, "Activated", 12, 46, 100, 20, plat::kStyleHidden},
        {ControlKind::Button, kClear, "Clear Password", 12, 66, 110, 22},
    };
    return t;
}

plat::DialogTemplate Prompt() {
    plat::DialogTemplate t;
    t.title = "ello ello ello";
    t.width = 220;
    t.height = 90;
    t.controls = {
        {ControlKind::GroupBox, -1, "Enter ye Password...", 4, 4, 212, 50},
        {ControlKind::Edit, kPromptEdit, "", 12, 24, 196, 20},
        {ControlKind::Button, plat::kIdOk, "OK", 140, 60, 76, 22, plat::kStyleDefault},
    };
    return t;
}

}  // namespace

PasswordPlugin::PasswordPlugin()
    : PluginBase(FourCC("-*.."), "Password::Main Port", {"Password", "This is ye Password Protection thang !", "Tavrin"},
                 Panel(), 0xC03030, 2) {}

void PasswordPlugin::SetPassword(const std::string& text) {
    std::string kept = text.substr(0, kPasswordLength);
    // Stored inverted, a character 255 would become the terminator and cut the lock short.
    if (const size_t cut = kept.find('\xFF'); cut != std::string::npos) kept.resize(cut);
    if (const size_t zero = kept.find('\0'); zero != std::string::npos) kept.resize(zero);
    password_ = kept;
}

int32_t PasswordPlugin::ResetWorld() {
    host->DeleteAllTextures();
    password_.clear();
    if (panel()) {
        filling_ = true;
        panel()->SetText(kEdit, "");
        filling_ = false;
    }
    return 0;
}

int32_t PasswordPlugin::SaveChunk(FileStream* stream, uint32_t* size) {
    ChunkWriter out(stream);
    out.U32(1);
    // Every byte after the terminator is written as zero, so no earlier, longer password shows.
    uint8_t buffer[21] = {};
    for (size_t i = 0; i < password_.size() && i < kPasswordLength; ++i)
        buffer[i] = static_cast<uint8_t>(255 - static_cast<uint8_t>(password_[i]));
    out.Bytes(buffer, sizeof buffer);
    *size = out.Written();
    return out.Result();
}

int32_t PasswordPlugin::LoadChunk(FileStream* stream, uint32_t size) {
    ChunkReader in(stream, size);
    in.U32();  // version, not checked
    uint8_t buffer[21];
    if (!in.Bytes(buffer, sizeof buffer)) return in.Failure();
    std::string read;
    for (uint32_t i = 0; i < kPasswordLength && buffer[i] != 0; ++i) read += static_cast<char>(255 - buffer[i]);
    password_ = read;
    if (!password_.empty() && !AskPassword()) {
        plat::ShowMessageBox("Wrong password", "naughty...", plat::MB_OK | plat::MB_ICONWARNING);
        return static_cast<int32_t>(kPluginLoadRefused);
    }
    Refresh();
    return 0;
}

bool PasswordPlugin::AskPassword() {
    // The prompt closes only through OK; closing it otherwise counts as a wrong answer.
    const intptr_t result = plat::RunModal(Prompt(), [this](plat::Dialog& d, uint32_t msg, uintptr_t w, intptr_t) -> intptr_t {
        if (msg == plat::WM_INITDIALOG) {
            d.SetTextLimit(kPromptEdit, static_cast<int>(kPasswordLength));
            d.UserSetFocus(kPromptEdit);
            return 0;
        }
        if (msg == plat::WM_COMMAND && plat::LowWord(w) == plat::kIdOk) {
            d.End(d.Text(kPromptEdit).substr(0, kPasswordLength) == password_ ? 0 : 1);
            return 1;
        }
        return 0;
    });
    return result == 0;
}

void PasswordPlugin::RefreshPanel(plat::Dialog& d) {
    filling_ = true;
    d.SetTextLimit(kEdit, static_cast<int>(kPasswordLength));
    d.SetText(kEdit, password_);
    filling_ = false;
}

void PasswordPlugin::OnPanelCommand(plat::Dialog& d, int id, uint16_t code) {
    if (id == kEdit && code == plat::EN_CHANGE) {
        SetPassword(d.Text(kEdit));
        if (d.Text(kEdit) != password_) RefreshPanel(d);
    } else if (id == kClear) {
        password_.clear();
        RefreshPanel(d);
    }
}

}  // namespace qv
