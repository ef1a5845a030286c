// A drawing step ends as a record in the layer of drawings: the tool draws
// into the picture while it works (the pencil as it goes, the text tool at
// its press), the picture's own history holding those pixels, and at the
// end the pixels are put back and the record is drawn in their place by the
// same primitive, so what the user sees does not change and the drawing
// stays editable.
#pragma once

#include <windows.h>

#include <cstdint>

#include "editorState.h"

// What the finished step drew, as a record. A step that stored no pixel (a
// drawing wholly off the picture) keeps nothing, so undo has nothing to take.
struct DrawnStep {
    uint8_t kind;
    const POINT* points;
    int32_t pointCount;
    const void* text;
    int32_t textLength;
    int32_t room;  // the typed text's; unwrappedRoom for the others
};
void keepDrawingStep(EditorState& s, const DrawnStep& step);

// The pencil's points: the press starts them, each move adds one.
void startStroke(EditorState& s, POINT p);
void addStrokePoint(EditorState& s, POINT p);
void freeStroke(EditorState& s);

// The layer follows the editor's picture: opened on it, closed when it goes.
void openDrawingLayer(EditorState& s);
void closeDrawingLayer(EditorState& s);
// Markers present, so the next one takes the number after them.
uint32_t markersPresent(const EditorState& s);
