// Moving, resizing, restyling and retyping records. A move or a handle is
// tried whole first; should it leave too little of the record on the
// picture, the largest part of it along each axis that does not is found by
// halving, since the bounds of a line or an arrow move with the rounding of
// their walk and cannot be worked out ahead exactly.
#include "annotationEdit.h"

#include <algorithm>
#include <cstdlib>

namespace {

// How many columns (or rows) of [low, high) lie on a picture of this size.
int32_t visibleAlong(LONG low, LONG high, int32_t size) {
    return std::min<int32_t>(high, size) - std::max<int32_t>(low, 0);
}

int32_t gripAlong(LONG low, LONG high, int32_t size) {
    return std::min({annotationGrip, int32_t(high - low), size});
}

struct Axis {
    bool across;  // columns; else rows
    int32_t size;
};

int32_t visibleOf(const RECT& r, const Axis& axis) {
    return axis.across ? visibleAlong(r.left, r.right, axis.size) : visibleAlong(r.top, r.bottom, axis.size);
}

// A record keeps its grip along the axis when it shows as much as the grip
// asks, or no less than it showed before.
bool keepsGrip(const RECT& before, const RECT& after, const Axis& axis) {
    if (after.left >= after.right || after.top >= after.bottom)
        return true;
    int32_t grip = axis.across ? gripAlong(after.left, after.right, axis.size)
                               : gripAlong(after.top, after.bottom, axis.size);
    int32_t shown = visibleOf(after, axis);
    return shown >= grip || shown >= visibleOf(before, axis);
}

// The edit as it would be at dx, dy: a new record of its own.
using Shift = bool (*)(const Annotation& from, int handle, int32_t dx, int32_t dy, Annotation* out);

// The largest part of `wanted` (along one axis; `other` along the other)
// that keeps the grip, by halving: a record entering the picture shows more
// the further it goes, one leaving it less.
int32_t allowedPart(const Annotation& a, Shift shift, int handle, int32_t wanted, int32_t other, const Axis& axis) {
    auto fits = [&](int32_t part) {
        Annotation tried = {};
        bool ok = axis.across ? shift(a, handle, part, other, &tried) : shift(a, handle, other, part, &tried);
        ok = ok && keepsGrip(a.bounds, tried.bounds, axis);
        freeAnnotation(tried);
        return ok;
    };
    if (fits(wanted))
        return wanted;
    int32_t sign = wanted < 0 ? -1 : 1;
    int32_t low = 0, high = wanted * sign;  // low fits, high does not
    while (high - low > 1) {
        int32_t middle = low + (high - low) / 2;
        if (fits(middle * sign))
            low = middle;
        else
            high = middle;
    }
    return low * sign;
}

bool limitedShift(const Annotation& a, Shift shift, int handle, int32_t dx, int32_t dy, int32_t width,
                  int32_t height, Annotation* out) {
    int32_t x = allowedPart(a, shift, handle, dx, 0, {true, width});
    int32_t y = allowedPart(a, shift, handle, dy, x, {false, height});
    return shift(a, handle, x, y, out);
}

// The record's points moved. Bounds of integer geometry move with them; a
// line's walk rounds afresh wherever it lies, so its bounds are worked out
// again.
bool translated(const Annotation& a, int, int32_t dx, int32_t dy, Annotation* out) {
    if (!copyAnnotation(a, out))
        return false;
    for (int32_t i = 0; i < out->pointCount; i++) {
        out->points[i].x += dx;
        out->points[i].y += dy;
    }
    if (a.kind == annotationPencil || a.kind == annotationLine || a.kind == annotationArrow) {
        updateBounds(*out);
    } else if (out->bounds.left < out->bounds.right) {
        out->bounds = {out->bounds.left + dx, out->bounds.top + dy, out->bounds.right + dx, out->bounds.bottom + dy};
    }
    return true;
}

// Which sides a handle of the eight moves: left, top, right, bottom.
struct HandleSides {
    bool left, top, right, bottom;
};

HandleSides sidesOf(int handle) {
    static const HandleSides sides[] = {
        {true, true, false, false},  {false, true, true, false}, {false, false, true, true},
        {true, false, false, true},  {false, true, false, false}, {false, false, true, false},
        {false, false, false, true}, {true, false, false, false},
    };
    return sides[handle];
}

bool reshaped(const Annotation& a, int handle, int32_t dx, int32_t dy, Annotation* out) {
    if (handle < 0 || handle >= annotationHandleCount(a.kind) || !copyAnnotation(a, out))
        return false;
    if (annotationHandleCount(a.kind) == 2) {
        out->points[handle].x += dx;
        out->points[handle].y += dy;
    } else {
        RECT r = cornersRect(a);
        HandleSides moves = sidesOf(handle);
        r.left += moves.left ? dx : 0;
        r.top += moves.top ? dy : 0;
        r.right += moves.right ? dx : 0;
        r.bottom += moves.bottom ? dy : 0;
        out->points[0] = {std::min(r.left, r.right), std::min(r.top, r.bottom)};
        out->points[1] = {std::max(r.left, r.right), std::max(r.top, r.bottom)};
    }
    updateBounds(*out);
    return true;
}

}  // namespace

int annotationHandleCount(uint8_t kind) {
    switch (kind) {
    case annotationLine:
    case annotationArrow:
        return 2;
    case annotationRectangle:
    case annotationEllipse:
    case annotationHighlight:
    case annotationRedaction:
        return 8;
    default:
        return 0;
    }
}

POINT annotationHandlePoint(const Annotation& a, int handle) {
    if (handle < 0 || handle >= annotationHandleCount(a.kind))
        return {0, 0};
    if (annotationHandleCount(a.kind) == 2)
        return a.points[handle];
    RECT r = cornersRect(a);
    LONG middleX = r.left + (r.right - r.left) / 2, middleY = r.top + (r.bottom - r.top) / 2;
    const POINT points[] = {{r.left, r.top},     {r.right, r.top},   {r.right, r.bottom}, {r.left, r.bottom},
                            {middleX, r.top},    {r.right, middleY}, {middleX, r.bottom}, {r.left, middleY}};
    return points[handle];
}

bool movedAnnotation(const Annotation& a, int32_t dx, int32_t dy, int32_t width, int32_t height, Annotation* out) {
    *out = {};
    return limitedShift(a, translated, 0, dx, dy, width, height, out);
}

bool resizedAnnotation(const Annotation& a, int handle, int32_t dx, int32_t dy, int32_t width, int32_t height,
                       Annotation* out) {
    *out = {};
    if (handle < 0 || handle >= annotationHandleCount(a.kind))
        return false;
    return limitedShift(a, reshaped, handle, dx, dy, width, height, out);
}

bool restyledAnnotation(const Annotation& a, const AnnotationStyle& style, Annotation* out) {
    if (!copyAnnotation(a, out))
        return false;
    out->penColor = style.penColor;
    out->brushColor = style.brushColor;
    out->penWidth = style.penWidth;
    updateBounds(*out);
    return true;
}

bool retextedAnnotation(const Annotation& a, const void* text, int32_t length, Annotation* out) {
    *out = {};
    if (a.kind != annotationBitmapText && a.kind != annotationTypedText)
        return false;
    return makeAnnotation(a.kind, a.points, a.pointCount, {a.penColor, a.brushColor, a.penWidth}, text, length, out);
}
