// layerBenchmark: what the layer of drawings costs on a 1920 x 1080 picture
// holding 200 drawings, 20 of each kind: one step of a drag that moves a
// drawing (the layer's part; the window's repaint of the part it answers
// comes on top), the press that finds a drawing, undo and redo of an edit, a
// rectangle added as a step against the bare primitive, and the copies of
// the picture it keeps. Prints medians. Not a test: the numbers depend on the
// machine and on the GDI+ underneath.
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <vector>

#include "annotations/annotationEdit.h"
#include "annotations/annotationHitTest.h"
#include "annotations/annotationRender.h"
#include "image/bitmapText.h"
#include "image/drawing.h"
#include "tools/benchmarkClock.h"

using namespace Gdiplus::DllExports;

namespace {

const int32_t width = 1920, height = 1080;
const int moves = 41;

uint32_t seed = 12345;

// The same drawings every run.
int32_t nextNumber(int32_t below) {
    seed = seed * 1103515245u + 12345u;
    return int32_t((seed >> 8) % uint32_t(below));
}

ImageHolder pagePicture() {
    ImageHolder holder = {nullptr};
    GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, &holder.bitmap);
    Gdiplus::Rect rect(0, 0, width, height);
    Gdiplus::BitmapData data = {};
    if (holder.bitmap &&
        GdipBitmapLockBits(holder.bitmap, &rect, Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB, &data) == Gdiplus::Ok) {
        for (int32_t y = 0; y < height; y++) {
            uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(data.Scan0) + ptrdiff_t(y) * data.Stride);
            for (int32_t x = 0; x < width; x++)
                row[x] = 0xFF000000u | uint32_t(200 + x % 50) << 16 | uint32_t(230 - y % 30) << 8 | uint32_t(x * y % 200);
        }
        GdipBitmapUnlockBits(holder.bitmap, &data);
    }
    return holder;
}

const wchar_t typed[] = L"Zażółć gęślą jaźń\nkrok 2";
const char bitmapWords[] = "Step two: click here";

// A drawing of the kind somewhere on the picture, of a size the tools make.
bool makeOne(uint8_t kind, Annotation* out) {
    POINT at = {nextNumber(width - 300) + 20, nextNumber(height - 250) + 20};
    POINT corner = {at.x + 40 + nextNumber(260), at.y + 30 + nextNumber(200)};
    AnnotationStyle style = {0xFF000000u | uint32_t(nextNumber(0xFFFFFF)), kind == annotationRectangle ? 0xFF80C0FF : 0,
                             1 + nextNumber(6)};
    std::vector<POINT> points = {at, corner};
    const void* text = nullptr;
    int32_t length = 0;
    if (kind == annotationPencil) {
        points.clear();
        for (int i = 0; i < 30; i++)
            points.push_back({at.x + i * 6, at.y + nextNumber(40)});
    } else if (annotationPointCount(kind) == 1) {
        points.resize(1);
    }
    if (kind == annotationTypedText) {
        text = typed;
        length = int32_t(wcslen(typed));
    } else if (kind == annotationBitmapText) {
        text = bitmapWords;
        length = int32_t(strlen(bitmapWords));
    }
    return makeAnnotation(kind, points.data(), int32_t(points.size()), style, text, length, out);
}

void fillLayer(AnnotationLayer& layer) {
    for (int i = 0; i < 200; i++) {
        Annotation a = {};
        if (makeOne(uint8_t(i % annotationKindCount), &a))
            addAnnotation(layer, a, nullptr);
        freeAnnotation(a);
    }
}

void row(const char* name, double ms, double aim) {
    if (aim > 0)
        std::printf("| %s | %.3f | %.0f | %.2f | %s |\n", name, ms, aim, ms / aim, ms <= aim ? "yes" : "NO");
    else
        std::printf("| %s | %.3f | | | |\n", name, ms);
    std::fflush(stdout);
}

// One drawing of the kind, near the middle of the list, dragged 3 pixels
// right and 2 down a move; then undo and redo of that drag.
void reportDrag(AnnotationLayer& layer, uint8_t kind, const char* kindName) {
    int32_t index = layer.count / 2;
    while (index < layer.count && layer.items[index].kind != kind)
        index++;
    if (index == layer.count)
        return;
    std::vector<double> steps;
    double start = nowMs();
    beginAnnotationEdit(layer, index);
    double begin = nowMs() - start;
    Annotation pressed = {};
    copyAnnotation(layer.items[index], &pressed);
    for (int m = 0; m <= moves; m++) {
        start = nowMs();
        Annotation now = {};
        movedAnnotation(pressed, 3 * m, 2 * m, width, height, &now);
        showAnnotationEdit(layer, now, nullptr);
        freeAnnotation(now);
        if (m > 0)
            steps.push_back(nowMs() - start);
    }
    endAnnotationEdit(layer);
    freeAnnotation(pressed);
    std::vector<double> undos, redos;
    for (int run = 0; run < 9; run++) {
        start = nowMs();
        undoAnnotation(layer, nullptr);
        undos.push_back(nowMs() - start);
        start = nowMs();
        redoAnnotation(layer, nullptr);
        redos.push_back(nowMs() - start);
    }
    char name[160];
    std::snprintf(name, sizeof(name), "one move of a dragged %s, the layer's part", kindName);
    row(name, median(steps), 8);
    std::snprintf(name, sizeof(name), "the drag's start (the copy below the %s)", kindName);
    row(name, begin, 0);
    std::snprintf(name, sizeof(name), "undo of the %s's drag", kindName);
    row(name, median(undos), 5);
    std::snprintf(name, sizeof(name), "redo of the %s's drag", kindName);
    row(name, median(redos), 5);
}

void reportPresses(const AnnotationLayer& layer) {
    std::vector<double> times;
    int found = 0;
    for (int p = 0; p < moves; p++) {
        POINT at = {nextNumber(width), nextNumber(height)};
        double start = nowMs();
        found += annotationAt(layer, at) >= 0 ? 1 : 0;
        times.push_back(nowMs() - start);
    }
    char name[160];
    std::snprintf(name, sizeof(name), "a press that finds the drawing under it (%d of %d found one)", found, moves);
    row(name, median(times), 8);
}

// The layer's step against the primitive alone on a picture of its own.
void reportAdded(AnnotationLayer& layer, const char* name, uint8_t kind, POINT a, POINT b, AnnotationStyle style,
                 const char* text) {
    Annotation record = {};
    POINT points[] = {a, b};
    makeAnnotation(kind, points, kind == annotationBitmapText ? 1 : 2, style, text, text ? int32_t(strlen(text)) : 0,
                   &record);
    ImageHolder bare = pagePicture();
    std::vector<double> stepTimes, bareTimes;
    for (int run = 0; run < 9; run++) {
        double start = nowMs();
        addAnnotation(layer, record, nullptr);
        stepTimes.push_back(nowMs() - start);
        undoAnnotation(layer, nullptr);
        start = nowMs();
        drawAnnotation(&bare, record, 0);
        bareTimes.push_back(nowMs() - start);
    }
    GdipDisposeImage(bare.bitmap);
    freeAnnotation(record);
    double step = median(stepTimes), primitive = median(bareTimes);
    std::printf("| %s, with its step, against the bare primitive (%.3f ms) | %.3f | 2x | %.2f | %s |\n", name,
                primitive, step, step / primitive, step <= 2 * primitive ? "yes" : "NO");
}

// The worst undo: a fill over the whole picture taken back composes the
// whole picture again with every drawing under it.
void reportWholeUndo(AnnotationLayer& layer) {
    Annotation fill = {};
    POINT corners[] = {{0, 0}, {width - 1, height - 1}};
    makeAnnotation(annotationRectangle, corners, 2, {0xFFFF0000, 0xFF00FF00, 1}, nullptr, 0, &fill);
    addAnnotation(layer, fill, nullptr);
    std::vector<double> undos, redos;
    for (int run = 0; run < 9; run++) {
        double start = nowMs();
        undoAnnotation(layer, nullptr);
        undos.push_back(nowMs() - start);
        start = nowMs();
        redoAnnotation(layer, nullptr);
        redos.push_back(nowMs() - start);
    }
    undoAnnotation(layer, nullptr);
    freeAnnotation(fill);
    row("undo of a whole-picture fill over the 200 drawings", median(undos), 5);
    row("redo of a whole-picture fill over the 200 drawings", median(redos), 5);
}

// The first drawing of an editor takes the copy of the picture beneath
// every drawing; the next ones do not.
void reportFirstDrawing() {
    ImageHolder picture = pagePicture();
    AnnotationLayer fresh = {};
    openAnnotationLayer(fresh, &picture);
    Annotation rectangle = {};
    POINT corners[] = {{800, 400}, {1100, 600}};
    makeAnnotation(annotationRectangle, corners, 2, {0xFFFF0000, 0xFF00FF00, 3}, nullptr, 0, &rectangle);
    double start = nowMs();
    addAnnotation(fresh, rectangle, nullptr);
    row("the first drawing's step, with the copy of the picture beneath it", nowMs() - start, 0);
    freeAnnotation(rectangle);
    closeAnnotationLayer(fresh);
    GdipDisposeImage(picture.bitmap);
}

size_t recordBytes(const Annotation& a) {
    return sizeof(Annotation) + sizeof(POINT) * size_t(a.pointCount) +
           (a.text ? sizeof(wchar_t) : sizeof(char)) * size_t(a.textLength + 1);
}

void reportMemory(const AnnotationLayer& layer, int32_t copiesDuringDrag) {
    size_t bytes = sizeof(AnnotationLayer) + sizeof(Annotation) * size_t(layer.capacity);
    for (int32_t j = 0; j < layer.count; j++)
        bytes += recordBytes(layer.items[j]);
    for (int32_t s = 0; s < layer.history.count; s++)
        bytes += recordBytes(layer.history.steps[s].before) + recordBytes(layer.history.steps[s].after);
    std::printf("| copies of the picture at rest (the picture and the layer's) | %d | 3 | | %s |\n",
                1 + layerPictureCopies(layer), 1 + layerPictureCopies(layer) <= 3 ? "yes" : "NO");
    std::printf("| copies of the picture during a drag | %d | | | |\n", 1 + copiesDuringDrag);
    std::printf("| records and steps kept, %d drawings, %d steps | %.1f KB | | %.4f copies | |\n", layer.count,
                layer.history.count, double(bytes) / 1024.0, double(bytes) / (double(width) * height * 4));
}

}  // namespace

int main() {
    ULONG_PTR token = 0;
    if (!startGdiplus(&token))
        return 1;
    ImageHolder picture = pagePicture();
    AnnotationLayer layer = {};
    openAnnotationLayer(layer, &picture);
    double start = nowMs();
    fillLayer(layer);
    std::printf("%dx%d picture, 200 drawings (20 of each kind) added in %.1f ms; medians of %d moves or presses, "
                "9 undos and redos\n\n",
                width, height, nowMs() - start, moves);
    std::printf("| layer | median ms | aim | ratio | met |\n|---|---|---|---|---|\n");
    static const struct {
        uint8_t kind;
        const char* name;
    } dragged[] = {{annotationRectangle, "rectangle"}, {annotationArrow, "arrow"},
                   {annotationTypedText, "typed text"}, {annotationRedaction, "redaction"},
                   {annotationStepMarker, "marker"},   {annotationPencil, "pencil stroke"}};
    for (const auto& d : dragged)
        reportDrag(layer, d.kind, d.name);
    beginAnnotationEdit(layer, layer.count / 2);
    int32_t copiesDuringDrag = layerPictureCopies(layer);
    endAnnotationEdit(layer);
    reportPresses(layer);
    reportWholeUndo(layer);
    reportFirstDrawing();
    reportAdded(layer, "a 300 x 200 rectangle, width 3, filled", annotationRectangle, {800, 400}, {1100, 600},
                {0xFFFF0000, 0xFF00FF00, 3}, nullptr);
    reportAdded(layer, "a whole-picture filled rectangle", annotationRectangle, {0, 0}, {width - 1, height - 1},
                {0xFFFF0000, 0xFF00FF00, 1}, nullptr);
    reportAdded(layer, "a 63-character bitmap text", annotationBitmapText, {10, 10}, {10, 10}, {0xFFFF0000, 0, 1},
                "The quick brown fox jumps over the lazy dog 0123456789 !?+-*/=#");
    reportMemory(layer, copiesDuringDrag);
    closeAnnotationLayer(layer);
    GdipDisposeImage(picture.bitmap);
    Gdiplus::GdiplusShutdown(token);
    return 0;
}
