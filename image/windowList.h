// The windows a screenshot shows, recorded when the screen is captured, so the
// editor can offer their rectangles as selections: top-level windows in their
// z-order, each followed by its visible descendants (each window's children,
// front first, every child followed by its own), in picture pixels, each cut
// to what its parents let the screen show of it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "capture.h"

// Enough for every window a crowded desktop shows; beyond it the windows
// furthest back are left out.
constexpr int32_t windowListCapacity = 1024;

struct RecordedWindow {
    RECT rect;         // picture pixels, right and bottom the first column and row outside
    int32_t topLevel;  // index of its top-level window's entry; its own for a top-level window
    int32_t depth;     // 0 for a top-level window, 1 for its children, and so on
};

struct WindowList {
    int32_t count;
    RecordedWindow windows[windowListCapacity];
    // Each window's shape in picture pixels, owned by the list; null for a
    // plain rectangle.
    HRGN regions[windowListCapacity];
};

// The visible windows that meet the captured area, their rectangles scaled
// like a picture of pictureWidth x pictureHeight made from that area. Null
// when the memory is not there.
WindowList* recordWindows(const CaptureArea& area, uint32_t pictureWidth, uint32_t pictureHeight);
void freeWindowList(WindowList* list);
// Gives back what recording keeps from one screenshot to the next; the
// plug-in's unload calls it.
void releaseWindowRecording();

// A screen rectangle in the picture of the area: moved to the area's corner
// and scaled by the picture's size over the area's, rounded to the nearest
// pixel (halves down).
RECT screenToPicture(const RECT& screen, const CaptureArea& area, uint32_t pictureWidth, uint32_t pictureHeight);
// The entry of the innermost recorded window under the picture point, as the
// screen showed it: the frontmost top-level window holding it, then the
// frontmost of its children holding it, and so on down; a window behind one
// that holds the point is hidden there, and so are its children. A window
// holds the points of its rectangle that its region, if any, holds. -1 when
// no recorded window holds the point.
int32_t innermostWindowAt(const WindowList* list, POINT point);
