// Typed text and step markers. GDI+ draws the letters white on black into
// coverage masks, from a font made out of the message font's LOGFONT: GDI+
// antialiases at every size, where GDI's ExtTextOut follows the font's own
// table of sizes and leaves small text jagged. A typed text's letters are
// drawn one by one, each once, at the advances GDI+ measures for them (the
// letters GDI+ sets in a line, ink for ink); the layout wraps its lines at
// the room, and the text's coverage is the letters' laid side by side, which
// then goes over the picture through the canvas, one lock for the box.
// Rendering and laying are apart, so a drawing kept to be drawn again can
// keep what was rendered and lay the very same coverage.
#include "systemText.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include <emmintrin.h>

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

// coverPixel over an opaque pixel: red and blue worked out side by side,
// each sum below 65536 in its half and divided by 255 exactly as
// (t + 1 + t / 256) / 256; coverage 0 gives the pixel back.
uint32_t coverOpaque(uint32_t pixel, uint32_t ink, uint32_t coverage) {
    uint32_t rest = 255 - coverage;
    uint32_t redBlue = (ink & 0xFF00FFu) * coverage + (pixel & 0xFF00FFu) * rest + 0x7F007Fu;
    uint32_t green = channel(ink, 8) * coverage + channel(pixel, 8) * rest + 0x7Fu;
    redBlue = ((redBlue + 0x10001u + ((redBlue >> 8) & 0xFF00FFu)) >> 8) & 0xFF00FFu;
    green = (green + 1 + (green >> 8)) >> 8;
    return 0xFF000000u | redBlue | (green << 8);
}

struct InkBox {
    int32_t left, top, right, bottom;  // inclusive; left > right when there is no ink
};

template <typename Coverage>
InkBox inkOf(const Coverage& mask) {
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


// ---- letters ----

bool isHighSurrogate(wchar_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(wchar_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Units of the letter that starts at text[at], a pair being one letter.
int32_t letterUnits(const wchar_t* text, int32_t length, int32_t at) {
    return at + 1 < length && isHighSurrogate(text[at]) && isLowSurrogate(text[at + 1]) ? 2 : 1;
}

uint32_t codePoint(const wchar_t* units, int32_t count) {
    if (count == 2)
        return 0x10000u + ((uint32_t(units[0]) - 0xD800u) << 10) + (uint32_t(units[1]) - 0xDC00u);
    return units[0];
}

// The cache and, made at its first miss, the font that renders what it lacks.
struct GlyphSource {
    GlyphCache& cache;
    int32_t textHeight;
    bool bold;
    TextSetting setting;
    bool prepared;
    bool failed;
    GlyphSource(GlyphCache& glyphs, int32_t height, bool boldFace)
        : cache(glyphs), textHeight(height), bold(boldFace), setting(), prepared(false), failed(false) {}
};

bool prepareSource(GlyphSource& source) {
    if (!source.prepared) {
        source.prepared = true;
        source.failed = !prepareText(source.setting, source.textHeight, source.bold);
    }
    return !source.failed;
}

// Letters kept at another height or weight are let go; false when no font
// gives the line height.
bool openGlyphs(GlyphSource& source) {
    GlyphCache& cache = source.cache;
    if (cache.textHeight == source.textHeight && (cache.bold != 0) == source.bold && cache.lineHeight > 0)
        return true;
    forgetGlyphs(cache);
    if (!prepareSource(source))
        return false;
    cache.textHeight = source.textHeight;
    cache.bold = source.bold ? 1 : 0;
    cache.lineHeight = source.setting.lineHeight;
    return true;
}


// The letter's advance, and its ink cut to the pad around its cell.
bool renderGlyph(const TextSetting& setting, const wchar_t* units, int32_t count, TypedGlyph& glyph) {
    int32_t advance = lineWidth(setting, units, count);
    int32_t pad = typedInkReach(setting.lineHeight);
    Mask mask(advance + 2 * pad, setting.lineHeight + 2 * pad);
    auto draw = [&](Gdiplus::GpGraphics* graphics, Gdiplus::GpBrush* brush) {
        Gdiplus::RectF place(static_cast<Gdiplus::REAL>(pad), static_cast<Gdiplus::REAL>(pad), 0, 0);
        GdipDrawString(graphics, units, count, setting.font, &place, setting.format, brush);
    };
    if (!renderMask(mask, draw))
        return false;
    InkBox ink = inkOf(mask);
    glyph.advance = advance;
    if (ink.left > ink.right)
        return true;
    int32_t width = ink.right - ink.left + 1, height = ink.bottom - ink.top + 1;
    glyph.coverage = static_cast<uint8_t*>(std::calloc(size_t(width) * size_t(height), 1));
    if (!glyph.coverage)
        return false;
    for (int32_t y = 0; y < height; y++) {
        for (int32_t x = 0; x < width; x++)
            glyph.coverage[size_t(y) * size_t(width) + size_t(x)] = uint8_t(mask.at(ink.left + x, ink.top + y));
    }
    glyph.left = ink.left - pad;
    glyph.top = ink.top - pad;
    glyph.width = width;
    glyph.height = height;
    return true;
}

uint32_t slotOf(uint32_t key) {
    return (key * 2654435761u) & uint32_t(glyphSlots - 1);
}

// The letter of these units, rendered at its first use; null when it cannot
// be (no font, no memory). A cache three quarters full starts again, so
// every search ends at a free slot.
const TypedGlyph* glyphOf(GlyphSource& source, const wchar_t* units, int32_t count) {
    GlyphCache& cache = source.cache;
    uint32_t key = codePoint(units, count) + 1;  // 0 marks a free slot
    uint32_t slot = slotOf(key);
    for (; cache.glyphs[slot].letter != 0; slot = (slot + 1) & uint32_t(glyphSlots - 1)) {
        if (cache.glyphs[slot].letter == key)
            return &cache.glyphs[slot];
    }
    if (!prepareSource(source))
        return nullptr;
    if (cache.used >= glyphSlots / 4 * 3) {
        int32_t textHeight = cache.textHeight, lineHeight = cache.lineHeight;
        uint8_t bold = cache.bold;
        forgetGlyphs(cache);
        cache.textHeight = textHeight;
        cache.lineHeight = lineHeight;
        cache.bold = bold;
        slot = slotOf(key);
    }
    TypedGlyph& glyph = cache.glyphs[slot];
    if (!renderGlyph(source.setting, units, count, glyph)) {
        std::free(glyph.coverage);
        glyph = {};
        return nullptr;
    }
    glyph.letter = key;
    cache.used++;
    return &glyph;
}

// A marker's number as its digits' coverage, one byte a pixel; freed with
// the record.
struct DigitCoverage {
    MallocGuard<uint8_t> coverage;
    int32_t width, height;
    DigitCoverage(int32_t w, int32_t h) : coverage(size_t(w) * size_t(h)), width(w), height(h) {
        if (coverage)
            std::memset(coverage, 0, size_t(w) * size_t(h));
    }
    uint32_t at(int64_t x, int64_t y) const {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return 0;
        return coverage[size_t(y) * size_t(width) + size_t(x)];
    }
};

// ---- lines ----

int32_t paragraphEnd(const wchar_t* text, int32_t length, int32_t from) {
    while (from < length && text[from] != L'\n')
        from++;
    return from;
}

// Spaces beyond the room hang: they count up to it only.
int32_t hungWidth(int32_t ink, int32_t pen, int32_t room) {
    int32_t spaces = pen < room ? pen : room;
    return ink > spaces ? ink : spaces;
}

struct LineBreak {
    int32_t end;
    int32_t width;
};

// Where the line from `from` ends within its paragraph: before the first
// letter (not a space) that would cross the room, or at the start of that
// letter's word when the word does not start the line. A line holds at
// least one letter. False when a letter cannot be measured.
bool wrapLine(GlyphSource& source, const wchar_t* text, int32_t from, int32_t end, int32_t room, LineBreak* line) {
    int32_t pen = 0, ink = 0;
    LineBreak atWord = {-1, 0};
    for (int32_t at = from; at < end;) {
        int32_t units = letterUnits(text, end, at);
        const TypedGlyph* glyph = glyphOf(source, text + at, units);
        if (!glyph)
            return false;
        if (text[at] != L' ') {
            if (at > from && text[at - 1] == L' ')
                atWord = {at, hungWidth(ink, pen, room)};
            if (at > from && pen + glyph->advance > room) {
                *line = atWord.end > from ? atWord : LineBreak{at, hungWidth(ink, pen, room)};
                return true;
            }
            ink = pen + glyph->advance;
        }
        pen += glyph->advance;
        at += units;
    }
    *line = {end, hungWidth(ink, pen, room)};
    return true;
}

// Eight coverage bytes of ink laid over eight, each in a 16-bit lane, as
// the loop below lays one.
void inkOverInkEight(uint8_t* under, const uint8_t* ink) {
    const __m128i zero = _mm_setzero_si128(), full = _mm_set1_epi16(255), half = _mm_set1_epi16(127);
    const __m128i one = _mm_set1_epi16(1);
    __m128i below = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(under)), zero);
    __m128i over = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(ink)), zero);
    __m128i sum = _mm_add_epi16(_mm_mullo_epi16(over, _mm_sub_epi16(full, below)), half);
    __m128i added = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(sum, one), _mm_srli_epi16(sum, 8)), 8);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(under), _mm_packus_epi16(_mm_add_epi16(below, added), zero));
}

// Lays the letter's ink over the part's coverage at the pen, ink over ink
// as GDI+ lays antialiased white over grey.
void layGlyph(uint8_t* part, int32_t partWidth, int32_t partHeight, int32_t penX, int32_t lineTop,
              const TypedGlyph& glyph) {
    int32_t left = penX + glyph.left, top = lineTop + glyph.top;
    int32_t fromX = left < 0 ? -left : 0, toX = left + glyph.width > partWidth ? partWidth - left : glyph.width;
    int32_t fromY = top < 0 ? -top : 0, toY = top + glyph.height > partHeight ? partHeight - top : glyph.height;
    for (int32_t y = fromY; y < toY; y++) {
        const uint8_t* inks = glyph.coverage + size_t(y) * size_t(glyph.width) + fromX;
        uint8_t* row = part + size_t(top + y) * size_t(partWidth) + size_t(left + fromX);
        int32_t x = 0;
        for (; x + 8 <= toX - fromX; x += 8)
            inkOverInkEight(row + x, inks + x);
        // No ink adds nothing: the sum stays below 255, so no test is needed.
        for (; x < toX - fromX; x++) {
            uint32_t ink = inks[x], under = row[x], sum = ink * (255u - under) + 127;
            row[x] = uint8_t(under + ((sum + 1 + (sum >> 8)) >> 8));
        }
    }
}

// The digits side by side from a radius in and half a radius down, in whole
// pixels as their ink is measured in them.
bool layDigits(GlyphSource& source, const wchar_t* digits, int32_t count, DigitCoverage& number, int32_t radius) {
    int32_t penX = radius;
    for (int32_t i = 0; i < count; i++) {
        const TypedGlyph* glyph = glyphOf(source, digits + i, 1);
        if (!glyph)
            return false;
        if (glyph->width > 0)
            layGlyph(number.coverage, number.width, number.height, penX, radius / 2, *glyph);
        penX += glyph->advance;
    }
    return true;
}

// The text's coverage over the part, whose corner is at (left, top) from the
// box's corner. Only the lines and letters whose ink can meet it are laid.
bool layText(GlyphSource& source, const wchar_t* text, const TextLayout& layout, uint8_t* part, int32_t partWidth,
             int32_t partHeight, int32_t left, int32_t top) {
    int32_t pad = typedInkReach(layout.lineHeight);
    for (int32_t index = 0; index < layout.lineCount; index++) {
        int32_t lineTop = typedTextMargin + index * layout.lineHeight - top;
        if (lineTop - pad >= partHeight)
            break;
        if (lineTop + layout.lineHeight + pad <= 0)
            continue;
        const TextLine& line = layout.lines[index];
        int32_t penX = typedTextMargin - left;
        for (int32_t at = line.start, end = line.start + line.length; at < end && penX - pad < partWidth;) {
            int32_t units = letterUnits(text, end, at);
            const TypedGlyph* glyph = glyphOf(source, text + at, units);
            if (!glyph)
                return false;
            if (glyph->width > 0 && penX + glyph->left + glyph->width > 0)
                layGlyph(part, partWidth, partHeight, penX, lineTop, *glyph);
            penX += glyph->advance;
            at += units;
        }
    }
    return true;
}

// The brush over the store box's rows, then the ink laid over the picture by
// its coverage; coverage holds `stride` bytes a row from `origin`.
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

// coverOpaque over four pixels side by side, each channel in a 16-bit lane.
void coverOpaqueFour(uint32_t* pixels, const uint32_t* picture, const uint8_t* coverage, uint32_t ink) {
    const __m128i zero = _mm_setzero_si128(), full = _mm_set1_epi16(255), half = _mm_set1_epi16(127);
    const __m128i one = _mm_set1_epi16(1), opaque = _mm_set1_epi32(int(0xFF000000u));
    const __m128i inks = _mm_unpacklo_epi8(_mm_set1_epi32(int(ink)), zero);
    uint32_t fourCoverages = 0;
    std::memcpy(&fourCoverages, coverage, 4);
    // Each pixel's coverage in all four of its lanes.
    __m128i spread = _mm_cvtsi32_si128(int(fourCoverages));
    spread = _mm_unpacklo_epi8(spread, spread);
    spread = _mm_unpacklo_epi16(spread, spread);
    __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(picture));
    __m128i halves[2] = {_mm_unpacklo_epi8(four, zero), _mm_unpackhi_epi8(four, zero)};
    __m128i covers[2] = {_mm_unpacklo_epi8(spread, zero), _mm_unpackhi_epi8(spread, zero)};
    for (int i = 0; i < 2; i++) {
        __m128i sum = _mm_add_epi16(_mm_mullo_epi16(inks, covers[i]),
                                    _mm_mullo_epi16(halves[i], _mm_sub_epi16(full, covers[i])));
        sum = _mm_add_epi16(sum, half);
        halves[i] = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(sum, one), _mm_srli_epi16(sum, 8)), 8);
    }
    four = _mm_or_si128(_mm_packus_epi16(halves[0], halves[1]), opaque);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels), four);
}

// A row of the picture's opaque pixels under the ink by its coverage, into
// pixels (which may be the picture's row itself): eight at a time copied
// where none is inked, the rest laid over four at a time with no test for
// each (coverage 0 gives the pixel back), as the ink's edges make any such
// test a guess.
void coverOpaqueRow(uint32_t* pixels, const uint32_t* picture, const uint8_t* coverage, int32_t width,
                    uint32_t ink) {
    int32_t column = 0;
    for (; column + 8 <= width; column += 8) {
        uint64_t eight = 0;
        std::memcpy(&eight, coverage + column, 8);
        if (eight == 0) {
            std::memmove(pixels + column, picture + column, 8 * sizeof(uint32_t));
            continue;
        }
        coverOpaqueFour(pixels + column, picture + column, coverage + column, ink);
        coverOpaqueFour(pixels + column + 4, picture + column + 4, coverage + column + 4, ink);
    }
    for (; column < width; column++)
        pixels[column] = coverOpaque(picture[column], ink, coverage[column]);
}

bool storesNothing(const PixelCanvas& canvas) {
    return canvas.stores.left > canvas.stores.right || canvas.stores.top > canvas.stores.bottom;
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
    // Over an opaque pixel "over" is a plain blend: the same numbers, each
    // divided by 255 rather than by the weight, 255 x 255 (a text's every
    // pixel goes through here).
    if ((pixel >> 24) == 0xFF)
        return coverOpaque(pixel, ink, coverage);
    uint32_t behind = (channel(pixel, 24) * (255 - coverage));
    uint32_t weight = coverage * 255 + behind;  // the result's alpha, times 255
    uint32_t out = ((weight + 127) / 255) << 24;
    for (int shift = 0; shift <= 16; shift += 8) {
        uint32_t sum = channel(ink, shift) * coverage * 255 + channel(pixel, shift) * behind;
        out |= ((sum + weight / 2) / weight) << shift;
    }
    return out;
}

int32_t typedInkReach(int32_t lineHeight) {
    return lineHeight / 2;
}

RECT typedTextBox(int32_t x, int32_t y, const TextLayout& layout) {
    return {x, y, x + 2 * typedTextMargin + layout.width,
            y + 2 * typedTextMargin + layout.lineCount * layout.lineHeight};
}

void forgetGlyphs(GlyphCache& cache) {
    for (TypedGlyph& glyph : cache.glyphs)
        std::free(glyph.coverage);
    std::memset(&cache, 0, sizeof(cache));
}

bool layoutTypedText(const wchar_t* text, int32_t length, int32_t penWidth, int32_t room, GlyphCache& glyphs,
                     TextLayout* layout) {
    GlyphSource source(glyphs, typedTextHeight(penWidth), false);
    layout->lineCount = layout->width = 0;
    if (!openGlyphs(source))
        return false;
    layout->lineHeight = glyphs.lineHeight;
    length = length < typedTextUnitLimit ? length : typedTextUnitLimit;
    for (int32_t start = 0;; start++) {
        int32_t end = paragraphEnd(text, length, start);
        // An empty paragraph is one empty line.
        int32_t from = start;
        do {
            LineBreak line = {};
            if (!wrapLine(source, text, from, end, room, &line)) {
                layout->lineCount = 0;
                return false;
            }
            layout->lines[layout->lineCount++] = {from, line.end - from, line.width};
            layout->width = line.width > layout->width ? line.width : layout->width;
            from = line.end;
        } while (from < end);
        start = end;
        if (start >= length)
            return true;
    }
}

int32_t lineOfCaret(const TextLayout& layout, int32_t caret) {
    int32_t low = 0, high = layout.lineCount - 1;
    while (low < high) {
        int32_t middle = (low + high + 1) / 2;
        if (layout.lines[middle].start <= caret)
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

int32_t penOnLine(const wchar_t* text, const TextLine& line, int32_t at, GlyphCache& glyphs) {
    GlyphSource source(glyphs, glyphs.textHeight, glyphs.bold != 0);
    int32_t pen = 0;
    for (int32_t from = line.start, end = line.start + line.length; from < at && from < end;) {
        int32_t units = letterUnits(text, end, from);
        const TypedGlyph* glyph = glyphOf(source, text + from, units);
        pen += glyph ? glyph->advance : 0;
        from += units;
    }
    return pen;
}

POINT caretPoint(const wchar_t* text, const TextLayout& layout, int32_t caret, GlyphCache& glyphs) {
    if (layout.lineCount == 0)
        return {typedTextMargin, typedTextMargin};
    int32_t index = lineOfCaret(layout, caret);
    const TextLine& line = layout.lines[index];
    int32_t pen = penOnLine(text, line, caret, glyphs);
    // Where spaces hang past the room the caret waits at the line's end.
    return {typedTextMargin + (pen < line.width ? pen : line.width), typedTextMargin + index * layout.lineHeight};
}

int32_t caretAtPoint(const wchar_t* text, const TextLayout& layout, POINT point, GlyphCache& glyphs) {
    if (layout.lineCount == 0 || layout.lineHeight <= 0)
        return 0;
    int32_t index = point.y < typedTextMargin ? 0 : (point.y - typedTextMargin) / layout.lineHeight;
    index = index < layout.lineCount ? index : layout.lineCount - 1;
    const TextLine& line = layout.lines[index];
    GlyphSource source(glyphs, glyphs.textHeight, glyphs.bold != 0);
    int32_t pen = typedTextMargin, end = line.start + line.length, last = line.start;
    for (int32_t at = line.start; at < end;) {
        int32_t units = letterUnits(text, end, at);
        const TypedGlyph* glyph = glyphOf(source, text + at, units);
        int32_t advance = glyph ? glyph->advance : 0;
        if (point.x < pen + advance / 2)
            return at;
        pen += advance;
        last = at;
        at += units;
    }
    bool wrapped = index + 1 < layout.lineCount && layout.lines[index + 1].start == end;
    return wrapped ? last : end;
}

RECT drawTypedText(ImageHolder* holder, int32_t x, int32_t y, const wchar_t* text, const TextLayout& layout,
                   uint32_t penColour, uint32_t brushColour, GlyphCache& glyphs) {
    if (layout.lineCount == 0 || !holder || !holder->bitmap)
        return {0, 0, 0, 0};
    RECT box = typedTextBox(x, y, layout);
    // Only the part in the store box (the picture, cut to the drawing clip) is
    // rendered: the window's paint hands a copy of just the part it repaints.
    CanvasLock lock(holder, {box.left, box.top, box.right - 1, box.bottom - 1});
    const PixelCanvas& canvas = lock;
    if (storesNothing(canvas))
        return box;
    RECT part = {LONG(canvas.stores.left), LONG(canvas.stores.top), LONG(canvas.stores.right + 1),
                 LONG(canvas.stores.bottom + 1)};
    int32_t partWidth = part.right - part.left, partHeight = part.bottom - part.top;
    MallocGuard<uint8_t> coverage(size_t(partWidth) * size_t(partHeight));
    if (!coverage)
        return {0, 0, 0, 0};
    std::memset(coverage, 0, size_t(partWidth) * size_t(partHeight));
    GlyphSource source(glyphs, glyphs.textHeight, glyphs.bold != 0);
    if (!layText(source, text, layout, coverage, partWidth, partHeight, part.left - x, part.top - y))
        return {0, 0, 0, 0};
    layCoverage(canvas, coverage, partWidth, {part.left, part.top}, penColour, brushColour);
    return box;
}

// The same pixels as drawTypedText's, worked out in memory the caller
// holds: the view's paint buffer, which it sends to the window as it is, with
// no bitmap made or locked for each repainted part.
bool layTypedTextOver(const uint32_t* picture, int32_t pictureStride, uint32_t* pixels, int32_t stride, const RECT& part,
                      int32_t x, int32_t y, const wchar_t* text, const TextLayout& layout, uint32_t penColour,
                      uint32_t brushColour, bool opaque, uint8_t* coverage, GlyphCache& glyphs) {
    int32_t partWidth = part.right - part.left, partHeight = part.bottom - part.top;
    if (layout.lineCount == 0 || partWidth <= 0 || partHeight <= 0)
        return false;
    std::memset(coverage, 0, size_t(partWidth) * size_t(partHeight));
    GlyphSource source(glyphs, glyphs.textHeight, glyphs.bold != 0);
    if (!layText(source, text, layout, coverage, partWidth, partHeight, part.left - x, part.top - y))
        return false;
    bool filled = (brushColour >> 24) == 0xFF;
    for (int32_t row = 0; row < partHeight; row++) {
        uint32_t* into = pixels + size_t(row) * size_t(stride);
        const uint32_t* from = picture + size_t(row) * size_t(pictureStride);
        const uint8_t* ink = coverage + size_t(row) * size_t(partWidth);
        for (int32_t column = 0; filled && column < partWidth; column++)
            into[column] = brushColour;
        if (opaque || filled) {
            coverOpaqueRow(into, filled ? into : from, ink, partWidth, penColour);
            continue;
        }
        std::memmove(into, from, sizeof(uint32_t) * size_t(partWidth));
        for (int32_t column = 0; column < partWidth; column++) {
            if (ink[column])
                into[column] = coverPixel(into[column], penColour, ink[column]);
        }
    }
    return true;
}

bool renderTypedText(const wchar_t* text, const TextLayout& layout, GlyphCache& glyphs, TextCoverage* out) {
    *out = {};
    if (layout.lineCount == 0)
        return false;
    RECT box = typedTextBox(0, 0, layout);
    size_t bytes = size_t(box.right) * size_t(box.bottom);
    out->coverage = static_cast<uint8_t*>(std::malloc(bytes));
    if (!out->coverage)
        return false;
    std::memset(out->coverage, 0, bytes);
    out->width = box.right;
    out->height = box.bottom;
    GlyphSource source(glyphs, glyphs.textHeight, glyphs.bold != 0);
    return layText(source, text, layout, out->coverage, out->width, out->height, 0, 0);
}

void layTypedText(ImageHolder* holder, int32_t x, int32_t y, const TextCoverage& ink, uint32_t penColour,
                  uint32_t brushColour) {
    if (!ink.coverage || !holder || !holder->bitmap)
        return;
    CanvasLock lock(holder, {x, y, int64_t(x) + ink.width - 1, int64_t(y) + ink.height - 1});
    if (!storesNothing(lock))
        layCoverage(lock, ink.coverage, ink.width, {x, y}, penColour, brushColour);
}

void forgetTextCoverage(TextCoverage& ink) {
    std::free(ink.coverage);
    ink = {};
}

RECT stepMarkerSquare(int32_t x, int32_t y, int32_t penWidth) {
    int32_t radius = markerRadius(penWidth);
    return {x - radius, y - radius, x + radius + 1, y + radius + 1};
}

bool renderMarkerNumber(uint32_t number, int32_t penWidth, GlyphCache& digitGlyphs, NumberCoverage* out) {
    *out = {};
    int32_t radius = markerRadius(penWidth);
    out->number = number;
    out->radius = radius;
    out->ink = {0, 0, -1, -1};
    wchar_t digits[12] = {};
    int32_t count = decimalDigits(number, digits);
    // Wide enough for every digit and a radius of room on each side, so no
    // ink is cut before it is measured.
    DigitCoverage numberMask(radius * (count + 2), radius * 3);
    GlyphSource source(digitGlyphs, radius, true);
    if (!numberMask.coverage || !openGlyphs(source) || !layDigits(source, digits, count, numberMask, radius))
        return false;
    InkBox ink = inkOf(numberMask);
    out->coverage = numberMask.coverage.items;
    numberMask.coverage.items = nullptr;
    out->width = numberMask.width;
    out->height = numberMask.height;
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
    if (!holder || !holder->bitmap)
        return;
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
            bool inMask = hasInk && mx >= 0 && my >= 0 && mx < number.width && my < number.height;
            uint32_t digit = inMask ? number.coverage[size_t(my) * size_t(number.width) + size_t(mx)] : 0;
            pixel = coverPixel(pixel, numberColour, (digit * disc + 127) / 255);
            setPixel(canvas, column, row, pixel);
        }
    }
}

RECT drawStepMarker(ImageHolder* holder, int32_t x, int32_t y, uint32_t number, uint32_t penColour,
                    int32_t penWidth, GlyphCache& digitGlyphs) {
    RECT square = stepMarkerSquare(x, y, penWidth);
    if (!holder || !holder->bitmap)
        return square;
    NumberCoverage rendered = {};
    renderMarkerNumber(number, penWidth, digitGlyphs, &rendered);
    layStepMarker(holder, x, y, rendered, penColour, penWidth);
    forgetNumberCoverage(rendered);
    return square;
}
