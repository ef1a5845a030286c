// Records of drawings: made and copied with their own memory, their bounds
// worked out from the very boxes the primitives lock, and drawn by the
// primitive each tool calls, with its arguments.
#include "annotationList.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "../image/annotation.h"
#include "../image/bitmapText.h"
#include "../image/drawing.h"
#include "../image/systemText.h"

struct AnnotationInk {
    TextCoverage text;
    NumberCoverage number;
    RedactionBlocks blocks;
    size_t bytes;  // of what is kept
};

namespace {

const RECT noRect = {0, 0, 0, 0};

// What every kept ink takes together.
size_t keptInkBytes = 0;

bool keepsInk(uint8_t kind) {
    return kind == annotationTypedText || kind == annotationStepMarker || kind == annotationRedaction;
}

bool inkFits(const ImageHolder* holder, size_t bytes) {
    return keptInkBytes + bytes <= size_t(imageWidth(holder)) * size_t(imageHeight(holder)) * 4;
}

void keepBytes(AnnotationInk& ink, size_t bytes, bool kept) {
    ink.bytes = kept ? ink.bytes + bytes : ink.bytes - bytes;
    keptInkBytes = kept ? keptInkBytes + bytes : keptInkBytes - bytes;
}

// The letters and the number's digits, rendered once each for every record.
GlyphCache textGlyphs = {};
GlyphCache digitGlyphs = {};

// The typed text laid out at its room; false without a font.
bool layOut(const Annotation& a, TextLayout* layout) {
    return a.textLength > 0 && layoutTypedText(a.text, a.textLength, a.penWidth, a.room, textGlyphs, layout);
}

// Rendered once and kept when there is room; a text that cannot be rendered
// here goes to the primitive itself.
void drawKeptText(ImageHolder* holder, const Annotation& a) {
    AnnotationInk* ink = a.ink;
    TextCoverage scratch = {};
    const TextCoverage* use = ink && ink->text.coverage ? &ink->text : nullptr;
    if (!use) {
        static TextLayout layout;
        if (!layOut(a, &layout))
            return;
        if (!renderTypedText(a.text, layout, textGlyphs, &scratch)) {
            forgetTextCoverage(scratch);
            drawTypedText(holder, a.points[0].x, a.points[0].y, a.text, layout, a.penColor, a.brushColor,
                          textGlyphs);
            return;
        }
        size_t bytes = size_t(scratch.width) * size_t(scratch.height);
        if (ink && inkFits(holder, bytes)) {
            ink->text = scratch;
            scratch = {};
            keepBytes(*ink, bytes, true);
        }
        use = ink && ink->text.coverage ? &ink->text : &scratch;
    }
    layTypedText(holder, a.points[0].x, a.points[0].y, *use, a.penColor, a.brushColor);
    forgetTextCoverage(scratch);
}

void forgetNumber(AnnotationInk& ink) {
    keepBytes(ink, size_t(ink.number.width) * size_t(ink.number.height), false);
    forgetNumberCoverage(ink.number);
}

// The number is kept for the number it shows; another number renders again.
void drawKeptMarker(ImageHolder* holder, const Annotation& a, uint32_t number) {
    AnnotationInk* ink = a.ink;
    NumberCoverage scratch = {};
    const NumberCoverage* use = ink && ink->number.coverage && ink->number.number == number ? &ink->number : nullptr;
    if (!use) {
        renderMarkerNumber(number, a.penWidth, digitGlyphs, &scratch);
        size_t bytes = size_t(scratch.width) * size_t(scratch.height);
        if (ink && scratch.coverage && inkFits(holder, bytes)) {
            forgetNumber(*ink);
            ink->number = scratch;
            scratch = {};
            keepBytes(*ink, bytes, true);
        }
        use = ink && ink->number.coverage && ink->number.number == number ? &ink->number : &scratch;
    }
    layStepMarker(holder, a.points[0].x, a.points[0].y, *use, a.penColor, a.penWidth);
    forgetNumberCoverage(scratch);
}

void forgetBlocks(AnnotationInk& ink) {
    keepBytes(ink, sizeof(uint32_t) * size_t(ink.blocks.across) * size_t(ink.blocks.down), false);
    forgetRedactionBlocks(ink.blocks);
}

// Blocks worked out beforehand are laid as they are; without them the
// redaction reads its ring from the holder, as its tool's drawing does.
void drawRedactionKept(ImageHolder* holder, const Annotation& a) {
    RECT r = cornersRect(a);
    if (a.ink && a.ink->blocks.colours)
        layRedaction(holder, r.left, r.top, r.right, r.bottom, redactionBlockSide(a.penWidth), a.ink->blocks);
    else
        drawRedaction(holder, r.left, r.top, r.right, r.bottom, redactionBlockSide(a.penWidth));
}

void freeInk(AnnotationInk* ink) {
    if (!ink)
        return;
    keptInkBytes -= ink->bytes;
    forgetTextCoverage(ink->text);
    forgetNumberCoverage(ink->number);
    forgetRedactionBlocks(ink->blocks);
    std::free(ink);
}

// Right and bottom exclusive; an empty box gives the empty rectangle.
RECT rectOfBox(const PixelBox& box) {
    if (box.left > box.right || box.top > box.bottom)
        return noRect;
    return {LONG(box.left), LONG(box.top), LONG(box.right + 1), LONG(box.bottom + 1)};
}

bool keepsText(uint8_t kind) {
    return kind == annotationBitmapText || kind == annotationTypedText;
}

// The text kinds keep a zero after their text, so the bitmap text goes to its
// primitive as the text field gave it.
bool copyText(uint8_t kind, const void* text, int32_t length, Annotation& to) {
    if (!keepsText(kind))
        return true;
    if (length < 0 || (length > 0 && !text) || (kind == annotationBitmapText && length > bitmapTextLimit))
        return false;
    size_t unit = kind == annotationBitmapText ? sizeof(char) : sizeof(wchar_t);
    void* copy = std::calloc(size_t(length) + 1, unit);
    if (!copy)
        return false;
    if (length > 0)
        std::memcpy(copy, text, size_t(length) * unit);
    if (kind == annotationBitmapText)
        to.bytes = static_cast<char*>(copy);
    else
        to.text = static_cast<wchar_t*>(copy);
    to.textLength = length;
    return true;
}

PixelBox pencilBox(const Annotation& a) {
    PixelBox box = {0, 0, -1, -1};
    for (int32_t i = 0; i + 1 < a.pointCount; i++) {
        PixelBox segment = lineBox(a.points[i].x, a.points[i].y, a.points[i + 1].x, a.points[i + 1].y, a.penWidth);
        if (segment.left > segment.right)
            continue;
        box = box.left > box.right ? segment : uniteBoxes(box, segment);
    }
    return box;
}

// Highlight and redaction cover columns left .. right - 1 and rows top ..
// bottom - 1 of their normalised corners.
RECT areaBounds(const RECT& r) {
    return r.left == r.right || r.top == r.bottom ? noRect : r;
}

RECT typedTextBounds(const Annotation& a) {
    static TextLayout layout;
    if (!layOut(a, &layout))
        return noRect;
    return typedTextBox(a.points[0].x, a.points[0].y, layout);
}

RECT boundsOf(const Annotation& a) {
    const POINT* p = a.points;
    RECT r = cornersRect(a);
    switch (a.kind) {
    case annotationPencil:
        return rectOfBox(pencilBox(a));
    case annotationLine:
        return rectOfBox(lineBox(p[0].x, p[0].y, p[1].x, p[1].y, a.penWidth));
    case annotationRectangle:
        return rectOfBox(rectangleBox(r.left, r.top, r.right, r.bottom, a.brushColor, a.penWidth));
    case annotationEllipse:
        return rectOfBox(ellipseBox(r.left, r.top, r.right, r.bottom, a.brushColor, a.penWidth));
    case annotationBitmapText:
        return rectOfBox(bitmapTextBox(p[0].x, p[0].y, a.bytes));
    case annotationArrow:
        return rectOfBox(arrowBox(p[0].x, p[0].y, p[1].x, p[1].y, a.penWidth));
    case annotationHighlight:
    case annotationRedaction:
        return areaBounds(r);
    case annotationTypedText:
        return typedTextBounds(a);
    case annotationStepMarker:
        return stepMarkerSquare(p[0].x, p[0].y, a.penWidth);
    default:
        return noRect;
    }
}

}  // namespace

int32_t annotationPointCount(uint8_t kind) {
    static const int32_t counts[annotationKindCount] = {0, 2, 2, 2, 1, 2, 2, 2, 1, 1};
    return kind < annotationKindCount ? counts[kind] : -1;
}

RECT cornersRect(const Annotation& a) {
    if (a.pointCount < 2)
        return noRect;
    POINT p = a.points[0], q = a.points[1];
    return {std::min(p.x, q.x), std::min(p.y, q.y), std::max(p.x, q.x), std::max(p.y, q.y)};
}

namespace {

// The record's own copies, its bounds left to the caller.
bool fillRecord(uint8_t kind, const POINT* points, int32_t pointCount, const AnnotationStyle& style,
                const void* text, int32_t textLength, Annotation* out) {
    *out = {};
    int32_t wanted = annotationPointCount(kind);
    if (wanted < 0 || !points || pointCount < 1 || (wanted > 0 && pointCount != wanted))
        return false;
    out->kind = kind;
    // Without memory for it the record draws through its primitive each time.
    if (keepsInk(kind))
        out->ink = static_cast<AnnotationInk*>(std::calloc(1, sizeof(AnnotationInk)));
    out->points = static_cast<POINT*>(std::malloc(sizeof(POINT) * size_t(pointCount)));
    if (!out->points || !copyText(kind, text, textLength, *out)) {
        freeAnnotation(*out);
        return false;
    }
    std::memcpy(out->points, points, sizeof(POINT) * size_t(pointCount));
    out->pointCount = pointCount;
    out->penColor = style.penColor;
    out->brushColor = style.brushColor;
    out->penWidth = style.penWidth;
    out->room = unwrappedRoom;
    return true;
}

}  // namespace

bool makeAnnotation(uint8_t kind, const POINT* points, int32_t pointCount, const AnnotationStyle& style,
                    const void* text, int32_t textLength, Annotation* out) {
    if (!fillRecord(kind, points, pointCount, style, text, textLength, out))
        return false;
    updateBounds(*out);
    return true;
}

// The bounds come along: working them out again would lay a typed text out.
bool copyAnnotation(const Annotation& from, Annotation* to) {
    const void* text = from.kind == annotationBitmapText ? static_cast<const void*>(from.bytes) : from.text;
    if (!fillRecord(from.kind, from.points, from.pointCount, {from.penColor, from.brushColor, from.penWidth}, text,
                    from.textLength, to))
        return false;
    to->room = from.room;
    to->bounds = from.bounds;
    return true;
}

void freeAnnotation(Annotation& a) {
    freeInk(a.ink);
    std::free(a.points);
    std::free(a.bytes);
    std::free(a.text);
    a = {};
}

void updateBounds(Annotation& a) {
    a.bounds = boundsOf(a);
}

bool sameAnnotation(const Annotation& a, const Annotation& b) {
    if (a.kind != b.kind || a.pointCount != b.pointCount || a.penColor != b.penColor ||
        a.brushColor != b.brushColor || a.penWidth != b.penWidth || a.textLength != b.textLength || a.room != b.room)
        return false;
    if (a.pointCount > 0 && std::memcmp(a.points, b.points, sizeof(POINT) * size_t(a.pointCount)) != 0)
        return false;
    if (a.bytes && std::memcmp(a.bytes, b.bytes, size_t(a.textLength)) != 0)
        return false;
    return !a.text || std::memcmp(a.text, b.text, sizeof(wchar_t) * size_t(a.textLength)) == 0;
}

void drawAnnotation(ImageHolder* holder, const Annotation& a, uint32_t markerNumber) {
    const POINT* p = a.points;
    RECT r = cornersRect(a);
    switch (a.kind) {
    case annotationPencil:
        for (int32_t i = 0; i + 1 < a.pointCount; i++)
            drawLine(holder, p[i].x, p[i].y, p[i + 1].x, p[i + 1].y, a.penColor, a.penWidth);
        return;
    case annotationLine:
        drawLine(holder, p[0].x, p[0].y, p[1].x, p[1].y, a.penColor, a.penWidth);
        return;
    case annotationRectangle:
        drawRectangle(holder, r.left, r.top, r.right, r.bottom, a.penColor, a.brushColor, a.penWidth);
        return;
    case annotationEllipse:
        drawEllipse(holder, r.left, r.top, r.right, r.bottom, a.penColor, a.brushColor, a.penWidth);
        return;
    case annotationBitmapText:
        drawBitmapText(holder, p[0].x, p[0].y, a.penColor, a.bytes);
        return;
    case annotationArrow:
        drawArrow(holder, p[0].x, p[0].y, p[1].x, p[1].y, a.penColor, a.penWidth);
        return;
    case annotationHighlight:
        drawHighlight(holder, r.left, r.top, r.right, r.bottom, highlighterColour);
        return;
    case annotationRedaction:
        drawRedactionKept(holder, a);
        return;
    case annotationTypedText:
        drawKeptText(holder, a);
        return;
    case annotationStepMarker:
        drawKeptMarker(holder, a, markerNumber);
        return;
    default:
        return;
    }
}

bool keepsRedactionBlocks(const Annotation& a) {
    return a.ink && a.ink->blocks.colours;
}

void keepRedactionBlocks(const ImageHolder* holder, const Annotation& a) {
    if (!a.ink || a.kind != annotationRedaction)
        return;
    forgetBlocks(*a.ink);
    RECT r = cornersRect(a);
    RedactionBlocks blocks = {};
    redactionBlocks(holder, r.left, r.top, r.right, r.bottom, redactionBlockSide(a.penWidth), &blocks);
    size_t bytes = sizeof(uint32_t) * size_t(blocks.across) * size_t(blocks.down);
    if (!blocks.colours || !inkFits(holder, bytes)) {
        forgetRedactionBlocks(blocks);
        return;
    }
    a.ink->blocks = blocks;
    keepBytes(*a.ink, bytes, true);
}

void forgetRedactionBlocksOf(const Annotation& a) {
    if (a.ink)
        forgetBlocks(*a.ink);
}

void adoptInk(Annotation& to, Annotation& from) {
    if (!to.ink || !from.ink || to.kind != from.kind || to.penWidth != from.penWidth || to.room != from.room)
        return;
    bool sameText = to.textLength == from.textLength &&
                    (to.textLength == 0 ||
                     std::memcmp(to.text, from.text, sizeof(wchar_t) * size_t(to.textLength)) == 0);
    RECT a = cornersRect(to), b = cornersRect(from);
    bool samePlace = a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    if ((to.kind == annotationTypedText && !sameText) || (to.kind == annotationRedaction && !samePlace))
        return;
    AnnotationInk* kept = to.ink;
    to.ink = from.ink;
    from.ink = kept;
}

bool rectanglesMeet(const RECT& a, const RECT& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

RECT uniteRects(const RECT& a, const RECT& b) {
    if (a.left >= a.right || a.top >= a.bottom)
        return b;
    if (b.left >= b.right || b.top >= b.bottom)
        return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}
