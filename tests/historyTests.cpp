// Undo and redo of whole user actions on real GDI+ bitmaps: after every action
// the whole picture is read back and compared with the snapshot it must equal;
// the step and byte bounds keep the newest steps; and pictures of the formats
// screenshots and files come in keep exact pixels through the locked drawing
// and its undo.
#include <cstring>
#include <sstream>
#include <string>

#include "image/bitmapText.h"
#include "image/drawing.h"
#include "image/history.h"
#include "image/pixelCanvas.h"
#include "imageTestSupport.h"
#include "tools/pngWriter.h"

using namespace Gdiplus::DllExports;

namespace {

using Snapshot = std::vector<uint32_t>;

// The whole picture in 32-bit ARGB, row by row.
Snapshot readPicture(const ImageHolder& holder) {
    UINT width = 0, height = 0;
    GdipGetImageWidth(holder.bitmap, &width);
    GdipGetImageHeight(holder.bitmap, &height);
    Snapshot pixels(size_t(width) * height);
    Gdiplus::Rect rect(0, 0, INT(width), INT(height));
    Gdiplus::BitmapData data = {};
    if (GdipBitmapLockBits(holder.bitmap, &rect, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok)
        return {};
    for (UINT y = 0; y < height; y++)
        std::memcpy(&pixels[size_t(y) * width], static_cast<uint8_t*>(data.Scan0) + y * data.Stride, width * 4);
    GdipBitmapUnlockBits(holder.bitmap, &data);
    return pixels;
}

// A background every pixel of which differs from its neighbours, so a tile put
// back in the wrong place or from the wrong moment shows.
void paintPattern(GpBitmap* bitmap, int32_t width, int32_t height) {
    for (int32_t y = 0; y < height; y++) {
        for (int32_t x = 0; x < width; x++)
            GdipBitmapSetPixel(bitmap, x, y, 0xFF000000u | uint32_t(x * 7 + y * 13) << 16 | uint32_t(x * y) << 8 | uint32_t(x ^ y));
    }
}

uint32_t colourOf(int n) {
    static const uint32_t colours[] = {0xFFFF0000, 0xFF00A000, 0xFF0000FF, 0xFFFFA000, 0xFF800080, 0xFF00C0C0};
    return colours[n % 6];
}

// One user action each: several operations, tiles written more than once
// within the action, pixels over the picture's edge and over tile borders.
void drawAction(ImageHolder* h, int n) {
    uint32_t c = colourOf(n);
    switch (n % 5) {
    case 0:  // a pencil stroke: segments from button down to button up
        drawLine(h, 10, 10, 70, 30, c, 15);
        drawLine(h, 70, 30, 60, 90, c, 15);
        drawLine(h, 60, 90, 140, 95, c, 15);
        drawLine(h, 140, 95, 170, 20, c, 15);
        break;
    case 1:
        drawRectangle(h, 30, 20, 130, 80, c, 0xFF202020 + uint32_t(n), 5);
        break;
    case 2:
        drawEllipse(h, -20, 40, 100, 120, c, 0x80FFFFFF, 3);
        break;
    case 3:
        drawBitmapText(h, 5, 60, c, "Undo?");
        break;
    default:
        stampSquare(h, 64, 64, c, 9);
        stampSquare(h, 149, 0, c, 4);
        drawLine(h, 0, 99, 149, 0, c, 1);
        break;
    }
}

const int32_t sequenceWidth = 150, sequenceHeight = 100;

}  // namespace

// Each token is an action and the picture that must follow it: d draws the next
// action in a step of its own, u undoes, r redoes, c draws in a step and
// cancels it, e opens and closes a step that draws nothing. The digit names
// the snapshot taken after that many drawn actions (0 the untouched picture);
// a dash after u or r says there was nothing to undo or redo, so the call
// answers false and the picture stays.
TEST(History, UndoAndRedoRestoreEveryPictureExactly) {
    static const char* const sequences[] = {
        "d1 d2 d3 u2 u1 u0 u- r1 r2 r3 r-",
        "d1 d2 u1 d3 r- u1 u0 r1 r3 r-",
        "d1 c1 u0 r1 d2 u1 c1 r2 u1 u0 u-",
        "d1 e1 u0 e0 r1 r- u0",
        "d1 d2 d3 d4 d5 u4 u3 u2 r3 r4 u3 d6 u3 u2 u1 u0 u- r1 r2 r3 r6 r-",
        "d1 d2 d3 d4 d5 d6 d7 u6 u5 u4 u3 u2 u1 u0 r1 r2 r3 r4 r5 r6 r7",
    };
    for (const char* sequence : sequences) {
        TestPicture picture(sequenceWidth, sequenceHeight, white);
        paintPattern(picture.holder.bitmap, sequenceWidth, sequenceHeight);
        History history = {};
        std::vector<Snapshot> snapshots = {readPicture(picture.holder)};
        std::istringstream tokens(sequence);
        std::string token;
        int actions = 0;
        while (tokens >> token) {
            char action = token[0];
            Snapshot before = readPicture(picture.holder);
            bool answer = true;
            if (action == 'd' || action == 'c' || action == 'e') {
                beginStep(history, &picture.holder);
                if (action != 'e')
                    drawAction(&picture.holder, actions + (action == 'c' ? 2 : 0));
                if (action == 'c')
                    cancelStep(history);
                else
                    endStep(history);
                if (action == 'd') {
                    actions++;
                    snapshots.push_back(readPicture(picture.holder));
                    ASSERT_NE(snapshots.back(), before) << sequence << " at " << token;
                }
            } else {
                answer = action == 'u' ? undoStep(history) : redoStep(history);
            }
            if (token[1] == '-') {
                EXPECT_FALSE(answer) << sequence << " at " << token;
                EXPECT_EQ(readPicture(picture.holder), before) << sequence << " at " << token;
                continue;
            }
            EXPECT_TRUE(answer) << sequence << " at " << token;
            size_t expected = size_t(token[1] - '0');
            ASSERT_LT(expected, snapshots.size()) << sequence << " at " << token;
            EXPECT_EQ(readPicture(picture.holder), snapshots[expected]) << sequence << " at " << token;
        }
        clearHistory(history);
        EXPECT_EQ(historyBytes(history), 0u);
    }
}

// 65 steps, each one stamp in a tile of its own row: the first is forgotten.
TEST(History, KeepsTheLastSixtyFourSteps) {
    TestPicture picture(sequenceWidth, sequenceHeight, white);
    History history = {};
    std::vector<Snapshot> snapshots = {readPicture(picture.holder)};
    for (int n = 0; n < 65; n++) {
        beginStep(history, &picture.holder);
        stampSquare(&picture.holder, (n * 37) % sequenceWidth, (n * 11) % sequenceHeight, colourOf(n) - uint32_t(n), 3);
        endStep(history);
        snapshots.push_back(readPicture(picture.holder));
    }
    for (int n = 65; n > 1; n--) {
        ASSERT_TRUE(canUndo(history)) << n;
        ASSERT_TRUE(undoStep(history)) << n;
        EXPECT_EQ(readPicture(picture.holder), snapshots[size_t(n - 1)]) << n;
    }
    EXPECT_FALSE(canUndo(history));
    EXPECT_FALSE(undoStep(history));
    EXPECT_EQ(readPicture(picture.holder), snapshots[1]);
    for (int n = 2; n <= 65; n++)
        ASSERT_TRUE(redoStep(history)) << n;
    EXPECT_FALSE(canRedo(history));
    EXPECT_EQ(readPicture(picture.holder), snapshots[65]);
    clearHistory(history);
}

// Each fill covers the whole picture, so it saves the whole picture: the saved
// bytes may not pass the larger of 64 MiB and twice the picture, and the
// oldest steps go first. A row may open with small steps of one tile each;
// the fill that overshoots the bound then drops them all at once.
TEST(History, ByteBoundDropsTheOldestSteps) {
    struct Case {
        int32_t width, height;
        int smallSteps;
        int fills;
        int kept;
        size_t keptBytes;
    };
    static const Case cases[] = {
        {2048, 2048, 0, 6, 4, size_t(64) << 20},         // 16 MiB a fill, bound 64 MiB
        {4608, 2048, 0, 4, 2, size_t(2) * 4608 * 2048 * 4},  // 36 MiB a fill, bound twice that
        {2048, 2048, 3, 5, 4, size_t(64) << 20},         // the fourth fill drops three small steps
    };
    for (const Case& c : cases) {
        TestPicture picture(c.width, c.height, white);
        History history = {};
        for (int n = 0; n < c.smallSteps; n++) {
            beginStep(history, &picture.holder);
            drawRectangle(&picture.holder, 10 + 10 * n, 10, 15 + 10 * n, 15, black, red, 0);
            endStep(history);
        }
        for (int n = 0; n < c.fills; n++) {
            beginStep(history, &picture.holder);
            drawRectangle(&picture.holder, -1, -1, c.width, c.height, black, 0xFF000000u + uint32_t(n + 1), 0);
            endStep(history);
        }
        EXPECT_EQ(historyBytes(history), c.keptBytes) << c.width;
        for (int n = 0; n < c.kept; n++)
            ASSERT_TRUE(undoStep(history)) << c.width << " undo " << n;
        EXPECT_FALSE(undoStep(history)) << c.width;
        Snapshot expected(size_t(c.width) * size_t(c.height), 0xFF000000u + uint32_t(c.fills - c.kept));
        EXPECT_TRUE(readPicture(picture.holder) == expected) << c.width;
        clearHistory(history);
    }
}

// Screenshots come as 32bppRGB, files often as 24bppRGB, fitted pictures as
// 32bppPARGB: drawing through the lock must leave what one GdipBitmapSetPixel
// per stored pixel leaves, untouched pixels included, and undo must give back
// the picture exactly.
TEST(History, OtherPixelFormatsKeepExactPixels) {
    static const Gdiplus::PixelFormat formats[] = {PixelFormat24bppRGB, PixelFormat32bppRGB, PixelFormat32bppPARGB,
                                                   PixelFormat32bppARGB};
    const int32_t width = 90, height = 70;
    for (Gdiplus::PixelFormat format : formats) {
        ImageHolder drawn = {nullptr}, expected = {nullptr};
        ASSERT_EQ(GdipCreateBitmapFromScan0(width, height, 0, format, nullptr, &drawn.bitmap), Gdiplus::Ok);
        ASSERT_EQ(GdipCreateBitmapFromScan0(width, height, 0, format, nullptr, &expected.bitmap), Gdiplus::Ok);
        for (int32_t y = 0; y < height; y++) {
            for (int32_t x = 0; x < width; x++) {
                uint32_t pixel = uint32_t(x * 2246822519u ^ y * 3266489917u) | (x % 3 ? 0xFF000000u : 0u);
                GdipBitmapSetPixel(drawn.bitmap, x, y, pixel);
                GdipBitmapSetPixel(expected.bitmap, x, y, pixel);
            }
        }
        Snapshot original = readPicture(drawn);
        History history = {};
        std::vector<PixelWrite> stores;
        {
            PixelWriteRecorder recorder;
            beginStep(history, &drawn);
            drawLine(&drawn, -5, 3, 80, 66, red, 7);
            drawRectangle(&drawn, 10, 10, 70, 50, blue, 0x80123456, 3);
            drawEllipse(&drawn, 20, 5, 88, 69, 0x40ABCDEF, 0xC0FFFFFF, 2);
            drawBitmapText(&drawn, 40, 30, 0x7F808080, "Ab");
            endStep(history);
            stores = recorder.writes;
        }
        ASSERT_FALSE(stores.empty());
        for (const PixelWrite& w : stores)
            GdipBitmapSetPixel(expected.bitmap, w.x, w.y, w.colour);
        Snapshot afterDrawing = readPicture(expected);
        EXPECT_EQ(readPicture(drawn), afterDrawing) << format;
        EXPECT_EQ(pixelsOfColour(drawn, red), pixelsOfColour(expected, red)) << format;
        ASSERT_TRUE(undoStep(history)) << format;
        EXPECT_EQ(readPicture(drawn), original) << format;
        ASSERT_TRUE(redoStep(history)) << format;
        EXPECT_EQ(readPicture(drawn), afterDrawing) << format;
        clearHistory(history);
        GdipDisposeImage(drawn.bitmap);
        GdipDisposeImage(expected.bitmap);
    }
}

// A specimen to look at: three actions, two undone and one redone, side by
// side with the picture after the same two actions drawn with no history.
TEST(History, SpecimenAfterDrawUndoRedo) {
    TestPicture picture(sequenceWidth, sequenceHeight, white);
    TestPicture reference(sequenceWidth, sequenceHeight, white);
    History history = {};
    for (int n = 0; n < 3; n++) {
        beginStep(history, &picture.holder);
        drawAction(&picture.holder, n);
        endStep(history);
    }
    ASSERT_TRUE(undoStep(history));
    ASSERT_TRUE(undoStep(history));
    ASSERT_TRUE(redoStep(history));
    drawAction(&reference.holder, 0);
    drawAction(&reference.holder, 1);
    Snapshot shown = readPicture(picture.holder);
    EXPECT_EQ(shown, readPicture(reference.holder));
    std::vector<uint8_t> rgba;
    for (uint32_t p : shown)
        rgba.insert(rgba.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), uint8_t(p >> 24)});
    EXPECT_TRUE(pngWriter::writeRgba("historySpecimen.png", sequenceWidth, sequenceHeight, rgba));
    clearHistory(history);
}
