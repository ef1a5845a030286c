// The pointer tool's gestures over the layer of drawings; see pointerTool.h.
// Everything it changes goes through the layer's own operations, so undo
// and redo need nothing from here.
#include "pointerTool.h"

#include <cstdlib>

#include "../annotations/annotationEdit.h"
#include "../annotations/annotationHistory.h"
#include "../annotations/annotationHitTest.h"
#include "../image/gdiGuards.h"
#include "viewMapping.h"
#include "textBox.h"

namespace {

constexpr int32_t handleSide = 7;      // on the window, in pixels
constexpr int32_t handleReach = 4;     // a press this near a handle's centre takes it
constexpr int32_t shiftStep = 10;

const Annotation* chosen(const EditorState& s) {
    int32_t index = s.pointerChoice - 1;
    return index >= 0 && index < s.layer.count ? &s.layer.items[index] : nullptr;
}

int32_t pictureWidth(const EditorState& s) {
    return int32_t(imageWidth(s.picture));
}

int32_t pictureHeight(const EditorState& s) {
    return int32_t(imageHeight(s.picture));
}

// The marks reach beyond the bounds by half a handle, at any zoom of 1.
RECT marksRect(const Annotation& a) {
    return {a.bounds.left - handleSide, a.bounds.top - handleSide, a.bounds.right + handleSide,
            a.bounds.bottom + handleSide};
}

void invalidateMarks(const EditorState& s) {
    if (const Annotation* a = chosen(s))
        invalidatePictureRect(s, marksRect(*a));
}

void choose(EditorState& s, int32_t index) {
    invalidateMarks(s);
    s.pointerChoice = index + 1;
    invalidateMarks(s);
}

// The handle of the chosen drawing within reach of the point, or -1.
int32_t handleNear(const EditorState& s, POINT p) {
    const Annotation* a = chosen(s);
    if (!a)
        return -1;
    for (int handle = 0; handle < annotationHandleCount(a->kind); handle++) {
        POINT h = annotationHandlePoint(*a, handle);
        if (std::abs(h.x - p.x) <= handleReach && std::abs(h.y - p.y) <= handleReach)
            return handle;
    }
    return -1;
}

// The chosen drawing as the gesture or key makes it, into *out.
bool editedChoice(const EditorState& s, int32_t handle, int32_t dx, int32_t dy, Annotation* out) {
    const Annotation* a = chosen(s);
    if (!a)
        return false;
    if (handle < 0)
        return movedAnnotation(*a, dx, dy, pictureWidth(s), pictureHeight(s), out);
    return resizedAnnotation(*a, handle, dx, dy, pictureWidth(s), pictureHeight(s), out);
}

// Old and new marks and what the layer composed again are repainted.
void showChange(EditorState& s, const RECT& changed, const RECT& before) {
    invalidatePictureRect(s, changed);
    invalidatePictureRect(s, before);
    invalidateMarks(s);
}

void changeChoice(EditorState& s, const Annotation& after) {
    const Annotation* a = chosen(s);
    if (!a)
        return;
    RECT before = marksRect(*a), changed = {};
    if (changeAnnotation(s.layer, s.pointerChoice - 1, after, &changed))
        showChange(s, changed, before);
}

void endDrag(EditorState& s) {
    s.pointerDragging = 0;
    endAnnotationEdit(s.layer);
    if (GetCapture() == s.window)
        ReleaseCapture();
}

bool moveByKey(EditorState& s, WPARAM key, bool shift) {
    int32_t step = shift ? shiftStep : 1;
    int32_t dx = key == VK_LEFT ? -step : key == VK_RIGHT ? step : 0;
    int32_t dy = key == VK_UP ? -step : key == VK_DOWN ? step : 0;
    Annotation after = {};
    if (!editedChoice(s, -1, dx, dy, &after))
        return true;
    changeChoice(s, after);
    freeAnnotation(after);
    return true;
}

void deleteChoice(EditorState& s) {
    const Annotation* a = chosen(s);
    if (!a)
        return;
    RECT before = marksRect(*a), changed = {};
    int32_t index = s.pointerChoice - 1;
    s.pointerChoice = 0;
    if (deleteAnnotation(s.layer, index, &changed))
        showChange(s, changed, before);
}

// Tab goes on in drawing order and comes round; Shift+Tab goes back.
void chooseNext(EditorState& s, bool back) {
    int32_t count = s.layer.count;
    if (count == 0)
        return;
    int32_t index = s.pointerChoice - 1;
    if (index < 0)
        index = back ? count - 1 : 0;
    else
        index = (index + (back ? count - 1 : 1)) % count;
    choose(s, index);
}

void fillHandle(HDC dc, POINT centre, HBRUSH brush) {
    RECT r = {centre.x - handleSide / 2, centre.y - handleSide / 2, centre.x + handleSide / 2 + 1,
              centre.y + handleSide / 2 + 1};
    FillRect(dc, &r, brush);
}

}  // namespace

void pointerPress(EditorState& s, POINT p) {
    SetFocus(s.window);
    // A handle of the chosen drawing wins over what lies under it; a press on
    // another drawing chooses it, and takes its handle when on one.
    int32_t handle = handleNear(s, p);
    if (handle < 0) {
        choose(s, annotationAt(s.layer, p));
        handle = handleNear(s, p);
    }
    if (!chosen(s) || !beginAnnotationEdit(s.layer, s.pointerChoice - 1))
        return;
    s.pointerHandle = handle;
    s.pointerPress = p;
    s.pointerDragging = 1;
    SetCapture(s.window);
}

void pointerMove(EditorState& s, POINT p) {
    if (!s.pointerDragging || !s.layer.edit.active)
        return;
    const Annotation& before = s.layer.edit.before;
    Annotation after = {};
    bool made = s.pointerHandle < 0
                    ? movedAnnotation(before, p.x - s.pointerPress.x, p.y - s.pointerPress.y, pictureWidth(s),
                                      pictureHeight(s), &after)
                    : resizedAnnotation(before, s.pointerHandle, p.x - s.pointerPress.x, p.y - s.pointerPress.y,
                                        pictureWidth(s), pictureHeight(s), &after);
    if (!made)
        return;
    const Annotation* shown = chosen(s);
    RECT old = shown ? marksRect(*shown) : RECT{};
    RECT changed = {};
    if (showAnnotationEdit(s.layer, after, &changed))
        showChange(s, changed, old);
    freeAnnotation(after);
}

bool pointerDoubleClick(EditorState& s, POINT p) {
    const Annotation* a = chosen(s);
    if (s.textBox.open || !a || a->kind != annotationTypedText)
        return false;
    int32_t index = annotationAt(s.layer, p);
    if (index != s.pointerChoice - 1)
        return false;
    pointerDragLost(s);
    invalidateMarks(s);
    s.pointerChoice = 0;
    return reopenTypedText(s, index);
}

void pointerRelease(EditorState& s, POINT p) {
    if (!s.pointerDragging)
        return;
    pointerMove(s, p);
    endDrag(s);
}

void pointerDragLost(EditorState& s) {
    if (s.pointerDragging)
        endDrag(s);
}

bool pointerKeyDown(EditorState& s, WPARAM key, bool shift) {
    if (key == VK_TAB) {
        chooseNext(s, shift);
        return true;
    }
    if (!chosen(s))
        return false;
    switch (key) {
    case VK_ESCAPE:
        if (s.pointerDragging) {
            RECT changed = {};
            s.pointerDragging = 0;
            cancelAnnotationEdit(s.layer, &changed);
            if (GetCapture() == s.window)
                ReleaseCapture();
            invalidatePictureRect(s, changed);
            invalidateMarks(s);
            return true;
        }
        dropPointerChoice(s);
        return true;
    case VK_DELETE:
        deleteChoice(s);
        return true;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
        return s.pointerDragging || moveByKey(s, key, shift);
    default:
        return false;
    }
}

void restyleChosen(EditorState& s) {
    const Annotation* a = chosen(s);
    if (s.tool != toolPointer || !a || s.pointerDragging)
        return;
    Annotation after = {};
    if (!restyledAnnotation(*a, {s.penColor, s.brushColor, s.penWidth}, &after))
        return;
    if (!sameAnnotation(*a, after))
        changeChoice(s, after);
    freeAnnotation(after);
}

void dropPointerChoice(EditorState& s) {
    pointerDragLost(s);
    invalidateMarks(s);
    s.pointerChoice = 0;
}

void paintPointerMarks(const EditorState& s, HDC dc) {
    const Annotation* a = chosen(s);
    if (s.tool != toolPointer || !a)
        return;
    int count = annotationHandleCount(a->kind);
    if (count == 0) {
        RECT frame = pictureToWindowRect(s, a->bounds);
        DrawFocusRect(dc, &frame);
        return;
    }
    HBRUSH brush = GetSysColorBrush(COLOR_HIGHLIGHT);
    for (int handle = 0; handle < count; handle++)
        fillHandle(dc, pictureToWindow(s, annotationHandlePoint(*a, handle)), brush);
}
