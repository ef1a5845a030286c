// The typed text's and the step markers' decisions over numbers, each a table:
// sizes from the pen width, the disc's coverage, the number's colour, ink laid
// over a pixel; and the history's step tags, which the marker numbers are
// read from.
#include "image/drawing.h"
#include "image/history.h"
#include "image/systemText.h"
#include "imageTestSupport.h"

// Coverage: radius + 1/2 - the distance of the pixel's centre, cut to 0 .. 1,
// times 255 rounded. Radius 10 + pen width, letters 12 + 2 x pen width high.
TEST(StepMarkerDisc, FollowsThePenWidthAndCoversByTheCentresDistance) {
    struct Case {
        int32_t penWidth, dx, dy;
        uint8_t coverage;
    };
    const Case cases[] = {{1, 0, 0, 255},  {1, 10, 0, 255},  {1, 11, 0, 128},    {1, 0, -11, 128}, {1, 12, 0, 0},
                          {1, 8, 8, 48},   {1, 7, 8, 222},   {15, -18, -17, 189}, {15, 25, 1, 122}, {15, 0, 26, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(discCoverage(c.dx, c.dy, markerRadius(c.penWidth)), c.coverage) << c.dx << ", " << c.dy;
        EXPECT_EQ(markerRadius(c.penWidth), c.penWidth == 1 ? 11 : 25);
        EXPECT_EQ(typedTextHeight(c.penWidth), c.penWidth == 1 ? 14 : 42);
    }
}

// 0.299 R + 0.587 G + 0.114 B below 128 is dark; the pen's alpha plays no part.
TEST(MarkerNumberColour, WhiteOnADarkPenBlackOnALightOne) {
    const std::pair<uint32_t, uint32_t> cases[] = {
        {0xFF000000, white}, {0xFFFFFFFF, black}, {0xFF7F7F7F, white}, {0xFF808080, black}, {0xFFFF0000, white},
        {0xFF00DA00, white}, {0xFF00DB00, black}, {0xFF0000FF, white}, {0xFFFFFF00, black}, {0x00000000, white},
    };
    for (const auto& [pen, number] : cases)
        EXPECT_EQ(markerNumberColour(pen), number) << std::hex << pen;
}

// "Over" in plain ARGB with an opaque ink; colours rounded half up.
TEST(CoverPixel, LaysTheInkOverThePixelByItsCoverage) {
    struct Case {
        uint32_t pixel, ink, coverage, result;
    };
    const Case cases[] = {
        {0xFFFFFFFF, 0xFF000000, 255, 0xFF000000}, {0xFFFFFFFF, 0xFF000000, 0, 0xFFFFFFFF},
        {0xFFFFFFFF, 0xFF000000, 128, 0xFF7F7F7F}, {0xFF204060, 0xFFFF0000, 64, 0xFF583048},
        {0x00000000, 0xFFFF0000, 128, 0x80FF0000}, {0x80FFFFFF, 0xFF000000, 128, 0xC0555555},
    };
    for (const Case& c : cases)
        EXPECT_EQ(coverPixel(c.pixel, c.ink, c.coverage), c.result) << std::hex << c.pixel << " " << c.coverage;
}

// The highest tag among the steps the picture shows: undone steps do not
// count, redone ones do again, a new step drops the undone ones with their
// tags, a tagged step dropped for room still counts, clearing forgets all.
TEST(HistoryTags, GiveTheHighestNumberThePictureShows) {
    enum Act { plain, undo, redo, sixtyFourPlain, clear, tagged };  // tagged + n: a step tagged n
    const std::pair<int, uint32_t> steps[] = {
        {plain, 0},  {tagged + 1, 1}, {tagged + 2, 2}, {undo, 1},           {undo, 0},      {redo, 1},
        {plain, 1},  {redo, 1},       {tagged + 2, 2}, {tagged + 3, 3},     {undo, 2},      {plain, 2},
        {redo, 2},   {sixtyFourPlain, 2}, {undo, 2},   {tagged + 3, 3},     {clear, 0},     {tagged + 1, 1},
    };
    TestPicture picture(64, 64, white);
    History history = {};
    int n = 0;
    auto drawStep = [&](uint32_t tag) {
        beginStep(history, &picture.holder);
        drawLine(&picture.holder, n % 64, 0, n % 64, 63, (n % 2) ? red : blue, 1);
        n++;
        tagStep(history, tag);
        endStep(history);
    };
    for (size_t i = 0; i < std::size(steps); i++) {
        int act = steps[i].first;
        if (act == undo)
            undoStep(history);
        else if (act == redo)
            redoStep(history);
        else if (act == clear)
            clearHistory(history);
        for (int k = 0; k < (act == sixtyFourPlain ? 64 : act == plain || act >= tagged ? 1 : 0); k++)
            drawStep(act >= tagged ? uint32_t(act - tagged) : 0);
        EXPECT_EQ(highestDoneTag(history), steps[i].second) << "step " << i;
    }
    clearHistory(history);
}
