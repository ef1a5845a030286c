// The view of the picture in the editor window. The picture shows at the
// client area's top-left corner at its own size, moved by the scroll
// position when it is larger than the part above the toolbar. Each paint
// composes picture and marks off screen, so a mark is never drawn into the
// picture and a half-transparent pixel is blended over white once, not over
// whatever the window showed before.
#include "editorView.h"

#include "../image/gdiGuards.h"
#include "annotationPreview.h"
#include "pointerTool.h"
#include "drawingTools.h"
#include "selectionEdit.h"
#include "sizeLabel.h"
#include "textBox.h"

using namespace Gdiplus::DllExports;

namespace {

constexpr int32_t scrollLinePixels = 20;

int32_t& scrollOf(EditorState& s, int bar) {
    return bar == SB_HORZ ? s.scrollX : s.scrollY;
}

RECT pictureBounds(const EditorState& s) {
    return {0, 0, LONG(imageWidth(s.picture)), LONG(imageHeight(s.picture))};
}

// What the toolbar takes of the client area's bottom; nothing while hidden,
// as in full screen. Its own style tells, not whether it shows: the window
// is laid out before it first shows.
int32_t toolbarHeight(const EditorState& s, const RECT& client) {
    if (!s.toolbar || !(GetWindowLongW(s.toolbar, GWL_STYLE) & WS_VISIBLE))
        return 0;
    RECT bar = {};
    GetWindowRect(s.toolbar, &bar);
    MapWindowPoints(nullptr, s.window, reinterpret_cast<POINT*>(&bar), 2);
    return bar.top < client.bottom ? client.bottom - bar.top : 0;
}

// The picture where it shows in area, into the buffer that holds band.
void drawPicturePart(const EditorState& s, HDC dc, const RECT& band, const RECT& area) {
    RECT shown = pictureToWindowRect(s, pictureBounds(s));
    RECT part = {};
    if (!s.picture || !s.picture->bitmap || !IntersectRect(&part, &shown, &area))
        return;
    GraphicsGuard graphics(dc);
    if (!graphics)
        return;
    POINT from = windowToPicture(s, {part.left, part.top});
    INT width = part.right - part.left;
    INT height = part.bottom - part.top;
    GdipDrawImageRectRectI(graphics, s.picture->bitmap, part.left - band.left, part.top - band.top, width, height,
                           from.x, from.y, width, height, Gdiplus::UnitPixel, nullptr, nullptr, nullptr);
}

// The picture in the band but where the open text box covers it with its
// own copy of the picture's pixels.
void drawPictureAroundBox(const EditorState& s, HDC dc, const RECT& band) {
    RECT box = textBoxCover(s), covered = {};
    if (!IntersectRect(&covered, &box, &band)) {
        drawPicturePart(s, dc, band, band);
        return;
    }
    RECT strips[4];
    ringAround(band, covered, strips);
    for (const RECT& strip : strips) {
        if (!IsRectEmpty(&strip))
            drawPicturePart(s, dc, band, strip);
    }
}

// Everything the window shows over the picture, in client coordinates.
void paintMarks(const EditorState& s, HDC dc) {
    // An annotation's preview stands for the picture under the marks.
    paintAnnotationPreview(s, dc);
    // While a new selection is dragged its band stands for it.
    bool replacing = s.dragging && s.tool == toolSelect;
    if (s.selectionMarked && !replacing) {
        RECT mark = pictureToWindowRect(s, normalisedRect(s.startX, s.startY, s.endX, s.endY));
        DrawFocusRect(dc, &mark);
    }
    if (s.bandShown) {
        RECT band = pictureToWindowRect(s, s.band);
        DrawFocusRect(dc, &band);
    }
    paintTextBox(s, dc);
    paintSelectionOverlays(s, dc);
    paintPointerMarks(s, dc);
}

// One band of a rectangle of the update region, composed on the buffer
// selected into memory and copied to the window.
void paintBand(const EditorState& s, HDC paint, HDC memory, const RECT& band) {
    int width = band.right - band.left;
    int height = band.bottom - band.top;
    RECT whole = {0, 0, width, height};
    FillRect(memory, &whole, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    drawPictureAroundBox(s, memory, band);
    // The marks are drawn in client coordinates.
    SetViewportOrgEx(memory, -band.left, -band.top, nullptr);
    paintMarks(s, memory);
    SetViewportOrgEx(memory, 0, 0, nullptr);
    BitBlt(paint, band.left, band.top, width, height, memory, 0, 0, SRCCOPY);
}

// The paint of the update region's rectangles, each composed off screen in
// as few bands as hold at most bandPixels each: one buffer as large as the
// whole repaint would hold, at the first paint of a 4K picture, another
// copy of it; and as few as that, since under Wine every copy to the window
// made later than 50 ms into the paint waits for the X server. An even
// number of rows a band keeps the dotted marks' pattern where one buffer
// would put it. One buffer, as wide as the widest rectangle, serves them
// all: a buffer made costs more than many a small rectangle drawn in it.
constexpr int64_t bandPixels = int64_t(1) << 22;

// Rows of a band of this height in a buffer this wide.
int bandRows(int width, int height) {
    int64_t fitting = bandPixels / width;
    return fitting >= height ? height : int(fitting < 2 ? 2 : fitting & ~int64_t(1));
}

void paintArea(EditorState& s, HDC paint, HDC memory, int rows, const RECT& area) {
    for (LONG top = area.top; top < area.bottom; top += rows) {
        LONG bottom = top + rows < area.bottom ? top + rows : area.bottom;
        paintBand(s, paint, memory, {area.left, top, area.right, bottom});
    }
}

void paintAreas(EditorState& s, HDC paint, const RECT* areas, DWORD count) {
    int width = 0, rows = 0;
    for (DWORD i = 0; i < count; i++)
        width = areas[i].right - areas[i].left > width ? areas[i].right - areas[i].left : width;
    for (DWORD i = 0; i < count && width > 0; i++) {
        int height = areas[i].bottom - areas[i].top, band = bandRows(width, height);
        rows = height > 0 && band > rows ? band : rows;
    }
    if (width <= 0 || rows <= 0)
        return;
    MemoryDcGuard memory(paint);
    GdiObjectGuard<HBITMAP> buffer(CreateCompatibleBitmap(paint, width, rows));
    if (!memory || !buffer)
        return;
    SelectGuard selected(memory, buffer);
    for (DWORD i = 0; i < count; i++) {
        if (areas[i].right > areas[i].left && areas[i].bottom > areas[i].top)
            paintArea(s, paint, memory, bandRows(width, areas[i].bottom - areas[i].top), areas[i]);
    }
}

int64_t area(const RECT& r) {
    return int64_t(r.right - r.left) * (r.bottom - r.top);
}

}  // namespace

// A region comes as bands of rectangles: one rectangle that was invalidated
// whole, such as the loupe, can come back cut into many by the bands of
// others beside it. Two are painted as one where their box wastes little.
DWORD mergeUpdateRects(RECT* rects, DWORD count) {
    constexpr int64_t wasteAllowed = 1024;
    for (DWORD i = 0; i < count; i++) {
        for (DWORD j = i + 1; j < count; j++) {
            RECT both = {};
            UnionRect(&both, &rects[i], &rects[j]);
            if (area(both) > area(rects[i]) + area(rects[j]) + wasteAllowed)
                continue;
            rects[i] = both;
            rects[j] = rects[--count];
            j = i;  // the grown one may now take rectangles it passed
        }
    }
    return count;
}

namespace {

// The update region's rectangles, read before the paint validates them: a
// mark that moved repaints its old and new lines, not the box around both.
// Zero when they are too many to be worth it; the paint's box is used then.
constexpr int updateRectsMax = 64;
struct UpdateRects {
    RGNDATAHEADER header;
    RECT rects[updateRectsMax];
};

DWORD updateRects(HWND window, UpdateRects* parts) {
    GdiObjectGuard<HRGN> region(CreateRectRgn(0, 0, 0, 0));
    if (!region || GetUpdateRgn(window, region, FALSE) == ERROR)
        return 0;
    if (GetRegionData(region, sizeof(*parts), reinterpret_cast<RGNDATA*>(parts)) == 0)
        return 0;
    if (parts->header.nCount > updateRectsMax)
        return 0;
    return mergeUpdateRects(parts->rects, parts->header.nCount);
}

}  // namespace

RECT viewArea(const EditorState& s) {
    RECT client = {};
    GetClientRect(s.window, &client);
    client.bottom -= toolbarHeight(s, client);
    return client;
}

int32_t clampScroll(int32_t position, int32_t pictureSide, int32_t viewSide) {
    int32_t last = pictureSide - viewSide;
    if (position > last)
        position = last;
    return position < 0 ? 0 : position;
}

int32_t scrollRequestTarget(int request, int32_t position, int32_t page, int32_t trackPosition) {
    switch (request) {
    case SB_LINEUP:
        return position - scrollLinePixels;
    case SB_LINEDOWN:
        return position + scrollLinePixels;
    case SB_PAGEUP:
        return position - page;
    case SB_PAGEDOWN:
        return position + page;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        return trackPosition;
    case SB_TOP:
        return 0;
    case SB_BOTTOM:
        return INT32_MAX;
    default:
        return position;
    }
}

int32_t wheelScrollPixels(int delta) {
    constexpr int linesPerNotch = 3;
    return -delta * linesPerNotch * scrollLinePixels / WHEEL_DELTA;
}

ViewFit fitView(SIZE client, int32_t toolbarShare, SIZE picture, SIZE bars) {
    ViewFit fit = {client.cx, client.cy - toolbarShare, false, false};
    // A bar takes room from the other side, which can make that one need a bar too.
    for (int pass = 0; pass < 2; pass++) {
        if (!fit.horizontalBar && picture.cx > fit.width) {
            fit.horizontalBar = true;
            fit.height -= bars.cy;
        }
        if (!fit.verticalBar && picture.cy > fit.height) {
            fit.verticalBar = true;
            fit.width -= bars.cx;
        }
    }
    return fit;
}

namespace {

// Set while the bars change the frame: the WM_SIZE that comes of it finds
// the bars as the call that changed them decided.
bool barsChanging = false;

// A bar's range, page and position, set without drawing; true when any of
// them changed.
bool setScrollRange(HWND window, int bar, int32_t last, int32_t page, int32_t position) {
    SCROLLINFO was = {sizeof(was), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
    GetScrollInfo(window, bar, &was);
    SCROLLINFO info = {sizeof(info), SIF_RANGE | SIF_PAGE | SIF_POS, 0, last, UINT(page), position, 0};
    SetScrollInfo(window, bar, &info, FALSE);
    return was.nMin != 0 || was.nMax != last || was.nPage != UINT(page) || was.nPos != position;
}

// Both bars are shown or hidden through the style, their ranges set, and
// then the frame changes once, its paint put off to the window's next paint:
// each bar shown on its own would change the frame, and with it the client
// area, once more, each change coming back here through WM_SIZE and drawing
// the frame at once; and Wine keeps a bar whose page covers its range.
void setBars(const EditorState& s, DWORD style, const ViewFit& fit, SIZE picture) {
    constexpr DWORD bothBars = WS_HSCROLL | WS_VSCROLL;
    DWORD wanted = (fit.horizontalBar ? WS_HSCROLL : 0) | (fit.verticalBar ? WS_VSCROLL : 0);
    bool reframe = (style & bothBars) != wanted;
    if (reframe)
        SetWindowLongW(s.window, GWL_STYLE, LONG((style & ~bothBars) | wanted));
    // A page as large as the range hides the bar.
    bool changed = setScrollRange(s.window, SB_HORZ, fit.horizontalBar ? picture.cx - 1 : 0,
                                  fit.horizontalBar ? fit.width : 1, s.scrollX);
    changed = setScrollRange(s.window, SB_VERT, fit.verticalBar ? picture.cy - 1 : 0,
                             fit.verticalBar ? fit.height : 1, s.scrollY) || changed;
    if (reframe) {
        barsChanging = true;
        SetWindowPos(s.window, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_DEFERERASE);
        barsChanging = false;
    } else if (changed && wanted != 0) {
        RedrawWindow(s.window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
    }
}

}  // namespace

void updateScrollBars(EditorState& s) {
    if (!s.window || barsChanging)
        return;
    RECT client = {};
    GetClientRect(s.window, &client);
    auto style = DWORD(GetWindowLongW(s.window, GWL_STYLE));
    // The size the client area would have with no bar shown.
    SIZE bars = {GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYHSCROLL)};
    SIZE bare = {client.right + ((style & WS_VSCROLL) ? bars.cx : 0),
                 client.bottom + ((style & WS_HSCROLL) ? bars.cy : 0)};
    SIZE picture = {LONG(imageWidth(s.picture)), LONG(imageHeight(s.picture))};
    ViewFit fit = fitView(bare, toolbarHeight(s, client), picture, bars);
    s.scrollX = fit.horizontalBar ? clampScroll(s.scrollX, picture.cx, fit.width) : 0;
    s.scrollY = fit.verticalBar ? clampScroll(s.scrollY, picture.cy, fit.height) : 0;
    setBars(s, style, fit, picture);
}

void scrollViewBy(EditorState& s, int bar, int32_t pixels) {
    SCROLLINFO info = {sizeof(info), SIF_ALL, 0, 0, 0, 0, 0};
    if (!GetScrollInfo(s.window, bar, &info) || info.nPage == 0 || int32_t(info.nPage) > info.nMax)
        return;
    int32_t& position = scrollOf(s, bar);
    int32_t target = clampScroll(position + pixels, info.nMax + 1, int32_t(info.nPage));
    if (target == position)
        return;
    position = target;
    SetScrollPos(s.window, bar, target, TRUE);
    RECT view = viewArea(s);
    InvalidateRect(s.window, &view, FALSE);
    showSelectionSizeLabel(s);
}

void scrollByRequest(EditorState& s, int bar, int request) {
    SCROLLINFO info = {sizeof(info), SIF_ALL, 0, 0, 0, 0, 0};
    if (!GetScrollInfo(s.window, bar, &info))
        return;
    int32_t position = scrollOf(s, bar);
    int32_t target = scrollRequestTarget(request, position, int32_t(info.nPage), info.nTrackPos);
    if (target == INT32_MAX)
        target = info.nMax;
    scrollViewBy(s, bar, target - position);
}

void paintView(EditorState& s) {
    UpdateRects parts = {};
    DWORD count = updateRects(s.window, &parts);
    PaintGuard paint(s.window);
    if (count == 0) {
        parts.rects[0] = paint.paint.rcPaint;
        count = 1;
    }
    for (DWORD i = 0; i < count; i++) {
        if (!IntersectRect(&parts.rects[i], &parts.rects[i], &paint.paint.rcPaint))
            parts.rects[i] = {0, 0, 0, 0};
    }
    paintAreas(s, paint, parts.rects, count);
}

void xorFocusRect(const EditorState& s, const RECT& picture) {
    WindowDcGuard dc(s.window, clientArea);
    RECT shown = pictureToWindowRect(s, picture);
    DrawFocusRect(dc, &shown);
}
