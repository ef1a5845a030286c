// The selection's handles, size label, keys, loupe, window snapping and the
// annotation tools' previews through the real DLL, driven by mouse and key
// messages; every change of the selection is checked by the exact region that
// Enter then sends. The decisions over numbers are checked in tables first.
#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "editor/annotationPreview.h"
#include "editor/editorView.h"
#include "editor/loupe.h"
#include "editor/selectionEdit.h"
#include "editor/sizeLabel.h"
#include "editorTestSupport.h"
#include "image/annotation.h"
#include "image/drawing.h"
#include "image/gdiplusFlat.h"
#include "image/windowList.h"

using namespace Gdiplus::DllExports;

namespace {

// A colour of its own for every pixel of a picture up to 4096 pixels a side.
COLORREF patternColour(int x, int y) {
    return RGB(x & 0xFF, y & 0xFF, ((x >> 8) << 4) | (y >> 8));
}
uint32_t patternRgb(int x, int y) {
    return uint32_t(x & 0xFF) << 16 | uint32_t(y & 0xFF) << 8 | uint32_t(((x >> 8) << 4) | (y >> 8));
}

bool putPatternOnClipboard(int width, int height) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++)
            SetPixelV(memory, x, y, patternColour(x, y));
    }
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return hostPutBitmapOnClipboard(bitmap);
}

struct Sent {
    UINT width = 0, height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB
};

// What the one delivery held, read back from its bytes.
Sent sentPicture() {
    Sent sent;
    if (hostDeliveries().size() != 1)
        return sent;
    std::wstring path = freshFolder(L"sent") + L"sent.png";
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file)
        return sent;
    const std::vector<uint8_t>& bytes = hostDeliveries()[0].fileBytes;
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
    sent.pixels = filePixels(path, &sent.width, &sent.height);
    for (uint32_t& p : sent.pixels)
        p &= 0x00FFFFFFu;
    return sent;
}

void pressEnter(HWND editor) {
    SendMessageW(editor, WM_KEYDOWN, VK_RETURN, LPARAM(0x001C0001));
    SendMessageW(editor, WM_KEYUP, VK_RETURN, LPARAM(0xC01C0001));
    hostPumpMessages(30);
}

// The region r of the pattern, row by row.
std::vector<uint32_t> patternRegion(const RECT& r) {
    std::vector<uint32_t> pixels;
    for (int y = r.top; y < r.bottom; y++) {
        for (int x = r.left; x < r.right; x++)
            pixels.push_back(patternRgb(x, y));
    }
    return pixels;
}

// Enter sends exactly the region r of the pattern picture.
void expectSentRegion(const RECT& r, const char* what) {
    Sent sent = sentPicture();
    EXPECT_EQ(sent.width, UINT(r.right - r.left)) << what;
    EXPECT_EQ(sent.height, UINT(r.bottom - r.top)) << what;
    EXPECT_TRUE(sent.pixels == patternRegion(r)) << what << ": not the pixels of that region";
}

// The client area above the toolbar; all of it while the toolbar is hidden.
RECT viewOf(HWND editor) {
    RECT client = {};
    GetClientRect(editor, &client);
    HWND toolbar = editorToolbar(editor);
    if (toolbar && IsWindowVisible(toolbar))
        client.bottom = pictureArea(editor).cy;
    return client;
}

// The label is the editor's child with control id 100.
HWND sizeLabelOf(HWND editor) {
    return GetDlgItem(editor, 100);
}

// The label's text while it shows; empty while hidden.
std::wstring labelShown(HWND editor) {
    HWND label = sizeLabelOf(editor);
    return label && IsWindowVisible(label) ? windowText(label) : L"";
}

RECT labelRect(HWND editor) {
    HWND label = sizeLabelOf(editor);
    return label && IsWindowVisible(label) ? childRect(label) : RECT{};
}

void down(HWND editor, POINT p, bool right = false) {
    SendMessageW(editor, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, right ? MK_RBUTTON : MK_LBUTTON, at(p.x, p.y));
}
void moveHeld(HWND editor, POINT p, bool right = false) {
    SendMessageW(editor, WM_MOUSEMOVE, right ? MK_RBUTTON : MK_LBUTTON, at(p.x, p.y));
}
void up(HWND editor, POINT p, bool right = false) {
    SendMessageW(editor, right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, at(p.x, p.y));
}

class SelectionTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        holdKeys(false, false);
        // What an earlier test sent is no send of this one.
        hostClearDeliveries();
        hostAddPictureTransfer(onlineContact, {0});
    }
    void TearDown() override {
        holdKeys(false, false);
        EditorTest::TearDown();
    }
    HWND openPattern(int width, int height) {
        closeOpenEditor();
        EXPECT_TRUE(putPatternOnClipboard(width, height));
        EXPECT_EQ(hostClickItem(L"snipLeaf/Clipboard", {onlineContact}), 0);
        hostPumpMessages(30);
        HWND editor = findEditor();
        if (editor) {
            choosePng(editor);
            SetFocus(editor);
        }
        return editor;
    }
    // A screen-sized pattern in full screen.
    HWND openPatternFullScreen() {
        HWND editor = openPattern(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
        if (!editor)
            return editor;
        enterFullScreen(editor);
        EXPECT_EQ(GetWindowLongW(editor, GWL_STYLE) & WS_CAPTION, 0) << "full screen";
        return editor;
    }
};

}  // namespace

// ---- the decisions, in tables ----

// A handle is taken within 4 pixels of its point in x and in y; right and
// bottom points lie on the first column and row outside; corners win where
// handles of a small selection overlap; elsewhere no handle.
TEST(SelectionHandleHit, FindsTheHandleWithinReach) {
    const RECT selection = {100, 50, 201, 151};
    struct Case {
        POINT p;
        int handle;
    };
    const Case cases[] = {
        {{100, 50}, handleTopLeft},     {{96, 46}, handleTopLeft},       {{95, 50}, handleNone},
        {{104, 54}, handleTopLeft},     {{105, 50}, handleNone},         {{201, 50}, handleTopRight},
        {{205, 46}, handleTopRight},    {{201, 151}, handleBottomRight}, {{197, 155}, handleBottomRight},
        {{100, 151}, handleBottomLeft}, {{150, 50}, handleTop},          {{154, 54}, handleTop},
        {{155, 54}, handleNone},        {{201, 100}, handleRight},       {{150, 151}, handleBottom},
        {{100, 100}, handleLeft},       {{150, 100}, handleNone},
    };
    for (const Case& c : cases)
        EXPECT_EQ(handleAt(selection, c.p), c.handle) << c.p.x << "," << c.p.y;
    EXPECT_EQ(handleAt({10, 10, 14, 14}, {12, 12}), handleTopLeft) << "corners first";
    EXPECT_EQ(handleAt({10, 10, 14, 14}, {16, 12}), handleTopRight);
}

// The handle's sides follow the mouse, the opposite sides stay, a side
// dragged past its opposite one turns the rectangle, and no side leaves the
// 300 x 200 picture; a move keeps the size and stops at the picture's edge,
// and a selection reaching out already is never moved further out.
TEST(SelectionGeometry, ResizesAndMovesWithinThePicture) {
    const RECT r = {60, 40, 200, 140};
    struct Resize {
        int handle;
        int32_t dx, dy;
        RECT expected;
    };
    const Resize resizes[] = {
        {handleTopLeft, -10, 5, {50, 45, 200, 140}},     {handleTopRight, 7, -3, {60, 37, 207, 140}},
        {handleBottomRight, 20, 30, {60, 40, 220, 170}}, {handleBottomLeft, -1, 1, {59, 40, 200, 141}},
        {handleTop, 50, -20, {60, 20, 200, 140}},        {handleRight, -150, 99, {50, 40, 60, 140}},
        {handleBottom, 5, -110, {60, 30, 200, 40}},      {handleLeft, -100, 0, {0, 40, 200, 140}},
        {handleBottomRight, 500, 500, {60, 40, 300, 200}},
    };
    for (const Resize& c : resizes) {
        RECT got = resizedSelection(r, c.handle, c.dx, c.dy, 300, 200);
        EXPECT_TRUE(EqualRect(&got, &c.expected))
            << "handle " << c.handle << ": " << got.left << "," << got.top << "," << got.right << "," << got.bottom;
    }
    struct Move {
        RECT from;
        int32_t dx, dy;
        RECT expected;
    };
    const Move moves[] = {
        {r, 10, -5, {70, 35, 210, 135}},     {r, -100, 0, {0, 40, 140, 140}},
        {r, 150, 150, {160, 100, 300, 200}}, {{-20, 10, 50, 60}, -5, 5, {-20, 15, 50, 65}},
        {{-20, 10, 50, 60}, 30, 0, {10, 10, 80, 60}}, {{0, 0, 400, 100}, 20, 10, {0, 10, 400, 110}},
    };
    for (const Move& c : moves) {
        RECT got = movedSelection(c.from, c.dx, c.dy, 300, 200);
        EXPECT_TRUE(EqualRect(&got, &c.expected))
            << c.dx << "," << c.dy << ": " << got.left << "," << got.top << "," << got.right << "," << got.bottom;
    }
    EXPECT_TRUE(isClick({10, 10}, {12, 8}));
    EXPECT_FALSE(isClick({10, 10}, {13, 10}));
    EXPECT_FALSE(isClick({10, 10}, {10, 7}));
}

// The label goes 6 pixels beyond the corner, to the corner's other side near
// the view's right or bottom edge, and into the view where neither fits; the
// loupe 20 pixels beside the cursor, flipped likewise, and kept in the view.
TEST(OverlayPlacement, KeepsLabelAndLoupeInTheView) {
    const RECT view = {0, 0, 400, 300};
    struct Case {
        POINT corner;
        POINT label, loupe;
    };
    const Case cases[] = {
        {{100, 100}, {106, 106}, {120, 120}},
        {{370, 100}, {304, 106}, {228, 120}},
        {{100, 290}, {106, 264}, {120, 132}},
        {{398, 298}, {332, 272}, {256, 140}},
        {{-50, -40}, {0, 0}, {0, 0}},
        {{30, 10}, {36, 16}, {50, 30}},
    };
    for (const Case& c : cases) {
        POINT label = sizeLabelPosition(c.corner, {60, 20}, view);
        EXPECT_EQ(label.x, c.label.x) << c.corner.x << "," << c.corner.y;
        EXPECT_EQ(label.y, c.label.y) << c.corner.x << "," << c.corner.y;
        POINT loupe = loupePosition(c.corner, {122, 138}, view, view, {});
        EXPECT_EQ(loupe.x, c.loupe.x) << c.corner.x << "," << c.corner.y;
        EXPECT_EQ(loupe.y, c.loupe.y) << c.corner.x << "," << c.corner.y;
    }
    // Clear of the label: another side, or moved past the label.
    struct Avoiding {
        POINT cursor;
        RECT label;
        POINT loupe;
    };
    const Avoiding avoiding[] = {
        {{100, 80}, {106, 86, 166, 109}, {120, 113}},
        {{150, 100}, {156, 106, 216, 129}, {8, 120}},
        {{350, 80}, {284, 86, 344, 109}, {208, 113}},
        {{2, 3}, {106, 106, 166, 129}, {22, 133}},
        {{230, 160}, {236, 166, 296, 189}, {250, 2}},
    };
    for (const Avoiding& c : avoiding) {
        POINT loupe = loupePosition(c.cursor, {122, 138}, view, view, c.label);
        EXPECT_EQ(loupe.x, c.loupe.x) << c.cursor.x << "," << c.cursor.y;
        EXPECT_EQ(loupe.y, c.loupe.y) << c.cursor.x << "," << c.cursor.y;
    }
    // A view too low for the loupe: across the toolbar, within the client area,
    // aside from the label where pushed into it.
    struct Low {
        POINT cursor;
        RECT client, label;
        POINT loupe;
    } const low[] = {{{150, 60}, {0, 0, 400, 125}, {156, 31, 226, 54}, {230, 0}}, {{350, 250}, {0, 0, 400, 300}, {}, {221, 105}}};
    for (const Low& c : low) {
        POINT at = loupePosition(c.cursor, loupeSizeAt(7), {0, 0, 400, 80}, c.client, c.label);
        EXPECT_TRUE(at.x == c.loupe.x && at.y == c.loupe.y) << c.cursor.x << ": " << at.x << "," << at.y;
    }
    wchar_t text[32] = {};
    formatSizeText(text, 32, 210, 120);
    EXPECT_EQ(std::wstring(text), L"210 \u00D7 120");
}

// The update region's rectangles are painted one by one: pieces of one
// rectangle that the region's bands cut apart are joined again, and so are
// neighbours whose common box wastes at most 1024 pixels; rectangles far
// apart stay apart.
TEST(PaintRegion, JoinsPiecesOfOneRectangle) {
    struct Case {
        std::vector<RECT> rects;
        std::vector<RECT> joined;
    };
    const Case cases[] = {
        {{{10, 10, 132, 40}, {10, 40, 132, 90}, {10, 90, 132, 148}}, {{10, 10, 132, 148}}},
        {{{10, 10, 17, 17}, {300, 10, 307, 17}}, {{10, 10, 17, 17}, {300, 10, 307, 17}}},
        {{{0, 0, 100, 10}, {0, 10, 50, 20}, {50, 10, 100, 20}}, {{0, 0, 100, 20}}},
        {{{0, 0, 40, 40}, {40, 40, 80, 80}}, {{0, 0, 40, 40}, {40, 40, 80, 80}}},
        {{{0, 0, 40, 40}, {41, 0, 80, 40}}, {{0, 0, 80, 40}}},
        {{{0, 0, 7, 7}, {200, 0, 207, 7}, {0, 200, 7, 207}, {7, 0, 200, 7}}, {{0, 0, 207, 7}, {0, 200, 7, 207}}},
    };
    for (const Case& c : cases) {
        std::vector<RECT> rects = c.rects;
        DWORD n = mergeUpdateRects(rects.data(), DWORD(rects.size()));
        ASSERT_EQ(n, c.joined.size());
        for (DWORD i = 0; i < n; i++)
            EXPECT_TRUE(EqualRect(&rects[i], &c.joined[i]))
                << i << ": " << rects[i].left << "," << rects[i].top << "," << rects[i].right << "," << rects[i].bottom;
    }
}

// Window rectangles in picture pixels: moved to the captured monitor's corner
// and scaled like a fitted picture, to the nearest pixel.
TEST(WindowList, ScalesScreenRectanglesLikeThePicture) {
    struct Case {
        RECT screen;
        CaptureArea area;
        uint32_t width, height;
        RECT picture;
    };
    const Case cases[] = {
        {{100, 50, 500, 350}, {0, 0, 1920, 1080}, 1920, 1080, {100, 50, 500, 350}},
        {{-1180, 100, -880, 300}, {-1280, 0, 1280, 1024}, 1280, 1024, {100, 100, 400, 300}},
        {{100, 50, 501, 351}, {0, 0, 3840, 2160}, 1920, 1080, {50, 25, 250, 175}},
        {{-10, -10, 3, 3}, {0, 0, 3840, 2160}, 1920, 1080, {-5, -5, 1, 1}},
    };
    for (const Case& c : cases) {
        RECT got = screenToPicture(c.screen, c.area, c.width, c.height);
        EXPECT_TRUE(EqualRect(&got, &c.picture))
            << got.left << "," << got.top << "," << got.right << "," << got.bottom;
    }
}

// The innermost window under a point: the frontmost top-level window holding
// it, then its deepest descendant holding it; a descendant of a window
// further back never wins, nor one of a window not holding the point.
TEST(WindowList, FindsTheInnermostWindowUnderAPoint) {
    WindowList list = {};
    const RecordedWindow windows[] = {
        {{100, 100, 300, 200}, 0, 0},  // 0: front window
        {{110, 110, 200, 190}, 0, 1},  // 1: its panel
        {{120, 120, 150, 140}, 0, 2},  // 2: a button on the panel
        {{250, 110, 290, 130}, 0, 1},  // 3: a control beside the panel
        {{0, 0, 400, 400}, 4, 0},      // 4: a window behind
        {{280, 100, 350, 150}, 4, 1},  // 5: its child, partly under the front window
        {{500, 500, 600, 600}, 6, 0},  // 6: a window elsewhere
    };
    list.count = int32_t(sizeof(windows) / sizeof(windows[0]));
    for (int32_t i = 0; i < list.count; i++)
        list.windows[i] = windows[i];
    struct Case {
        POINT p;
        int32_t found;
    };
    const Case cases[] = {
        {{130, 130}, 2}, {{160, 130}, 1}, {{105, 105}, 0}, {{260, 120}, 3}, {{290, 120}, 0},
        {{320, 120}, 5}, {{50, 50}, 4},   {{550, 550}, 6}, {{450, 450}, -1}, {{300, 150}, 4},
    };
    for (const Case& c : cases)
        EXPECT_EQ(innermostWindowAt(&list, c.p), c.found) << c.p.x << "," << c.p.y;
    EXPECT_EQ(innermostWindowAt(nullptr, {1, 1}), -1);
}

// The rectangles repainted along an arrow cover every pixel drawArrow
// paints, for each direction and pen width.
TEST(ArrowFootprint, CoversEveryPaintedPixel) {
    struct Case {
        POINT a, b;
        int32_t width;
    };
    const Case cases[] = {
        {{10, 10}, {290, 190}, 1}, {{290, 20}, {15, 180}, 15}, {{150, 100}, {152, 101}, 5},
        {{20, 100}, {280, 100}, 3}, {{100, 190}, {100, 5}, 9},
    };
    for (const Case& c : cases) {
        ImageHolder holder = {nullptr};
        ASSERT_EQ(GdipCreateBitmapFromScan0(300, 200, 0, PixelFormat32bppARGB, nullptr, &holder.bitmap), Gdiplus::Ok);
        drawArrow(&holder, c.a.x, c.a.y, c.b.x, c.b.y, 0xFF000000u, c.width);
        RECT pieces[48];
        int n = arrowFootprint(c.a, c.b, c.width, pieces, 48);
        ASSERT_GT(n, 1);
        size_t painted = 0, outside = 0;
        for (int y = 0; y < 200; y++) {
            for (int x = 0; x < 300; x++) {
                Gdiplus::ARGB p = 0;
                GdipBitmapGetPixel(holder.bitmap, x, y, &p);
                if (p != 0xFF000000u)
                    continue;
                painted++;
                bool covered = false;
                for (int i = 0; i < n && !covered; i++)
                    covered = PtInRect(&pieces[i], {x, y}) != 0;
                outside += covered ? 0 : 1;
            }
        }
        EXPECT_GT(painted, 0u);
        EXPECT_EQ(outside, 0u) << c.a.x << "," << c.a.y << " width " << c.width;
        GdipDisposeImage(holder.bitmap);
    }
}

// ---- through the real DLL ----

// The label's text while the drag goes on and after the release, for the
// selection's gestures and the drawing tools that show a size; it gives the
// size cut to the picture, sits 6 pixels beyond the corner and stays in the
// view near its edge. The arrow shows none, an empty selection none, and the
// selection's label is the Select tool's alone.
TEST_F(SelectionTest, LabelGivesTheSizeWhileDraggingAndAfter) {
    struct Case {
        const char* what;
        WPARAM tool;
        bool selectFirst;  // (20, 20) to (120, 80) first
        POINT from, mid, to;
        const wchar_t* whileDragging;
        const wchar_t* after;
        POINT labelAt;  // after; x -1: anywhere in the view
    };
    const wchar_t* const first = L"100 \u00D7 60";
    const Case cases[] = {
        {"a new selection", 'S', false, {30, 20}, {100, 60}, {130, 80}, L"70 \u00D7 40", first, {136, 86}},
        {"beyond the picture", 'S', false, {250, 150}, {320, 230}, {330, 260}, L"50 \u00D7 50", L"50 \u00D7 50", {-1, -1}},
        {"a click", 'S', false, {40, 40}, {41, 41}, {40, 40}, L"1 \u00D7 1", L"", {}},
        {"a rectangle", 'R', false, {10, 10}, {50, 40}, {60, 50}, L"40 \u00D7 30", L"", {}},
        {"an ellipse", 'E', true, {70, 90}, {20, 100}, {10, 110}, L"50 \u00D7 10", L"", {}},
        {"a highlight", 'H', false, {10, 10}, {50, 40}, {60, 50}, L"40 \u00D7 30", L"", {}},
        {"a redaction", 'O', true, {150, 100}, {200, 130}, {210, 140}, L"50 \u00D7 30", L"", {}},
        {"an arrow", 'A', true, {150, 100}, {200, 130}, {210, 140}, L"", L"", {}},
        {"an arrow alone", 'A', false, {150, 100}, {200, 130}, {210, 140}, L"", L"", {}},
        {"a handle", 'S', true, {120, 80}, {150, 100}, {160, 110}, L"130 \u00D7 80", L"140 \u00D7 90", {166, 116}},
        {"a move", 'S', true, {50, 50}, {60, 70}, {70, 90}, first, first, {146, 126}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HWND editor = openPattern(300, 200);
        ASSERT_NE(editor, nullptr);
        // The picture shows whole; the window is as wide as both toolbars.
        const SIZE view = pictureArea(editor);
        ASSERT_EQ(view.cy, 200);
        ASSERT_GE(view.cx, 300);
        EXPECT_EQ(labelShown(editor), L"") << "a new editor's selection has none";
        if (c.selectFirst) {
            drag(editor, false, {{20, 20}, {120, 80}});
            EXPECT_EQ(labelShown(editor), first);
        }
        press(editor, c.tool);
        down(editor, c.from);
        moveHeld(editor, c.mid);
        EXPECT_EQ(labelShown(editor), c.whileDragging);
        moveHeld(editor, c.to);
        up(editor, c.to);
        EXPECT_EQ(labelShown(editor), c.after);
        RECT label = labelRect(editor);
        if (c.after[0] && c.labelAt.x >= 0) {
            EXPECT_EQ(label.left, c.labelAt.x) << "6 pixels beyond the corner";
            EXPECT_EQ(label.top, c.labelAt.y) << "6 pixels beyond the corner";
        }
        if (c.after[0]) {
            EXPECT_TRUE(label.left >= 0 && label.top >= 0 && label.right <= view.cx && label.bottom <= 200)
                << "inside the view";
        }
    }
}

// Each handle drags its sides and no other, a move keeps the size and stays
// in the picture, a click changes nothing, a press elsewhere starts a new
// selection, and the right button's drag always does and sends it at its
// release, while its click leaves the selection for its menu: each checked
// by the exact region sent, in the window and in full screen.
TEST_F(SelectionTest, HandlesAndMovesGiveTheRegionEnterSends) {
    struct Case {
        const char* what;
        bool selectFirst;  // (60, 40) to (200, 140) first
        bool right;
        bool fullScreen;
        POINT from, to;
        RECT sent;
    };
    const Case cases[] = {
        {"top-left", true, false, false, {62, 43}, {42, 23}, {40, 20, 200, 140}},
        {"top-right", true, false, false, {200, 40}, {230, 60}, {60, 60, 230, 140}},
        {"bottom-right", true, false, false, {203, 137}, {253, 187}, {60, 40, 250, 190}},
        {"bottom-left", true, false, false, {60, 140}, {30, 110}, {30, 40, 200, 110}},
        {"top", true, false, false, {130, 40}, {0, 10}, {60, 10, 200, 140}},
        {"right", true, false, false, {200, 90}, {250, 0}, {60, 40, 250, 140}},
        {"bottom", true, false, false, {130, 140}, {130, 199}, {60, 40, 200, 199}},
        {"left, past the right side", true, false, false, {60, 90}, {240, 90}, {200, 40, 240, 140}},
        {"a corner beyond the picture", true, false, false, {200, 140}, {400, 400}, {60, 40, 300, 200}},
        {"a click on a handle", true, false, false, {200, 140}, {202, 138}, {60, 40, 200, 140}},
        {"a move", true, false, false, {100, 100}, {130, 80}, {90, 20, 230, 120}},
        {"a move held at the edge", true, false, false, {100, 100}, {300, 0}, {160, 0, 300, 100}},
        {"a click inside", true, false, false, {100, 100}, {101, 102}, {60, 40, 200, 140}},
        {"a press outside", true, false, false, {20, 180}, {250, 190}, {20, 180, 250, 190}},
        {"along one row", false, false, false, {20, 50}, {250, 50}, {20, 50, 250, 51}},
        {"just out of a handle's reach", true, false, false, {55, 35}, {20, 10}, {20, 10, 55, 35}},
        {"a new editor's selection", false, false, false, {100, 100}, {150, 150}, {100, 100, 150, 150}},
        {"the right button on a handle", true, true, false, {200, 140}, {250, 180}, {200, 140, 250, 180}},
        {"the right button inside", true, true, false, {100, 100}, {150, 120}, {100, 100, 150, 120}},
        {"a right click, the menu's", true, true, false, {100, 100}, {102, 98}, {60, 40, 200, 140}},
        {"full screen: a right click", true, true, true, {100, 100}, {100, 100}, {60, 40, 200, 140}},
        {"full screen: bottom-right", true, false, true, {200, 140}, {1500, 1500}, {60, 40, 1280, 1024}},
        {"full screen: a move", true, false, true, {100, 100}, {90, 300}, {50, 240, 190, 340}},
    };
    DialogAnswers answers;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        hostClearDeliveries();
        HWND editor = c.fullScreen ? openPatternFullScreen() : openPattern(300, 200);
        ASSERT_NE(editor, nullptr);
        if (c.selectFirst)
            drag(editor, false, {{60, 40}, {200, 140}});
        MenuAnswer menu;
        drag(editor, c.right, {c.from, {(c.from.x + c.to.x) / 2, (c.from.y + c.to.y) / 2}, c.to});
        bool rightClick = c.right && isClick(c.from, c.to);
        EXPECT_EQ(menu.rows.empty(), !rightClick) << "a right click opens the menu";
        if (!c.right || rightClick)
            pressEnter(editor);
        hostPumpMessages(30);
        EXPECT_TRUE(answers.shown.empty());
        ASSERT_EQ(hostDeliveries().size(), 1u);
        expectSentRegion(c.sent, c.what);
        if (HWND still = findEditor())
            SendMessageW(still, WM_COMMAND, 15, 0);
    }
}

// Releases without their press, key repeats and selections given up send
// nothing and leave the selection; a drag afterwards makes a new one. Steps:
// s, d, t a drag of Select (below), R, A, N the tool key (N opens a box at
// its drag), l, r a left or right release alone, p a drag then a new editor
// (a double-click's second release in the open-file dialog), a Ctrl+A, e
// Escape, c a Ctrl+Enter down, k its repeat, u Enter up, w a whole send the
// contact refuses. Each row ends with Enter, checked by the region it sends.
TEST_F(SelectionTest, StrayReleasesAndRepeatsLeaveTheSelection) {
    struct Drag {
        char step;
        POINT from, to;
    };
    const Drag drags[] = {{'s', {30, 20}, {120, 90}}, {'d', {60, 50}, {100, 80}}, {'t', {32, 22}, {100, 80}},
                          {'p', {200, 150}, {210, 160}}, {'N', {150, 100}, {150, 100}}};
    struct Case {
        const char* what;
        const char* steps;
        RECT sent;
    };
    const RECT whole = {0, 0, 300, 200}, selected = {30, 20, 120, 90};
    const Case cases[] = {
        {"right release unseen", "r", whole},          {"left release unseen, Select", "sl", selected},
        {"Rectangle", "sRl", selected},                {"Arrow", "sAl", selected},
        {"a release in a new editor", "pl", whole},    {"a held Ctrl+Enter", "sNckku", selected},
        {"the key-down that commits", "sNcu", selected}, {"Escape", "aed", {60, 50, 100, 80}},
        {"a refused whole send", "swt", {32, 22, 100, 80}},
    };
    DialogAnswers answers;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HWND editor = openPattern(300, 200);
        ASSERT_NE(editor, nullptr);
        for (const char* step = c.steps; *step; step++) {
            if (*step == 'R' || *step == 'A' || *step == 'N')
                SendMessageW(editor, WM_KEYDOWN, WPARAM(*step), 0);
            for (const Drag& d : drags)
                if (d.step == *step)
                    drag(editor, false, {d.from, d.to});
            if (*step == 'p')
                editor = openPattern(300, 200);
            if (*step == 'l' || *step == 'r')
                up(editor, {100, 70}, *step == 'r');
            if (*step == 'a' || *step == 'e')
                press(editor, *step == 'a' ? 'A' : VK_ESCAPE, *step == 'a');
            if (*step == 'e') {
                EXPECT_EQ(labelShown(editor), L"") << "no label";
                const std::vector<COLORREF> shown = clientPixels(editor, 300, 200);
                EXPECT_TRUE(std::vector<uint32_t>(shown.begin(), shown.end()) == patternRegion(whole)) << "no mark";
            }
            if (*step == 'c' || *step == 'k') {
                holdKeys(true, false);
                SendMessageW(editor, WM_KEYDOWN, VK_RETURN, *step == 'k' ? 0x401C0001 : 0x001C0001);
                holdKeys(false, false);
            }
            if (*step == 'u')
                SendMessageW(editor, WM_KEYUP, VK_RETURN, LPARAM(0xC01C0001));
            if (*step == 'w') {
                hostAddPictureTransfer(onlineContact, {answerFail, 0});
                SendMessageW(editor, WM_COMMAND, 12, 0);
                hostClearDeliveries();
            }
        }
        hostPumpMessages(30);
        ASSERT_TRUE(IsWindow(editor) && hostDeliveries().empty()) << "nothing sent before Enter";
        pressEnter(editor);
        expectSentRegion(c.sent, c.what);
        hostClearDeliveries();
    }
}

// Counts the tool choices the toolbar is told of: a tool key checks or
// unchecks its buttons.
LRESULT CALLBACK countToolChoices(HWND toolbar, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                  DWORD_PTR count) {
    if (message == TB_CHECKBUTTON)
        ++*reinterpret_cast<int*>(count);
    return DefSubclassProc(toolbar, message, wParam, lParam);
}

// Enter with the right Alt key held, through SendInput: the system keys and
// the right Alt's state that Wine gives once the X layout changed while it
// ran (the letters come as system keys too, which are no command anyway).
void rightAltEnter() {
    const WORD keys[] = {VK_RMENU, VK_RETURN, VK_RETURN, VK_RMENU};
    INPUT inputs[4] = {};
    for (int i = 0; i < 4; i++) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = keys[i];
        inputs[i].ki.dwFlags = (i >= 2 ? KEYEVENTF_KEYUP : 0) | (keys[i] == VK_RMENU ? KEYEVENTF_EXTENDEDKEY : 0);
    }
    SendInput(4, inputs, sizeof(INPUT));
    hostPumpMessages(50);
}

// AltGr in each way it reaches the editor. Wine started on the Polish X
// layout gives the right Alt key a spare key code and no modifier state: its
// letters come as plain keys, only their characters tell (ś is not S).
// Windows gives Ctrl and Alt. Both typed on the X server's own keyboard.
// Wine whose layout changed while it ran gives the right Alt key. On a
// screenshot, which Alt+Enter would take to full screen, no tool key, no Ctrl
// command, no arrow, Enter nor Escape acts; Select then makes the selection
// Enter sends.
TEST_F(SelectionTest, NoKeyIsACommandWithAltGrOnTheRealKeyboard) {
    // xdotool lets Ctrl go after each ctrl+ key: with Ctrl held as part of
    // AltGr, the plain letters are the Ctrl commands.
    const std::string tools = "s f l r e t a h o n i ";
    struct Road {
        const char* name;
        std::string hold, letGo, keys;  // none: SendInput
    };
    const Road roads[] = {
        {"Wine's AltGr", "108", "108",
         tools + "ctrl+z ctrl+y ctrl+c ctrl+s ctrl+a Left Down ctrl+Right ctrl+Up Return Escape"},
        {"Ctrl and Alt", "Control_L Alt_L", "Alt_L Control_L", tools + "z y c Left Down Right Up Return Escape"},
        {"the right Alt key", "", "", ""},
    };
    DialogAnswers answers;
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        ASSERT_EQ(hostClickItem(L"snipLeaf/Screen", {onlineContact}), 0);
        HWND editor = findEditor();
        ASSERT_NE(editor, nullptr);
        choosePng(editor);
        SetForegroundWindow(editor);
        SetFocus(editor);
        SendMessageW(editor, WM_KEYDOWN, 'R', 0);
        drag(editor, false, {{150, 120}, {200, 160}});
        drag(editor, false, {{210, 120}, {260, 160}});
        press(editor, 'Z', true);
        SendMessageW(editor, WM_KEYDOWN, 'S', 0);
        drag(editor, false, {{30, 20}, {120, 90}});
        const auto before = clientPixels(editor, 300, 200);
        const LONG style = GetWindowLongW(editor, GWL_STYLE);
        const DWORD clipboard = GetClipboardSequenceNumber();
        int toolChoices = 0;
        SetWindowSubclass(editorToolbar(editor), countToolChoices, 1, DWORD_PTR(&toolChoices));
        if (road.hold.empty())
            rightAltEnter();
        else
            ASSERT_TRUE(typeOnX("keydown " + road.hold + " sleep 0.05 key --delay 25 " + road.keys + " sleep 0.05 keyup " +
                                road.letGo));
        RemoveWindowSubclass(editorToolbar(editor), countToolChoices, 1);
        EXPECT_EQ(toolChoices, 0) << "no tool chosen";
        EXPECT_TRUE(clientPixels(editor, 300, 200) == before) << "nothing undone, redone, selected or moved";
        EXPECT_EQ(GetWindowLongW(editor, GWL_STYLE), style) << "not full screen";
        EXPECT_EQ(GetClipboardSequenceNumber(), clipboard) << "nothing copied";
        EXPECT_TRUE(answers.fileDialogTitle.empty() && answers.shown.empty()) << "nothing saved";
        ASSERT_TRUE(hostDeliveries().empty() && IsWindow(editor)) << "nothing sent";
        drag(editor, false, {{150, 30}, {190, 60}});
        pressEnter(editor);
        Sent sent = sentPicture();
        EXPECT_EQ(sent.width * 1000 + sent.height, 40u * 1000 + 30u) << "the selection Select made";
        hostClearDeliveries();
    }
}

// The handles are 7 x 7 squares, black-edged and white inside, at the
// corners and the sides' middles, painted over the focus rectangle on the
// window; around the band while a handle is dragged. The picture itself
// keeps none of them.
TEST_F(SelectionTest, HandlesArePaintedOnTheWindowOnly) {
    const COLORREF grey = RGB(0x80, 0x80, 0x80);
    HWND editor = openSolidFromClipboard(300, 200, grey);
    ASSERT_NE(editor, nullptr);
    choosePng(editor);
    drag(editor, false, {{60, 40}, {200, 140}});
    const RECT selection = {60, 40, 200, 140};
    struct Stage {
        const char* what;
        RECT handlesAround;
        bool midDrag;
    };
    const Stage stages[] = {{"after the selection", selection, false}, {"while a handle is dragged", {60, 40, 230, 170}, true}};
    for (const Stage& stage : stages) {
        SCOPED_TRACE(stage.what);
        if (stage.midDrag) {
            down(editor, {200, 140});
            UpdateWindow(editor);
            moveHeld(editor, {215, 155});
            moveHeld(editor, {230, 170});
        }
        UpdateWindow(editor);
        std::vector<COLORREF> shown = shownPixels(editor, 300, 200);
        EXPECT_EQ(shown, clientPixels(editor, 300, 200)) << "what a fresh paint shows";
        PixelSet squares = handleSquares(stage.handlesAround);
        PixelSet skip = rectPixels(labelRect(editor));
        if (stage.midDrag)
            // The loupe, flipped up, and left of the cursor or right of it
            // where the window, as wide as both toolbars, leaves it room.
            skip = unite(skip, unite(rectPixels({86, 10, 210, 150}), rectPixels({250, 10, 374, 150})));
        EXPECT_EQ(minus(pixelsOf(shown, 300, 0x000000), skip), minus(handleBorders(stage.handlesAround), skip));
        EXPECT_EQ(minus(pixelsOf(shown, 300, 0xFFFFFF), skip),
                  minus(minus(squares, handleBorders(stage.handlesAround)), skip));
        PixelSet marked;
        for (size_t i = 0; i < shown.size(); i++) {
            if (shown[i] != 0x808080)
                marked.insert({int(i % 300), int(i / 300)});
        }
        PixelSet focus = focusRectPixels(stage.handlesAround, 300, 200);
        EXPECT_EQ(minus(marked, skip), minus(unite(focus, squares), skip));
    }
    up(editor, {230, 170});
    hostClearDeliveries();
    SendMessageW(editor, WM_COMMAND, 12, 0);
    hostPumpMessages(30);
    Sent sent = sentPicture();
    ASSERT_EQ(sent.width, 300u);
    ASSERT_EQ(sent.height, 200u);
    EXPECT_EQ(std::set<uint32_t>(sent.pixels.begin(), sent.pixels.end()), std::set<uint32_t>{0x808080u});
}

// The cursor tells what a press would do: a size cursor on each handle, the
// move cursor inside a marked selection, the cross elsewhere and in a new
// editor, whose whole-picture selection has no handles.
TEST_F(SelectionTest, CursorShowsWhatAPressWouldDo) {
    struct Case {
        bool selectFirst;
        POINT p;
        const wchar_t* cursor;
    };
    const Case cases[] = {
        {true, {60, 40}, IDC_SIZENWSE},  {true, {203, 43}, IDC_SIZENESW}, {true, {200, 140}, IDC_SIZENWSE},
        {true, {57, 140}, IDC_SIZENESW}, {true, {130, 40}, IDC_SIZENS},   {true, {200, 90}, IDC_SIZEWE},
        {true, {130, 144}, IDC_SIZENS},  {true, {60, 90}, IDC_SIZEWE},    {true, {100, 100}, IDC_SIZEALL},
        {true, {20, 20}, IDC_CROSS},     {true, {55, 90}, IDC_CROSS},     {false, {100, 100}, IDC_CROSS},
    };
    for (const Case& c : cases) {
        HWND editor = openPattern(300, 200);
        ASSERT_NE(editor, nullptr);
        if (c.selectFirst)
            drag(editor, false, {{60, 40}, {200, 140}});
        POINT screen = c.p;
        ClientToScreen(editor, &screen);
        SetCursorPos(screen.x, screen.y);
        SetCursor(nullptr);
        SendMessageW(editor, WM_SETCURSOR, WPARAM(editor), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, c.cursor)) << c.p.x << "," << c.p.y;
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
}

// Arrows move the selection 1 pixel, 10 with Shift; with Ctrl they move its
// right or bottom side; Ctrl+A selects the whole picture. Nothing leaves the
// picture, the label follows, and Enter sends exactly the result.
TEST_F(SelectionTest, KeysMoveAndResizeWithinThePicture) {
    struct Case {
        const char* what;
        bool selectFirst;  // (60, 40) to (200, 140) first
        bool fullScreen;
        WPARAM key;
        bool control, shift;
        int times;
        RECT sent;
        const wchar_t* label;
    };
    const Case cases[] = {
        {"left", true, false, VK_LEFT, false, false, 1, {59, 40, 199, 140}, L"140 \u00D7 100"},
        {"shift right", true, false, VK_RIGHT, false, true, 1, {70, 40, 210, 140}, L"140 \u00D7 100"},
        {"up", true, false, VK_UP, false, false, 1, {60, 39, 200, 139}, L"140 \u00D7 100"},
        {"shift down, three", true, false, VK_DOWN, false, true, 3, {60, 70, 200, 170}, L"140 \u00D7 100"},
        {"shift down to the edge", true, false, VK_DOWN, false, true, 9, {60, 100, 200, 200}, L"140 \u00D7 100"},
        {"shift left to the edge", true, false, VK_LEFT, false, true, 7, {0, 40, 140, 140}, L"140 \u00D7 100"},
        {"ctrl right", true, false, VK_RIGHT, true, false, 1, {60, 40, 201, 140}, L"141 \u00D7 100"},
        {"ctrl shift left", true, false, VK_LEFT, true, true, 2, {60, 40, 180, 140}, L"120 \u00D7 100"},
        {"ctrl down", true, false, VK_DOWN, true, false, 1, {60, 40, 200, 141}, L"140 \u00D7 101"},
        {"ctrl shift up past the top", true, false, VK_UP, true, true, 12, {60, 40, 200, 41}, L"140 \u00D7 1"},
        {"ctrl shift right to the edge", true, false, VK_RIGHT, true, true, 20, {60, 40, 300, 140}, L"240 \u00D7 100"},
        {"ctrl A", true, false, 'A', true, false, 1, {0, 0, 300, 200}, L"300 \u00D7 200"},
        {"an arrow in a new editor", false, false, VK_LEFT, false, false, 1, {0, 0, 300, 200}, L""},
        {"ctrl A in a new editor", false, false, 'A', true, false, 1, {0, 0, 300, 200}, L"300 \u00D7 200"},
        {"ctrl left in a new editor", false, false, VK_LEFT, true, false, 1, {0, 0, 299, 200}, L"299 \u00D7 200"},
        {"full screen: ctrl A", false, true, 'A', true, false, 1, {0, 0, 1280, 1024}, L"1280 \u00D7 1024"},
        {"full screen: shift right", true, true, VK_RIGHT, false, true, 2, {80, 40, 220, 140}, L"140 \u00D7 100"},
    };
    DialogAnswers answers;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        hostClearDeliveries();
        HWND editor = c.fullScreen ? openPatternFullScreen() : openPattern(300, 200);
        ASSERT_NE(editor, nullptr);
        if (c.selectFirst)
            drag(editor, false, {{60, 40}, {200, 140}});
        for (int i = 0; i < c.times; i++)
            press(editor, c.key, c.control, c.shift);
        EXPECT_EQ(labelShown(editor), c.label);
        if (c.label[0]) {
            RECT label = labelRect(editor);
            RECT expected = {};
            POINT corner = {c.sent.right, c.sent.bottom};
            SIZE size = {label.right - label.left, label.bottom - label.top};
            POINT place = sizeLabelPosition(corner, size, viewOf(editor));
            expected = {place.x, place.y, place.x + size.cx, place.y + size.cy};
            EXPECT_TRUE(EqualRect(&label, &expected)) << "the label follows";
        }
        pressEnter(editor);
        EXPECT_TRUE(answers.shown.empty());
        ASSERT_EQ(hostDeliveries().size(), 1u);
        expectSentRegion(c.sent, c.what);
        if (HWND still = findEditor())
            SendMessageW(still, WM_COMMAND, 15, 0);
    }
}

namespace {

// Test windows of one solid colour each, for the screenshot to show.
LRESULT CALLBACK solidWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) {
        RECT r = {};
        GetClientRect(window, &r);
        HBRUSH brush = CreateSolidBrush(COLORREF(GetWindowLongPtrW(window, GWLP_USERDATA)));
        FillRect(reinterpret_cast<HDC>(wParam), &r, brush);
        DeleteObject(brush);
        return 1;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND solidWindow(HWND parent, RECT r, COLORREF colour) {
    static ATOM registered = [] {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = solidWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"snipLeafTestSolid";
        return RegisterClassW(&wc);
    }();
    if (!registered)
        return nullptr;
    DWORD style = (parent ? WS_CHILD : WS_POPUP) | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    HWND window = CreateWindowExW(0, L"snipLeafTestSolid", L"", style, r.left, r.top, r.right - r.left,
                                  r.bottom - r.top, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, LONG_PTR(colour));
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
    return window;
}

// The screen rectangles of the test's windows and their colours, front first.
const COLORREF colourA = RGB(200, 40, 40), colourA1 = RGB(40, 200, 40), colourA1a = RGB(40, 40, 200),
               colourB = RGB(230, 200, 30);
const RECT rectA = {100, 120, 500, 420}, rectA1 = {150, 160, 270, 220}, rectA1a = {160, 170, 190, 190},
           rectB = {400, 300, 700, 500};

uint32_t shownColour(int x, int y) {
    struct Layer {
        const RECT* rect;
        COLORREF colour;
    };
    const Layer layers[] = {{&rectB, colourB}, {&rectA1a, colourA1a}, {&rectA1, colourA1}, {&rectA, colourA}};
    for (const Layer& layer : layers) {
        if (PtInRect(layer.rect, {x, y}))
            return uint32_t(GetRValue(layer.colour)) << 16 | uint32_t(GetGValue(layer.colour)) << 8 |
                   GetBValue(layer.colour);
    }
    return 0xFFFFFFFFu;  // no test window there
}

// The screen's pixels over r, read back now.
std::vector<uint32_t> screenRegion(const RECT& r) {
    std::vector<uint32_t> pixels;
    for (int y = r.top; y < r.bottom; y++) {
        for (int x = r.left; x < r.right; x++)
            pixels.push_back(shownColour(x, y));
    }
    return pixels;
}

// The clipboard's bitmap as 0x00RRGGBB, row by row.
std::vector<uint32_t> clipboardPixels(int width, int height) {
    std::vector<uint32_t> pixels(size_t(width) * height);
    if (!OpenClipboard(nullptr))
        return {};
    auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    HDC screen = GetDC(nullptr);
    int rows = bitmap ? GetDIBits(screen, bitmap, 0, UINT(height), pixels.data(), &info, DIB_RGB_COLORS) : 0;
    ReleaseDC(nullptr, screen);
    CloseClipboard();
    if (rows != height)
        return {};
    for (uint32_t& p : pixels)
        p &= 0x00FFFFFFu;
    return pixels;
}

size_t differingOutside(const std::vector<COLORREF>& a, const std::vector<uint32_t>& b, int width,
                        const PixelSet& skip) {
    size_t n = a.size() == b.size() ? 0 : 1;
    for (size_t i = 0; i < a.size() && i < b.size(); i++) {
        if (a[i] != b[i] && !skip.count({int(i % size_t(width)), int(i / size_t(width))}))
            n++;
    }
    return n;
}

}  // namespace

// A click with Select on a screenshot selects the innermost window under it,
// cut to the picture, and Shift+click its top-level window; the window in
// front wins. A drag, the right button's drag and a click where no window
// lies do what they always did. Each is checked by the exact region Enter sends.
// Without a button held, the window a click would select is outlined. A
// screenshot that replaces an open editor snaps as a first one does.
TEST_F(SelectionTest, AClickSelectsTheWindowUnderIt) {
    HWND a = solidWindow(nullptr, rectA, colourA);
    HWND a1 = solidWindow(a, {50, 40, 170, 100}, colourA1);
    HWND a1a = solidWindow(a1, {10, 10, 40, 30}, colourA1a);
    HWND b = solidWindow(nullptr, rectB, colourB);
    ASSERT_TRUE(a && a1 && a1a && b);
    hostPumpMessages(100);
    struct Case {
        const char* what;
        POINT from, to;
        bool shift, right;
        RECT sent;  // empty: nothing is sent
        bool overAnEditor = false;
    };
    const Case cases[] = {
        {"a top-level window", {120, 140}, {120, 140}, false, false, rectA},
        {"a control, over an open editor", {200, 200}, {200, 200}, false, false, rectA1, true},
        {"a child control", {200, 200}, {200, 200}, false, false, rectA1},
        {"a control inside a control", {170, 180}, {170, 180}, false, false, rectA1a},
        {"shift on a control", {170, 180}, {170, 180}, true, false, rectA},
        {"the window in front", {450, 350}, {450, 350}, false, false, rectB},
        {"released 2 pixels away", {202, 198}, {200, 200}, false, false, rectA1},
        {"a drag", {120, 140}, {180, 200}, false, false, {120, 140, 180, 200}},
        {"the right button's drag", {120, 140}, {160, 190}, false, true, {120, 140, 160, 190}},
        {"no window there", {50, 700}, {50, 700}, false, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DialogAnswers answers;
        hostClearDeliveries();
        if (c.overAnEditor) {
            ASSERT_TRUE(hostPutPictureOnClipboard(80, 60));
            ASSERT_EQ(hostClickItem(L"snipLeaf/Clipboard", {onlineContact}), 0);
        }
        EXPECT_EQ(hostClickItem(L"snipLeaf/Screen", {onlineContact}), 0);
        HWND editor = findEditor();
        ASSERT_NE(editor, nullptr);
        choosePng(editor);
        SetFocus(editor);
        down(editor, c.from, c.right);
        holdKeys(false, c.shift);
        up(editor, c.to, c.right);
        holdKeys(false, false);
        if (!c.right)
            pressEnter(editor);
        hostPumpMessages(30);
        if (IsRectEmpty(&c.sent)) {
            EXPECT_TRUE(hostDeliveries().empty());
            EXPECT_EQ(answers.shown.size(), 1u) << "the empty selection is told";
        } else {
            ASSERT_EQ(hostDeliveries().size(), 1u);
            Sent sent = sentPicture();
            EXPECT_EQ(sent.width, UINT(c.sent.right - c.sent.left));
            EXPECT_EQ(sent.height, UINT(c.sent.bottom - c.sent.top));
            EXPECT_TRUE(sent.pixels == screenRegion(c.sent)) << "not the pixels of that region";
        }
        if (HWND still = findEditor())
            SendMessageW(still, WM_COMMAND, 15, 0);
    }
    // With no button held the window a click would select is outlined two
    // pixels inside its edge, on the window only; with Shift its top-level
    // window; nothing where no window lies, nor on a clipboard picture.
    EXPECT_EQ(hostClickItem(L"snipLeaf/Screen", {onlineContact}), 0);
    HWND editor = findEditor();
    ASSERT_NE(editor, nullptr);
    auto frame = [](const RECT& r) { return minus(rectPixels(r), rectPixels({r.left + 2, r.top + 2, r.right - 2, r.bottom - 2})); };
    struct Hover {
        POINT p;
        WPARAM keys;
        PixelSet outline;
    };
    const Hover hovers[] = {
        {{200, 200}, 0, frame(rectA1)}, {{200, 200}, MK_SHIFT, frame(rectA)}, {{120, 400}, 0, frame(rectA)},
        {{650, 450}, 0, frame(rectB)},   {{50, 700}, 0, {}},
    };
    for (const Hover& h : hovers) {
        SendMessageW(editor, WM_MOUSEMOVE, h.keys, at(h.p.x, h.p.y));
        UpdateWindow(editor);
        EXPECT_EQ(pixelsOf(shownPixels(editor, 720, 520), 720, RGB(128, 0, 255)), h.outline) << h.p.x << "," << h.p.y;
    }
    DestroyWindow(b);
    DestroyWindow(a);
    HWND clipboard = openPattern(300, 200);
    ASSERT_NE(clipboard, nullptr);
    SendMessageW(clipboard, WM_MOUSEMOVE, 0, at(120, 140));
    UpdateWindow(clipboard);
    EXPECT_EQ(clientPixels(clipboard, 300, 200), shownPixels(clipboard, 300, 200));
}

namespace {

// A window of a snapping layout: top-level (parent -1) or a child of an
// earlier one, at r in its parent's client pixels, in front of those made
// before it; a hole cut out of it by its region where hole is not empty.
struct LayoutWindow {
    int parent;
    RECT r;
    RECT hole;
};

std::vector<HWND> makeLayout(const std::vector<LayoutWindow>& windows, int nested) {
    std::vector<HWND> made;
    for (const LayoutWindow& w : windows) {
        HWND window = solidWindow(w.parent < 0 ? nullptr : made[size_t(w.parent)], w.r,
                                  RGB(40 + 50 * made.size() % 200, 200 - 30 * made.size() % 150, 90));
        SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        if (!IsRectEmpty(&w.hole)) {
            HRGN shape = CreateRectRgn(0, 0, w.r.right - w.r.left, w.r.bottom - w.r.top);
            HRGN hole = CreateRectRgnIndirect(&w.hole);
            CombineRgn(shape, shape, hole, RGN_DIFF);
            DeleteObject(hole);
            SetWindowRgn(window, shape, TRUE);
        }
        made.push_back(window);
    }
    for (int level = 1; level <= nested; level++) {
        RECT r = windows.back().r;
        LONG side = r.right - r.left - 8 * level;
        made.push_back(solidWindow(made.back(), {4, 4, 4 + side, 4 + side}, RGB(level * 5, 120, 255 - level * 5)));
    }
    hostPumpMessages(100);
    return made;
}

// What a screenshot editor shows and Enter sends after the mouse went down
// at from and up at to.
struct Selected {
    std::vector<COLORREF> shown;
    Sent sent;
};

Selected selectOnScreenshot(POINT from, POINT to) {
    Selected result;
    hostClearDeliveries();
    EXPECT_EQ(hostClickItem(L"snipLeaf/Screen", {onlineContact}), 0);
    HWND editor = findEditor();
    if (!editor)
        return result;
    choosePng(editor);
    SetFocus(editor);
    down(editor, from);
    moveHeld(editor, to);
    up(editor, to);
    UpdateWindow(editor);
    RECT client = {};
    GetClientRect(editor, &client);
    result.shown = shownPixels(editor, client.right, client.bottom);
    pressEnter(editor);
    result.sent = sentPicture();
    if (HWND still = findEditor())
        SendMessageW(still, WM_COMMAND, 15, 0);
    return result;
}

}  // namespace

// A click selects the innermost window the screen showed under it, cut to
// the picture: a child only where its parent shows it, the front one of
// siblings, nothing in a window's hole. Enter sends that region, and the
// window shows the same mark, handles and label as when it is dragged.
TEST_F(SelectionTest, AClickSelectsWhatTheScreenShowed) {
    struct Layout {
        const char* what;
        std::vector<LayoutWindow> windows;
        int nested;
        POINT click;
        RECT selected;
    };
    const Layout layouts[] = {
        {"a front panel over a child of the back panel",
         {{-1, {100, 120, 600, 420}, {}}, {0, {20, 20, 300, 250}, {}}, {1, {200, 100, 260, 200}, {}},
          {0, {150, 50, 400, 280}, {}}},
         0, {340, 260}, {250, 170, 500, 400}},
        {"a child beyond its parent",
         {{-1, {400, 450, 800, 750}, {}}, {-1, {100, 500, 400, 700}, {}}, {1, {200, 50, 500, 150}, {}}},
         0, {350, 600}, {300, 550, 400, 650}},
        {"a hole in a shaped window",
         {{-1, {650, 50, 1100, 450}, {}}, {-1, {700, 100, 1000, 400}, {100, 100, 200, 200}}},
         0, {850, 250}, {650, 50, 1100, 450}},
        {"a window off the screen's edge", {{-1, {-60, 450, 200, 600}, {}}}, 0, {50, 500}, {0, 450, 200, 600}},
        {"fifty nested levels", {{-1, {100, 100, 600, 600}, {}}}, 50, {181, 181}, {180, 180, 520, 520}},
    };
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(layout.what);
        std::vector<HWND> made = makeLayout(layout.windows, layout.nested);
        Selected clicked = selectOnScreenshot(layout.click, layout.click);
        Selected dragged = selectOnScreenshot({layout.selected.left, layout.selected.top},
                                              {layout.selected.right, layout.selected.bottom});
        EXPECT_EQ(clicked.sent.width, UINT(layout.selected.right - layout.selected.left));
        EXPECT_EQ(clicked.sent.height, UINT(layout.selected.bottom - layout.selected.top));
        EXPECT_TRUE(clicked.sent.pixels == dragged.sent.pixels) << "not the pixels of that region";
        EXPECT_TRUE(clicked.shown == dragged.shown) << "not the window of that selection";
        for (auto w = made.rbegin(); w != made.rend(); ++w)
            DestroyWindow(*w);
    }
}

// The arrow, the highlighter, the redaction, the line, the rectangle and the
// ellipse (pen width and fill as given) show, while dragged, exactly what the
// primitive draws on a copy, all that changed since the last move repainted;
// the picture itself (copied to the clipboard in the middle of the drag) is
// untouched until the release, which draws that; Escape leaves the picture
// and the window as they were.
TEST_F(SelectionTest, PreviewsLeaveThePictureUntilTheRelease) {
    struct Case {
        const char* what;
        WPARAM key;
        bool shift, escape;
        POINT from, to;
        POINT drawnTo;  // where the primitive ends: the arrow snapped with Shift
        int32_t width = 1;
        uint32_t brush = 0;  // ARGB, grey-green so that the colour orders agree
    };
    const Case cases[] = {
        {"an arrow", 'A', false, false, {20, 150}, {250, 40}, {250, 40}},
        {"a snapped arrow", 'A', true, false, {20, 150}, {250, 130}, {250, 150}},
        {"a highlight", 'H', false, false, {290, 20}, {150, 120}, {150, 120}},
        {"a redaction", 'O', false, false, {30, 30}, {170, 110}, {170, 110}},
        {"an arrow given up", 'A', false, true, {20, 150}, {250, 40}, {250, 40}},
        {"a redaction given up", 'O', false, true, {30, 30}, {170, 110}, {170, 110}},
        {"a line", 'L', false, false, {20, 150}, {250, 40}, {250, 40}, 7},
        {"a rectangle filled", 'R', false, false, {30, 30}, {170, 110}, {170, 110}, 15, 0xFF20A020u},
        {"a rectangle shrinking", 'R', false, false, {280, 180}, {100, 60}, {100, 60}, 4},
        {"an ellipse filled", 'E', false, false, {20, 150}, {250, 40}, {250, 40}, 9, 0xFF20A020u},
        {"an ellipse given up", 'E', false, true, {20, 150}, {250, 40}, {250, 40}, 9, 0xFF20A020u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HWND editor = openPattern(300, 200);
        ASSERT_NE(editor, nullptr);
        const std::vector<COLORREF> original = clientPixels(editor, 300, 200);
        std::vector<uint32_t> drawn;
        {
            ImageHolder copy = {nullptr};
            ASSERT_EQ(GdipCreateBitmapFromScan0(300, 200, 0, PixelFormat32bppARGB, nullptr, &copy.bitmap), Gdiplus::Ok);
            for (int y = 0; y < 200; y++)
                for (int x = 0; x < 300; x++)
                    GdipBitmapSetPixel(copy.bitmap, x, y, 0xFF000000u | original[size_t(y * 300 + x)]);
            RECT r = {c.from.x, c.from.y, c.drawnTo.x, c.drawnTo.y};
            if (c.key == 'A')
                drawArrow(&copy, r.left, r.top, r.right, r.bottom, 0xFF000000u, 1);
            RECT n = {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
                      std::max(r.top, r.bottom)};
            if (c.key == 'H')
                drawHighlight(&copy, n.left, n.top, n.right, n.bottom, 0xFFFFFF00u);
            if (c.key == 'O')
                drawRedaction(&copy, n.left, n.top, n.right, n.bottom, 12);
            if (c.key == 'L')
                drawLine(&copy, r.left, r.top, r.right, r.bottom, 0xFF000000u, c.width);
            if (c.key == 'R')
                drawRectangle(&copy, n.left, n.top, n.right, n.bottom, 0xFF000000u, c.brush, c.width);
            if (c.key == 'E')
                drawEllipse(&copy, n.left, n.top, n.right, n.bottom, 0xFF000000u, c.brush, c.width);
            for (int y = 0; y < 200; y++) {
                for (int x = 0; x < 300; x++) {
                    Gdiplus::ARGB p = 0;
                    GdipBitmapGetPixel(copy.bitmap, x, y, &p);
                    drawn.push_back(p & 0x00FFFFFFu);
                }
            }
            GdipDisposeImage(copy.bitmap);
        }
        const std::vector<uint32_t> before(original.begin(), original.end());
        ASSERT_NE(drawn, before) << "the case draws something";
        SendMessageW(editor, 0x3F00, WPARAM(c.width), 0);
        SendMessageW(editor, 0x3F01, WPARAM(c.width), LPARAM(c.brush));
        press(editor, c.key);
        holdKeys(false, c.shift);
        down(editor, c.from);
        UpdateWindow(editor);
        moveHeld(editor, {(c.from.x + c.to.x) / 2, (c.from.y + c.to.y) / 2});
        moveHeld(editor, c.to);
        UpdateWindow(editor);
        PixelSet label = rectPixels(labelRect(editor));
        EXPECT_EQ(differingOutside(shownPixels(editor, 300, 200), drawn, 300, label), 0u) << "the preview";
        EXPECT_EQ(differingOutside(clientPixels(editor, 300, 200), drawn, 300, label), 0u) << "painted afresh";
        holdKeys(true, false);
        SendMessageW(editor, WM_KEYDOWN, 'C', 0);
        holdKeys(false, c.shift);
        EXPECT_TRUE(clipboardPixels(300, 200) == before) << "the picture in the middle of the drag";
        if (c.escape)
            SendMessageW(editor, WM_KEYDOWN, VK_ESCAPE, 0);
        up(editor, c.to);
        holdKeys(false, false);
        UpdateWindow(editor);
        EXPECT_EQ(differingOutside(shownPixels(editor, 300, 200), c.escape ? before : drawn, 300, {}), 0u)
            << "after the release";
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
}

// The loupe beside the cursor while a selection or a handle is dragged: a
// black and a white line around the 15 x 15 picture pixels around the mouse
// point, each an 8 x 8 square (white beyond the picture), the centre one
// framed black and then white, and the point's coordinates in a strip below;
// flipped to the cursor's other side near the view's edges and clear of the
// size label; across the toolbar, smaller, over a picture too low for it,
// whose label stays off the toolbar. The picture keeps none of it: Enter
// sends the pattern's own pixels.
TEST_F(SelectionTest, LoupeShowsThePixelsAroundTheMouse) {
    struct Case {
        const char* what;
        bool selectFirst;  // (60, 40) to (200, 140) first
        POINT press, mouse;
        POINT loupe;  // its top-left corner; -1: 4 pixels right of or below the size label
        RECT sent;
        SIZE picture;
        LONG zoom;  // each pixel shown zoom x zoom
    };
    const Case cases[] = {
        {"a new selection", false, {50, 50}, {100, 80}, {120, -1}, {50, 50, 100, 80}, {400, 300}, 8},
        {"near the right edge", false, {200, 50}, {350, 80}, {206, -1}, {200, 50, 350, 80}, {400, 300}, 8},
        {"near the bottom", false, {50, 50}, {100, 250}, {120, 90}, {50, 50, 100, 250}, {400, 300}, 8},
        {"at the picture's corner", false, {100, 100}, {2, 3}, {22, -1}, {2, 3, 100, 100}, {400, 300}, 8},
        {"a handle", true, {200, 140}, {230, 160}, {250, 0}, {60, 40, 230, 160}, {400, 300}, 8},
        {"1 x 1, across the toolbar", false, {0, 0}, {150, 0}, {-1, 3}, {0, 0, 1, 1}, {1, 1}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        hostClearDeliveries();
        HWND editor = openPattern(c.picture.cx, c.picture.cy);
        ASSERT_NE(editor, nullptr);
        if (c.selectFirst)
            drag(editor, false, {{60, 40}, {200, 140}});
        down(editor, c.press);
        UpdateWindow(editor);
        moveHeld(editor, {(c.press.x + c.mouse.x) / 2, (c.press.y + c.mouse.y) / 2});
        moveHeld(editor, c.mouse);
        RedrawWindow(editor, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        RECT client = {}, label = labelRect(editor), toolbar = childRect(editorToolbar(editor)), both = {};
        GetClientRect(editor, &client);
        std::vector<COLORREF> shown = shownPixels(editor, client.right, client.bottom);
        auto pixel = [&shown, &client](LONG x, LONG y) { return shown[size_t(y * client.right + x)]; };
        const LONG left = c.loupe.x >= 0 ? c.loupe.x : label.right + 4, top = c.loupe.y >= 0 ? c.loupe.y : label.bottom + 4;
        const LONG z = c.zoom, side = 15 * z, width = side + 4, height = side + 20;
        EXPECT_FALSE(IntersectRect(&both, &label, &toolbar)) << "the label stays off the toolbar";
        ASSERT_LE(top + height, client.bottom) << "whole inside the client area";
        size_t wrong = 0;
        for (int ring = 0; ring < 2; ring++) {
            COLORREF line = ring == 0 ? 0x000000 : 0xFFFFFF;
            for (LONG x = left + ring; x < left + width - ring; x++)
                wrong += (pixel(x, top + ring) != line) + (pixel(x, top + height - 1 - ring) != line);
            for (LONG y = top + ring; y < top + height - ring; y++)
                wrong += (pixel(left + ring, y) != line) + (pixel(left + width - 1 - ring, y) != line);
        }
        EXPECT_EQ(wrong, 0u) << "the border: black, then white";
        const RECT centre = {left + 2 + 7 * z, top + 2 + 7 * z, left + 2 + 8 * z, top + 2 + 8 * z};
        for (LONG y = top + 2; y < top + 2 + side; y++) {
            for (LONG x = left + 2; x < left + 2 + side; x++) {
                LONG px = c.mouse.x - 7 + (x - left - 2) / z, py = c.mouse.y - 7 + (y - top - 2) / z;
                COLORREF expected = px >= 0 && py >= 0 && px < c.picture.cx && py < c.picture.cy ? patternRgb(px, py) : 0xFFFFFF;
                bool ring1 = x >= centre.left - 1 && x <= centre.right && y >= centre.top - 1 && y <= centre.bottom &&
                             !(x >= centre.left && x < centre.right && y >= centre.top && y < centre.bottom);
                bool ring2 = x >= centre.left - 2 && x <= centre.right + 1 && y >= centre.top - 2 &&
                             y <= centre.bottom + 1 && !ring1 &&
                             !(x >= centre.left && x < centre.right && y >= centre.top && y < centre.bottom);
                if (ring1)
                    expected = 0x000000;
                else if (ring2)
                    expected = 0xFFFFFF;
                wrong += pixel(x, y) != expected;
            }
        }
        EXPECT_EQ(wrong, 0u) << "the enlarged pixels and the centre's frame";
        size_t dark = 0;
        for (LONG y = top + 2 + side; y < top + height - 2; y++)
            for (LONG x = left + 2; x < left + 2 + side; x++)
                dark += (pixel(x, y) & 0xFF) < 0x80 ? 1 : 0;
        EXPECT_GT(dark, 10u) << "the coordinates are written";
        up(editor, c.mouse);
        pressEnter(editor);
        ASSERT_EQ(hostDeliveries().size(), 1u);
        expectSentRegion(c.sent, c.what);
        if (HWND still = findEditor())
            SendMessageW(still, WM_COMMAND, 15, 0);
    }
}

// The picture for the README: a selection on a clipboard picture while its
// bottom-right handle is dragged, with the handles around the band, the size
// label and the loupe, as the editor's client area shows them (read from the
// window, since the screen itself is brought up to date only later).
TEST_F(SelectionTest, WritesThePictureOfASelection) {
    ASSERT_TRUE(hostPutPictureOnClipboard(480, 300));
    ASSERT_EQ(hostClickItem(L"snipLeaf/Clipboard", {onlineContact}), 0);
    hostPumpMessages(30);
    HWND editor = findEditor();
    ASSERT_NE(editor, nullptr);
    drag(editor, false, {{70, 50}, {250, 160}});
    EXPECT_EQ(labelShown(editor), L"180 \u00D7 110");
    down(editor, {250, 160});
    UpdateWindow(editor);
    moveHeld(editor, {265, 170});
    moveHeld(editor, {281, 179});
    RedrawWindow(editor, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    EXPECT_EQ(labelShown(editor), L"211 \u00D7 129");
    RECT client = {};
    GetClientRect(editor, &client);
    std::vector<COLORREF> pixels = shownPixels(editor, client.right, client.bottom);
    GpBitmap* bitmap = nullptr;
    ASSERT_EQ(GdipCreateBitmapFromScan0(client.right, client.bottom, client.right * 4, PixelFormat32bppRGB,
                                        reinterpret_cast<BYTE*>(pixels.data()), &bitmap),
              Gdiplus::Ok);
    CLSID png = hostPngEncoder();
    EXPECT_EQ(GdipSaveImageToFile(bitmap, (hostExeFolder() + L"selection.png").c_str(), &png, nullptr), Gdiplus::Ok);
    GdipDisposeImage(bitmap);
    up(editor, {281, 179});
    EXPECT_EQ(labelShown(editor), L"211 \u00D7 129");
}
