// The loupe beside the cursor while a selection or a handle is dragged: the
// picture pixels around the mouse point enlarged, the centre pixel framed and
// the point's coordinates under them. A window of its own, never drawn into
// the picture, so that it can lie across the toolbar where the view is too
// small for it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "editorState.h"

// 15 x 15 picture pixels, each shown as a square of up to 8 x 8.
constexpr int32_t loupePixels = 15;
constexpr int32_t loupeZoom = 8;
constexpr int32_t loupeTextHeight = 16;
// Two lines around the enlarged pixels and the text strip, black outside and
// white inside: one of them shows on any picture.
constexpr int32_t loupeFrame = 2;

// The loupe's size with each pixel shown zoom x zoom.
SIZE loupeSizeAt(int32_t zoom);
// The largest zoom, 8 at most and 1 at least, whose loupe fits the room.
int32_t loupeZoomFor(SIZE room);
// The loupe's top-left corner for the cursor at a client point: 20 pixels
// below and right of it, else above, left, or left and above, the first side
// that lies within the view and clear of avoid (the size label); else the
// first such side moved down or up past avoid; else the first side within
// the view; else the first side pushed into the view, moved aside past avoid
// where that fits. A view too small for the loupe leaves it the whole client
// area, across the toolbar.
POINT loupePosition(POINT cursor, SIZE loupe, const RECT& view, const RECT& client, const RECT& avoid);
// A child window over the view and the toolbar, made hidden with the editor.
void createLoupe(EditorState& s);
// Shows the loupe for a picture point beside its place on the window.
void showLoupe(EditorState& s, POINT picture);
void hideLoupe(EditorState& s);
// WM_DRAWITEM: true when it was the loupe's, which is then drawn.
bool drawLoupeItem(const EditorState& s, const DRAWITEMSTRUCT* item);
