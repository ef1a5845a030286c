// Annotation primitives: an arrow, a highlighter stroke and a redaction, drawn
// through the same pixel canvas as the other primitives, so each is recorded
// for undo and locks its box once. Their pixels are fixed exactly, as below.
//
// Arrow: the shaft is drawLine from the press point (x1, y1) to the head's
// base, in the colour and width given; the head is a filled triangle in the
// same colour with its tip on the release point (x2, y2).
//   - Head length L = 3 * width + 6 pixels, half-angle 28 degrees. Working in
//     double precision with a pixel's centre at its integer coordinates:
//     d = |(x2, y2) - (x1, y1)|, u = ((x2 - x1) / d, (y2 - y1) / d),
//     n = (-u.y, u.x), tip T = (x2, y2), base centre B = T - L * u, base
//     corners C1 = B + h * n and C2 = B - h * n with h = L * tan(28 degrees).
//   - Pixel (px, py) belongs to the head when the three edge functions
//     cross(C1 - T, P - T), cross(C2 - C1, P - C1), cross(T - C2, P - C2) with
//     P = (px, py) are all >= 0 or all <= 0: a pixel centre on an edge counts
//     as inside (the base column of an axis-parallel arrow is painted whole).
//     Only pixels between the floor of the corners' least and the ceiling of
//     their greatest coordinate are examined; no pixel outside can be inside.
//   - The shaft ends at B rounded to the nearest pixel, halves away from zero
//     (std::lround of each coordinate).
//   - When d < L the head is left out and the shaft runs from the press to the
//     release point: exactly drawLine's pixels. Width 0 or less paints nothing.
//
// Highlighter and redaction take two corners in any order and cover the
// normalised rectangle as the selection and the focus rectangle do: columns
// left .. right - 1 and rows top .. bottom - 1, so a rectangle with no extent
// in either direction covers nothing. Parts outside the picture are cut off.
//
// Highlighter: each covered pixel becomes the per-channel minimum of its red,
// green and blue and those of the marker colour; its alpha stays its own. A
// second stroke over the first changes nothing more.
//
// Redaction: the rectangle is tiled by blockSide x blockSide blocks starting
// at its top-left corner (left, top), whether that lies inside the picture or
// not; blocks at the right and bottom are cut at the rectangle. Its ring is
// row top - 1, row bottom, column left - 1 and column right, only where they
// lie inside the picture. A block's colour is the per-channel mean, alpha
// included, rounded half up ((sum + n / 2) / n), of the ring pixels on the two
// ring rows in the block's columns and on the two ring columns in the block's
// rows (block columns and rows cut to the rectangle and the picture; the
// ring's four corner pixels are never used). A block with no ring pixel, which
// happens only when the rectangle covers the whole picture, is 0xFF808080. No
// pixel inside the rectangle is read. blockSide below 1 paints nothing.
#pragma once

#include <cstdint>

#include "capture.h"
#include "pixelCanvas.h"

const uint32_t highlighterColour = 0xFFFFFF00;
const uint32_t redactionGrey = 0xFF808080;

void drawArrow(ImageHolder* holder, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t width);
// The shaft's box and the head's (inclusive): every pixel the arrow may paint.
PixelBox arrowBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t width);
void drawHighlight(ImageHolder* holder, int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour);
void drawRedaction(ImageHolder* holder, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t blockSide);

// A redaction's block colours over the picture, as drawRedaction works them
// out from the ring it finds in the holder; laid with layRedaction they give
// drawRedaction's very pixels, so a drawing kept to be drawn again need not
// read its ring again while the ring beneath it stays as it was.
struct RedactionBlocks {
    uint32_t* colours;   // across x down, row by row; null for none
    int64_t left, top;   // the first block's corner, on the rectangle's grid of blocks
    int32_t across, down;
};
bool redactionBlocks(const ImageHolder* holder, int32_t left, int32_t top, int32_t right, int32_t bottom,
                     int32_t blockSide, RedactionBlocks* out);
void layRedaction(ImageHolder* holder, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t blockSide,
                  const RedactionBlocks& blocks);
void forgetRedactionBlocks(RedactionBlocks& blocks);

// 3 * width + 6.
int32_t arrowHeadLength(int32_t width);
// max(12, 4 * penWidth): the block side the redaction tool uses.
int32_t redactionBlockSide(int32_t penWidth);

struct SnapPoint {
    int32_t x, y;
};

// The end point of a drag from (x1, y1) towards (x2, y2) kept to a multiple of
// 45 degrees (Shift held). With a = |x2 - x1| and b = |y2 - y1|: horizontal,
// (x2, y1), when (a + b)^2 < 2 a^2 (b below a * tan 22.5 degrees); vertical,
// (x1, y2), when (a + b)^2 < 2 b^2; otherwise diagonal, s = (a + b + 1) / 2
// pixels along both axes in the drag's directions (the drag projected on the
// diagonal, rounded half up). Exact in 64-bit integers. A diagonal end may lie
// beyond the picture, which the primitives cut off.
SnapPoint snapTo45(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
