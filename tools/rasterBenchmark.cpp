// rasterBenchmark: how long the drawing primitives, the bitmap text and the
// fitting take on screen-sized pictures, against as many bare
// GdipBitmapSetPixel writes as the operation itself stores (counted by the
// canvas's store observer in a run of its own, untimed). Rows marked "in a
// history step" draw with an open step, saving the tiles they touch. Prints
// the median of a few runs of each. Not a test: the numbers depend on the
// machine and on the GDI+ underneath.
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <vector>

#include "image/annotation.h"
#include "image/bitmapText.h"
#include "image/capture.h"
#include "image/drawing.h"
#include "image/history.h"
#include "image/pixelCanvas.h"
#include "image/systemText.h"
#include "tools/benchmarkClock.h"

using namespace Gdiplus::DllExports;

namespace {

const int runs = 5;
const uint32_t pen = 0xFFFF0000;
const uint32_t brush = 0xFF00FF00;
const char sampleText[] = "The quick brown fox jumps over the lazy dog 0123456789 !?+-*/=#";
static_assert(sizeof(sampleText) - 1 == 63);

struct PictureSizeCase {
    int32_t width, height;
};

struct Operation {
    const char* name;
    void (*run)(ImageHolder* holder, int32_t width, int32_t height);
    bool consumesPicture;  // fitting replaces the picture: each run gets a fresh one
    bool inHistoryStep;    // drawn within an open step, which is closed and cleared after each run
};

void filledRectangle(ImageHolder* holder, int32_t width, int32_t height) {
    drawRectangle(holder, 0, 0, width - 1, height - 1, pen, brush, 1);
}

void filledEllipse(ImageHolder* holder, int32_t width, int32_t height) {
    drawEllipse(holder, 0, 0, width - 1, height - 1, pen, brush, 1);
}

void wideLine(ImageHolder* holder, int32_t width, int32_t height) {
    drawLine(holder, 0, 0, width - 1, height - 1, pen, 15);
}

// One segment of a pencil stroke, as the mouse moves 20 pixels.
void pencilSegmentWide(ImageHolder* holder, int32_t, int32_t) {
    drawLine(holder, 500, 400, 517, 410, pen, 15);
}

void pencilSegmentThin(ImageHolder* holder, int32_t, int32_t) {
    drawLine(holder, 500, 400, 517, 410, pen, 1);
}

void text(ImageHolder* holder, int32_t, int32_t) {
    drawBitmapText(holder, 10, 10, pen, sampleText);
}

void arrowAcross(ImageHolder* holder, int32_t width, int32_t height) {
    drawArrow(holder, 0, 0, width - 1, height - 1, pen, 15);
}

// The picture less a 10-pixel margin, so the ring is there to be read.
void highlightLarge(ImageHolder* holder, int32_t width, int32_t height) {
    drawHighlight(holder, 10, 10, width - 10, height - 10, highlighterColour);
}

void redactionLarge(ImageHolder* holder, int32_t width, int32_t height) {
    drawRedaction(holder, 10, 10, width - 10, height - 10, 12);
}

void fit(ImageHolder* holder, int32_t, int32_t) {
    fitToScreen(holder);
}

const Operation operations[] = {
    {"filled rectangle, whole picture", filledRectangle, false, false},
    {"filled ellipse, whole picture", filledEllipse, false, false},
    {"line across, width 15", wideLine, false, false},
    {"pencil segment 20 px, width 15", pencilSegmentWide, false, false},
    {"pencil segment 20 px, width 1", pencilSegmentThin, false, false},
    {"text, 63 characters", text, false, false},
    {"filled rectangle, whole picture, in a history step", filledRectangle, false, true},
    {"pencil segment 20 px, width 15, in a history step", pencilSegmentWide, false, true},
    {"text, 63 characters, in a history step", text, false, true},
    {"arrow across, width 15", arrowAcross, false, false},
    {"highlight, picture less 10 px margin", highlightLarge, false, false},
    {"redaction, picture less 10 px margin, blocks of 12", redactionLarge, false, false},
    {"fitToScreen", fit, true, false},
};

const PictureSizeCase pictureSizes[] = {{1920, 1080}, {3840, 2160}};

uint64_t pixelWrites = 0;

void countStore(int32_t, int32_t, uint32_t) {
    pixelWrites++;
}

ImageHolder freshPicture(int32_t width, int32_t height) {
    ImageHolder holder = {nullptr};
    GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, &holder.bitmap);
    return holder;
}

double seconds() {
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) / double(frequency.QuadPart);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

uint64_t countWrites(const Operation& op, const PictureSizeCase& size) {
    ImageHolder holder = freshPicture(size.width, size.height);
    observePixelStores(countStore);
    pixelWrites = 0;
    op.run(&holder, size.width, size.height);
    observePixelStores(nullptr);
    GdipDisposeImage(holder.bitmap);
    return pixelWrites;
}

double timeOperation(const Operation& op, const PictureSizeCase& size) {
    std::vector<double> times;
    ImageHolder holder = freshPicture(size.width, size.height);
    for (int run = 0; run < runs; run++) {
        if (op.consumesPicture && run > 0) {
            GdipDisposeImage(holder.bitmap);
            holder = freshPicture(size.width, size.height);
        }
        History history = {};
        double start = seconds();
        if (op.inHistoryStep)
            beginStep(history, &holder);
        op.run(&holder, size.width, size.height);
        endStep(history);
        times.push_back(seconds() - start);
        clearHistory(history);
    }
    GdipDisposeImage(holder.bitmap);
    return median(times);
}

// Bare writes walking the picture row by row, as many as asked for.
double timeBareWrites(uint64_t count, const PictureSizeCase& size) {
    std::vector<double> times;
    ImageHolder holder = freshPicture(size.width, size.height);
    for (int run = 0; run < runs; run++) {
        double start = seconds();
        int32_t x = 0, y = 0;
        for (uint64_t i = 0; i < count; i++) {
            GdipBitmapSetPixel(holder.bitmap, x, y, pen);
            if (++x == size.width) {
                x = 0;
                y = (y + 1) % size.height;
            }
        }
        times.push_back(seconds() - start);
    }
    GdipDisposeImage(holder.bitmap);
    return median(times);
}

void report(const PictureSizeCase& size) {
    for (const Operation& op : operations) {
        uint64_t writes = countWrites(op, size);
        // Fitting writes no pixels; it is set against one write per source pixel.
        uint64_t baselineWrites = writes ? writes : uint64_t(size.width) * uint64_t(size.height);
        double opTime = timeOperation(op, size);
        double baseTime = timeBareWrites(baselineWrites, size);
        std::printf("| %dx%d | %s | %llu | %.3f | %llu | %.3f | %.2f |\n", size.width, size.height, op.name,
                    static_cast<unsigned long long>(writes), opTime * 1000.0,
                    static_cast<unsigned long long>(baselineWrites), baseTime * 1000.0,
                    baseTime > 0 ? opTime / baseTime : 0.0);
        std::fflush(stdout);
    }
}

// Undo and redo of one step that covered the whole picture, each timed alone,
// against the 20 ms a key press may take before the user sees it lag.
void reportUndoRedo(int32_t width, int32_t height) {
    std::vector<double> undoTimes, redoTimes;
    ImageHolder holder = freshPicture(width, height);
    History history = {};
    beginStep(history, &holder);
    drawRectangle(&holder, 0, 0, width - 1, height - 1, pen, brush, 1);
    endStep(history);
    for (int run = 0; run < runs; run++) {
        double start = seconds();
        undoStep(history);
        undoTimes.push_back(seconds() - start);
        start = seconds();
        redoStep(history);
        redoTimes.push_back(seconds() - start);
    }
    const double aim = 0.020;
    std::printf("| %dx%d | undo of a whole-picture step | %.3f | aim 20 | %.2f |\n", width, height,
                median(undoTimes) * 1000.0, median(undoTimes) / aim);
    std::printf("| %dx%d | redo of a whole-picture step | %.3f | aim 20 | %.2f |\n", width, height,
                median(redoTimes) * 1000.0, median(redoTimes) / aim);
    clearHistory(history);
    GdipDisposeImage(holder.bitmap);
}

// The saved bytes the history keeps after many steps, against its bound.
void reportHistoryBytes(int32_t width, int32_t height) {
    struct Load {
        const char* name;
        int steps;
        bool wholeFill;
    };
    static const Load loads[] = {{"50 pencil strokes", 50, false}, {"20 whole-picture fills", 20, true}};
    for (const Load& load : loads) {
        ImageHolder holder = freshPicture(width, height);
        History history = {};
        for (int i = 0; i < load.steps; i++) {
            beginStep(history, &holder);
            if (load.wholeFill) {
                drawRectangle(&holder, 0, 0, width - 1, height - 1, pen, i % 2 ? brush : pen, 1);
            } else {
                int32_t x = 40 + i * 30, y = 100 + (i % 5) * 40;
                drawLine(&holder, x, y, x + 25, y + 90, pen, 3);
                drawLine(&holder, x + 25, y + 90, x + 60, y + 40, pen, 3);
            }
            endStep(history);
        }
        size_t bound = historyByteBound(width, height);
        std::printf("| %dx%d | history after %s | %llu bytes, %d steps | bound %llu | %.3f |\n", width, height,
                    load.name, static_cast<unsigned long long>(historyBytes(history)), history.stepCount,
                    static_cast<unsigned long long>(bound), double(historyBytes(history)) / double(bound));
        clearHistory(history);
        GdipDisposeImage(holder.bitmap);
    }
}

// What the open box does at each key before its repaint: lay out all of a
// full box's 1,000 characters, one paragraph wrapped at the picture's edge
// at width 15, its letters rendered already. No aim of its own: a part of
// the keystroke's 4 ms.
void reportTypedLayout(int32_t width) {
    static wchar_t text[1001] = {};
    static const wchar_t pangram[] = L"Zażółć gęślą jaźń, pchnąć łódź w tę jeża lub ośm skrzyń fig. ";
    for (size_t i = 0; i < 1000; i++)
        text[i] = pangram[i % (std::size(pangram) - 1)];
    static GlyphCache glyphs = {};
    static TextLayout layout = {};
    layoutTypedText(text, 1000, 15, width - 48, glyphs, &layout);
    std::vector<double> times;
    for (int run = 0; run < 50; run++) {
        double start = seconds();
        layoutTypedText(text, 1000, 15, width - 48, glyphs, &layout);
        times.push_back(seconds() - start);
    }
    std::printf("| %dx%d | layout of 1000 characters in one paragraph, %d lines, width 15 | %.3f | - | - |\n", width,
                1080, layout.lineCount, median(times) * 1000.0);
    forgetGlyphs(glyphs);
}

// What the typed text and the step markers cost, each in a history step as
// the editor draws them, against the aims: a 100-character text of three
// lines at pen width 15 committed within 5 ms, a marker within 2 ms. The
// editor commits an open box whose letters its layouts have rendered already
// ("after typing": laid out once, untimed); "cold" lays the text out and
// renders every letter in the commit itself.
void reportSystemText(int32_t width, int32_t height) {
    static const wchar_t text[] = L"Zażółć gęślą jaźń, pchnąć łódź\nw tę jeża lub ośm skrzyń fig, 0123\n"
                                  L"Żółw źle łka, ćma ślę: ŁÓDŹ 456789";
    static_assert(sizeof(text) / sizeof(text[0]) - 1 == 100);
    struct Row {
        const char* name;
        bool marker;
        bool afterTyping;
        uint32_t brush;
        int32_t penWidth;
        double aimMs;
    };
    static const Row rows[] = {
        {"commit of a 100-character text, 3 lines, width 15, after typing", false, true, 0, 15, 5.0},
        {"commit of a 100-character text, 3 lines, width 15, filled, after typing", false, true, brush, 15, 5.0},
        {"commit of a 100-character text, 3 lines, width 15, cold", false, false, 0, 15, 5.0},
        {"commit of a 100-character text, 3 lines, width 1, cold", false, false, 0, 1, 5.0},
        {"one step marker, width 1", true, false, 0, 1, 2.0},
        {"one step marker, width 15", true, false, 0, 15, 2.0},
    };
    static GlyphCache glyphs = {};
    static TextLayout layout = {};
    for (const Row& row : rows) {
        std::vector<double> times;
        ImageHolder holder = freshPicture(width, height);
        for (int run = 0; run < runs; run++) {
            // The box lays its text out at each key, so the letters are
            // measured and rendered before the commit; cold, in it. An
            // editor's markers render their digits at the first of them.
            if (row.afterTyping)
                layoutTypedText(text, 100, row.penWidth, width - 108, glyphs, &layout);
            if (row.marker && run == 0)
                drawStepMarker(&holder, 500, 400, 1234567890, pen, row.penWidth, glyphs);
            History history = {};
            double start = seconds();
            if (!row.marker && !row.afterTyping)
                layoutTypedText(text, 100, row.penWidth, width - 108, glyphs, &layout);
            beginStep(history, &holder);
            if (row.marker)
                drawStepMarker(&holder, 500, 400, uint32_t(run + 1), pen, row.penWidth, glyphs);
            else
                drawTypedText(&holder, 100, 100, text, layout, pen, row.brush, glyphs);
            tagStep(history, 1);
            endStep(history);
            times.push_back(seconds() - start);
            clearHistory(history);
            if (!row.marker)
                forgetGlyphs(glyphs);
        }
        GdipDisposeImage(holder.bitmap);
        forgetGlyphs(glyphs);
        double ms = median(times) * 1000.0;
        std::printf("| %dx%d | %s, in a history step | %.3f | aim %.0f | %.2f |\n", width, height, row.name, ms,
                    row.aimMs, ms / row.aimMs);
        std::fflush(stdout);
    }
    reportTypedLayout(width);
}

}  // namespace

int main() {
    ULONG_PTR token = 0;
    if (!startGdiplus(&token))
        return 1;
    std::printf("primary screen %dx%d, median of %d runs\n\n", GetSystemMetrics(SM_CXSCREEN),
                GetSystemMetrics(SM_CYSCREEN), runs);
    std::printf("| picture | operation | pixel writes | time ms | baseline writes | baseline ms | ratio |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    for (const PictureSizeCase& size : pictureSizes)
        report(size);
    std::printf("\n| picture | history | median ms or bytes | aim or bound | ratio |\n|---|---|---|---|---|\n");
    reportUndoRedo(1920, 1080);
    reportHistoryBytes(1920, 1080);
    std::printf("\n| picture | typed text and markers | median ms | aim ms | ratio |\n|---|---|---|---|---|\n");
    reportSystemText(1920, 1080);
    Gdiplus::GdiplusShutdown(token);
    return 0;
}
