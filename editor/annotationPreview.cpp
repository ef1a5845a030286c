// The preview's bitmap is as large as the picture, so the primitives run on
// it with the picture's own coordinates and paint exactly the pixels they
// will paint into the picture; the system commits its memory only where a
// preview writes. The arrow, the line, the rectangle and the ellipse are
// drawn on transparent pixels and taken off again by clearing the
// rectangles that hold every pixel they paint; only what may have changed
// is repainted, blended over the picture. The highlight and the redaction
// read the picture, so the part they cover is copied in from the picture
// first, with the ring the redaction reads, and is then copied to the window
// as it is, blended over white like the picture.
#include "annotationPreview.h"

#include <cmath>
#include <cstring>

#include "../image/annotation.h"
#include "../image/gdiGuards.h"
#include "drawingTools.h"
#include "editorView.h"

using namespace Gdiplus::DllExports;

namespace {

constexpr uint32_t transparent = 0x00000000u;
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

bool drawnOnTransparent(int32_t tool) {
    return tool == toolArrow || tool == toolLine || tool == toolRectangle || tool == toolEllipse;
}

// The rectangles that hold every pixel of the shape drawn on the preview now.
int shownPieces(const AnnotationPreview& p, RECT* pieces, int max) {
    return shapeFootprint(p.shapeTool, p.from, p.to, p.penWidth, pieces, max);
}

void invalidateShown(const EditorState& s) {
    const AnnotationPreview& p = s.selectionView.preview;
    if (IsRectEmpty(&p.shown))
        return;
    if (!p.shapeTool) {
        invalidatePictureRect(s, p.shown);
        return;
    }
    RECT pieces[shapePiecesMax];
    int n = shownPieces(p, pieces, shapePiecesMax);
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

void clearRect(AnnotationPreview& p, const RECT& r) {
    RECT cut = cutToPreview(p, r);
    for (LONG y = cut.top; y < cut.bottom; y++)
        std::memset(p.pixels + size_t(y) * size_t(p.width) + size_t(cut.left), 0,
                    sizeof(uint32_t) * size_t(cut.right - cut.left));
}

void eraseShape(AnnotationPreview& p) {
    if (!p.shapeTool)
        return;
    GdiFlush();
    RECT pieces[shapePiecesMax];
    int n = shownPieces(p, pieces, shapePiecesMax);
    for (int i = 0; i < n; i++)
        clearRect(p, pieces[i]);
    p.shapeTool = 0;
}

// A rectangle or an ellipse that moved repaints its old and new frames, not
// the inside both fill alike; a stroke repaints its old and new pieces.
void invalidateShapeChange(const EditorState& s, const AnnotationPreview& old) {
    const AnnotationPreview& p = s.selectionView.preview;
    if (!old.shapeTool || (p.shapeTool != toolRectangle && p.shapeTool != toolEllipse)) {
        invalidateShown(s);
        RECT pieces[shapePiecesMax];
        int n = old.shapeTool ? shownPieces(old, pieces, shapePiecesMax) : 0;
        for (int i = 0; i < n; i++)
            invalidatePictureRect(s, pieces[i]);
        return;
    }
    RECT box = {};
    UnionRect(&box, &old.shown, &p.shown);
    RECT core = {};
    RECT oldCore = shapeCore(old.shapeTool, old.from, old.to, old.penWidth);
    RECT newCore = shapeCore(p.shapeTool, p.from, p.to, p.penWidth);
    IntersectRect(&core, &oldCore, &newCore);
    RECT strips[4];
    ringAround(box, core, strips);
    for (const RECT& strip : strips)
        invalidatePictureRect(s, strip);
}

void previewShape(EditorState& s, AnnotationPreview& p, POINT end) {
    AnnotationPreview old = p;
    eraseShape(p);
    ImageHolder holder = {p.bitmap};
    drawToolShape(&holder, s, s.dragStart, end);
    p.shapeTool = s.tool;
    p.from = s.dragStart;
    p.to = end;
    p.penWidth = s.penWidth;
    RECT pieces[shapePiecesMax];
    int n = shownPieces(p, pieces, shapePiecesMax);
    RECT all = {};
    for (int i = 0; i < n; i++)
        UnionRect(&all, &all, &pieces[i]);
    p.shown = cutToPreview(p, all);
    invalidateShapeChange(s, old);
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

void blendShapePieces(const EditorState& s, HDC dc, HDC source, const RECT& clip) {
    const AnnotationPreview& p = s.selectionView.preview;
    RECT pieces[shapePiecesMax];
    int n = shownPieces(p, pieces, shapePiecesMax);
    // Premultiplied alpha: the shape's pixels are opaque and the rest fully
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

// Pieces of at most arrowPieceLength along the stroke, each with the pen's
// margin and a pixel more.
int strokePieces(POINT a, POINT b, int32_t penWidth, RECT* pieces, int max) {
    if (max < 1)
        return 0;
    double length = std::hypot(double(b.x) - a.x, double(b.y) - a.y);
    int count = int(length / arrowPieceLength) + 1;
    if (count > max)
        count = max;
    POINT from = a;
    for (int i = 1; i <= count; i++) {
        POINT to = {LONG(a.x + std::lround(double(b.x - a.x) * i / count)),
                    LONG(a.y + std::lround(double(b.y - a.y) * i / count))};
        RECT r = penMarginRect(from.x, from.y, to.x, to.y, penWidth);
        pieces[i - 1] = {r.left - 1, r.top - 1, r.right + 1, r.bottom + 1};
        from = to;
    }
    return count;
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
    int count = strokePieces(a, b, penWidth, pieces, max - 1);
    // The head's corners lie within L / cos 28 degrees of the tip, less than 2 L.
    int32_t reach = 2 * arrowHeadLength(penWidth) + 1;
    pieces[count] = {b.x - reach, b.y - reach, b.x + reach + 1, b.y + reach + 1};
    return count + 1;
}

// The ellipse's walk reaches a column and a row beyond its corners.
int shapeFootprint(int32_t tool, POINT a, POINT b, int32_t penWidth, RECT* pieces, int max) {
    if (tool == toolArrow)
        return arrowFootprint(a, b, penWidth, pieces, max);
    if (tool == toolLine)
        return strokePieces(a, b, penWidth, pieces, max);
    if ((tool != toolRectangle && tool != toolEllipse) || max < 1)
        return 0;
    RECT r = penMarginRect(a.x, a.y, b.x, b.y, penWidth);
    pieces[0] = {r.left - 1, r.top - 1, r.right + 1, r.bottom + 1};
    return 1;
}

RECT shapeCore(int32_t tool, POINT a, POINT b, int32_t penWidth) {
    const RECT none = {0, 0, 0, 0};
    RECT r = normalisedRect(a.x, a.y, b.x, b.y);
    int32_t half = penWidth >> 1;
    if (tool == toolRectangle) {
        RECT inside = {r.left + (penWidth - half), r.top + (penWidth - half), r.right - half, r.bottom - half};
        return inside.left < inside.right && inside.top < inside.bottom ? inside : none;
    }
    if (tool != toolEllipse)
        return none;
    // The square inscribed in the ellipse less the pen's width all round
    // reaches 1 / sqrt 2 of its half axes from the centre; a pixel less for
    // the walk's rounding.
    double across = (double(r.right - r.left) / 2 - penWidth) * 0.70710678 - 1;
    double down = (double(r.bottom - r.top) / 2 - penWidth) * 0.70710678 - 1;
    if (across < 1 || down < 1)
        return none;
    LONG cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    return {cx - LONG(across), cy - LONG(down), cx + LONG(across), cy + LONG(down)};
}

void ringAround(const RECT& box, const RECT& core, RECT strips[4]) {
    RECT inside = {};
    if (!IntersectRect(&inside, &core, &box)) {
        strips[0] = box;
        strips[1] = strips[2] = strips[3] = {0, 0, 0, 0};
        return;
    }
    strips[0] = {box.left, box.top, box.right, inside.top};
    strips[1] = {box.left, inside.bottom, box.right, box.bottom};
    strips[2] = {box.left, inside.top, inside.left, inside.bottom};
    strips[3] = {inside.right, inside.top, box.right, inside.bottom};
}

bool showAnnotationPreview(EditorState& s, POINT end) {
    AnnotationPreview& p = s.selectionView.preview;
    if (!makePreview(p, s.picture))
        return false;
    if (drawnOnTransparent(s.tool)) {
        previewShape(s, p, end);
        return true;
    }
    invalidateShown(s);
    if (!previewArea(s, p, end))
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
    if (p.shapeTool) {
        blendShapePieces(s, dc, source, clip);
        return;
    }
    POINT from = windowToPicture(s, {part.left, part.top});
    BitBlt(dc, part.left, part.top, part.right - part.left, part.bottom - part.top, source, from.x, from.y, SRCCOPY);
}
