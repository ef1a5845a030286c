// Mouse handling of the tools. The rubber band is drawn with exclusive-or focus
// rectangles straight on the window, so the picture is not repainted while a
// button is held; the drawing tools paint into the picture and repaint only
// the part they touched.
#include "drawingTools.h"

#include <cstring>

#include "../image/annotation.h"
#include "../image/bitmapText.h"
#include "../image/drawing.h"
#include "../image/gdiGuards.h"

namespace {

constexpr int textBufferBytes = 64;  // at most 63 characters and the zero

POINT mousePoint(LPARAM lParam) {
    return {LONG(LOWORD(lParam)), LONG(HIWORD(lParam))};
}

void drawRubberBand(const EditorState& s) {
    WindowDcGuard dc(s.window, clientArea);
    RECT band = normalisedRect(s.startX, s.startY, s.endX, s.endY);
    DrawFocusRect(dc, &band);
}

bool usesRubberBand(int32_t tool) {
    return tool == toolSelect || tool == toolRectangle || tool == toolEllipse;
}

void invalidatePenMargin(const EditorState& s, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    RECT margin = penMarginRect(x1, y1, x2, y2, s.penWidth);
    InvalidateRect(s.window, &margin, FALSE);
}

bool isAnnotation(int32_t tool) {
    return tool == toolArrow || tool == toolHighlighter || tool == toolRedaction;
}

bool drawsIntoPicture(int32_t tool) {
    return tool == toolPencil || tool == toolLine || tool == toolRectangle || tool == toolEllipse || tool == toolText ||
           isAnnotation(tool);
}

// A release or move whose press the editor did not see still draws, and then
// opens the step itself, so that what it drew can be taken back too.
void openStepIfNone(EditorState& s) {
    if (!s.history.open)
        beginStep(s.history, s.picture);
}

void drawText(EditorState& s, POINT p) {
    openStepIfNone(s);
    char text[textBufferBytes] = {};
    GetWindowTextA(s.textEdit, text, textBufferBytes);
    drawBitmapText(s.picture, p.x, p.y, s.penColor, text);
    auto n = LONG(std::strlen(text));
    RECT touched = {p.x, p.y, p.x + 16 * n + 16, p.y + 30};
    InvalidateRect(s.window, &touched, FALSE);
    endStep(s.history);
}

void drawShape(EditorState& s) {
    openStepIfNone(s);
    RECT r = normalisedRect(s.startX, s.startY, s.endX, s.endY);
    if (s.tool == toolLine)
        drawLine(s.picture, s.startX, s.startY, s.endX, s.endY, s.penColor, s.penWidth);
    else if (s.tool == toolRectangle)
        drawRectangle(s.picture, r.left, r.top, r.right, r.bottom, s.penColor, s.brushColor, s.penWidth);
    else
        drawEllipse(s.picture, r.left, r.top, r.right, r.bottom, s.penColor, s.brushColor, s.penWidth);
    invalidatePenMargin(s, s.startX, s.startY, s.endX, s.endY);
    endStep(s.history);
}

// Where the annotation is drawn to: with Shift held the arrow keeps to a
// multiple of 45 degrees. The snapped end may lie outside the picture, so it
// is never stored: the selection keeps the mouse point, as every tool leaves it.
POINT annotationEnd(const EditorState& s, POINT mouse) {
    if (s.tool != toolArrow || GetKeyState(VK_SHIFT) >= 0)
        return mouse;
    SnapPoint snapped = snapTo45(s.startX, s.startY, mouse.x, mouse.y);
    return {LONG(snapped.x), LONG(snapped.y)};
}

void xorBand(const EditorState& s) {
    WindowDcGuard dc(s.window, clientArea);
    DrawFocusRect(dc, &s.band);
}

void removeAnnotationBand(EditorState& s) {
    if (!s.bandShown)
        return;
    xorBand(s);
    s.bandShown = 0;
}

void showAnnotationBand(EditorState& s, POINT end) {
    s.band = normalisedRect(s.startX, s.startY, end.x, end.y);
    xorBand(s);
    s.bandShown = 1;
}

// The head reaches L * tan 28 degrees (less than L) aside from the shaft's
// line, and never beyond its ends along it.
RECT arrowMarginRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t penWidth) {
    RECT r = penMarginRect(x1, y1, x2, y2, penWidth);
    int32_t head = arrowHeadLength(penWidth);
    return {r.left - head, r.top - head, r.right + head, r.bottom + head};
}

void drawAnnotation(EditorState& s, POINT end) {
    openStepIfNone(s);
    RECT touched = normalisedRect(s.startX, s.startY, end.x, end.y);
    if (s.tool == toolArrow) {
        drawArrow(s.picture, s.startX, s.startY, end.x, end.y, s.penColor, s.penWidth);
        touched = arrowMarginRect(s.startX, s.startY, end.x, end.y, s.penWidth);
    } else if (s.tool == toolHighlighter) {
        drawHighlight(s.picture, touched.left, touched.top, touched.right, touched.bottom, highlighterColour);
    } else {
        drawRedaction(s.picture, touched.left, touched.top, touched.right, touched.bottom,
                      redactionBlockSide(s.penWidth));
    }
    InvalidateRect(s.window, &touched, FALSE);
    endStep(s.history);
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

void toolMouseDown(EditorState& s, LPARAM lParam) {
    POINT p = mousePoint(lParam);
    s.startX = s.endX = p.x;
    s.startY = s.endY = p.y;
    s.dragging = 1;
    s.dragCancelled = 0;
    // The whole window is repainted below, which takes any band left with it.
    s.bandShown = 0;
    if (drawsIntoPicture(s.tool))
        beginStep(s.history, s.picture);
    InvalidateRect(s.window, nullptr, FALSE);
    if (s.tool == toolText)
        drawText(s, p);
}

void toolMouseMove(EditorState& s, LPARAM lParam) {
    if (s.dragCancelled)
        return;
    POINT p = mousePoint(lParam);
    if (usesRubberBand(s.tool)) {
        drawRubberBand(s);
        s.endX = p.x;
        s.endY = p.y;
        drawRubberBand(s);
        return;
    }
    if (isAnnotation(s.tool)) {
        removeAnnotationBand(s);
        s.endX = p.x;
        s.endY = p.y;
        showAnnotationBand(s, annotationEnd(s, p));
        return;
    }
    if (s.tool != toolPencil)
        return;
    openStepIfNone(s);
    drawLine(s.picture, s.startX, s.startY, p.x, p.y, s.penColor, s.penWidth);
    invalidatePenMargin(s, s.startX, s.startY, p.x, p.y);
    s.startX = p.x;
    s.startY = p.y;
}

// The band on the screen is the one the last move drew, which need not end at
// the release point: it is removed as drawn. Select then marks the selection
// itself, from the start to the release point.
bool toolMouseUp(EditorState& s, LPARAM lParam) {
    s.dragging = 0;
    if (s.dragCancelled) {
        s.dragCancelled = 0;
        return false;
    }
    POINT p = mousePoint(lParam);
    if (usesRubberBand(s.tool))
        drawRubberBand(s);
    removeAnnotationBand(s);
    s.endX = p.x;
    s.endY = p.y;
    if (s.tool == toolSelect)
        drawRubberBand(s);
    if (s.tool == toolLine || s.tool == toolRectangle || s.tool == toolEllipse)
        drawShape(s);
    if (isAnnotation(s.tool))
        drawAnnotation(s, annotationEnd(s, p));
    endStep(s.history);
    return true;
}

bool cancelDrag(EditorState& s) {
    if (!s.dragging)
        return false;
    if (usesRubberBand(s.tool))
        drawRubberBand(s);
    removeAnnotationBand(s);
    // The selection the band was making is not made: it is left empty.
    s.endX = s.startX;
    s.endY = s.startY;
    if (s.history.open) {
        cancelStep(s.history);
        InvalidateRect(s.window, nullptr, FALSE);
    }
    s.dragging = 0;
    s.dragCancelled = 1;
    return true;
}
