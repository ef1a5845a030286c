// Mouse handling of the tools. The Select tool's rubber band is drawn with
// exclusive-or focus rectangles straight on the window; the line, the shapes
// and the annotation tools show a preview of exactly what they will draw,
// and paint into the picture at the release, repainting only the part they
// touched. Only the Select tool's drag sets the selection; the
// drawing tools keep their own drag points. Points are picture pixels, mapped
// from the window through the view.
#include "drawingTools.h"

#include <windowsx.h>

#include <cstring>

#include "../image/annotation.h"
#include "../image/bitmapText.h"
#include "../image/drawing.h"
#include "../image/gdiGuards.h"
#include "annotationPreview.h"
#include "drawingSteps.h"
#include "editorView.h"
#include "selectionEdit.h"
#include "textBox.h"

namespace {

constexpr int textBufferBytes = 64;  // at most 63 characters and the zero

// Signed: with the mouse captured a move can come from left of or above the window.
POINT mousePoint(const EditorState& s, LPARAM lParam) {
    return windowToPicture(s, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
}

// The drawing tools show exactly what they will draw while dragged; Select
// shows its band.
bool showsPreview(int32_t tool) {
    return tool == toolLine || tool == toolRectangle || tool == toolEllipse || tool == toolArrow ||
           tool == toolHighlighter || tool == toolRedaction;
}

void invalidatePenMargin(const EditorState& s, POINT a, POINT b) {
    invalidatePictureRect(s, penMarginRect(a.x, a.y, b.x, b.y, s.penWidth));
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
    invalidatePictureRect(s, {p.x, p.y, p.x + 16 * n + 16, p.y + 30});
    keepDrawingStep(s, {annotationBitmapText, &p, 1, text, int32_t(std::strlen(text)), unwrappedRoom});
}

// The drawn kind of a tool that drags a two-point shape; false for the others.
bool twoPointKind(int32_t tool, uint8_t* kind) {
    static const struct {
        int32_t tool;
        uint8_t kind;
    } kinds[] = {{toolLine, annotationLine}, {toolRectangle, annotationRectangle},
                 {toolEllipse, annotationEllipse}, {toolArrow, annotationArrow}};
    for (const auto& k : kinds) {
        if (k.tool == tool) {
            *kind = k.kind;
            return true;
        }
    }
    return false;
}

void drawShape(EditorState& s) {
    openStepIfNone(s);
    POINT a = s.dragStart;
    POINT b = s.dragEnd;
    drawToolShape(s.picture, s, a, b);
    invalidatePenMargin(s, a, b);
    uint8_t kind = annotationLine;
    twoPointKind(s.tool, &kind);
    POINT corners[2] = {a, b};
    keepDrawingStep(s, {kind, corners, 2, nullptr, 0, unwrappedRoom});
}

// Where the annotation is drawn to: with Shift held the arrow keeps to a
// multiple of 45 degrees.
POINT annotationEnd(const EditorState& s, POINT mouse) {
    if (s.tool != toolArrow || GetKeyState(VK_SHIFT) >= 0)
        return mouse;
    SnapPoint snapped = snapTo45(s.dragStart.x, s.dragStart.y, mouse.x, mouse.y);
    return {LONG(snapped.x), LONG(snapped.y)};
}

void removeBand(EditorState& s) {
    if (!s.bandShown)
        return;
    xorFocusRect(s, s.band);
    s.bandShown = 0;
}

// A handle or a move of the selection shows the rectangle it would give.
RECT bandRect(const EditorState& s, POINT end) {
    if (s.tool == toolSelect)
        return selectionDragRect(s, end);
    return normalisedRect(s.dragStart.x, s.dragStart.y, end.x, end.y);
}

void showBand(EditorState& s, POINT end) {
    s.band = bandRect(s, end);
    xorFocusRect(s, s.band);
    s.bandShown = 1;
}

// The head reaches L * tan 28 degrees (less than L) aside from the shaft's
// line, and never beyond its ends along it.
RECT arrowMarginRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t penWidth) {
    RECT r = penMarginRect(x1, y1, x2, y2, penWidth);
    int32_t head = arrowHeadLength(penWidth);
    return {r.left - head, r.top - head, r.right + head, r.bottom + head};
}

void drawAnnotationTool(EditorState& s, POINT end) {
    openStepIfNone(s);
    POINT a = s.dragStart;
    RECT touched = normalisedRect(a.x, a.y, end.x, end.y);
    if (s.tool == toolArrow) {
        drawToolShape(s.picture, s, a, end);
        touched = arrowMarginRect(a.x, a.y, end.x, end.y, s.penWidth);
    } else if (s.tool == toolHighlighter) {
        drawHighlight(s.picture, touched.left, touched.top, touched.right, touched.bottom, highlighterColour);
    } else {
        drawRedaction(s.picture, touched.left, touched.top, touched.right, touched.bottom,
                      redactionBlockSide(s.penWidth));
    }
    invalidatePictureRect(s, touched);
    uint8_t kind = s.tool == toolArrow       ? annotationArrow
                   : s.tool == toolHighlighter ? annotationHighlight
                                               : annotationRedaction;
    POINT ends[2] = {a, end};
    keepDrawingStep(s, {kind, ends, 2, nullptr, 0, unwrappedRoom});
}

// The marked selection is hidden while a new one is dragged: the band marks
// that one. Drawn or taken away with exclusive-or, like the band.
void toggleSelectionMark(EditorState& s) {
    if (s.selectionMarked)
        xorFocusRect(s, normalisedRect(s.startX, s.startY, s.endX, s.endY));
}

void finishSelection(EditorState& s) {
    RECT adjusted = {};
    if (!adjustedSelection(s, s.dragEnd, &adjusted))
        adjusted = draggedSelection(s.dragStart, s.dragEnd);
    s.startX = adjusted.left;
    s.startY = adjusted.top;
    s.endX = adjusted.right;
    s.endY = adjusted.bottom;
    s.selectionMarked = 1;
    toggleSelectionMark(s);
}

// The end of a drag at its last point: the band goes as drawn, then the
// tool finishes what it was making.
void finishDrag(EditorState& s, POINT end) {
    s.dragging = 0;
    removeBand(s);
    s.dragEnd = end;
    if (s.tool == toolSelect)
        finishSelection(s);
    endDragFeedback(s);
    if (s.tool == toolLine || s.tool == toolRectangle || s.tool == toolEllipse)
        drawShape(s);
    if (isAnnotation(s.tool))
        drawAnnotationTool(s, annotationEnd(s, end));
    if (s.tool == toolPencil)
        keepDrawingStep(s, {annotationPencil, s.strokePoints, s.strokeCount, nullptr, 0, unwrappedRoom});
    endStep(s.history);
}

}  // namespace

// Drawn as its finished record draws, so the preview, the step and the
// record cannot differ.
void drawToolShape(ImageHolder* holder, const EditorState& s, POINT a, POINT b) {
    POINT ends[2] = {a, b};
    Annotation shape = {};
    if (!twoPointKind(s.tool, &shape.kind))
        return;
    shape.points = ends;
    shape.pointCount = 2;
    shape.penColor = s.penColor;
    shape.brushColor = s.brushColor;
    shape.penWidth = s.penWidth;
    drawAnnotation(holder, shape, 0);
}

RECT normalisedRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    return {x1 < x2 ? x1 : x2, y1 < y2 ? y1 : y2, x1 < x2 ? x2 : x1, y1 < y2 ? y2 : y1};
}

RECT penMarginRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t penWidth) {
    RECT r = normalisedRect(x1, y1, x2, y2);
    int32_t half = penWidth >> 1;
    return {r.left - half, r.top - half, r.right + (penWidth - half), r.bottom + (penWidth - half)};
}

void toolMouseDown(EditorState& s, LPARAM lParam) {
    POINT p = mousePoint(s, lParam);
    if (textToolsMouseDown(s, p))
        return;
    s.dragStart = s.dragEnd = p;
    s.dragging = 1;
    s.dragCancelled = 0;
    s.bandShown = 0;
    // Keys belong to the editor again once the picture is used, not to the
    // text field the user typed into last.
    SetFocus(s.window);
    // The release comes here wherever the mouse is let go.
    SetCapture(s.window);
    if (s.tool == toolSelect) {
        beginSelectionGesture(s, p);
        toggleSelectionMark(s);
    }
    if (drawsIntoPicture(s.tool))
        beginStep(s.history, s.picture);
    if (s.tool == toolPencil)
        startStroke(s, p);
    if (s.tool == toolText)
        drawText(s, p);
}

void toolMouseMove(EditorState& s, LPARAM lParam) {
    if (s.dragCancelled || !s.dragging)
        return;
    POINT p = mousePoint(s, lParam);
    if (s.tool == toolSelect || showsPreview(s.tool)) {
        removeBand(s);
        s.dragEnd = p;
        POINT end = annotationEnd(s, p);
        // Should the preview's memory not be there, the shapes fall back
        // on the band; a line shows nothing then.
        bool previewed = showsPreview(s.tool) && showAnnotationPreview(s, end);
        if (!previewed && s.tool != toolLine)
            showBand(s, end);
        showDragFeedback(s, bandRect(s, end), p);
        return;
    }
    s.dragEnd = p;
    if (s.tool != toolPencil)
        return;
    openStepIfNone(s);
    drawLine(s.picture, s.dragStart.x, s.dragStart.y, p.x, p.y, s.penColor, s.penWidth);
    addStrokePoint(s, p);
    invalidatePenMargin(s, s.dragStart, p);
    s.dragStart = p;
}

// The band on the screen is the one the last move drew, which need not end at
// the release point: it is removed as drawn. Select then marks the selection
// itself, from the start to the release point. A release acts only for the
// press of its own button that this editor saw: one whose press went to the
// toolbar, a dialog or an earlier editor would act from a stale press point.
bool toolMouseUp(EditorState& s, LPARAM lParam, bool rightButton) {
    bool ownButton = rightButton == (s.selectionView.rightButton != 0);
    if (s.dragging && !ownButton)
        return false;
    bool pressed = s.dragging != 0;
    s.dragCancelled = 0;
    if (pressed)
        finishDrag(s, mousePoint(s, lParam));
    if (GetCapture() == s.window)
        ReleaseCapture();
    return pressed;
}

bool toolDragLost(EditorState& s) {
    if (!s.dragging)
        return false;
    finishDrag(s, s.dragEnd);
    // A release that still comes later belongs to the drag just ended: like
    // one after Escape it does nothing, so it neither draws nor selects again.
    s.dragCancelled = 1;
    // Taking the capture away comes back here, with no drag left to end.
    if (GetCapture() == s.window)
        ReleaseCapture();
    return true;
}

bool cancelDrag(EditorState& s) {
    if (!s.dragging)
        return false;
    removeBand(s);
    s.dragging = 0;
    // The selection stays the one made before this drag, marked again.
    if (s.tool == toolSelect)
        toggleSelectionMark(s);
    endDragFeedback(s);
    if (s.history.open) {
        cancelStep(s.history);
        InvalidateRect(s.window, nullptr, FALSE);
    }
    s.dragCancelled = 1;
    return true;
}
