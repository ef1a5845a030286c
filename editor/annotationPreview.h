// What the line, rectangle, ellipse, arrow, highlighter and redaction tools
// will draw, shown while they are dragged: the primitive itself runs on a
// bitmap of the preview's own, the picture is untouched until the release.
#pragma once

#include <windows.h>

#include <cstdint>

#include "editorState.h"

// Shows the drawing the tool would make from the drag's start to end. False
// when the preview's memory is not there: the caller shows the band instead.
bool showAnnotationPreview(EditorState& s, POINT end);
// Takes the preview off the window and frees its memory.
void dropAnnotationPreview(EditorState& s);
// Paints the preview where it meets the paint, in client coordinates.
void paintAnnotationPreview(const EditorState& s, HDC dc);

// A picture pixel as the view shows it, blended over white: 0x00RRGGBB.
uint32_t shownOverWhite(uint32_t argb);
// The picture rectangle a redaction or highlight preview copies from the
// picture: the rectangle and the ring just outside it that the redaction
// reads, cut to the picture.
RECT previewSourceRect(const RECT& drawn, int32_t width, int32_t height);
// The rectangles along an arrow from a to b, each a piece of its shaft with
// the pen's margin, and the last the head's reach around the tip; they cover
// every pixel the arrow paints. Answers how many were written (at most max).
int arrowFootprint(POINT a, POINT b, int32_t penWidth, RECT* pieces, int max);
// The same for the tool's shape from a to b: the arrow's, a line's pieces
// along it, one rectangle around a rectangle or an ellipse; none for other
// tools.
constexpr int shapePiecesMax = 48;
int shapeFootprint(int32_t tool, POINT a, POINT b, int32_t penWidth, RECT* pieces, int max);
// Inside a rectangle's or an ellipse's pen: a rectangle whose pixels the
// shape leaves alone or fills, and nothing else; empty for none.
RECT shapeCore(int32_t tool, POINT a, POINT b, int32_t penWidth);
// The four strips of box outside core: above, below, left and right.
void ringAround(const RECT& box, const RECT& core, RECT strips[4]);
