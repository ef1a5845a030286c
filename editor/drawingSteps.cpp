// Finished drawing steps into records of the layer; see drawingSteps.h.
#include "drawingSteps.h"

#include <cstdlib>

#include "viewMapping.h"

namespace {

// The step's pixels, stored into the picture or about to be: a failed step
// has drawn without keeping them, and counts as drawn.
bool stepStored(const History& history) {
    return history.open && (history.current.count > 0 || history.failed);
}

}  // namespace

void keepDrawingStep(EditorState& s, const DrawnStep& step) {
    bool stored = stepStored(s.history);
    Annotation record = {};
    AnnotationStyle style = {s.penColor, s.brushColor, s.penWidth};
    if (!stored || !s.picture) {
        cancelStep(s.history);
        return;
    }
    // Without memory for the record the tool's pixels stay as drawn, and go
    // into the picture beneath the records too, so that no later composition
    // of that part takes them away: kept, though no longer editable.
    if (!makeAnnotation(step.kind, step.points, step.pointCount, style, step.text, step.textLength, &record)) {
        keepStepIn(s.history, s.layer.base.bitmap);
        return;
    }
    cancelStep(s.history);
    if (step.room != record.room) {
        record.room = step.room;
        updateBounds(record);
    }
    RECT changed = {};
    // Without memory for the list the drawing still shows, and goes beneath
    // the records as above.
    if (!addAnnotation(s.layer, record, &changed)) {
        drawAnnotation(s.picture, record, markersPresent(s) + 1);
        if (s.layer.base.bitmap)
            drawAnnotation(&s.layer.base, record, markersPresent(s) + 1);
        changed = record.bounds;
    }
    invalidatePictureRect(s, changed);
    freeAnnotation(record);
}

void startStroke(EditorState& s, POINT p) {
    s.strokeCount = 0;
    addStrokePoint(s, p);
}

// A stroke whose memory runs out keeps the points it has.
void addStrokePoint(EditorState& s, POINT p) {
    if (s.strokeCount == s.strokeCapacity) {
        int32_t capacity = s.strokeCapacity ? s.strokeCapacity * 2 : 256;
        auto* grown = static_cast<POINT*>(std::realloc(s.strokePoints, sizeof(POINT) * size_t(capacity)));
        if (!grown)
            return;
        s.strokePoints = grown;
        s.strokeCapacity = capacity;
    }
    s.strokePoints[s.strokeCount++] = p;
}

void freeStroke(EditorState& s) {
    std::free(s.strokePoints);
    s.strokePoints = nullptr;
    s.strokeCount = s.strokeCapacity = 0;
}

void openDrawingLayer(EditorState& s) {
    closeDrawingLayer(s);
    if (s.picture)
        openAnnotationLayer(s.layer, s.picture);
}

void closeDrawingLayer(EditorState& s) {
    closeAnnotationLayer(s.layer);
    s.layer = {};
}

uint32_t markersPresent(const EditorState& s) {
    uint32_t count = 0;
    for (int32_t i = 0; i < s.layer.count; i++)
        count += s.layer.items[i].kind == annotationStepMarker ? 1 : 0;
    return count;
}
