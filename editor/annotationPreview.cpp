// The preview's bitmap is as large as the picture, so the primitives run on
// it with the picture's own coordinates and paint exactly the pixels they
// will paint into the picture; its memory is reserved whole but committed by
// the system only where a preview writes. The arrow is drawn on transparent
// pixels and taken off again by drawing it once more in transparent black;
// the highlight and the redaction read the picture, so the part they cover
// is copied in from the picture first, with the ring the redaction reads.
#include "annotationPreview.h"

#include <cmath>

#include "../image/annotation.h"
#include "../image/gdiGuards.h"
#include "drawingTools.h"
#include "editorView.h"

using namespace Gdiplus::DllExports;

namespace {

constexpr uint32_t transparent = 0x00000000u;
constexpr int arrowPiecesMax = 48;
constexpr int32_t arrowPieceLength = 48;

bool hasPreview(const AnnotationPreview& p) {
    return p.bitmap != nullptr;
}

bool makePreview(AnnotationPreview& p, const ImageHolder* picture) {
    int32_t width = int32_t(imageWidth(picture));
    int32_t height = int32_t(imageHeight(picture));
    if (hasPreview(p) && p.width == width && p.height == height)
        return true;
    if (width <= 0 || height <= 0)
        return false;
    SIZE_T bytes = SIZE_T(width) * SIZE_T(height) * 4;
    void* memory = VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!memory)
        return false;
    GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppARGB, static_cast<BYTE*>(memory),
                                  &bitmap) != Gdiplus::Ok) {
        VirtualFree(memory, 0, MEM_RELEASE);
        return false;
    }
    p = {};
    p.pixels = static_cast<uint32_t*>(memory);
    p.bitmap = bitmap;
    p.width = width;
    p.height = height;
    return true;
}

void invalidateArrow(const EditorState& s, POINT a, POINT b) {
    RECT pieces[arrowPiecesMax];
    int n = arrowFootprint(a, b, s.penWidth, pieces, arrowPiecesMax);
    for (int i = 0; i < n; i++)
        invalidatePictureRect(s, pieces[i]);
}

void invalidateShown(const EditorState& s) {
    const AnnotationPreview& p = s.selectionView.preview;
    if (IsRectEmpty(&p.shown))
        return;
    if (p.arrowDrawn)
        invalidateArrow(s, p.from, p.to);
    else
        invalidatePictureRect(s, p.shown);
}

// The picture's pixels of the rectangle into the preview's memory at the
// same place, in one lock.
bool copyFromPicture(const EditorState& s, AnnotationPreview& p, const RECT& r) {
    if (IsRectEmpty(&r))
        return true;
    Gdiplus::Rect rect(r.left, r.top, r.right - r.left, r.bottom - r.top);
    Gdiplus::BitmapData data = {};
    data.Width = UINT(rect.Width);
    data.Height = UINT(rect.Height);
    data.Stride = p.width * 4;
    data.PixelFormat = PixelFormat32bppARGB;
    data.Scan0 = p.pixels + size_t(r.top) * size_t(p.width) + size_t(r.left);
    auto mode = UINT(Gdiplus::ImageLockModeRead) | UINT(Gdiplus::ImageLockModeUserInputBuf);
    if (GdipBitmapLockBits(s.picture->bitmap, &rect, mode, PixelFormat32bppARGB, &data) != Gdiplus::Ok)
        return false;
    GdipBitmapUnlockBits(s.picture->bitmap, &data);
    return true;
}

RECT cutToPreview(const AnnotationPreview& p, const RECT& r) {
    RECT whole = {0, 0, p.width, p.height};
    RECT cut = {};
    IntersectRect(&cut, &r, &whole);
    return cut;
}

void eraseArrow(AnnotationPreview& p, int32_t penWidth) {
    if (!p.arrowDrawn)
        return;
    ImageHolder holder = {p.bitmap};
    drawArrow(&holder, p.from.x, p.from.y, p.to.x, p.to.y, transparent, penWidth);
    p.arrowDrawn = 0;
}

void previewArrow(EditorState& s, AnnotationPreview& p, POINT end) {
    eraseArrow(p, s.penWidth);
    ImageHolder holder = {p.bitmap};
    drawArrow(&holder, s.dragStart.x, s.dragStart.y, end.x, end.y, s.penColor, s.penWidth);
    p.from = s.dragStart;
    p.to = end;
    p.arrowDrawn = 1;
    RECT pieces[arrowPiecesMax];
    int n = arrowFootprint(p.from, p.to, s.penWidth, pieces, arrowPiecesMax);
    RECT all = {};
    for (int i = 0; i < n; i++)
        UnionRect(&all, &all, &pieces[i]);
    p.shown = cutToPreview(p, all);
}

bool previewArea(EditorState& s, AnnotationPreview& p, POINT end) {
    RECT drawn = normalisedRect(s.dragStart.x, s.dragStart.y, end.x, end.y);
    if (!copyFromPicture(s, p, previewSourceRect(drawn, p.width, p.height)))
        return false;
    ImageHolder holder = {p.bitmap};
    if (s.tool == toolHighlighter)
        drawHighlight(&holder, drawn.left, drawn.top, drawn.right, drawn.bottom, highlighterColour);
    else
        drawRedaction(&holder, drawn.left, drawn.top, drawn.right, drawn.bottom, redactionBlockSide(s.penWidth));
    p.shown = cutToPreview(p, drawn);
    return true;
}

// GDI+ is given device coordinates: the paint's context has its viewport
// moved so that client coordinates work for GDI, which GDI+ need not honour.
void drawPreviewPart(const AnnotationPreview& p, HDC dc, const RECT& client, POINT pictureCorner) {
    POINT origin = {};
    GetViewportOrgEx(dc, &origin);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    {
        GraphicsGuard graphics(dc);
        if (graphics)
            GdipDrawImageRectRectI(graphics, p.bitmap, client.left + origin.x, client.top + origin.y,
                                   client.right - client.left, client.bottom - client.top, pictureCorner.x,
                                   pictureCorner.y, client.right - client.left, client.bottom - client.top,
                                   Gdiplus::UnitPixel, nullptr, nullptr, nullptr);
    }
    SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
}

}  // namespace

RECT previewSourceRect(const RECT& drawn, int32_t width, int32_t height) {
    RECT ring = {drawn.left - 1, drawn.top - 1, drawn.right + 1, drawn.bottom + 1};
    RECT whole = {0, 0, width, height};
    RECT cut = {};
    IntersectRect(&cut, &ring, &whole);
    return cut;
}

int arrowFootprint(POINT a, POINT b, int32_t penWidth, RECT* pieces, int max) {
    if (max < 2)
        return 0;
    double length = std::hypot(double(b.x) - a.x, double(b.y) - a.y);
    int count = int(length / arrowPieceLength) + 1;
    if (count > max - 1)
        count = max - 1;
    POINT from = a;
    for (int i = 1; i <= count; i++) {
        POINT to = {LONG(a.x + std::lround(double(b.x - a.x) * i / count)),
                    LONG(a.y + std::lround(double(b.y - a.y) * i / count))};
        RECT r = penMarginRect(from.x, from.y, to.x, to.y, penWidth);
        pieces[i - 1] = {r.left - 1, r.top - 1, r.right + 1, r.bottom + 1};
        from = to;
    }
    // The head's corners lie within L / cos 28 degrees of the tip, less than 2 L.
    int32_t reach = 2 * arrowHeadLength(penWidth) + 1;
    pieces[count] = {b.x - reach, b.y - reach, b.x + reach + 1, b.y + reach + 1};
    return count + 1;
}

bool showAnnotationPreview(EditorState& s, POINT end) {
    AnnotationPreview& p = s.selectionView.preview;
    if (!makePreview(p, s.picture))
        return false;
    invalidateShown(s);
    if (s.tool == toolArrow)
        previewArrow(s, p, end);
    else if (!previewArea(s, p, end))
        return false;
    invalidateShown(s);
    return true;
}

void dropAnnotationPreview(EditorState& s) {
    AnnotationPreview& p = s.selectionView.preview;
    if (!hasPreview(p))
        return;
    if (s.window)
        invalidateShown(s);
    GdipDisposeImage(p.bitmap);
    VirtualFree(p.pixels, 0, MEM_RELEASE);
    p = {};
}

void paintAnnotationPreview(const EditorState& s, HDC dc) {
    const AnnotationPreview& p = s.selectionView.preview;
    RECT clip = {};
    RECT part = {};
    RECT shown = pictureToWindowRect(s, p.shown);
    if (!hasPreview(p) || IsRectEmpty(&p.shown) || GetClipBox(dc, &clip) == ERROR ||
        !IntersectRect(&part, &shown, &clip))
        return;
    // The highlight and the redaction stand for the picture there: white
    // under them, as under the picture, so a translucent pixel is blended once.
    if (!p.arrowDrawn)
        FillRect(dc, &part, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    drawPreviewPart(p, dc, part, windowToPicture(s, {part.left, part.top}));
}
