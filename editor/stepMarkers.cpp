// Placing a numbered marker: its number is its place among the markers the
// layer holds, so a deleted one's followers move down. The digits are
// rendered once for the editor, not at each click.
#include "stepMarkers.h"

#include "../image/systemText.h"
#include "drawingSteps.h"
#include "editorView.h"

namespace {

GlyphCache markerDigits = {};

}  // namespace

uint32_t nextMarkerNumber(const EditorState& s) {
    return markersPresent(s) + 1;
}

// A marker wholly off the picture stores nothing: its step is dropped, and
// its number stays free. The keys are the editor's once the picture is used.
void placeStepMarker(EditorState& s, POINT picture) {
    SetFocus(s.window);
    if (!s.picture)
        return;
    beginStep(s.history, s.picture);
    uint32_t number = nextMarkerNumber(s);
    drawStepMarker(s.picture, picture.x, picture.y, number, s.penColor, s.penWidth, markerDigits);
    keepDrawingStep(s, {annotationStepMarker, &picture, 1, nullptr, 0, unwrappedRoom});
}

void forgetMarkerDigits() {
    forgetGlyphs(markerDigits);
}
