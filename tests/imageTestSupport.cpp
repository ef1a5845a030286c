// Image test set-up (GDI+ is started for the whole run by the tests' main):
// fresh pictures, reading pixels back through GDI+ itself, and the
// pixel-write recorder, which watches the canvas's stores.
#include "imageTestSupport.h"

#include <algorithm>

#include "image/pixelCanvas.h"

using namespace Gdiplus::DllExports;

namespace {

PixelWriteRecorder* activeRecorder = nullptr;

void recordStore(int32_t x, int32_t y, uint32_t colour) {
    if (activeRecorder)
        activeRecorder->writes.push_back({x, y, colour});
}

}  // namespace

TestPicture::TestPicture(int32_t width, int32_t height, uint32_t backgroundColour) : background(backgroundColour) {
    GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, &holder.bitmap);
    Gdiplus::GpGraphics* graphics = nullptr;
    if (holder.bitmap && GdipGetImageGraphicsContext(holder.bitmap, &graphics) == Gdiplus::Ok) {
        GdipGraphicsClear(graphics, backgroundColour);
        GdipDeleteGraphics(graphics);
    }
}

TestPicture::~TestPicture() {
    if (holder.bitmap)
        GdipDisposeImage(holder.bitmap);
}

static void forEachPixel(const ImageHolder& holder, int32_t left, int32_t top, int32_t width, int32_t height,
                         bool (*keep)(uint32_t pixel, uint32_t reference), uint32_t reference, PointSet& out) {
    for (int32_t y = top; y < top + height; y++) {
        for (int32_t x = left; x < left + width; x++) {
            Gdiplus::ARGB pixel = 0;
            if (GdipBitmapGetPixel(holder.bitmap, x, y, &pixel) == Gdiplus::Ok && keep(pixel, reference))
                out.insert({x, y});
        }
    }
}

PointSet changedPixels(const TestPicture& picture) {
    PointSet points;
    forEachPixel(picture.holder, 0, 0, int32_t(imageWidth(&picture.holder)), int32_t(imageHeight(&picture.holder)),
                 [](uint32_t pixel, uint32_t background) { return pixel != background; }, picture.background, points);
    return points;
}

PointSet pixelsOfColour(const ImageHolder& holder, uint32_t colour, int32_t left, int32_t top, int32_t width,
                        int32_t height) {
    PointSet points;
    forEachPixel(holder, left, top, width, height,
                 [](uint32_t pixel, uint32_t wanted) { return pixel == wanted; }, colour, points);
    return points;
}

PointSet pixelsOfColour(const ImageHolder& holder, uint32_t colour) {
    return pixelsOfColour(holder, colour, 0, 0, int32_t(imageWidth(&holder)), int32_t(imageHeight(&holder)));
}

PointSet pointsOfRectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    PointSet points;
    for (int32_t x = left; x <= right; x++) {
        for (int32_t y = top; y <= bottom; y++)
            points.insert({x, y});
    }
    return points;
}

PointSet subtract(const PointSet& a, const PointSet& b) {
    PointSet points;
    for (const Point& p : a) {
        if (!b.count(p))
            points.insert(p);
    }
    return points;
}

PointSet translate(const PointSet& points, int32_t dx, int32_t dy) {
    PointSet moved;
    for (const Point& p : points)
        moved.insert({p.first + dx, p.second + dy});
    return moved;
}

PointSet keepInside(const PointSet& points, int32_t width, int32_t height) {
    PointSet inside;
    for (const Point& p : points) {
        if (p.first >= 0 && p.second >= 0 && p.first < width && p.second < height)
            inside.insert(p);
    }
    return inside;
}

std::vector<uint32_t> lockedPixels(const ImageHolder& holder) {
    int32_t width = int32_t(imageWidth(&holder)), height = int32_t(imageHeight(&holder));
    std::vector<uint32_t> pixels(size_t(width) * size_t(height));
    Gdiplus::Rect rect(0, 0, width, height);
    Gdiplus::BitmapData data = {};
    if (GdipBitmapLockBits(holder.bitmap, &rect, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok)
        return {};
    for (int32_t y = 0; y < height; y++) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(static_cast<uint8_t*>(data.Scan0) + y * data.Stride);
        std::copy(row, row + width, pixels.begin() + size_t(y) * size_t(width));
    }
    GdipBitmapUnlockBits(holder.bitmap, &data);
    return pixels;
}

void paintPage(GpBitmap* bitmap, int32_t width, int32_t height) {
    for (int32_t y = 0; y < height; y++) {
        for (int32_t x = 0; x < width; x++) {
            bool ink = (y % 20) >= 6 && (y % 20) < 14 && (x * 7 + y * 3) % 11 < 6 && x > 8 && x < width - 8;
            uint32_t page = 0xFF000000u | uint32_t(200 + x % 50) << 16 | uint32_t(230 - y % 30) << 8 | 0xF0u;
            GdipBitmapSetPixel(bitmap, x, y, ink ? 0xFF202030u + uint32_t(x % 5) : page);
        }
    }
}

PixelWriteRecorder::PixelWriteRecorder() {
    observePixelStores(recordStore);
    installed = true;
    activeRecorder = this;
}

PixelWriteRecorder::~PixelWriteRecorder() {
    activeRecorder = nullptr;
    observePixelStores(nullptr);
}
