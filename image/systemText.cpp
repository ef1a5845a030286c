// Typed text and step markers. GDI+ draws the letters white on black into a
// coverage mask of the box's own size, from a font made out of the message
// font's LOGFONT: GDI+ antialiases at every size, where GDI's ExtTextOut
// follows the font's own table of sizes and leaves small text jagged. The
// mask then goes over the picture through the canvas, one lock for the box.
#include "systemText.h"

#include <cmath>

#include "gdiGuards.h"
#include "pixelCanvas.h"

using namespace Gdiplus::DllExports;

namespace {

using FontFamilyGuard = GdiplusGuard<Gdiplus::GpFontFamily, GdipDeleteFontFamily>;

const uint32_t maskBlack = 0xFF000000u;
const uint32_t maskWhite = 0xFFFFFFFFu;

// The message font as the user's dialogs show it; the default GUI font should
// the system not answer.
LOGFONTW messageFont() {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        return metrics.lfMessageFont;
    LOGFONTW face = {};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(face), &face);
    return face;
}

// A negative height is the em's pixels, not the cell's. GDI+ refuses a face
// that is not TrueType (an old bitmap message font): the generic sans serif
// of the same size stands in for it then.
bool makeFont(FontGuard& font, int32_t height, bool bold) {
    LOGFONTW face = messageFont();
    face.lfHeight = -height;
    face.lfWidth = 0;
    face.lfEscapement = face.lfOrientation = 0;
    face.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    face.lfItalic = face.lfUnderline = face.lfStrikeOut = 0;
    face.lfQuality = ANTIALIASED_QUALITY;
    MemoryDcGuard dc(nullptr);
    if (dc && GdipCreateFontFromLogfontW(dc, &face, &font.object) == Gdiplus::Ok)
        return true;
    font.object = nullptr;
    FontFamilyGuard family;
    if (GdipGetGenericFontFamilySansSerif(&family.object) != Gdiplus::Ok)
        return false;
    INT style = bold ? Gdiplus::FontStyleBold : Gdiplus::FontStyleRegular;
    return GdipCreateFont(family, Gdiplus::REAL(height), style, Gdiplus::UnitPixel, &font.object) == Gdiplus::Ok;
}

// The same hint measures and draws, so the widths measured are the ones drawn.
void setTextHint(Gdiplus::GpGraphics* graphics) {
    GdipSetTextRenderingHint(graphics, Gdiplus::TextRenderingHintAntiAliasGridFit);
}

// A font and what measuring with it takes: the typographic format (no
// padding before the first letter, so a line starts where it is put), one
// line each, trailing spaces counted so the caret moves past them.
struct TextSetting {
    FontGuard font;
    StringFormatGuard format;
    BitmapGuard scratch;
    ImageGraphicsGuard graphics;
    int32_t lineHeight;
};

bool prepareText(TextSetting& setting, int32_t height, bool bold) {
    if (!makeFont(setting.font, height, bold))
        return false;
    Gdiplus::GpStringFormat* typographic = nullptr;
    if (GdipStringFormatGetGenericTypographic(&typographic) != Gdiplus::Ok ||
        GdipCloneStringFormat(typographic, &setting.format.object) != Gdiplus::Ok)
        return false;
    GdipSetStringFormatFlags(setting.format,
                             Gdiplus::StringFormatFlagsNoWrap | Gdiplus::StringFormatFlagsMeasureTrailingSpaces);
    if (GdipCreateBitmapFromScan0(1, 1, 0, PixelFormat32bppARGB, nullptr, &setting.scratch.bitmap) != Gdiplus::Ok ||
        GdipGetImageGraphicsContext(setting.scratch, &setting.graphics.object) != Gdiplus::Ok)
        return false;
    setTextHint(setting.graphics);
    Gdiplus::REAL lineHeight = 0;
    GdipGetFontHeight(setting.font, setting.graphics, &lineHeight);
    setting.lineHeight = int32_t(std::ceil(lineHeight));
    return setting.lineHeight > 0;
}

int32_t lineWidth(const TextSetting& setting, const wchar_t* line, int32_t length) {
    if (length <= 0)
        return 0;
    Gdiplus::RectF layout(0, 0, 0, 0), bound(0, 0, 0, 0);
    GdipMeasureString(setting.graphics, line, length, setting.font, &layout, setting.format, &bound, nullptr,
                      nullptr);
    return int32_t(std::ceil(bound.X + bound.Width));
}

int32_t lineEnd(const wchar_t* text, int32_t length, int32_t from) {
    while (from < length && text[from] != L'\n')
        from++;
    return from;
}

TextLayout measureLines(const TextSetting& setting, const wchar_t* text, int32_t length) {
    TextLayout layout = {setting.lineHeight, 0, 0, {typedTextMargin, typedTextMargin}};
    for (int32_t start = 0;; start++) {
        int32_t end = lineEnd(text, length, start);
        int32_t width = lineWidth(setting, text + start, end - start);
        layout.width = width > layout.width ? width : layout.width;
        layout.lineCount++;
        start = end;
        if (start >= length)
            return layout;
    }
}

// Coverage of what draw puts white on black, one ARGB pixel a value, read
// from the green byte; freed with the record.
struct Mask {
    MallocGuard<uint32_t> pixels;
    int32_t width, height;
    Mask(int32_t w, int32_t h) : pixels(size_t(w) * size_t(h) * 4), width(w), height(h) {}
    uint32_t at(int64_t x, int64_t y) const {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return 0;
        return (pixels[size_t(y) * size_t(width) + size_t(x)] >> 8) & 0xFF;
    }
};

// GDI+ draws straight into the mask's own memory.
template <typename Draw>
bool renderMask(Mask& mask, Draw draw) {
    if (!mask.pixels)
        return false;
    BitmapGuard bitmap;
    if (GdipCreateBitmapFromScan0(mask.width, mask.height, mask.width * 4, PixelFormat32bppARGB,
                                  reinterpret_cast<BYTE*>(static_cast<uint32_t*>(mask.pixels)),
                                  &bitmap.bitmap) != Gdiplus::Ok)
        return false;
    ImageGraphicsGuard graphics;
    if (GdipGetImageGraphicsContext(bitmap, &graphics.object) != Gdiplus::Ok)
        return false;
    GdipGraphicsClear(graphics, maskBlack);
    setTextHint(graphics);
    BrushGuard white;
    Gdiplus::GpSolidFill* fill = nullptr;
    if (GdipCreateSolidFill(maskWhite, &fill) != Gdiplus::Ok)
        return false;
    white.object = fill;
    draw(graphics.object, white.object);
    return true;
}

void drawLines(Gdiplus::GpGraphics* graphics, Gdiplus::GpBrush* brush, const TextSetting& setting,
               const wchar_t* text, int32_t length) {
    int32_t top = typedTextMargin;
    for (int32_t start = 0;; start++) {
        int32_t end = lineEnd(text, length, start);
        Gdiplus::RectF place(Gdiplus::REAL(typedTextMargin), Gdiplus::REAL(top), 0, 0);
        if (end > start)
            GdipDrawString(graphics, text + start, end - start, setting.font, &place, setting.format, brush);
        top += setting.lineHeight;
        start = end;
        if (start >= length)
            return;
    }
}

uint32_t channel(uint32_t colour, int shift) {
    return (colour >> shift) & 0xFF;
}

// The number's digits, most significant first; answers how many.
int32_t decimalDigits(uint32_t number, wchar_t* digits) {
    int32_t count = 0;
    for (uint32_t rest = number; count == 0 || rest > 0; rest /= 10)
        count++;
    for (int32_t i = count - 1; i >= 0; i--, number /= 10)
        digits[i] = wchar_t(L'0' + number % 10);
    return count;
}

struct InkBox {
    int32_t left, top, right, bottom;  // inclusive; left > right when there is no ink
};

InkBox inkOf(const Mask& mask) {
    InkBox ink = {mask.width, mask.height, -1, -1};
    for (int32_t y = 0; y < mask.height; y++) {
        for (int32_t x = 0; x < mask.width; x++) {
            if (mask.at(x, y) == 0)
                continue;
            ink.left = x < ink.left ? x : ink.left;
            ink.right = x > ink.right ? x : ink.right;
            ink.top = y < ink.top ? y : ink.top;
            ink.bottom = y > ink.bottom ? y : ink.bottom;
        }
    }
    return ink;
}

}  // namespace

int32_t typedTextHeight(int32_t penWidth) {
    return 12 + 2 * penWidth;
}

int32_t markerRadius(int32_t penWidth) {
    return 10 + penWidth;
}

uint32_t markerNumberColour(uint32_t penColour) {
    uint32_t weighted = 299 * channel(penColour, 16) + 587 * channel(penColour, 8) + 114 * channel(penColour, 0);
    return weighted < 128 * 1000 ? 0xFFFFFFFFu : 0xFF000000u;
}

uint8_t discCoverage(int32_t dx, int32_t dy, int32_t radius) {
    double covered = double(radius) + 0.5 - std::hypot(double(dx), double(dy));
    if (covered <= 0)
        return 0;
    if (covered >= 1)
        return 255;
    return uint8_t(std::lround(covered * 255.0));
}

uint32_t coverPixel(uint32_t pixel, uint32_t ink, uint32_t coverage) {
    if (coverage == 0)
        return pixel;
    uint32_t behind = (channel(pixel, 24) * (255 - coverage));
    uint32_t weight = coverage * 255 + behind;  // the result's alpha, times 255
    uint32_t out = ((weight + 127) / 255) << 24;
    for (int shift = 0; shift <= 16; shift += 8) {
        uint32_t sum = channel(ink, shift) * coverage * 255 + channel(pixel, shift) * behind;
        out |= ((sum + weight / 2) / weight) << shift;
    }
    return out;
}

RECT typedTextBox(int32_t x, int32_t y, const TextLayout& layout) {
    return {x, y, x + 2 * typedTextMargin + layout.width,
            y + 2 * typedTextMargin + layout.lineCount * layout.lineHeight};
}

bool layoutTypedText(const wchar_t* text, int32_t length, int32_t caret, int32_t penWidth, TextLayout* layout) {
    TextSetting setting;
    if (!prepareText(setting, typedTextHeight(penWidth), false))
        return false;
    *layout = measureLines(setting, text, length);
    int32_t lineStart = 0, line = 0;
    for (int32_t i = 0; i < caret && i < length; i++) {
        if (text[i] == L'\n') {
            lineStart = i + 1;
            line++;
        }
    }
    layout->caret = {typedTextMargin + lineWidth(setting, text + lineStart, caret - lineStart),
                     typedTextMargin + line * setting.lineHeight};
    return true;
}

RECT drawTypedText(ImageHolder* holder, int32_t x, int32_t y, const wchar_t* text, int32_t length,
                   uint32_t penColour, uint32_t brushColour, int32_t penWidth) {
    TextSetting setting;
    if (length <= 0 || !holder || !holder->bitmap || !prepareText(setting, typedTextHeight(penWidth), false))
        return {0, 0, 0, 0};
    RECT box = typedTextBox(x, y, measureLines(setting, text, length));
    Mask mask(box.right - box.left, box.bottom - box.top);
    auto lines = [&](Gdiplus::GpGraphics* graphics, Gdiplus::GpBrush* brush) {
        drawLines(graphics, brush, setting, text, length);
    };
    if (!renderMask(mask, lines))
        return {0, 0, 0, 0};
    CanvasLock lock(holder, {box.left, box.top, box.right - 1, box.bottom - 1});
    const PixelCanvas& canvas = lock;
    for (int64_t row = box.top; row < box.bottom; row++) {
        if ((brushColour >> 24) == 0xFF)
            fillSpan(canvas, row, box.left, box.right - 1, brushColour);
        for (int64_t column = box.left; column < box.right; column++) {
            uint32_t coverage = mask.at(column - box.left, row - box.top);
            if (coverage)
                setPixel(canvas, column, row, coverPixel(readPixel(canvas, column, row), penColour, coverage));
        }
    }
    return box;
}

RECT drawStepMarker(ImageHolder* holder, int32_t x, int32_t y, uint32_t number, uint32_t penColour,
                    int32_t penWidth) {
    int32_t radius = markerRadius(penWidth);
    RECT square = {x - radius, y - radius, x + radius + 1, y + radius + 1};
    if (!holder || !holder->bitmap)
        return square;
    wchar_t digits[12] = {};
    int32_t count = decimalDigits(number, digits);
    // Wide enough for every digit and a radius of room on each side, so no
    // ink is cut before it is measured.
    Mask numberMask(radius * (count + 2), radius * 3);
    TextSetting setting;
    bool hasNumber = prepareText(setting, radius, true);
    auto digitsAt = [&](Gdiplus::GpGraphics* graphics, Gdiplus::GpBrush* brush) {
        Gdiplus::RectF place(Gdiplus::REAL(radius), Gdiplus::REAL(radius / 2), 0, 0);
        GdipDrawString(graphics, digits, count, setting.font, &place, setting.format, brush);
    };
    InkBox ink = {0, 0, -1, -1};
    if (hasNumber && renderMask(numberMask, digitsAt))
        ink = inkOf(numberMask);
    // Mask pixel (mx, my) lands on (mx + shiftX, my + shiftY): the ink's
    // middle on the centre.
    int64_t shiftX = x - (ink.left + ink.right) / 2, shiftY = y - (ink.top + ink.bottom) / 2;
    uint32_t numberColour = markerNumberColour(penColour);
    CanvasLock lock(holder, {square.left, square.top, square.right - 1, square.bottom - 1});
    const PixelCanvas& canvas = lock;
    for (int64_t row = square.top; row < square.bottom; row++) {
        for (int64_t column = square.left; column < square.right; column++) {
            uint32_t disc = discCoverage(int32_t(column - x), int32_t(row - y), radius);
            if (disc == 0)
                continue;
            uint32_t pixel = coverPixel(readPixel(canvas, column, row), penColour, disc);
            uint32_t digit = ink.left <= ink.right ? numberMask.at(column - shiftX, row - shiftY) : 0;
            pixel = coverPixel(pixel, numberColour, (digit * disc + 127) / 255);
            setPixel(canvas, column, row, pixel);
        }
    }
    return square;
}
