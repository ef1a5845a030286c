// The editor's own keys. They reach it only while the editor window itself has
// the focus: the text field is a child window and keeps its own Ctrl+Z, Ctrl+C
// and letters.
#include "editorKeys.h"

#include <commctrl.h>

#include <cwctype>

#include "../delivery/copyAndSave.h"
#include "drawingSteps.h"
#include "editorView.h"
#include "pointerTool.h"
#include "selectionEdit.h"
#include "textBox.h"
#include "toolStrip.h"
#include "toolTable.h"
#include "toolbar.h"

const ToolKey toolKeys[] = {
    {'V', toolPointer, L"Wskaźnik\tV"},
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

// Escape takes back one thing at a time: the drag in progress, else the
// selection the user made (a selection that fills the view would otherwise
// take every press as a move), else full screen, as Alt+Enter does.
void escape(EditorState& s) {
    if (cancelDrag(s))
        return;
    if (s.selectionMarked) {
        unmarkSelection(s);
        return;
    }
    if (isFullScreen(s))
        toggleFullScreen(s);
}

// The character TranslateMessage queued for this key-down, if any: it is
// posted before the key-down is dispatched, so it is already waiting.
bool queuedCharacter(HWND window, LPARAM keyDown, MSG* character) {
    if (!PeekMessageW(character, window, WM_CHAR, WM_SYSDEADCHAR, PM_NOREMOVE))
        return false;
    bool isCharacter = character->message == WM_CHAR || character->message == WM_SYSCHAR ||
                       character->message == WM_DEADCHAR || character->message == WM_SYSDEADCHAR;
    return isCharacter && ((character->lParam >> 16) & 0xFF) == ((keyDown >> 16) & 0xFF);
}

// The key codes Wine hands out to keys it does not know, the third-level
// shift of an X layout among them (the Polish AltGr, with no modifier state
// at all): the OEM ranges. Such a key that types no character is AltGr while
// it stays down.
struct KeyRange {
    WPARAM first, last;
};
const KeyRange spareKeyCodes[] = {{0x92, 0x92}, {0xBA, 0xC0}, {0xDB, 0xDF}, {0xE1, 0xE4}, {0xE6, 0xE6}, {0xE9, 0xF5}};
WPARAM heldLevelShift = 0;

bool isSpareKeyCode(WPARAM key) {
    for (const KeyRange& range : spareKeyCodes) {
        if (key >= range.first && key <= range.last)
            return true;
    }
    return false;
}

bool sameLetter(WPARAM unit, WPARAM letter) {
    return letter != 0 && towupper(wint_t(unit)) == towupper(wint_t(letter));
}

// A letter key types its letter in either case, or with Ctrl its control
// code; on a layout of other letters, the letter the layout puts on it.
bool isOwnCharacter(WPARAM key, const MSG& character) {
    if (key < 'A' || key > 'Z')
        return true;
    if (character.message != WM_CHAR && character.message != WM_SYSCHAR)
        return false;
    WPARAM unit = character.wParam;
    WPARAM layoutLetter = MapVirtualKeyW(UINT(key), MAPVK_VK_TO_CHAR) & 0xFFFF;
    return sameLetter(unit, key) || unit == key - ('A' - 1) || sameLetter(unit, layoutLetter);
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
    bool levelShift = heldLevelShift != 0 && keyHeld(int(heldLevelShift));
    return (keyHeld(VK_CONTROL) && keyHeld(VK_MENU)) || keyHeld(VK_RMENU) || levelShift;
}

void noteKeyDown(HWND window, WPARAM key, LPARAM lParam) {
    MSG character = {};
    if (isSpareKeyCode(key) && !queuedCharacter(window, lParam, &character))
        heldLevelShift = key;
}

bool typesOtherCharacter(HWND window, WPARAM key, LPARAM lParam) {
    MSG character = {};
    return queuedCharacter(window, lParam, &character) && !isOwnCharacter(key, character);
}

void undoEdit(EditorState& s) {
    RECT changed = {};
    dropPointerChoice(s);
    if (undoAnnotation(s.layer, &changed))
        invalidatePictureRect(s, changed);
}

void redoEdit(EditorState& s) {
    RECT changed = {};
    dropPointerChoice(s);
    if (redoAnnotation(s.layer, &changed))
        invalidatePictureRect(s, changed);
}

// Keys, both toolbars' buttons, the system menu and the context menu all
// choose a tool here.
void chooseTool(EditorState& s, int32_t tool) {
    commitTextBox(s);
    if (tool != toolPointer)
        dropPointerChoice(s);
    markChosenTool(s, tool);
    EnableWindow(s.textEdit, tool == toolText);
    s.tool = tool;
    showOverlaysOfTool(s);
    if (s.window)
        SetFocus(s.window);
}

bool editorKeyDown(EditorState& s, WPARAM key, LPARAM lParam) {
    // AltGr gives letters: no key with it is a command, nor moves the
    // selection (AltGr+A would select all), however the platform tells it.
    if (altGrHeld() || typesOtherCharacter(s.window, key, lParam))
        return false;
    if (!keyHeld(VK_CONTROL) && toolKeyDown(s, key, keyHeld(VK_SHIFT)))
        return true;
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
