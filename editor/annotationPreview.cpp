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

// Clears every pixel the shape drawn on the preview may have painted.
void eraseShape(AnnotationPreview& p, const AnnotationPreview& drawn) {
    if (!drawn.shapeTool)
        return;
    GdiFlush();
    RECT pieces[shapePiecesMax];
    int n = shownPieces(drawn, pieces, shapePiecesMax);
    for (int i = 0; i < n; i++)
        clearRect(p, pieces[i]);
}

// The tool's shape drawn into one part of the preview only: a bitmap over
// just that part of the preview's memory, and the shape moved by as much, so
// the primitive clips itself to the part and costs only what lies in it.
// Rectangles and ellipses are worked out in whole numbers from their
// corners, so the moved shape is the same pixels moved.
void drawShapePart(const EditorState& s, AnnotationPreview& p, const RECT& part) {
    RECT r = cutToPreview(p, part);
    if (IsRectEmpty(&r))
        return;
    clearRect(p, r);
    BitmapGuard view;
    auto* scan0 = reinterpret_cast<BYTE*>(p.pixels + size_t(r.top) * size_t(p.width) + size_t(r.left));
    if (GdipCreateBitmapFromScan0(r.right - r.left, r.bottom - r.top, p.width * 4, PixelFormat32bppARGB, scan0,
                                  &view.bitmap) != Gdiplus::Ok)
        return;
    ImageHolder holder = {view.bitmap};
    drawToolShape(&holder, s, {p.from.x - r.left, p.from.y - r.top}, {p.to.x - r.left, p.to.y - r.top});
}

bool isFramedShape(int32_t tool) {
    return tool == toolRectangle || tool == toolEllipse;
}

// The parts a move may change, listed from a region; too many to list, the
// rectangles' box serves.
constexpr DWORD changedPartsMax = 32;
struct ChangedParts {
    RGNDATAHEADER header;
    RECT rects[changedPartsMax];
};

// The pixels a rectangle paints in its pen: the pen's margin less the inside.
HRGN rectanglePen(const AnnotationPreview& p) {
    RECT margin = penMarginRect(p.from.x, p.from.y, p.to.x, p.to.y, p.penWidth);
    RECT inside = shapeCore(toolRectangle, p.from, p.to, p.penWidth);
    HRGN pen = CreateRectRgnIndirect(&margin);
    GdiObjectGuard<HRGN> hole(CreateRectRgnIndirect(&inside));
    if (pen && hole)
        CombineRgn(pen, pen, hole, RGN_DIFF);
    return pen;
}

// Where a rectangle's move changes the preview: where one of the two paints
// its pen and the other not, and, as a brush whose alpha is not 0 fills,
// where one fills and the other not. False when there is no such region.
bool rectangleChange(const AnnotationPreview& old, const AnnotationPreview& now, HRGN changed) {
    GdiObjectGuard<HRGN> oldPen(rectanglePen(old));
    GdiObjectGuard<HRGN> newPen(rectanglePen(now));
    if (!oldPen || !newPen || CombineRgn(changed, oldPen, newPen, RGN_XOR) == ERROR)
        return false;
    if ((now.brushColor >> 24) == 0)
        return true;
    RECT oldInside = shapeCore(toolRectangle, old.from, old.to, old.penWidth);
    RECT newInside = shapeCore(toolRectangle, now.from, now.to, now.penWidth);
    GdiObjectGuard<HRGN> fills(CreateRectRgnIndirect(&oldInside));
    GdiObjectGuard<HRGN> newFill(CreateRectRgnIndirect(&newInside));
    return fills && newFill && CombineRgn(fills, fills, newFill, RGN_XOR) != ERROR &&
           CombineRgn(changed, changed, fills, RGN_OR) != ERROR;
}

// An ellipse's, or a rectangle's when its region cannot be listed: both
// frames' box less the inside both fill alike.
DWORD changedStrips(const AnnotationPreview& old, const AnnotationPreview& now, ChangedParts* parts) {
    RECT box = {};
    UnionRect(&box, &old.shown, &now.shown);
    RECT core = {};
    RECT oldCore = shapeCore(old.shapeTool, old.from, old.to, old.penWidth);
    RECT newCore = shapeCore(now.shapeTool, now.from, now.to, now.penWidth);
    IntersectRect(&core, &oldCore, &newCore);
    ringAround(box, core, parts->rects);
    return 4;
}

DWORD changedParts(const AnnotationPreview& old, const AnnotationPreview& now, ChangedParts* parts) {
    GdiObjectGuard<HRGN> changed(CreateRectRgn(0, 0, 0, 0));
    if (now.shapeTool != toolRectangle || !changed || !rectangleChange(old, now, changed) ||
        GetRegionData(changed, sizeof(*parts), reinterpret_cast<RGNDATA*>(parts)) == 0)
        return changedStrips(old, now, parts);
    return parts->header.nCount;
}

// A rectangle or an ellipse that moved in the same style changes only
// between its old and new frames: the inside both fill alike stays as it
// is; the rest is cleared, drawn again and repainted.
void redrawFrames(const EditorState& s, AnnotationPreview& p, const AnnotationPreview& old) {
    ChangedParts parts = {};
    DWORD n = changedParts(old, p, &parts);
    GdiFlush();
    for (DWORD i = 0; i < n; i++) {
        drawShapePart(s, p, parts.rects[i]);
        invalidatePictureRect(s, parts.rects[i]);
    }
}

void invalidatePieces(const EditorState& s, const AnnotationPreview& drawn) {
    RECT pieces[shapePiecesMax];
    int n = drawn.shapeTool ? shownPieces(drawn, pieces, shapePiecesMax) : 0;
    for (int i = 0; i < n; i++)
        invalidatePictureRect(s, pieces[i]);
}

void previewShape(EditorState& s, AnnotationPreview& p, POINT end) {
    AnnotationPreview old = p;
    p.shapeTool = s.tool;
    p.from = s.dragStart;
    p.to = end;
    p.penWidth = s.penWidth;
    p.penColor = s.penColor;
    p.brushColor = s.brushColor;
    RECT pieces[shapePiecesMax];
    int n = shownPieces(p, pieces, shapePiecesMax);
    RECT all = {};
    for (int i = 0; i < n; i++)
        UnionRect(&all, &all, &pieces[i]);
    p.shown = cutToPreview(p, all);
    bool sameStyle = old.shapeTool == p.shapeTool && old.penColor == p.penColor && old.brushColor == p.brushColor;
    if (isFramedShape(p.shapeTool) && sameStyle) {
        redrawFrames(s, p, old);
        return;
    }
    eraseShape(p, old);
    ImageHolder holder = {p.bitmap};
    drawToolShape(&holder, s, p.from, p.to);
    invalidatePieces(s, old);
    invalidatePieces(s, p);
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
    // Within 1 / sqrt 2 of the half axes from the centre lies the square
    // inscribed in the ellipse; a pen stamp reaches at most its width inward
    // from the curve, and the walk strays a pixel from the true curve.
    LONG halfWidth = (r.right - r.left) / 2, halfHeight = (r.bottom - r.top) / 2;
    double across = halfWidth * 0.70710678 - penWidth - 2;
    double down = halfHeight * 0.70710678 - penWidth - 2;
    if (across < 1 || down < 1)
        return none;
    LONG cx = r.left + halfWidth, cy = r.top + halfHeight;
    return {cx - LONG(across), cy - LONG(down), cx + LONG(across) + 1, cy + LONG(down) + 1};
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
