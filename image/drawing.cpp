// Pen stamp, line, rectangle and ellipse on the picture's bitmap. Each pixel is
// one GdipBitmapSetPixel call; pixels outside the bitmap, which it would refuse,
// are left out before calling, so a shape far larger than the picture costs
// only its visible part and paints exactly what unclipped writes would.
#include "drawing.h"

#include <algorithm>
#include <cstdlib>

#include "pixelCanvas.h"

namespace {

struct Span {
    int64_t first, last;  // inclusive; empty when first > last
};

Span clipSpan(int64_t first, int64_t last, int64_t limit) {
    return {std::max<int64_t>(first, 0), std::min<int64_t>(last, limit - 1)};
}

bool brushFills(uint32_t brushColour) {
    return brushColour > 0xFFFFFF;
}

// Columns outer, rows inner; an even width puts the extra pixel left and top.
void stamp(const PixelCanvas& canvas, int64_t x, int64_t y, uint32_t colour, int32_t width) {
    if (width <= 0)
        return;
    int64_t half = width >> 1;
    Span columns = clipSpan(x - half, x + width - half - 1, canvas.width);
    Span rows = clipSpan(y - half, y + width - half - 1, canvas.height);
    for (int64_t i = columns.first; i <= columns.last; i++) {
        for (int64_t j = rows.first; j <= rows.last; j++)
            GdipBitmapSetPixel(canvas.bitmap, INT(i), INT(j), colour);
    }
}

// The positions along one axis at which a stamp of this width still reaches
// into [0, limit): a side of a rectangle need not be walked beyond them.
Span stampReach(int64_t first, int64_t last, int64_t limit, int32_t width) {
    int64_t half = width >> 1;
    return {std::max<int64_t>(first, half - width + 1), std::min<int64_t>(last, limit - 1 + half)};
}

void fillRow(const PixelCanvas& canvas, int64_t y, int64_t left, int64_t right, uint32_t colour) {
    if (y < 0 || y >= canvas.height)
        return;
    Span columns = clipSpan(left, right, canvas.width);
    for (int64_t x = columns.first; x <= columns.last; x++)
        GdipBitmapSetPixel(canvas.bitmap, INT(x), INT(y), colour);
}

void fillRectangleInside(const PixelCanvas& canvas, int64_t left, int64_t top, int64_t right, int64_t bottom,
                         uint32_t colour) {
    Span columns = clipSpan(left + 1, right - 1, canvas.width);
    Span rows = clipSpan(top + 1, bottom - 1, canvas.height);
    for (int64_t x = columns.first; x <= columns.last; x++) {
        for (int64_t y = rows.first; y <= rows.last; y++)
            GdipBitmapSetPixel(canvas.bitmap, INT(x), INT(y), colour);
    }
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

}  // namespace

void stampSquare(ImageHolder* holder, int32_t x, int32_t y, uint32_t colour, int32_t width) {
    stamp(canvasOf(holder), x, y, colour, width);
}

// A digital differential analyser whose minor coordinate is accumulated in
// single precision step by step, never recomputed: lines must land on the same
// pixels as they always have.
void drawLine(ImageHolder* holder, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t width) {
    PixelCanvas canvas = canvasOf(holder);
    stamp(canvas, x1, y1, colour, width);
    int32_t dx = x2 - x1;
    int32_t dy = y2 - y1;
    if (std::abs(dx) > std::abs(dy)) {
        int32_t step = dx < 0 ? -1 : 1;
        float slope = float(dy) / float(dx) * float(step);
        float f = float(y1) + 0.5f;
        for (int32_t x = x1; x != x2;) {
            x += step;
            f += slope;
            stamp(canvas, x, int32_t(f), colour, width);
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
        stamp(canvas, int32_t(f), y, colour, width);
    }
}

void drawRectangle(ImageHolder* holder, int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t penColour,
                   uint32_t brushColour, int32_t width) {
    PixelCanvas canvas = canvasOf(holder);
    if (brushFills(brushColour))
        fillRectangleInside(canvas, left, top, right, bottom, brushColour);
    if (width <= 0)
        return;
    Span columns = stampReach(left, right, canvas.width, width);
    for (int64_t x = columns.first; x <= columns.last; x++) {
        stamp(canvas, x, top, penColour, width);
        stamp(canvas, x, bottom, penColour, width);
    }
    Span rows = stampReach(top, bottom, canvas.height, width);
    for (int64_t y = rows.first; y <= rows.last; y++) {
        stamp(canvas, left, y, penColour, width);
        stamp(canvas, right, y, penColour, width);
    }
}

// Two passes over the same steps, fill spans first and stamps second, so the
// contour lies over the fill everywhere.
void drawEllipse(ImageHolder* holder, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t penColour,
                 uint32_t brushColour, int32_t width) {
    PixelCanvas canvas = canvasOf(holder);
    EllipseShape e = ellipseShape(x1, y1, x2, y2);
    bool flat = e.a == 0 || e.b == 0;
    if (!flat && brushFills(brushColour)) {
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
