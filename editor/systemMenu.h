// The editor's additions in its own system menu (the title-bar icon,
// Alt+Space), each with its key, greyed where it cannot act now.
#pragma once

#include <windows.h>

#include "editorState.h"

// The commands of the additions; the context menu's rows of the same
// operations carry them too, so both menus run and grey them in one place.
enum SystemCommand : UINT {
    systemUndo = 0x0100,
    systemRedo = 0x0110,
    systemCopy = 0x0120,
    systemSaveAs = 0x0130,
    systemFirstTool = 0x0200,  // then one per tool key, 0x10 apart
};
// The command of the tool key at this index.
UINT toolMenuCommand(size_t index);

void addSystemMenuItems(EditorState& s);
// WM_INITMENUPOPUP of the system menu, and the context menu as it opens:
// greys what cannot act now.
void updateSystemMenu(EditorState& s, HMENU menu);
// WM_SYSCOMMAND, and a row chosen in the context menu: true when the
// command was one of these and was run.
bool runSystemMenuCommand(EditorState& s, WPARAM command);
