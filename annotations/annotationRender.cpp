// Composing the layer: copies of the picture's pixels by locked rows, the
// part a change touched grown over the redactions that read it, and the
// records meeting it drawn clipped to it, from the base or, while one record
// is dragged, from the copy of what lies below it.
#include "annotationRender.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "../image/pixelCanvas.h"

using namespace Gdiplus::DllExports;

namespace {

const RECT noRect = {0, 0, 0, 0};

PixelBox pictureBox(const AnnotationLayer& layer) {
    return {0, 0, int64_t(imageWidth(layer.picture)) - 1, int64_t(imageHeight(layer.picture)) - 1};
}

bool boxIsEmpty(const PixelBox& box) {
    return box.left > box.right || box.top > box.bottom;
}

PixelBox meet(const PixelBox& a, const PixelBox& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

PixelBox boxOf(const RECT& r) {
    return {r.left, r.top, int64_t(r.right) - 1, int64_t(r.bottom) - 1};
}

RECT rectOf(const PixelBox& box) {
    return boxIsEmpty(box) ? noRect : RECT{LONG(box.left), LONG(box.top), LONG(box.right + 1), LONG(box.bottom + 1)};
}

bool contains(const PixelBox& outer, const PixelBox& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// Rows of the box from one picture into another of the same size, both
// locked in the format the canvas locks the target in.
void copyBox(const ImageHolder* from, const ImageHolder* to, const PixelBox& box) {
    if (boxIsEmpty(box))
        return;
    Gdiplus::Rect rect(INT(box.left), INT(box.top), INT(box.right - box.left + 1), INT(box.bottom - box.top + 1));
    Gdiplus::PixelFormat format = lockFormat(to->bitmap);
    Gdiplus::BitmapData source = {}, target = {};
    if (GdipBitmapLockBits(from->bitmap, &rect, Gdiplus::ImageLockModeRead, format, &source) != Gdiplus::Ok)
        return;
    if (GdipBitmapLockBits(to->bitmap, &rect, Gdiplus::ImageLockModeWrite, format, &target) == Gdiplus::Ok) {
        size_t rowBytes = size_t(rect.Width) * 4;
        for (INT row = 0; row < rect.Height; row++)
            std::memcpy(static_cast<uint8_t*>(target.Scan0) + ptrdiff_t(row) * target.Stride,
                        static_cast<const uint8_t*>(source.Scan0) + ptrdiff_t(row) * source.Stride, rowBytes);
        GdipBitmapUnlockBits(to->bitmap, &target);
    }
    GdipBitmapUnlockBits(from->bitmap, &source);
}

// A new bitmap of the picture's size and locking format, holding its pixels.
bool copyPicture(const ImageHolder* from, ImageHolder* to) {
    to->bitmap = nullptr;
    if (!from || !from->bitmap)
        return false;
    INT width = INT(imageWidth(from)), height = INT(imageHeight(from));
    if (GdipCreateBitmapFromScan0(width, height, 0, lockFormat(from->bitmap), nullptr, &to->bitmap) != Gdiplus::Ok) {
        to->bitmap = nullptr;
        return false;
    }
    copyBox(from, to, {0, 0, int64_t(width) - 1, int64_t(height) - 1});
    return true;
}

void disposePicture(ImageHolder& holder) {
    if (holder.bitmap)
        GdipDisposeImage(holder.bitmap);
    holder.bitmap = nullptr;
}

// What a part is composed of: the picture it starts from and the records
// [first, end) drawn over it, into the target.
struct Composition {
    const ImageHolder* source;
    ImageHolder* target;
    int32_t first, end;
    uint32_t markersBefore;  // step markers below first
    bool fromBelow;          // the source is the drag's copy, filled where it is read first
    // What changed: records from firstAffected on may find the pixels of
    // these rectangles changed beneath them.
    int32_t firstAffected;
    const RECT* changedParts;
    int32_t changedCount;
};

// The whole list from the base, after a change at or above firstAffected.
Composition wholeList(AnnotationLayer& layer, int32_t firstAffected, const RECT* parts, int32_t count) {
    return {&layer.base, layer.picture, 0, layer.count, 0, false, firstAffected, parts, count};
}

void composeRegion(AnnotationLayer& layer, const Composition& c, const RECT& region, RECT* changed);

// The tiles of the drag's copy that the box meets and that are not composed
// yet, composed from the base and the records below the dragged one, as one
// box of whole tiles.
void fillBelow(AnnotationLayer& layer, const PixelBox& box) {
    AnnotationEdit& edit = layer.edit;
    int64_t firstX = box.left / historyTileSize, lastX = box.right / historyTileSize;
    int64_t firstY = box.top / historyTileSize, lastY = box.bottom / historyTileSize;
    PixelBox missing = {firstX, firstY, -1, -1};
    for (int64_t ty = firstY; ty <= lastY; ty++) {
        for (int64_t tx = firstX; tx <= lastX; tx++) {
            if (edit.filled[ty * edit.tilesAcross + tx])
                continue;
            missing = missing.right < 0 ? PixelBox{tx, ty, tx, ty} : uniteBoxes(missing, {tx, ty, tx, ty});
        }
    }
    if (missing.right < 0)
        return;
    Composition under = {&layer.base, &edit.below, 0, edit.index, 0, false, edit.index, nullptr, 0};
    composeRegion(layer, under,
                  {LONG(missing.left * historyTileSize), LONG(missing.top * historyTileSize),
                   LONG((missing.right + 1) * historyTileSize), LONG((missing.bottom + 1) * historyTileSize)},
                  nullptr);
    for (int64_t ty = missing.top; ty <= missing.bottom; ty++) {
        for (int64_t tx = missing.left; tx <= missing.right; tx++)
            edit.filled[ty * edit.tilesAcross + tx] = 1;
    }
}

// Whether a box reaches the ring just outside the rectangle (both cut to the
// picture; reach is the rectangle with its ring).
bool meetsRing(const PixelBox& box, const PixelBox& rect, const PixelBox& reach) {
    PixelBox inside = meet(box, reach);
    return !boxIsEmpty(inside) && !contains(rect, inside);
}

// The parts whose pixels changed beneath the records drawn over them: what
// the composition was asked for, and the rectangles of redactions whose
// blocks are worked out again. Past the limit every ring counts as changed.
const int32_t changedPartLimit = 32;
struct ChangedParts {
    PixelBox boxes[changedPartLimit];
    int32_t count;
    bool overflow;
};

void addChangedPart(ChangedParts& parts, const PixelBox& box) {
    if (parts.count == changedPartLimit)
        parts.overflow = true;
    else
        parts.boxes[parts.count++] = box;
}

bool ringChanged(const ChangedParts& parts, const PixelBox& rect, const PixelBox& reach) {
    if (parts.overflow)
        return true;
    for (int32_t i = 0; i < parts.count; i++) {
        if (meetsRing(parts.boxes[i], rect, reach))
            return true;
    }
    return false;
}

// A redaction drawn in the box with the blocks it keeps reads nothing. One
// with no blocks kept, or whose ring changed beneath it, works them out
// again: it must find its whole ring in the box, as it lies beneath it then,
// so the box grows over it and its ring until none is left half in it, and
// its rectangle counts as changed for the records above it.
PixelBox grownOverRedactions(AnnotationLayer& layer, const Composition& c, PixelBox box) {
    PixelBox picture = pictureBox(layer);
    ChangedParts parts = {};
    for (int32_t i = 0; i < c.changedCount; i++)
        addChangedPart(parts, meet(boxOf(c.changedParts[i]), picture));
    for (bool grew = true; grew;) {
        grew = false;
        for (int32_t j = c.first; j < c.end; j++) {
            const Annotation& a = layer.items[j];
            if (a.kind != annotationRedaction || a.bounds.left >= a.bounds.right)
                continue;
            PixelBox rect = meet(boxOf(a.bounds), picture);
            PixelBox reach = meet(boxOf({a.bounds.left - 1, a.bounds.top - 1, a.bounds.right + 1, a.bounds.bottom + 1}),
                                  picture);
            bool kept = keepsRedactionBlocks(a);
            bool affected = j >= c.firstAffected;
            if (boxIsEmpty(meet(reach, box)) || (kept && !(affected && ringChanged(parts, rect, reach))))
                continue;
            if (kept)
                forgetRedactionBlocksOf(a);
            if (affected && (kept || !contains(box, reach)))
                addChangedPart(parts, rect);
            if (!contains(box, reach)) {
                box = uniteBoxes(box, reach);
                grew = true;
            }
        }
    }
    return box;
}

// The part of the target composed again.
void composeRegion(AnnotationLayer& layer, const Composition& c, const RECT& region, RECT* changed) {
    PixelBox box = meet(boxOf(region), pictureBox(layer));
    if (boxIsEmpty(box) || !c.source->bitmap)
        return;
    box = grownOverRedactions(layer, c, box);
    if (c.fromBelow)
        fillBelow(layer, box);
    copyBox(c.source, c.target, box);
    RECT area = rectOf(box);
    DrawingClip clip(box);
    uint32_t number = c.markersBefore;
    for (int32_t j = c.first; j < c.end; j++) {
        const Annotation& a = layer.items[j];
        number += a.kind == annotationStepMarker ? 1 : 0;
        if (!rectanglesMeet(a.bounds, area))
            continue;
        if (a.kind == annotationRedaction && !keepsRedactionBlocks(a))
            keepRedactionBlocks(c.target, a);
        drawAnnotation(c.target, a, number);
    }
    if (changed)
        *changed = uniteRects(*changed, area);
}

// A record's old and new bounds; two parts that overlap are composed as one.
void composeBoth(AnnotationLayer& layer, Composition c, const RECT& a, const RECT& b, RECT* changed) {
    const RECT parts[] = {a, b};
    c.changedParts = parts;
    c.changedCount = 2;
    if (rectanglesMeet(a, b)) {
        composeRegion(layer, c, uniteRects(a, b), changed);
        return;
    }
    composeRegion(layer, c, a, changed);
    composeRegion(layer, c, b, changed);
}

// One part changed for the records from firstAffected on.
void composeChanged(AnnotationLayer& layer, int32_t firstAffected, const RECT& part, RECT* changed) {
    composeRegion(layer, wholeList(layer, firstAffected, &part, 1), part, changed);
}

// The markers from `from` on show other numbers now.
void composeMarkersFrom(AnnotationLayer& layer, int32_t from, RECT* changed) {
    for (int32_t j = from; j < layer.count; j++) {
        if (layer.items[j].kind == annotationStepMarker)
            composeChanged(layer, j + 1, layer.items[j].bounds, changed);
    }
}

bool roomForOneMore(AnnotationLayer& layer) {
    if (layer.count < layer.capacity)
        return true;
    int32_t capacity = layer.capacity ? layer.capacity * 2 : 16;
    void* grown = std::realloc(layer.items, sizeof(Annotation) * size_t(capacity));
    if (!grown)
        return false;
    layer.items = static_cast<Annotation*>(grown);
    layer.capacity = capacity;
    return true;
}

RECT onPicture(const AnnotationLayer& layer, const RECT& r) {
    return rectOf(meet(boxOf(r), pictureBox(layer)));
}

void freeEditCopy(AnnotationEdit& edit) {
    disposePicture(edit.below);
    std::free(edit.belowPixels);
    std::free(edit.filled);
    freeAnnotation(edit.before);
    edit = {};
}

}  // namespace

void openAnnotationLayer(AnnotationLayer& layer, ImageHolder* picture) {
    layer = {};
    layer.picture = picture;
}

void closeAnnotationLayer(AnnotationLayer& layer) {
    freeEditCopy(layer.edit);
    for (int32_t j = 0; j < layer.count; j++)
        freeAnnotation(layer.items[j]);
    std::free(layer.items);
    clearAnnotationHistory(layer.history);
    disposePicture(layer.base);
    layer = {};
}

uint32_t markerNumberAt(const AnnotationLayer& layer, int32_t index) {
    uint32_t number = 0;
    for (int32_t j = 0; j <= index && j < layer.count; j++)
        number += layer.items[j].kind == annotationStepMarker ? 1 : 0;
    return number;
}

void renderRegion(AnnotationLayer& layer, const RECT& region) {
    composeRegion(layer, wholeList(layer, layer.count, nullptr, 0), region, nullptr);
}

// A record going on top is drawn straight over the composition, which is
// what lies beneath it: the same pixels as composing its bounds again.
bool placeAnnotation(AnnotationLayer& layer, int32_t index, const Annotation& annotation, RECT* changed) {
    if (index < 0 || index > layer.count || !layer.picture || !roomForOneMore(layer))
        return false;
    if (!layer.base.bitmap && !copyPicture(layer.picture, &layer.base))
        return false;
    Annotation record = {};
    if (!copyAnnotation(annotation, &record))
        return false;
    std::memmove(layer.items + index + 1, layer.items + index, sizeof(Annotation) * size_t(layer.count - index));
    layer.items[index] = record;
    layer.count++;
    if (index == layer.count - 1) {
        keepRedactionBlocks(layer.picture, record);
        drawAnnotation(layer.picture, record, markerNumberAt(layer, index));
        if (changed)
            *changed = uniteRects(*changed, onPicture(layer, record.bounds));
        return true;
    }
    composeChanged(layer, index + 1, record.bounds, changed);
    if (record.kind == annotationStepMarker)
        composeMarkersFrom(layer, index + 1, changed);
    return true;
}

bool takeAnnotation(AnnotationLayer& layer, int32_t index, RECT* changed) {
    if (index < 0 || index >= layer.count)
        return false;
    Annotation record = layer.items[index];
    layer.count--;
    std::memmove(layer.items + index, layer.items + index + 1, sizeof(Annotation) * size_t(layer.count - index));
    composeChanged(layer, index, record.bounds, changed);
    if (record.kind == annotationStepMarker)
        composeMarkersFrom(layer, index, changed);
    freeAnnotation(record);
    return true;
}

bool swapAnnotation(AnnotationLayer& layer, int32_t index, const Annotation& annotation, RECT* changed) {
    Annotation record = {};
    if (index < 0 || index >= layer.count || !copyAnnotation(annotation, &record))
        return false;
    Annotation old = layer.items[index];
    adoptInk(record, old);
    layer.items[index] = record;
    composeBoth(layer, wholeList(layer, index + 1, nullptr, 0), old.bounds, record.bounds, changed);
    if ((old.kind == annotationStepMarker) != (record.kind == annotationStepMarker))
        composeMarkersFrom(layer, index + 1, changed);
    freeAnnotation(old);
    return true;
}

// The copy below starts empty; the moves fill it.
bool beginAnnotationEdit(AnnotationLayer& layer, int32_t index) {
    if (layer.edit.active)
        endAnnotationEdit(layer);
    if (index < 0 || index >= layer.count || !layer.base.bitmap)
        return false;
    AnnotationEdit& edit = layer.edit;
    int64_t width = imageWidth(layer.picture), height = imageHeight(layer.picture);
    edit.tilesAcross = (width + historyTileSize - 1) / historyTileSize;
    edit.tilesDown = (height + historyTileSize - 1) / historyTileSize;
    edit.belowPixels = static_cast<uint8_t*>(std::calloc(size_t(width) * size_t(height), 4));
    edit.filled = static_cast<uint8_t*>(std::calloc(size_t(edit.tilesAcross * edit.tilesDown), 1));
    if (!edit.belowPixels || !edit.filled || !copyAnnotation(layer.items[index], &edit.before) ||
        GdipCreateBitmapFromScan0(INT(width), INT(height), INT(width * 4), lockFormat(layer.picture->bitmap),
                                  edit.belowPixels, &edit.below.bitmap) != Gdiplus::Ok) {
        edit.below.bitmap = nullptr;
        freeEditCopy(edit);
        return false;
    }
    edit.index = index;
    edit.markersBelow = 0;
    for (int32_t j = 0; j < index; j++)
        edit.markersBelow += layer.items[j].kind == annotationStepMarker ? 1 : 0;
    edit.active = true;
    return true;
}

bool showAnnotationEdit(AnnotationLayer& layer, const Annotation& now, RECT* changed) {
    AnnotationEdit& edit = layer.edit;
    Annotation record = {};
    if (!edit.active || now.kind != edit.before.kind || !copyAnnotation(now, &record))
        return false;
    Annotation old = layer.items[edit.index];
    adoptInk(record, old);
    layer.items[edit.index] = record;
    Composition above = {&edit.below, layer.picture, edit.index, layer.count, edit.markersBelow, true,
                         edit.index + 1, nullptr, 0};
    composeBoth(layer, above, old.bounds, record.bounds, changed);
    freeAnnotation(old);
    return true;
}

void endAnnotationEdit(AnnotationLayer& layer) {
    AnnotationEdit& edit = layer.edit;
    if (!edit.active)
        return;
    AnnotationStep step = {annotationReplaced, edit.index, edit.before, {}};
    if (!sameAnnotation(edit.before, layer.items[edit.index]) &&
        copyAnnotation(layer.items[edit.index], &step.after)) {
        pushAnnotationStep(layer.history, step);
        edit.before = {};  // the step owns it now
    }
    freeEditCopy(edit);
}

void cancelAnnotationEdit(AnnotationLayer& layer, RECT* changed) {
    AnnotationEdit& edit = layer.edit;
    if (!edit.active)
        return;
    showAnnotationEdit(layer, edit.before, changed);
    freeEditCopy(edit);
}

int32_t layerPictureCopies(const AnnotationLayer& layer) {
    return (layer.base.bitmap ? 1 : 0) + (layer.edit.below.bitmap ? 1 : 0);
}
