// Tile history: saving happens inside the drawing's own lock (grown to whole
// tiles while a step records), restoring with one lock per tile. Memory comes
// from malloc, and running out drops the history instead of the drawing.
#include "history.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

using namespace Gdiplus::DllExports;

namespace {

// The history whose step is open; the canvas finds it here.
History* recording = nullptr;

PixelBox tileBox(const History& h, uint32_t index) {
    int64_t left = int64_t(index % uint64_t(h.tilesAcross)) * historyTileSize;
    int64_t top = int64_t(index / uint64_t(h.tilesAcross)) * historyTileSize;
    return {left, top, std::min(left + historyTileSize, h.width) - 1, std::min(top + historyTileSize, h.height) - 1};
}

size_t boxBytes(const PixelBox& box) {
    return size_t(box.right - box.left + 1) * size_t(box.bottom - box.top + 1) * 4;
}

void freeStep(HistoryStep& step) {
    for (size_t i = 0; i < step.count; i++)
        std::free(step.tiles[i].pixels);
    std::free(step.tiles);
    step = {};
}

void dropOldestStep(History& h) {
    if (h.undone < h.stepCount)
        h.droppedTag = std::max(h.droppedTag, h.steps[0].tag);
    h.bytes -= h.steps[0].bytes;
    freeStep(h.steps[0]);
    std::memmove(&h.steps[0], &h.steps[1], sizeof(HistoryStep) * size_t(h.stepCount - 1));
    h.steps[h.stepCount - 1] = {};
    h.stepCount--;
    h.undone = std::min(h.undone, h.stepCount);
}

void dropRedoSteps(History& h) {
    for (int i = h.stepCount - h.undone; i < h.stepCount; i++) {
        h.bytes -= h.steps[i].bytes;
        freeStep(h.steps[i]);
    }
    h.stepCount -= h.undone;
    h.undone = 0;
}

void closeStep(History& h) {
    std::free(h.tileSaved);
    h.tileSaved = nullptr;
    h.open = false;
    h.failed = false;
    if (recording == &h)
        recording = nullptr;
}

void freeSteps(History& h) {
    h.droppedTag = highestDoneTag(h);
    for (int i = 0; i < h.stepCount; i++)
        freeStep(h.steps[i]);
    h.stepCount = 0;
    h.undone = 0;
    h.bytes = 0;
}

// The steps were recorded on this bitmap; a replaced one (fitting to the
// screen) or a gone one makes them meaningless.
bool pictureUnchanged(const History& h) {
    return h.holder && h.holder->bitmap && h.holder->bitmap == h.bitmap;
}

// A tile of the picture locked for reading and writing in this format.
bool lockTile(GpBitmap* bitmap, const PixelBox& box, Gdiplus::PixelFormat format, Gdiplus::BitmapData* data) {
    Gdiplus::Rect rect(INT(box.left), INT(box.top), INT(box.right - box.left + 1), INT(box.bottom - box.top + 1));
    return GdipBitmapLockBits(bitmap, &rect, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeWrite, format,
                              data) == Gdiplus::Ok;
}

// Swapping makes the same saved copy serve undo and redo.
bool swapTiles(History& h, HistoryStep& step) {
    bool allLocked = true;
    for (size_t i = 0; i < step.count; i++) {
        PixelBox box = tileBox(h, step.tiles[i].index);
        int64_t width = box.right - box.left + 1;
        Gdiplus::BitmapData data = {};
        if (!lockTile(h.bitmap, box, lockFormat(h.bitmap), &data)) {
            allLocked = false;
            continue;
        }
        uint32_t* saved = step.tiles[i].pixels;
        for (int64_t row = 0; row <= box.bottom - box.top; row++) {
            uint32_t* current = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(data.Scan0) + row * data.Stride);
            std::swap_ranges(current, current + width, saved + row * width);
        }
        GdipBitmapUnlockBits(h.bitmap, &data);
    }
    return allLocked;
}

// Out of memory: the open step stops recording and is dropped at its end,
// and the kept steps go now to give the memory back.
void failStep(History& h) {
    h.failed = true;
    std::memset(h.tileSaved, 1, size_t(h.tilesAcross * h.tilesDown));
    freeSteps(h);
}

}  // namespace

size_t historyByteBound(int64_t width, int64_t height) {
    return std::max<size_t>(size_t(64) << 20, size_t(width) * size_t(height) * 8);
}

void clearHistory(History& h) {
    closeStep(h);
    freeStep(h.current);
    freeSteps(h);
    h.droppedTag = 0;
    h.holder = nullptr;
    h.bitmap = nullptr;
    h.width = h.height = h.tilesAcross = h.tilesDown = 0;
}

void beginStep(History& h, ImageHolder* holder) {
    if (h.open)
        endStep(h);
    if (!holder || !holder->bitmap)
        return;
    if (holder != h.holder || holder->bitmap != h.bitmap) {
        clearHistory(h);
        h.holder = holder;
        h.bitmap = holder->bitmap;
        h.width = int64_t(imageWidth(holder));
        h.height = int64_t(imageHeight(holder));
        h.tilesAcross = (h.width + historyTileSize - 1) / historyTileSize;
        h.tilesDown = (h.height + historyTileSize - 1) / historyTileSize;
    }
    if (h.tilesAcross == 0 || h.tilesDown == 0)
        return;
    h.tileSaved = static_cast<uint8_t*>(std::calloc(size_t(h.tilesAcross * h.tilesDown), 1));
    if (!h.tileSaved) {
        freeSteps(h);
        return;
    }
    if (recording && recording != &h)
        endStep(*recording);
    h.current = {};
    h.open = true;
    h.failed = false;
    recording = &h;
}

void endStep(History& h) {
    if (!h.open)
        return;
    bool failed = h.failed;
    closeStep(h);
    if (failed || h.current.count == 0) {
        freeStep(h.current);
        return;
    }
    dropRedoSteps(h);
    if (h.stepCount == historyStepLimit)
        dropOldestStep(h);
    h.steps[h.stepCount++] = h.current;
    h.bytes += h.current.bytes;
    h.current = {};
    size_t bound = historyByteBound(h.width, h.height);
    while (h.bytes > bound && h.stepCount > 0)
        dropOldestStep(h);
}

namespace {

// Both pictures are locked in the drawn one's format, so the copied pixels
// are its stored values.
bool copyTileDrawing(const History& h, const SavedTile& tile, GpBitmap* copy) {
    PixelBox box = tileBox(h, tile.index);
    int64_t width = box.right - box.left + 1;
    Gdiplus::BitmapData drawn = {}, to = {};
    Gdiplus::PixelFormat format = lockFormat(h.bitmap);
    if (!lockTile(h.bitmap, box, format, &drawn))
        return false;
    bool locked = lockTile(copy, box, format, &to);
    for (int64_t row = 0; locked && row <= box.bottom - box.top; row++) {
        const uint32_t* now = reinterpret_cast<const uint32_t*>(static_cast<uint8_t*>(drawn.Scan0) + row * drawn.Stride);
        uint32_t* out = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(to.Scan0) + row * to.Stride);
        const uint32_t* before = tile.pixels + row * width;
        for (int64_t x = 0; x < width; x++)
            if (now[x] != before[x])
                out[x] = now[x];
    }
    if (locked)
        GdipBitmapUnlockBits(copy, &to);
    GdipBitmapUnlockBits(h.bitmap, &drawn);
    return locked;
}

}  // namespace

bool keepStepIn(History& h, GpBitmap* copy) {
    if (!h.open)
        return false;
    bool copied = !h.failed && h.current.count > 0 && pictureUnchanged(h) && copy;
    for (size_t i = 0; copied && i < h.current.count; i++)
        copied = copyTileDrawing(h, h.current.tiles[i], copy);
    closeStep(h);
    freeStep(h.current);
    return copied;
}

void cancelStep(History& h) {
    if (!h.open)
        return;
    closeStep(h);
    if (pictureUnchanged(h))
        swapTiles(h, h.current);
    freeStep(h.current);
}

bool undoStep(History& h) {
    if (!canUndo(h))
        return false;
    HistoryStep& step = h.steps[h.stepCount - h.undone - 1];
    h.undone++;
    if (!swapTiles(h, step)) {
        freeSteps(h);
        return false;
    }
    return true;
}

bool redoStep(History& h) {
    if (!canRedo(h))
        return false;
    HistoryStep& step = h.steps[h.stepCount - h.undone];
    h.undone--;
    if (!swapTiles(h, step)) {
        freeSteps(h);
        return false;
    }
    return true;
}

bool canUndo(const History& h) {
    return !h.open && pictureUnchanged(h) && h.stepCount - h.undone > 0;
}

bool canRedo(const History& h) {
    return !h.open && pictureUnchanged(h) && h.undone > 0;
}

void tagStep(History& h, uint32_t tag) {
    if (h.open)
        h.current.tag = tag;
}

uint32_t highestDoneTag(const History& h) {
    uint32_t highest = h.droppedTag;
    for (int i = 0; i < h.stepCount - h.undone; i++)
        highest = std::max(highest, h.steps[i].tag);
    return highest;
}

size_t historyBytes(const History& h) {
    return h.bytes + h.current.bytes;
}

PixelBox attachRecording(PixelCanvas& canvas, const PixelBox& clipped) {
    History* h = recording;
    if (!h || !h->open || h->failed || h->bitmap != canvas.bitmap || h->width != canvas.width ||
        h->height != canvas.height)
        return clipped;
    canvas.history = h;
    canvas.tileSaved = h->tileSaved;
    canvas.tilesAcross = h->tilesAcross;
    return {clipped.left / historyTileSize * historyTileSize, clipped.top / historyTileSize * historyTileSize,
            std::min((clipped.right / historyTileSize + 1) * historyTileSize, h->width) - 1,
            std::min((clipped.bottom / historyTileSize + 1) * historyTileSize, h->height) - 1};
}

void saveTileBeforeFirstStore(const PixelCanvas& canvas, int64_t x, int64_t y) {
    History& h = *canvas.history;
    uint32_t index = uint32_t((y / historyTileSize) * h.tilesAcross + x / historyTileSize);
    h.tileSaved[index] = 1;
    PixelBox box = tileBox(h, index);
    size_t bytes = boxBytes(box);
    HistoryStep& step = h.current;
    if (step.count == step.capacity) {
        size_t capacity = step.capacity ? step.capacity * 2 : 16;
        void* grown = std::realloc(step.tiles, capacity * sizeof(SavedTile));
        if (!grown) {
            failStep(h);
            return;
        }
        step.tiles = static_cast<SavedTile*>(grown);
        step.capacity = capacity;
    }
    uint32_t* pixels = static_cast<uint32_t*>(std::malloc(bytes));
    if (!pixels) {
        failStep(h);
        return;
    }
    int64_t width = box.right - box.left + 1;
    for (int64_t row = box.top; row <= box.bottom; row++) {
        const uint8_t* from = canvas.scan0 + (row - canvas.locked.top) * canvas.stride + (box.left - canvas.locked.left) * 4;
        std::memcpy(pixels + (row - box.top) * width, from, size_t(width) * 4);
    }
    step.tiles[step.count++] = {index, pixels};
    step.bytes += bytes;
}
