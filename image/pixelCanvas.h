// The one road every drawn pixel takes: an operation locks its bounding box of
// the picture once (32-bit ARGB, read and write), stores its pixels into that
// memory and unlocks once, instead of one GDI+ call per pixel. Stores outside
// the store box, which holds only pixels of the picture, are left out; while a
// drawing clip lives, the store box is cut to it too, so any operation can
// repaint part of the picture with the very pixels it paints there whole.
// While a history step is open, the first store into a tile saves the tile
// first.
// A premultiplied picture is locked in its own format: a round trip through
// plain ARGB would shift the colour of its translucent pixels that the
// operation does not touch.
#pragma once

#include <cstdint>

#include "capture.h"

struct History;

// Sees every pixel store of every operation, in order; for the tests that
// check what the primitives write, for counting stores in the benchmark and
// for finding which pixels a drawing covers. Answers the observer it replaces.
using PixelStoreObserver = void (*)(int32_t x, int32_t y, uint32_t colour);
PixelStoreObserver observePixelStores(PixelStoreObserver observer);

// Inclusive on all sides; empty when left > right or top > bottom.
struct PixelBox {
    int64_t left, top, right, bottom;
};

struct PixelCanvas {
    GpBitmap* bitmap;
    int64_t width, height;  // 0 x 0 for an empty holder: every pixel is outside
    PixelBox locked;        // the memory locked, which reads see; empty when nothing is locked
    PixelBox stores;        // the stores that count: within locked, cut to the drawing clip
    bool observeOnly;       // stores are seen by the observer and not carried out
    uint8_t* scan0;         // the locked box's top-left pixel; null: GdipBitmapSetPixel per pixel
    int64_t stride;
    History* history;    // the open step's history, or null
    uint8_t* tileSaved;  // one flag per tile for the open step, or null
    int64_t tilesAcross;
    PixelStoreObserver observer;
    struct ColourConversion* premultiply;  // for a premultiplied picture, else null
};

// The pixel format operations and the history lock a picture in.
Gdiplus::PixelFormat lockFormat(GpBitmap* bitmap);

// GDI+ itself turns the colour into the stored premultiplied value, so the
// pixel is what GdipBitmapSetPixel would have left; the last colour is kept.
struct ColourConversion {
    GpBitmap* scratch;  // 1 x 1 over value
    uint32_t value;
    uint32_t lastColour, lastValue;
    bool known;
};
uint32_t premultipliedColour(ColourConversion& conversion, uint32_t colour);

const int64_t historyTileSize = 64;

// A stamp of this width centred at position p covers p - (width >> 1) up to
// p + width - (width >> 1) - 1.
inline PixelBox stampBox(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int32_t width) {
    int64_t half = width >> 1;
    int64_t reach = width - half - 1;
    return {(x1 < x2 ? x1 : x2) - half, (y1 < y2 ? y1 : y2) - half, (x1 > x2 ? x1 : x2) + reach,
            (y1 > y2 ? y1 : y2) + reach};
}

PixelBox uniteBoxes(const PixelBox& a, const PixelBox& b);

// While one lives, every operation stores only inside its box (inclusive;
// clips made while another lives are cut to it), so a part of the picture can
// be drawn again alone. With observeOnly the stores inside are shown to the
// store observer and not carried out, and no history step records them: what
// a drawing would cover is found without changing the picture.
struct DrawingClip {
    PixelBox previous;
    bool hadClip, previousObserveOnly;
    explicit DrawingClip(const PixelBox& box, bool observeOnly = false);
    DrawingClip(const DrawingClip&) = delete;
    DrawingClip& operator=(const DrawingClip&) = delete;
    ~DrawingClip();
};

// Locks the box of the holder's picture, clipped to it and to the drawing
// clip, for one operation; an empty clipped box locks nothing and every store
// is left out. An operation that reads beyond what it stores (the redaction's
// ring) names a larger box to read, which is locked whole, clip or not. Should
// the lock fail, each store falls back to one GdipBitmapSetPixel.
struct CanvasLock {
    PixelCanvas canvas;
    Gdiplus::BitmapData data;
    bool lockedBits;
    ColourConversion conversion;
    CanvasLock(const ImageHolder* holder, const PixelBox& box);
    CanvasLock(const ImageHolder* holder, const PixelBox& box, const PixelBox& readBox);
    CanvasLock(const CanvasLock&) = delete;
    CanvasLock& operator=(const CanvasLock&) = delete;
    ~CanvasLock();
    operator const PixelCanvas&() const { return canvas; }
};

// A pixel of the locked box as plain ARGB; 0 outside it. A premultiplied
// picture's value is turned back by GDI+ itself through the canvas's one-pixel
// scratch bitmap, so reading and storing agree on the conversion. Without
// locked memory the bitmap is not locked either and answers for itself.
uint32_t readPixel(const PixelCanvas& canvas, int64_t x, int64_t y);

// Saves the tile holding (x, y) into the open step; declared here for the
// store below, which calls it once per tile and step.
void saveTileBeforeFirstStore(const PixelCanvas& canvas, int64_t x, int64_t y);
void storeThroughSetPixel(const PixelCanvas& canvas, int64_t x, int64_t y, uint32_t colour);

inline void setPixel(const PixelCanvas& canvas, int64_t x, int64_t y, uint32_t colour) {
    if (x < canvas.stores.left || y < canvas.stores.top || x > canvas.stores.right || y > canvas.stores.bottom)
        return;
    if (canvas.tileSaved && !canvas.tileSaved[(y / historyTileSize) * canvas.tilesAcross + x / historyTileSize])
        saveTileBeforeFirstStore(canvas, x, y);
    if (canvas.observer) {
        canvas.observer(int32_t(x), int32_t(y), colour);
        if (canvas.observeOnly)
            return;
    }
    if (!canvas.scan0) {
        storeThroughSetPixel(canvas, x, y, colour);
        return;
    }
    if (canvas.premultiply)
        colour = premultipliedColour(*canvas.premultiply, colour);
    uint8_t* row = canvas.scan0 + (y - canvas.locked.top) * canvas.stride;
    reinterpret_cast<uint32_t*>(row)[x - canvas.locked.left] = colour;
}

// Saves, for the open step, each tile of row y's pixels first..last that the
// step has not saved yet; for the operations that store a row straight into
// the locked memory.
inline void saveRowTiles(const PixelCanvas& canvas, int64_t y, int64_t first, int64_t last) {
    if (!canvas.tileSaved)
        return;
    for (int64_t tile = first / historyTileSize; tile <= last / historyTileSize; tile++) {
        if (!canvas.tileSaved[(y / historyTileSize) * canvas.tilesAcross + tile])
            saveTileBeforeFirstStore(canvas, tile * historyTileSize, y);
    }
}

// The pixels first..last of row y, left to right: a fill's row stored at
// memory speed, or pixel by pixel where each store is watched or goes through
// GDI+.
inline void fillSpan(const PixelCanvas& canvas, int64_t y, int64_t first, int64_t last, uint32_t colour) {
    if (y < canvas.stores.top || y > canvas.stores.bottom)
        return;
    first = first > canvas.stores.left ? first : canvas.stores.left;
    last = last < canvas.stores.right ? last : canvas.stores.right;
    if (canvas.observer || !canvas.scan0) {
        for (int64_t x = first; x <= last; x++)
            setPixel(canvas, x, y, colour);
        return;
    }
    if (first > last)
        return;
    saveRowTiles(canvas, y, first, last);
    if (canvas.premultiply)
        colour = premultipliedColour(*canvas.premultiply, colour);
    uint32_t* row = reinterpret_cast<uint32_t*>(canvas.scan0 + (y - canvas.locked.top) * canvas.stride);
    for (int64_t x = first; x <= last; x++)
        row[x - canvas.locked.left] = colour;
}
