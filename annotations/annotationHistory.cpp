// The steps of the list's history and the user's operations that make them.
// Each operation is done on the list first and kept only when it was done,
// so a failed one leaves no step behind; undo and redo do the opposite or
// the same operation through the layer, which composes what changed.
#include "annotationHistory.h"

#include <cstring>

#include "annotationRender.h"

namespace {

void freeStep(AnnotationStep& step) {
    freeAnnotation(step.before);
    freeAnnotation(step.after);
    step = {};
}

void dropRedoSteps(AnnotationHistory& h) {
    for (int32_t i = h.count - h.undone; i < h.count; i++)
        freeStep(h.steps[i]);
    h.count -= h.undone;
    h.undone = 0;
}

void dropOldestStep(AnnotationHistory& h) {
    freeStep(h.steps[0]);
    std::memmove(&h.steps[0], &h.steps[1], sizeof(AnnotationStep) * size_t(h.count - 1));
    h.steps[h.count - 1] = {};
    h.count--;
}

// The step done (forwards) or taken back, on the list, without a new step.
bool applyStep(AnnotationLayer& layer, const AnnotationStep& step, bool forwards, RECT* changed) {
    switch (step.kind) {
    case annotationInserted:
        return forwards ? placeAnnotation(layer, step.index, step.after, changed)
                        : takeAnnotation(layer, step.index, changed);
    case annotationRemoved:
        return forwards ? takeAnnotation(layer, step.index, changed)
                        : placeAnnotation(layer, step.index, step.before, changed);
    case annotationReplaced:
        return swapAnnotation(layer, step.index, forwards ? step.after : step.before, changed);
    default:
        return false;
    }
}

// Keeps a step holding copies of the records given.
bool keepStep(AnnotationLayer& layer, uint8_t kind, int32_t index, const Annotation* before,
              const Annotation* after) {
    AnnotationStep step = {kind, index, {}, {}};
    if ((before && !copyAnnotation(*before, &step.before)) || (after && !copyAnnotation(*after, &step.after))) {
        freeStep(step);
        return false;
    }
    pushAnnotationStep(layer.history, step);
    return true;
}

void startChange(AnnotationLayer& layer, RECT* changed) {
    endAnnotationEdit(layer);
    if (changed)
        *changed = {0, 0, 0, 0};
}

}  // namespace

void clearAnnotationHistory(AnnotationHistory& h) {
    for (int32_t i = 0; i < h.count; i++)
        freeStep(h.steps[i]);
    h.count = 0;
    h.undone = 0;
}

void pushAnnotationStep(AnnotationHistory& h, const AnnotationStep& step) {
    dropRedoSteps(h);
    if (h.count == annotationStepLimit)
        dropOldestStep(h);
    h.steps[h.count++] = step;
}

bool addAnnotation(AnnotationLayer& layer, const Annotation& annotation, RECT* changed) {
    startChange(layer, changed);
    return insertAnnotation(layer, layer.count, annotation, changed);
}

// Should the step's copy fail, the change is taken back: no change is left
// that undo cannot reach.
bool insertAnnotation(AnnotationLayer& layer, int32_t index, const Annotation& annotation, RECT* changed) {
    startChange(layer, changed);
    if (!placeAnnotation(layer, index, annotation, changed))
        return false;
    if (keepStep(layer, annotationInserted, index, nullptr, &annotation))
        return true;
    takeAnnotation(layer, index, changed);
    return false;
}

bool deleteAnnotation(AnnotationLayer& layer, int32_t index, RECT* changed) {
    startChange(layer, changed);
    AnnotationStep step = {annotationRemoved, index, {}, {}};
    if (index < 0 || index >= layer.count || !copyAnnotation(layer.items[index], &step.before))
        return false;
    takeAnnotation(layer, index, changed);
    pushAnnotationStep(layer.history, step);
    return true;
}

// The record before is copied first: the swap frees it.
bool changeAnnotation(AnnotationLayer& layer, int32_t index, const Annotation& after, RECT* changed) {
    startChange(layer, changed);
    AnnotationStep step = {annotationReplaced, index, {}, {}};
    if (index < 0 || index >= layer.count || sameAnnotation(layer.items[index], after) ||
        !copyAnnotation(layer.items[index], &step.before))
        return false;
    if (!copyAnnotation(after, &step.after) || !swapAnnotation(layer, index, after, changed)) {
        freeStep(step);
        return false;
    }
    pushAnnotationStep(layer.history, step);
    return true;
}

bool canUndoAnnotation(const AnnotationLayer& layer) {
    return layer.history.count - layer.history.undone > 0;
}

bool canRedoAnnotation(const AnnotationLayer& layer) {
    return layer.history.undone > 0;
}

bool undoAnnotation(AnnotationLayer& layer, RECT* changed) {
    startChange(layer, changed);
    if (!canUndoAnnotation(layer))
        return false;
    AnnotationHistory& h = layer.history;
    if (!applyStep(layer, h.steps[h.count - h.undone - 1], false, changed))
        return false;
    h.undone++;
    return true;
}

bool redoAnnotation(AnnotationLayer& layer, RECT* changed) {
    startChange(layer, changed);
    if (!canRedoAnnotation(layer))
        return false;
    AnnotationHistory& h = layer.history;
    if (!applyStep(layer, h.steps[h.count - h.undone], true, changed))
        return false;
    h.undone--;
    return true;
}
