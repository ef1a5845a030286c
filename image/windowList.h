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

// A window's region, which makes it hold only some points of its
// rectangle. A top-level window's is read as the screen is recorded; a
// child's only when a point is looked up over it, since each read is a round
// trip to the window server under some platforms and most windows have none.
struct WindowShape {
    HWND window;   // whose region is still to be read; null once it was
    POINT origin;  // that window's corner on the screen when it was recorded
    HRGN region;   // picture pixels, owned by the list; null for a plain rectangle
};

struct WindowList {
    int32_t count;
    CaptureArea area;
    uint32_t pictureWidth, pictureHeight;
    RecordedWindow windows[windowListCapacity];
    WindowShape shapes[windowListCapacity];
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
// A child's region is read here the first time a point is looked up over it.
int32_t innermostWindowAt(WindowList* list, POINT point);
