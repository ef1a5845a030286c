// The typed-text box. Its text lives in a fixed buffer of the editor's state;
// the picture is not touched until the box is committed, so the box is shown
// by the paint alone: the text drawn, exactly as the commit will draw it,
// into a copy of the picture's pixels under the box, with a dotted frame and
// a caret over it. Each change repaints only what it shows different: the
// lines whose text changed, from their first changed letter, the strips
// between the box's old and new edges, and the caret.
#include "textBox.h"

#include <cstring>

#include "../annotations/annotationEdit.h"
#include "../annotations/annotationHistory.h"
#include "../image/gdiGuards.h"
#include "../image/systemText.h"
#include "annotationPreview.h"
#include "drawingSteps.h"
#include "editorView.h"

using namespace Gdiplus::DllExports;

static_assert(textBoxCapacity - 1 <= typedTextUnitLimit, "the layout holds every line of a full box");

namespace {

// The open box's letters as rendered for its paints and its commit; freed
// when the box closes.
GlyphCache glyphs = {};

// The picture's pixels as ARGB from the box's corner to the picture's right
// edge, taken row by row as far down as the box has reached, for its paints:
// a lock of the picture for each repainted part costs more than the text it
// shows. The picture does not change under an open box (every command and
// every press commits the box first), so they are taken once a box, again
// only when the corner moves or the picture is another; freed when the box
// closes.
struct PictureUnderBox {
    uint32_t* pixels;  // width x rows, row by row
    const GpBitmap* picture;
    POINT corner;
    int32_t width, rows;
};
PictureUnderBox under = {};

// The paints' own memory while the box is open, grown to the largest part
// repainted: memory taken afresh for each paint costs more here than what
// is drawn in it.
struct PaintMemory {
    uint32_t* pixels;
    uint8_t* coverage;
    size_t capacity;  // pixels each holds
};
PaintMemory paintMemory = {};

bool holdPaintMemory(size_t pixels) {
    if (paintMemory.capacity >= pixels)
        return true;
    std::free(paintMemory.pixels);
    std::free(paintMemory.coverage);
    paintMemory.pixels = static_cast<uint32_t*>(std::malloc(pixels * 4));
    paintMemory.coverage = static_cast<uint8_t*>(std::malloc(pixels));
    paintMemory.capacity = pixels;
    if (paintMemory.pixels && paintMemory.coverage)
        return true;
    std::free(paintMemory.pixels);
    std::free(paintMemory.coverage);
    paintMemory = {};
    return false;
}

// The box's text as last laid out and shown, with its layout; the other of
// the two takes the next layout, so that a change can be told line by line.
struct ShownText {
    wchar_t text[textBoxCapacity];
    int32_t length;
    TextLayout layout;
};
ShownText shownTexts[2] = {};
int32_t shownIndex = 0;

ShownText& shownText() {
    return shownTexts[shownIndex];
}

ShownText& spareText() {
    return shownTexts[1 - shownIndex];
}

bool isHighSurrogate(wchar_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(wchar_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Units of the letter that ends at, or starts at, this place.
int32_t letterBefore(const wchar_t* text, int32_t at) {
    if (at <= 0)
        return 0;
    return at >= 2 && isLowSurrogate(text[at - 1]) && isHighSurrogate(text[at - 2]) ? 2 : 1;
}

int32_t letterAfter(const TextBoxState& box, int32_t at) {
    if (at >= box.length)
        return 0;
    return at + 1 < box.length && isHighSurrogate(box.text[at]) && isLowSurrogate(box.text[at + 1]) ? 2 : 1;
}

void eraseUnits(TextBoxState& box, int32_t at, int32_t count) {
    std::memmove(box.text + at, box.text + at + count, sizeof(wchar_t) * size_t(box.length - at - count));
    box.length -= count;
    box.text[box.length] = 0;
}

LONG pictureWidth(const EditorState& s) {
    return LONG(imageWidth(s.picture));
}

LONG pictureHeight(const EditorState& s) {
    return LONG(imageHeight(s.picture));
}

// The text's lines end before the picture's right edge, less the margins.
int32_t roomOf(const EditorState& s) {
    return pictureWidth(s) - s.textBox.corner.x - 2 * typedTextMargin;
}

// The box's text laid out afresh into the spare layout. Without a font the
// box keeps an empty line's height.
void layOutSpare(const EditorState& s) {
    const TextBoxState& box = s.textBox;
    TextLayout& layout = spareText().layout;
    if (layoutTypedText(box.text, box.length, s.penWidth, roomOf(s), glyphs, &layout))
        return;
    layout.lineHeight = typedTextHeight(s.penWidth);
    layout.lineCount = 1;
    layout.width = 0;
    layout.lines[0] = {0, 0, 0};
}

bool spareFits(const EditorState& s) {
    RECT box = typedTextBox(s.textBox.corner.x, s.textBox.corner.y, spareText().layout);
    return box.right <= pictureWidth(s) && box.bottom <= pictureHeight(s);
}

void forgetBoxMemory() {
    forgetGlyphs(glyphs);
    std::free(under.pixels);
    under = {};
    std::free(paintMemory.pixels);
    std::free(paintMemory.coverage);
    paintMemory = {};
}

// The box's corner for its click at the current pen: moved left as far as
// the room for a wide letter needs, and up as far as its lines need, but
// never off the picture's top-left corner.
void placeBox(EditorState& s) {
    TextBoxState& box = s.textBox;
    box.corner = box.click;
    layOutSpare(s);
    LONG lineHeight = spareText().layout.lineHeight;
    LONG lastX = pictureWidth(s) - 2 * typedTextMargin - lineHeight;
    box.corner.x = box.click.x < lastX ? box.click.x : (lastX > 0 ? lastX : 0);
    layOutSpare(s);
    LONG lastY = pictureHeight(s) - 2 * typedTextMargin - spareText().layout.lineCount * lineHeight;
    box.corner.y = box.click.y < lastY ? box.click.y : (lastY > 0 ? lastY : 0);
}

// Picture x of the first letter of line `index` in the new layout that
// differs from the old one's; -1 when the line is the same.
LONG firstChangeOnLine(const EditorState& s, const ShownText& old, const ShownText& now, int32_t index) {
    if (index >= old.layout.lineCount || index >= now.layout.lineCount)
        return s.textBox.corner.x;
    const TextLine& was = old.layout.lines[index];
    const TextLine& is = now.layout.lines[index];
    int32_t same = 0;
    while (same < was.length && same < is.length && old.text[was.start + same] == now.text[is.start + same])
        same++;
    if (same == was.length && same == is.length)
        return -1;
    // A pair whose first half alone is the same changed as a letter.
    if (same > 0 && isHighSurrogate(now.text[is.start + same - 1]))
        same--;
    return s.textBox.corner.x + typedTextMargin + penOnLine(now.text, is, is.start + same, glyphs);
}

// Each changed line from its first changed letter to the end of the wider of
// its old and new ink, as far as its letters' ink reaches, within the boxes.
void invalidateLines(const EditorState& s, const ShownText& old, const ShownText& now, const RECT& within) {
    const TextBoxState& box = s.textBox;
    int32_t lineHeight = now.layout.lineHeight, reach = typedInkReach(lineHeight);
    int32_t count = old.layout.lineCount > now.layout.lineCount ? old.layout.lineCount : now.layout.lineCount;
    for (int32_t index = 0; index < count; index++) {
        LONG from = firstChangeOnLine(s, old, now, index);
        if (from < 0)
            continue;
        int32_t wasWidth = index < old.layout.lineCount ? old.layout.lines[index].width : 0;
        int32_t isWidth = index < now.layout.lineCount ? now.layout.lines[index].width : 0;
        LONG top = box.corner.y + typedTextMargin + index * lineHeight;
        LONG right = box.corner.x + typedTextMargin + (wasWidth > isWidth ? wasWidth : isWidth) + reach;
        RECT band = {from - reach, top - reach, right, top + lineHeight + reach};
        if (IntersectRect(&band, &band, &within))
            invalidatePictureRect(s, band);
    }
}

// A box that changed its size: with the fill, the strips between the old and
// the new right and bottom edges, each with the frame's line inside the
// smaller box. Without it only the frame moved (the lines' changes are their
// own): its right column and bottom row where they were and where they are,
// and the top and bottom rows and the side columns as far as they grew or
// shrank.
void invalidateEdges(const EditorState& s, const RECT& old, const RECT& now) {
    LONG right = old.right > now.right ? old.right : now.right;
    LONG bottom = old.bottom > now.bottom ? old.bottom : now.bottom;
    LONG fromX = (old.right < now.right ? old.right : now.right) - 1;
    LONG fromY = (old.bottom < now.bottom ? old.bottom : now.bottom) - 1;
    bool filled = (s.brushColor >> 24) == 0xFF;
    if (old.right != now.right && filled)
        invalidatePictureRect(s, {fromX, now.top, right, bottom});
    if (old.bottom != now.bottom && filled)
        invalidatePictureRect(s, {now.left, fromY, right, bottom});
    if (filled)
        return;
    const RECT frameLines[] = {
        {old.right - 1, old.top, old.right, old.bottom}, {now.right - 1, now.top, now.right, now.bottom},
        {fromX, now.top, right, now.top + 1},            {fromX, old.bottom - 1, right, old.bottom},
        {fromX, now.bottom - 1, right, now.bottom},      {old.left, old.bottom - 1, old.right, old.bottom},
        {now.left, now.bottom - 1, now.right, now.bottom}, {now.left, fromY, now.left + 1, bottom},
        {old.right - 1, fromY, old.right, bottom},       {now.right - 1, fromY, now.right, bottom},
    };
    bool across = old.right != now.right, down = old.bottom != now.bottom;
    for (size_t i = 0; i < sizeof(frameLines) / sizeof(frameLines[0]); i++) {
        if (i < 5 ? across : down)
            invalidatePictureRect(s, frameLines[i]);
    }
}

// Makes the spare layout the shown one, with the box's text, and repaints
// what it shows different; all of the old and the new box when it opens,
// changes its style or starts or stops being empty (an empty box shows no
// fill).
void present(EditorState& s, bool whole) {
    TextBoxState& box = s.textBox;
    ShownText& now = spareText();
    std::memcpy(now.text, box.text, sizeof(wchar_t) * size_t(box.length));
    now.length = box.length;
    shownIndex = 1 - shownIndex;
    const ShownText& old = spareText();
    RECT oldBox = box.shown;
    POINT oldCaret = box.caretAt;
    int32_t oldLineHeight = box.lineHeight;
    box.shown = typedTextBox(box.corner.x, box.corner.y, now.layout);
    POINT caret = caretPoint(box.text, now.layout, box.caret, glyphs);
    box.caretAt = {box.corner.x + caret.x, box.corner.y + caret.y};
    box.lineHeight = now.layout.lineHeight;
    if (whole || oldLineHeight != box.lineHeight || (old.length == 0) != (now.length == 0)) {
        invalidatePictureRect(s, oldBox);
        invalidatePictureRect(s, box.shown);
        return;
    }
    RECT within = {};
    UnionRect(&within, &oldBox, &box.shown);
    invalidateLines(s, old, now, within);
    invalidateEdges(s, oldBox, box.shown);
    invalidatePictureRect(s, {oldCaret.x, oldCaret.y, oldCaret.x + 1, oldCaret.y + oldLineHeight});
    invalidatePictureRect(s, {box.caretAt.x, box.caretAt.y, box.caretAt.x + 1, box.caretAt.y + box.lineHeight});
}

void relayOut(EditorState& s) {
    layOutSpare(s);
    present(s, false);
}

void edited(EditorState& s, bool changed) {
    if (changed)
        relayOut(s);
}

// Puts the units in at the caret when the box can hold them and stays on the
// picture; the spare layout is then the new text's. False, with the text as
// it was, otherwise.
bool tryInsert(EditorState& s, const wchar_t* units, int32_t count) {
    TextBoxState& box = s.textBox;
    if (count <= 0 || textBoxCapacity - 1 - box.length < count)
        return false;
    std::memmove(box.text + box.caret + count, box.text + box.caret,
                 sizeof(wchar_t) * size_t(box.length - box.caret));
    std::memcpy(box.text + box.caret, units, sizeof(wchar_t) * size_t(count));
    box.caret += count;
    box.length += count;
    box.text[box.length] = 0;
    layOutSpare(s);
    if (spareFits(s))
        return true;
    box.caret -= count;
    eraseUnits(box, box.caret, count);
    return false;
}

// A letter or a line break: all of it goes in, or nothing with a beep.
void typeUnits(EditorState& s, const wchar_t* units, int32_t count) {
    if (tryInsert(s, units, count))
        present(s, false);
    else
        MessageBeep(MB_OK);
}

// The clipboard's plain text as the box takes it: CR LF, CR and LF each one
// line break, a tab a space, other control characters and halves of pairs
// dropped; at most `limit` units. Answers how many; `more` tells that some
// were left. The block is read within its size, ended or not.
int32_t clipboardText(HWND window, wchar_t* units, int32_t limit, bool* more) {
    *more = false;
    ClipboardGuard clipboard(OpenClipboard(window) != FALSE);
    HANDLE block = clipboard ? GetClipboardData(CF_UNICODETEXT) : nullptr;
    GlobalLockGuard locked(block);
    if (!locked.data)
        return 0;
    const auto* from = static_cast<const wchar_t*>(locked.data);
    size_t size = GlobalSize(block) / sizeof(wchar_t);
    int32_t count = 0;
    for (size_t i = 0; i < size && from[i]; i++) {
        wchar_t unit = from[i] == L'\t' ? L' ' : from[i] == L'\r' ? L'\n' : from[i];
        if (from[i] == L'\r' && i + 1 < size && from[i + 1] == L'\n')
            i++;
        bool pair = isHighSurrogate(unit) && i + 1 < size && isLowSurrogate(from[i + 1]);
        bool half = !pair && (isHighSurrogate(unit) || isLowSurrogate(unit));
        if ((unit < 0x20 && unit != L'\n') || unit == 0x7F || half)
            continue;
        int32_t width = pair ? 2 : 1;
        if (count + width > limit) {
            *more = true;
            break;
        }
        units[count++] = unit;
        if (pair)
            units[count++] = from[++i];
    }
    return count;
}

// Ctrl+V: as much of the clipboard's text as the box holds and the picture
// has room for, found by halves; a beep when some of it was left out.
void pasteText(EditorState& s) {
    wchar_t units[textBoxCapacity];
    bool more = false;
    int32_t count = clipboardText(s.window, units, textBoxCapacity - 1, &more);
    int32_t fits = 0, high = count;
    while (fits < high) {
        int32_t middle = fits + (high - fits + 1) / 2;
        // A cut between a pair's halves takes the pair whole.
        int32_t take = isHighSurrogate(units[middle - 1]) ? middle + 1 : middle;
        if (tryInsert(s, units, take)) {
            s.textBox.caret -= take;
            eraseUnits(s.textBox, s.textBox.caret, take);
            fits = take;
        } else {
            high = middle - 1;
        }
    }
    if (fits > 0 && tryInsert(s, units, fits))
        present(s, false);
    if (fits < count || more)
        MessageBeep(MB_OK);
}

bool eraseBeforeCaret(TextBoxState& box) {
    int32_t units = letterBefore(box.text, box.caret);
    if (units == 0)
        return false;
    box.caret -= units;
    eraseUnits(box, box.caret, units);
    return true;
}

bool eraseAfterCaret(TextBoxState& box) {
    int32_t units = letterAfter(box, box.caret);
    if (units == 0)
        return false;
    eraseUnits(box, box.caret, units);
    return true;
}

// Ctrl+Backspace: the spaces before the caret and the word before them, or
// a line break alone right before it.
bool eraseWordBeforeCaret(TextBoxState& box) {
    int32_t at = box.caret;
    while (at > 0 && box.text[at - 1] == L' ')
        at--;
    if (at == box.caret && at > 0 && box.text[at - 1] == L'\n')
        at--;
    else
        while (at > 0 && box.text[at - 1] != L' ' && box.text[at - 1] != L'\n')
            at--;
    if (at == box.caret)
        return false;
    eraseUnits(box, at, box.caret - at);
    box.caret = at;
    return true;
}

// The caret place on the shown line `lines` away from the caret's, at this
// x from the box's corner; the caret's own place when there is no such line.
int32_t caretOnLine(const TextBoxState& box, int32_t lines, LONG x) {
    const TextLayout& layout = shownText().layout;
    int32_t line = lineOfCaret(layout, box.caret) + lines;
    if (line < 0 || line >= layout.lineCount)
        return box.caret;
    POINT at = {x, typedTextMargin + line * layout.lineHeight + layout.lineHeight / 2};
    return caretAtPoint(box.text, layout, at, glyphs);
}

// Left and Right by one letter, Up and Down to the nearest place on the line
// above or below, Home and End to the ends of the caret's line as shown.
bool moveCaret(TextBoxState& box, WPARAM key) {
    const LONG caretX = box.caretAt.x - box.corner.x, beyondLine = 1 << 24;
    int32_t to = box.caret;
    if (key == VK_LEFT)
        to -= letterBefore(box.text, to);
    else if (key == VK_RIGHT)
        to += letterAfter(box, to);
    else if (key == VK_UP || key == VK_DOWN)
        to = caretOnLine(box, key == VK_UP ? -1 : 1, caretX);
    else if (key == VK_HOME || key == VK_END)
        to = caretOnLine(box, 0, key == VK_HOME ? -beyondLine : beyondLine);
    if (to == box.caret)
        return false;
    box.caret = to;
    return true;
}

void openTextBox(EditorState& s, POINT click) {
    TextBoxState& box = s.textBox;
    box.open = 1;
    box.reopenedIndex = -1;
    box.click = click;
    box.length = box.caret = 0;
    box.text[0] = 0;
    box.pendingHigh = 0;
    box.shown = {0, 0, 0, 0};
    placeBox(s);
    present(s, true);
}

// The box's marks go from the window.
void closeTextBox(EditorState& s) {
    s.textBox.open = 0;
    invalidatePictureRect(s, s.textBox.shown);
    s.textBox.shown = {0, 0, 0, 0};
}

// A picture without alpha: its copied pixels are shown as they are, whatever
// alpha bytes the copy holds.
bool pictureIsOpaque(GpBitmap* picture) {
    Gdiplus::PixelFormat format = 0;
    GdipGetImagePixelFormat(picture, &format);
    return format == PixelFormat32bppRGB || format == PixelFormat24bppRGB;
}

// The picture's rows from the box's corner down to bottom, held in
// `under`; false when they cannot be had.
bool takePictureUnderBox(const EditorState& s, LONG bottom) {
    const TextBoxState& box = s.textBox;
    GpBitmap* picture = s.picture->bitmap;
    if (under.picture != picture || under.corner.x != box.corner.x || under.corner.y != box.corner.y) {
        std::free(under.pixels);
        under = {};
        int32_t width = pictureWidth(s) - box.corner.x, height = pictureHeight(s) - box.corner.y;
        if (width <= 0 || height <= 0)
            return false;
        under.pixels = static_cast<uint32_t*>(std::malloc(size_t(width) * size_t(height) * 4));
        if (!under.pixels)
            return false;
        under = {under.pixels, picture, box.corner, width, 0};
    }
    int32_t wanted = bottom - box.corner.y;
    if (wanted <= under.rows)
        return true;
    Gdiplus::Rect rect(box.corner.x, box.corner.y + under.rows, under.width, wanted - under.rows);
    Gdiplus::BitmapData data = {};
    data.Width = UINT(rect.Width);
    data.Height = UINT(rect.Height);
    data.Stride = under.width * 4;
    data.PixelFormat = PixelFormat32bppARGB;
    data.Scan0 = under.pixels + size_t(under.rows) * size_t(under.width);
    auto mode = UINT(Gdiplus::ImageLockModeRead) | UINT(Gdiplus::ImageLockModeUserInputBuf);
    if (GdipBitmapLockBits(picture, &rect, mode, PixelFormat32bppARGB, &data) != Gdiplus::Ok)
        return false;
    GdipBitmapUnlockBits(picture, &data);
    under.rows = wanted;
    return true;
}

// The buffer's pixels to the DC, top-down rows as wide as the rectangle.
void sendToDc(HDC dc, const uint32_t* pixels, const RECT& client) {
    INT width = client.right - client.left, height = client.bottom - client.top;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down, as the rows lie in memory
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    SetDIBitsToDevice(dc, client.left, client.top, DWORD(width), DWORD(height), 0, 0, 0, UINT(height), pixels, &info,
                      DIB_RGB_COLORS);
}

// The part's pixels as the paint shows the picture: laid over white, which
// a translucent pixel lets through.
void showOverWhite(uint32_t* pixels, int32_t stride, int32_t width, int32_t height) {
    for (int32_t y = 0; y < height; y++) {
        uint32_t* row = pixels + size_t(y) * size_t(stride);
        for (int32_t x = 0; x < width; x++) {
            if (row[x] < 0xFF000000u)
                row[x] = 0xFF000000u | shownOverWhite(row[x]);
        }
    }
}

// The picture's rectangle the open box's text covers: all of the box on the
// picture, nothing while it is empty.
RECT coveredPart(const EditorState& s) {
    RECT picture = {0, 0, pictureWidth(s), pictureHeight(s)}, part = {};
    if (!s.textBox.open || s.textBox.length == 0 || !s.picture)
        return part;
    IntersectRect(&part, &s.textBox.shown, &picture);
    return part;
}

// Only the part of the box the paint repaints is drawn, from the copy of the
// picture under the box into memory of the paint's own, and sent to the
// paint's DC through GDI, which keeps the DC's viewport origin. An empty box
// shows no fill either: it will draw nothing.
void paintPreview(const EditorState& s, HDC dc) {
    const TextBoxState& box = s.textBox;
    RECT clip = {};
    GetClipBox(dc, &clip);
    POINT clipStart = windowToPicture(s, {clip.left, clip.top});
    POINT clipEnd = windowToPicture(s, {clip.right, clip.bottom});
    RECT repainted = {clipStart.x, clipStart.y, clipEnd.x, clipEnd.y};
    RECT part = coveredPart(s);
    if (!IntersectRect(&part, &part, &repainted))
        return;
    INT width = part.right - part.left, height = part.bottom - part.top;
    if (!holdPaintMemory(size_t(width) * size_t(height)) || !takePictureUnderBox(s, part.bottom))
        return;
    uint32_t* pixels = paintMemory.pixels;
    const uint32_t* picture =
        under.pixels + size_t(part.top - under.corner.y) * size_t(under.width) + size_t(part.left - under.corner.x);
    bool opaque = pictureIsOpaque(s.picture->bitmap);
    layTypedTextOver(picture, under.width, pixels, width, part, box.corner.x, box.corner.y, box.text,
                     shownText().layout, s.penColor, s.brushColor, opaque, paintMemory.coverage, glyphs);
    if (!opaque)
        showOverWhite(pixels, width, width, height);
    sendToDc(dc, pixels, pictureToWindowRect(s, part));
}

// The frame is dotted as a focus rectangle is, every other pixel inverted,
// but in a pattern tied to the window's pixels: DrawFocusRect's dots depend
// on the rectangle's size (Wine) or on the paint DC's brush origin (Windows),
// so a paint of a part of the box would give other dots than one of all of it.
void paintFrame(HDC dc, const RECT& frame) {
    static const WORD dots[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
    GdiObjectGuard<HBITMAP> pattern(CreateBitmap(8, 8, 1, 1, dots));
    GdiObjectGuard<HBRUSH> brush(CreatePatternBrush(pattern));
    if (!brush)
        return;
    // The brush origin is in the DC's own pixels; the viewport origin says
    // where the window's pixel 0, 0 lies in them.
    POINT origin = {};
    GetViewportOrgEx(dc, &origin);
    POINT previous = {};
    SetBrushOrgEx(dc, ((origin.x % 8) + 8) % 8, ((origin.y % 8) + 8) % 8, &previous);
    SelectGuard selected(dc, brush);
    LONG width = frame.right - frame.left, height = frame.bottom - frame.top;
    PatBlt(dc, frame.left, frame.top, width, 1, PATINVERT);
    if (height > 1)
        PatBlt(dc, frame.left, frame.bottom - 1, width, 1, PATINVERT);
    if (height > 2) {
        PatBlt(dc, frame.left, frame.top + 1, 1, height - 2, PATINVERT);
        if (width > 1)
            PatBlt(dc, frame.right - 1, frame.top + 1, 1, height - 2, PATINVERT);
    }
    SetBrushOrgEx(dc, previous.x, previous.y, nullptr);
}

void paintFrameAndCaret(const EditorState& s, HDC dc) {
    const TextBoxState& box = s.textBox;
    paintFrame(dc, pictureToWindowRect(s, box.shown));
    POINT caret = pictureToWindow(s, box.caretAt);
    PatBlt(dc, caret.x, caret.y, 1, box.lineHeight, DSTINVERT);
}

}  // namespace

bool textBoxPress(EditorState& s, POINT picture) {
    TextBoxState& box = s.textBox;
    if (box.open && PtInRect(&box.shown, picture)) {
        SetFocus(s.window);
        box.pendingHigh = 0;
        POINT inBox = {picture.x - box.corner.x, picture.y - box.corner.y};
        int32_t to = caretAtPoint(box.text, shownText().layout, inBox, glyphs);
        if (to != box.caret) {
            box.caret = to;
            relayOut(s);
        }
        return true;
    }
    commitTextBox(s);
    return false;
}

// The keys are the editor's, and so the box's, once the picture is used.
void openTypedText(EditorState& s, POINT picture) {
    SetFocus(s.window);
    openTextBox(s, picture);
}

bool reopenTypedText(EditorState& s, int32_t index) {
    if (index < 0 || index >= s.layer.count || s.layer.items[index].kind != annotationTypedText)
        return false;
    commitTextBox(s);
    TextBoxState& box = s.textBox;
    Annotation& record = s.layer.items[index];
    if (!copyAnnotation(record, &box.reopened))
        return false;
    RECT changed = {};
    if (!takeAnnotation(s.layer, index, &changed)) {
        freeAnnotation(box.reopened);
        return false;
    }
    invalidatePictureRect(s, changed);
    openTextBox(s, box.reopened.points[0]);
    box.reopenedIndex = index;
    int32_t length = box.reopened.textLength < textBoxCapacity ? box.reopened.textLength : textBoxCapacity - 1;
    std::memcpy(box.text, box.reopened.text, sizeof(wchar_t) * size_t(length));
    box.text[length] = 0;
    box.length = box.caret = length;
    relayOut(s);
    return true;
}

namespace {

// The reopened record goes back where it was, as it was, with no step; with
// its text replaced (none removes it), that is one step.
void putBackReopened(EditorState& s, bool replace) {
    TextBoxState& box = s.textBox;
    int32_t index = box.reopenedIndex;
    box.reopenedIndex = -1;
    if (index < 0 || !box.reopened.points)
        return;
    RECT changed = {};
    if (placeAnnotation(s.layer, index, box.reopened, &changed) && replace) {
        Annotation after = {};
        if (box.length == 0) {
            deleteAnnotation(s.layer, index, &changed);
        } else if (retextedAnnotation(box.reopened, box.text, box.length, &after)) {
            after.room = box.reopened.room;
            updateBounds(after);
            if (!sameAnnotation(after, box.reopened))
                changeAnnotation(s.layer, index, after, &changed);
        }
        freeAnnotation(after);
    }
    invalidatePictureRect(s, changed);
    freeAnnotation(box.reopened);
}

}  // namespace

bool commitTextBox(EditorState& s) {
    TextBoxState& box = s.textBox;
    if (!box.open)
        return false;
    closeTextBox(s);
    if (box.reopenedIndex >= 0) {
        putBackReopened(s, true);
    } else if (box.length > 0 && s.picture) {
        beginStep(s.history, s.picture);
        drawTypedText(s.picture, box.corner.x, box.corner.y, box.text, shownText().layout, s.penColor,
                      s.brushColor, glyphs);
        keepDrawingStep(s, {annotationTypedText, &box.corner, 1, box.text, box.length, roomOf(s)});
    }
    forgetBoxMemory();
    return true;
}

void cancelTextBox(EditorState& s) {
    closeTextBox(s);
    putBackReopened(s, false);
    forgetBoxMemory();
}

void discardTextBox(EditorState& s) {
    freeAnnotation(s.textBox.reopened);
    s.textBox.reopenedIndex = -1;
    s.textBox.open = 0;
    s.textBox.shown = {0, 0, 0, 0};
    forgetBoxMemory();
}

// Ctrl+Enter commits; Enter alone starts a line; with AltGr (Ctrl and Alt) it
// does neither, as no key with both is a command. Ctrl+Backspace erases a
// word, Ctrl+V pastes. Every other key is the box's too: its character, if
// any, comes as WM_CHAR. Of the system keys only Alt+Enter is taken, so it
// does not switch full screen under the box.
bool textBoxKeyDown(EditorState& s, UINT message, WPARAM key) {
    TextBoxState& box = s.textBox;
    if (!box.open)
        return false;
    if (message == WM_SYSKEYDOWN)
        return key == VK_RETURN;
    bool control = GetKeyState(VK_CONTROL) < 0, alt = GetKeyState(VK_MENU) < 0;
    bool command = control && !alt;
    switch (key) {
    case VK_ESCAPE:
        cancelTextBox(s);
        return true;
    case VK_RETURN:
        box.pendingHigh = 0;
        if (command)
            commitTextBox(s);
        else if (!control)
            typeUnits(s, L"\n", 1);
        return true;
    case VK_BACK:
        box.pendingHigh = 0;
        edited(s, command ? eraseWordBeforeCaret(box) : eraseBeforeCaret(box));
        return true;
    case VK_DELETE:
        box.pendingHigh = 0;
        edited(s, eraseAfterCaret(box));
        return true;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_HOME:
    case VK_END:
        box.pendingHigh = 0;
        edited(s, moveCaret(box, key));
        return true;
    case 'V':
        if (command) {
            box.pendingHigh = 0;
            pasteText(s);
        }
        return true;
    default:
        return true;
    }
}

// Control codes (Backspace, Enter, Escape, Tab, Ctrl+letter) come as
// characters too; their keys have acted already or mean nothing here. A
// pair's halves come one by one: the first waits for the second, and the
// pair goes in whole or not at all.
bool textBoxChar(EditorState& s, WPARAM unit) {
    TextBoxState& box = s.textBox;
    if (!box.open)
        return false;
    wchar_t high = box.pendingHigh;
    box.pendingHigh = 0;
    if (unit > 0xFFFF)
        return true;
    wchar_t units[2] = {high, wchar_t(unit)};
    if (isHighSurrogate(units[1]))
        box.pendingHigh = units[1];
    else if (isLowSurrogate(units[1]) && high)
        typeUnits(s, units, 2);
    else if (unit >= 0x20 && unit != 0x7F && !isLowSurrogate(units[1]))
        typeUnits(s, units + 1, 1);
    return true;
}

void textBoxRestyled(EditorState& s) {
    if (!s.textBox.open)
        return;
    placeBox(s);
    present(s, true);
}

RECT textBoxCover(const EditorState& s) {
    return pictureToWindowRect(s, coveredPart(s));
}

void paintTextBox(const EditorState& s, HDC dc) {
    if (!s.textBox.open)
        return;
    paintPreview(s, dc);
    paintFrameAndCaret(s, dc);
}
