// The Select tool and adjusting the selection: its eight handles, moving it,
// the keys, the cursor that tells what a press would do, and the marks
// painted over the picture for it. The decisions are small pure functions
// over picture pixels; the tool's press, moves and release hook them into
// the editor's drag.
#pragma once

#include <windows.h>

#include <cstdint>

#include "editorState.h"

// Clockwise from the top-left corner; the order is also the order a press
// tries them in, corners first, so a small selection's corners stay reachable.
enum SelectionHandle : int8_t {
    handleNone = -1,
    handleTopLeft,
    handleTopRight,
    handleBottomRight,
    handleBottomLeft,
    handleTop,
    handleRight,
    handleBottom,
    handleLeft,
};
constexpr int selectionHandleCount = 8;
// A handle is a square of this side around its point.
constexpr int32_t handleSide = 7;
// A press this far from a handle's point, in x and in y, takes the handle.
constexpr int32_t handleReach = 4;
// A release this far from its press, in x and in y, is a click.
constexpr int32_t clickSlack = 2;

// The handle's point on a normalised selection: a corner or a side's middle,
// right and bottom being the first column and row outside it.
POINT handlePoint(const RECT& selection, int handle);
// The handle whose point is within reach of p, or handleNone.
int handleAt(const RECT& selection, POINT p);
// What a press at p starts: handles and moving belong to a marked selection
// and the left button; everything else starts a new selection.
SelectionGesture gestureAt(const RECT& selection, bool marked, bool rightButton, POINT p, int* handle);
bool isClick(POINT press, POINT release);
// The new selection a drag from press to release makes: the pixels between
// them, normalised; along a row or a column, that row or column.
RECT draggedSelection(POINT press, POINT release);

// The selection with the handle's sides moved by dx, dy and kept within the
// width x height picture; the opposite sides stay. Normalised.
RECT resizedSelection(const RECT& selection, int handle, int32_t dx, int32_t dy, int32_t width, int32_t height);
// The selection moved by dx, dy at most as far as the picture lets it, its
// size kept. A selection already reaching out of the picture is not moved
// further out.
RECT movedSelection(const RECT& selection, int32_t dx, int32_t dy, int32_t width, int32_t height);
// Every coordinate kept within the picture.
RECT selectionWithinPicture(const RECT& selection, int32_t width, int32_t height);

// What an arrow key, or Ctrl+A, makes of the selection; false for another
// key. Arrows move it 1 pixel (10 with Shift); with Ctrl they move its right
// or bottom side, never past the opposite one.
bool keyedSelection(const RECT& selection, WPARAM key, bool control, bool shift, int32_t width, int32_t height,
                    RECT* result);

// The standard cursor for what a press there would do.
const wchar_t* gestureCursor(SelectionGesture gesture, int handle);

// The Select tool's handlers in the editor's drag. The press starts the
// gesture a press there makes and hides the mark; the moves show the band
// with the selection it would give; the release decides the selection once;
// Escape marks the selection made before the drag again.
void selectPress(EditorState& s, POINT p);
void selectMove(EditorState& s, POINT p);
void selectRelease(EditorState& s, POINT end);
void selectCancel(EditorState& s);
// The tool changed: the handles, the size label and the window outline are
// the Select tool's; with any other the selection keeps only its dotted mark.
void showOverlaysOfTool(EditorState& s);
// The selection changed to r, marked: repaints the old and new marks.
void setSelection(EditorState& s, const RECT& r);
// The selection becomes the whole picture again, unmarked, as in a new editor:
// no mark, no handles, no label, so the next press starts a new selection.
void unmarkSelection(EditorState& s);

// A key-down reaching the editor window: true when it was one of these and
// was handled.
bool selectionKeyDown(EditorState& s, WPARAM key, bool control, bool shift);
// WM_SETCURSOR: true when the cursor was set here.
bool setSelectionCursor(EditorState& s, LPARAM lParam);

// The selection, normalised, in picture pixels.
RECT currentSelection(const EditorState& s);
// Where the handles are to be shown: around the band while the Select tool
// drags, else around a marked selection while Select is the tool; empty for none.
RECT shownHandlesRect(const EditorState& s);
// Repaints the handles where they were and where they are to be now.
void moveHandles(EditorState& s);
// The four strips, thickness wide, just inside r's edges.
void frameSides(const RECT& r, int32_t thickness, RECT sides[4]);
// Repaints the lines of a picture rectangle's outline, thickness pixels inward.
void invalidatePictureFrame(const EditorState& s, const RECT& picture, int32_t thickness);
// Repaints the eight handles around a rectangle.
void invalidateHandles(const EditorState& s, const RECT& selection);
// Handles and the snapping outline, over everything else.
void paintSelectionOverlays(const EditorState& s, HDC dc);
