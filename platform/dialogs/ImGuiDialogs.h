#pragma once
// Draws the dialog layer's models with Dear ImGui inside the caller's frame (between ImGui::NewFrame and
// ImGui::Render). What the user does is handed to the models' User* operations, so a drawn dialog and a
// scripted one go through the same notifications.
#include <string>
#include <vector>

#include "platform/dialogs/Dialog.h"
#include "platform/dialogs/Menu.h"

struct ImVec2;

namespace plat::gui {

// The bitmap's pixels at a screen position in the current ImGui window (transparent pixels left out).
void DrawBitmap(const Bitmap& bitmap, ImVec2 at);

// The dialog's controls at their template positions inside the current ImGui window.
void DrawControls(Dialog& dialog);
// The dialog as a window of its own at (x, y); a click on the close box or Escape sends WM_CLOSE.
void DrawDialogWindow(Dialog& dialog, float x, float y);
// The main menu bar; the command chosen this frame, or 0.
int DrawMenuBar(Menu& menu, float* barHeight = nullptr);
// The items of a popup (inside ImGui::BeginPopup); the command chosen, or 0.
int DrawMenuItems(Menu& menu);
// A row of buttons showing their pictures (a button without one shows its label; the label is the
// picture's tooltip); the command pressed, or 0. Checked buttons are drawn pressed.
int DrawToolbar(Toolbar& toolbar, const std::vector<std::string>& labels, float x, float y, float height);
void DrawStatusBar(const StatusBar& bar, float x, float y, float width, float height);

}  // namespace plat::gui
