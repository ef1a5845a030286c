// The system menu's additions. Their command ids have the low four bits zero,
// which Windows keeps for itself in WM_SYSCOMMAND, and stay below 0xF000,
// where the system's own commands start.
#include "systemMenu.h"

#include "../delivery/copyAndSave.h"
#include "drawingSteps.h"
#include "editorKeys.h"
#include "textBox.h"

namespace {

struct EditItem {
    UINT command;
    const wchar_t* text;
};
static const EditItem editItems[] = {
    {systemUndo, L"Cofnij\tCtrl+Z"},
    {systemRedo, L"Ponów\tCtrl+Y"},
    {systemCopy, L"Kopiuj do schowka\tCtrl+C"},
    {systemSaveAs, L"Zapisz jako...\tCtrl+S"},
};

UINT greyedUnless(bool can) {
    return MF_BYCOMMAND | (can ? MF_ENABLED : MF_GRAYED);
}

void appendToolRows(HMENU menu) {
    for (size_t i = 0; i < toolKeyCount; i++)
        AppendMenuW(menu, MF_STRING, toolMenuCommand(i), toolKeys[i].menuText);
}

}  // namespace

UINT toolMenuCommand(size_t index) {
    return systemFirstTool + UINT(index) * 0x10;
}

// The edits first, then every tool in the keys' order: the toolbar's six as
// the toolbar shows them, then the tool strip's.
void addSystemMenuItems(EditorState& s) {
    HMENU menu = GetSystemMenu(s.window, FALSE);
    if (!menu)
        return;
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    for (const EditItem& item : editItems)
        AppendMenuW(menu, MF_STRING, item.command, item.text);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    appendToolRows(menu);
}

void updateSystemMenu(EditorState& s, HMENU menu) {
    EnableMenuItem(menu, systemUndo, greyedUnless(canUndoAnnotation(s.layer)));
    EnableMenuItem(menu, systemRedo, greyedUnless(canRedoAnnotation(s.layer)));
    bool picture = s.picture && s.picture->bitmap;
    EnableMenuItem(menu, systemCopy, greyedUnless(picture));
    EnableMenuItem(menu, systemSaveAs, greyedUnless(picture));
}

bool runSystemMenuCommand(EditorState& s, WPARAM command) {
    UINT id = UINT(command) & 0xFFF0u;
    // Every addition is a command or a tool: an open text box is drawn first.
    if (id < 0xF000u)
        commitTextBox(s);
    switch (id) {
    case systemUndo:
        undoEdit(s);
        return true;
    case systemRedo:
        redoEdit(s);
        return true;
    case systemCopy:
        copySelection(s);
        return true;
    case systemSaveAs:
        saveSelectionAs(s);
        return true;
    default:
        break;
    }
    for (size_t i = 0; i < toolKeyCount; i++) {
        if (id == toolMenuCommand(i)) {
            chooseTool(s, toolKeys[i].tool);
            return true;
        }
    }
    return false;
}
