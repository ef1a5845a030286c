// The typed text's and the step markers' decisions over numbers, each a table:
// sizes from the pen width, the number's colour, the disc's coverage, laying
// one colour over a pixel, the layout of lines and caret; the exact pixels a
// marker may touch; and the step tags the marker numbers are read from.
#include <cmath>
#include <string>

#include "image/drawing.h"
#include "image/history.h"
#include "image/systemText.h"
#include "imageTestSupport.h"

TEST(SystemTextSizes, FollowThePenWidth) {
    struct Case {
        int32_t penWidth, textHeight, radius;
    };
    const Case cases[] = {{1, 14, 11}, {2, 16, 12}, {5, 22, 15}, {15, 42, 25}};
    for (const Case& c : cases) {
        EXPECT_EQ(typedTextHeight(c.penWidth), c.textHeight) << c.penWidth;
        EXPECT_EQ(markerRadius(c.penWidth), c.radius) << c.penWidth;
    }
}

// 0.299 R + 0.587 G + 0.114 B below 128 is dark; the pen's alpha plays no part.
TEST(MarkerNumberColour, WhiteOnADarkPenBlackOnALightOne) {
    struct Case {
        uint32_t pen, number;
    };
    const Case cases[] = {
        {0xFF000000, white}, {0xFFFFFFFF, black}, {0xFF7F7F7F, white}, {0xFF808080, black},
        {0xFFFF0000, white}, {0xFF00FF00, black}, {0xFF0000FF, white}, {0xFFFFFF00, black},
        {0xFF00DA00, white}, {0xFF00DB00, black}, {0x00000000, white}, {0xFFFF00FF, white},
    };
    for (const Case& c : cases)
        EXPECT_EQ(markerNumberColour(c.pen), c.number) << std::hex << c.pen;
}

// radius + 1/2 - distance of the pixel's centre, cut to 0 .. 1, times 255
// rounded.
TEST(DiscCoverage, IsTheDiscOverThePixelsCentre) {
    struct Case {
        int32_t dx, dy, radius;
        uint8_t coverage;
    };
    const Case cases[] = {
        {0, 0, 11, 255},  {10, 0, 11, 255}, {11, 0, 11, 128},   {0, -11, 11, 128},  {12, 0, 11, 0},
        {8, 8, 11, 48},   {7, 8, 11, 222},  {-18, -17, 25, 189}, {25, 1, 25, 122},  {0, 26, 25, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(discCoverage(c.dx, c.dy, c.radius), c.coverage) << c.dx << ", " << c.dy << " r " << c.radius;
}

// "Over" in plain ARGB with an opaque ink; colours rounded half up.
TEST(CoverPixel, LaysTheInkOverThePixelByItsCoverage) {
    struct Case {
        uint32_t pixel, ink, coverage, result;
    };
    const Case cases[] = {
        {0xFFFFFFFF, 0xFF000000, 255, 0xFF000000}, {0xFFFFFFFF, 0xFF000000, 0, 0xFFFFFFFF},
        {0xFFFFFFFF, 0xFF000000, 128, 0xFF7F7F7F}, {0xFF204060, 0xFFFF0000, 64, 0xFF583048},
        {0x00000000, 0xFFFF0000, 128, 0x80FF0000}, {0x00123456, 0xFF00FF00, 0, 0x00123456},
        {0x80FFFFFF, 0xFF000000, 128, 0xC0555555},
    };
    for (const Case& c : cases)
        EXPECT_EQ(coverPixel(c.pixel, c.ink, c.coverage), c.result) << std::hex << c.pixel << " " << c.coverage;
}

// Lines split at '\n', the widest one counts, trailing spaces are measured,
// an empty text is one empty line; the caret stands at the margin on an
// empty line, one line height lower for each line break before it. The box
// is the layout with a 4-pixel margin all round.
TEST(TypedTextLayout, CountsLinesWidthsAndTheCaret) {
    auto layoutOf = [](const std::wstring& text, int32_t caret, int32_t penWidth) {
        TextLayout layout = {};
        EXPECT_TRUE(layoutTypedText(text.c_str(), int32_t(text.size()), caret, penWidth, &layout));
        return layout;
    };
    const TextLayout empty = layoutOf(L"", 0, 1);
    EXPECT_EQ(empty.lineCount, 1);
    EXPECT_EQ(empty.width, 0);
    EXPECT_GE(empty.lineHeight, 14);
    EXPECT_EQ(empty.caret.x, 4);
    EXPECT_EQ(empty.caret.y, 4);
    const RECT emptyBox = typedTextBox(30, 40, empty);
    EXPECT_EQ(emptyBox.left, 30);
    EXPECT_EQ(emptyBox.top, 40);
    EXPECT_EQ(emptyBox.right, 38);
    EXPECT_EQ(emptyBox.bottom, 48 + empty.lineHeight);
    const TextLayout wide = layoutOf(L"", 0, 15);
    EXPECT_GE(wide.lineHeight, 42);
    const TextLayout a = layoutOf(L"a", 1, 1);
    const TextLayout ab = layoutOf(L"ab", 2, 1);
    const TextLayout spaced = layoutOf(L"a  ", 3, 1);
    EXPECT_GT(a.width, 0);
    EXPECT_GT(ab.width, a.width);
    EXPECT_GT(spaced.width, a.width) << "trailing spaces";
    EXPECT_EQ(a.caret.x, 4 + a.width);
    const TextLayout lines = layoutOf(L"ab\n\nżółw  ", 3, 5);
    EXPECT_EQ(lines.lineCount, 3);
    EXPECT_EQ(lines.caret.x, 4) << "at the start of the second line";
    EXPECT_EQ(lines.caret.y, 4 + lines.lineHeight);
    EXPECT_EQ(layoutOf(L"ab\n\nżółw  ", 4, 5).caret.y, 4 + 2 * lines.lineHeight);
    EXPECT_EQ(layoutOf(L"ab\n\nżółw  ", 10, 5).caret.x, 4 + lines.width) << "the widest line ends there";
    const RECT box = typedTextBox(-5, 7, lines);
    EXPECT_EQ(box.right, -5 + 8 + lines.width);
    EXPECT_EQ(box.bottom, 7 + 8 + 3 * lines.lineHeight);
}

// A marker changes exactly the pixels whose centres lie within radius + 1/2
// of its centre (cut at the picture's edges), its box is that disc's bounding
// square, and the pixels well inside are the pen's or the number's colour.
TEST(DrawStepMarker, TouchesExactlyTheDisc) {
    struct Case {
        int32_t x, y, penWidth;
        uint32_t pen;
    };
    const Case cases[] = {{40, 40, 1, black}, {60, 50, 15, red}, {3, 95, 4, 0xFFFFE600}, {100, 100, 1, blue}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << ", " << c.y << " width " << c.penWidth);
        TestPicture picture(120, 100, green);
        RECT box = drawStepMarker(&picture.holder, c.x, c.y, 7, c.pen, c.penWidth);
        int32_t r = 10 + c.penWidth;
        EXPECT_EQ(box.left, c.x - r);
        EXPECT_EQ(box.top, c.y - r);
        EXPECT_EQ(box.right, c.x + r + 1);
        EXPECT_EQ(box.bottom, c.y + r + 1);
        PointSet disc;
        for (int32_t y = c.y - r - 2; y <= c.y + r + 2; y++) {
            for (int32_t x = c.x - r - 2; x <= c.x + r + 2; x++) {
                double d = std::hypot(double(x - c.x), double(y - c.y));
                if (d < r + 0.5)
                    disc.insert({x, y});
            }
        }
        EXPECT_EQ(changedPixels(picture), keepInside(disc, 120, 100));
        PointSet inner = keepInside(pixelsOfColour(picture.holder, c.pen), 120, 100);
        PointSet digits = pixelsOfColour(picture.holder, markerNumberColour(c.pen));
        EXPECT_FALSE(inner.empty());
        if (c.x > r && c.y + r < 100) {
            EXPECT_FALSE(digits.empty()) << "the number shows";
        }
    }
}

// The highest tag among the steps whose drawing the picture shows: undone
// steps do not count, redone ones do again, a new step drops the undone ones
// and their tags, and a tagged step dropped for room still counts.
TEST(HistoryTags, GiveTheHighestNumberThePictureShows) {
    enum Act { tagged, plain, undo, redo, sixtyFourPlain, clear };
    struct Step {
        Act act;
        uint32_t tag;       // for a tagged step
        uint32_t highest;  // after it
    };
    const Step steps[] = {
        {plain, 0, 0},  {tagged, 1, 1},          {tagged, 2, 2}, {undo, 0, 1},  {undo, 0, 0},  {redo, 0, 1},
        {plain, 0, 1},  {redo, 0, 1},            {tagged, 2, 2}, {tagged, 3, 3}, {undo, 0, 2}, {plain, 0, 2},
        {redo, 0, 2},   {sixtyFourPlain, 0, 2}, {undo, 0, 2},  {tagged, 3, 3}, {clear, 0, 0}, {tagged, 1, 1},
    };
    TestPicture picture(64, 64, white);
    History history = {};
    int n = 0;
    auto drawStep = [&](uint32_t tag) {
        beginStep(history, &picture.holder);
        drawLine(&picture.holder, n % 64, 0, n % 64, 63, (n % 2) ? red : blue, 1);
        n++;
        if (tag)
            tagStep(history, tag);
        endStep(history);
    };
    int index = 0;
    for (const Step& step : steps) {
        switch (step.act) {
        case tagged:
            drawStep(step.tag);
            break;
        case plain:
            drawStep(0);
            break;
        case undo:
            undoStep(history);
            break;
        case redo:
            redoStep(history);
            break;
        case sixtyFourPlain:
            for (int i = 0; i < 64; i++)
                drawStep(0);
            break;
        case clear:
            clearHistory(history);
            break;
        }
        EXPECT_EQ(highestDoneTag(history), step.highest) << "step " << index;
        index++;
    }
    clearHistory(history);
}
