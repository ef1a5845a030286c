// The editor's tools under the mouse: the selection's rubber band and the
// drawing tools that paint into the picture.
#pragma once

#include <windows.h>

#include <cstdint>

#include "editorState.h"

void toolMouseDown(EditorState& s, LPARAM lParam);
void toolMouseMove(EditorState& s, LPARAM lParam);
// False when no press of this button started a drag here, or Escape or a lost
// capture ended it already: the release does nothing.
bool toolMouseUp(EditorState& s, LPARAM lParam, bool rightButton);
// The release never came (the capture was taken away, or a move came with no
// button held): the drag ends at the last point seen, as one step. False when
// no drag is in progress.
bool toolDragLost(EditorState& s);
// Escape during a drag: the rubber band goes as drawn, the pencil's pixels of
// this drag are put back, and the rest of the drag up to its release does
// nothing. False when no drag is in progress.
bool cancelDrag(EditorState& s);

// The shape the tool draws from a to b at the release, in the editor's pen,
// brush and width: the line, the rectangle, the ellipse or the arrow; the
// previews draw it with this too.
void drawToolShape(ImageHolder* holder, const EditorState& s, POINT a, POINT b);
// Left, top, right, bottom of two points in either order.
RECT normalisedRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// The normalised rectangle grown by the pen's stamp around its points.
RECT penMarginRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t penWidth);
