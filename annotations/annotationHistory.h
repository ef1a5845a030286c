// Undo and redo of what was done to the list of drawings: each step is one
// operation on the list (a record inserted, removed or replaced at an index),
// kept with copies of the records, so taking it back is the opposite
// operation and the picture is composed again where it changed, exact to the
// pixel. At most as many steps as the picture's own history keeps; past them
// the oldest goes, and a new step drops the steps that could be redone.
#pragma once

#include <windows.h>

#include <cstdint>

#include "../image/history.h"
#include "annotationList.h"

struct AnnotationLayer;

enum AnnotationStepKind : uint8_t { annotationInserted, annotationRemoved, annotationReplaced };

// inserted: `after` went in at index; removed: `before` came out of index;
// replaced: `before` became `after` at index.
struct AnnotationStep {
    uint8_t kind;
    int32_t index;
    Annotation before, after;
};

const int annotationStepLimit = historyStepLimit;

// Starts zeroed; clearAnnotationHistory frees its records.
struct AnnotationHistory {
    AnnotationStep steps[annotationStepLimit];
    int32_t count;   // kept steps, oldest first
    int32_t undone;  // how many of the last are undone, ready for redo
};

void clearAnnotationHistory(AnnotationHistory& history);
// Keeps the step, whose records it now owns; drops the redo steps first.
void pushAnnotationStep(AnnotationHistory& history, const AnnotationStep& step);

// The operations a user makes, each one step. *changed (may be null) is the
// part of the picture composed again, to be repainted: the union of what
// changed, empty when nothing did. An edit in progress is ended first. False
// when the index is wrong or memory ran out; the list is then as it was.
bool addAnnotation(AnnotationLayer& layer, const Annotation& annotation, RECT* changed);
bool insertAnnotation(AnnotationLayer& layer, int32_t index, const Annotation& annotation, RECT* changed);
bool deleteAnnotation(AnnotationLayer& layer, int32_t index, RECT* changed);
bool changeAnnotation(AnnotationLayer& layer, int32_t index, const Annotation& after, RECT* changed);

bool canUndoAnnotation(const AnnotationLayer& layer);
bool canRedoAnnotation(const AnnotationLayer& layer);
// Takes back the last step, or does the first undone one again.
bool undoAnnotation(AnnotationLayer& layer, RECT* changed);
bool redoAnnotation(AnnotationLayer& layer, RECT* changed);
