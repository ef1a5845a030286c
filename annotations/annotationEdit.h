// What an edit makes of a record, as pure functions from the record before
// to a new record after: moved, one end, corner or side moved as a handle
// drags it, restyled, its text replaced. The pointer tool calls these and
// hands the result to the layer; nothing here draws.
#pragma once

#include <windows.h>

#include <cstdint>

#include "annotationList.h"

// The handles of the two-corner kinds, numbered as the selection's are:
// clockwise from the top-left corner, then the sides' middles. A line and an
// arrow have two handles instead, its start (0) and its end (1).
enum AnnotationHandle : int8_t {
    annotationHandleTopLeft,
    annotationHandleTopRight,
    annotationHandleBottomRight,
    annotationHandleBottomLeft,
    annotationHandleTop,
    annotationHandleRight,
    annotationHandleBottom,
    annotationHandleLeft,
};
constexpr int annotationHandleStart = 0;
constexpr int annotationHandleEnd = 1;

// At least this many columns and rows of a record's bounds stay on the
// picture (all of them, when it has fewer), so it can always be grabbed again.
constexpr int32_t annotationGrip = 8;

// 2 for a line and an arrow, 8 for a rectangle, ellipse, highlight and
// redaction, 0 for the kinds that only move.
int annotationHandleCount(uint8_t kind);
// Where the handle is: an end; or a corner or a side's middle of the
// normalised corners.
POINT annotationHandlePoint(const Annotation& annotation, int handle);

// Each answers a new record in *out (freed by freeAnnotation), false when
// there was no memory or the edit does not apply to the kind. Moves and
// handles are cut short where the record would keep fewer than
// annotationGrip columns or rows on the width x height picture than it keeps
// now; a record keeping fewer already may still come further in.
bool movedAnnotation(const Annotation& annotation, int32_t dx, int32_t dy, int32_t width, int32_t height,
                     Annotation* out);
// The handle's end, corner or side moved by dx, dy; the opposite one stays.
// The corners come out normalised, as the tools draw them.
bool resizedAnnotation(const Annotation& annotation, int handle, int32_t dx, int32_t dy, int32_t width,
                       int32_t height, Annotation* out);
bool restyledAnnotation(const Annotation& annotation, const AnnotationStyle& style, Annotation* out);
// For the two text kinds: UTF-16 units for the typed text, bytes for the
// bitmap text, as makeAnnotation takes them.
bool retextedAnnotation(const Annotation& annotation, const void* text, int32_t length, Annotation* out);
