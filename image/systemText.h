// Text in the system's message font and numbered step markers, drawn into the
// picture through the pixel canvas, so each is recorded for undo like every
// other drawing. Unlike the bitmap text these are antialiased: GDI+ renders
// the letters' coverage into a mask of their own, and each pixel with any
// coverage becomes the ink colour laid over the picture's pixel by it.
//
// Typed text: the face of the message font (SystemParametersInfo's
// non-client metrics), regular weight, typedTextHeight pixels to the em. Its
// lines (split at '\n') start typedTextMargin pixels right of and below the
// box's corner, one line height apart. The box reaches typedTextMargin pixels
// beyond the widest line and the last line; nothing is drawn outside it.
//
// Step marker: a disc centred on a pixel, its coverage discCoverage, holding
// its number in the same face in bold, markerRadius pixels to the em, the
// number's ink centred on the disc's centre and kept inside the disc.
#pragma once

#include <cstdint>

#include "capture.h"

const int32_t typedTextMargin = 4;

// 12 + 2 x pen width.
int32_t typedTextHeight(int32_t penWidth);
// 10 + pen width.
int32_t markerRadius(int32_t penWidth);
// Opaque white on a dark pen (0.299 R + 0.587 G + 0.114 B below 128), else
// opaque black; ARGB.
uint32_t markerNumberColour(uint32_t penColour);
// 0 to 255: how much of the pixel dx, dy from the centre the disc covers,
// the pixel's centre at distance d covered by radius + 1/2 - d, cut to 0 .. 1.
uint8_t discCoverage(int32_t dx, int32_t dy, int32_t radius);
// The colour over the picture's pixel with this much (0 to 255) of an opaque
// ink over it: alpha as "over" gives it, colour rounded half up.
uint32_t coverPixel(uint32_t pixel, uint32_t ink, uint32_t coverage);

// A text's lines as the font sets them, in pixels.
struct TextLayout {
    int32_t lineHeight;
    int32_t lineCount;  // one more than the text's '\n's
    int32_t width;      // of the widest line, trailing spaces included
    POINT caret;        // from the box's corner: x and the top of the caret's line
};

// The box of a text laid out so, with its corner at x, y: left and top
// inclusive, right and bottom exclusive.
RECT typedTextBox(int32_t x, int32_t y, const TextLayout& layout);
// The layout with a caret standing before text[caret]. False when no font
// could be made: nothing can be drawn then either.
bool layoutTypedText(const wchar_t* text, int32_t length, int32_t caret, int32_t penWidth, TextLayout* layout);

// Lines as rendered, kept between drawings of a text that changes a little at
// a time (the open text box): a line whose text and height are as before is
// not rendered again. Each line is rendered on its own, its ink kept within
// half a line height above and below its line and within the margin beside
// it, and the lines are laid over each other, so a line reads the same
// wherever it comes from. Starts zeroed; forgetLines frees what it keeps.
const int32_t cachedLineLimit = 64;
struct CachedLine {
    uint8_t* coverage;  // width x height, row by row; null when nothing is kept
    int32_t width, height;
    wchar_t* text;
    int32_t length;
    int32_t textHeight;
};
struct LineCache {
    CachedLine lines[cachedLineLimit];
};
void forgetLines(LineCache& cache);

// Fills the box in the brush colour when its alpha is 0xFF, then draws the
// text in the pen colour; only the part of the box on the picture is
// rendered. Answers the box, empty when nothing could be drawn. The cache may
// be null.
RECT drawTypedText(ImageHolder* holder, int32_t x, int32_t y, const wchar_t* text, int32_t length,
                   uint32_t penColour, uint32_t brushColour, int32_t penWidth, LineCache* cache = nullptr);
// A typed text's coverage over its whole box, the box's corner at 0, 0, as
// drawTypedText renders it: laid with layTypedText at x, y it gives the very
// pixels drawTypedText gives there. Kept by what draws the same text again.
struct TextCoverage {
    uint8_t* coverage;  // width x height bytes, row by row; null for none
    int32_t width, height;
};
bool renderTypedText(const wchar_t* text, int32_t length, int32_t penWidth, TextCoverage* out);
void layTypedText(ImageHolder* holder, int32_t x, int32_t y, const TextCoverage& ink, uint32_t penColour,
                  uint32_t brushColour);
void forgetTextCoverage(TextCoverage& ink);

// A marker's number as drawStepMarker renders it, laid over its disc by
// layStepMarker; without coverage (no font) the disc is drawn alone.
struct NumberCoverage {
    uint8_t* coverage;  // width x height bytes, row by row; null for none
    int32_t width, height;
    RECT ink;  // inclusive; left > right when the number has no ink
    uint32_t number;
    int32_t radius;
};
bool renderMarkerNumber(uint32_t number, int32_t penWidth, NumberCoverage* out);
void layStepMarker(ImageHolder* holder, int32_t x, int32_t y, const NumberCoverage& number, uint32_t penColour,
                   int32_t penWidth);
void forgetNumberCoverage(NumberCoverage& number);

// The square a marker centred on x, y may touch: the disc's bounding box,
// right and bottom exclusive.
RECT stepMarkerSquare(int32_t x, int32_t y, int32_t penWidth);
// Answers the square the marker may touch: the disc's bounding box.
RECT drawStepMarker(ImageHolder* holder, int32_t x, int32_t y, uint32_t number, uint32_t penColour,
                    int32_t penWidth);
