// The outline is painted, not drawn with exclusive-or: it stays right when a
// paint comes in the middle, and only its four sides are repainted when it
// moves to another window.
#include "windowSnap.h"

#include <windowsx.h>

#include "../image/gdiGuards.h"
#include "../image/windowList.h"
#include "editorView.h"
#include "selectionEdit.h"

namespace {

constexpr int32_t outlineThickness = 2;
constexpr COLORREF outlineColour = RGB(255, 0, 128);

void trackLeave(EditorState& s) {
    if (s.selectionView.trackingLeave)
        return;
    TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, s.window, 0};
    if (TrackMouseEvent(&track))
        s.selectionView.trackingLeave = 1;
}

}  // namespace

bool snappedWindow(const EditorState& s, POINT p, bool topLevel, RECT* window) {
    WindowList* list = s.selectionView.windows;
    int32_t found = innermostWindowAt(list, p);
    if (found < 0)
        return false;
    if (topLevel)
        found = list->windows[found].topLevel;
    RECT picture = {0, 0, LONG(imageWidth(s.picture)), LONG(imageHeight(s.picture))};
    return IntersectRect(window, &list->windows[found].rect, &picture) != 0;
}

void hoverSnapWindow(EditorState& s, WPARAM keys, LPARAM lParam) {
    POINT client = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    RECT view = viewArea(s);
    RECT window = {};
    bool found = s.tool == toolSelect && !s.dragging && PtInRect(&view, client) &&
                 snappedWindow(s, windowToPicture(s, client), (keys & MK_SHIFT) != 0, &window);
    SelectionView& v = s.selectionView;
    if (found && v.outlineShown && EqualRect(&window, &v.outline))
        return;
    hideSnapOutline(s);
    if (!found)
        return;
    v.outline = window;
    v.outlineShown = 1;
    invalidatePictureFrame(s, window, outlineThickness);
    trackLeave(s);
}

void hideSnapOutline(EditorState& s) {
    SelectionView& v = s.selectionView;
    if (!v.outlineShown)
        return;
    invalidatePictureFrame(s, v.outline, outlineThickness);
    v.outlineShown = 0;
}

void snapMouseLeft(EditorState& s) {
    s.selectionView.trackingLeave = 0;
    hideSnapOutline(s);
}

void paintSnapOutline(const EditorState& s, HDC dc) {
    const SelectionView& v = s.selectionView;
    if (!v.outlineShown || s.tool != toolSelect)
        return;
    RECT r = pictureToWindowRect(s, v.outline);
    GdiObjectGuard<HBRUSH> brush(CreateSolidBrush(outlineColour));
    if (!brush)
        return;
    RECT sides[4];
    frameSides(r, outlineThickness, sides);
    for (const RECT& side : sides)
        FillRect(dc, &side, brush);
}
