// One drawing as a record that can be drawn again: what each drawing tool
// made, kept with everything its primitive takes, so that moving, resizing,
// restyling or retyping it is drawing the changed record where the old one
// was. Drawing a record is calling the very primitive the tool calls, with the
// very arguments it passes, so a picture whose drawings were never edited is
// the picture the tools drew. Records are deep copies in malloc'd memory,
// freed by freeAnnotation; a layer of them knows no window.
#pragma once

#include <windows.h>

#include <cstdint>

#include "../image/capture.h"

// One kind a drawing step of the editor: what it keeps in points and text.
enum AnnotationKind : uint8_t {
    annotationPencil,       // every point of the stroke; a line from each to the next
    annotationLine,         // start, end
    annotationRectangle,    // two corners as dragged
    annotationEllipse,      // two corners as dragged
    annotationBitmapText,   // the corner; the bytes of the text field, at most 63
    annotationArrow,        // start, end as drawn (after the 45-degree snap)
    annotationHighlight,    // two corners as dragged
    annotationRedaction,    // two corners as dragged; the block side from the pen width
    annotationTypedText,    // the corner; UTF-16 text
    annotationStepMarker,   // the centre; its number is its place among the markers
    annotationKindCount,
};

// What was rendered for a typed text or a marker (its letters' or number's
// coverage), or worked out for a redaction (its blocks' colours), kept with a
// record in the list so drawing it again lays the same pixels without
// rendering; never copied with the record.
struct AnnotationInk;

// The bytes of the text tool's field, as it reads them.
constexpr int32_t bitmapTextLimit = 63;

struct Annotation {
    uint8_t kind;
    POINT* points;
    int32_t pointCount;
    uint32_t penColor, brushColor;  // ARGB, as the editor passes them; a brush of alpha 0 fills nothing
    int32_t penWidth;
    char* bytes;     // the bitmap text, zero-terminated; null for other kinds
    wchar_t* text;   // the typed text, zero-terminated; null for other kinds
    int32_t textLength;  // units of text (or bytes of bytes)
    int32_t room;    // the typed text's width it wraps at, as its box had it; unwrappedRoom by default
    RECT bounds;     // every pixel the drawing may paint, right and bottom exclusive; empty for none
    AnnotationInk* ink;  // for a typed text, a marker or a redaction; null for the others
};

// A typed text made without a room of its own wraps only at its line breaks.
constexpr int32_t unwrappedRoom = 1 << 30;

// What makeAnnotation takes, apart from the points.
struct AnnotationStyle {
    uint32_t penColor, brushColor;
    int32_t penWidth;
};

// A new record with its own copies of the points and the text, its bounds
// worked out. The text is bytes (char) for the bitmap text and UTF-16 for the
// typed text; the others take none. False, with *out empty, when the memory
// or the counts are wrong for the kind.
bool makeAnnotation(uint8_t kind, const POINT* points, int32_t pointCount, const AnnotationStyle& style,
                    const void* text, int32_t textLength, Annotation* out);
bool copyAnnotation(const Annotation& from, Annotation* to);
// Frees the points and the text and empties the record; an empty one is fine.
void freeAnnotation(Annotation& annotation);
// Works the bounds out again from the points, the style and the text.
void updateBounds(Annotation& annotation);
// The same drawing: kind, points, style and text.
bool sameAnnotation(const Annotation& a, const Annotation& b);

// How many points each kind keeps; 0 for the pencil, which keeps any number.
int32_t annotationPointCount(uint8_t kind);
// The normalised rectangle of a two-corner kind, as the tools normalise it.
RECT cornersRect(const Annotation& annotation);

// Draws the record as its tool draws it, by the same primitive with the same
// arguments. A marker draws the number given: its place among the markers.
// A typed text or a marker renders its letters once and keeps them while all
// kept ink together takes no more than one copy of the picture; beyond that
// it is rendered at each drawing, as the tool renders it.
void drawAnnotation(ImageHolder* holder, const Annotation& annotation, uint32_t markerNumber);
// Takes over what was rendered for `from` when it still draws `to`: the
// same text, marker or redaction's place, at the same pen width.
void adoptInk(Annotation& to, Annotation& from);
// A redaction's blocks are worked out only where its ring in the holder is
// what lies beneath it (the layer knows where), and kept within the same
// room as the rendered text; drawAnnotation lays kept blocks as they are.
void keepRedactionBlocks(const ImageHolder* holder, const Annotation& redaction);
bool keepsRedactionBlocks(const Annotation& redaction);
void forgetRedactionBlocksOf(const Annotation& redaction);

bool rectanglesMeet(const RECT& a, const RECT& b);
RECT uniteRects(const RECT& a, const RECT& b);
