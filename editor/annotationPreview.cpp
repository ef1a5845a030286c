// The preview's bitmap is as large as the picture, so the primitives run on
// it with the picture's own coordinates and paint exactly the pixels they
// will paint into the picture; the system commits its memory only where a
// preview writes. The arrow is drawn on transparent pixels and taken off
// again by drawing it once more in transparent black; only the pieces along
// it are repainted, blended over the picture. The highlight and the
// redaction read the picture, so the part they cover is copied in from the
// picture first, with the ring the redaction reads, and is then copied to
// the window as it is, blended over white like the picture.
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

void freePreview(AnnotationPreview& p) {
    if (p.bitmap)
        GdipDisposeImage(p.bitmap);
    if (p.dib)
        DeleteObject(p.dib);
    p = {};
}

bool makePreview(AnnotationPreview& p, const ImageHolder* picture) {
    int32_t width = int32_t(imageWidth(picture));
    int32_t height = int32_t(imageHeight(picture));
    if (hasPreview(p) && p.width == width && p.height == height)
        return true;
    freePreview(p);
    if (width <= 0 || height <= 0)
        return false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down, rows as GDI+ keeps them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    p.dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!p.dib || !bits) {
        freePreview(p);
        return false;
    }
    p.pixels = static_cast<uint32_t*>(bits);
    if (GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppARGB, static_cast<BYTE*>(bits),
                                  &p.bitmap) != Gdiplus::Ok) {
        p.bitmap = nullptr;
        freePreview(p);
        return false;
    }
    p.width = width;
    p.height = height;
    return true;
}

void invalidateShown(const EditorState& s) {
    const AnnotationPreview& p = s.selectionView.preview;
    if (IsRectEmpty(&p.shown))
        return;
    if (!p.arrowDrawn) {
        invalidatePictureRect(s, p.shown);
        return;
    }
    RECT pieces[arrowPiecesMax];
    int n = arrowFootprint(p.from, p.to, p.penWidth, pieces, arrowPiecesMax);
    for (int i = 0; i < n; i++)
        invalidatePictureRect(s, pieces[i]);
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

// As the view shows the picture: a translucent pixel blended over white.
void flattenOverWhite(AnnotationPreview& p, const RECT& r) {
    for (LONG y = r.top; y < r.bottom; y++) {
        uint32_t* row = p.pixels + size_t(y) * size_t(p.width);
        for (LONG x = r.left; x < r.right; x++) {
            if ((row[x] >> 24) != 0xFFu)
                row[x] = 0xFF000000u | shownOverWhite(row[x]);
        }
    }
}

void eraseArrow(AnnotationPreview& p) {
    if (!p.arrowDrawn)
        return;
    ImageHolder holder = {p.bitmap};
    drawArrow(&holder, p.from.x, p.from.y, p.to.x, p.to.y, transparent, p.penWidth);
    p.arrowDrawn = 0;
}

void previewArrow(EditorState& s, AnnotationPreview& p, POINT end) {
    eraseArrow(p);
    ImageHolder holder = {p.bitmap};
    drawArrow(&holder, s.dragStart.x, s.dragStart.y, end.x, end.y, s.penColor, s.penWidth);
    p.from = s.dragStart;
    p.to = end;
    p.penWidth = s.penWidth;
    p.arrowDrawn = 1;
    RECT pieces[arrowPiecesMax];
    int n = arrowFootprint(p.from, p.to, p.penWidth, pieces, arrowPiecesMax);
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
    flattenOverWhite(p, p.shown);
    return true;
}

// The part of a picture rectangle that lies in the paint's clip, in client
// coordinates; false when none does.
bool partInClip(const EditorState& s, const RECT& picture, const RECT& clip, RECT* part) {
    RECT shown = pictureToWindowRect(s, picture);
    return IntersectRect(part, &shown, &clip) != 0;
}

void blendArrowPieces(const EditorState& s, HDC dc, HDC source, const RECT& clip) {
    const AnnotationPreview& p = s.selectionView.preview;
    RECT pieces[arrowPiecesMax];
    int n = arrowFootprint(p.from, p.to, p.penWidth, pieces, arrowPiecesMax);
    // Premultiplied alpha: the arrow's pixels are opaque and the rest fully
    // transparent, for which plain and premultiplied values are the same.
    const BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    for (int i = 0; i < n; i++) {
        RECT part = {};
        if (!partInClip(s, cutToPreview(p, pieces[i]), clip, &part))
            continue;
        POINT from = windowToPicture(s, {part.left, part.top});
        int width = part.right - part.left, height = part.bottom - part.top;
        GdiAlphaBlend(dc, part.left, part.top, width, height, source, from.x, from.y, width, height, blend);
    }
}

}  // namespace

uint32_t shownOverWhite(uint32_t argb) {
    uint32_t alpha = argb >> 24;
    uint32_t shown = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        uint32_t channel = (argb >> shift) & 0xFFu;
        shown |= ((channel * alpha + 255u * (255u - alpha) + 127u) / 255u) << shift;
    }
    return shown;
}

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
    freePreview(p);
}

void paintAnnotationPreview(const EditorState& s, HDC dc) {
    const AnnotationPreview& p = s.selectionView.preview;
    RECT clip = {};
    RECT part = {};
    if (!hasPreview(p) || IsRectEmpty(&p.shown) || GetClipBox(dc, &clip) == ERROR ||
        !partInClip(s, p.shown, clip, &part))
        return;
    MemoryDcGuard source(dc);
    if (!source)
        return;
    SelectGuard selected(source, p.dib);
    if (p.arrowDrawn) {
        blendArrowPieces(s, dc, source, clip);
        return;
    }
    POINT from = windowToPicture(s, {part.left, part.top});
    BitBlt(dc, part.left, part.top, part.right - part.left, part.bottom - part.top, source, from.x, from.y, SRCCOPY);
}
