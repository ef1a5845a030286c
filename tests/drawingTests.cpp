// The drawing primitives on real GDI+ bitmaps: the whole set of painted pixels
// read back, by colour, for stamps, lines, rectangles and ellipses, and the
// order and bounds of the pixel writes where they matter.
#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "image/drawing.h"
#include "imageTestSupport.h"

namespace {

PointSet squareAt(int32_t x, int32_t y, int32_t width) {
    int32_t half = width >> 1;
    return pointsOfRectangle(x - half, y - half, x + width - half - 1, y + width - half - 1);
}

PointSet squaresAt(const PointSet& centres, int32_t width) {
    PointSet points;
    for (const Point& c : centres)
        points = unite(points, squareAt(c.first, c.second, width));
    return points;
}

PointSet writtenPoints(const std::vector<PixelWrite>& writes) {
    PointSet points;
    for (const PixelWrite& w : writes)
        points.insert({w.x, w.y});
    return points;
}

bool allInside(const std::vector<PixelWrite>& writes, int32_t width, int32_t height) {
    return std::all_of(writes.begin(), writes.end(),
                       [&](const PixelWrite& w) { return w.x >= 0 && w.y >= 0 && w.x < width && w.y < height; });
}

// True when no write of the second colour comes before a write of the first.
bool colourWrittenFirst(const std::vector<PixelWrite>& writes, uint32_t first, uint32_t second) {
    auto lastFirst = std::find_if(writes.rbegin(), writes.rend(), [&](const PixelWrite& w) { return w.colour == first; });
    auto firstSecond = std::find_if(writes.begin(), writes.end(), [&](const PixelWrite& w) { return w.colour == second; });
    if (lastFirst == writes.rend() || firstSecond == writes.end())
        return false;
    return std::distance(writes.begin(), lastFirst.base()) <= std::distance(writes.begin(), firstSecond);
}

// What a shape paints into a small picture, against the same shape drawn 20
// pixels right and down into a big one and cut to the small picture's bounds.
template <typename Draw>
void expectClippedLikeUnclipped(int32_t width, int32_t height, Draw draw) {
    const int32_t offset = 20;
    TestPicture big(width + 2 * offset + 40, height + 2 * offset + 40, white);
    draw(&big.holder, offset);
    PointSet expected = keepInside(translate(changedPixels(big), -offset, -offset), width, height);
    TestPicture small(width, height, white);
    PixelWriteRecorder recorder;
    ASSERT_TRUE(recorder.installed);
    draw(&small.holder, 0);
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(changedPixels(small), expected);
    EXPECT_TRUE(allInside(recorder.writes, width, height));
}

}  // namespace

struct StampCase {
    int32_t x, y, width;
    int32_t left, top, right, bottom;
};

TEST(StampSquare, PositiveWidthsCoverTheirSquare) {
    static const StampCase cases[] = {
        {10, 20, 4, 8, 18, 11, 21}, {10, 20, 1, 10, 20, 10, 20}, {10, 20, 2, 9, 19, 10, 20},
        {10, 20, 3, 9, 19, 11, 21}, {10, 20, 15, 3, 13, 17, 27}, {10, 20, 14, 3, 13, 16, 26},
    };
    for (const StampCase& c : cases) {
        TestPicture picture(40, 40, white);
        stampSquare(&picture.holder, c.x, c.y, red, c.width);
        EXPECT_EQ(pixelsOfColour(picture.holder, red), pointsOfRectangle(c.left, c.top, c.right, c.bottom)) << c.width;
        EXPECT_EQ(changedPixels(picture), pointsOfRectangle(c.left, c.top, c.right, c.bottom)) << c.width;
    }
}

TEST(StampSquare, NonPositiveWidthsPaintNothing) {
    static const int32_t widths[] = {0, -1, -4, -15};
    for (int32_t width : widths) {
        TestPicture picture(40, 40, white);
        PixelWriteRecorder recorder;
        ASSERT_TRUE(recorder.installed);
        stampSquare(&picture.holder, 10, 20, red, width);
        EXPECT_TRUE(changedPixels(picture).empty()) << width;
        EXPECT_TRUE(recorder.writes.empty()) << width;
    }
}

TEST(StampSquare, PixelsAreWrittenColumnByColumn) {
    TestPicture picture(20, 20, white);
    PixelWriteRecorder recorder;
    ASSERT_TRUE(recorder.installed);
    stampSquare(&picture.holder, 5, 5, red, 2);
    std::vector<Point> order;
    for (const PixelWrite& w : recorder.writes)
        order.push_back({w.x, w.y});
    EXPECT_EQ(order, (std::vector<Point>{{4, 4}, {4, 5}, {5, 4}, {5, 5}}));
}

TEST(StampSquare, OverAnEdgePaintsTheInsidePart) {
    static const StampCase cases[] = {
        {0, 0, 5, -2, -2, 2, 2}, {19, 19, 4, 17, 17, 20, 20}, {-1, 10, 3, -2, 9, 0, 11}, {10, -30, 15, 3, -37, 17, -23},
    };
    for (const StampCase& c : cases) {
        TestPicture picture(20, 20, white);
        PixelWriteRecorder recorder;
        ASSERT_TRUE(recorder.installed);
        stampSquare(&picture.holder, c.x, c.y, red, c.width);
        PointSet inside = keepInside(pointsOfRectangle(c.left, c.top, c.right, c.bottom), 20, 20);
        EXPECT_EQ(changedPixels(picture), inside) << c.x << "," << c.y;
        EXPECT_EQ(writtenPoints(recorder.writes), inside) << c.x << "," << c.y;
    }
}

struct LineCase {
    int32_t x1, y1, x2, y2;
    std::vector<Point> points;
};

TEST(DrawLine, ListedLinesPaintTheirPoints) {
    const LineCase cases[] = {
        {0, 0, 12, 5, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}, {6, 3}, {7, 3}, {8, 3}, {9, 4}, {10, 4}, {11, 5}, {12, 5}}},
        {10, 0, 0, 3, {{10, 0}, {9, 0}, {8, 1}, {7, 1}, {6, 1}, {5, 2}, {4, 2}, {3, 2}, {2, 2}, {1, 3}, {0, 3}}},
        {0, 0, 5, 5, {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}}},
    };
    for (const LineCase& c : cases) {
        TestPicture picture(32, 32, white);
        PixelWriteRecorder recorder;
        ASSERT_TRUE(recorder.installed);
        drawLine(&picture.holder, c.x1, c.y1, c.x2, c.y2, red, 1);
        EXPECT_EQ(changedPixels(picture), PointSet(c.points.begin(), c.points.end())) << c.x2 << "," << c.y2;
        std::vector<Point> order;
        for (const PixelWrite& w : recorder.writes)
            order.push_back({w.x, w.y});
        EXPECT_EQ(order, c.points) << c.x2 << "," << c.y2;
    }
}

// Summed step by step in single precision, the minor coordinate falls just
// short of a whole number where the exact value would reach it: for (6, 5)
// 0.5 + 3 x 0.8333333 sums to 2.9999998 at x = 3; for (12, 1) 0.5 + 6 x
// 0.083333336 sums to 0.99999994 at x = 6.
TEST(DrawLine, MinorCoordinateIsSummedInSinglePrecision) {
    const LineCase cases[] = {
        {0, 0, 6, 5, {{0, 0}, {1, 1}, {2, 2}, {3, 2}, {4, 3}, {5, 4}, {6, 5}}},
        {0, 0, 12, 1, {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {7, 1}, {8, 1}, {9, 1}, {10, 1}, {11, 1}, {12, 1}}},
    };
    for (const LineCase& c : cases) {
        TestPicture picture(32, 32, white);
        drawLine(&picture.holder, c.x1, c.y1, c.x2, c.y2, red, 1);
        EXPECT_EQ(changedPixels(picture), PointSet(c.points.begin(), c.points.end())) << c.x2 << "," << c.y2;
    }
}

TEST(DrawLine, ZeroLengthPaintsOneStamp) {
    static const int32_t widths[] = {1, 3, 4};
    for (int32_t width : widths) {
        TestPicture picture(20, 20, white);
        drawLine(&picture.holder, 7, 7, 7, 7, red, width);
        EXPECT_EQ(changedPixels(picture), squareAt(7, 7, width)) << width;
    }
}

TEST(DrawLine, WideLinesAreStampsAlongTheThinLine) {
    static const int32_t ends[][4] = {{3, 4, 30, 12}, {30, 25, 5, 3}, {10, 2, 14, 28}};
    for (const auto& e : ends) {
        TestPicture thin(40, 40, white);
        drawLine(&thin.holder, e[0], e[1], e[2], e[3], red, 1);
        TestPicture wide(40, 40, white);
        drawLine(&wide.holder, e[0], e[1], e[2], e[3], red, 5);
        EXPECT_EQ(changedPixels(wide), squaresAt(changedPixels(thin), 5)) << e[2];
    }
}

// Lines as long as a 3840 x 2160 picture allows still end exactly on their end
// point, with one stamp per pixel of the major axis.
TEST(DrawLine, LongLinesEndOnTheirEndPoint) {
    static const int32_t ends[][4] = {
        {0, 0, 3839, 2159}, {3839, 0, 0, 2159}, {0, 2159, 3839, 0}, {0, 0, 3839, 1},    {17, 3, 3001, 2150},
        {0, 0, 1, 2159},    {2000, 2159, 1, 0}, {3839, 2159, 0, 0}, {5, 1000, 3830, 1}, {0, 0, 2159, 2159},
    };
    TestPicture picture(3840, 2160, white);
    for (const auto& e : ends) {
        PixelWriteRecorder recorder;
        ASSERT_TRUE(recorder.installed);
        drawLine(&picture.holder, e[0], e[1], e[2], e[3], red, 1);
        size_t major = size_t(std::max(std::abs(e[2] - e[0]), std::abs(e[3] - e[1])));
        ASSERT_EQ(recorder.writes.size(), major + 1) << e[2] << "," << e[3];
        EXPECT_EQ(recorder.writes.front().x, e[0]);
        EXPECT_EQ(recorder.writes.front().y, e[1]);
        EXPECT_EQ(recorder.writes.back().x, e[2]) << e[0] << "," << e[1] << " to " << e[2] << "," << e[3];
        EXPECT_EQ(recorder.writes.back().y, e[3]) << e[0] << "," << e[1] << " to " << e[2] << "," << e[3];
    }
}

TEST(DrawLine, OverAnEdgePaintsTheInsidePart) {
    expectClippedLikeUnclipped(16, 16, [](ImageHolder* h, int32_t o) { drawLine(h, o - 10, o - 4, o + 20, o + 8, red, 3); });
    expectClippedLikeUnclipped(16, 16, [](ImageHolder* h, int32_t o) { drawLine(h, o + 25, o + 2, o + 3, o + 30, red, 6); });
}

TEST(DrawLine, NonPositiveWidthPaintsNothing) {
    TestPicture picture(20, 20, white);
    drawLine(&picture.holder, 0, 0, 15, 9, red, 0);
    drawLine(&picture.holder, 0, 0, 15, 9, red, -3);
    EXPECT_TRUE(changedPixels(picture).empty());
}

struct RectangleCase {
    int32_t left, top, right, bottom, width;
};

TEST(DrawRectangle, TransparentBrushPaintsOnlyTheBorder) {
    static const uint32_t brushes[] = {noBrush, 0x00FF0000, 0x00000000};
    for (uint32_t brush : brushes) {
        TestPicture picture(20, 20, white);
        drawRectangle(&picture.holder, 2, 3, 9, 7, red, brush, 1);
        EXPECT_EQ(changedPixels(picture), rectangleOutline(2, 3, 9, 7)) << brush;
        EXPECT_EQ(pixelsOfColour(picture.holder, red), rectangleOutline(2, 3, 9, 7)) << brush;
    }
}

TEST(DrawRectangle, BrushWithAlphaFillsStrictlyInside) {
    static const uint32_t brushes[] = {green, 0x01000000, 0x80123456};
    for (uint32_t brush : brushes) {
        TestPicture picture(20, 20, white);
        drawRectangle(&picture.holder, 2, 3, 9, 7, red, brush, 1);
        EXPECT_EQ(pixelsOfColour(picture.holder, red), rectangleOutline(2, 3, 9, 7)) << brush;
        EXPECT_EQ(pixelsOfColour(picture.holder, brush), pointsOfRectangle(3, 4, 8, 6)) << brush;
        EXPECT_EQ(changedPixels(picture), pointsOfRectangle(2, 3, 9, 7)) << brush;
    }
}

TEST(DrawRectangle, WideBorderLiesOverTheFill) {
    static const RectangleCase cases[] = {{4, 5, 20, 16, 3}, {4, 5, 20, 16, 4}, {6, 6, 12, 9, 5}};
    for (const RectangleCase& c : cases) {
        TestPicture picture(30, 30, white);
        PixelWriteRecorder recorder;
        ASSERT_TRUE(recorder.installed);
        drawRectangle(&picture.holder, c.left, c.top, c.right, c.bottom, red, green, c.width);
        PointSet border = squaresAt(rectangleOutline(c.left, c.top, c.right, c.bottom), c.width);
        PointSet fill = pointsOfRectangle(c.left + 1, c.top + 1, c.right - 1, c.bottom - 1);
        EXPECT_EQ(pixelsOfColour(picture.holder, red), border) << c.width;
        EXPECT_EQ(pixelsOfColour(picture.holder, green), subtract(fill, border)) << c.width;
        EXPECT_EQ(changedPixels(picture), unite(border, fill)) << c.width;
        EXPECT_TRUE(colourWrittenFirst(recorder.writes, green, red)) << c.width;
    }
}

TEST(DrawRectangle, SinglePointIsOneStampFourTimes) {
    TestPicture picture(20, 20, white);
    PixelWriteRecorder recorder;
    ASSERT_TRUE(recorder.installed);
    drawRectangle(&picture.holder, 5, 6, 5, 6, red, green, 1);
    EXPECT_EQ(changedPixels(picture), (PointSet{{5, 6}}));
    EXPECT_EQ(recorder.writes.size(), 4u);
}

TEST(DrawRectangle, ExtentBelowTwoHasNoFill) {
    static const RectangleCase cases[] = {{2, 2, 3, 9, 1}, {2, 2, 9, 3, 1}, {4, 4, 4, 12, 1}, {3, 8, 13, 8, 1}};
    for (const RectangleCase& c : cases) {
        TestPicture picture(20, 20, white);
        drawRectangle(&picture.holder, c.left, c.top, c.right, c.bottom, red, green, c.width);
        EXPECT_EQ(changedPixels(picture), rectangleOutline(c.left, c.top, c.right, c.bottom)) << c.right << "," << c.bottom;
        EXPECT_TRUE(pixelsOfColour(picture.holder, green).empty());
    }
}

TEST(DrawRectangle, LeftBeyondRightPaintsOnlyTheVerticalSides) {
    TestPicture picture(20, 20, white);
    drawRectangle(&picture.holder, 9, 3, 2, 7, red, green, 1);
    EXPECT_EQ(changedPixels(picture), unite(pointsOfRectangle(2, 3, 2, 7), pointsOfRectangle(9, 3, 9, 7)));
}

TEST(DrawRectangle, ZeroWidthPaintsOnlyTheFill) {
    TestPicture picture(20, 20, white);
    drawRectangle(&picture.holder, 2, 3, 9, 7, red, green, 0);
    EXPECT_EQ(changedPixels(picture), pointsOfRectangle(3, 4, 8, 6));
    EXPECT_EQ(pixelsOfColour(picture.holder, green), pointsOfRectangle(3, 4, 8, 6));
}

TEST(DrawRectangle, OverAnEdgePaintsTheInsidePart) {
    expectClippedLikeUnclipped(16, 16, [](ImageHolder* h, int32_t o) { drawRectangle(h, o - 5, o - 7, o + 10, o + 30, red, green, 3); });
    expectClippedLikeUnclipped(16, 16, [](ImageHolder* h, int32_t o) { drawRectangle(h, o + 4, o - 12, o + 19, o + 6, red, noBrush, 4); });
}

TEST(DrawRectangle, HugeFillWritesOnlyInsidePixels) {
    TestPicture picture(64, 48, white);
    PixelWriteRecorder recorder;
    ASSERT_TRUE(recorder.installed);
    drawRectangle(&picture.holder, -1000000, -1000000, 1000000, 1000000, red, green, 15);
    EXPECT_EQ(pixelsOfColour(picture.holder, green), pointsOfRectangle(0, 0, 63, 47));
    EXPECT_EQ(recorder.writes.size(), size_t(64 * 48));
}

struct EllipseCase {
    int32_t x1, y1, x2, y2;
};

// The worked example's contour, box (0, 0)-(10, 6), row by row.
PointSet workedContour() {
    static const std::vector<int32_t> rows[] = {
        {4, 5, 6}, {2, 3, 7, 8}, {0, 1, 9, 10}, {0, 10}, {0, 1, 9, 10}, {2, 3, 7, 8}, {4, 5, 6},
    };
    PointSet points;
    for (int32_t y = 0; y < int32_t(std::size(rows)); y++) {
        for (int32_t x : rows[y])
            points.insert({x, y});
    }
    return points;
}

TEST(DrawEllipse, WorkedExamplePaintsItsContour) {
    TestPicture picture(20, 12, white);
    drawEllipse(&picture.holder, 0, 0, 10, 6, red, noBrush, 1);
    EXPECT_EQ(changedPixels(picture), workedContour());
}

TEST(DrawEllipse, WorkedExampleFillShowsInsideTheContour) {
    TestPicture picture(20, 12, white);
    PixelWriteRecorder recorder;
    ASSERT_TRUE(recorder.installed);
    drawEllipse(&picture.holder, 0, 0, 10, 6, red, green, 1);
    PointSet fill = unite(unite(pointsOfRectangle(4, 1, 6, 1), pointsOfRectangle(4, 5, 6, 5)),
                          unite(unite(pointsOfRectangle(2, 2, 8, 2), pointsOfRectangle(2, 4, 8, 4)),
                                pointsOfRectangle(1, 3, 9, 3)));
    EXPECT_EQ(pixelsOfColour(picture.holder, red), workedContour());
    EXPECT_EQ(pixelsOfColour(picture.holder, green), fill);
    EXPECT_EQ(changedPixels(picture), unite(workedContour(), fill));
    EXPECT_TRUE(colourWrittenFirst(recorder.writes, green, red));
}

PointSet fromRows(const std::vector<std::vector<int32_t>>& rows) {
    PointSet points;
    for (int32_t y = 0; y < int32_t(rows.size()); y++) {
        for (int32_t x : rows[y])
            points.insert({x, y});
    }
    return points;
}

// Boxes whose contour depends on the details of the decision values: the
// start of region 1 uses a quarter of B2 (with a quarter of A2 the box
// (0, 0)-(6, 4) would lose its outer columns), and region 2 starts from the
// double-precision value (exact integer arithmetic would move rows 2 and 16 of
// the box (0, 0)-(4, 18) outward).
TEST(DrawEllipse, DecisionValuesDecideTheContour) {
    struct Case {
        EllipseCase box;
        std::vector<std::vector<int32_t>> rows;
    };
    std::vector<std::vector<int32_t>> tall = {{2}, {1, 3}, {1, 3}};
    for (int32_t y = 3; y <= 15; y++)
        tall.push_back({0, 4});
    tall.insert(tall.end(), {{1, 3}, {1, 3}, {2}});
    const Case cases[] = {
        {{0, 0, 6, 4}, {{2, 3, 4}, {0, 1, 5, 6}, {0, 6}, {0, 1, 5, 6}, {2, 3, 4}}},
        {{0, 0, 4, 18}, tall},
    };
    for (const Case& c : cases) {
        TestPicture picture(24, 24, white);
        drawEllipse(&picture.holder, c.box.x1, c.box.y1, c.box.x2, c.box.y2, red, noBrush, 1);
        EXPECT_EQ(changedPixels(picture), fromRows(c.rows)) << c.box.x2 << "," << c.box.y2;
    }
}

TEST(DrawEllipse, CornersInAnyOrderPaintTheSame) {
    TestPicture reference(20, 20, white);
    drawEllipse(&reference.holder, 0, 0, 6, 10, red, green, 1);
    PointSet expected = changedPixels(reference);
    EXPECT_EQ(pixelsOfColour(reference.holder, red).count({3, 0}), 1u);
    EXPECT_EQ(pixelsOfColour(reference.holder, red).count({3, 10}), 1u);
    EXPECT_EQ(pixelsOfColour(reference.holder, green).count({3, 5}), 1u);
    static const EllipseCase cases[] = {{6, 0, 0, 10}, {0, 10, 6, 0}, {6, 10, 0, 0}};
    for (const EllipseCase& c : cases) {
        TestPicture picture(20, 20, white);
        drawEllipse(&picture.holder, c.x1, c.y1, c.x2, c.y2, red, green, 1);
        EXPECT_EQ(changedPixels(picture), expected) << c.x1 << "," << c.y1;
        EXPECT_EQ(pixelsOfColour(picture.holder, red), pixelsOfColour(reference.holder, red)) << c.x1 << "," << c.y1;
    }
}

struct FlatEllipseCase {
    int32_t x1, y1, x2, y2;
    std::vector<Point> writes;
};

TEST(DrawEllipse, ExtentBelowTwoPaintsTheTwoStampsOnly) {
    const FlatEllipseCase cases[] = {
        {5, 0, 6, 20, {{5, 20}, {5, 0}}},
        {0, 7, 20, 8, {{10, 7}, {10, 7}}},
        {3, 3, 3, 3, {{3, 3}, {3, 3}}},
        {9, 12, 8, 2, {{8, 12}, {8, 2}}},
    };
    for (const FlatEllipseCase& c : cases) {
        TestPicture picture(24, 24, white);
        PixelWriteRecorder recorder;
        ASSERT_TRUE(recorder.installed);
        drawEllipse(&picture.holder, c.x1, c.y1, c.x2, c.y2, red, green, 1);
        std::vector<Point> order;
        for (const PixelWrite& w : recorder.writes)
            order.push_back({w.x, w.y});
        EXPECT_EQ(order, c.writes) << c.x1 << "," << c.y1;
        EXPECT_EQ(changedPixels(picture), PointSet(c.writes.begin(), c.writes.end())) << c.x1 << "," << c.y1;
    }
}

TEST(DrawEllipse, OddExtentLeavesTheFarSideOut) {
    TestPicture picture(10, 10, white);
    drawEllipse(&picture.holder, 0, 0, 5, 5, red, noBrush, 1);
    PointSet painted = changedPixels(picture);
    EXPECT_EQ(keepInside(painted, 5, 5), painted);
    for (const Point& p : {Point{0, 2}, Point{4, 2}, Point{2, 0}, Point{2, 4}})
        EXPECT_EQ(painted.count(p), 1u) << p.first << "," << p.second;
    PointSet mirrored;
    for (const Point& p : painted)
        mirrored.insert({4 - p.first, 4 - p.second});
    EXPECT_EQ(mirrored, painted);
}

// Flood from the picture's corner over every pixel not in the pen colour: a
// closed contour keeps the flood away from every fill pixel.
PointSet floodOutside(const ImageHolder& holder, int32_t width, int32_t height) {
    PointSet pen = pixelsOfColour(holder, red);
    PointSet reached;
    std::vector<Point> pending = {{0, 0}};
    while (!pending.empty()) {
        Point p = pending.back();
        pending.pop_back();
        if (p.first < 0 || p.second < 0 || p.first >= width || p.second >= height)
            continue;
        if (pen.count(p) || !reached.insert(p).second)
            continue;
        pending.push_back({p.first + 1, p.second});
        pending.push_back({p.first - 1, p.second});
        pending.push_back({p.first, p.second + 1});
        pending.push_back({p.first, p.second - 1});
    }
    return reached;
}

TEST(DrawEllipse, FilledContourEnclosesTheWholeFill) {
    static const EllipseCase cases[] = {
        {2, 2, 42, 12}, {2, 2, 12, 42}, {2, 2, 52, 52}, {2, 2, 5, 30}, {2, 2, 30, 5}, {2, 2, 6, 6}, {2, 2, 47, 33},
    };
    for (const EllipseCase& c : cases) {
        TestPicture picture(56, 56, white);
        drawEllipse(&picture.holder, c.x1, c.y1, c.x2, c.y2, red, green, 1);
        PointSet fill = pixelsOfColour(picture.holder, green);
        EXPECT_FALSE(fill.empty()) << c.x2 << "," << c.y2;
        PointSet outside = floodOutside(picture.holder, 56, 56);
        for (const Point& p : fill)
            ASSERT_EQ(outside.count(p), 0u) << c.x2 << "," << c.y2 << ": fill at " << p.first << "," << p.second;
    }
}

TEST(DrawEllipse, ContourLiesOverTheFill) {
    static const int32_t widths[] = {1, 3, 4, 7};
    for (int32_t width : widths) {
        TestPicture outline(60, 60, white);
        drawEllipse(&outline.holder, 10, 12, 48, 40, red, noBrush, width);
        TestPicture filled(60, 60, white);
        drawEllipse(&filled.holder, 10, 12, 48, 40, red, green, width);
        EXPECT_EQ(pixelsOfColour(filled.holder, red), changedPixels(outline)) << width;
    }
}

TEST(DrawEllipse, OverAnEdgePaintsTheInsidePart) {
    expectClippedLikeUnclipped(16, 16, [](ImageHolder* h, int32_t o) { drawEllipse(h, o - 10, o - 6, o + 20, o + 14, red, green, 3); });
    expectClippedLikeUnclipped(16, 16, [](ImageHolder* h, int32_t o) { drawEllipse(h, o + 2, o + 8, o + 28, o + 35, red, noBrush, 2); });
}

TEST(DrawEllipse, HugeFillWritesOnlyInsidePixels) {
    TestPicture picture(64, 48, white);
    PixelWriteRecorder recorder;
    ASSERT_TRUE(recorder.installed);
    drawEllipse(&picture.holder, -50000, -30000, 50000, 30000, red, green, 15);
    EXPECT_EQ(pixelsOfColour(picture.holder, green), pointsOfRectangle(0, 0, 63, 47));
    EXPECT_TRUE(allInside(recorder.writes, 64, 48));
}

TEST(DrawingOnEmptyHolder, ChangesNothingAndWritesNothing) {
    ImageHolder empty = {nullptr};
    PixelWriteRecorder recorder;
    ASSERT_TRUE(recorder.installed);
    stampSquare(&empty, 1, 1, red, 3);
    drawLine(&empty, 0, 0, 10, 10, red, 3);
    drawRectangle(&empty, 0, 0, 10, 10, red, green, 3);
    drawEllipse(&empty, 0, 0, 10, 10, red, green, 3);
    EXPECT_TRUE(recorder.writes.empty());
    EXPECT_EQ(empty.bitmap, nullptr);
}
