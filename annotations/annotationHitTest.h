// Which drawing a press takes: the topmost record with a pixel it draws
// within reach of the point, in both directions (the square of side
// 2 x reach + 1 around it). Drawn pixels are found by drawing the record
// clipped to that square with its stores watched and not carried out, so a
// record whose colour is the picture's own is found as well, and the empty
// inside of an unfilled rectangle is not part of it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "annotationRender.h"

constexpr int32_t annotationReach = 4;

// The record's index, or -1 when none draws near the point. Records whose
// bounds are farther away are passed over without drawing.
int32_t annotationAt(const AnnotationLayer& layer, POINT point, int32_t reach = annotationReach);
// Whether the record at index draws any pixel of the rectangle (right and
// bottom exclusive) on the picture.
bool annotationDrawsWithin(const AnnotationLayer& layer, int32_t index, const RECT& area);
