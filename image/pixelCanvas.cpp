// The canvas lock of one drawing operation: its box clipped to the picture
// and to the drawing clip, grown to whole tiles while a history step records,
// locked once; and the drawing clip itself, one box for every operation.
#include "pixelCanvas.h"

#include <algorithm>

#include "history.h"

using namespace Gdiplus::DllExports;

static PixelStoreObserver storeObserver = nullptr;

// The drawing clip: a few statics, since every operation of the thread that
// draws sees the same one, as it sees the store observer.
static PixelBox clip = {};
static bool clipping = false;
static bool clipObservesOnly = false;

PixelStoreObserver observePixelStores(PixelStoreObserver observer) {
    PixelStoreObserver previous = storeObserver;
    storeObserver = observer;
    return previous;
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

static PixelBox meetBoxes(const PixelBox& a, const PixelBox& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

DrawingClip::DrawingClip(const PixelBox& box, bool observeOnly)
    : previous(clip), hadClip(clipping), previousObserveOnly(clipObservesOnly) {
    clip = clipping ? meetBoxes(clip, box) : box;
    clipping = true;
    clipObservesOnly = clipObservesOnly || observeOnly;
}

DrawingClip::~DrawingClip() {
    clip = previous;
    clipping = hadClip;
    clipObservesOnly = previousObserveOnly;
}

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

CanvasLock::CanvasLock(const ImageHolder* holder, const PixelBox& box) : CanvasLock(holder, box, box) {}

// Stores go only inside box, cut to the picture and the clip; the memory
// locked is that, or the read box cut to the picture when it is larger.
CanvasLock::CanvasLock(const ImageHolder* holder, const PixelBox& box, const PixelBox& readBox)
    : canvas(), data(), lockedBits(false), conversion() {
    canvas.locked = canvas.stores = noBox;
    if (!holder || !holder->bitmap)
        return;
    canvas.bitmap = holder->bitmap;
    canvas.width = int64_t(imageWidth(holder));
    canvas.height = int64_t(imageHeight(holder));
    PixelBox stores = clipBox(box, canvas.width, canvas.height);
    if (clipping)
        stores = meetBoxes(stores, clip);
    bool readsMore = readBox.left < box.left || readBox.top < box.top || readBox.right > box.right ||
                     readBox.bottom > box.bottom;
    PixelBox clipped = readsMore ? clipBox(readBox, canvas.width, canvas.height) : stores;
    // Seen and not carried out needs someone to see it; an operation that
    // reads may read where the clip lets it store nothing.
    if (clipObservesOnly && !storeObserver)
        stores = noBox;
    if (boxIsEmpty(stores) && (!readsMore || boxIsEmpty(clipped)))
        return;
    canvas.observer = storeObserver;
    canvas.observeOnly = clipObservesOnly;
    canvas.stores = stores;
    PixelBox lockBox = clipObservesOnly ? clipped : attachRecording(canvas, clipped);
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
