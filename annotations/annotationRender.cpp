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
};

Composition wholeList(AnnotationLayer& layer) {
    return {&layer.base, layer.picture, 0, layer.count, 0};
}

// Grows the box over every redaction drawn whose rectangle or ring it meets,
// until none is left half in it: such a redaction is drawn again, and it must
// find its whole ring as it lies beneath it.
PixelBox grownOverRedactions(const AnnotationLayer& layer, const Composition& c, PixelBox box) {
    PixelBox picture = pictureBox(layer);
    for (bool grew = true; grew;) {
        grew = false;
        for (int32_t j = c.first; j < c.end; j++) {
            const Annotation& a = layer.items[j];
            if (a.kind != annotationRedaction || a.bounds.left >= a.bounds.right)
                continue;
            PixelBox reach = meet(boxOf({a.bounds.left - 1, a.bounds.top - 1, a.bounds.right + 1, a.bounds.bottom + 1}),
                                  picture);
            if (boxIsEmpty(reach) || boxIsEmpty(meet(reach, box)) || contains(box, reach))
                continue;
            box = uniteBoxes(box, reach);
            grew = true;
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
    copyBox(c.source, c.target, box);
    RECT area = rectOf(box);
    DrawingClip clip(box);
    uint32_t number = c.markersBefore;
    for (int32_t j = c.first; j < c.end; j++) {
        const Annotation& a = layer.items[j];
        number += a.kind == annotationStepMarker ? 1 : 0;
        if (rectanglesMeet(a.bounds, area))
            drawAnnotation(c.target, a, number);
    }
    if (changed)
        *changed = uniteRects(*changed, area);
}

// Two parts that overlap are composed as one.
void composeBoth(AnnotationLayer& layer, const Composition& c, const RECT& a, const RECT& b, RECT* changed) {
    if (rectanglesMeet(a, b)) {
        composeRegion(layer, c, uniteRects(a, b), changed);
        return;
    }
    composeRegion(layer, c, a, changed);
    composeRegion(layer, c, b, changed);
}

// The markers from `from` on show other numbers now.
void composeMarkersFrom(AnnotationLayer& layer, int32_t from, RECT* changed) {
    for (int32_t j = from; j < layer.count; j++) {
        if (layer.items[j].kind == annotationStepMarker)
            composeRegion(layer, wholeList(layer), layer.items[j].bounds, changed);
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

// The pixels the records [first, end) may paint on the picture, overlaps
// counted again: what drawing them costs, roughly.
int64_t areaOf(const AnnotationLayer& layer, int32_t first, int32_t end) {
    int64_t area = 0;
    for (int32_t j = first; j < end; j++) {
        PixelBox box = meet(boxOf(layer.items[j].bounds), pictureBox(layer));
        area += boxIsEmpty(box) ? 0 : (box.right - box.left + 1) * (box.bottom - box.top + 1);
    }
    return area;
}

void freeEditCopy(AnnotationEdit& edit) {
    disposePicture(edit.below);
    freeAnnotation(edit.before);
    edit.active = false;
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
    composeRegion(layer, wholeList(layer), region, nullptr);
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
        drawAnnotation(layer.picture, record, markerNumberAt(layer, index));
        if (changed)
            *changed = uniteRects(*changed, onPicture(layer, record.bounds));
        return true;
    }
    composeRegion(layer, wholeList(layer), record.bounds, changed);
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
    composeRegion(layer, wholeList(layer), record.bounds, changed);
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
    composeBoth(layer, wholeList(layer), old.bounds, record.bounds, changed);
    if ((old.kind == annotationStepMarker) != (record.kind == annotationStepMarker))
        composeMarkersFrom(layer, index + 1, changed);
    freeAnnotation(old);
    return true;
}

// The copy below the record, made the cheaper way: the base with the records
// under it drawn whole, or the picture with the bounds of the record and
// those above it composed again from the base and the records under it
// (elsewhere they store nothing, and what is under them does not depend on
// them).
bool beginAnnotationEdit(AnnotationLayer& layer, int32_t index) {
    if (layer.edit.active)
        endAnnotationEdit(layer);
    if (index < 0 || index >= layer.count || !layer.base.bitmap)
        return false;
    AnnotationEdit& edit = layer.edit;
    bool fromPicture = areaOf(layer, index, layer.count) < areaOf(layer, 0, index);
    if (!copyAnnotation(layer.items[index], &edit.before) ||
        !copyPicture(fromPicture ? layer.picture : &layer.base, &edit.below)) {
        freeEditCopy(edit);
        return false;
    }
    edit.index = index;
    edit.markersBelow = 0;
    for (int32_t j = 0; j < index; j++)
        edit.markersBelow += layer.items[j].kind == annotationStepMarker ? 1 : 0;
    Composition under = {&layer.base, &edit.below, 0, index, 0};
    for (int32_t j = fromPicture ? index : layer.count; j < layer.count; j++)
        composeRegion(layer, under, layer.items[j].bounds, nullptr);
    for (int32_t j = 0, number = 0; !fromPicture && j < index; j++) {
        number += layer.items[j].kind == annotationStepMarker ? 1 : 0;
        drawAnnotation(&edit.below, layer.items[j], uint32_t(number));
    }
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
    Composition above = {&edit.below, layer.picture, edit.index, layer.count, edit.markersBelow};
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
