// Encoder look-up, the crop-and-save of a region at a quality level, and the
// naming of temporary picture files. Temporary files are never deleted here:
// the host or the other plug-in may still read them after the call.
#include "encoding.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <iterator>

#include "../image/gdiGuards.h"
#include "../plugin/hostBridge.h"

using namespace Gdiplus::DllExports;

CLSID pngEncoderClsid = {};
CLSID jpegEncoderClsid = {};

// The last encoder in GDI+'s list that carries the MIME type wins; none leaves
// the all-zero identity, with which later saves are still attempted.
CLSID findEncoderClsid(const wchar_t* mimeType) {
    CLSID result = {};
    CLSIDFromString(L"{00000000-0000-0000-0000-000000000000}", &result);
    UINT count = 0;
    UINT bytes = 0;
    if (GdipGetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0)
        return result;
    MallocGuard<Gdiplus::ImageCodecInfo> codecs(bytes);
    if (!codecs)
        return result;
    if (GdipGetImageEncoders(count, bytes, codecs) != Gdiplus::Ok)
        return result;
    for (UINT i = 0; i < count; i++) {
        if (codecs[i].MimeType && std::wcscmp(codecs[i].MimeType, mimeType) == 0)
            result = codecs[i].Clsid;
    }
    return result;
}

void lookUpEncoders() {
    pngEncoderClsid = findEncoderClsid(L"image/png");
    jpegEncoderClsid = findEncoderClsid(L"image/jpeg");
}

static const QualityLevel qualityLevels[] = {
    {levelPng, 0, L"PNG"},
    {levelBestJpeg, 80, L"JPEG 80%"},
    {2, 60, L"JPEG 60%"},
    {3, 40, L"JPEG 40%"},
    {levelWorstJpeg, 10, L"JPEG 10%"},
};
static_assert(std::size(qualityLevels) == levelWorstJpeg + 1);

const QualityLevel* qualityLevel(int32_t level) {
    for (const QualityLevel& row : qualityLevels) {
        if (row.level == level)
            return &row;
    }
    return nullptr;
}

uint32_t jpegQualityFor(int32_t level) {
    const QualityLevel* row = qualityLevel(level);
    return row ? row->jpegQuality : 0;
}

// Spelled out rather than taken from the SDK, whose copy lives in a library
// that not every tool chain ships.
static const GUID encoderQualityGuid = {0x1d5be4b5, 0xfa4a, 0x452d, {0x9c, 0xdd, 0x5d, 0xb3, 0x51, 0x05, 0xe7, 0xeb}};

bool makeJpegParameters(int32_t level, JpegParameters* out) {
    uint32_t quality = jpegQualityFor(level);
    if (quality == 0)
        return false;
    *out = {};
    out->quality = quality;
    out->block.Count = 1;
    out->block.Parameter[0].Guid = encoderQualityGuid;
    out->block.Parameter[0].NumberOfValues = 1;
    out->block.Parameter[0].Type = Gdiplus::EncoderParameterValueTypeLong;
    out->block.Parameter[0].Value = &out->quality;
    return true;
}

PictureRegion normalisedRegion(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    return {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

PictureRegion clippedRegion(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t width, uint32_t height) {
    PictureRegion region = normalisedRegion(x1, y1, x2, y2);
    int64_t w = width;
    int64_t h = height;
    region.left = int32_t(std::clamp<int64_t>(region.left, 0, w));
    region.right = int32_t(std::clamp<int64_t>(region.right, 0, w));
    region.top = int32_t(std::clamp<int64_t>(region.top, 0, h));
    region.bottom = int32_t(std::clamp<int64_t>(region.bottom, 0, h));
    return region;
}

static GpStatus saveAtLevel(GpBitmap* clone, const wchar_t* fileName, int32_t level) {
    if (level == levelPng)
        return GdipSaveImageToFile(clone, fileName, &pngEncoderClsid, nullptr);
    JpegParameters parameters;
    if (!makeJpegParameters(level, &parameters))
        return Gdiplus::InvalidParameter;
    return GdipSaveImageToFile(clone, fileName, &jpegEncoderClsid, &parameters.block);
}

// The bounds test compares signed values: the picture's size as int64 keeps a
// huge unsigned width from reading as negative.
bool saveRegion(const ImageHolder* holder, const wchar_t* fileName, int32_t level, int32_t x1, int32_t y1,
                int32_t x2, int32_t y2) {
    PictureRegion region = normalisedRegion(x1, y1, x2, y2);
    if (region.right > int64_t(imageWidth(holder)))
        return false;
    if (region.bottom > int64_t(imageHeight(holder)))
        return false;
    if (!holder || !holder->bitmap || !fileName)
        return false;
    // The whole picture is saved as it is: a crop would only copy every pixel
    // once more and encode the same bytes.
    if (region.left == 0 && region.top == 0 && region.right == int64_t(imageWidth(holder)) &&
        region.bottom == int64_t(imageHeight(holder)))
        return saveAtLevel(holder->bitmap, fileName, level) == Gdiplus::Ok;
    BitmapGuard clone;
    if (GdipCloneBitmapAreaI(region.left, region.top, region.right - region.left, region.bottom - region.top, 0,
                             holder->bitmap, &clone.bitmap) != Gdiplus::Ok || !clone)
        return false;
    return saveAtLevel(clone, fileName, level) == Gdiplus::Ok;
}

// TBM_GETPOS answers a pointer-sized value; only its low 32 bits count, and a
// position outside 1 to 4 means PNG.
int32_t sliderLevel(int64_t position) {
    uint32_t low = uint32_t(position);
    return low - 1u <= uint32_t(levelWorstJpeg - 1) ? int32_t(low) : levelPng;
}

bool formatTempPictureName(wchar_t* nameOut, size_t capacity, const wchar_t* tempDir, int32_t seconds,
                           int32_t level, int32_t number) {
    const wchar_t* extension = level == levelPng ? L"png" : L"jpg";
    bool fits = number <= 1 ? formatText(nameOut, capacity, L"%s%d.%s", tempDir, seconds, extension)
                            : formatText(nameOut, capacity, L"%s%d-%d.%s", tempDir, seconds, number, extension);
    if (fits)
        return true;
    if (capacity > 0)
        nameOut[0] = L'\0';
    return false;
}

// Enough for every send a person can make in one second; beyond it no name.
constexpr int32_t tempNamesPerSecond = 1000;

// A file of the name may still be read by the host or a file-transfer plug-in
// from an earlier send in the same second, so a free name is taken instead.
void makeTempPictureName(const EditorState& state, wchar_t* nameOut, int32_t* level) {
    if (*level != levelBestJpeg)
        *level = sliderLevel(int64_t(SendMessageW(state.qualitySlider, TBM_GETPOS, 0, 0)));
    nameOut[0] = L'\0';
    wchar_t tempDir[tempNameUnits] = {};
    DWORD length = GetTempPathW(DWORD(std::size(tempDir)), tempDir);
    if (length == 0 || length >= std::size(tempDir))
        return;
    auto seconds = int32_t(_time64(nullptr));
    for (int32_t number = 1; number <= tempNamesPerSecond; number++) {
        if (!formatTempPictureName(nameOut, tempNameUnits, tempDir, seconds, *level, number))
            return;
        if (GetFileAttributesW(nameOut) == INVALID_FILE_ATTRIBUTES)
            return;
    }
    nameOut[0] = L'\0';
}
