// The editor's additions in its own system menu (the title-bar icon,
// Alt+Space), each with its key, greyed where it cannot act now.
#pragma once

#include <windows.h>

#include "editorState.h"

void addSystemMenuItems(EditorState& s);
// WM_INITMENUPOPUP of the system menu: greys what cannot act now.
void updateSystemMenu(EditorState& s, HMENU menu);
// WM_SYSCOMMAND: true when the command was one of these and was run.
bool runSystemMenuCommand(EditorState& s, WPARAM command);
