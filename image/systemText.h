// Text in the system's message font and numbered step markers, drawn into the
// picture through the pixel canvas, so each is recorded for undo like every
// other drawing. Unlike the bitmap text these are antialiased: GDI+ renders
// the letters' coverage into a mask of their own, and each pixel with any
// coverage becomes the ink colour laid over the picture's pixel by it.
//
// Typed text: the face of the message font (SystemParametersInfo's
// non-client metrics), regular weight, typedTextHeight pixels to the em. Its
// lines (split at '\n' and wrapped to a room) start typedTextMargin pixels
// right of and below the box's corner, one line height apart. The box reaches
// typedTextMargin pixels beyond the widest line and the last line; nothing is
// drawn outside it.
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

// The most UTF-16 units a typed text holds.
const int32_t typedTextUnitLimit = 1023;

// A typed text's letters, each measured and rendered once at one text height
// and then only laid where the layout puts it: a key in a long text costs
// the letters it adds, not the lines it moves. A letter is one UTF-16 unit or
// a surrogate pair. Each letter's ink is kept within typedInkReach beside,
// above and below its cell. Starts zeroed; forgetGlyphs frees what it keeps.
struct TypedGlyph {
    uint32_t letter;        // its code point; 0 marks a free slot
    int32_t advance;        // how far the pen moves, in pixels
    int32_t left, top;      // the ink's corner from the pen at the line's top
    int32_t width, height;  // of the ink; 0 when there is none
    uint8_t* coverage;      // width x height, row by row
};
const int32_t glyphSlots = 2048;
// Half a line height.
int32_t typedInkReach(int32_t lineHeight);
struct GlyphCache {
    int32_t textHeight;  // the height the kept letters were made at; 0 when none
    uint8_t bold;
    int32_t lineHeight;
    int32_t used;
    TypedGlyph glyphs[glyphSlots];
};
void forgetGlyphs(GlyphCache& cache);

// A text's lines as the font sets them and the room wraps them, in pixels.
// A line that would be wider than the room ends before the word that
// crosses it, or before the letter when the word alone is wider; spaces
// never cross, they hang at the line's end. A line break ends a line and is
// in none.
struct TextLine {
    int32_t start, length;  // units of the text
    int32_t width;          // trailing spaces counted up to the room only
};
struct TextLayout {
    int32_t lineHeight;
    int32_t lineCount;
    int32_t width;  // of the widest line
    TextLine lines[typedTextUnitLimit + 1];
};

// False when no font could be made: nothing can be drawn then either. A text
// beyond typedTextUnitLimit is laid out up to it.
bool layoutTypedText(const wchar_t* text, int32_t length, int32_t penWidth, int32_t room, GlyphCache& glyphs,
                     TextLayout* layout);
// The box of a text laid out so, with its corner at x, y: left and top
// inclusive, right and bottom exclusive.
RECT typedTextBox(int32_t x, int32_t y, const TextLayout& layout);
// The line a caret standing before text[caret] shows on: at a wrap, the
// line the next letter starts.
int32_t lineOfCaret(const TextLayout& layout, int32_t caret);
// Pixels from the line's start to text[at], a place within the line.
int32_t penOnLine(const wchar_t* text, const TextLine& line, int32_t at, GlyphCache& glyphs);
// From the box's corner: x of a caret before text[caret] (at most the
// line's width, where hanging spaces go on) and the top of its line.
POINT caretPoint(const wchar_t* text, const TextLayout& layout, int32_t caret, GlyphCache& glyphs);
// The caret place nearest to a point from the box's corner: on the line
// under it (the first or the last line beyond them), before the letter whose
// middle is right of it. A wrapped line's end is its next line's start, so
// past the end of a wrapped line the caret stands before its last letter.
int32_t caretAtPoint(const wchar_t* text, const TextLayout& layout, POINT point, GlyphCache& glyphs);

// Fills the box in the brush colour when its alpha is 0xFF, then draws the
// text in the pen colour as laid out; only the part of the box in the store
// box (the picture, cut to the drawing clip) is rendered. Answers the box,
// empty when nothing could be drawn.
RECT drawTypedText(ImageHolder* holder, int32_t x, int32_t y, const wchar_t* text, const TextLayout& layout,
                   uint32_t penColour, uint32_t brushColour, GlyphCache& glyphs);
// The text drawTypedText would draw at x, y over the picture's part (picture
// coordinates), given as ARGB rows pictureStride pixels apart, written into
// pixels, rows stride apart: each pixel of the part as drawTypedText leaves
// it there. opaque: the picture has no alpha, whatever its alpha bytes say.
// coverage: the caller's memory of a byte a pixel of the part, for the
// text's coverage.
bool layTypedTextOver(const uint32_t* picture, int32_t pictureStride, uint32_t* pixels, int32_t stride, const RECT& part,
                      int32_t x, int32_t y, const wchar_t* text, const TextLayout& layout, uint32_t penColour,
                      uint32_t brushColour, bool opaque, uint8_t* coverage, GlyphCache& glyphs);
// A typed text's coverage over its whole box, the box's corner at 0, 0, as
// drawTypedText renders it: laid with layTypedText at x, y it gives the very
// pixels drawTypedText gives there. Kept by what draws the same text again.
struct TextCoverage {
    uint8_t* coverage;  // width x height bytes, row by row; null for none
    int32_t width, height;
};
bool renderTypedText(const wchar_t* text, const TextLayout& layout, GlyphCache& glyphs, TextCoverage* out);
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
// The digits are the cache's, rendered once each at a radius.
bool renderMarkerNumber(uint32_t number, int32_t penWidth, GlyphCache& digits, NumberCoverage* out);
void layStepMarker(ImageHolder* holder, int32_t x, int32_t y, const NumberCoverage& number, uint32_t penColour,
                   int32_t penWidth);
void forgetNumberCoverage(NumberCoverage& number);

// The square a marker centred on x, y may touch: the disc's bounding box,
// right and bottom exclusive.
RECT stepMarkerSquare(int32_t x, int32_t y, int32_t penWidth);
// Answers the square the marker may touch: the disc's bounding box.
RECT drawStepMarker(ImageHolder* holder, int32_t x, int32_t y, uint32_t number, uint32_t penColour,
                    int32_t penWidth, GlyphCache& digits);
