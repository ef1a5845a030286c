// The editor's keys beside Enter: undo and redo, copy, save as, Escape and one
// letter per tool, and the same actions as the system menu runs them.
#pragma once

#include <windows.h>

#include <cstdint>

#include "editorState.h"

struct ToolKey {
    WPARAM key;  // virtual-key code: the capital letter
    int32_t tool;
    const wchar_t* menuText;  // the tool's tooltip, a tab and the key
};
// The toolbar's tools in its order, then the tool strip's: the annotation
// tools, the typed text and the step markers.
extern const ToolKey toolKeys[];
extern const size_t toolKeyCount;

enum class KeyAction { none, undo, redo, copy, saveAs, escape, tool };
// What a key-down reaching the editor window means, with Ctrl, Shift and Alt
// as held: with both Ctrl and Alt (AltGr) nothing.
KeyAction keyAction(WPARAM key, bool control, bool shift, bool alt = false);
// AltGr is held as the platform reports it: Ctrl and Alt both (Windows); the
// right Alt key alone (Wine after the X layout changed while it ran); or a
// key Wine gave a spare code, whose key-down typed no character (Wine started
// on an X layout whose right Alt is AltGr).
bool altGrHeld();
// Every key-down reaching the editor window, before anything acts on it.
void noteKeyDown(HWND window, WPARAM key, LPARAM lParam);
// The key-down's character, already queued, is not the key's own letter (ś
// is not S): a third level the platform did not report as a modifier.
bool typesOtherCharacter(HWND window, WPARAM key, LPARAM lParam);

// True when the key was one of these and was handled.
bool editorKeyDown(EditorState& s, WPARAM key, LPARAM lParam);

// Each repaints the whole picture when it changed it.
void undoEdit(EditorState& s);
void redoEdit(EditorState& s);
// Chooses the tool as a click on its button does: an open text box drawn
// first, its button alone pressed in both toolbars, the text field enabled
// for T only, the keys the editor window's again.
void chooseTool(EditorState& s, int32_t tool);
