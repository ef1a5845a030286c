// makeFont: turns the hand-editable glyph drawings in image/fontGlyphs.txt
// into image/fontGlyphs.inc, the initialiser of the 16x29 bitmap font table
// that the text tool paints with. It refuses a malformed drawing file with
// the line of the first error, and can also write a specimen PNG so that a
// person can judge the glyphs at a glance.
//
//   makeFont image/fontGlyphs.txt image/fontGlyphs.inc
//   makeFont image/fontGlyphs.txt --specimen specimen.png
//
// Native Linux tool; built with g++ -std=c++17 and run by hand whenever the
// drawings change.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "pngWriter.h"

namespace {

const int glyphCount = 96;
const int firstCode = 32;
const int glyphWidth = 16;
const int glyphHeight = 29;
const int baselineRow = 23;
const int capTopRow = 5;

struct Glyph {
    int code = 0;
    uint16_t rows[glyphHeight] = {};  // bit 15 = column 0; a 0 bit is ink
};

struct Font {
    std::vector<Glyph> glyphs;
};

struct ParseError {
    bool failed = false;
    int line = 0;
    std::string message;
};

std::string glyphName(int code) {
    if (code == 127)
        return "DEL";
    return std::string("'") + char(code) + "'";
}

std::string headerFor(int code) {
    return "glyph " + std::to_string(code) + " " + glyphName(code);
}

bool inkAt(const Glyph& glyph, int row, int column) {
    return (glyph.rows[row] & (0x8000u >> column)) == 0;
}

std::string rowPicture(uint16_t value) {
    std::string picture;
    for (int column = 0; column < glyphWidth; column++)
        picture += (value & (0x8000u >> column)) ? '.' : '#';
    return picture;
}

// Only these glyphs are drawn wider than the 14 columns that leave a
// two-column gap to the next cell.
bool mayUseGap(int code) {
    for (char c : std::string("#/\\_MWmw"))
        if (code == c)
            return true;
    return false;
}

ParseError failAt(int line, const std::string& message) {
    ParseError error;
    error.failed = true;
    error.line = line;
    error.message = message;
    return error;
}

bool parseRow(const std::string& text, uint16_t& value) {
    if (text.size() != size_t(glyphWidth))
        return false;
    value = 0;
    for (int column = 0; column < glyphWidth; column++) {
        char c = text[column];
        if (c != '#' && c != '.')
            return false;
        if (c == '.')
            value |= uint16_t(0x8000u >> column);
    }
    return true;
}

ParseError readLines(const std::string& path, std::vector<std::string>& lines) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return failAt(0, "cannot open " + path);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();  // tolerate a file saved with Windows line ends
        lines.push_back(line);
    }
    return ParseError();
}

ParseError parseGlyph(const std::vector<std::string>& lines, size_t& next, int code, Glyph& glyph) {
    if (next >= lines.size())
        return failAt(int(next) + 1, "file ends before " + headerFor(code));
    if (lines[next] != headerFor(code))
        return failAt(int(next) + 1, "expected header \"" + headerFor(code) + "\"");
    next++;
    glyph.code = code;
    for (int row = 0; row < glyphHeight; row++, next++) {
        if (next >= lines.size())
            return failAt(int(next) + 1, "file ends inside " + headerFor(code));
        if (!parseRow(lines[next], glyph.rows[row]))
            return failAt(int(next) + 1, "row " + std::to_string(row) + " of " + headerFor(code) +
                                             " must be 16 characters of '#' and '.'");
    }
    return ParseError();
}

// The layout rules every glyph keeps, so that text lines up in the picture.
ParseError checkLayout(const Glyph& glyph, int headerLine) {
    bool blank = glyph.code == ' ' || glyph.code == 127;
    for (int row = 0; row < glyphHeight; row++) {
        for (int column = 0; column < glyphWidth; column++) {
            if (!inkAt(glyph, row, column))
                continue;
            if (blank)
                return failAt(headerLine + 1 + row, headerFor(glyph.code) + " must be blank");
            if (column >= 14 && !mayUseGap(glyph.code))
                return failAt(headerLine + 1 + row, headerFor(glyph.code) + " has ink in the gap columns 14/15");
        }
    }
    return ParseError();
}

// "A" is the one glyph whose exact shape is fixed; it anchors the metrics
// (cap height rows 5..23, three-pixel strokes) that the others follow.
ParseError checkReferenceA(const Glyph& glyph, int headerLine) {
    static const uint16_t expected[glyphHeight] = {
        0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xF87F, 0xF87F, 0xF03F, 0xF03F, 0xE31F,
        0xE31F, 0xC78F, 0xC78F, 0x8FC7, 0x8FC7, 0x1FE3, 0x0003, 0x0003, 0x0003, 0x1FE3,
        0x1FE3, 0x1FE3, 0x1FE3, 0x1FE3, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    for (int row = 0; row < glyphHeight; row++)
        if (glyph.rows[row] != expected[row])
            return failAt(headerLine + 1 + row, "row " + std::to_string(row) + " of 'A' must be " +
                                                    rowPicture(expected[row]));
    return ParseError();
}

ParseError parseFont(const std::string& path, Font& font) {
    std::vector<std::string> lines;
    ParseError error = readLines(path, lines);
    if (error.failed)
        return error;
    size_t next = 0;
    while (next < lines.size() && (lines[next].empty() || lines[next][0] == ';'))
        next++;
    for (int code = firstCode; code < firstCode + glyphCount; code++) {
        int headerLine = int(next) + 1;
        Glyph glyph;
        error = parseGlyph(lines, next, code, glyph);
        if (!error.failed)
            error = checkLayout(glyph, headerLine);
        if (!error.failed && code == 'A')
            error = checkReferenceA(glyph, headerLine);
        if (error.failed)
            return error;
        font.glyphs.push_back(glyph);
    }
    for (; next < lines.size(); next++)
        if (!lines[next].empty())
            return failAt(int(next) + 1, "unexpected text after the last glyph");
    return ParseError();
}

char hexDigit(int value) {
    return "0123456789ABCDEF"[value & 15];
}

std::string hex16(uint16_t value) {
    std::string text = "0x";
    for (int shift = 12; shift >= 0; shift -= 4)
        text += hexDigit(value >> shift);
    return text;
}

bool writeTable(const Font& font, const std::string& path) {
    std::string out;
    out += "// Generated by tools/makeFont from image/fontGlyphs.txt; edit the drawings there.\n";
    out += "// 96 glyphs (codes 32..127) x 29 rows; bit 15 = leftmost column, 0 bit = ink.\n";
    for (const Glyph& glyph : font.glyphs) {
        out += "// " + std::to_string(glyph.code) + " " + glyphName(glyph.code) + "\n";
        for (int row = 0; row < glyphHeight; row++)
            out += hex16(glyph.rows[row]) + ",  // " + rowPicture(glyph.rows[row]) + "\n";
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}

struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
};

Canvas makeCanvas(int width, int height) {
    Canvas canvas;
    canvas.width = width;
    canvas.height = height;
    canvas.rgba.assign(size_t(width) * height * 4, 255);
    return canvas;
}

void fillRect(Canvas& canvas, int left, int top, int width, int height, uint32_t rgb) {
    for (int y = top; y < top + height; y++) {
        for (int x = left; x < left + width; x++) {
            if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height)
                continue;
            uint8_t* p = &canvas.rgba[(size_t(y) * canvas.width + x) * 4];
            p[0] = uint8_t(rgb >> 16);
            p[1] = uint8_t(rgb >> 8);
            p[2] = uint8_t(rgb);
            p[3] = 255;
        }
    }
}

void drawGlyph(Canvas& canvas, const Glyph& glyph, int left, int top, int scale) {
    for (int row = 0; row < glyphHeight; row++)
        for (int column = 0; column < glyphWidth; column++)
            if (inkAt(glyph, row, column))
                fillRect(canvas, left + column * scale, top + row * scale, scale, scale, 0x000000);
}

// A cell's background shows its bounds: the band of the capitals (rows 5..23)
// is white, everything above the cap line and below the baseline is grey, and
// the two gap columns are a shade darker.
void drawCellBackground(Canvas& canvas, int left, int top, int scale) {
    int size = glyphWidth * scale;
    fillRect(canvas, left - 1, top - 1, size + 2, glyphHeight * scale + 2, 0xB0B0C0);
    fillRect(canvas, left, top, size, glyphHeight * scale, 0xE8E8EE);
    fillRect(canvas, left, top + capTopRow * scale, 14 * scale, (baselineRow + 1 - capTopRow) * scale, 0xFFFFFF);
    fillRect(canvas, left + 14 * scale, top + capTopRow * scale, 2 * scale, (baselineRow + 1 - capTopRow) * scale,
             0xF4F4F8);
    fillRect(canvas, left, top + (baselineRow + 1) * scale, size, 1, 0xE06060);
}

const Glyph* glyphFor(const Font& font, char c) {
    int index = int(c) - firstCode;
    if (index < 0 || index >= glyphCount)
        return nullptr;
    return &font.glyphs[index];
}

void drawText(Canvas& canvas, const Font& font, const std::string& text, int left, int top, int scale) {
    for (size_t k = 0; k < text.size(); k++)
        if (const Glyph* glyph = glyphFor(font, text[k]))
            drawGlyph(canvas, *glyph, left + int(k) * glyphWidth * scale, top, scale);
}

// Splits the sample at spaces into lines of at most maxChars characters.
std::vector<std::string> wrapText(const std::string& text, size_t maxChars) {
    std::vector<std::string> lines;
    std::string line;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos)
            end = text.size();
        std::string word = text.substr(start, end - start);
        if (!line.empty() && line.size() + 1 + word.size() > maxChars) {
            lines.push_back(line);
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        start = end + 1;
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

// Specimen layout: a grid of all glyphs at three times their size, then the
// sample once at actual size (as it lands in a picture) and wrapped at twice
// the size.
const int specimenScale = 3;
const int specimenPerRow = 16;
const int specimenMargin = 12;
const int specimenCellWidth = glyphWidth * specimenScale + 6;
const int specimenCellHeight = glyphHeight * specimenScale + 6;
const int specimenGridRows = (glyphCount + specimenPerRow - 1) / specimenPerRow;
const int specimenGridWidth = specimenPerRow * specimenCellWidth;
const char* const specimenSample =
    "Zrzut ekranu: The quick brown fox jumps over the lazy dog 0123456789 {[(<>)]} #@&%$!?";

void drawGrid(Canvas& canvas, const Font& font) {
    for (int i = 0; i < glyphCount; i++) {
        int left = specimenMargin + (i % specimenPerRow) * specimenCellWidth;
        int top = specimenMargin + (i / specimenPerRow) * specimenCellHeight;
        drawCellBackground(canvas, left, top, specimenScale);
        drawGlyph(canvas, font.glyphs[i], left, top, specimenScale);
    }
}

void drawSamples(Canvas& canvas, const Font& font, const std::vector<std::string>& wrapped, int top) {
    drawText(canvas, font, specimenSample, specimenMargin, top, 1);
    top += glyphHeight + specimenMargin;
    for (const std::string& line : wrapped) {
        drawText(canvas, font, line, specimenMargin, top, 2);
        top += glyphHeight * 2;
    }
}

bool writeSpecimen(const Font& font, const std::string& path) {
    const std::string sample = specimenSample;
    std::vector<std::string> wrapped = wrapText(sample, size_t(specimenGridWidth / (glyphWidth * 2)));
    int gridBottom = specimenMargin + specimenGridRows * specimenCellHeight;
    int width = 2 * specimenMargin + std::max(specimenGridWidth, int(sample.size()) * glyphWidth);
    int height = gridBottom + 3 * specimenMargin + glyphHeight + int(wrapped.size()) * glyphHeight * 2;
    Canvas canvas = makeCanvas(width, height);
    drawGrid(canvas, font);
    drawSamples(canvas, font, wrapped, gridBottom + specimenMargin);
    return pngWriter::writeRgba(path, canvas.width, canvas.height, canvas.rgba);
}

int usage() {
    std::fprintf(stderr,
                 "usage: makeFont fontGlyphs.txt fontGlyphs.inc\n"
                 "       makeFont fontGlyphs.txt --specimen specimen.png\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4)
        return usage();
    std::string source = argv[1];
    bool specimen = argc == 4 && std::string(argv[2]) == "--specimen";
    if (argc == 4 && !specimen)
        return usage();
    Font font;
    ParseError error = parseFont(source, font);
    if (error.failed && error.line == 0) {
        std::fprintf(stderr, "%s\n", error.message.c_str());
        return 1;
    }
    if (error.failed) {
        std::fprintf(stderr, "%s:%d: %s\n", source.c_str(), error.line, error.message.c_str());
        return 1;
    }
    std::string target = specimen ? argv[3] : argv[2];
    bool written = specimen ? writeSpecimen(font, target) : writeTable(font, target);
    if (!written) {
        std::fprintf(stderr, "cannot write %s\n", target.c_str());
        return 1;
    }
    return 0;
}
