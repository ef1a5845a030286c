// The arrow, the highlighter and the redaction as the editor draws them, driven
// through the real DLL with keys and mouse messages: the whole picture after
// each drag against the primitive run on a copy of the picture, undo and redo,
// Escape during the drag, the keys and the system menu rows, and that Enter
// still sends the selection after drawing.
#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "editorTestSupport.h"
#include "image/annotation.h"
#include "image/drawing.h"
#include "image/gdiplusFlat.h"
#include "tools/pngWriter.h"

using namespace Gdiplus::DllExports;

namespace {

constexpr int width = 240;
constexpr int height = 150;

using Picture = std::vector<COLORREF>;  // 0x00RRGGBB, row by row, as the screen shows it

void holdShift(bool down) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
}

void pressKey(HWND editor, WPARAM key, bool control = false) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = control ? 0x80 : 0;
    SetKeyboardState(keys);
    SendMessageW(editor, WM_KEYDOWN, key, 0);
    SendMessageW(editor, WM_KEYUP, key, 0);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
}

// What the window shows once what is due is repainted, nothing more.
Picture shown(HWND editor) {
    UpdateWindow(editor);
    return shownPixels(editor, width, height);
}

Picture painted(HWND editor) {
    return clientPixels(editor, width, height);
}

// A copy of the picture as a GDI+ bitmap of its own, for the primitives.
struct Copy {
    ImageHolder holder = {nullptr};
    explicit Copy(const Picture& pixels) {
        GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, &holder.bitmap);
        for (int y = 0; y < height; y++) {
            for (int x = 0; x < width; x++)
                GdipBitmapSetPixel(holder.bitmap, x, y, 0xFF000000u | pixels[size_t(y * width + x)]);
        }
    }
    Copy(const Copy&) = delete;
    Copy& operator=(const Copy&) = delete;
    ~Copy() {
        if (holder.bitmap)
            GdipDisposeImage(holder.bitmap);
    }
    Picture pixels() const {
        Picture out(size_t(width) * height);
        for (int y = 0; y < height; y++) {
            for (int x = 0; x < width; x++) {
                Gdiplus::ARGB p = 0;
                GdipBitmapGetPixel(holder.bitmap, x, y, &p);
                out[size_t(y * width + x)] = p & 0x00FFFFFFu;
            }
        }
        return out;
    }
};

// How many pixels differ, so that a failure says how far off it is.
size_t differing(const Picture& a, const Picture& b) {
    size_t n = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); i++)
        n += a[i] != b[i] ? 1 : 0;
    return n + (a.size() > b.size() ? a.size() - b.size() : b.size() - a.size());
}

struct Stroke {
    WPARAM key;  // the tool's key
    POINT from, to;
    bool shift;  // held through the moves and the release
};

// The press repaints the window at once, as the user's message loop would
// before the first move, so that after the release only what the tool
// invalidated is repainted.
void drawStroke(HWND editor, const Stroke& stroke) {
    SendMessageW(editor, WM_KEYDOWN, stroke.key, 0);
    holdShift(stroke.shift);
    SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, at(stroke.from.x, stroke.from.y));
    UpdateWindow(editor);
    LONG midX = (stroke.from.x + stroke.to.x) / 2, midY = (stroke.from.y + stroke.to.y) / 2;
    SendMessageW(editor, WM_MOUSEMOVE, MK_LBUTTON, at(midX, midY));
    SendMessageW(editor, WM_MOUSEMOVE, MK_LBUTTON, at(stroke.to.x, stroke.to.y));
    SendMessageW(editor, WM_LBUTTONUP, 0, at(stroke.to.x, stroke.to.y));
    holdShift(false);
}

enum class Kind { arrow, highlight, redaction };

struct Reference {
    Kind kind;
    int32_t x1, y1, x2, y2;
    uint32_t colour;  // ARGB; the arrow's
    int32_t size;     // the arrow's width, the redaction's block side
};

void apply(ImageHolder* holder, const Reference& r) {
    switch (r.kind) {
    case Kind::arrow:
        drawArrow(holder, r.x1, r.y1, r.x2, r.y2, r.colour, r.size);
        return;
    case Kind::highlight:
        drawHighlight(holder, r.x1, r.y1, r.x2, r.y2, 0xFFFFFF00u);
        return;
    case Kind::redaction:
        drawRedaction(holder, r.x1, r.y1, r.x2, r.y2, r.size);
        return;
    }
}

void writeScreenshot(const Picture& pixels, const char* path) {
    std::vector<uint8_t> rgba;
    for (COLORREF p : pixels)
        rgba.insert(rgba.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), 0xFF});
    EXPECT_TRUE(pngWriter::writeRgba(path, width, height, rgba));
}

const COLORREF blackPen = 0x000000, redPen = 0x0000FF, bluePen = 0xFF0000;  // COLORREF order
const uint32_t black = 0xFF000000u, red = 0xFFFF0000u, blue = 0xFF0000FFu;  // ARGB

class AnnotationToolTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        holdShift(false);
    }
    void TearDown() override {
        holdShift(false);
        EditorTest::TearDown();
    }
    HWND openBands() {
        HWND editor = openFromClipboard(width, height);
        if (editor)
            SetFocus(editor);
        return editor;
    }
};

}  // namespace

// Each drag gives exactly the picture the primitive gives on a copy, with the
// ends as the tool hands them over (Shift snapping the arrow), shown without
// a forced repaint (the band gone, the touched area repainted); undoing each
// stroke gives the picture back exactly, and redoing gives the drawing again.
// A line drawn inside a redaction leaves no trace in it.
TEST_F(AnnotationToolTest, EachDragDrawsWhatThePrimitiveDrawsOnACopy) {
    struct Case {
        const char* name;
        int penWidth;
        COLORREF pen;
        std::vector<Stroke> strokes;
        std::vector<Reference> expected;
        const char* screenshot;
    };
    const Case cases[] = {
        {"arrow at 0 degrees, width 1", 1, blackPen,
         {{'A', {10, 60}, {150, 60}, false}},
         {{Kind::arrow, 10, 60, 150, 60, black, 1}}, nullptr},
        {"arrow up and left, width 1", 1, redPen,
         {{'A', {200, 130}, {30, 15}, false}},
         {{Kind::arrow, 200, 130, 30, 15, red, 1}}, nullptr},
        {"arrow at a shallow angle, width 15", 15, bluePen,
         {{'A', {10, 20}, {220, 60}, false}},
         {{Kind::arrow, 10, 20, 220, 60, blue, 15}}, nullptr},
        {"arrow at 45 degrees, width 15", 15, blackPen,
         {{'A', {20, 140}, {120, 40}, false}},
         {{Kind::arrow, 20, 140, 120, 40, black, 15}}, nullptr},
        {"arrow shorter than its head, width 15", 15, redPen,
         {{'A', {60, 50}, {90, 70}, false}},
         {{Kind::arrow, 60, 50, 90, 70, red, 15}}, nullptr},
        {"arrow with Shift, kept horizontal", 3, blackPen,
         {{'A', {20, 120}, {160, 80}, true}},
         {{Kind::arrow, 20, 120, 160, 120, black, 3}}, nullptr},
        {"arrow with Shift, kept vertical", 3, blackPen,
         {{'A', {100, 10}, {112, 140}, true}},
         {{Kind::arrow, 100, 10, 100, 140, black, 3}}, nullptr},
        {"arrow with Shift, diagonal ending beyond the picture", 3, redPen,
         {{'A', {180, 40}, {236, 110}, true}},
         {{Kind::arrow, 180, 40, 243, 103, red, 3}}, nullptr},
        {"highlighter, overlapping strokes and the picture's edges", 1, blackPen,
         {{'H', {30, 10}, {150, 90}, false}, {'H', {100, 60}, {400, 300}, false}, {'H', {25, 25}, {0, 0}, false}},
         {{Kind::highlight, 30, 10, 150, 90, 0, 0},
          {Kind::highlight, 100, 60, 400, 300, 0, 0},
          {Kind::highlight, 0, 0, 25, 25, 0, 0}}, nullptr},
        {"redaction, pen width 1: blocks of 12", 1, blackPen,
         {{'O', {170, 100}, {15, 10}, false}},
         {{Kind::redaction, 15, 10, 170, 100, 0, 12}}, nullptr},
        {"redaction, pen width 5: blocks of 20, beyond two edges", 5, blackPen,
         {{'O', {35, 8}, {400, 300}, false}},
         {{Kind::redaction, 35, 8, 400, 300, 0, 20}}, nullptr},
        {"redaction over the whole picture", 1, blackPen,
         {{'O', {0, 0}, {400, 300}, false}},
         {{Kind::redaction, 0, 0, 400, 300, 0, 12}}, nullptr},
        // The reference never draws the line: the redaction must not show it.
        {"a line inside a redaction leaves nothing", 1, blackPen,
         {{'L', {50, 40}, {120, 80}, false}, {'O', {40, 30}, {130, 90}, false}},
         {{Kind::redaction, 40, 30, 130, 90, 0, 12}}, nullptr},
        {"highlight, redaction and arrow together", 3, redPen,
         {{'H', {20, 15}, {140, 45}, false}, {'O', {150, 90}, {225, 130}, false}, {'A', {20, 135}, {130, 70}, false}},
         {{Kind::highlight, 20, 15, 140, 45, 0, 0},
          {Kind::redaction, 150, 90, 225, 130, 0, 12},
          {Kind::arrow, 20, 135, 130, 70, red, 3}}, "annotations.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND editor = openBands();
        ASSERT_NE(editor, nullptr);
        SendMessageW(editor, 0x3F00, WPARAM(c.penWidth), LPARAM(c.pen));
        const Picture original = painted(editor);
        Copy copy(original);
        ASSERT_EQ(copy.pixels(), original);
        for (const Reference& r : c.expected)
            apply(&copy.holder, r);
        const Picture expected = copy.pixels();
        ASSERT_NE(differing(expected, original), 0u);
        for (const Stroke& stroke : c.strokes)
            drawStroke(editor, stroke);
        Picture now = shown(editor);
        EXPECT_EQ(differing(now, expected), 0u) << "as shown after the release";
        now = painted(editor);
        EXPECT_EQ(differing(now, expected), 0u) << "painted afresh";
        if (c.screenshot)
            writeScreenshot(now, c.screenshot);
        for (size_t i = 0; i < c.strokes.size(); i++)
            pressKey(editor, 'Z', true);
        EXPECT_EQ(differing(painted(editor), original), 0u) << "after undoing every stroke";
        for (size_t i = 0; i < c.strokes.size(); i++)
            pressKey(editor, 'Y', true);
        EXPECT_EQ(differing(painted(editor), expected), 0u) << "after redoing every stroke";
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
}

// Escape in the middle of each tool's drag: the band that showed goes, the
// rest of the drag and its release draw nothing, and the line before is
// still the step that undo takes back.
TEST_F(AnnotationToolTest, EscapeDuringTheDragLeavesThePicture) {
    struct Case {
        WPARAM key;
        bool shift;
    };
    const Case cases[] = {{'A', false}, {'A', true}, {'H', false}, {'O', false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(1, char(c.key)) + (c.shift ? " with Shift" : ""));
        HWND editor = openBands();
        ASSERT_NE(editor, nullptr);
        const Picture original = painted(editor);
        drawStroke(editor, {'L', {5, 5}, {60, 30}, false});
        const Picture withLine = painted(editor);
        ASSERT_NE(differing(withLine, original), 0u);
        SendMessageW(editor, WM_KEYDOWN, c.key, 0);
        holdShift(c.shift);
        SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, at(30, 20));
        UpdateWindow(editor);
        SendMessageW(editor, WM_MOUSEMOVE, MK_LBUTTON, at(120, 70));
        SendMessageW(editor, WM_MOUSEMOVE, MK_LBUTTON, at(150, 100));
        EXPECT_NE(differing(shown(editor), withLine), 0u) << "the band shows during the drag";
        pressKey(editor, VK_ESCAPE);
        holdShift(c.shift);
        EXPECT_EQ(differing(shown(editor), withLine), 0u) << "shown after Escape";
        SendMessageW(editor, WM_MOUSEMOVE, MK_LBUTTON, at(200, 120));
        SendMessageW(editor, WM_LBUTTONUP, 0, at(200, 120));
        holdShift(false);
        EXPECT_EQ(differing(shown(editor), withLine), 0u) << "shown after the release";
        EXPECT_EQ(differing(painted(editor), withLine), 0u) << "the picture";
        pressKey(editor, 'Z', true);
        EXPECT_EQ(differing(painted(editor), original), 0u) << "the line was the last step";
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
}

namespace {

int menuPosition(HMENU menu, const wchar_t* text) {
    for (int i = 0; i < GetMenuItemCount(menu); i++) {
        wchar_t item[128] = {};
        GetMenuStringW(menu, UINT(i), item, 128, MF_BYPOSITION);
        if (std::wstring(item) == text)
            return i;
    }
    return -1;
}

}  // namespace

// The key and the system menu row each choose the tool: no tool button stays
// pressed, the text field is disabled, and the next drag draws with it. A
// WM_COMMAND with the tool's id is no toolbar command and chooses nothing; a
// new editor starts with the selection again; the toolbar keeps its sixteen.
TEST_F(AnnotationToolTest, KeysAndMenuRowsChooseTheTools) {
    struct Case {
        WPARAM key;
        const wchar_t* menuText;
        Reference drawn;  // by a drag from (20, 20) to (100, 60)
    };
    const Case cases[] = {
        {'A', L"Strzałka\tA", {Kind::arrow, 20, 20, 100, 60, black, 1}},
        {'H', L"Zakreślacz\tH", {Kind::highlight, 20, 20, 100, 60, 0, 0}},
        {'O', L"Zamaskuj\tO", {Kind::redaction, 20, 20, 100, 60, 0, 12}},
    };
    for (const Case& c : cases) {
        for (bool byMenu : {false, true}) {
            SCOPED_TRACE(std::string(1, char(c.key)) + (byMenu ? " from the menu" : " by its key"));
            HWND editor = openBands();
            ASSERT_NE(editor, nullptr);
            HWND toolbar = editorToolbar(editor);
            HWND edit = childOfClass(toolbar, L"Edit");
            SendMessageW(editor, 0x3F00, 1, LPARAM(blackPen));
            EXPECT_EQ(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0), 16);
            SendMessageW(editor, WM_KEYDOWN, 'T', 0);
            ASSERT_TRUE(IsWindowEnabled(edit));
            SendMessageW(editor, WM_COMMAND, WPARAM(c.key == 'A' ? 20 : c.key == 'H' ? 21 : 22), 0);
            EXPECT_NE(SendMessageW(toolbar, TB_ISBUTTONCHECKED, 7, 0), 0) << "the command chose nothing";
            EXPECT_TRUE(IsWindowEnabled(edit));
            SetFocus(edit);
            if (byMenu) {
                HMENU menu = GetSystemMenu(editor, FALSE);
                int position = menuPosition(menu, c.menuText);
                ASSERT_GE(position, 0);
                UINT id = GetMenuItemID(menu, position);
                EXPECT_EQ(id & 0xF, 0u);
                EXPECT_LT(id, 0xF000u);
                SendMessageW(editor, WM_SYSCOMMAND, id, 0);
            } else {
                SendMessageW(editor, WM_KEYDOWN, c.key, 0);
            }
            for (int tool = 2; tool <= 7; tool++)
                EXPECT_EQ(SendMessageW(toolbar, TB_ISBUTTONCHECKED, WPARAM(tool), 0), 0) << "button " << tool;
            EXPECT_FALSE(IsWindowEnabled(edit));
            EXPECT_EQ(GetFocus(), editor);
            EXPECT_EQ(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0), 16);
            const Picture original = painted(editor);
            Copy copy(original);
            apply(&copy.holder, c.drawn);
            drag(editor, false, {{20, 20}, {100, 60}});
            EXPECT_EQ(differing(painted(editor), copy.pixels()), 0u);
            SendMessageW(editor, WM_COMMAND, 15, 0);
            editor = openBands();
            ASSERT_NE(editor, nullptr);
            EXPECT_NE(SendMessageW(editorToolbar(editor), TB_ISBUTTONCHECKED, 2, 0), 0) << "the next editor";
            const Picture fresh = painted(editor);
            drag(editor, false, {{20, 20}, {100, 60}});
            // The handles and the size label are beside the mark.
            PixelSet beside = unite(handleSquares({20, 20, 100, 60}), sizeLabelPixels(editor));
            const Picture now = painted(editor);
            PixelSet changed;
            for (size_t i = 0; i < now.size(); i++)
                if (now[i] != fresh[i])
                    changed.insert({int(i % width), int(i / width)});
            EXPECT_EQ(minus(changed, beside), minus(focusRectPixels({20, 20, 100, 60}, width, height), beside))
                << "the next editor selects, and marks only the selection";
            SendMessageW(editor, WM_COMMAND, 15, 0);
        }
    }
}

// Drawing leaves the selection alone: after any stroke Enter sends the region
// the user selected before it, or the whole picture when none was selected.
TEST_F(AnnotationToolTest, DrawingLeavesTheSelectionThatEnterSends) {
    struct Case {
        const char* name;
        bool selected;  // (40, 30) to (190, 120) with Select first
        Stroke stroke;
        bool undone;
        uint32_t sentWidth, sentHeight;
    };
    const Case cases[] = {
        {"a snapped arrow", false, {'A', {20, 120}, {300, 80}, true}, false, width, height},
        {"a snapped arrow in a selection", true, {'A', {20, 120}, {300, 80}, true}, false, 150, 90},
        {"a rectangle", true, {'R', {10, 10}, {70, 55}, false}, false, 150, 90},
        {"a pencil stroke", true, {'F', {5, 5}, {30, 20}, false}, false, 150, 90},
        {"a text click, undone", true, {'T', {30, 30}, {30, 30}, false}, true, 150, 90},
        {"a redaction", true, {'O', {100, 100}, {130, 140}, false}, false, 150, 90},
    };
    DialogAnswers answers;
    hostAddPictureTransfer(onlineContact, {0});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hostClearDeliveries();
        HWND editor = openBands();
        ASSERT_NE(editor, nullptr);
        choosePng(editor);
        if (c.selected)
            drawStroke(editor, {'S', {40, 30}, {190, 120}, false});
        drawStroke(editor, c.stroke);
        if (c.undone)
            pressKey(editor, 'Z', true);
        SendMessageW(editor, WM_KEYDOWN, VK_RETURN, LPARAM(0x001C0001));
        SendMessageW(editor, WM_KEYUP, VK_RETURN, LPARAM(0xC01C0001));
        hostPumpMessages(50);
        EXPECT_TRUE(answers.shown.empty());
        ASSERT_EQ(hostDeliveries().size(), 1u);
        const std::vector<uint8_t>& png = hostDeliveries()[0].fileBytes;
        ASSERT_GE(png.size(), 24u);
        auto bigEndian = [&png](size_t at) {
            return uint32_t(png[at]) << 24 | uint32_t(png[at + 1]) << 16 | uint32_t(png[at + 2]) << 8 | png[at + 3];
        };
        EXPECT_EQ(bigEndian(16), c.sentWidth);
        EXPECT_EQ(bigEndian(20), c.sentHeight);
        if (HWND still = findEditor())
            SendMessageW(still, WM_COMMAND, 15, 0);
    }
}

// A whole-picture send that fails leaves the whole picture selected, and the
// window no longer marks the region the user made before: Enter sends what
// the window shows.
TEST_F(AnnotationToolTest, AFailedWholeSendUnmarksTheSelection) {
    DialogAnswers answers;
    hostAddPictureTransfer(onlineContact, {answerFail, 0});
    HWND editor = openBands();
    ASSERT_NE(editor, nullptr);
    choosePng(editor);
    const Picture original = painted(editor);
    drawStroke(editor, {'S', {40, 30}, {190, 120}, false});
    SendMessageW(editor, WM_COMMAND, 12, 0);
    ASSERT_EQ(answers.shown.size(), 1u) << "the failure is told";
    ASSERT_TRUE(IsWindow(editor));
    EXPECT_EQ(differing(painted(editor), original), 0u) << "no mark left";
    SendMessageW(editor, WM_KEYDOWN, VK_RETURN, LPARAM(0x001C0001));
    SendMessageW(editor, WM_KEYUP, VK_RETURN, LPARAM(0xC01C0001));
    hostPumpMessages(50);
    ASSERT_GE(hostDeliveries().size(), 2u);
    const std::vector<uint8_t>& png = hostDeliveries().back().fileBytes;
    ASSERT_GE(png.size(), 24u);
    EXPECT_EQ(png[19], uint8_t(width)) << "the whole picture's width";
    EXPECT_EQ(png[23], uint8_t(height)) << "and height";
}
