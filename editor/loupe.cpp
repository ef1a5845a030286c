// The loupe: 15 x 15 pixels read from the picture in one lock, blended over
// white as the view shows them, enlarged into a device-independent bitmap and
// set onto the paint's context. Moving it repaints its old and new place only.
#include "loupe.h"

#include <initializer_list>

#include "../image/gdiGuards.h"
#include "../plugin/hostBridge.h"
#include "annotationPreview.h"
#include "editorView.h"

using namespace Gdiplus::DllExports;

namespace {

constexpr int32_t cursorGap = 20;
constexpr int32_t enlarged = loupePixels * loupeZoom;
constexpr uint32_t outsideColour = 0xFFFFFFu;  // what the view shows beyond the picture
constexpr COLORREF frameColour = RGB(0, 0, 0);
constexpr COLORREF innerFrameColour = RGB(255, 255, 255);

constexpr LONG avoidGap = 4;

RECT placed(POINT at, SIZE size) {
    return {at.x, at.y, at.x + size.cx, at.y + size.cy};
}

bool fits(const RECT& r, const RECT& view) {
    return r.left >= view.left && r.top >= view.top && r.right <= view.right && r.bottom <= view.bottom;
}

bool meets(const RECT& a, const RECT& b) {
    RECT both = {};
    return IntersectRect(&both, &a, &b) != 0;
}

LONG clampAlong(LONG at, LONG size, LONG low, LONG high) {
    if (at + size > high)
        at = high - size;
    return at < low ? low : at;
}

// The size label is a window over the view: the loupe keeps clear of it.
RECT labelRectOf(const EditorState& s) {
    HWND label = s.selectionView.sizeLabel;
    RECT r = {};
    if (!label || !IsWindowVisible(label))
        return r;
    GetWindowRect(label, &r);
    MapWindowPoints(nullptr, s.window, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

RECT loupeRectAt(const EditorState& s, POINT picture) {
    POINT at = loupePosition(pictureToWindow(s, picture), loupeSize, viewArea(s), labelRectOf(s));
    return {at.x, at.y, at.x + loupeSize.cx, at.y + loupeSize.cy};
}

// The 15 x 15 pixels around the point, row by row; white beyond the picture.
void readAround(const EditorState& s, POINT centre, uint32_t* pixels) {
    for (int32_t i = 0; i < loupePixels * loupePixels; i++)
        pixels[i] = outsideColour;
    int32_t half = loupePixels / 2;
    RECT wanted = {centre.x - half, centre.y - half, centre.x + half + 1, centre.y + half + 1};
    RECT picture = {0, 0, LONG(imageWidth(s.picture)), LONG(imageHeight(s.picture))};
    RECT inside = {};
    if (!IntersectRect(&inside, &wanted, &picture))
        return;
    Gdiplus::Rect rect(inside.left, inside.top, inside.right - inside.left, inside.bottom - inside.top);
    Gdiplus::BitmapData data = {};
    if (GdipBitmapLockBits(s.picture->bitmap, &rect, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) !=
        Gdiplus::Ok)
        return;
    for (LONG y = inside.top; y < inside.bottom; y++) {
        auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(data.Scan0) +
                                                      ptrdiff_t(y - inside.top) * data.Stride);
        for (LONG x = inside.left; x < inside.right; x++)
            pixels[(y - wanted.top) * loupePixels + (x - wanted.left)] = shownOverWhite(row[x - inside.left]);
    }
    GdipBitmapUnlockBits(s.picture->bitmap, &data);
}

void enlarge(const uint32_t* pixels, uint32_t* out) {
    for (int32_t y = 0; y < enlarged; y++) {
        for (int32_t x = 0; x < enlarged; x++)
            out[y * enlarged + x] = pixels[(y / loupeZoom) * loupePixels + x / loupeZoom];
    }
}

void frame(HDC dc, RECT r, COLORREF colour) {
    GdiObjectGuard<HBRUSH> brush(CreateSolidBrush(colour));
    if (brush)
        FrameRect(dc, &r, brush);
}

void drawEnlarged(HDC dc, POINT at, const uint32_t* out) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = enlarged;
    info.bmiHeader.biHeight = -enlarged;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, at.x, at.y, enlarged, enlarged, 0, 0, 0, enlarged, out, &info, DIB_RGB_COLORS);
}

// The centre pixel's square framed just outside it, black, then white, so
// the frame shows on dark and light pictures alike.
void frameCentre(HDC dc, POINT at) {
    LONG left = at.x + (loupePixels / 2) * loupeZoom;
    LONG top = at.y + (loupePixels / 2) * loupeZoom;
    frame(dc, {left - 1, top - 1, left + loupeZoom + 1, top + loupeZoom + 1}, frameColour);
    frame(dc, {left - 2, top - 2, left + loupeZoom + 2, top + loupeZoom + 2}, innerFrameColour);
}

void drawCoordinates(HDC dc, const RECT& strip, POINT point) {
    FillRect(dc, &strip, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    wchar_t text[32] = {};
    formatText(text, 32, L"%d, %d", int(point.x), int(point.y));
    SelectGuard font(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    RECT r = strip;
    DrawTextW(dc, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

}  // namespace

POINT loupePosition(POINT cursor, SIZE loupe, const RECT& view, const RECT& avoid) {
    const POINT sides[] = {
        {cursor.x + cursorGap, cursor.y + cursorGap},
        {cursor.x + cursorGap, cursor.y - cursorGap - loupe.cy},
        {cursor.x - cursorGap - loupe.cx, cursor.y + cursorGap},
        {cursor.x - cursorGap - loupe.cx, cursor.y - cursorGap - loupe.cy},
    };
    for (POINT side : sides) {
        RECT r = placed(side, loupe);
        if (fits(r, view) && !meets(r, avoid))
            return side;
    }
    // Every side meets what it should avoid: moved past it, down or up.
    for (POINT side : sides) {
        for (LONG y : {avoid.bottom + avoidGap, avoid.top - avoidGap - loupe.cy}) {
            RECT r = placed({side.x, y}, loupe);
            if (fits(r, view) && !meets(r, avoid))
                return {side.x, y};
        }
    }
    for (POINT side : sides) {
        if (fits(placed(side, loupe), view))
            return side;
    }
    return {clampAlong(sides[0].x, loupe.cx, view.left, view.right),
            clampAlong(sides[0].y, loupe.cy, view.top, view.bottom)};
}

void showLoupe(EditorState& s, POINT picture) {
    SelectionView& v = s.selectionView;
    RECT now = loupeRectAt(s, picture);
    if (v.loupeShown && EqualRect(&now, &v.loupeRect) && v.loupePoint.x == picture.x &&
        v.loupePoint.y == picture.y)
        return;
    hideLoupe(s);
    v.loupeShown = 1;
    v.loupePoint = picture;
    v.loupeRect = now;
    InvalidateRect(s.window, &now, FALSE);
}

void hideLoupe(EditorState& s) {
    SelectionView& v = s.selectionView;
    if (!v.loupeShown)
        return;
    InvalidateRect(s.window, &v.loupeRect, FALSE);
    v.loupeShown = 0;
}

void paintLoupe(const EditorState& s, HDC dc) {
    const SelectionView& v = s.selectionView;
    RECT clip = {};
    RECT meets = {};
    if (!v.loupeShown || !s.picture || !s.picture->bitmap || GetClipBox(dc, &clip) == ERROR ||
        !IntersectRect(&meets, &clip, &v.loupeRect))
        return;
    uint32_t pixels[loupePixels * loupePixels];
    readAround(s, v.loupePoint, pixels);
    MallocGuard<uint32_t> out(sizeof(uint32_t) * enlarged * enlarged);
    if (!out)
        return;
    enlarge(pixels, out);
    POINT cells = {v.loupeRect.left + 1, v.loupeRect.top + 1};
    drawEnlarged(dc, cells, out);
    frameCentre(dc, cells);
    drawCoordinates(dc, {cells.x, cells.y + enlarged, cells.x + enlarged, cells.y + enlarged + loupeTextHeight},
                    v.loupePoint);
    frame(dc, v.loupeRect, frameColour);
}
