// The arrow, the highlighter and the redaction on real GDI+ bitmaps: every
// pixel of the picture read back and compared whole, so a pixel too many or
// too few fails; and the 45-degree snapping of a drag as a table.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "image/annotation.h"
#include "image/drawing.h"
#include "image/history.h"
#include "imageTestSupport.h"
#include "tools/pngWriter.h"

using namespace Gdiplus::DllExports;

namespace {

const double tan28 = 0.5317094316614788;

std::vector<uint32_t> readAll(const ImageHolder& holder) {
    int32_t width = int32_t(imageWidth(&holder)), height = int32_t(imageHeight(&holder));
    std::vector<uint32_t> pixels(size_t(width) * size_t(height));
    for (int32_t y = 0; y < height; y++) {
        for (int32_t x = 0; x < width; x++) {
            Gdiplus::ARGB pixel = 0;
            GdipBitmapGetPixel(holder.bitmap, x, y, &pixel);
            pixels[size_t(y) * size_t(width) + size_t(x)] = pixel;
        }
    }
    return pixels;
}

void writeAll(ImageHolder& holder, const std::vector<uint32_t>& pixels) {
    int32_t width = int32_t(imageWidth(&holder)), height = int32_t(imageHeight(&holder));
    for (int32_t y = 0; y < height; y++) {
        for (int32_t x = 0; x < width; x++)
            GdipBitmapSetPixel(holder.bitmap, x, y, pixels[size_t(y) * size_t(width) + size_t(x)]);
    }
}

PointSet squaresAlong(const PointSet& centres, int32_t width) {
    int32_t half = width >> 1;
    PointSet points;
    for (const Point& c : centres)
        points = unite(points, pointsOfRectangle(c.first - half, c.second - half, c.first + width - half - 1,
                                                 c.second + width - half - 1));
    return points;
}

// The head of an arrow along an axis, tip (tx, ty), pointing along (ux, uy):
// at t pixels back from the tip it reaches halfWidth(t) pixels to each side.
template <typename HalfWidth>
PointSet axisHead(int32_t tx, int32_t ty, int32_t ux, int32_t uy, int32_t length, HalfWidth halfWidth) {
    PointSet points;
    for (int32_t t = 0; t <= length; t++) {
        for (int32_t k = -halfWidth(t); k <= halfWidth(t); k++)
            points.insert({tx - t * ux - k * uy, ty - t * uy + k * ux});
    }
    return points;
}

// Any direction: the pixel lies no further back than the head's length and
// no further aside than the tangent of the half-angle allows at its distance.
PointSet headByDistances(int32_t x1, int32_t y1, int32_t x2, int32_t y2, double length, int32_t size) {
    double d = std::hypot(double(x2 - x1), double(y2 - y1));
    double ux = (x2 - x1) / d, uy = (y2 - y1) / d;
    PointSet points;
    for (int32_t y = 0; y < size; y++) {
        for (int32_t x = 0; x < size; x++) {
            double back = (x2 - x) * ux + (y2 - y) * uy;
            double aside = std::fabs((x - x2) * uy - (y - y2) * ux);
            if (back >= 0 && back <= length && aside <= back * tan28)
                points.insert({x, y});
        }
    }
    return points;
}

PointSet linePixels(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t width, int32_t size) {
    TestPicture line(size, size, white);
    drawLine(&line.holder, x1, y1, x2, y2, red, width);
    return changedPixels(line);
}

}  // namespace

// Along the axes the head is a table of half-widths: for width 1 (head 9
// pixels long) the tip column has none and the base column reaches 4 pixels to
// each side, and a pixel centre on the base edge is inside; the shaft stops at
// the base, 9 (or 51 for width 15) pixels short of the tip.
TEST(DrawArrow, AlongTheAxesPaintsShaftAndHeadExactly) {
    static const int32_t thinHalfWidths[] = {0, 0, 1, 1, 2, 2, 3, 3, 4, 4};
    struct Case {
        int32_t x1, y1, x2, y2, width;
        int32_t ux, uy;
    };
    static const Case cases[] = {
        {10, 30, 50, 30, 1, 1, 0},     {30, 5, 30, 50, 1, 0, 1},      {55, 20, 12, 20, 1, -1, 0},
        {40, 58, 40, 3, 1, 0, -1},     {10, 10, 19, 10, 1, 1, 0},     {40, 12, -2, 12, 1, -1, 0},
        {5, 60, 115, 60, 15, 1, 0},    {60, 2, 60, 110, 15, 0, 1},    {115, 50, 8, 50, 15, -1, 0},
        {70, 116, 70, 60, 15, 0, -1},
    };
    for (const Case& c : cases) {
        const int32_t size = 120;
        TestPicture picture(size, size, white);
        drawArrow(&picture.holder, c.x1, c.y1, c.x2, c.y2, red, c.width);
        int32_t length = c.width == 1 ? 9 : 51;
        PointSet head = c.width == 1
                            ? axisHead(c.x2, c.y2, c.ux, c.uy, length, [](int32_t t) { return thinHalfWidths[t]; })
                            : axisHead(c.x2, c.y2, c.ux, c.uy, length,
                                       [](int32_t t) { return int32_t(std::floor(t * tan28)); });
        PointSet shaftCentres = {{c.x1, c.y1}};
        for (int32_t x = c.x1, y = c.y1; x != c.x2 - length * c.ux || y != c.y2 - length * c.uy;) {
            x += c.ux;
            y += c.uy;
            shaftCentres.insert({x, y});
        }
        PointSet expected = keepInside(unite(squaresAlong(shaftCentres, c.width), head), size, size);
        EXPECT_EQ(changedPixels(picture), expected) << c.x1 << "," << c.y1 << " to " << c.x2 << "," << c.y2;
        EXPECT_EQ(pixelsOfColour(picture.holder, red), expected) << c.x2 << "," << c.y2;
    }
}

// Off the axes: the shaft is the line of the same width up to the base centre
// rounded (for 45 degrees 9 / sqrt 2 = 6.36 and 51 / sqrt 2 = 36.06 pixels
// back on each axis), and the head is every pixel within the 28-degree wedge
// behind the tip, up to the head's length.
TEST(DrawArrow, InOtherDirectionsPaintsLineAndWedge) {
    struct Case {
        int32_t x1, y1, x2, y2, width;
        int32_t baseX, baseY;
    };
    static const Case cases[] = {
        {10, 10, 90, 90, 1, 84, 84},     {10, 10, 90, 90, 15, 54, 54},    {100, 15, 20, 95, 1, 26, 89},
        {100, 15, 20, 95, 15, 56, 59},   {10, 40, 110, 60, 1, 101, 58},   {110, 60, 10, 40, 15, 60, 50},
        {20, 100, 105, 85, 1, 96, 87},
    };
    for (const Case& c : cases) {
        const int32_t size = 120;
        TestPicture picture(size, size, white);
        drawArrow(&picture.holder, c.x1, c.y1, c.x2, c.y2, red, c.width);
        double length = c.width == 1 ? 9.0 : 51.0;
        PointSet expected = unite(linePixels(c.x1, c.y1, c.baseX, c.baseY, c.width, size),
                                  headByDistances(c.x1, c.y1, c.x2, c.y2, length, size));
        EXPECT_EQ(changedPixels(picture), expected) << c.x1 << "," << c.y1 << " to " << c.x2 << "," << c.y2;
    }
}

// A drag shorter than the head (9 pixels for width 1, 51 for width 15) draws
// the line alone, from the press to the release point.
TEST(DrawArrow, ShortDragDrawsTheShaftAlone) {
    struct Case {
        int32_t x1, y1, x2, y2, width;
    };
    static const Case cases[] = {
        {10, 10, 18, 10, 1}, {10, 10, 16, 16, 1}, {30, 30, 30, 30, 1}, {20, 40, 14, 35, 1},
        {20, 20, 60, 50, 15}, {70, 70, 70, 70, 15}, {90, 20, 45, 40, 15},
    };
    for (const Case& c : cases) {
        TestPicture picture(100, 100, white);
        drawArrow(&picture.holder, c.x1, c.y1, c.x2, c.y2, red, c.width);
        EXPECT_EQ(changedPixels(picture), linePixels(c.x1, c.y1, c.x2, c.y2, c.width, 100)) << c.x2 << "," << c.y2;
    }
    TestPicture picture(40, 40, white);
    drawArrow(&picture.holder, 10, 10, 18, 10, red, 1);
    EXPECT_EQ(changedPixels(picture), pointsOfRectangle(10, 10, 18, 10));
    drawArrow(&picture.holder, 10, 20, 10, 20, red, 0);
    drawArrow(&picture.holder, 10, 20, 30, 20, red, -2);
    EXPECT_EQ(changedPixels(picture), pointsOfRectangle(10, 10, 18, 10));
}

namespace {

// A pattern of six colours, and what the yellow marker leaves of each: the
// smaller of each colour channel, the alpha kept.
const uint32_t patternColours[] = {0xFFFFFFFF, 0xFF000000, 0xFFFF0000, 0xFF0000FF, 0xFF808080, 0x80FFFFFF};
const uint32_t highlightedColours[] = {0xFFFFFF00, 0xFF000000, 0xFFFF0000, 0xFF000000, 0xFF808000, 0x80FFFF00};

size_t patternIndex(int32_t x, int32_t y) {
    return size_t(x + 3 * y) % 6;
}

}  // namespace

// Corners in any order, cut at the picture's edges, right and bottom not
// covered; a second stroke over the first does not darken it.
TEST(DrawHighlight, TakesTheMinimumWithTheMarkerExactlyOnceInside) {
    struct Stroke {
        int32_t x1, y1, x2, y2;
    };
    struct Case {
        std::vector<Stroke> strokes;
        std::vector<Stroke> covered;  // inclusive rectangles
    };
    const Case cases[] = {
        {{{3, 2, 10, 7}}, {{3, 2, 9, 6}}},
        {{{10, 7, 3, 2}}, {{3, 2, 9, 6}}},
        {{{3, 7, 10, 2}}, {{3, 2, 9, 6}}},
        {{{-5, -5, 4, 3}}, {{0, 0, 3, 2}}},
        {{{20, 10, 40, 30}}, {{20, 10, 23, 15}}},
        {{{0, 0, 24, 16}}, {{0, 0, 23, 15}}},
        {{{-100, -100, 100, 100}}, {{0, 0, 23, 15}}},
        {{{5, 5, 5, 12}, {2, 9, 20, 9}}, {}},
        {{{3, 2, 10, 7}, {6, 4, 15, 12}}, {{3, 2, 9, 6}, {6, 4, 14, 11}}},
        {{{3, 2, 10, 7}, {3, 2, 10, 7}, {10, 7, 3, 2}}, {{3, 2, 9, 6}}},
    };
    for (const Case& c : cases) {
        const int32_t width = 24, height = 16;
        TestPicture picture(width, height, white);
        std::vector<uint32_t> expected(size_t(width * height));
        for (int32_t y = 0; y < height; y++) {
            for (int32_t x = 0; x < width; x++)
                expected[size_t(y * width + x)] = patternColours[patternIndex(x, y)];
        }
        writeAll(picture.holder, expected);
        for (const Stroke& r : c.covered) {
            for (const Point& p : pointsOfRectangle(r.x1, r.y1, r.x2, r.y2))
                expected[size_t(p.second * width + p.first)] = highlightedColours[patternIndex(p.first, p.second)];
        }
        for (const Stroke& s : c.strokes)
            drawHighlight(&picture.holder, s.x1, s.y1, s.x2, s.y2, 0xFFFF00);
        EXPECT_EQ(readAll(picture.holder), expected) << c.strokes[0].x1 << "," << c.strokes[0].y1 << " to "
                                                     << c.strokes[0].x2 << "," << c.strokes[0].y2;
    }
}

namespace {

const uint32_t decoy = 0xFFFF00FF;

// A picture of decoy colour with noise of its own inside the rectangle
// (columns left .. right - 1, rows top .. bottom - 1).
void fillNoise(std::vector<uint32_t>& pixels, int32_t width, int32_t left, int32_t top, int32_t right, int32_t bottom,
               uint32_t seed) {
    for (int32_t y = std::max(top, 0); y < bottom; y++) {
        for (int32_t x = std::max(left, 0); x < right && x < width; x++) {
            seed = seed * 1664525u + 1013904223u;
            pixels[size_t(y * width + x)] = seed | 0xFF000000;
        }
    }
}

struct RingSegment {
    int32_t left, top, right, bottom;  // inclusive
    uint32_t colour;
};

struct BlockColour {
    int32_t left, top, right, bottom;  // inclusive
    uint32_t colour;
};

struct RedactionCase {
    int32_t width, height;
    int32_t left, top, right, bottom, side;
    std::vector<RingSegment> ring;
    std::vector<BlockColour> blocks;
};

}  // namespace

// Each block takes the rounded mean of the ring pixels in its columns (rows
// above and below) and its rows (columns left and right); the ring's corners
// and everything beyond the ring are a decoy colour that would show in any
// mean that read them. Two pictures that differ only inside the rectangle
// come out identical, and everything outside the rectangle stays as it was.
TEST(DrawRedaction, BlocksTakeTheirColourFromTheRingAlone) {
    const RedactionCase cases[] = {
        // Three block columns (12, 12, 2 wide) and two block rows (12, 5 high).
        {40, 30, 5, 4, 31, 21, 12,
         {{5, 3, 16, 3, black}, {17, 3, 28, 3, white}, {29, 3, 30, 3, 0xFF102030},
          {5, 21, 16, 21, black}, {17, 21, 28, 21, white}, {29, 21, 30, 21, 0xFF304050},
          {4, 4, 4, 15, white}, {4, 16, 4, 20, 0xFF646464}, {31, 4, 31, 15, white}, {31, 16, 31, 20, 0xFF0A0A0A}},
         {{5, 4, 16, 15, 0xFF808080}, {17, 4, 28, 15, 0xFFFFFFFF}, {29, 4, 30, 15, 0xFFDFE1E4},
          {5, 16, 16, 20, 0xFF101010}, {17, 16, 28, 20, 0xFFC4C4C4}, {29, 16, 30, 20, 0xFF30353A}}},
        // Corners given the other way round: the same rectangle.
        {40, 30, 31, 21, 5, 4, 12,
         {{5, 3, 16, 3, black}, {17, 3, 28, 3, white}, {29, 3, 30, 3, 0xFF102030},
          {5, 21, 16, 21, black}, {17, 21, 28, 21, white}, {29, 21, 30, 21, 0xFF304050},
          {4, 4, 4, 15, white}, {4, 16, 4, 20, 0xFF646464}, {31, 4, 31, 15, white}, {31, 16, 31, 20, 0xFF0A0A0A}},
         {{5, 4, 16, 15, 0xFF808080}, {17, 4, 28, 15, 0xFFFFFFFF}, {29, 4, 30, 15, 0xFFDFE1E4},
          {5, 16, 16, 20, 0xFF101010}, {17, 16, 28, 20, 0xFFC4C4C4}, {29, 16, 30, 20, 0xFF30353A}}},
        // Over the top-left corner: blocks still start at (-7, -7); only the
        // ring's bottom row and right column are in the picture.
        {30, 20, -7, -7, 20, 12, 12,
         {{0, 12, 4, 12, black}, {5, 12, 16, 12, 0xFF606060}, {17, 12, 19, 12, 0xFFC0C0C0},
          {20, 0, 20, 4, white}, {20, 5, 20, 11, 0xFF202020}},
         {{0, 0, 4, 4, 0xFF808080}, {5, 0, 16, 4, 0xFF8F8F8F}, {17, 0, 19, 4, 0xFFE7E7E7},
          {0, 5, 4, 11, 0xFF131313}, {5, 5, 16, 11, 0xFF484848}, {17, 5, 19, 11, 0xFF505050}}},
        // No ring left: mid grey.
        {30, 20, 0, 0, 30, 20, 12, {}, {{0, 0, 29, 19, 0xFF808080}}},
        {30, 20, -5, -9, 35, 26, 16, {}, {{0, 0, 29, 19, 0xFF808080}}},
    };
    for (const RedactionCase& c : cases) {
        std::vector<uint32_t> results[2];
        std::vector<uint32_t> expected;
        const int32_t left = std::min(c.left, c.right), right = std::max(c.left, c.right);
        const int32_t top = std::min(c.top, c.bottom), bottom = std::max(c.top, c.bottom);
        for (int run = 0; run < 2; run++) {
            std::vector<uint32_t> pixels(size_t(c.width * c.height), decoy);
            for (const RingSegment& s : c.ring) {
                for (const Point& p : pointsOfRectangle(s.left, s.top, s.right, s.bottom))
                    pixels[size_t(p.second * c.width + p.first)] = s.colour;
            }
            fillNoise(pixels, c.width, left, top, std::min(right, c.width), std::min(bottom, c.height),
                      run == 0 ? 12345u : 987u);
            TestPicture picture(c.width, c.height, white);
            writeAll(picture.holder, pixels);
            drawRedaction(&picture.holder, c.left, c.top, c.right, c.bottom, c.side);
            results[run] = readAll(picture.holder);
            expected = pixels;
        }
        for (const BlockColour& b : c.blocks) {
            for (const Point& p : pointsOfRectangle(b.left, b.top, b.right, b.bottom))
                expected[size_t(p.second * c.width + p.first)] = b.colour;
        }
        EXPECT_EQ(results[0], results[1]) << c.left << "," << c.top;
        EXPECT_EQ(results[1], expected) << c.left << "," << c.top;
    }
}

// Blocks of one pixel take their colour from the ring pixels in line with
// them; a rectangle with no extent changes nothing.
TEST(DrawRedaction, NarrowAndEmptyRectangles) {
    TestPicture picture(8, 6, white);
    std::vector<uint32_t> pixels(48, decoy);
    pixels[1 * 8 + 3] = 0xFF0000FE;  // above column 3
    pixels[3 * 8 + 3] = 0xFF00FE00;  // below column 3
    pixels[2 * 8 + 2] = 0xFFFE0000;  // left of row 2
    pixels[2 * 8 + 4] = 0xFF000000;  // right of row 2
    pixels[2 * 8 + 3] = 0xFFFFFFFF;  // the one pixel covered
    writeAll(picture.holder, pixels);
    drawRedaction(&picture.holder, 3, 2, 3, 6, 1);
    drawRedaction(&picture.holder, 0, 4, 8, 4, 1);
    drawRedaction(&picture.holder, 1, 1, 5, 5, 0);
    EXPECT_EQ(readAll(picture.holder), pixels);
    drawRedaction(&picture.holder, 3, 2, 4, 3, 12);
    pixels[2 * 8 + 3] = 0xFF404040;  // (0xFE + 2) / 4 on each colour channel
    EXPECT_EQ(readAll(picture.holder), pixels);
}

TEST(AnnotationSizes, FollowThePenWidth) {
    static const int32_t cases[][3] = {{1, 9, 12}, {2, 12, 12}, {3, 15, 12}, {4, 18, 16}, {7, 27, 28}, {15, 51, 60}};
    for (const auto& c : cases) {
        EXPECT_EQ(arrowHeadLength(c[0]), c[1]) << c[0];
        EXPECT_EQ(redactionBlockSide(c[0]), c[2]) << c[0];
    }
}

TEST(SnapTo45, KeepsTheDragToTheNearestOfEightDirections) {
    static const int32_t cases[][6] = {
        {100, 100, 130, 105, 130, 100}, {100, 100, 105, 130, 100, 130}, {100, 100, 130, 120, 125, 125},
        {100, 100, 70, 130, 70, 130},   {100, 100, 60, 90, 60, 100},    {100, 100, 90, 60, 100, 60},
        {100, 100, 112, 105, 109, 109}, {100, 100, 112, 104, 112, 100}, {100, 100, 105, 112, 109, 109},
        {100, 100, 104, 112, 100, 112}, {100, 100, 70, 75, 72, 72},     {100, 100, 100, 100, 100, 100},
        {0, 5, 10, 0, 8, -3},           {100, 100, 101, 100, 101, 100}, {100, 100, 101, 101, 101, 101},
        {100, 100, 129, 112, 129, 100}, {100, 100, 170, 129, 150, 150}, {100, 100, 88, 71, 100, 71},
    };
    for (const auto& c : cases) {
        SnapPoint p = snapTo45(c[0], c[1], c[2], c[3]);
        EXPECT_EQ(p.x, c[4]) << c[2] << "," << c[3];
        EXPECT_EQ(p.y, c[5]) << c[2] << "," << c[3];
    }
}

namespace {

void annotate(ImageHolder* holder, int n) {
    switch (n) {
    case 0:
        drawArrow(holder, 20, 150, 150, 62, red, 15);
        break;
    case 1:
        drawHighlight(holder, 12, 44, 150, 56, 0xFFFF00);
        break;
    default:
        drawRedaction(holder, 60, 85, 230, 115, 12);
        break;
    }
}

}  // namespace

// Each primitive is one undoable operation in every format pictures come in:
// drawn in a history step it leaves what it leaves with no step open, undo
// gives back the picture exactly and redo the drawing. The ARGB run is kept
// as a specimen to look at.
TEST(Annotations, UndoRestoresEachExactlyInEveryFormat) {
    static const Gdiplus::PixelFormat formats[] = {PixelFormat24bppRGB, PixelFormat32bppRGB, PixelFormat32bppPARGB,
                                                   PixelFormat32bppARGB};
    const int32_t width = 240, height = 170;
    for (Gdiplus::PixelFormat format : formats) {
        ImageHolder drawn = {nullptr}, plain = {nullptr};
        ASSERT_EQ(GdipCreateBitmapFromScan0(width, height, 0, format, nullptr, &drawn.bitmap), Gdiplus::Ok);
        ASSERT_EQ(GdipCreateBitmapFromScan0(width, height, 0, format, nullptr, &plain.bitmap), Gdiplus::Ok);
        paintPage(drawn.bitmap, width, height);
        paintPage(plain.bitmap, width, height);
        History history = {};
        for (int n = 0; n < 3; n++) {
            std::vector<uint32_t> before = lockedPixels(drawn);
            beginStep(history, &drawn);
            annotate(&drawn, n);
            endStep(history);
            annotate(&plain, n);
            std::vector<uint32_t> after = lockedPixels(drawn);
            EXPECT_NE(after, before) << format << " " << n;
            EXPECT_EQ(after, lockedPixels(plain)) << format << " " << n;
            ASSERT_TRUE(undoStep(history)) << format << " " << n;
            EXPECT_EQ(lockedPixels(drawn), before) << format << " " << n;
            ASSERT_TRUE(redoStep(history)) << format << " " << n;
            EXPECT_EQ(lockedPixels(drawn), after) << format << " " << n;
        }
        if (format == PixelFormat32bppARGB) {
            std::vector<uint8_t> rgba;
            for (uint32_t p : lockedPixels(drawn))
                rgba.insert(rgba.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), uint8_t(p >> 24)});
            EXPECT_TRUE(pngWriter::writeRgba("annotationSpecimen.png", width, height, rgba));
        }
        clearHistory(history);
        GdipDisposeImage(drawn.bitmap);
        GdipDisposeImage(plain.bitmap);
    }
}
