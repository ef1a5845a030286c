// The drawing tools under the mouse: the pencil, the line, rectangle,
// ellipse and arrow, the highlighter and the redaction, and the text (T),
// each painting into the picture as one step.
#pragma once

#include <windows.h>

#include <cstdint>

#include "editorState.h"

// Their handlers in the editor's drag, which opens their step at the press:
// the pencil draws as it goes (its press is startStroke), the text at its
// press, the shapes at the release from the press point, showing exactly
// what they will draw on the way.
void pencilMove(EditorState& s, POINT p);
void pencilRelease(EditorState& s, POINT end);
void bitmapTextPress(EditorState& s, POINT p);
void shapeMove(EditorState& s, POINT p);
// The line, rectangle, ellipse and arrow.
void shapeRelease(EditorState& s, POINT end);
// The highlighter and the redaction.
void areaRelease(EditorState& s, POINT end);

// The shape the tool draws from a to b at the release, in the editor's pen,
// brush and width: the line, the rectangle, the ellipse or the arrow; the
// previews draw it with this too.
void drawToolShape(ImageHolder* holder, const EditorState& s, POINT a, POINT b);
// The normalised rectangle grown by the pen's stamp around its points.
RECT penMarginRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t penWidth);
