// Draws the editor's toolbar strip: 16 icons of 32x32 pixels side by side,
// icon k being the picture of the toolbar command with id k; and the strip of
// the tools that the main toolbar has no button for (pointer, arrow,
// highlighter, redaction, typed text, numbered steps), in the same style. The
// icons are painted from code so the strips can be regenerated and reviewed
// without an image editor. Writes the main strip as a 32-bit bottom-up BMP
// (embedded by windres as the bitmap resource) and as an RGBA PNG (loaded by
// the host), and the tool strip as a BMP (embedded only).
//
// Usage: makeToolbar [outputFolder] [previewPng]
// The optional preview is both strips enlarged on toolbar-grey backgrounds,
// for checking the icons by eye; it is not part of the build.
#include "pngWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

namespace {

const int iconSize = 32;
const int iconCount = 16;
const int toolIconCount = 6;
const int stripHeight = iconSize;

struct Colour {
    float r, g, b, a;
};

struct Strip {
    int width = 0;
    int height = 0;
    std::vector<Colour> pixels;  // top row first, straight alpha in 0..1
};

// One icon's 32x32 cell of the strip; painters draw in cell coordinates.
struct Cell {
    Strip* strip;
    int left;
};

struct Point {
    float x, y;
};

Colour rgb(int r, int g, int b) { return {r / 255.0f, g / 255.0f, b / 255.0f, 1.0f}; }

const Colour black = rgb(0, 0, 0);
const Colour white = rgb(255, 255, 255);
const Colour lightGrey = rgb(212, 208, 200);
const Colour darkGrey = rgb(70, 70, 70);

Strip makeStrip(int width, int height) {
    Strip s;
    s.width = width;
    s.height = height;
    s.pixels.assign(size_t(width) * height, Colour{0, 0, 0, 0});
    return s;
}

// Source-over compositing in straight (non-premultiplied) alpha.
Colour over(Colour src, Colour dst, float coverage) {
    float a = src.a * coverage;
    float outA = a + dst.a * (1 - a);
    if (outA <= 0)
        return Colour{0, 0, 0, 0};
    auto mix = [&](float s, float d) { return (s * a + d * dst.a * (1 - a)) / outA; };
    return {mix(src.r, dst.r), mix(src.g, dst.g), mix(src.b, dst.b), outA};
}

void blendPixel(Cell cell, int x, int y, Colour c, float coverage = 1) {
    if (x < 0 || y < 0 || x >= iconSize || y >= iconSize || coverage <= 0)
        return;
    Colour& dst = cell.strip->pixels[size_t(y) * cell.strip->width + cell.left + x];
    dst = over(c, dst, std::min(coverage, 1.0f));
}

// Pixel-exact helpers; bounds are inclusive.
void fillRect(Cell cell, int x0, int y0, int x1, int y1, Colour c) {
    for (int y = y0; y <= y1; y++)
        for (int x = x0; x <= x1; x++)
            blendPixel(cell, x, y, c);
}

void frameRect(Cell cell, int x0, int y0, int x1, int y1, Colour c) {
    fillRect(cell, x0, y0, x1, y0, c);
    fillRect(cell, x0, y1, x1, y1, c);
    fillRect(cell, x0, y0 + 1, x0, y1 - 1, c);
    fillRect(cell, x1, y0 + 1, x1, y1 - 1, c);
}

// Editor-style grab handle: a small white square with a black frame.
void handle(Cell cell, int cx, int cy) {
    fillRect(cell, cx - 2, cy - 2, cx + 2, cy + 2, white);
    frameRect(cell, cx - 2, cy - 2, cx + 2, cy + 2, black);
}

// Anti-aliased shapes are given as signed distance functions in pixel units
// (negative inside); a pixel's coverage is the distance at its centre mapped
// onto a one-pixel ramp.
template <typename Sdf>
void fillShape(Cell cell, Colour c, Sdf sdf) {
    for (int y = 0; y < iconSize; y++)
        for (int x = 0; x < iconSize; x++) {
            float d = sdf(x + 0.5f, y + 0.5f);
            blendPixel(cell, x, y, c, std::clamp(0.5f - d, 0.0f, 1.0f));
        }
}

// Fills the shape over a slightly grown copy of itself in the edge colour.
template <typename Sdf>
void fillOutlined(Cell cell, Colour fill, Colour edge, float edgeWidth, Sdf sdf) {
    fillShape(cell, edge, [&](float x, float y) { return sdf(x, y) - edgeWidth; });
    fillShape(cell, fill, sdf);
}

float length(float x, float y) { return std::sqrt(x * x + y * y); }

float sdSegment(float x, float y, Point a, Point b) {
    float px = x - a.x, py = y - a.y, dx = b.x - a.x, dy = b.y - a.y;
    float t = std::clamp((px * dx + py * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
    return length(px - dx * t, py - dy * t);
}

float sdCircle(float x, float y, Point centre, float radius) {
    return length(x - centre.x, y - centre.y) - radius;
}

// Not an exact distance, but close enough for the gentle ellipses drawn here.
float sdEllipse(float x, float y, Point centre, float rx, float ry) {
    float k = length((x - centre.x) / rx, (y - centre.y) / ry);
    return (k - 1) * std::min(rx, ry);
}

float sdPolygon(float x, float y, const std::vector<Point>& p) {
    float d = (x - p[0].x) * (x - p[0].x) + (y - p[0].y) * (y - p[0].y);
    float sign = 1;
    for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
        float ex = p[j].x - p[i].x, ey = p[j].y - p[i].y;
        float wx = x - p[i].x, wy = y - p[i].y;
        float t = std::clamp((wx * ex + wy * ey) / (ex * ex + ey * ey), 0.0f, 1.0f);
        float bx = wx - ex * t, by = wy - ey * t;
        d = std::min(d, bx * bx + by * by);
        bool c1 = y >= p[i].y, c2 = y < p[j].y, c3 = ex * wy > ey * wx;
        if ((c1 && c2 && c3) || (!c1 && !c2 && !c3))
            sign = -sign;
    }
    return sign * std::sqrt(d);
}

void line(Cell cell, Point a, Point b, float width, Colour c) {
    fillShape(cell, c, [&](float x, float y) { return sdSegment(x, y, a, b) - width / 2; });
}

void polygon(Cell cell, const std::vector<Point>& p, Colour c) {
    fillShape(cell, c, [&](float x, float y) { return sdPolygon(x, y, p); });
}

// Block letters, each dot two by two pixels, so they stay crisp at 32x32.
struct Glyph {
    char letter;
    const char* rows[5];
};

const Glyph glyphs[] = {
    {'A', {".##.", "#..#", "####", "#..#", "#..#"}},
    {'F', {"###", "#..", "##.", "#..", "#.."}},
    {'L', {"#..", "#..", "#..", "#..", "###"}},
    {'P', {"###.", "#..#", "###.", "#...", "#..."}},
    {'T', {"###", ".#.", ".#.", ".#.", ".#."}},
};
const int dotSize = 2;
const int letterGap = 2;

const Glyph* findGlyph(char letter) {
    for (size_t i = 0; i < std::size(glyphs); i++)
        if (glyphs[i].letter == letter)
            return &glyphs[i];
    return nullptr;
}

int glyphWidth(const Glyph& g) { return int(std::string(g.rows[0]).size()) * dotSize; }

int textWidth(const char* text) {
    int width = 0;
    for (const char* p = text; *p; p++)
        if (const Glyph* g = findGlyph(*p))
            width += glyphWidth(*g) + (p[1] ? letterGap : 0);
    return width;
}

void drawGlyph(Cell cell, int left, int top, const Glyph& g, Colour c) {
    for (int row = 0; row < int(std::size(g.rows)); row++)
        for (int col = 0; g.rows[row][col]; col++)
            if (g.rows[row][col] == '#') {
                int x = left + col * dotSize, y = top + row * dotSize;
                fillRect(cell, x, y, x + dotSize - 1, y + dotSize - 1, c);
            }
}

void drawCentredText(Cell cell, int top, const char* text, Colour c) {
    int x = (iconSize - textWidth(text)) / 2;
    for (const char* p = text; *p; p++) {
        const Glyph* g = findGlyph(*p);
        if (!g)
            continue;
        drawGlyph(cell, x, top, *g, c);
        x += glyphWidth(*g) + letterGap;
    }
}

void paintPlaceholder(Cell cell) {
    fillRect(cell, 0, 0, iconSize - 1, iconSize - 1, lightGrey);
    frameRect(cell, 0, 0, iconSize - 1, iconSize - 1, black);
}

// Marching-ants marquee; the dash pattern carries on round the corners, with
// white gaps so it shows on any background.
void paintSelect(Cell cell) {
    const int lo = 4, hi = 27, dash = 3, gap = 2;
    int step = 0;
    auto ant = [&](int x, int y) {
        blendPixel(cell, x, y, step % (dash + gap) < dash ? black : white);
        step++;
    };
    for (int x = lo; x < hi; x++) ant(x, lo);
    for (int y = lo; y < hi; y++) ant(hi, y);
    for (int x = hi; x > lo; x--) ant(x, hi);
    for (int y = hi; y > lo; y--) ant(lo, y);
}

// Maps (along, across) pencil coordinates onto the cell: the pencil lies on
// the diagonal with its point at the bottom left.
Point pencilPoint(float along, float across) {
    const Point tip = {4.5f, 27.5f};
    const float u = 0.70710678f;
    return {tip.x + along * u + across * u, tip.y - along * u + across * u};
}

std::vector<Point> pencilQuad(float from, float to, float halfFrom, float halfTo) {
    return {pencilPoint(from, -halfFrom), pencilPoint(to, -halfTo), pencilPoint(to, halfTo),
            pencilPoint(from, halfFrom)};
}

void paintPencil(Cell cell) {
    const float half = 4.0f, coneEnd = 8.5f, bodyEnd = 25.0f, ferruleEnd = 27.5f, end = 31.0f;
    const Colour edge = rgb(20, 60, 20);
    const std::vector<Point> whole = {pencilPoint(0, 0), pencilPoint(coneEnd, -half), pencilPoint(end, -half),
             pencilPoint(end, half), pencilPoint(coneEnd, half)};
    fillShape(cell, edge, [&](float x, float y) { return sdPolygon(x, y, whole) - 1.0f; });
    polygon(cell, pencilQuad(0, coneEnd, 0, half), rgb(238, 196, 130));
    polygon(cell, pencilQuad(0, 3.2f, 0, half * 3.2f / coneEnd), rgb(40, 40, 40));
    polygon(cell, pencilQuad(coneEnd, bodyEnd, half, half), rgb(40, 170, 50));
    polygon(cell, pencilQuad(coneEnd, bodyEnd, half, 0.9f), rgb(120, 220, 110));
    polygon(cell, pencilQuad(bodyEnd, ferruleEnd, half, half), rgb(180, 180, 185));
    polygon(cell, pencilQuad(ferruleEnd, end, half, half), rgb(240, 130, 150));
}

void paintLine(Cell cell) {
    line(cell, {7.5f, 24.5f}, {24.5f, 7.5f}, 2.0f, black);
    handle(cell, 7, 24);
    handle(cell, 24, 7);
}

void paintRectangle(Cell cell) {
    frameRect(cell, 5, 7, 26, 24, black);
    handle(cell, 5, 7);
    handle(cell, 26, 24);
}

void paintEllipse(Cell cell) {
    const Point centre = {16, 16};
    const float radius = 11;
    fillShape(cell, black, [&](float x, float y) {
        return std::fabs(sdCircle(x, y, centre, radius)) - 0.75f;
    });
    const int offset = int(std::lround(radius * 0.70710678f));
    handle(cell, 16 - offset, 16 - offset);
    handle(cell, 16 + offset, 16 + offset);
}

void paintText(Cell cell) {
    fillRect(cell, 5, 4, 26, 9, black);
    fillRect(cell, 13, 4, 18, 27, black);
    fillRect(cell, 10, 25, 21, 27, black);
}

void paintEnvelope(Cell cell) {
    const int x0 = 2, y0 = 13, x1 = 29, y1 = 28;
    fillRect(cell, x0, y0, x1, y1, rgb(255, 250, 232));
    frameRect(cell, x0, y0, x1, y1, darkGrey);
    line(cell, {x0 + 0.5f, y0 + 0.5f}, {15.9f, 22.5f}, 1.2f, darkGrey);
    line(cell, {x1 + 0.5f, y0 + 0.5f}, {16.1f, 22.5f}, 1.2f, darkGrey);
    line(cell, {x0 + 0.5f, y1 + 0.5f}, {11.5f, 20.5f}, 1.0f, rgb(150, 150, 150));
    line(cell, {x1 + 0.5f, y1 + 0.5f}, {20.5f, 20.5f}, 1.0f, rgb(150, 150, 150));
}

void paintSendSelection(Cell cell) {
    paintEnvelope(cell);
    const std::vector<Point> arrow = {{16, 1},  {25.5f, 10.5f}, {19.5f, 10.5f}, {19.5f, 20},
                                      {12.5f, 20}, {12.5f, 10.5f}, {6.5f, 10.5f}};
    fillOutlined(cell, rgb(50, 190, 60), rgb(15, 90, 25), 1.0f,
                 [&](float x, float y) { return sdPolygon(x, y, arrow); });
}

void paintSendAll(Cell cell) {
    paintEnvelope(cell);
    drawCentredText(cell, 1, "ALL", rgb(15, 120, 25));
}

std::vector<Point> horizontalArrow(float tailX, float headX, float midY) {
    const float shaft = 1.8f, head = 4.5f;
    float dir = headX > tailX ? 1.0f : -1.0f, neck = headX - dir * 5.5f;
    return {{tailX, midY - shaft}, {neck, midY - shaft}, {neck, midY - head},
            {headX, midY},         {neck, midY + head},  {neck, midY + shaft},
            {tailX, midY + shaft}};
}

void paintFileTransfer(Cell cell) {
    const Colour fill = rgb(40, 120, 230), edge = rgb(10, 40, 120);
    auto right = horizontalArrow(4, 28, 5.5f);
    auto left = horizontalArrow(28, 4, 13.5f);
    fillOutlined(cell, fill, edge, 1.0f, [&](float x, float y) { return sdPolygon(x, y, right); });
    fillOutlined(cell, fill, edge, 1.0f, [&](float x, float y) { return sdPolygon(x, y, left); });
    drawCentredText(cell, 21, "FTP", black);
}

void paintFrog(Cell cell) {
    const Colour yellow = rgb(255, 215, 40), edge = rgb(110, 80, 0);
    const Point leftEye = {9.5f, 9.5f}, rightEye = {22.5f, 9.5f}, head = {16, 19};
    auto body = [&](float x, float y) {
        float d = sdEllipse(x, y, head, 14, 9.5f);
        d = std::min(d, sdCircle(x, y, leftEye, 6.5f));
        return std::min(d, sdCircle(x, y, rightEye, 6.5f));
    };
    fillOutlined(cell, yellow, edge, 1.1f, body);
    for (Point eye : {leftEye, rightEye}) {
        fillOutlined(cell, white, edge, 0.8f, [&](float x, float y) { return sdCircle(x, y, eye, 4.0f); });
        fillShape(cell, black, [&](float x, float y) { return sdCircle(x, y, {eye.x + 0.6f, eye.y + 0.8f}, 2.2f); });
        fillShape(cell, white, [&](float x, float y) { return sdCircle(x, y, {eye.x + 1.3f, eye.y}, 0.8f); });
    }
    for (float cheekX : {6.5f, 25.5f})
        fillShape(cell, rgb(255, 140, 110), [&](float x, float y) {
            return sdEllipse(x, y, {cheekX, 21}, 2.6f, 1.8f);
        });
    fillShape(cell, edge, [&](float x, float y) {
        float ring = std::fabs(sdCircle(x, y, {16, 14}, 9)) - 0.7f;
        return std::max(ring, 22.0f - y);
    });
}

void paintCancel(Cell cell) {
    const Point a = {8, 8}, b = {24, 24}, c = {24, 8}, d = {8, 24};
    fillOutlined(cell, rgb(230, 30, 30), rgb(120, 0, 0), 1.0f, [&](float x, float y) {
        return std::min(sdSegment(x, y, a, b), sdSegment(x, y, c, d)) - 3.2f;
    });
}


// The pointer: the platform's arrow cursor, white with a black edge.
void paintPointer(Cell cell) {
    const std::vector<Point> cursor = {{9, 4},     {9, 25.5f}, {14, 20.5f}, {17.5f, 28},
                                       {21, 26.5f}, {17.5f, 19}, {24.5f, 19}};
    fillOutlined(cell, white, black, 1.2f, [&](float x, float y) { return sdPolygon(x, y, cursor); });
}

// The arrow tool draws a shaft with a filled head: a red one, as arrows on
// screenshots usually are.
void paintArrow(Cell cell) {
    const Colour red = rgb(220, 30, 30);
    line(cell, {6, 26}, {19.5f, 12.5f}, 3.0f, red);
    polygon(cell, {{27, 5}, {23.5f, 18}, {14, 8.5f}}, red);
}

// A yellow marker stroke over grey lines of text, with the pen's chisel tip.
void paintHighlighter(Cell cell) {
    for (int y : {8, 15, 22})
        fillRect(cell, 4, y, 27, y + 1, rgb(120, 120, 120));
    fillRect(cell, 3, 12, 28, 19, Colour{1.0f, 0.92f, 0.0f, 0.75f});
    const std::vector<Point> pen = {{21, 12}, {27, 6}, {31, 10}, {25, 16}};
    fillOutlined(cell, rgb(255, 225, 0), rgb(110, 90, 0), 1.0f, [&](float x, float y) { return sdPolygon(x, y, pen); });
}

// Redaction tiles a rectangle with blocks of flat colour: a mosaic of greys
// in a frame.
void paintRedaction(Cell cell) {
    const Colour greys[] = {rgb(90, 90, 90), rgb(150, 150, 150), rgb(190, 190, 190), rgb(120, 120, 120)};
    for (int by = 0; by < 4; by++)
        for (int bx = 0; bx < 4; bx++) {
            int x = 5 + bx * 6, y = 5 + by * 6;
            fillRect(cell, x, y, x + 5, y + 5, greys[(bx * 3 + by * 2 + bx * by) % 4]);
        }
    frameRect(cell, 4, 4, 28, 28, black);
}

// Typed text writes any letter, the Polish ones too: a capital A with an
// ogonek, in blue, beside a text caret.
void paintTypedText(Cell cell) {
    const Colour blue = rgb(30, 80, 200);
    line(cell, {4.5f, 25}, {12, 5}, 3.0f, blue);
    line(cell, {19.5f, 25}, {12, 5}, 3.0f, blue);
    line(cell, {8, 18}, {16, 18}, 2.5f, blue);
    fillShape(cell, blue, [&](float x, float y) {
        return std::max(std::fabs(sdCircle(x, y, {22, 27}, 2.6f)) - 0.9f, 27.0f - y);
    });
    fillRect(cell, 26, 4, 27, 27, black);
    fillRect(cell, 24, 4, 29, 5, black);
    fillRect(cell, 24, 26, 29, 27, black);
}

// A numbered step: a dark disc holding a white 1.
void paintStepMarker(Cell cell) {
    fillOutlined(cell, rgb(200, 30, 30), rgb(110, 0, 0), 1.0f,
                 [&](float x, float y) { return sdCircle(x, y, {16, 16}, 12); });
    fillRect(cell, 15, 9, 18, 23, white);
    fillRect(cell, 13, 10, 14, 12, white);
    fillRect(cell, 12, 22, 20, 23, white);
}

using Painter = void (*)(Cell);

const Painter painters[] = {
    paintPlaceholder,  paintPlaceholder, paintSelect,      paintPencil,
    paintLine,         paintRectangle,   paintEllipse,     paintText,
    paintPlaceholder,  paintPlaceholder, paintPlaceholder, paintSendSelection,
    paintSendAll,      paintFileTransfer, paintFrog,       paintCancel,
};
static_assert(std::size(painters) == iconCount, "one painter per toolbar command");

// In the order of the tool strip's buttons, the pointer first.
const Painter toolPainters[] = {
    paintPointer, paintArrow, paintHighlighter, paintRedaction, paintTypedText, paintStepMarker,
};
static_assert(std::size(toolPainters) == toolIconCount, "one painter per tool strip button");

uint8_t toByte(float v) { return uint8_t(std::lround(std::clamp(v, 0.0f, 1.0f) * 255)); }

// Straight colour bytes; a fully transparent pixel is written as all zeros.
void pixelBytes(Colour c, uint8_t out[4]) {
    uint8_t a = toByte(c.a);
    out[0] = a ? toByte(c.r) : 0;
    out[1] = a ? toByte(c.g) : 0;
    out[2] = a ? toByte(c.b) : 0;
    out[3] = a;
}

std::vector<uint8_t> rgbaBytes(const Strip& s) {
    std::vector<uint8_t> out(s.pixels.size() * 4);
    for (size_t i = 0; i < s.pixels.size(); i++)
        pixelBytes(s.pixels[i], &out[i * 4]);
    return out;
}

void putLe(std::vector<uint8_t>& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; i++)
        out.push_back(uint8_t(v >> (8 * i)));
}

std::vector<uint8_t> bmpBytes(const Strip& s) {
    const uint32_t headerSize = 14 + 40, imageSize = uint32_t(s.width) * s.height * 4;
    std::vector<uint8_t> out = {'B', 'M'};
    putLe(out, headerSize + imageSize, 4);
    putLe(out, 0, 4);  // reserved
    putLe(out, headerSize, 4);
    putLe(out, 40, 4);
    putLe(out, uint32_t(s.width), 4);
    putLe(out, uint32_t(s.height), 4);  // positive height: bottom row first
    putLe(out, 1, 2);                   // planes
    putLe(out, 32, 2);                  // bits per pixel
    putLe(out, 0, 4);                   // BI_RGB
    putLe(out, imageSize, 4);
    putLe(out, 2835, 4);  // 72 dpi
    putLe(out, 2835, 4);
    putLe(out, 0, 4);  // colours used
    putLe(out, 0, 4);  // important colours
    std::vector<uint8_t> rgba = rgbaBytes(s);
    for (int y = s.height - 1; y >= 0; y--)
        for (int x = 0; x < s.width; x++) {
            const uint8_t* p = &rgba[(size_t(y) * s.width + x) * 4];
            out.insert(out.end(), {p[2], p[1], p[0], p[3]});
        }
    return out;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

Strip paintStrip(const Painter* table, int count) {
    Strip s = makeStrip(iconSize * count, stripHeight);
    for (int k = 0; k < count; k++)
        table[k](Cell{&s, k * iconSize});
    return s;
}

// Both strips side by side: one row of icons.
Strip joined(const Strip& a, const Strip& b) {
    Strip s = makeStrip(a.width + b.width, stripHeight);
    for (int y = 0; y < stripHeight; y++) {
        for (int x = 0; x < a.width; x++)
            s.pixels[size_t(y) * s.width + x] = a.pixels[size_t(y) * a.width + x];
        for (int x = 0; x < b.width; x++)
            s.pixels[size_t(y) * s.width + a.width + x] = b.pixels[size_t(y) * b.width + x];
    }
    return s;
}

// Enlarged icons in a grid of four columns on two toolbar greys, with the
// strip at actual size underneath.
bool writePreview(const std::string& path, const Strip& s) {
    const int scale = 4, cellSize = iconSize * scale + 8, columns = 4;
    const int icons = s.width / iconSize, gridRows = (icons + columns - 1) / columns;
    const Colour backgrounds[] = {rgb(240, 240, 240), rgb(200, 200, 200)};
    const int gridWidth = columns * cellSize, gridHeight = gridRows * cellSize;
    const int width = gridWidth * int(std::size(backgrounds)), height = gridHeight + 2 * iconSize;
    Strip out = makeStrip(std::max(width, s.width), height);
    for (size_t b = 0; b < std::size(backgrounds); b++)
        for (int y = 0; y < out.height; y++)
            for (int x = int(b) * gridWidth; x < int(b + 1) * gridWidth; x++)
                out.pixels[size_t(y) * out.width + x] = backgrounds[b];
    for (size_t b = 0; b < std::size(backgrounds); b++)
        for (int k = 0; k < icons; k++)
            for (int y = 0; y < iconSize * scale; y++)
                for (int x = 0; x < iconSize * scale; x++) {
                    int ox = int(b) * gridWidth + (k % columns) * cellSize + 4 + x;
                    int oy = (k / columns) * cellSize + 4 + y;
                    Colour src = s.pixels[size_t(y / scale) * s.width + k * iconSize + x / scale];
                    Colour& dst = out.pixels[size_t(oy) * out.width + ox];
                    dst = over(src, dst, 1);
                }
    for (int y = 0; y < iconSize; y++)
        for (int x = 0; x < s.width; x++) {
            Colour& dst = out.pixels[size_t(gridHeight + iconSize / 2 + y) * out.width + x];
            dst = over(s.pixels[size_t(y) * s.width + x], dst, 1);
        }
    return pngWriter::writeRgba(path, out.width, out.height, rgbaBytes(out));
}

}  // namespace

int main(int argc, char** argv) {
    std::string folder = argc > 1 ? argv[1] : "resources";
    Strip strip = paintStrip(painters, iconCount);
    Strip tools = paintStrip(toolPainters, toolIconCount);
    if (!writeFile(folder + "/snipLeafToolbar.bmp", bmpBytes(strip)) ||
        !writeFile(folder + "/snipLeafTools.bmp", bmpBytes(tools))) {
        std::fprintf(stderr, "makeToolbar: cannot write the strips' bitmaps into %s\n", folder.c_str());
        return 1;
    }
    if (!pngWriter::writeRgba(folder + "/snipLeafToolbar.png", strip.width, strip.height, rgbaBytes(strip))) {
        std::fprintf(stderr, "makeToolbar: cannot write %s/snipLeafToolbar.png\n", folder.c_str());
        return 1;
    }
    if (argc > 2 && !writePreview(argv[2], joined(strip, tools))) {
        std::fprintf(stderr, "makeToolbar: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
