// Placing a numbered marker: the step is tagged with its number, so the
// history alone knows which numbers the picture shows. The digits are
// rendered once for the editor, not at each click.
#include "stepMarkers.h"

#include "../image/systemText.h"
#include "editorView.h"

namespace {

GlyphCache markerDigits = {};

}  // namespace

uint32_t nextMarkerNumber(const History& history) {
    return highestDoneTag(history) + 1;
}

// A marker wholly off the picture stores nothing: its step is dropped, and
// its number stays free.
void placeStepMarker(EditorState& s, POINT picture) {
    if (!s.picture)
        return;
    beginStep(s.history, s.picture);
    uint32_t number = nextMarkerNumber(s.history);
    RECT touched = drawStepMarker(s.picture, picture.x, picture.y, number, s.penColor, s.penWidth, markerDigits);
    tagStep(s.history, number);
    endStep(s.history);
    invalidatePictureRect(s, touched);
}

void forgetMarkerDigits() {
    forgetGlyphs(markerDigits);
}
