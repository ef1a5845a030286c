// The loupe: 15 x 15 pixels read from the picture in one lock, blended over
// white as the view shows them, enlarged into a device-independent bitmap and
// set onto its window's context. Moving it repaints what it uncovers; it is
// shrunk only where the client area is too small for it.
#include "loupe.h"

#include <initializer_list>

#include "../image/gdiGuards.h"
#include "../plugin/hostBridge.h"
#include "annotationPreview.h"
#include "editorView.h"

using namespace Gdiplus::DllExports;

namespace {

constexpr int32_t cursorGap = 20;
// The loupe's control id among the editor's children.
constexpr int loupeId = 101;
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

void enlarge(const uint32_t* pixels, int32_t zoom, uint32_t* out) {
    int32_t side = loupePixels * zoom;
    for (int32_t y = 0; y < side; y++) {
        for (int32_t x = 0; x < side; x++)
            out[y * side + x] = pixels[(y / zoom) * loupePixels + x / zoom];
    }
}

void frame(HDC dc, RECT r, COLORREF colour) {
    GdiObjectGuard<HBRUSH> brush(CreateSolidBrush(colour));
    if (brush)
        FrameRect(dc, &r, brush);
}

void drawEnlarged(HDC dc, POINT at, int32_t side, const uint32_t* out) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = side;
    info.bmiHeader.biHeight = -side;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, at.x, at.y, DWORD(side), DWORD(side), 0, 0, 0, UINT(side), out, &info, DIB_RGB_COLORS);
}

// The centre pixel's square framed just outside it, black, then white, so
// the frame shows on dark and light pictures alike.
void frameCentre(HDC dc, POINT at, int32_t zoom) {
    LONG left = at.x + (loupePixels / 2) * zoom;
    LONG top = at.y + (loupePixels / 2) * zoom;
    frame(dc, {left - 1, top - 1, left + zoom + 1, top + zoom + 1}, frameColour);
    frame(dc, {left - 2, top - 2, left + zoom + 2, top + zoom + 2}, innerFrameColour);
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

RECT clientOf(const EditorState& s) {
    RECT client = {};
    GetClientRect(s.window, &client);
    return client;
}

SIZE sizeOf(const RECT& r) {
    return {r.right - r.left, r.bottom - r.top};
}

}  // namespace

SIZE loupeSizeAt(int32_t zoom) {
    int32_t side = loupePixels * zoom + 2 * loupeFrame;
    return {side, side + loupeTextHeight};
}

int32_t loupeZoomFor(SIZE room) {
    int32_t zoom = loupeZoom;
    while (zoom > 1 && (loupeSizeAt(zoom).cx > room.cx || loupeSizeAt(zoom).cy > room.cy))
        zoom--;
    return zoom;
}

POINT loupePosition(POINT cursor, SIZE loupe, const RECT& view, const RECT& client, const RECT& avoid) {
    SIZE viewSize = sizeOf(view);
    const RECT& room = loupe.cx <= viewSize.cx && loupe.cy <= viewSize.cy ? view : client;
    const POINT sides[] = {
        {cursor.x + cursorGap, cursor.y + cursorGap},
        {cursor.x + cursorGap, cursor.y - cursorGap - loupe.cy},
        {cursor.x - cursorGap - loupe.cx, cursor.y + cursorGap},
        {cursor.x - cursorGap - loupe.cx, cursor.y - cursorGap - loupe.cy},
    };
    for (POINT side : sides) {
        RECT r = placed(side, loupe);
        if (fits(r, room) && !meets(r, avoid))
            return side;
    }
    // Every side meets what it should avoid: moved past it, down or up.
    for (POINT side : sides) {
        for (LONG y : {avoid.bottom + avoidGap, avoid.top - avoidGap - loupe.cy}) {
            RECT r = placed({side.x, y}, loupe);
            if (fits(r, room) && !meets(r, avoid))
                return {side.x, y};
        }
    }
    for (POINT side : sides) {
        if (fits(placed(side, loupe), room))
            return side;
    }
    // Pushed into the room, and aside from what it should avoid where it can.
    POINT pushed = {clampAlong(sides[0].x, loupe.cx, room.left, room.right),
                    clampAlong(sides[0].y, loupe.cy, room.top, room.bottom)};
    for (LONG x : {pushed.x, avoid.right + avoidGap, avoid.left - avoidGap - loupe.cx}) {
        RECT r = placed({x, pushed.y}, loupe);
        if (fits(r, room) && !meets(r, avoid))
            return {x, pushed.y};
    }
    return pushed;
}

void createLoupe(EditorState& s) {
    s.selectionView.loupe = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_OWNERDRAW, 0, 0, 0, 0, s.window,
                                            reinterpret_cast<HMENU>(INT_PTR(loupeId)), nullptr, nullptr);
}

void showLoupe(EditorState& s, POINT picture) {
    SelectionView& v = s.selectionView;
    if (!v.loupe)
        return;
    RECT client = clientOf(s);
    int32_t zoom = loupeZoomFor(sizeOf(client));
    SIZE size = loupeSizeAt(zoom);
    POINT at = loupePosition(pictureToWindow(s, picture), size, viewArea(s), client, labelRectOf(s));
    RECT now = placed(at, size);
    bool moved = !v.loupeShown || !EqualRect(&now, &v.loupeRect);
    if (!moved && v.loupePoint.x == picture.x && v.loupePoint.y == picture.y)
        return;
    v.loupeShown = 1;
    v.loupePoint = picture;
    v.loupeRect = now;
    v.loupeScale = zoom;
    if (!moved) {
        InvalidateRect(v.loupe, nullptr, FALSE);
        return;
    }
    // Above the toolbar, which it may lie across; every pixel of it drawn afresh.
    SetWindowPos(v.loupe, HWND_TOP, at.x, at.y, size.cx, size.cy, SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOCOPYBITS);
}

void hideLoupe(EditorState& s) {
    SelectionView& v = s.selectionView;
    if (!v.loupeShown)
        return;
    ShowWindow(v.loupe, SW_HIDE);
    v.loupeShown = 0;
}

bool drawLoupeItem(const EditorState& s, const DRAWITEMSTRUCT* item) {
    const SelectionView& v = s.selectionView;
    if (!item || !v.loupe || item->hwndItem != v.loupe)
        return false;
    if (!v.loupeShown || !s.picture || !s.picture->bitmap)
        return true;
    int32_t zoom = v.loupeScale;
    int32_t side = loupePixels * zoom;
    uint32_t pixels[loupePixels * loupePixels];
    readAround(s, v.loupePoint, pixels);
    MallocGuard<uint32_t> out(sizeof(uint32_t) * size_t(side) * size_t(side));
    if (!out)
        return true;
    enlarge(pixels, zoom, out);
    HDC dc = item->hDC;
    RECT whole = {0, 0, v.loupeRect.right - v.loupeRect.left, v.loupeRect.bottom - v.loupeRect.top};
    POINT cells = {loupeFrame, loupeFrame};
    drawEnlarged(dc, cells, side, out);
    frameCentre(dc, cells, zoom);
    drawCoordinates(dc, {cells.x, cells.y + side, cells.x + side, cells.y + side + loupeTextHeight}, v.loupePoint);
    frame(dc, whole, frameColour);
    frame(dc, {1, 1, whole.right - 1, whole.bottom - 1}, innerFrameColour);
    return true;
}
