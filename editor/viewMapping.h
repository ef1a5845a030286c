// The one mapping between the editor window's client points and picture
// points, apart from the view's painting and scrolling, so that the tools
// reach it without reaching the paint, which in turn reaches the tools'
// marks.
#pragma once

#include <windows.h>

#include <cstdint>

#include "editorState.h"

// Client point to picture point and back; every tool and paint goes through these.
POINT windowToPicture(const EditorState& s, POINT client);
POINT pictureToWindow(const EditorState& s, POINT picture);
RECT pictureToWindowRect(const EditorState& s, const RECT& picture);
// Left, top, right, bottom of two points in either order.
RECT normalisedRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// Repaints, without erasing, the window part showing these picture pixels.
void invalidatePictureRect(const EditorState& s, const RECT& picture);
