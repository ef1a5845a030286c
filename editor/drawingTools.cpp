// The drawing tools' handlers in the editor's drag. The line, the shapes
// and the annotation tools show a preview of exactly what they will draw,
// falling back on the band, and paint into the picture at the release,
// repainting only the part they touched; the drawing tools keep their own
// drag points and never set the selection. Points are picture pixels,
// mapped from the window through the view.
#include "drawingTools.h"

#include <cstring>

#include "../image/annotation.h"
#include "../image/bitmapText.h"
#include "../image/drawing.h"
#include "annotationPreview.h"
#include "drawingSteps.h"
#include "toolTable.h"
#include "viewMapping.h"

namespace {

constexpr int textBufferBytes = 64;  // at most 63 characters and the zero

void invalidatePenMargin(const EditorState& s, POINT a, POINT b) {
    invalidatePictureRect(s, penMarginRect(a.x, a.y, b.x, b.y, s.penWidth));
}

// A release or move whose press the editor did not see still draws, and then
// opens the step itself, so that what it drew can be taken back too.
void openStepIfNone(EditorState& s) {
    if (!s.history.open)
        beginStep(s.history, s.picture);
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

// Where the annotation is drawn to: with Shift held the arrow keeps to a
// multiple of 45 degrees.
POINT annotationEnd(const EditorState& s, POINT mouse) {
    if (s.tool != toolArrow || GetKeyState(VK_SHIFT) >= 0)
        return mouse;
    SnapPoint snapped = snapTo45(s.dragStart.x, s.dragStart.y, mouse.x, mouse.y);
    return {LONG(snapped.x), LONG(snapped.y)};
}

// The head reaches L * tan 28 degrees (less than L) aside from the shaft's
// line, and never beyond its ends along it.
RECT arrowMarginRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t penWidth) {
    RECT r = penMarginRect(x1, y1, x2, y2, penWidth);
    int32_t head = arrowHeadLength(penWidth);
    return {r.left - head, r.top - head, r.right + head, r.bottom + head};
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

RECT penMarginRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t penWidth) {
    RECT r = normalisedRect(x1, y1, x2, y2);
    int32_t half = penWidth >> 1;
    return {r.left - half, r.top - half, r.right + (penWidth - half), r.bottom + (penWidth - half)};
}

void pencilMove(EditorState& s, POINT p) {
    openStepIfNone(s);
    drawLine(s.picture, s.dragStart.x, s.dragStart.y, p.x, p.y, s.penColor, s.penWidth);
    addStrokePoint(s, p);
    invalidatePenMargin(s, s.dragStart, p);
    s.dragStart = p;
}

void pencilRelease(EditorState& s, POINT) {
    keepDrawingStep(s, {annotationPencil, s.strokePoints, s.strokeCount, nullptr, 0, unwrappedRoom});
}

void bitmapTextPress(EditorState& s, POINT p) {
    openStepIfNone(s);
    char text[textBufferBytes] = {};
    GetWindowTextA(s.textEdit, text, textBufferBytes);
    drawBitmapText(s.picture, p.x, p.y, s.penColor, text);
    auto n = LONG(std::strlen(text));
    invalidatePictureRect(s, {p.x, p.y, p.x + 16 * n + 16, p.y + 30});
    keepDrawingStep(s, {annotationBitmapText, &p, 1, text, int32_t(std::strlen(text)), unwrappedRoom});
}

// Should the preview's memory not be there, the shapes fall back on the
// band; a line shows nothing then.
void shapeMove(EditorState& s, POINT p) {
    removeDragBand(s);
    POINT end = annotationEnd(s, p);
    bool previewed = showAnnotationPreview(s, end);
    RECT band = normalisedRect(s.dragStart.x, s.dragStart.y, end.x, end.y);
    if (!previewed && s.tool != toolLine)
        showDragBand(s, band);
    showDragFeedback(s, band);
}

void shapeRelease(EditorState& s, POINT end) {
    openStepIfNone(s);
    POINT a = s.dragStart;
    POINT b = annotationEnd(s, end);
    drawToolShape(s.picture, s, a, b);
    if (s.tool == toolArrow)
        invalidatePictureRect(s, arrowMarginRect(a.x, a.y, b.x, b.y, s.penWidth));
    else
        invalidatePenMargin(s, a, b);
    uint8_t kind = annotationLine;
    twoPointKind(s.tool, &kind);
    POINT ends[2] = {a, b};
    keepDrawingStep(s, {kind, ends, 2, nullptr, 0, unwrappedRoom});
}

void areaRelease(EditorState& s, POINT end) {
    openStepIfNone(s);
    RECT r = normalisedRect(s.dragStart.x, s.dragStart.y, end.x, end.y);
    bool highlight = s.tool == toolHighlighter;
    if (highlight)
        drawHighlight(s.picture, r.left, r.top, r.right, r.bottom, highlighterColour);
    else
        drawRedaction(s.picture, r.left, r.top, r.right, r.bottom, redactionBlockSide(s.penWidth));
    invalidatePictureRect(s, r);
    POINT ends[2] = {s.dragStart, end};
    keepDrawingStep(s, {highlight ? annotationHighlight : annotationRedaction, ends, 2, nullptr, 0, unwrappedRoom});
}
