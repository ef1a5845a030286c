// Typed text and step markers. GDI+ draws the letters white on black into a
// coverage mask of the box's own size, from a font made out of the message
// font's LOGFONT: GDI+ antialiases at every size, where GDI's ExtTextOut
// follows the font's own table of sizes and leaves small text jagged. The
// mask then goes over the picture through the canvas, one lock for the box.
// Rendering and laying are apart, so a drawing kept to be drawn again can
// keep what was rendered and lay the very same coverage.
#include "systemText.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

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

// A line's ink may reach this far above and below its line box.
int32_t lineOverflow(int32_t lineHeight) {
    return lineHeight / 2;
}

void freeLine(CachedLine& line) {
    std::free(line.coverage);
    std::free(line.text);
    line = {};
}

// A line rendered for one drawing alone, freed after it.
struct ScratchLine {
    CachedLine line;
    ScratchLine() : line() {}
    ScratchLine(const ScratchLine&) = delete;
    ScratchLine& operator=(const ScratchLine&) = delete;
    ~ScratchLine() { freeLine(line); }
};

bool holdsLine(const CachedLine& kept, const wchar_t* text, int32_t length, int32_t textHeight) {
    return kept.coverage && kept.length == length && kept.textHeight == textHeight &&
           std::memcmp(kept.text, text, sizeof(wchar_t) * size_t(length)) == 0;
}

// The line's coverage, its corner at the box's left edge and half a line
// height above the line's top.
bool renderLine(const TextSetting& setting, const wchar_t* text, int32_t length, CachedLine& into) {
    int32_t overflow = lineOverflow(setting.lineHeight);
    Mask mask(lineWidth(setting, text, length) + 2 * typedTextMargin, setting.lineHeight + 2 * overflow);
    auto draw = [&](Gdiplus::GpGraphics* graphics, Gdiplus::GpBrush* brush) {
        Gdiplus::RectF place(Gdiplus::REAL(typedTextMargin), Gdiplus::REAL(overflow), 0, 0);
        GdipDrawString(graphics, text, length, setting.font, &place, setting.format, brush);
    };
    if (!renderMask(mask, draw))
        return false;
    size_t count = size_t(mask.width) * size_t(mask.height);
    into.coverage = static_cast<uint8_t*>(std::calloc(count, 1));
    if (!into.coverage)
        return false;
    for (size_t i = 0; i < count; i++)
        into.coverage[i] = uint8_t(mask.pixels[i] >> 8);
    into.width = mask.width;
    into.height = mask.height;
    return true;
}

// The line's text kept beside its coverage, to tell it again.
bool keepText(CachedLine& kept, const wchar_t* text, int32_t length, int32_t textHeight) {
    kept.text = static_cast<wchar_t*>(std::malloc(sizeof(wchar_t) * size_t(length)));
    if (!kept.text)
        return false;
    std::memcpy(kept.text, text, sizeof(wchar_t) * size_t(length));
    kept.length = length;
    kept.textHeight = textHeight;
    return true;
}

// The line of this index from the cache, or rendered into the cache; past
// its limit, without one or without memory to keep the line, rendered into
// the scratch line.
const CachedLine* coverageOfLine(LineCache* cache, int32_t index, ScratchLine& scratch, const TextSetting& setting,
                                 const wchar_t* text, int32_t length, int32_t textHeight) {
    CachedLine* kept = cache && index < cachedLineLimit ? &cache->lines[index] : nullptr;
    if (kept && holdsLine(*kept, text, length, textHeight))
        return kept;
    if (kept) {
        freeLine(*kept);
        if (!keepText(*kept, text, length, textHeight))
            kept = nullptr;
    }
    CachedLine& into = kept ? *kept : scratch.line;
    if (renderLine(setting, text, length, into))
        return &into;
    freeLine(into);
    return nullptr;
}

// Lays the line's coverage over the part's, ink over ink as GDI+ lays
// antialiased white over grey.
void layLine(uint8_t* part, int32_t partWidth, int32_t partHeight, int32_t left, int32_t top,
             const CachedLine& line) {
    for (int32_t y = 0; y < line.height; y++) {
        int32_t row = top + y;
        if (row < 0 || row >= partHeight)
            continue;
        for (int32_t x = 0; x < line.width; x++) {
            int32_t column = left + x;
            uint32_t ink = line.coverage[size_t(y) * size_t(line.width) + size_t(x)];
            if (column < 0 || column >= partWidth || ink == 0)
                continue;
            uint8_t& under = part[size_t(row) * size_t(partWidth) + size_t(column)];
            under = uint8_t(under + (ink * (255u - under) + 127) / 255);
        }
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

namespace {

// The coverage of the part (left, top inclusive) of a text's box, one byte a
// pixel, from the lines that meet it; the rest of the lines are not rendered.
bool renderPart(const TextSetting& setting, const wchar_t* text, int32_t length, int32_t textHeight, const RECT& box,
                const RECT& part, LineCache* cache, uint8_t* coverage) {
    int32_t partWidth = part.right - part.left, partHeight = part.bottom - part.top;
    std::memset(coverage, 0, size_t(partWidth) * size_t(partHeight));
    int32_t overflow = lineOverflow(setting.lineHeight);
    int32_t index = 0;
    for (int32_t start = 0;; start++, index++) {
        int32_t end = lineEnd(text, length, start);
        // The line's coverage, from the box's corner.
        int32_t top = typedTextMargin + index * setting.lineHeight - overflow;
        bool meetsPart = box.top + top < part.bottom && box.top + top + setting.lineHeight + 2 * overflow > part.top;
        ScratchLine scratch;
        const CachedLine* line = end > start && meetsPart ? coverageOfLine(cache, index, scratch, setting,
                                                                         text + start, end - start, textHeight)
                                                          : nullptr;
        if (line)
            layLine(coverage, partWidth, partHeight, box.left - part.left, box.top + top - part.top, *line);
        start = end;
        if (start >= length)
            return true;
    }
}

// The brush over the store box's rows of the box, then the ink laid over the
// picture by its coverage; coverage holds `stride` bytes a row from `origin`.
void layCoverage(const PixelCanvas& canvas, const uint8_t* coverage, int32_t stride, POINT origin,
                 uint32_t penColour, uint32_t brushColour) {
    const PixelBox& part = canvas.stores;
    for (int64_t row = part.top; row <= part.bottom; row++) {
        if ((brushColour >> 24) == 0xFF)
            fillSpan(canvas, row, part.left, part.right, brushColour);
        const uint8_t* ink = coverage + size_t(row - origin.y) * size_t(stride);
        for (int64_t column = part.left; column <= part.right; column++) {
            uint32_t covered = ink[column - origin.x];
            if (covered)
                setPixel(canvas, column, row, coverPixel(readPixel(canvas, column, row), penColour, covered));
        }
    }
}

bool storesNothing(const PixelCanvas& canvas) {
    return canvas.stores.left > canvas.stores.right || canvas.stores.top > canvas.stores.bottom;
}

}  // namespace

RECT drawTypedText(ImageHolder* holder, int32_t x, int32_t y, const wchar_t* text, int32_t length,
                   uint32_t penColour, uint32_t brushColour, int32_t penWidth, LineCache* cache) {
    TextSetting setting;
    int32_t textHeight = typedTextHeight(penWidth);
    if (length <= 0 || !holder || !holder->bitmap || !prepareText(setting, textHeight, false))
        return {0, 0, 0, 0};
    RECT box = typedTextBox(x, y, measureLines(setting, text, length));
    // Only the part in the store box (the picture, cut to the drawing clip) is
    // rendered: the window's paint hands a copy of just the part it repaints.
    CanvasLock lock(holder, {box.left, box.top, box.right - 1, box.bottom - 1});
    const PixelCanvas& canvas = lock;
    if (storesNothing(canvas))
        return box;
    RECT part = {LONG(canvas.stores.left), LONG(canvas.stores.top), LONG(canvas.stores.right + 1),
                 LONG(canvas.stores.bottom + 1)};
    int32_t partWidth = part.right - part.left;
    MallocGuard<uint8_t> coverage(size_t(partWidth) * size_t(part.bottom - part.top));
    if (!coverage)
        return {0, 0, 0, 0};
    renderPart(setting, text, length, textHeight, box, part, cache, coverage);
    layCoverage(canvas, coverage, partWidth, {part.left, part.top}, penColour, brushColour);
    return box;
}

bool renderTypedText(const wchar_t* text, int32_t length, int32_t penWidth, TextCoverage* out) {
    *out = {};
    TextSetting setting;
    int32_t textHeight = typedTextHeight(penWidth);
    if (length <= 0 || !prepareText(setting, textHeight, false))
        return false;
    RECT box = typedTextBox(0, 0, measureLines(setting, text, length));
    out->coverage = static_cast<uint8_t*>(std::malloc(size_t(box.right) * size_t(box.bottom)));
    if (!out->coverage)
        return false;
    out->width = box.right;
    out->height = box.bottom;
    return renderPart(setting, text, length, textHeight, box, box, nullptr, out->coverage);
}

void layTypedText(ImageHolder* holder, int32_t x, int32_t y, const TextCoverage& ink, uint32_t penColour,
                  uint32_t brushColour) {
    if (!ink.coverage)
        return;
    CanvasLock lock(holder, {x, y, int64_t(x) + ink.width - 1, int64_t(y) + ink.height - 1});
    if (!storesNothing(lock))
        layCoverage(lock, ink.coverage, ink.width, {x, y}, penColour, brushColour);
}

void forgetTextCoverage(TextCoverage& ink) {
    std::free(ink.coverage);
    ink = {};
}

void forgetLines(LineCache& cache) {
    for (CachedLine& line : cache.lines)
        freeLine(line);
}

RECT stepMarkerSquare(int32_t x, int32_t y, int32_t penWidth) {
    int32_t radius = markerRadius(penWidth);
    return {x - radius, y - radius, x + radius + 1, y + radius + 1};
}

bool renderMarkerNumber(uint32_t number, int32_t penWidth, NumberCoverage* out) {
    *out = {};
    int32_t radius = markerRadius(penWidth);
    out->number = number;
    out->radius = radius;
    out->ink = {0, 0, -1, -1};
    wchar_t digits[12] = {};
    int32_t count = decimalDigits(number, digits);
    // Wide enough for every digit and a radius of room on each side, so no
    // ink is cut before it is measured.
    Mask numberMask(radius * (count + 2), radius * 3);
    TextSetting setting;
    auto digitsAt = [&](Gdiplus::GpGraphics* graphics, Gdiplus::GpBrush* brush) {
        int32_t top = radius / 2;  // whole pixels, as the ink is measured in them
        Gdiplus::RectF place(Gdiplus::REAL(radius), Gdiplus::REAL(top), 0, 0);
        GdipDrawString(graphics, digits, count, setting.font, &place, setting.format, brush);
    };
    if (!prepareText(setting, radius, true) || !renderMask(numberMask, digitsAt))
        return false;
    size_t bytes = size_t(numberMask.width) * size_t(numberMask.height);
    out->coverage = static_cast<uint8_t*>(std::malloc(bytes));
    if (!out->coverage)
        return false;
    for (size_t i = 0; i < bytes; i++)
        out->coverage[i] = uint8_t(numberMask.pixels[i] >> 8);
    out->width = numberMask.width;
    out->height = numberMask.height;
    InkBox ink = inkOf(numberMask);
    out->ink = {ink.left, ink.top, ink.right, ink.bottom};
    return true;
}

void forgetNumberCoverage(NumberCoverage& number) {
    std::free(number.coverage);
    number = {};
}

// The number's ink, its middle on the centre; none when it has no ink.
void layStepMarker(ImageHolder* holder, int32_t x, int32_t y, const NumberCoverage& number, uint32_t penColour,
                   int32_t penWidth) {
    int32_t radius = markerRadius(penWidth);
    RECT square = stepMarkerSquare(x, y, penWidth);
    // Only the store box (the picture, cut to the drawing clip) is walked.
    CanvasLock lock(holder, {square.left, square.top, square.right - 1, square.bottom - 1});
    const PixelCanvas& canvas = lock;
    const RECT& ink = number.ink;
    bool hasInk = number.coverage && ink.left <= ink.right;
    // Coverage pixel (mx, my) lands on (mx + shiftX, my + shiftY).
    int64_t shiftX = x - (ink.left + ink.right) / 2, shiftY = y - (ink.top + ink.bottom) / 2;
    uint32_t numberColour = markerNumberColour(penColour);
    for (int64_t row = canvas.stores.top; row <= canvas.stores.bottom; row++) {
        for (int64_t column = canvas.stores.left; column <= canvas.stores.right; column++) {
            uint32_t disc = discCoverage(int32_t(column - x), int32_t(row - y), radius);
            if (disc == 0)
                continue;
            uint32_t pixel = coverPixel(readPixel(canvas, column, row), penColour, disc);
            int64_t mx = column - shiftX, my = row - shiftY;
            bool onNumber = hasInk && mx >= 0 && my >= 0 && mx < number.width && my < number.height;
            uint32_t digit = onNumber ? number.coverage[size_t(my) * size_t(number.width) + size_t(mx)] : 0;
            pixel = coverPixel(pixel, numberColour, (digit * disc + 127) / 255);
            setPixel(canvas, column, row, pixel);
        }
    }
}

RECT drawStepMarker(ImageHolder* holder, int32_t x, int32_t y, uint32_t number, uint32_t penColour,
                    int32_t penWidth) {
    RECT square = stepMarkerSquare(x, y, penWidth);
    if (!holder || !holder->bitmap)
        return square;
    NumberCoverage digits = {};
    renderMarkerNumber(number, penWidth, &digits);
    layStepMarker(holder, x, y, digits, penColour, penWidth);
    forgetNumberCoverage(digits);
    return square;
}
