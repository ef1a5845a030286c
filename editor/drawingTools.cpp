// Mouse handling of the tools. The rubber band is drawn with exclusive-or focus
// rectangles straight on the window, so the picture is not repainted while a
// button is held.
#include "drawingTools.h"

#include "../image/gdiGuards.h"
#include "editorWindow.h"

namespace {

POINT mousePoint(LPARAM lParam) {
    return {LONG(LOWORD(lParam)), LONG(HIWORD(lParam))};
}

void drawRubberBand(const EditorState& s) {
    ClientDcGuard dc(s.window);
    RECT band = normalisedRect(s.startX, s.startY, s.endX, s.endY);
    DrawFocusRect(dc.dc, &band);
}

bool usesRubberBand(int32_t tool) {
    return tool == toolSelect || tool == toolRectangle || tool == toolEllipse;
}

}  // namespace

RECT normalisedRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    return {x1 < x2 ? x1 : x2, y1 < y2 ? y1 : y2, x1 < x2 ? x2 : x1, y1 < y2 ? y2 : y1};
}

RECT penMarginRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t penWidth) {
    RECT r = normalisedRect(x1, y1, x2, y2);
    int32_t half = penWidth >> 1;
    return {r.left - half, r.top - half, r.right + (penWidth - half), r.bottom + (penWidth - half)};
}

void toolMouseDown(LPARAM lParam) {
    EditorState& s = editorState;
    POINT p = mousePoint(lParam);
    s.startX = s.endX = p.x;
    s.startY = s.endY = p.y;
    InvalidateRect(s.window, nullptr, FALSE);
}

void toolMouseMove(LPARAM lParam) {
    EditorState& s = editorState;
    POINT p = mousePoint(lParam);
    if (usesRubberBand(s.tool)) {
        drawRubberBand(s);
        s.endX = p.x;
        s.endY = p.y;
        drawRubberBand(s);
    }
}

void toolMouseUp(LPARAM lParam) {
    EditorState& s = editorState;
    POINT p = mousePoint(lParam);
    s.endX = p.x;
    s.endY = p.y;
}
