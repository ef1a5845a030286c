// Shared set-up of the image tests (GDI+ started by the tests' main): fresh
// pictures filled with a background colour, reading back which pixels hold
// which colour, and a recorder of every pixel the primitives store.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include "image/capture.h"
#include "testSupport.h"

using Point = std::pair<int32_t, int32_t>;  // x, y
using PointSet = PixelSet;

const uint32_t white = 0xFFFFFFFF;
const uint32_t red = 0xFFFF0000;
const uint32_t green = 0xFF00FF00;
const uint32_t blue = 0xFF0000FF;
const uint32_t black = 0xFF000000;
const uint32_t noBrush = 0x00FFFFFF;  // alpha 0: no fill, whatever the colour bytes say

// A 32-bit ARGB picture of its own, every pixel the background colour.
struct TestPicture {
    ImageHolder holder = {nullptr};
    uint32_t background = 0;
    TestPicture(int32_t width, int32_t height, uint32_t backgroundColour);
    TestPicture(const TestPicture&) = delete;
    TestPicture& operator=(const TestPicture&) = delete;
    ~TestPicture();
};

// Every pixel of the picture whose colour differs from its background.
PointSet changedPixels(const TestPicture& picture);
// Every pixel of the holder's bitmap, within the given rectangle, of exactly this colour.
PointSet pixelsOfColour(const ImageHolder& holder, uint32_t colour);
PointSet pixelsOfColour(const ImageHolder& holder, uint32_t colour, int32_t left, int32_t top, int32_t width,
                        int32_t height);

// All points of the inclusive rectangle.
PointSet pointsOfRectangle(int32_t left, int32_t top, int32_t right, int32_t bottom);
PointSet subtract(const PointSet& a, const PointSet& b);
PointSet translate(const PointSet& points, int32_t dx, int32_t dy);
PointSet keepInside(const PointSet& points, int32_t width, int32_t height);

// The whole picture in 32-bit ARGB, row by row; empty when it cannot be read.
std::vector<uint32_t> lockedPixels(const ImageHolder& holder);
// Lines of dark "text" on a light page with a coloured band, so markers,
// redaction blocks and highlights have something to show.
void paintPage(GpBitmap* bitmap, int32_t width, int32_t height);

struct PixelWrite {
    int32_t x, y;
    uint32_t colour;
};

// While alive, every pixel store of the drawing primitives is recorded, in
// order (and still carried out).
struct PixelWriteRecorder {
    bool installed = false;
    std::vector<PixelWrite> writes;
    PixelWriteRecorder();
    PixelWriteRecorder(const PixelWriteRecorder&) = delete;
    PixelWriteRecorder& operator=(const PixelWriteRecorder&) = delete;
    ~PixelWriteRecorder();
};
