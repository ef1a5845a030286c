// PNG and JPEG encoding of picture regions into temporary files: the encoder
// identities, the quality levels, the crop-and-save and the temporary names.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "../editor/editorState.h"
#include "../image/capture.h"
#include "../image/gdiplusFlat.h"

// How a region is saved: 0 PNG, 1 to 4 JPEG at falling quality. The quality
// slider's positions are these values.
constexpr int32_t levelPng = 0;
constexpr int32_t levelBestJpeg = 1;
constexpr int32_t levelWorstJpeg = 4;

constexpr size_t tempNameUnits = 260;

extern CLSID pngEncoderClsid;
extern CLSID jpegEncoderClsid;

// Fills both encoder identities; needs a running GDI+.
void lookUpEncoders();
CLSID findEncoderClsid(const wchar_t* mimeType);

// What a level is: the quality its JPEG is encoded at (0 for PNG) and the
// quality slider's tooltip text at that position.
struct QualityLevel {
    int32_t level;
    uint32_t jpegQuality;
    const wchar_t* tipText;
};
// The row of a level; null for a value that is no level.
const QualityLevel* qualityLevel(int32_t level);
// The JPEG quality of a level: 80, 60, 40, 10 for 1 to 4, 0 for every other.
uint32_t jpegQualityFor(int32_t level);

// One quality parameter and the value it points at. The block points into its
// own record, so it is filled in place and never copied.
struct JpegParameters {
    Gdiplus::EncoderParameters block;
    ULONG quality;
};
// False, with nothing filled, for a level that is not JPEG.
bool makeJpegParameters(int32_t level, JpegParameters* out);

// A region in picture coordinates: columns left to right-1, rows top to bottom-1.
struct PictureRegion {
    int32_t left, top, right, bottom;
};
constexpr bool regionIsEmpty(const PictureRegion& region) {
    return region.right <= region.left || region.bottom <= region.top;
}
// The two corners in order.
PictureRegion normalisedRegion(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// The corners in order and cut to a width x height picture.
PictureRegion clippedRegion(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t width, uint32_t height);

// Crops the region of the holder's picture and saves it at the level, replacing
// any file of that name. True only when the file was written: false for a
// region beyond the picture, a refused crop, a failed save or an unknown level.
bool saveRegion(const ImageHolder* holder, const wchar_t* fileName, int32_t level, int32_t x1, int32_t y1,
                int32_t x2, int32_t y2);

// The level a slider position stands for: 1 to 4 as they are, PNG for the rest.
int32_t sliderLevel(int64_t position);
// "<tempDir><seconds>.png" for PNG, ".jpg" otherwise; from number 2 on
// "<tempDir><seconds>-<number>.png". False, with an empty name, when it does
// not fit in capacity units.
bool formatTempPictureName(wchar_t* nameOut, size_t capacity, const wchar_t* tempDir, int32_t seconds,
                           int32_t level, int32_t number = 1);
// A level of 1 passed in stays 1; any other is replaced by the slider's. The
// name (260 units) is the first of that second and format that names no
// existing file; it comes out empty when the temporary directory is unknown or
// the name does not fit.
void makeTempPictureName(const EditorState& state, wchar_t* nameOut, int32_t* level);
