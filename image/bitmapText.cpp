// Bitmap text: every character of the text takes one 16-pixel cell, and each
// ink bit of its glyph is one pixel store into the text's box, locked once.
// Pixels outside the picture are left out.
#include "bitmapText.h"

#include <cstddef>
#include <cstring>
#include <iterator>

#include "pixelCanvas.h"

static const uint16_t fontGlyphs[96 * 29] = {
#include "fontGlyphs.inc"
};
static_assert(std::size(fontGlyphs) == size_t(fontGlyphCount) * fontCellHeight);

namespace {

void drawGlyph(const PixelCanvas& canvas, int64_t left, int64_t top, uint32_t colour, int code) {
    const uint16_t* rows = fontGlyphs + ptrdiff_t(code - fontFirstCode) * fontCellHeight;
    for (int r = 0; r < fontCellHeight; r++) {
        for (int bit = 15; bit >= 0; bit--) {
            if ((rows[r] & (1u << bit)) == 0)
                setPixel(canvas, left + 15 - bit, top + r, colour);
        }
    }
}

}  // namespace

const uint16_t* fontGlyphTable() {
    return fontGlyphs;
}

size_t fontGlyphTableSize() {
    return std::size(fontGlyphs);
}

PixelBox bitmapTextBox(int32_t x, int32_t y, const char* text) {
    if (!text || !*text)
        return {0, 0, -1, -1};
    int64_t cells = int64_t(std::strlen(text));
    return {x, y, x + fontCellWidth * cells - 1, int64_t(y) + fontCellHeight - 1};
}

void drawBitmapText(ImageHolder* holder, int32_t x, int32_t y, uint32_t colour, const char* text) {
    if (!text || !*text)
        return;
    CanvasLock lock(holder, bitmapTextBox(x, y, text));
    const PixelCanvas& canvas = lock;
    for (int64_t k = 0; text[k]; k++) {
        // Bytes 128..255, the letters outside ASCII, have no glyph and are
        // skipped like the control codes; so is a cell beside the store box.
        int code = static_cast<unsigned char>(text[k]);
        int64_t left = x + fontCellWidth * k;
        if (code < fontFirstCode || code >= fontFirstCode + fontGlyphCount || left > canvas.stores.right ||
            left + fontCellWidth <= canvas.stores.left)
            continue;
        drawGlyph(canvas, x + fontCellWidth * k, y, colour, code);
    }
}
