// Pen stamp, line, rectangle and ellipse on the picture's bitmap. Each
// operation works out its bounding box first and locks it once; pixels outside
// the canvas's store box (the picture, cut to the drawing clip) are left out
// before storing, so a shape far larger than the picture, or drawn again
// within a small clip, costs only its visible part and paints exactly what
// unclipped writes would.
#include "drawing.h"

#include <algorithm>
#include <cstdlib>

#include "pixelCanvas.h"

namespace {

struct Span {
    int64_t first, last;  // inclusive; empty when first > last
};

bool brushFills(uint32_t brushColour) {
    return brushColour > 0xFFFFFF;
}

const PixelBox noBox = {0, 0, -1, -1};

// Columns outer, rows inner; an even width puts the extra pixel left and top.
// Only the part inside the store box is walked.
void stamp(const PixelCanvas& canvas, int64_t x, int64_t y, uint32_t colour, int32_t width) {
    if (width <= 0)
        return;
    int64_t half = width >> 1;
    Span columns = {std::max(x - half, canvas.stores.left), std::min(x + width - half - 1, canvas.stores.right)};
    Span rows = {std::max(y - half, canvas.stores.top), std::min(y + width - half - 1, canvas.stores.bottom)};
    for (int64_t i = columns.first; i <= columns.last; i++) {
        for (int64_t j = rows.first; j <= rows.last; j++)
            setPixel(canvas, i, j, colour);
    }
}

// The positions along one axis at which a stamp of this width still reaches
// into [low, high], the store box's: a side of a rectangle need not be walked
// beyond them.
Span stampReach(int64_t first, int64_t last, int64_t low, int64_t high, int32_t width) {
    int64_t half = width >> 1;
    return {std::max<int64_t>(first, low + half - width + 1), std::min<int64_t>(last, high + half)};
}

void fillRow(const PixelCanvas& canvas, int64_t y, int64_t left, int64_t right, uint32_t colour) {
    fillSpan(canvas, y, left, right, colour);
}

// Row by row, so the stores walk memory in order.
void fillRectangleInside(const PixelCanvas& canvas, int64_t left, int64_t top, int64_t right, int64_t bottom,
                         uint32_t colour) {
    Span rows = {std::max(top + 1, canvas.stores.top), std::min(bottom - 1, canvas.stores.bottom)};
    for (int64_t y = rows.first; y <= rows.last; y++)
        fillSpan(canvas, y, left + 1, right - 1, colour);
}

struct EllipseShape {
    int64_t a, b, cx, cy;
};

EllipseShape ellipseShape(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    int64_t a = std::llabs(int64_t(x2) - x1) / 2;
    int64_t b = std::llabs(int64_t(y2) - y1) / 2;
    return {a, b, std::min(x1, x2) + a, std::min(y1, y2) + b};
}

// The two-region midpoint walk over one quadrant; plot gets every step (x, y),
// the last of them with y = -1.
template <typename Plot>
void walkEllipse(const EllipseShape& e, Plot plot) {
    const int64_t a2 = e.a * e.a;
    const int64_t b2 = e.b * e.b;
    int64_t x = 0;
    int64_t y = e.b;
    int64_t dx = 0;
    int64_t dy = 2 * a2 * e.b;
    // A quarter of B2, not of A2: the rounding every drawn ellipse so far has had.
    int64_t d1 = b2 - a2 * e.b + b2 / 4;
    do {
        x++;
        dx += 2 * b2;
        d1 += dx + b2;
        if (d1 >= 0) {
            y--;
            dy -= 2 * a2;
            d1 -= dy;
        }
        plot(x, y);
    } while (dy >= dx);
    double start = double(b2) * (double(x) + 0.5) * (double(x) + 0.5) + double(a2 * (y - 1) * (y - 1)) -
                   double(a2 * b2);
    int64_t d2 = int64_t(start);
    while (y >= 0) {
        y--;
        dy -= 2 * a2;
        d2 += a2 - dy;
        if (d2 <= 0) {
            x++;
            dx += 2 * b2;
            d2 += dx;
        }
        plot(x, y);
    }
}

// A digital differential analyser whose minor coordinate is accumulated in
// single precision step by step, never recomputed: lines must land on the same
// pixels as they always have. plot gets every point, the first end first.
template <typename Plot>
void walkLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Plot plot) {
    plot(x1, y1);
    int32_t dx = x2 - x1;
    int32_t dy = y2 - y1;
    if (std::abs(dx) > std::abs(dy)) {
        int32_t step = dx < 0 ? -1 : 1;
        float slope = float(dy) / float(dx) * float(step);
        float f = float(y1) + 0.5f;
        for (int32_t x = x1; x != x2;) {
            x += step;
            f += slope;
            plot(x, int32_t(f));
        }
        return;
    }
    int32_t step = dy < 0 ? -1 : 1;
    // A line of length zero has no slope; its loop below never runs.
    float slope = dy == 0 ? 0.0f : float(dx) / float(dy) * float(step);
    float f = float(x1) + 0.5f;
    for (int32_t y = y1; y != y2;) {
        y += step;
        f += slope;
        plot(int32_t(f), y);
    }
}

}  // namespace

void stampSquare(ImageHolder* holder, int32_t x, int32_t y, uint32_t colour, int32_t width) {
    if (width <= 0)
        return;
    CanvasLock canvas(holder, stampBox(x, y, x, y, width));
    stamp(canvas, x, y, colour, width);
}

// The minor coordinate, summed in single precision, may stray from the end
// points' range on long lines; one walk without stamps finds where it goes.
PixelBox lineBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t width) {
    if (width <= 0)
        return noBox;
    PixelBox reach = {x1, y1, x1, y1};
    walkLine(x1, y1, x2, y2, [&](int64_t x, int64_t y) { reach = uniteBoxes(reach, {x, y, x, y}); });
    return stampBox(reach.left, reach.top, reach.right, reach.bottom, width);
}

void drawLine(ImageHolder* holder, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t width) {
    if (width <= 0 || !holder || !holder->bitmap)
        return;
    CanvasLock canvas(holder, lineBox(x1, y1, x2, y2, width));
    walkLine(x1, y1, x2, y2, [&](int64_t x, int64_t y) { stamp(canvas, x, y, colour, width); });
}

PixelBox rectangleBox(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t brushColour, int32_t width) {
    if (width <= 0 && !brushFills(brushColour))
        return noBox;
    // The pen's box holds the fill's.
    return width > 0 ? stampBox(left, top, right, bottom, width)
                     : PixelBox{int64_t(left) + 1, int64_t(top) + 1, int64_t(right) - 1, int64_t(bottom) - 1};
}

void drawRectangle(ImageHolder* holder, int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t penColour,
                   uint32_t brushColour, int32_t width) {
    if (width <= 0 && !brushFills(brushColour))
        return;
    CanvasLock lock(holder, rectangleBox(left, top, right, bottom, brushColour, width));
    const PixelCanvas& canvas = lock;
    if (brushFills(brushColour))
        fillRectangleInside(canvas, left, top, right, bottom, brushColour);
    if (width <= 0)
        return;
    Span columns = stampReach(left, right, canvas.stores.left, canvas.stores.right, width);
    for (int64_t x = columns.first; x <= columns.last; x++) {
        stamp(canvas, x, top, penColour, width);
        stamp(canvas, x, bottom, penColour, width);
    }
    Span rows = stampReach(top, bottom, canvas.stores.top, canvas.stores.bottom, width);
    for (int64_t y = rows.first; y <= rows.last; y++) {
        stamp(canvas, left, y, penColour, width);
        stamp(canvas, right, y, penColour, width);
    }
}

// Two passes over the same steps, fill spans first and stamps second, so the
// contour lies over the fill everywhere.
PixelBox ellipseBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t brushColour, int32_t width) {
    EllipseShape e = ellipseShape(x1, y1, x2, y2);
    bool flat = e.a == 0 || e.b == 0;
    // The walk's steps reach row cy + 1 below the centre at the end and may
    // reach a column beyond a; one walk without stores finds how far.
    int64_t across = 0;
    if (!flat)
        walkEllipse(e, [&](int64_t x, int64_t) { across = std::max(across, x); });
    int64_t down = std::max<int64_t>(e.b, 1);
    PixelBox fill = {e.cx - across, e.cy - down, e.cx + across, e.cy + down};
    bool fills = !flat && brushFills(brushColour);
    if (width <= 0 && !fills)
        return noBox;
    if (flat)
        return stampBox(e.cx, e.cy - e.b, e.cx, e.cy + e.b, width);
    PixelBox box = stampBox(fill.left, fill.top, fill.right, fill.bottom, width);
    if (fills)
        box = width > 0 ? uniteBoxes(box, fill) : fill;
    return box;
}

void drawEllipse(ImageHolder* holder, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t penColour,
                 uint32_t brushColour, int32_t width) {
    EllipseShape e = ellipseShape(x1, y1, x2, y2);
    bool flat = e.a == 0 || e.b == 0;
    bool fills = !flat && brushFills(brushColour);
    if (width <= 0 && !fills)
        return;
    CanvasLock lock(holder, ellipseBox(x1, y1, x2, y2, brushColour, width));
    const PixelCanvas& canvas = lock;
    if (fills) {
        walkEllipse(e, [&](int64_t x, int64_t y) {
            fillRow(canvas, e.cy + y, e.cx - x, e.cx + x, brushColour);
            fillRow(canvas, e.cy - y, e.cx - x, e.cx + x, brushColour);
        });
    }
    stamp(canvas, e.cx, e.cy + e.b, penColour, width);
    stamp(canvas, e.cx, e.cy - e.b, penColour, width);
    if (flat)
        return;
    walkEllipse(e, [&](int64_t x, int64_t y) {
        stamp(canvas, e.cx + x, e.cy + y, penColour, width);
        stamp(canvas, e.cx - x, e.cy + y, penColour, width);
        stamp(canvas, e.cx - x, e.cy - y, penColour, width);
        stamp(canvas, e.cx + x, e.cy - y, penColour, width);
    });
}
