// The view: the part of the client area the picture shows in (its points
// mapped to the picture's by viewMapping.h), its scrolling, and the paint,
// which draws the picture and then, in one place, everything shown on the
// window but never drawn into the picture.
#pragma once

#include <windows.h>

#include <cstdint>

#include "editorState.h"
#include "viewMapping.h"

// The client area above the toolbar (all of it while the toolbar is hidden).
RECT viewArea(const EditorState& s);

// The first picture pixel shown along a side: a side that fits shows from 0,
// a longer one never scrolls past its end.
int32_t clampScroll(int32_t position, int32_t pictureSide, int32_t viewSide);
// Where a scroll-bar request (SB_LINEUP … SB_THUMBTRACK) takes the position.
int32_t scrollRequestTarget(int request, int32_t position, int32_t page, int32_t trackPosition);
// Pixels one wheel turn of delta (WHEEL_DELTA a notch) scrolls, the sign of
// the picture's motion reversed: turning away moves the view up.
int32_t wheelScrollPixels(int delta);

// The part of the client area the picture shows in, and which scroll bars it
// needs: client is the client area with no bar shown, bars their thickness.
struct ViewFit {
    int32_t width, height;
    bool horizontalBar, verticalBar;
};
ViewFit fitView(SIZE client, int32_t toolbarShare, SIZE picture, SIZE bars);

// Sets the scroll bars to the view and the picture, clamping the position;
// a picture that fits shows none.
void updateScrollBars(EditorState& s);
// WM_HSCROLL / WM_VSCROLL (bar SB_HORZ or SB_VERT).
void scrollByRequest(EditorState& s, int bar, int request);
// Moves the view by pixels along one bar, clamped, and repaints it.
void scrollViewBy(EditorState& s, int bar, int32_t pixels);

// Joins rectangles of an update region whose common box is hardly larger
// than both (pieces of one rectangle the region's bands cut apart); answers
// how many are left at the array's start.
DWORD mergeUpdateRects(RECT* rects, DWORD count);
// WM_PAINT: the picture where it shows, white around it, then the marks.
void paintView(EditorState& s);
// The focus rectangle of a picture rectangle, drawn on the window with
// exclusive-or: drawn twice, it is gone.
void xorFocusRect(const EditorState& s, const RECT& picture);
