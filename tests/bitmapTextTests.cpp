// Bitmap text: the compiled glyph table against the drawings it is generated
// from, and the pixels drawBitmapText paints, read back whole from the bitmap.
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "image/bitmapText.h"
#include "imageTestSupport.h"

namespace {

// The reference "A" of the font, rows 0..28.
const uint16_t glyphA[29] = {
    0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xF87F, 0xF87F, 0xF03F, 0xF03F, 0xE31F,
    0xE31F, 0xC78F, 0xC78F, 0x8FC7, 0x8FC7, 0x1FE3, 0x0003, 0x0003, 0x0003, 0x1FE3,
    0x1FE3, 0x1FE3, 0x1FE3, 0x1FE3, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF,
};

std::string besideExecutable(const char* name) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of("\\/") + 1) + name;
}

// The drawings file: "glyph <code> ..." headers, each followed by 29 rows of
// 16 characters, '#' ink and '.' blank; ';' lines are comments.
struct DrawnFont {
    bool complete = false;
    std::vector<uint16_t> rows;  // 96 x 29, in the table's order
};

DrawnFont readDrawnFont() {
    DrawnFont font;
    std::ifstream in(besideExecutable("fontGlyphs.txt"), std::ios::binary);
    std::string line;
    int expectedCode = fontFirstCode;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == ';')
            continue;
        if (line.rfind("glyph ", 0) != 0 || std::stoi(line.substr(6)) != expectedCode)
            return font;
        for (int r = 0; r < fontCellHeight; r++) {
            if (!std::getline(in, line))
                return font;
            uint16_t value = 0;
            for (int column = 0; column < fontCellWidth; column++) {
                if (line.at(column) == '.')
                    value |= uint16_t(0x8000u >> column);
            }
            font.rows.push_back(value);
        }
        expectedCode++;
    }
    font.complete = expectedCode == fontFirstCode + fontGlyphCount;
    return font;
}

const DrawnFont& drawnFont() {
    static const DrawnFont font = readDrawnFont();
    return font;
}

PointSet inkOfRows(const uint16_t* rows, int32_t left, int32_t top) {
    PointSet points;
    for (int32_t r = 0; r < fontCellHeight; r++) {
        for (int32_t column = 0; column < fontCellWidth; column++) {
            if ((rows[r] & (0x8000u >> column)) == 0)
                points.insert({left + column, top + r});
        }
    }
    return points;
}

// The ink of one character as the drawings file shows it.
PointSet drawnInk(char c, int32_t left, int32_t top) {
    return inkOfRows(drawnFont().rows.data() + (c - fontFirstCode) * fontCellHeight, left, top);
}

PointSet paintedText(const char* text, int32_t x, int32_t y, int32_t width = 200, int32_t height = 100) {
    TestPicture picture(width, height, white);
    drawBitmapText(&picture.holder, x, y, black, text);
    EXPECT_EQ(changedPixels(picture), pixelsOfColour(picture.holder, black)) << text;
    return changedPixels(picture);
}

int inkRowsFirst(int code) {
    const uint16_t* rows = fontGlyphTable() + (code - fontFirstCode) * fontCellHeight;
    for (int r = 0; r < fontCellHeight; r++) {
        if (rows[r] != 0xFFFF)
            return r;
    }
    return fontCellHeight;
}

int inkRowsLast(int code) {
    const uint16_t* rows = fontGlyphTable() + (code - fontFirstCode) * fontCellHeight;
    for (int r = fontCellHeight - 1; r >= 0; r--) {
        if (rows[r] != 0xFFFF)
            return r;
    }
    return -1;
}

}  // namespace

TEST(FontGlyphTable, EqualsTheDrawings) {
    ASSERT_TRUE(drawnFont().complete);
    ASSERT_EQ(fontGlyphTableSize(), size_t(96 * 29));
    ASSERT_EQ(drawnFont().rows.size(), fontGlyphTableSize());
    for (size_t i = 0; i < fontGlyphTableSize(); i++)
        ASSERT_EQ(fontGlyphTable()[i], drawnFont().rows[i]) << "code " << 32 + i / 29 << " row " << i % 29;
}

TEST(FontGlyphTable, GlyphOfAIsTheReference) {
    for (int r = 0; r < 29; r++)
        EXPECT_EQ(fontGlyphTable()[957 + r], glyphA[r]) << r;
}

TEST(FontGlyphTable, SpaceAndDelAreBlank) {
    for (int code : {32, 127}) {
        for (int r = 0; r < 29; r++)
            EXPECT_EQ(fontGlyphTable()[(code - 32) * 29 + r], 0xFFFF) << code << " row " << r;
    }
}

TEST(FontGlyphTable, CapitalsAndDigitsStandOnTheBaseline) {
    std::string capitals = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (char c : capitals) {
        EXPECT_EQ(inkRowsFirst(c), 5) << c;
        EXPECT_EQ(inkRowsLast(c), 23) << c;
    }
}

TEST(FontGlyphTable, LowerCaseBracketsAndDescendersKeepTheirRows) {
    for (char c : std::string("acegmnopqrsuvwxyz"))
        EXPECT_EQ(inkRowsFirst(c), 10) << c;
    for (char c : std::string("ijt"))
        EXPECT_EQ(inkRowsFirst(c), 5) << c;
    for (char c : std::string("gjpqy,;/\\_"))
        EXPECT_EQ(inkRowsLast(c), 28) << c;
    for (char c : std::string("[]()\"'"))
        EXPECT_EQ(inkRowsFirst(c), 2) << c;
    for (char c : std::string("{}")) {
        EXPECT_EQ(inkRowsFirst(c), 0) << c;
        EXPECT_EQ(inkRowsLast(c), 28) << c;
    }
}

TEST(FontGlyphTable, OnlyWideGlyphsUseTheGapColumns) {
    std::string wide = "#/\\_MWmw";
    for (int code = 32; code < 128; code++) {
        if (wide.find(char(code)) != std::string::npos)
            continue;
        for (int r = 0; r < 29; r++)
            EXPECT_EQ(fontGlyphTable()[(code - 32) * 29 + r] & 0x0003, 0x0003) << code << " row " << r;
    }
}

TEST(DrawBitmapText, LetterAPaintsItsInk) {
    PointSet painted = paintedText("A", 100, 50);
    EXPECT_EQ(painted, inkOfRows(glyphA, 100, 50));
    for (int32_t x = 105; x <= 108; x++)
        EXPECT_EQ(painted.count({x, 55}), 1u) << x;
    for (int32_t y = 66; y <= 68; y++) {
        for (int32_t x = 100; x <= 113; x++)
            EXPECT_EQ(painted.count({x, y}), 1u) << x << "," << y;
    }
    for (const Point& p : painted) {
        EXPECT_FALSE(p.second >= 50 && p.second <= 54) << p.first << "," << p.second;
        EXPECT_FALSE(p.second >= 74 && p.second <= 78) << p.first << "," << p.second;
    }
}

TEST(DrawBitmapText, EveryGlyphPaintsItsDrawing) {
    ASSERT_TRUE(drawnFont().complete);
    for (int code = 33; code < 127; code++) {
        char text[2] = {char(code), 0};
        EXPECT_EQ(paintedText(text, 7, 3, 30, 40), drawnInk(char(code), 7, 3)) << code;
    }
}

struct CellCase {
    const char* text;
    std::vector<std::pair<char, int32_t>> cells;  // character and its cell index
};

TEST(DrawBitmapText, CharactersTakeOneCellEach) {
    ASSERT_TRUE(drawnFont().complete);
    const CellCase cases[] = {
        {"AB", {{'A', 0}, {'B', 1}}},
        {" A", {{'A', 1}}},
        {"x\xB9y", {{'x', 0}, {'y', 2}}},
        {"a\tb", {{'a', 0}, {'b', 2}}},
        {"a\x7F" "b", {{'a', 0}, {'b', 2}}},
        {"\x01\x1F\x80\xFFq", {{'q', 4}}},
        {"Hi, 9!", {{'H', 0}, {'i', 1}, {',', 2}, {'9', 4}, {'!', 5}}},
    };
    for (const CellCase& c : cases) {
        PointSet expected;
        for (const auto& cell : c.cells)
            expected = unite(expected, drawnInk(cell.first, 10 + 16 * cell.second, 20));
        EXPECT_EQ(paintedText(c.text, 10, 20), expected) << c.text;
    }
}

TEST(DrawBitmapText, SkippedOrBlankTextPaintsNothing) {
    static const char* const texts[] = {"", "\xB9", "\t", "\x7F", " ", "   \x7F\xB9\x01"};
    for (const char* text : texts)
        EXPECT_TRUE(paintedText(text, 10, 20).empty()) << std::strlen(text);
}

TEST(DrawBitmapText, BlankBitsLeaveThePictureUnchanged) {
    ASSERT_TRUE(drawnFont().complete);
    TestPicture picture(40, 40, red);
    drawBitmapText(&picture.holder, 5, 4, black, "I");
    PointSet ink = drawnInk('I', 5, 4);
    EXPECT_EQ(pixelsOfColour(picture.holder, black), ink);
    EXPECT_EQ(pixelsOfColour(picture.holder, red), subtract(pointsOfRectangle(0, 0, 39, 39), ink));
}

TEST(DrawBitmapText, OverAnEdgeIsCutOff) {
    ASSERT_TRUE(drawnFont().complete);
    static const Point corners[] = {{190, 80}, {-9, -12}, {185, -20}};
    for (const Point& at : corners) {
        PointSet expected = keepInside(unite(drawnInk('W', at.first, at.second), drawnInk('g', at.first + 16, at.second)), 200, 100);
        EXPECT_EQ(paintedText("Wg", at.first, at.second), expected) << at.first << "," << at.second;
    }
}

TEST(DrawBitmapText, EmptyHolderWritesNothing) {
    ImageHolder empty = {nullptr};
    PixelWriteRecorder recorder;
    ASSERT_TRUE(recorder.installed);
    drawBitmapText(&empty, 0, 0, black, "Abc");
    EXPECT_TRUE(recorder.writes.empty());
}

// Writes fontSpecimen.png beside the executable for a person to look at: every
// glyph, sixteen to a line, and a sample line; the file read back must hold
// exactly the painted pixels.
TEST(FontSpecimen, IsSavedAsPngWithEveryGlyph) {
    static const CLSID pngEncoder = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
    const int32_t margin = 8, lineHeight = 32;
    TestPicture picture(63 * 16 + 2 * margin, 8 * lineHeight + 2 * margin, white);
    for (int line = 0; line < 6; line++) {
        char text[17] = {};
        for (int k = 0; k < 16; k++)
            text[k] = char(32 + 16 * line + k);
        drawBitmapText(&picture.holder, margin, margin + line * lineHeight, black, text);
    }
    drawBitmapText(&picture.holder, margin, margin + 7 * lineHeight, 0xFF1040A0,
                   "Pack my box with five dozen liquor jugs: 0123456789 {[()]} #@&%");
    std::string path = besideExecutable("fontSpecimen.png");
    std::wstring widePath(path.begin(), path.end());
    ASSERT_EQ(Gdiplus::DllExports::GdipSaveImageToFile(picture.holder.bitmap, widePath.c_str(), &pngEncoder, nullptr),
              Gdiplus::Ok);
    GpBitmap* saved = nullptr;
    ASSERT_EQ(Gdiplus::DllExports::GdipCreateBitmapFromFile(widePath.c_str(), &saved), Gdiplus::Ok);
    ImageHolder reread = {saved};
    PointSet painted = changedPixels(picture);
    EXPECT_GT(painted.size(), 1000u);
    EXPECT_EQ(pixelsOfColour(reread, black), pixelsOfColour(picture.holder, black));
    EXPECT_EQ(pixelsOfColour(reread, 0xFF1040A0), pixelsOfColour(picture.holder, 0xFF1040A0));
    Gdiplus::DllExports::GdipDisposeImage(saved);
}
