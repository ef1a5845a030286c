// Drawing primitives of the editor's tools: pen stamp, line, rectangle and
// ellipse, painted pixel by pixel into the picture of an ImageHolder with no
// anti-aliasing and no blending. A brush whose alpha byte is 0 fills nothing.
#pragma once

#include <cstdint>

#include "capture.h"
#include "pixelCanvas.h"

void stampSquare(ImageHolder* holder, int32_t x, int32_t y, uint32_t colour, int32_t width);
void drawLine(ImageHolder* holder, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t width);
// Relies on left <= right and top <= bottom, as the editor passes them.
void drawRectangle(ImageHolder* holder, int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t penColour,
                   uint32_t brushColour, int32_t width);
// The corners may come in any order.
void drawEllipse(ImageHolder* holder, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t penColour,
                 uint32_t brushColour, int32_t width);

// The box each of these locks before the picture cuts it, which holds every
// pixel it may paint (inclusive); empty (left > right) when it paints nothing.
PixelBox lineBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t width);
PixelBox rectangleBox(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t brushColour, int32_t width);
PixelBox ellipseBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t brushColour, int32_t width);
