// The typed-text box. Its text lives in a fixed buffer of the editor's state;
// the picture is not touched until the box is committed, so the box is shown
// by the paint alone: the text drawn, exactly as the commit will draw it,
// into a copy of the picture's pixels under the box, with a dotted frame and
// a caret over it. Each change repaints only the box as it was and as it is.
#include "textBox.h"

#include <cstring>

#include "../image/gdiGuards.h"
#include "../image/systemText.h"
#include "editorView.h"
#include "stepMarkers.h"

using namespace Gdiplus::DllExports;

namespace {

// The open box's lines as rendered for its paints, so a key renders only the
// lines it changed; freed when the box closes.
LineCache shownLines = {};

bool isHighSurrogate(wchar_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(wchar_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Units of the letter that ends at, or starts at, this place.
int32_t letterBefore(const TextBoxState& box, int32_t at) {
    if (at <= 0)
        return 0;
    return at >= 2 && isLowSurrogate(box.text[at - 1]) && isHighSurrogate(box.text[at - 2]) ? 2 : 1;
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

int32_t lineStartBefore(const TextBoxState& box, int32_t at) {
    while (at > 0 && box.text[at - 1] != L'\n')
        at--;
    return at;
}

int32_t lineEndAfter(const TextBoxState& box, int32_t at) {
    while (at < box.length && box.text[at] != L'\n')
        at++;
    return at;
}

// What a change shows different: the lines from the caret's old line to its
// new one, all lines below them when the box's height changed (they moved),
// and the strips between the old and the new right and bottom edges (fill and
// frame). The lines above and the rest stay as painted.
void invalidateChange(const EditorState& s, const RECT& old, POINT oldCaret, const RECT& now, POINT caret) {
    LONG right = old.right > now.right ? old.right : now.right;
    LONG bottom = old.bottom > now.bottom ? old.bottom : now.bottom;
    LONG top = oldCaret.y < caret.y ? oldCaret.y : caret.y;
    LONG lines = (oldCaret.y > caret.y ? oldCaret.y : caret.y) + s.textBox.lineHeight;
    invalidatePictureRect(s, {now.left, top, right, old.bottom != now.bottom ? bottom : lines});
    if (old.right != now.right)
        invalidatePictureRect(s, {(old.right < now.right ? old.right : now.right) - 1, now.top, right, bottom});
    if (old.bottom != now.bottom)
        invalidatePictureRect(s, {now.left, (old.bottom < now.bottom ? old.bottom : now.bottom) - 1, right, bottom});
}

// Lays the box out afresh and repaints what it shows different; the whole of
// the box as it was and as it is when it opens, closes or changes its style.
// Without a font the box keeps an empty line's height.
void reshow(EditorState& s, bool whole) {
    TextBoxState& box = s.textBox;
    RECT old = box.shown;
    POINT oldCaret = box.caretAt;
    int32_t oldLineHeight = box.lineHeight;
    if (!box.open) {
        invalidatePictureRect(s, old);
        box.shown = {0, 0, 0, 0};
        return;
    }
    TextLayout layout = {typedTextHeight(s.penWidth), 1, 0, {typedTextMargin, typedTextMargin}};
    layoutTypedText(box.text, box.length, box.caret, s.penWidth, &layout);
    box.shown = typedTextBox(box.corner.x, box.corner.y, layout);
    box.caretAt = {box.corner.x + layout.caret.x, box.corner.y + layout.caret.y};
    box.lineHeight = layout.lineHeight;
    if (whole || oldLineHeight != box.lineHeight) {
        invalidatePictureRect(s, old);
        invalidatePictureRect(s, box.shown);
        return;
    }
    invalidateChange(s, old, oldCaret, box.shown, box.caretAt);
}

void edited(EditorState& s, bool changed) {
    if (changed)
        reshow(s, false);
}

void openTextBox(EditorState& s, POINT corner) {
    TextBoxState& box = s.textBox;
    box.open = 1;
    box.corner = corner;
    box.length = box.caret = 0;
    box.text[0] = 0;
    box.shown = {0, 0, 0, 0};
    reshow(s, true);
}

// The copy's pixels as the paint shows the picture: laid over white, which a
// translucent pixel lets through.
void showOverWhite(HDC dc, GpBitmap* copy, const RECT& client) {
    INT width = client.right - client.left, height = client.bottom - client.top;
    Gdiplus::Rect all(0, 0, width, height);
    Gdiplus::BitmapData data = {};
    if (GdipBitmapLockBits(copy, &all, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeWrite,
                           PixelFormat32bppARGB, &data) != Gdiplus::Ok)
        return;
    for (INT y = 0; y < height; y++) {
        uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(data.Scan0) + ptrdiff_t(y) * data.Stride);
        for (INT x = 0; x < width; x++) {
            if (row[x] < 0xFF000000u)
                row[x] = coverPixel(0xFFFFFFFFu, row[x] | 0xFF000000u, row[x] >> 24);
        }
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = data.Stride / 4;
    info.bmiHeader.biHeight = -height;  // top-down, as the rows lie in memory
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    SetDIBitsToDevice(dc, client.left, client.top, DWORD(width), DWORD(height), 0, 0, 0, UINT(height), data.Scan0,
                      &info, DIB_RGB_COLORS);
    GdipBitmapUnlockBits(copy, &data);
}

// Only the part of the box the paint repaints is copied and drawn into. The
// paint's DC keeps its viewport origin for GDI; so the copy goes out through
// GDI, never through a GDI+ surface on that DC. An empty box shows no fill
// either: it will draw nothing.
void paintPreview(const EditorState& s, HDC dc) {
    const TextBoxState& box = s.textBox;
    RECT clip = {};
    GetClipBox(dc, &clip);
    POINT clipStart = windowToPicture(s, {clip.left, clip.top});
    POINT clipEnd = windowToPicture(s, {clip.right, clip.bottom});
    RECT repainted = {clipStart.x, clipStart.y, clipEnd.x, clipEnd.y};
    RECT picture = {0, 0, LONG(imageWidth(s.picture)), LONG(imageHeight(s.picture))};
    RECT part = {};
    if (box.length == 0 || !s.picture || !IntersectRect(&part, &box.shown, &picture) ||
        !IntersectRect(&part, &part, &repainted))
        return;
    BitmapGuard copy;
    if (GdipCloneBitmapAreaI(part.left, part.top, part.right - part.left, part.bottom - part.top,
                             PixelFormat32bppARGB, s.picture->bitmap, &copy.bitmap) != Gdiplus::Ok)
        return;
    ImageHolder holder = {copy.bitmap};
    drawTypedText(&holder, box.corner.x - part.left, box.corner.y - part.top, box.text, box.length, s.penColor,
                  s.brushColor, s.penWidth, &shownLines);
    showOverWhite(dc, copy, pictureToWindowRect(s, part));
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

bool insertTextUnit(TextBoxState& box, wchar_t unit) {
    // A pair's first half goes in only with room for its second.
    int32_t room = textBoxCapacity - 1 - box.length;
    if (room < 1 || (isHighSurrogate(unit) && room < 2))
        return false;
    std::memmove(box.text + box.caret + 1, box.text + box.caret, sizeof(wchar_t) * size_t(box.length - box.caret));
    box.text[box.caret++] = unit;
    box.text[++box.length] = 0;
    return true;
}

bool eraseBeforeCaret(TextBoxState& box) {
    int32_t units = letterBefore(box, box.caret);
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

bool moveCaret(TextBoxState& box, WPARAM key) {
    int32_t to = box.caret;
    if (key == VK_LEFT)
        to -= letterBefore(box, to);
    else if (key == VK_RIGHT)
        to += letterAfter(box, to);
    else if (key == VK_HOME)
        to = lineStartBefore(box, to);
    else if (key == VK_END)
        to = lineEndAfter(box, to);
    if (to == box.caret)
        return false;
    box.caret = to;
    return true;
}

bool textToolsMouseDown(EditorState& s, POINT picture) {
    TextBoxState& box = s.textBox;
    if (box.open && PtInRect(&box.shown, picture)) {
        SetFocus(s.window);
        return true;
    }
    commitTextBox(s);
    if (s.tool != toolTypedText && s.tool != toolStepMarker)
        return false;
    // The keys are the editor's, and so the box's, once the picture is used.
    SetFocus(s.window);
    if (s.tool == toolTypedText)
        openTextBox(s, picture);
    else
        placeStepMarker(s, picture);
    return true;
}

bool commitTextBox(EditorState& s) {
    TextBoxState& box = s.textBox;
    if (!box.open)
        return false;
    box.open = 0;
    reshow(s, true);
    if (box.length == 0 || !s.picture) {
        forgetLines(shownLines);
        return true;
    }
    beginStep(s.history, s.picture);
    RECT drawn = drawTypedText(s.picture, box.corner.x, box.corner.y, box.text, box.length, s.penColor,
                               s.brushColor, s.penWidth, &shownLines);
    endStep(s.history);
    forgetLines(shownLines);
    invalidatePictureRect(s, drawn);
    return true;
}

void cancelTextBox(EditorState& s) {
    s.textBox.open = 0;
    reshow(s, true);
    forgetLines(shownLines);
}

void discardTextBox(EditorState& s) {
    s.textBox.open = 0;
    s.textBox.shown = {0, 0, 0, 0};
    forgetLines(shownLines);
}

// Ctrl+Enter commits; Enter alone starts a line; with AltGr (Ctrl and Alt) it
// does neither, as no key with both is a command. Every other key is the
// box's too: its character, if any, comes as WM_CHAR. Of the system keys
// only Alt+Enter is taken, so it does not switch full screen under the box.
bool textBoxKeyDown(EditorState& s, UINT message, WPARAM key) {
    TextBoxState& box = s.textBox;
    if (!box.open)
        return false;
    if (message == WM_SYSKEYDOWN)
        return key == VK_RETURN;
    bool control = GetKeyState(VK_CONTROL) < 0, alt = GetKeyState(VK_MENU) < 0;
    switch (key) {
    case VK_ESCAPE:
        cancelTextBox(s);
        return true;
    case VK_RETURN:
        if (control && !alt)
            commitTextBox(s);
        else if (!control)
            edited(s, insertTextUnit(box, L'\n'));
        return true;
    case VK_BACK:
        edited(s, eraseBeforeCaret(box));
        return true;
    case VK_DELETE:
        edited(s, eraseAfterCaret(box));
        return true;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_HOME:
    case VK_END:
        edited(s, moveCaret(box, key));
        return true;
    default:
        return true;
    }
}

// Control codes (Backspace, Enter, Escape, Tab, Ctrl+letter) come as
// characters too; their keys have acted already or mean nothing here.
bool textBoxChar(EditorState& s, WPARAM unit) {
    if (!s.textBox.open)
        return false;
    if (unit >= 0x20 && unit != 0x7F && unit <= 0xFFFF)
        edited(s, insertTextUnit(s.textBox, wchar_t(unit)));
    return true;
}

void textBoxRestyled(EditorState& s) {
    if (s.textBox.open)
        reshow(s, true);
}

void paintTextBox(const EditorState& s, HDC dc) {
    if (!s.textBox.open)
        return;
    paintPreview(s, dc);
    paintFrameAndCaret(s, dc);
}
