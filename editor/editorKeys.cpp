// The editor's own keys. They reach it only while the editor window itself has
// the focus: the text field is a child window and keeps its own Ctrl+Z, Ctrl+C
// and letters.
#include "editorKeys.h"

#include <commctrl.h>

#include "../delivery/copyAndSave.h"
#include "drawingTools.h"
#include "editorWindow.h"
#include "selectionEdit.h"
#include "textBox.h"
#include "toolbar.h"

const ToolKey toolKeys[] = {
    {'S', toolSelect, L"Zaznaczenie\tS"},
    {'F', toolPencil, L"Ołówek\tF"},
    {'L', toolLine, L"Linia\tL"},
    {'R', toolRectangle, L"Prostokąt\tR"},
    {'E', toolEllipse, L"Elipsa\tE"},
    {'T', toolText, L"Tekst\tT"},
    {'A', toolArrow, L"Strzałka\tA"},
    {'H', toolHighlighter, L"Zakreślacz\tH"},
    {'O', toolRedaction, L"Zamaskuj\tO"},
    {'N', toolTypedText, L"Napis\tN"},
    {'I', toolStepMarker, L"Numer\tI"},
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

KeyAction keyAction(WPARAM key, bool control, bool shift, bool alt) {
    // Ctrl and Alt together are AltGr on many keyboards: a letter, never a command.
    if (control && alt)
        return KeyAction::none;
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

bool altGrHeld() {
    return keyHeld(VK_CONTROL) && keyHeld(VK_MENU);
}

void undoEdit(EditorState& s) {
    if (undoStep(s.history))
        InvalidateRect(s.window, nullptr, FALSE);
}

void redoEdit(EditorState& s) {
    if (redoStep(s.history))
        InvalidateRect(s.window, nullptr, FALSE);
}

bool hasToolbarButton(int32_t tool) {
    return tool >= toolSelect && tool <= toolText;
}

// A tool without a button is not a toolbar command: it is set here, with no
// button of the check group left pressed, since none stands for it.
void chooseTool(EditorState& s, int32_t tool) {
    commitTextBox(s);
    if (hasToolbarButton(tool)) {
        SendMessageW(s.toolbar, TB_CHECKBUTTON, WPARAM(tool), MAKELPARAM(TRUE, 0));
        dispatchCommand(s, WPARAM(tool));
        return;
    }
    for (int32_t button = toolSelect; button <= toolText; button++)
        SendMessageW(s.toolbar, TB_CHECKBUTTON, WPARAM(button), MAKELPARAM(FALSE, 0));
    EnableWindow(s.textEdit, FALSE);
    s.tool = tool;
    showOverlaysOfTool(s);
    if (s.window)
        SetFocus(s.window);
}

bool editorKeyDown(EditorState& s, WPARAM key) {
    // AltGr (Ctrl and Alt) gives letters: no key with it is a command, nor
    // moves the selection (AltGr+A would select all).
    if (altGrHeld())
        return false;
    if (selectionKeyDown(s, key, keyHeld(VK_CONTROL), keyHeld(VK_SHIFT)))
        return true;
    switch (keyAction(key, keyHeld(VK_CONTROL), keyHeld(VK_SHIFT), keyHeld(VK_MENU))) {
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
