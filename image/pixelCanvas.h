// The picture's bitmap with its size read once, so the primitives can leave out
// pixels the bitmap would refuse anyway instead of calling GDI+ for each.
#pragma once

#include <cstdint>

#include "capture.h"

struct PixelCanvas {
    GpBitmap* bitmap;
    int64_t width, height;  // 0 x 0 for an empty holder: every pixel is outside
};

inline PixelCanvas canvasOf(const ImageHolder* holder) {
    if (!holder || !holder->bitmap)
        return {nullptr, 0, 0};
    return {holder->bitmap, int64_t(imageWidth(holder)), int64_t(imageHeight(holder))};
}

inline bool insideCanvas(const PixelCanvas& canvas, int64_t x, int64_t y) {
    return x >= 0 && y >= 0 && x < canvas.width && y < canvas.height;
}

// One GdipBitmapSetPixel per pixel; its status tells nothing the caller uses.
inline void setPixel(const PixelCanvas& canvas, int64_t x, int64_t y, uint32_t colour) {
    if (insideCanvas(canvas, x, y))
        GdipBitmapSetPixel(canvas.bitmap, INT(x), INT(y), colour);
}
