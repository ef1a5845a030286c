// The pointer tool: chooses one drawing of the layer by a press on its
// pixels (or Tab and Shift+Tab in drawing order), shows its handles on the
// window only, and edits it: a drag moves it or, on a handle, that end,
// corner or side; the arrow keys move it by 1 (10 with Shift); Delete removes
// it; the style control restyles it. Each edit is one step of the layer.
#pragma once

#include <windows.h>

#include <cstdint>

#include "editorState.h"

// Its handlers, reached only while it is the chosen tool. The left button's
// press, moves and release are its own drag.
void pointerPress(EditorState& s, POINT picture);
void pointerMove(EditorState& s, POINT picture);
void pointerRelease(EditorState& s, POINT picture);
// A double-click on a typed text opens its box again; false for any other.
bool pointerDoubleClick(EditorState& s, POINT picture);
// A drag whose release never came keeps what it made.
void pointerDragLost(EditorState& s);
// Tab, Shift+Tab, Escape, Delete and the arrows; false for another key.
bool pointerKeyDown(EditorState& s, WPARAM key, bool shift);
// The style control's new pen, brush or width goes to the chosen drawing.
void restyleChosen(EditorState& s);
// The choice is dropped, its marks taken off the window.
void dropPointerChoice(EditorState& s);
// Handles (filled in the system highlight colour) or a dotted frame, in
// client coordinates on the paint's DC.
void paintPointerMarks(const EditorState& s, HDC dc);
