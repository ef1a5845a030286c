// The editor's view through the real DLL: a picture larger than the window
// scrolls with the bars and the wheel, and every tool reaches every pixel of
// it through the one mapping; the view's decisions as tables.
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <utility>
#include <vector>

#include "editor/editorView.h"
#include "editor/editorWindow.h"
#include "editorTestSupport.h"

namespace {

class EditorView : public EditorTest {};
class Repaint : public EditorTest {};

bool hasBar(HWND editor, DWORD bar) {
    return (DWORD(GetWindowLongW(editor, GWL_STYLE)) & bar) != 0;
}

void wheel(HWND editor, int notches, bool shift) {
    WPARAM wParam = MAKEWPARAM(shift ? MK_SHIFT : 0, WORD(-notches * WHEEL_DELTA));
    SendMessageW(editor, WM_MOUSEWHEEL, wParam, MAKELPARAM(100, 100));
}

// The bottom-up rows of the clipboard's 24-bit DIB, top row first, 0x00RRGGBB.
std::vector<std::vector<COLORREF>> clipboardRows() {
    std::vector<std::vector<COLORREF>> rows;
    if (!OpenClipboard(nullptr))
        return rows;
    if (HGLOBAL block = GetClipboardData(CF_DIB)) {
        const auto* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(block));
        const auto* bits = reinterpret_cast<const uint8_t*>(header + 1);
        size_t stride = (size_t(header->biWidth) * 3 + 3) & ~size_t(3);
        for (LONG y = header->biHeight - 1; y >= 0; y--) {
            std::vector<COLORREF> row;
            for (LONG x = 0; x < header->biWidth; x++) {
                const uint8_t* p = bits + size_t(y) * stride + size_t(x) * 3;
                row.push_back(RGB(p[2], p[1], p[0]));
            }
            rows.push_back(row);
        }
        GlobalUnlock(block);
    }
    CloseClipboard();
    return rows;
}

}  // namespace

// A picture taller and wider than the maximised window: the wheel scrolls
// down, Shift+wheel across, and a line drawn while scrolled lands where the
// window showed it; the last row and column are reached and copied.
TEST_F(EditorView, EveryToolReachesEveryPixelOfAScrolledPicture) {
    const int width = GetSystemMetrics(SM_CXSCREEN) - 10, height = GetSystemMetrics(SM_CYSCREEN) - 14;
    HWND editor = openSolidFromClipboard(width, height, RGB(255, 255, 255));
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(IsZoomed(editor));
    ASSERT_TRUE(hasBar(editor, WS_VSCROLL));
    ASSERT_TRUE(hasBar(editor, WS_HSCROLL));
    SetFocus(editor);
    SendMessageW(editor, WM_KEYDOWN, 'L', 0);
    wheel(editor, 1, false);
    EXPECT_EQ(GetScrollPos(editor, SB_VERT), 60);
    drag(editor, false, {{100, 10}, {140, 10}});
    wheel(editor, -1, false);
    EXPECT_EQ(GetScrollPos(editor, SB_VERT), 0);
    std::vector<COLORREF> shown = clientPixels(editor, 200, 100);
    PixelSet line;
    for (int x = 100; x <= 140; x++)
        line.insert({x, 70});
    EXPECT_EQ(pixelsOf(shown, 200, 0), line) << "drawn 60 rows further down than the window showed it";
    // Across, the bar's width alone is out of view.
    SIZE area = pictureArea(editor);
    wheel(editor, 1, true);
    int dx = GetScrollPos(editor, SB_HORZ);
    EXPECT_EQ(dx, width - area.cx);
    EXPECT_GT(dx, 0);
    PixelSet across;
    for (int x = 100 - dx; x <= 140 - dx; x++)
        across.insert({x, 70});
    EXPECT_EQ(pixelsOf(clientPixels(editor, 200, 100), 200, 0), across) << "Shift+wheel scrolls across";

    SendMessageW(editor, WM_VSCROLL, SB_BOTTOM, 0);
    SendMessageW(editor, WM_HSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(GetScrollPos(editor, SB_VERT), height - area.cy);
    EXPECT_EQ(GetScrollPos(editor, SB_HORZ), width - area.cx);
    drag(editor, false, {{area.cx - 30, area.cy - 1}, {area.cx - 1, area.cy - 1}});
    SendMessageW(editor, WM_KEYDOWN, 'S', 0);
    drag(editor, false, {{area.cx - 40, area.cy - 4}, {area.cx, area.cy}});
    press(editor, 'C', true);
    std::vector<std::vector<COLORREF>> copied = clipboardRows();
    ASSERT_EQ(copied.size(), 4u) << "the picture's last four rows";
    ASSERT_EQ(copied[3].size(), 40u) << "and its last forty columns";
    for (int x = 0; x < 40; x++)
        EXPECT_EQ(copied[3][size_t(x)], x < 10 ? RGB(255, 255, 255) : RGB(0, 0, 0)) << x;
}

// Pictures that fit show no bars and keep the window's own points; full
// screen shows none either.
TEST_F(EditorView, PicturesThatFitShowNoScrollBars) {
    struct Case {
        int width, height;
        bool fullScreen;
    };
    const Case cases[] = {{300, 200, false}, {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), true}};
    for (const Case& c : cases) {
        HWND editor = openSolidFromClipboard(c.width, c.height, RGB(255, 255, 255));
        ASSERT_NE(editor, nullptr);
        if (c.fullScreen) {
            holdAlt(true);
            SendMessageW(editor, WM_SYSKEYDOWN, VK_RETURN, 0);
            SendMessageW(editor, WM_SYSKEYUP, VK_RETURN, 0);
            holdAlt(false);
            ASSERT_EQ(GetWindowLongW(editor, GWL_STYLE) & WS_POPUP, WS_POPUP);
        }
        EXPECT_FALSE(hasBar(editor, WS_VSCROLL | WS_HSCROLL)) << c.width;
        SendMessageW(editor, WM_KEYDOWN, 'L', 0);
        wheel(editor, 1, false);
        drag(editor, false, {{5, 7}, {9, 7}});
        EXPECT_EQ(pixelsOf(clientPixels(editor, 20, 20), 20, 0), rows({{7, {5, 6, 7, 8, 9}}})) << c.width;
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
}

// After every step of a user's session, what the window shows, built up of
// what each step repainted, is what a full repaint shows: no step leaves
// stale pixels or misses what it changed.
TEST_F(Repaint, WindowEqualsFullRepaintAfterEveryTextStep) {
    const int width = 320, height = 200;
    auto keyDown = [](HWND editor, WPARAM key, bool control = false) {
        holdKeys(control, false);
        SendMessageW(editor, WM_KEYDOWN, key, 0);
        SendMessageW(editor, WM_KEYUP, key, 0);
        holdKeys(false, false);
    };
    auto chars = [](HWND editor, const wchar_t* text) {
        for (; *text; text++)
            SendMessageW(editor, WM_CHAR, *text, 0);
    };
    auto click = [](HWND editor, int x, int y) {
        SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, at(x, y));
        SendMessageW(editor, WM_LBUTTONUP, 0, at(x, y));
    };
    // The style control's messages: width, pen and brush, the brush's alpha 0xFF filling.
    auto style = [](HWND editor, int penWidth, COLORREF brush, bool fill) {
        SendMessageW(editor, 0x3F00, WPARAM(penWidth), LPARAM(RGB(20, 20, 120)));
        SendMessageW(editor, 0x3F01, WPARAM(penWidth), LPARAM((fill ? 0xFF000000u : 0u) | brush));
    };
    const std::pair<const char*, std::function<void(HWND)>> steps[] = {
        {"the typed text at width 9, filled", [&](HWND e) { keyDown(e, 'N'), style(e, 9, RGB(255, 255, 200), true); }},
        {"a box opened", [&](HWND e) { click(e, 20, 20); }},
        {"a first letter", [&](HWND e) { chars(e, L"Ż"); }},
        {"Backspace emptying the box", [&](HWND e) { keyDown(e, VK_BACK); }},
        {"a letter in the empty box", [&](HWND e) { chars(e, L"Ż"); }},
        {"letters", [&](HWND e) { chars(e, L"ółw j"); }},
        {"Backspace", [&](HWND e) { keyDown(e, VK_BACK); }},
        {"a letter after Backspace", [&](HWND e) { chars(e, L"ą"); }},
        {"Enter", [&](HWND e) { keyDown(e, VK_RETURN); }},
        {"a letter on the new line", [&](HWND e) { chars(e, L"g"); }},
        {"Up", [&](HWND e) { keyDown(e, VK_UP); }},
        {"a letter in the first line", [&](HWND e) { chars(e, L"Ś"); }},
        {"Down and End", [&](HWND e) { keyDown(e, VK_DOWN), keyDown(e, VK_END); }},
        {"a word that wraps", [&](HWND e) { chars(e, L" zażółć gęślą jaźń"); }},
        {"Backspace taking the wrap back", [&](HWND e) { keyDown(e, VK_BACK); }},
        {"a click in the box", [&](HWND e) { click(e, 30, 28); }},
        {"Delete", [&](HWND e) { keyDown(e, VK_DELETE); }},
        {"Ctrl+Backspace", [&](HWND e) { keyDown(e, VK_BACK, true); }},
        {"a paste", [&](HWND e) { putClipboardText(L"Łódź\r\nźdźbło"), keyDown(e, 'V', true); }},
        {"the fill off", [&](HWND e) { style(e, 9, 0, false); }},
        {"a longer line without the fill", [&](HWND e) { keyDown(e, VK_END), chars(e, L"żółw"); }},
        {"a line more without the fill", [&](HWND e) { keyDown(e, VK_RETURN), chars(e, L"Ź"); }},
        {"a line fewer without the fill", [&](HWND e) { keyDown(e, VK_BACK), keyDown(e, VK_BACK); }},
        {"a narrower pen", [&](HWND e) { style(e, 3, RGB(255, 255, 200), true); }},
        {"Ctrl+Enter", [&](HWND e) { keyDown(e, VK_RETURN, true); }},
        {"a box at the corner", [&](HWND e) { click(e, width - 5, height - 5); }},
        {"letters wrapping there", [&](HWND e) { chars(e, L"Żółw jeż"); }},
        {"a click outside committing it", [&](HWND e) { click(e, 150, 40); }},
        {"Escape", [&](HWND e) { keyDown(e, VK_ESCAPE); }},
        {"a box without the fill", [&](HWND e) { style(e, 9, 0, false), click(e, 20, 90), chars(e, L"ab"); }},
        {"its widest line", [&](HWND e) { keyDown(e, VK_RETURN), chars(e, L"abcdefgh"), keyDown(e, VK_RETURN); }},
        {"a last line", [&](HWND e) { chars(e, L"ab"); }},
        {"the middle line narrowed", [&](HWND e) { keyDown(e, VK_UP), keyDown(e, VK_END), keyDown(e, VK_BACK); }},
        {"and widened", [&](HWND e) { chars(e, L"mm"); }},
        {"the last line gone", [&](HWND e) { keyDown(e, VK_DOWN), keyDown(e, VK_END), keyDown(e, VK_BACK, true); }},
        {"a marker", [&](HWND e) { keyDown(e, 'I'), click(e, 60, 150); }},
        {"a marker over it", [&](HWND e) { click(e, 70, 155); }},
        {"undo", [&](HWND e) { keyDown(e, 'Z', true); }},
    };
    HWND editor = openSolidFromClipboard(width, height, RGB(255, 255, 255));
    ASSERT_NE(editor, nullptr);
    SetFocus(editor);
    for (const auto& [name, step] : steps) {
        SCOPED_TRACE(name);
        step(editor);
        UpdateWindow(editor);
        std::vector<COLORREF> shown = shownPixels(editor, width, height), full = clientPixels(editor, width, height);
        size_t stale = 0;
        for (size_t i = 0; i < shown.size(); i++)
            stale += shown[i] != full[i] ? 1 : 0;
        EXPECT_EQ(stale, 0u);
    }
}

TEST(ViewFit, BarsOnlyForTheSidesThatDoNotFit) {
    struct Case {
        SIZE client;
        int32_t toolbar;
        SIZE picture;
        ViewFit fit;
    };
    const SIZE bars = {16, 16};
    const Case cases[] = {
        {{800, 600}, 44, {800, 556}, {800, 556, false, false}},
        {{800, 600}, 44, {801, 500}, {800, 540, true, false}},
        {{800, 600}, 44, {700, 557}, {784, 556, false, true}},
        {{800, 600}, 44, {790, 550}, {800, 556, false, false}},
        {{800, 600}, 44, {790, 557}, {784, 540, true, true}},  // the vertical bar makes the width short too
        {{800, 600}, 44, {801, 545}, {784, 540, true, true}},  // and the horizontal one the height
        {{1280, 1024}, 0, {1280, 1024}, {1280, 1024, false, false}},
    };
    for (const Case& c : cases) {
        ViewFit fit = fitView(c.client, c.toolbar, c.picture, bars);
        EXPECT_EQ(fit.width, c.fit.width) << c.picture.cx << " x " << c.picture.cy;
        EXPECT_EQ(fit.height, c.fit.height) << c.picture.cx << " x " << c.picture.cy;
        EXPECT_EQ(fit.horizontalBar, c.fit.horizontalBar) << c.picture.cx << " x " << c.picture.cy;
        EXPECT_EQ(fit.verticalBar, c.fit.verticalBar) << c.picture.cx << " x " << c.picture.cy;
    }
}

TEST(ScrollPosition, RequestsAndClampingKeepThePictureInTheView) {
    struct Case {
        int request;
        int32_t position, page, track;
        int32_t pictureSide, viewSide;
        int32_t clamped;
    };
    const Case cases[] = {
        {SB_LINEDOWN, 0, 500, 0, 1000, 500, 20},     {SB_LINEUP, 10, 500, 0, 1000, 500, 0},
        {SB_PAGEDOWN, 300, 500, 0, 1000, 500, 500},  {SB_PAGEUP, 300, 500, 0, 1000, 500, 0},
        {SB_THUMBTRACK, 0, 500, 123, 1000, 500, 123}, {SB_THUMBPOSITION, 0, 500, 600, 1000, 500, 500},
        {SB_TOP, 400, 500, 0, 1000, 500, 0},         {SB_ENDSCROLL, 77, 500, 0, 1000, 500, 77},
        {SB_LINEDOWN, 0, 500, 0, 400, 500, 0},  // a side that fits does not scroll
    };
    for (const Case& c : cases) {
        int32_t target = scrollRequestTarget(c.request, c.position, c.page, c.track);
        EXPECT_EQ(clampScroll(target, c.pictureSide, c.viewSide), c.clamped) << c.request << " from " << c.position;
    }
    EXPECT_EQ(clampScroll(scrollRequestTarget(SB_BOTTOM, 0, 500, 0), 1000, 500), 500);
    EXPECT_EQ(wheelScrollPixels(-WHEEL_DELTA), 60);
    EXPECT_EQ(wheelScrollPixels(2 * WHEEL_DELTA), -120);
}

TEST(ToolbarWidth, WindowWidensForTheToolbarWithinTheWorkArea) {
    struct Case {
        LONG window, toolbar, work, expected;
    };
    const Case cases[] = {
        {308, 916, 1280, 916}, {1100, 916, 1280, 1100}, {308, 916, 800, 800}, {261, 150, 1280, 261},
    };
    for (const Case& c : cases)
        EXPECT_EQ(widthForToolbar(c.window, c.toolbar, c.work), c.expected) << c.window << ", " << c.toolbar;
}

// After every step of a session on a screenshot the window shows what a full
// repaint shows: the snapping outline, marks, handles, band, loupe and size
// label leave nothing behind, nor take a piece of each other away.
TEST_F(Repaint, WindowEqualsFullRepaintAfterEverySelectionStep) {
    const UINT down = WM_LBUTTONDOWN, move = WM_MOUSEMOVE, up = WM_LBUTTONUP, key = WM_KEYDOWN;
    const WPARAM held = MK_LBUTTON, wheelDown = MAKEWPARAM(0, WORD(-WHEEL_DELTA)), wheelUp = MAKEWPARAM(0, WHEEL_DELTA);
    struct Step {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;  // a key's: Ctrl held
    } const steps[] = {
        {move, 0, at(150, 150)}, {key, 'E', 0}, {down, held, at(80, 100)}, {move, held, at(200, 220)},  // an outline, an ellipse
        {move, held, at(260, 240)}, {up, 0, at(260, 240)}, {key, 'S', 0}, {down, held, at(100, 100)},   // a 360 x 240 selection
        {move, held, at(300, 200)}, {move, held, at(460, 340)}, {up, 0, at(460, 340)}, {down, held, at(200, 200)},  // moved
        {move, held, at(230, 215)}, {up, 0, at(240, 220)}, {down, held, at(500, 360)}, {move, held, at(560, 400)},  // a handle
        {move, held, at(520, 380)}, {up, 0, at(520, 380)}, {key, 'R', 0}, {0x3F00, 15, RGB(200, 0, 0)},  // width 15
        {down, held, at(100, 300)}, {move, held, at(180, 350)}, {move, held, at(300, 420)}, {up, 0, at(300, 420)},
        {key, 'S', 0}, {key, 'A', 1}, {WM_MOUSEWHEEL, wheelDown, at(100, 100)}, {WM_MOUSEWHEEL, wheelUp, at(100, 100)},
    };
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE | WS_BORDER, 100, 120, 400, 300, nullptr,
                                  nullptr, nullptr, nullptr);
    hostPumpMessages(50);
    ASSERT_EQ(hostClickItem(L"snipLeaf/Screen", {onlineContact}), 0);
    DestroyWindow(window);
    HWND editor = findEditor();
    ASSERT_NE(editor, nullptr);
    const SIZE area = pictureArea(editor);
    for (const Step& step : steps) {
        holdKeys(step.message == key && step.lParam, false);
        SendMessageW(editor, step.message, step.wParam, step.message == key ? 0 : step.lParam);
        holdKeys(false, false);
        RedrawWindow(editor, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        std::vector<COLORREF> shown = shownPixels(editor, area.cx, area.cy);
        EXPECT_TRUE(shown == clientPixels(editor, area.cx, area.cy)) << "step " << (&step - steps);
    }
}
