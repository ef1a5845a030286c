// Handles, moving and keys for the selection. While a handle or the whole
// selection is dragged, the band stands for the selection, exactly as while a
// new one is dragged: the mark and its handles are hidden at the press and
// come back at the release, where the selection is decided once.
#include "selectionEdit.h"

#include <cstdlib>

#include "../image/gdiGuards.h"
#include "../image/windowList.h"
#include "editorView.h"
#include "loupe.h"
#include "sizeLabel.h"
#include "toolTable.h"
#include "viewMapping.h"
#include "windowSnap.h"

namespace {

// Where each handle sits along x and y: 0 the left or top side, 1 the
// middle, 2 the right or bottom side. In SelectionHandle's order.
struct HandlePlace {
    uint8_t alongX, alongY;
    const wchar_t* cursor;
};
const HandlePlace handlePlaces[selectionHandleCount] = {
    {0, 0, IDC_SIZENWSE}, {2, 0, IDC_SIZENESW}, {2, 2, IDC_SIZENWSE}, {0, 2, IDC_SIZENESW},
    {1, 0, IDC_SIZENS},   {2, 1, IDC_SIZEWE},   {1, 2, IDC_SIZENS},   {0, 1, IDC_SIZEWE},
};

LONG along(uint8_t place, LONG low, LONG high) {
    if (place == 0)
        return low;
    return place == 2 ? high : (low + high) >> 1;
}

int32_t clampTo(int32_t value, int32_t low, int32_t high) {
    if (value < low)
        return low;
    return value > high ? high : value;
}

// The furthest a side pair low..high may shift within 0..limit; a pair
// already reaching out on one side may still come back in.
int32_t clampedShift(int32_t delta, int32_t low, int32_t high, int32_t limit) {
    int32_t least = low < 0 ? 0 : -low;
    int32_t most = high > limit ? 0 : limit - high;
    if (least > most)
        return 0;
    return clampTo(delta, least, most);
}

struct ArrowStep {
    WPARAM key;
    int32_t dx, dy;
};
const ArrowStep arrowSteps[] = {{VK_LEFT, -1, 0}, {VK_RIGHT, 1, 0}, {VK_UP, 0, -1}, {VK_DOWN, 0, 1}};
constexpr int32_t shiftStep = 10;

const ArrowStep* arrowStep(WPARAM key) {
    for (const ArrowStep& step : arrowSteps) {
        if (step.key == key)
            return &step;
    }
    return nullptr;
}

RECT handleSquare(POINT p) {
    int32_t half = handleSide / 2;
    return {p.x - half, p.y - half, p.x + half + 1, p.y + half + 1};
}

bool isEmpty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

int32_t pictureWidth(const EditorState& s) {
    return int32_t(imageWidth(s.picture));
}

int32_t pictureHeight(const EditorState& s) {
    return int32_t(imageHeight(s.picture));
}

void paintHandles(const EditorState& s, HDC dc) {
    RECT selection = shownHandlesRect(s);
    if (isEmpty(selection))
        return;
    SelectGuard pen(dc, GetStockObject(BLACK_PEN));
    SelectGuard brush(dc, GetStockObject(WHITE_BRUSH));
    for (int handle = 0; handle < selectionHandleCount; handle++) {
        RECT square = handleSquare(pictureToWindow(s, handlePoint(selection, handle)));
        Rectangle(dc, square.left, square.top, square.right, square.bottom);
    }
}

}  // namespace

POINT handlePoint(const RECT& selection, int handle) {
    const HandlePlace& place = handlePlaces[handle];
    return {along(place.alongX, selection.left, selection.right), along(place.alongY, selection.top, selection.bottom)};
}

int handleAt(const RECT& selection, POINT p) {
    for (int handle = 0; handle < selectionHandleCount; handle++) {
        POINT h = handlePoint(selection, handle);
        if (std::abs(p.x - h.x) <= handleReach && std::abs(p.y - h.y) <= handleReach)
            return handle;
    }
    return handleNone;
}

SelectionGesture gestureAt(const RECT& selection, bool marked, bool rightButton, POINT p, int* handle) {
    *handle = handleNone;
    if (!marked || rightButton || isEmpty(selection))
        return gestureNew;
    *handle = handleAt(selection, p);
    if (*handle != handleNone)
        return gestureHandle;
    return PtInRect(&selection, p) ? gestureMove : gestureNew;
}

bool isClick(POINT press, POINT release) {
    return std::abs(release.x - press.x) <= clickSlack && std::abs(release.y - press.y) <= clickSlack;
}

RECT resizedSelection(const RECT& selection, int handle, int32_t dx, int32_t dy, int32_t width, int32_t height) {
    const HandlePlace& place = handlePlaces[handle];
    RECT r = selection;
    if (place.alongX == 0)
        r.left = clampTo(r.left + dx, 0, width);
    if (place.alongX == 2)
        r.right = clampTo(r.right + dx, 0, width);
    if (place.alongY == 0)
        r.top = clampTo(r.top + dy, 0, height);
    if (place.alongY == 2)
        r.bottom = clampTo(r.bottom + dy, 0, height);
    return normalisedRect(r.left, r.top, r.right, r.bottom);
}

RECT movedSelection(const RECT& selection, int32_t dx, int32_t dy, int32_t width, int32_t height) {
    int32_t x = clampedShift(dx, selection.left, selection.right, width);
    int32_t y = clampedShift(dy, selection.top, selection.bottom, height);
    return {selection.left + x, selection.top + y, selection.right + x, selection.bottom + y};
}

RECT selectionWithinPicture(const RECT& selection, int32_t width, int32_t height) {
    return {clampTo(selection.left, 0, width), clampTo(selection.top, 0, height), clampTo(selection.right, 0, width),
            clampTo(selection.bottom, 0, height)};
}

bool keyedSelection(const RECT& selection, WPARAM key, bool control, bool shift, int32_t width, int32_t height,
                    RECT* result) {
    if (control && !shift && key == 'A') {
        *result = {0, 0, width, height};
        return true;
    }
    const ArrowStep* step = arrowStep(key);
    if (!step)
        return false;
    int32_t dx = step->dx * (shift ? shiftStep : 1);
    int32_t dy = step->dy * (shift ? shiftStep : 1);
    if (!control) {
        *result = movedSelection(selection, dx, dy, width, height);
        return true;
    }
    // The right side stays right of the left one, and the bottom below the top.
    RECT r = selection;
    r.right = clampTo(r.right + dx, r.left + 1 < width ? r.left + 1 : width, width);
    r.bottom = clampTo(r.bottom + dy, r.top + 1 < height ? r.top + 1 : height, height);
    *result = r;
    return true;
}

const wchar_t* gestureCursor(SelectionGesture gesture, int handle) {
    if (gesture == gestureHandle && handle >= 0 && handle < selectionHandleCount)
        return handlePlaces[handle].cursor;
    return gesture == gestureMove ? IDC_SIZEALL : IDC_CROSS;
}

RECT currentSelection(const EditorState& s) {
    return normalisedRect(s.startX, s.startY, s.endX, s.endY);
}

RECT shownHandlesRect(const EditorState& s) {
    const RECT none = {0, 0, 0, 0};
    // While the Select tool drags, the band stands for the selection.
    if (s.dragging && s.tool == toolSelect)
        return s.bandShown && !isEmpty(s.band) ? s.band : none;
    RECT selection = currentSelection(s);
    return s.tool == toolSelect && s.selectionMarked && !isEmpty(selection) ? selection : none;
}

void moveHandles(EditorState& s) {
    RECT& at = s.selectionView.handlesAt;
    RECT now = shownHandlesRect(s);
    if (EqualRect(&now, &at))
        return;
    invalidateHandles(s, at);
    invalidateHandles(s, now);
    at = now;
}

RECT draggedSelection(POINT press, POINT release) {
    RECT r = normalisedRect(press.x, press.y, release.x, release.y);
    // A drag along one row or column takes that row or column, as on a
    // picture one pixel high; a click stays a click.
    if (r.left == r.right && r.top != r.bottom)
        r.right = r.left + 1;
    if (r.top == r.bottom && r.left != r.right)
        r.bottom = r.top + 1;
    return r;
}

namespace {

// The rectangle the band shows while the drag is at end.
RECT selectionDragRect(const EditorState& s, POINT end) {
    const SelectionView& v = s.selectionView;
    int32_t dx = end.x - s.dragStart.x;
    int32_t dy = end.y - s.dragStart.y;
    if (v.gesture == gestureHandle)
        return resizedSelection(v.pressSelection, v.handle, dx, dy, pictureWidth(s), pictureHeight(s));
    if (v.gesture == gestureMove)
        return movedSelection(v.pressSelection, dx, dy, pictureWidth(s), pictureHeight(s));
    return draggedSelection(s.dragStart, end);
}

// What the release at end makes of the selection, when that is not a new
// selection from the press to the release as before: a handle or a move
// gesture, or a click on a recorded window.
bool adjustedSelection(const EditorState& s, POINT end, RECT* selection) {
    const SelectionView& v = s.selectionView;
    bool click = isClick(s.dragStart, end);
    if (v.gesture == gestureHandle) {
        *selection = click ? v.pressSelection : selectionDragRect(s, end);
        return true;
    }
    // The right button's click makes and sends a selection as it always did.
    if (click && !v.rightButton && snappedWindow(s, s.dragStart, GetKeyState(VK_SHIFT) < 0, selection))
        return true;
    if (v.gesture == gestureMove) {
        *selection = click ? v.pressSelection : selectionDragRect(s, end);
        return true;
    }
    return false;
}

// The marked selection is hidden while a new one is dragged: the band marks
// that one. Drawn or taken away with exclusive-or, like the band.
void toggleSelectionMark(const EditorState& s) {
    if (s.selectionMarked)
        xorFocusRect(s, currentSelection(s));
}

}  // namespace

void selectPress(EditorState& s, POINT p) {
    SelectionView& v = s.selectionView;
    hideSnapOutline(s);
    v.pressSelection = currentSelection(s);
    int handle = handleNone;
    bool marked = !isEmpty(v.handlesAt);
    v.gesture = gestureAt(v.pressSelection, marked, v.rightButton != 0, p, &handle);
    v.handle = int8_t(handle);
    moveHandles(s);
    if (v.gesture == gestureNew)
        hideSizeLabel(s);
    toggleSelectionMark(s);
}

// A handle or a move of the selection shows the rectangle it would give; the
// loupe follows the mouse where it helps.
void selectMove(EditorState& s, POINT p) {
    removeDragBand(s);
    RECT band = selectionDragRect(s, p);
    showDragBand(s, band);
    showDragFeedback(s, band);
    if (s.selectionView.gesture != gestureMove)
        showLoupe(s, p);
}

// The band on the screen is the one the last move drew, which need not end
// at the release point: it went as drawn. The selection is marked from the
// press to the release point.
void selectRelease(EditorState& s, POINT end) {
    RECT adjusted = {};
    if (!adjustedSelection(s, end, &adjusted))
        adjusted = draggedSelection(s.dragStart, end);
    s.startX = adjusted.left;
    s.startY = adjusted.top;
    s.endX = adjusted.right;
    s.endY = adjusted.bottom;
    s.selectionMarked = 1;
    toggleSelectionMark(s);
}

// The selection stays the one made before this drag, marked again.
void selectCancel(EditorState& s) {
    toggleSelectionMark(s);
}

void showOverlaysOfTool(EditorState& s) {
    if (s.tool != toolSelect)
        hideSnapOutline(s);
    moveHandles(s);
    showSelectionSizeLabel(s);
}

void setSelection(EditorState& s, const RECT& r) {
    if (s.selectionMarked)
        invalidatePictureFrame(s, currentSelection(s), 1);
    s.startX = r.left;
    s.startY = r.top;
    s.endX = r.right;
    s.endY = r.bottom;
    s.selectionMarked = 1;
    invalidatePictureFrame(s, r, 1);
    moveHandles(s);
    showSelectionSizeLabel(s);
}

// The handles' rectangle goes with the mark: a press decides from what is
// shown, and an invisible handle left behind would still be grabbed.
void unmarkSelection(EditorState& s) {
    bool shown = s.selectionMarked && s.window;
    if (shown)
        invalidatePictureFrame(s, currentSelection(s), 1);
    s.startX = 0;
    s.startY = 0;
    s.endX = pictureWidth(s);
    s.endY = pictureHeight(s);
    s.selectionMarked = 0;
    if (!shown)
        return;
    moveHandles(s);
    showSelectionSizeLabel(s);
}

bool selectionKeyDown(EditorState& s, WPARAM key, bool control, bool shift) {
    if (s.dragging || !s.picture)
        return false;
    int32_t width = pictureWidth(s);
    int32_t height = pictureHeight(s);
    RECT base = selectionWithinPicture(currentSelection(s), width, height);
    RECT r = {};
    if (!keyedSelection(base, key, control, shift, width, height, &r))
        return false;
    // Ctrl+A marks the whole picture even when it was the selection already.
    if (!EqualRect(&r, &base) || key == 'A')
        setSelection(s, r);
    return true;
}

bool setSelectionCursor(EditorState& s, LPARAM lParam) {
    if (LOWORD(lParam) != HTCLIENT || s.tool != toolSelect)
        return false;
    POINT cursor = {};
    GetCursorPos(&cursor);
    ScreenToClient(s.window, &cursor);
    RECT view = viewArea(s);
    if (!PtInRect(&view, cursor))
        return false;
    int handle = handleNone;
    RECT handles = shownHandlesRect(s);
    SelectionGesture gesture = gestureAt(handles, !isEmpty(handles), false, windowToPicture(s, cursor), &handle);
    SetCursor(LoadCursorW(nullptr, gestureCursor(gesture, handle)));
    return true;
}

void frameSides(const RECT& r, int32_t thickness, RECT sides[4]) {
    sides[0] = {r.left, r.top, r.right, r.top + thickness};
    sides[1] = {r.left, r.bottom - thickness, r.right, r.bottom};
    sides[2] = {r.left, r.top, r.left + thickness, r.bottom};
    sides[3] = {r.right - thickness, r.top, r.right, r.bottom};
}

void invalidatePictureFrame(const EditorState& s, const RECT& r, int32_t thickness) {
    if (isEmpty(r))
        return;
    RECT sides[4];
    frameSides(r, thickness, sides);
    for (const RECT& side : sides)
        invalidatePictureRect(s, side);
}

void invalidateHandles(const EditorState& s, const RECT& selection) {
    if (isEmpty(selection))
        return;
    for (int handle = 0; handle < selectionHandleCount; handle++)
        invalidatePictureRect(s, handleSquare(handlePoint(selection, handle)));
}

void paintSelectionOverlays(const EditorState& s, HDC dc) {
    paintHandles(s, dc);
    paintSnapOutline(s, dc);
}
