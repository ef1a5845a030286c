// The canvas lock of one drawing operation: its box clipped to the picture,
// grown to whole tiles while a history step records, locked once.
#include "pixelCanvas.h"

#include <algorithm>

#include "history.h"

using namespace Gdiplus::DllExports;

static PixelStoreObserver storeObserver = nullptr;

void observePixelStores(PixelStoreObserver observer) {
    storeObserver = observer;
}

PixelBox uniteBoxes(const PixelBox& a, const PixelBox& b) {
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

static PixelBox clipBox(const PixelBox& box, int64_t width, int64_t height) {
    return {std::max<int64_t>(box.left, 0), std::max<int64_t>(box.top, 0), std::min(box.right, width - 1),
            std::min(box.bottom, height - 1)};
}

static bool boxIsEmpty(const PixelBox& box) {
    return box.left > box.right || box.top > box.bottom;
}

static const PixelBox noBox = {0, 0, -1, -1};

Gdiplus::PixelFormat lockFormat(GpBitmap* bitmap) {
    Gdiplus::PixelFormat format = PixelFormat32bppARGB;
    GdipGetImagePixelFormat(bitmap, &format);
    return format == PixelFormat32bppPARGB ? PixelFormat32bppPARGB : PixelFormat32bppARGB;
}

uint32_t premultipliedColour(ColourConversion& conversion, uint32_t colour) {
    if (conversion.known && conversion.lastColour == colour)
        return conversion.lastValue;
    conversion.value = 0;
    GdipBitmapSetPixel(conversion.scratch, 0, 0, colour);
    conversion.lastColour = colour;
    conversion.lastValue = conversion.value;
    conversion.known = true;
    return conversion.value;
}

CanvasLock::CanvasLock(const ImageHolder* holder, const PixelBox& box)
    : canvas(), data(), lockedBits(false), conversion() {
    canvas.locked = noBox;
    if (!holder || !holder->bitmap)
        return;
    canvas.bitmap = holder->bitmap;
    canvas.width = int64_t(imageWidth(holder));
    canvas.height = int64_t(imageHeight(holder));
    PixelBox clipped = clipBox(box, canvas.width, canvas.height);
    if (boxIsEmpty(clipped))
        return;
    canvas.observer = storeObserver;
    PixelBox lockBox = attachRecording(canvas, clipped);
    Gdiplus::Rect rect(INT(lockBox.left), INT(lockBox.top), INT(lockBox.right - lockBox.left + 1),
                       INT(lockBox.bottom - lockBox.top + 1));
    Gdiplus::PixelFormat format = lockFormat(canvas.bitmap);
    lockedBits = GdipBitmapLockBits(canvas.bitmap, &rect, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeWrite,
                                    format, &data) == Gdiplus::Ok;
    canvas.locked = lockBox;
    if (!lockedBits) {
        // Without the memory no tile can be saved: this operation is not
        // recorded, so the step cannot be undone and is dropped.
        if (canvas.history)
            canvas.history->failed = true;
        canvas.history = nullptr;
        canvas.tileSaved = nullptr;
        return;
    }
    canvas.scan0 = static_cast<uint8_t*>(data.Scan0);
    canvas.stride = data.Stride;
    if (format != PixelFormat32bppPARGB)
        return;
    // Should the scratch bitmap fail, the colour goes in as it is.
    if (GdipCreateBitmapFromScan0(1, 1, 4, PixelFormat32bppPARGB, reinterpret_cast<BYTE*>(&conversion.value),
                                  &conversion.scratch) == Gdiplus::Ok)
        canvas.premultiply = &conversion;
}

CanvasLock::~CanvasLock() {
    if (lockedBits)
        GdipBitmapUnlockBits(canvas.bitmap, &data);
    if (conversion.scratch)
        GdipDisposeImage(conversion.scratch);
}

// Its status tells nothing the caller uses.
void storeThroughSetPixel(const PixelCanvas& canvas, int64_t x, int64_t y, uint32_t colour) {
    GdipBitmapSetPixel(canvas.bitmap, INT(x), INT(y), colour);
}

uint32_t readPixel(const PixelCanvas& canvas, int64_t x, int64_t y) {
    Gdiplus::ARGB pixel = 0;
    if (x < canvas.locked.left || y < canvas.locked.top || x > canvas.locked.right || y > canvas.locked.bottom)
        return pixel;
    if (!canvas.scan0) {
        GdipBitmapGetPixel(canvas.bitmap, INT(x), INT(y), &pixel);
        return pixel;
    }
    const uint8_t* row = canvas.scan0 + (y - canvas.locked.top) * canvas.stride;
    uint32_t value = reinterpret_cast<const uint32_t*>(row)[x - canvas.locked.left];
    if (!canvas.premultiply)
        return value;
    canvas.premultiply->value = value;
    GdipBitmapGetPixel(canvas.premultiply->scratch, 0, 0, &pixel);
    return pixel;
}
