// The text tool's built-in bitmap font: fixed 16 x 29 cells, one colour, ink
// only, painted pixel by pixel into the picture of an ImageHolder.
#pragma once

#include <cstddef>
#include <cstdint>

#include "capture.h"
#include "pixelCanvas.h"

const int fontFirstCode = 32;
const int fontGlyphCount = 96;
const int fontCellWidth = 16;
const int fontCellHeight = 29;

// The glyph table: fontGlyphCount glyphs in code order, fontCellHeight rows
// each, bit 15 the leftmost column, a 0 bit ink.
const uint16_t* fontGlyphTable();
size_t fontGlyphTableSize();

// Paints text (8-bit ANSI, zero-terminated) with the top-left corner of its
// first cell at x, y. Bytes below 32 as signed values leave an empty cell.
void drawBitmapText(ImageHolder* holder, int32_t x, int32_t y, uint32_t colour, const char* text);
// The cells of the text's characters, inclusive; empty for an empty text.
PixelBox bitmapTextBox(int32_t x, int32_t y, const char* text);
