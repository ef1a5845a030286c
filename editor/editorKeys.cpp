// The editor's own keys. They reach it only while the editor window itself has
// the focus: the text field is a child window and keeps its own Ctrl+Z, Ctrl+C
// and letters.
#include "editorKeys.h"

#include <commctrl.h>

#include "../delivery/copyAndSave.h"
#include "drawingTools.h"
#include "editorWindow.h"
#include "toolbar.h"

// The tools of the next release take their rows here (A, H, O).
const ToolKey toolKeys[] = {
    {'S', toolSelect, L"Zaznaczenie\tS"},
    {'F', toolPencil, L"Ołówek\tF"},
    {'L', toolLine, L"Linia\tL"},
    {'R', toolRectangle, L"Prostokąt\tR"},
    {'E', toolEllipse, L"Elipsa\tE"},
    {'T', toolText, L"Tekst\tT"},
};
const size_t toolKeyCount = sizeof(toolKeys) / sizeof(toolKeys[0]);

namespace {

const ToolKey* toolKeyFor(WPARAM key) {
    for (size_t i = 0; i < toolKeyCount; i++) {
        if (toolKeys[i].key == key)
            return &toolKeys[i];
    }
    return nullptr;
}

bool keyHeld(int key) {
    return GetKeyState(key) < 0;
}

// In full screen with no drag Escape leaves full screen, as Alt+Enter does.
void escape(EditorState& s) {
    if (cancelDrag(s))
        return;
    if (isFullScreen(s))
        toggleFullScreen(s);
}

}  // namespace

KeyAction keyAction(WPARAM key, bool control, bool shift) {
    if (control) {
        if (key == 'Z')
            return shift ? KeyAction::redo : KeyAction::undo;
        if (key == 'Y')
            return KeyAction::redo;
        if (key == 'C')
            return KeyAction::copy;
        if (key == 'S')
            return KeyAction::saveAs;
        return KeyAction::none;
    }
    if (key == VK_ESCAPE)
        return KeyAction::escape;
    return toolKeyFor(key) ? KeyAction::tool : KeyAction::none;
}

void undoEdit(EditorState& s) {
    if (undoStep(s.history))
        InvalidateRect(s.window, nullptr, FALSE);
}

void redoEdit(EditorState& s) {
    if (redoStep(s.history))
        InvalidateRect(s.window, nullptr, FALSE);
}

void chooseTool(EditorState& s, int32_t tool) {
    SendMessageW(s.toolbar, TB_CHECKBUTTON, WPARAM(tool), MAKELPARAM(TRUE, 0));
    dispatchCommand(s, WPARAM(tool));
}

bool editorKeyDown(EditorState& s, WPARAM key) {
    switch (keyAction(key, keyHeld(VK_CONTROL), keyHeld(VK_SHIFT))) {
    case KeyAction::undo:
        undoEdit(s);
        return true;
    case KeyAction::redo:
        redoEdit(s);
        return true;
    case KeyAction::copy:
        copySelection(s);
        return true;
    case KeyAction::saveAs:
        saveSelectionAs(s);
        return true;
    case KeyAction::escape:
        escape(s);
        return true;
    case KeyAction::tool:
        chooseTool(s, toolKeyFor(key)->tool);
        return true;
    default:
        return false;
    }
}
