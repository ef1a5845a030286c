// The loupe beside the cursor while a selection or a handle is dragged: the
// picture pixels around the mouse point enlarged, the centre pixel framed and
// the point's coordinates under them. Painted on the window, never into the
// picture.
#pragma once

#include <windows.h>

#include <cstdint>

#include "editorState.h"

// 15 x 15 picture pixels, each shown as an 8 x 8 square.
constexpr int32_t loupePixels = 15;
constexpr int32_t loupeZoom = 8;
constexpr int32_t loupeTextHeight = 16;
// A one-pixel black border around the enlarged pixels and the text strip.
constexpr SIZE loupeSize = {loupePixels * loupeZoom + 2, loupePixels * loupeZoom + loupeTextHeight + 2};

// The loupe's top-left corner for the cursor at a client point: 20 pixels
// below and right of it, else above, left, or left and above, the first side
// that lies within the view and clear of avoid (the size label); else the
// first such side moved down or up past avoid; else the first side within
// the view; else the first side pushed into the view.
POINT loupePosition(POINT cursor, SIZE loupe, const RECT& view, const RECT& avoid);
// Shows the loupe for a picture point beside its place on the window.
void showLoupe(EditorState& s, POINT picture);
void hideLoupe(EditorState& s);
void paintLoupe(const EditorState& s, HDC dc);
