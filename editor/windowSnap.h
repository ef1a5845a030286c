// Snapping the selection to a window of a screenshot: the window under the
// mouse outlined while no button is held, and the rectangle a click selects.
#pragma once

#include <windows.h>

#include "editorState.h"

// The recorded window at picture point p (its top-level window with
// topLevel), cut to the picture; false where none lies or for a picture
// that is not a screenshot.
bool snappedWindow(const EditorState& s, POINT p, bool topLevel, RECT* window);
// WM_MOUSEMOVE with no button held: outlines the window a click would select.
void hoverSnapWindow(EditorState& s, WPARAM keys, LPARAM lParam);
void hideSnapOutline(EditorState& s);
// WM_MOUSELEAVE.
void snapMouseLeft(EditorState& s);
void paintSnapOutline(const EditorState& s, HDC dc);
