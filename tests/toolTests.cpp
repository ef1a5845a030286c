// The drawing tools through the real DLL, driven by the mouse: the exact
// pixels each shape, the pencil and the text leave in the picture, the rubber
// band removed as drawn, and palette pictures keeping the pen's colour.
#include "editorTestSupport.h"

#include "editor/drawingTools.h"
#include "image/gdiplusFlat.h"

namespace {

class Tools : public EditorTest {};

// A width x height picture file of one palette entry, written through GDI+ in
// a palette format; the palette is GDI+'s own for the format.
bool writePaletteFile(const std::wstring& path, int width, int height, Gdiplus::PixelFormat format,
                      const wchar_t* mimeType) {
    GpBitmap* bitmap = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromScan0(width, height, 0, format, nullptr, &bitmap) != Gdiplus::Ok)
        return false;
    CLSID encoder = hostImageEncoder(mimeType);
    bool saved = Gdiplus::DllExports::GdipSaveImageToFile(bitmap, path.c_str(), &encoder, nullptr) == Gdiplus::Ok;
    Gdiplus::DllExports::GdipDisposeImage(bitmap);
    return saved;
}

}  // namespace

// Shapes drawn with the mouse land in the picture exactly as the primitives
// paint them; the pen is opaque black and the picture white.
TEST_F(Tools, MouseDrawsTheShapesIntoThePicture) {
    struct Case {
        int tool;
        bool rightButton;
        POINT from, to;
        PixelSet expected;
    };
    const Case cases[] = {
        {4, false, {0, 0}, {12, 5},
         {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}, {6, 3}, {7, 3}, {8, 3}, {9, 4}, {10, 4}, {11, 5}, {12, 5}}},
        {6, false, {10, 6}, {0, 0},
         rows({{0, {4, 5, 6}}, {1, {2, 3, 7, 8}}, {2, {0, 1, 9, 10}}, {3, {0, 10}}, {4, {0, 1, 9, 10}},
               {5, {2, 3, 7, 8}}, {6, {4, 5, 6}}})},
        {5, true, {9, 7}, {2, 3},
         rows({{3, {2, 3, 4, 5, 6, 7, 8, 9}}, {4, {2, 9}}, {5, {2, 9}}, {6, {2, 9}},
               {7, {2, 3, 4, 5, 6, 7, 8, 9}}})},
        // The pencil's right press starts its stroke at once, as the left's.
        {3, true, {0, 0}, {12, 5},
         {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}, {6, 3}, {7, 3}, {8, 3}, {9, 4}, {10, 4}, {11, 5}, {12, 5}}},
    };
    for (const Case& c : cases) {
        HWND editor = openSolidFromClipboard(300, 200, RGB(255, 255, 255));
        ASSERT_NE(editor, nullptr);
        SendMessageW(editor, WM_COMMAND, WPARAM(c.tool), 0);
        drag(editor, c.rightButton, {c.from, c.to});
        std::vector<COLORREF> pixels = clientPixels(editor, 280, 180);
        EXPECT_EQ(pixelsOf(pixels, 280, 0x000000), c.expected) << "tool " << c.tool;
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
}

TEST_F(Tools, PencilDrawsAChainOfLinesAndTextUsesTheEdit) {
    HWND editor = openSolidFromClipboard(300, 200, RGB(255, 255, 255));
    ASSERT_NE(editor, nullptr);
    SendMessageW(editor, WM_COMMAND, 3, 0);
    SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, at(5, 5));
    PixelSet none = pixelsOf(clientPixels(editor, 280, 180), 280, 0x000000);
    EXPECT_TRUE(none.empty()) << "a click alone draws nothing";
    SendMessageW(editor, WM_MOUSEMOVE, MK_LBUTTON, at(8, 5));
    SendMessageW(editor, WM_MOUSEMOVE, MK_LBUTTON, at(8, 7));
    SendMessageW(editor, WM_LBUTTONUP, 0, at(8, 7));
    EXPECT_EQ(pixelsOf(clientPixels(editor, 280, 180), 280, 0x000000),
              (PixelSet{{5, 5}, {6, 5}, {7, 5}, {8, 5}, {8, 6}, {8, 7}}));

    SendMessageW(editor, WM_COMMAND, 7, 0);
    HWND edit = childOfClass(editorToolbar(editor), L"Edit");
    EXPECT_TRUE(IsWindowEnabled(edit));
    SetWindowTextA(edit, "A");
    SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, at(100, 50));
    SendMessageW(editor, WM_LBUTTONUP, 0, at(100, 50));
    PixelSet text = pixelsOf(clientPixels(editor, 280, 180), 280, 0x000000);
    for (int x = 105; x <= 108; x++)
        EXPECT_TRUE(text.count({x, 55})) << x;
    for (int x = 100; x <= 113; x++)
        EXPECT_TRUE(text.count({x, 67})) << x;
    for (const auto& [x, y] : text)
        EXPECT_TRUE((x >= 100 && x < 116 && y >= 55 && y <= 73) || y <= 7) << x << "," << y;
    SendMessageW(editor, WM_COMMAND, 2, 0);
    EXPECT_FALSE(IsWindowEnabled(edit));
}

// The rubber band on the screen is removed as it was drawn, also when the
// release comes at another point than the last move: after a drag with
// Select the window shows the picture and exactly one focus rectangle, the
// selection's; after Rectangle only the picture with the shape.
TEST_F(Tools, ReleaseLeavesNoStrayRubberBand) {
    struct Case {
        int tool;
        POINT from, lastMove, release;
        RECT mark;  // the focus rectangle left on the window; empty for none
    };
    static const Case cases[] = {
        {2, {20, 20}, {90, 70}, {120, 100}, {20, 20, 120, 100}},
        {2, {150, 120}, {60, 40}, {80, 50}, {80, 50, 150, 120}},
        {2, {30, 30}, {100, 100}, {30, 30}, {}},
        {5, {20, 20}, {90, 70}, {120, 100}, {}},
        {6, {150, 120}, {60, 40}, {80, 50}, {}},
    };
    const COLORREF grey = RGB(0x80, 0x80, 0x80);
    for (const Case& c : cases) {
        HWND editor = openSolidFromClipboard(200, 150, grey);
        ASSERT_NE(editor, nullptr);
        SendMessageW(editor, WM_COMMAND, WPARAM(c.tool), 0);
        SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, at(c.from.x, c.from.y));
        UpdateWindow(editor);
        SendMessageW(editor, WM_MOUSEMOVE, MK_LBUTTON, at(c.from.x + 5, c.from.y + 5));
        SendMessageW(editor, WM_MOUSEMOVE, MK_LBUTTON, at(c.lastMove.x, c.lastMove.y));
        SendMessageW(editor, WM_LBUTTONUP, 0, at(c.release.x, c.release.y));
        UpdateWindow(editor);
        // What the window shows is what a fresh paint shows: no band is left,
        // and over the grey picture (and the black shape) only the
        // selection's mark with the white insides of its handles (their
        // black borders go with the shape), beside its size label.
        std::vector<COLORREF> shown = shownPixels(editor, 200, 150);
        std::vector<COLORREF> painted = clientPixels(editor, 200, 150);
        EXPECT_EQ(shown, painted) << "tool " << c.tool << " released at " << c.release.x;
        PixelSet label = sizeLabelPixels(editor);
        EXPECT_EQ(label.empty(), IsRectEmpty(&c.mark) != 0) << "tool " << c.tool;
        PixelSet markedShown;
        for (size_t i = 0; i < shown.size(); i++) {
            if (shown[i] != grey && shown[i] != 0)
                markedShown.insert({int(i % 200), int(i / 200)});
        }
        PixelSet expected;
        if (!IsRectEmpty(&c.mark)) {
            PixelSet squares = handleSquares(c.mark);
            expected = unite(minus(focusRectPixels(c.mark, 200, 150), squares), minus(squares, handleBorders(c.mark)));
        }
        EXPECT_EQ(minus(markedShown, label), minus(expected, label)) << "tool " << c.tool;
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
}

// Pictures GDI+ opens in a palette format take the pen's own colour: a line
// drawn in a colour no palette holds arrives in exactly that colour, on
// exactly the line's pixels, and every other pixel keeps the file's colour.
TEST_F(Tools, DrawingOnPalettePicturesKeepsThePensColour) {
    struct Case {
        const char* what;
        const wchar_t* fileName;
        Gdiplus::PixelFormat format;
        const wchar_t* mimeType;
        uint8_t sentColourType;  // of the PNG sent: 6 RGB with alpha, 2 RGB
    };
    static const Case cases[] = {
        {"8-bit BMP", L"paleta.bmp", PixelFormat8bppIndexed, L"image/bmp", 6},
        {"1-bit PNG", L"paleta1.png", PixelFormat1bppIndexed, L"image/png", 6},
        {"8-bit PNG", L"paleta8.png", PixelFormat8bppIndexed, L"image/png", 6},
        {"palette GIF", L"paleta.gif", PixelFormat8bppIndexed, L"image/gif", 6},
        {"1-bit TIFF", L"paleta.tif", PixelFormat1bppIndexed, L"image/tiff", 6},
        // Not a palette picture: its format stays.
        {"24-bit PNG", L"kolor.png", PixelFormat24bppRGB, L"image/png", 2},
    };
    const PixelSet line = {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}, {6, 3},
                           {7, 3}, {8, 3}, {9, 4}, {10, 4}, {11, 5}, {12, 5}};
    const uint32_t green = 0xFF0AC81Eu;
    std::wstring folder = freshFolder(L"palette");
    hostAddPictureTransfer(onlineContact, {0});
    // The pen colour set here is the one read, not the settings file's.
    hostRegister(L"WTW/Settings/Read", [](int64_t, int64_t) { return int64_t(0); }, RecordKind::none);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::wstring path = folder + c.fileName;
        ASSERT_TRUE(writePaletteFile(path, 40, 30, c.format, c.mimeType));
        hostSettings()[L"snipLeaf/PenColor"] = int32_t(green);
        hostClearDeliveries();
        EXPECT_EQ(clickAnsweringFileDialog(L"snipLeaf/File", {onlineContact}, path, nullptr), 0);
        hostPumpMessages(50);
        HWND editor = findEditor();
        ASSERT_NE(editor, nullptr);
        SendMessageW(editor, WM_COMMAND, 4, 0);
        drag(editor, false, {{0, 0}, {12, 5}});
        choosePng(editor);
        SendMessageW(editor, WM_COMMAND, 12, 0);
        EXPECT_FALSE(IsWindow(editor)) << "sent, and closed";
        ASSERT_EQ(hostDeliveries().size(), 1u);
        EXPECT_EQ(int(readAt<uint8_t>(hostDeliveries()[0].fileBytes, 25)), int(c.sentColourType));
        UINT width = 0, height = 0;
        std::vector<uint32_t> pixels = filePixels(hostDeliveries()[0].fileName, &width, &height);
        ASSERT_EQ(width, 40u);
        ASSERT_EQ(height, 30u);
        PixelSet drawn;
        std::set<uint32_t> rest;
        for (size_t i = 0; i < pixels.size(); i++) {
            if (pixels[i] == green)
                drawn.insert({int(i % width), int(i / width)});
            else
                rest.insert(pixels[i]);
        }
        EXPECT_EQ(drawn, line);
        EXPECT_EQ(rest, std::set<uint32_t>{0xFF000000u}) << "the file's black, untouched";
    }
}

// The rectangle repainted around a pen stroke covers every pen square on it:
// half the width (shifted, so rounded down) before the smaller corner, the
// rest of the width after the larger one, in either corner order.
TEST(PenMarginRect, CoversEveryPenSquare) {
    struct Case {
        int32_t x1, y1, x2, y2, penWidth;
        RECT margin;
    };
    static const Case cases[] = {
        {10, 20, 30, 40, 1, {10, 20, 31, 41}},
        {30, 40, 10, 20, 1, {10, 20, 31, 41}},
        {30, 20, 10, 40, 2, {9, 19, 31, 41}},
        {5, 5, 5, 5, 4, {3, 3, 7, 7}},
        {0, 0, 10, 10, 15, {-7, -7, 18, 18}},
        {-4, 3, 2, -6, 3, {-5, -7, 4, 5}},
        {10, 20, 30, 40, 0, {10, 20, 30, 40}},
    };
    for (const Case& c : cases) {
        RECT r = penMarginRect(c.x1, c.y1, c.x2, c.y2, c.penWidth);
        EXPECT_EQ(r.left, c.margin.left) << c.penWidth;
        EXPECT_EQ(r.top, c.margin.top) << c.penWidth;
        EXPECT_EQ(r.right, c.margin.right) << c.penWidth;
        EXPECT_EQ(r.bottom, c.margin.bottom) << c.penWidth;
    }
}
