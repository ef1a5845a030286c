// Arrow head, highlighter and redaction on the picture's bitmap. Each locks
// its box once through the pixel canvas; the highlighter and the redaction
// read pixels from the same locked memory they store into.
#include "annotation.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "drawing.h"
#include "pixelCanvas.h"

using namespace Gdiplus::DllExports;

namespace {

const double headHalfAngleDegrees = 28.0;
const double pi = 3.14159265358979323846;

struct Area {
    int64_t left, top, right, bottom;  // right and bottom exclusive
};

Area normalised(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    return {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

struct Point2 {
    double x, y;
};

double cross(Point2 a, Point2 b, Point2 p) {
    return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
}

struct ArrowHead {
    Point2 tip, corner1, corner2;
    int32_t baseX, baseY;  // where the shaft ends
};

ArrowHead arrowHead(int32_t x1, int32_t y1, int32_t x2, int32_t y2, double length, double distance) {
    double ux = (double(x2) - double(x1)) / distance;
    double uy = (double(y2) - double(y1)) / distance;
    double half = length * std::tan(headHalfAngleDegrees * pi / 180.0);
    Point2 tip = {double(x2), double(y2)};
    Point2 base = {tip.x - length * ux, tip.y - length * uy};
    return {tip,
            {base.x - half * uy, base.y + half * ux},
            {base.x + half * uy, base.y - half * ux},
            int32_t(std::lround(base.x)),
            int32_t(std::lround(base.y))};
}

PixelBox headBox(const ArrowHead& head) {
    const Point2 corners[] = {head.tip, head.corner1, head.corner2};
    double minX = corners[0].x, maxX = corners[0].x, minY = corners[0].y, maxY = corners[0].y;
    for (const Point2& c : corners) {
        minX = std::min(minX, c.x);
        maxX = std::max(maxX, c.x);
        minY = std::min(minY, c.y);
        maxY = std::max(maxY, c.y);
    }
    return {int64_t(std::floor(minX)), int64_t(std::floor(minY)), int64_t(std::ceil(maxX)), int64_t(std::ceil(maxY))};
}

// Only the pixels of the store box (the picture, cut to the drawing clip) are
// examined.
void fillHead(ImageHolder* holder, const ArrowHead& head, uint32_t colour) {
    CanvasLock lock(holder, headBox(head));
    const PixelCanvas& canvas = lock;
    for (int64_t y = canvas.stores.top; y <= canvas.stores.bottom; y++) {
        for (int64_t x = canvas.stores.left; x <= canvas.stores.right; x++) {
            Point2 p = {double(x), double(y)};
            double e1 = cross(head.tip, head.corner1, p);
            double e2 = cross(head.corner1, head.corner2, p);
            double e3 = cross(head.corner2, head.tip, p);
            bool inside = (e1 >= 0 && e2 >= 0 && e3 >= 0) || (e1 <= 0 && e2 <= 0 && e3 <= 0);
            if (inside)
                setPixel(canvas, x, y, colour);
        }
    }
}

struct ChannelSums {
    uint64_t a, r, g, b, count;
};

void addPixel(ChannelSums& sums, uint32_t pixel) {
    sums.a += pixel >> 24;
    sums.r += (pixel >> 16) & 0xFF;
    sums.g += (pixel >> 8) & 0xFF;
    sums.b += pixel & 0xFF;
    sums.count++;
}

uint32_t meanColour(const ChannelSums& sums) {
    if (sums.count == 0)
        return redactionGrey;
    uint64_t n = sums.count, rounding = sums.count / 2;
    return uint32_t(((sums.a + rounding) / n) << 24 | ((sums.r + rounding) / n) << 16 |
                    ((sums.g + rounding) / n) << 8 | ((sums.b + rounding) / n));
}

struct Span {
    int64_t first, last;  // inclusive; empty when first > last
};

// The ring pixels a block sees: the ring rows in its columns, the ring
// columns in its rows; each only where the picture has it.
uint32_t blockColour(const PixelCanvas& canvas, const Area& r, const Span& columns, const Span& rows) {
    ChannelSums sums = {};
    const int64_t ringRows[] = {r.top - 1, r.bottom};
    for (int64_t y : ringRows) {
        if (y < 0 || y >= canvas.height)
            continue;
        for (int64_t x = columns.first; x <= columns.last; x++)
            addPixel(sums, readPixel(canvas, x, y));
    }
    const int64_t ringColumns[] = {r.left - 1, r.right};
    for (int64_t x : ringColumns) {
        if (x < 0 || x >= canvas.width)
            continue;
        for (int64_t y = rows.first; y <= rows.last; y++)
            addPixel(sums, readPixel(canvas, x, y));
    }
    return meanColour(sums);
}

uint32_t marked(uint32_t pixel, uint32_t colour) {
    return (pixel & 0xFF000000) | std::min(pixel & 0xFF0000, colour & 0xFF0000) |
           std::min(pixel & 0xFF00, colour & 0xFF00) | std::min(pixel & 0xFF, colour & 0xFF);
}

// Columns first..last of row y, inside the picture. In plain locked memory
// with no watcher the row is changed in place once its tiles are saved, as a
// fill's row is; otherwise pixel by pixel through the canvas's stores.
void highlightRow(const PixelCanvas& canvas, int64_t y, int64_t first, int64_t last, uint32_t colour) {
    if (!canvas.scan0 || canvas.observer || canvas.premultiply) {
        for (int64_t x = first; x <= last; x++)
            setPixel(canvas, x, y, marked(readPixel(canvas, x, y), colour));
        return;
    }
    if (y < canvas.stores.top || y > canvas.stores.bottom)
        return;
    first = std::max(first, canvas.stores.left);
    last = std::min(last, canvas.stores.right);
    if (first > last)
        return;
    saveRowTiles(canvas, y, first, last);
    uint32_t* row = reinterpret_cast<uint32_t*>(canvas.scan0 + (y - canvas.locked.top) * canvas.stride);
    for (int64_t x = first; x <= last; x++)
        row[x - canvas.locked.left] = marked(row[x - canvas.locked.left], colour);
}

}  // namespace

int32_t arrowHeadLength(int32_t width) {
    return 3 * width + 6;
}

int32_t redactionBlockSide(int32_t penWidth) {
    return std::max(12, 4 * penWidth);
}

PixelBox arrowBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t width) {
    if (width <= 0)
        return {0, 0, -1, -1};
    double length = double(arrowHeadLength(width));
    double distance = std::hypot(double(x2) - double(x1), double(y2) - double(y1));
    if (distance < length)
        return lineBox(x1, y1, x2, y2, width);
    ArrowHead head = arrowHead(x1, y1, x2, y2, length, distance);
    return uniteBoxes(lineBox(x1, y1, head.baseX, head.baseY, width), headBox(head));
}

void drawArrow(ImageHolder* holder, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t width) {
    if (width <= 0 || !holder || !holder->bitmap)
        return;
    double length = double(arrowHeadLength(width));
    double distance = std::hypot(double(x2) - double(x1), double(y2) - double(y1));
    if (distance < length) {
        drawLine(holder, x1, y1, x2, y2, colour, width);
        return;
    }
    ArrowHead head = arrowHead(x1, y1, x2, y2, length, distance);
    drawLine(holder, x1, y1, head.baseX, head.baseY, colour, width);
    fillHead(holder, head, colour);
}

void drawHighlight(ImageHolder* holder, int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour) {
    Area r = normalised(left, top, right, bottom);
    if (r.left == r.right || r.top == r.bottom)
        return;
    CanvasLock lock(holder, {r.left, r.top, r.right - 1, r.bottom - 1});
    const PixelCanvas& canvas = lock;
    for (int64_t y = canvas.stores.top; y <= canvas.stores.bottom; y++)
        highlightRow(canvas, y, canvas.stores.left, canvas.stores.right, colour);
}

namespace {

// Visits each block of the rectangle that meets the box (within the picture)
// with the block's corner and the columns and rows over the picture that
// give its colour. Blocks keep their places from the rectangle's corner,
// wherever the picture cuts it.
template <typename Visit>
void walkBlocks(const PixelCanvas& canvas, const Area& r, int64_t side, const PixelBox& box, Visit visit) {
    Span visibleX = {std::max<int64_t>(r.left, 0), std::min<int64_t>(r.right, canvas.width) - 1};
    Span visibleY = {std::max<int64_t>(r.top, 0), std::min<int64_t>(r.bottom, canvas.height) - 1};
    if (box.left > box.right || box.top > box.bottom)
        return;
    for (int64_t by = r.top + (box.top - r.top) / side * side; by <= box.bottom; by += side) {
        Span rows = {std::max(by, visibleY.first), std::min(by + side - 1, visibleY.last)};
        for (int64_t bx = r.left + (box.left - r.left) / side * side; bx <= box.right; bx += side)
            visit(bx, by, Span{std::max(bx, visibleX.first), std::min(bx + side - 1, visibleX.last)}, rows);
    }
}

void fillBlock(const PixelCanvas& canvas, const Span& columns, const Span& rows, uint32_t colour) {
    for (int64_t y = std::max(rows.first, canvas.stores.top); y <= std::min(rows.last, canvas.stores.bottom); y++)
        fillSpan(canvas, y, columns.first, columns.last, colour);
}

// The ring is locked too, whatever the drawing clip: it is read, never
// stored into.
PixelBox ringBox(const Area& r) {
    return {r.left - 1, r.top - 1, r.right, r.bottom};
}

}  // namespace

// Only the blocks over the store box are walked; their colours come from the
// whole of their columns and rows on the picture.
void drawRedaction(ImageHolder* holder, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t blockSide) {
    Area r = normalised(left, top, right, bottom);
    if (blockSide < 1 || r.left == r.right || r.top == r.bottom)
        return;
    CanvasLock lock(holder, {r.left, r.top, r.right - 1, r.bottom - 1}, ringBox(r));
    const PixelCanvas& canvas = lock;
    walkBlocks(canvas, r, blockSide, canvas.stores, [&](int64_t, int64_t, const Span& columns, const Span& rows) {
        fillBlock(canvas, columns, rows, blockColour(canvas, r, columns, rows));
    });
}

bool redactionBlocks(const ImageHolder* holder, int32_t left, int32_t top, int32_t right, int32_t bottom,
                     int32_t blockSide, RedactionBlocks* out) {
    *out = {};
    Area r = normalised(left, top, right, bottom);
    if (blockSide < 1 || r.left == r.right || r.top == r.bottom)
        return false;
    CanvasLock lock(holder, {r.left, r.top, r.right - 1, r.bottom - 1}, ringBox(r));
    const PixelCanvas& canvas = lock;
    PixelBox visible = {std::max<int64_t>(r.left, 0), std::max<int64_t>(r.top, 0),
                        std::min<int64_t>(r.right, canvas.width) - 1, std::min<int64_t>(r.bottom, canvas.height) - 1};
    if (visible.left > visible.right || visible.top > visible.bottom)
        return false;
    int64_t side = blockSide;
    out->left = r.left + (visible.left - r.left) / side * side;
    out->top = r.top + (visible.top - r.top) / side * side;
    out->across = int32_t((visible.right - out->left) / side + 1);
    out->down = int32_t((visible.bottom - out->top) / side + 1);
    out->colours = static_cast<uint32_t*>(std::malloc(sizeof(uint32_t) * size_t(out->across) * size_t(out->down)));
    if (!out->colours)
        return false;
    walkBlocks(canvas, r, side, visible, [&](int64_t bx, int64_t by, const Span& columns, const Span& rows) {
        size_t index = size_t((by - out->top) / side) * size_t(out->across) + size_t((bx - out->left) / side);
        out->colours[index] = blockColour(canvas, r, columns, rows);
    });
    return true;
}

void layRedaction(ImageHolder* holder, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t blockSide,
                  const RedactionBlocks& blocks) {
    Area r = normalised(left, top, right, bottom);
    if (blockSide < 1 || r.left == r.right || r.top == r.bottom || !blocks.colours)
        return;
    CanvasLock lock(holder, {r.left, r.top, r.right - 1, r.bottom - 1});
    const PixelCanvas& canvas = lock;
    int64_t side = blockSide;
    walkBlocks(canvas, r, side, canvas.stores, [&](int64_t bx, int64_t by, const Span& columns, const Span& rows) {
        int64_t across = (bx - blocks.left) / side, down = (by - blocks.top) / side;
        if (across >= 0 && down >= 0 && across < blocks.across && down < blocks.down)
            fillBlock(canvas, columns, rows, blocks.colours[size_t(down) * size_t(blocks.across) + size_t(across)]);
    });
}

void forgetRedactionBlocks(RedactionBlocks& blocks) {
    std::free(blocks.colours);
    blocks = {};
}

SnapPoint snapTo45(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    int64_t dx = int64_t(x2) - x1, dy = int64_t(y2) - y1;
    int64_t a = std::llabs(dx), b = std::llabs(dy);
    if ((a + b) * (a + b) < 2 * a * a)
        return {x2, y1};
    if ((a + b) * (a + b) < 2 * b * b)
        return {x1, y2};
    int64_t s = (a + b + 1) / 2;
    return {int32_t(x1 + (dx < 0 ? -s : s)), int32_t(y1 + (dy < 0 ? -s : s))};
}
