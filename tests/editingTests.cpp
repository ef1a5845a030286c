// Taking edits back and the editor's keys through the real DLL: undo and redo
// of each drawing step read back as whole pictures, the bound on kept steps,
// Escape during each kind of drag, the tool keys, and the system menu.
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "editorTestSupport.h"

namespace {

constexpr int pictureWidth = 120;
constexpr int pictureHeight = 80;

using Picture = std::vector<COLORREF>;  // 0x00RRGGBB, row by row

// What the window shows now over the picture's area, without repainting
// anything that is not already due.
Picture shown(HWND editor) {
    UpdateWindow(editor);
    return shownPixels(editor, pictureWidth, pictureHeight);
}

// The picture itself, painted afresh.
Picture picture(HWND editor) {
    return clientPixels(editor, pictureWidth, pictureHeight);
}

// Every pixel that is not white.
PixelSet marked(const Picture& pixels) {
    PixelSet set;
    for (size_t i = 0; i < pixels.size(); i++) {
        if (pixels[i] != 0xFFFFFF)
            set.insert({int(i % pictureWidth), int(i / pictureWidth)});
    }
    return set;
}

// A white picture in an editor that has the focus, with no modifier held.
class EditingTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        holdKeys(false, false);
    }
    void TearDown() override {
        holdKeys(false, false);
        EditorTest::TearDown();
    }
    HWND openWhite() {
        HWND editor = openSolidFromClipboard(pictureWidth, pictureHeight, RGB(255, 255, 255));
        if (editor)
            SetFocus(editor);
        return editor;
    }
};
class History : public EditingTest {};
class Escape : public EditingTest {};
class Drag : public EditingTest {};
class ToolKeys : public EditingTest {};
class SystemMenu : public EditingTest {};

const PixelSet lineSteps = {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}, {6, 3},
                            {7, 3}, {8, 3}, {9, 4}, {10, 4}, {11, 5}, {12, 5}};
const PixelSet rectangleStep = rectangleOutline(20, 10, 30, 16);
const PixelSet pencilStep = {{40, 40}, {41, 40}, {42, 40}, {43, 40}, {43, 41}, {43, 42}};

const PixelSet ellipseStep = rows({{0, {4, 5, 6}}, {1, {2, 3, 7, 8}}, {2, {0, 1, 9, 10}}, {3, {0, 10}},
                                   {4, {0, 1, 9, 10}}, {5, {2, 3, 7, 8}}, {6, {4, 5, 6}}},
                                  60, 20);

enum Act { drawLine, drawRectangle, drawPencil, drawEllipse, select, styleChange, undo, redo, redoShift };

void act(HWND editor, Act a) {
    switch (a) {
    case drawLine:
        SendMessageW(editor, WM_COMMAND, 4, 0);
        drag(editor, false, {{0, 0}, {12, 5}});
        return;
    case drawRectangle:
        SendMessageW(editor, WM_COMMAND, 5, 0);
        drag(editor, false, {{30, 16}, {20, 10}});
        return;
    case drawPencil:
        SendMessageW(editor, WM_COMMAND, 3, 0);
        drag(editor, false, {{40, 40}, {43, 40}, {43, 42}});
        return;
    case drawEllipse:
        SendMessageW(editor, WM_COMMAND, 6, 0);
        drag(editor, false, {{70, 26}, {60, 20}});
        return;
    case select:
        SendMessageW(editor, WM_COMMAND, 2, 0);
        drag(editor, false, {{80, 45}, {115, 75}});
        return;
    case styleChange:
        // The same black pen, width 1: a style message that draws nothing.
        SendMessageW(editor, 0x3F00, 1, 0);
        return;
    case undo:
        press(editor, 'Z', true);
        return;
    case redo:
        press(editor, 'Y', true);
        return;
    case redoShift:
        press(editor, 'Z', true, true);
        return;
    }
}

}  // namespace

// Each key turns the picture into exactly the one it was at that point: the
// selection and a style change between steps are not steps, undo past the
// first step does nothing, and a new step after an undo drops the redo.
TEST_F(History, UndoAndRedoGiveBackEachPictureExactly) {
    const PixelSet none;
    const PixelSet one = lineSteps;
    const PixelSet two = unite(one, rectangleStep);
    const PixelSet three = unite(two, pencilStep);
    struct Step {
        Act act;
        PixelSet expected;
    };
    const Step steps[] = {
        {undo, none},        {drawLine, one},   {select, one},       {drawRectangle, two}, {styleChange, two},
        {drawPencil, three}, {undo, two},       {undo, one},         {redo, two},          {redoShift, three},
        {redo, three},       {undo, two},       {undo, one},         {undo, none},         {undo, none},
        {redo, one},         {drawEllipse, unite(one, ellipseStep)}, {redo, unite(one, ellipseStep)},
        {undo, one},         {undo, none},      {redo, one},
    };
    HWND editor = openWhite();
    ASSERT_NE(editor, nullptr);
    // From the selection on, its mark shows over every picture; its handles
    // only at its own step, while Select is the tool.
    const PixelSet mark = focusRectPixels({80, 45, 115, 75}, pictureWidth, pictureHeight);
    const PixelSet handled = markOnWhite({80, 45, 115, 75}, pictureWidth, pictureHeight);
    int index = 0;
    for (const Step& step : steps) {
        act(editor, step.act);
        Picture now = picture(editor);
        const PixelSet expected = index >= 2 ? unite(step.expected, index == 2 ? handled : mark) : step.expected;
        EXPECT_EQ(marked(now), expected) << "step " << index;
        for (COLORREF pixel : now)
            ASSERT_TRUE(pixel == 0xFFFFFF || pixel == 0x000000) << "step " << index;
        index++;
    }
}

// Sixty-five one-pixel lines: the oldest goes, so sixty-four undos leave it
// and more do nothing.
TEST_F(History, OnlyTheLastSixtyFourStepsAreKept) {
    HWND editor = openWhite();
    ASSERT_NE(editor, nullptr);
    SendMessageW(editor, WM_COMMAND, 4, 0);
    for (int i = 0; i < 65; i++)
        drag(editor, false, {{i, 3}, {i, 3}});
    PixelSet all;
    for (int i = 0; i < 65; i++)
        all.insert({i, 3});
    EXPECT_EQ(marked(picture(editor)), all);
    for (int i = 0; i < 70; i++)
        press(editor, 'Z', true);
    EXPECT_EQ(marked(picture(editor)), (PixelSet{{0, 3}}));
    for (int i = 0; i < 64; i++)
        press(editor, 'Y', true);
    EXPECT_EQ(marked(picture(editor)), all);
}

// Escape in the middle of each kind of drag: the band drawn on the screen
// goes, the pencil's pixels of this drag come back, the rest of the drag and
// its release do nothing, and the step before is still the one to undo.
TEST_F(Escape, CancelsTheDragInProgress) {
    struct Case {
        const char* name;
        int tool;
        bool right;
        bool showsDuringDrag;
    };
    const Case cases[] = {
        {"select", 2, false, true},  {"select, right button", 2, true, true}, {"rectangle", 5, false, true},
        {"ellipse", 6, false, true}, {"line", 4, false, true},                {"pencil", 3, false, true},
    };
    for (const Case& c : cases) {
        HWND editor = openWhite();
        ASSERT_NE(editor, nullptr);
        act(editor, drawLine);
        EXPECT_EQ(marked(picture(editor)), lineSteps) << c.name;
        SendMessageW(editor, WM_COMMAND, WPARAM(c.tool), 0);
        WPARAM button = c.right ? MK_RBUTTON : MK_LBUTTON;
        SendMessageW(editor, c.right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, button, MAKELPARAM(30, 20));
        UpdateWindow(editor);
        SendMessageW(editor, WM_MOUSEMOVE, button, MAKELPARAM(60, 40));
        SendMessageW(editor, WM_MOUSEMOVE, button, MAKELPARAM(70, 50));
        EXPECT_EQ(marked(shown(editor)) != lineSteps, c.showsDuringDrag) << c.name << ": before Escape";
        press(editor, VK_ESCAPE);
        EXPECT_EQ(marked(shown(editor)), lineSteps) << c.name << ": shown after Escape";
        SendMessageW(editor, WM_MOUSEMOVE, button, MAKELPARAM(90, 60));
        SendMessageW(editor, c.right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, MAKELPARAM(90, 60));
        EXPECT_EQ(marked(shown(editor)), lineSteps) << c.name << ": shown after the release";
        EXPECT_EQ(marked(picture(editor)), lineSteps) << c.name << ": the picture";
        EXPECT_TRUE(callsOf(L"GG/1/PFSendPicture").empty()) << c.name << ": no send at the right release";
        press(editor, 'Z', true);
        EXPECT_EQ(marked(picture(editor)), PixelSet{}) << c.name << ": the line was the last step";
        press(editor, 'Y', true);
        EXPECT_EQ(marked(picture(editor)), lineSteps) << c.name;
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
}

// With no drag and no selection made Escape leaves full screen as Alt+Enter
// does, and in the framed window it does nothing.
TEST_F(Escape, LeavesFullScreen) {
    EXPECT_EQ(hostClickItem(L"snipLeaf/Screen", {onlineContact}), 0);
    HWND editor = findEditor();
    ASSERT_NE(editor, nullptr);
    auto framed = [editor] { return (GetWindowLongW(editor, GWL_STYLE) & 0x00CF0000) == 0x00CF0000; };
    press(editor, VK_ESCAPE);
    EXPECT_TRUE(framed()) << "Escape in the framed window";
    EXPECT_TRUE(IsWindow(editor));
    holdKeys(false, false, true);
    SendMessageW(editor, WM_SYSKEYDOWN, VK_RETURN, 0);
    SendMessageW(editor, WM_SYSKEYUP, VK_RETURN, 0);
    holdKeys(false, false);
    EXPECT_EQ(GetWindowLongW(editor, GWL_STYLE) & 0x00CF0000, 0) << "Alt+Enter went full screen";
    drag(editor, false, {{30, 20}, {120, 90}});
    press(editor, VK_ESCAPE);
    EXPECT_EQ(GetWindowLongW(editor, GWL_STYLE) & 0x00CF0000, 0) << "the first Escape dropped the selection";
    press(editor, VK_ESCAPE);
    EXPECT_TRUE(framed()) << "Escape left full screen";
    EXPECT_EQ(hostSettings()[L"snipLeaf/Fullscreen"], 0);
}

// A tool key does what a click on the tool's button does; in the text field
// the same letter is the field's own.
TEST_F(ToolKeys, ChooseTheirTool) {
    struct Case {
        WPARAM key;
        int checked;
        bool editEnabled;
    };
    const Case cases[] = {
        {'F', 3, false}, {'L', 4, false}, {'R', 5, false}, {'E', 6, false},
        {'T', 7, true},  {'S', 2, false}, {'T', 7, true},  {'X', 7, true},
    };
    HWND editor = openWhite();
    ASSERT_NE(editor, nullptr);
    HWND toolbar = editorToolbar(editor);
    HWND edit = textField(editor);
    for (const Case& c : cases) {
        SetFocus(edit);
        SendMessageW(editor, WM_KEYDOWN, c.key, 0);
        for (int tool = 2; tool <= 7; tool++) {
            EXPECT_EQ(SendMessageW(toolbar, TB_ISBUTTONCHECKED, WPARAM(tool), 0) != 0, tool == c.checked)
                << char(c.key) << " tool " << tool;
        }
        EXPECT_EQ(IsWindowEnabled(edit) != 0, c.editEnabled) << char(c.key);
        if (c.key != 'X') {
            EXPECT_EQ(GetFocus(), editor) << char(c.key);
        }
    }
    SendMessageW(edit, WM_KEYDOWN, 'L', 0);
    EXPECT_NE(SendMessageW(toolbar, TB_ISBUTTONCHECKED, 7, 0), 0) << "a letter in the text field is not a tool key";
    EXPECT_EQ(SendMessageW(toolbar, TB_ISBUTTONCHECKED, 4, 0), 0);
    SendMessageW(editor, WM_KEYDOWN, 'L', 0);
    drag(editor, false, {{0, 0}, {12, 5}});
    EXPECT_EQ(marked(picture(editor)), lineSteps) << "L chose the line";
}

namespace {

std::wstring menuText(HMENU menu, int position) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, UINT(position), text, 128, MF_BYPOSITION);
    return text;
}

bool greyed(HMENU menu, int position) {
    return (GetMenuState(menu, UINT(position), MF_BYPOSITION) & MF_GRAYED) != 0;
}

}  // namespace

// The additions after the system menu's own items, their texts as the user reads
// them, their ids as WM_SYSCOMMAND allows, greyed while they cannot act, and
// each chosen as the key does.
TEST_F(SystemMenu, ListsTheAdditionsWithTheirKeys) {
    static const wchar_t* const expected[] = {
        L"",         L"Cofnij\tCtrl+Z", L"Ponów\tCtrl+Y", L"Kopiuj do schowka\tCtrl+C", L"Zapisz jako...\tCtrl+S",
        L"",         L"Wskaźnik\tV",   L"Zaznaczenie\tS", L"Ołówek\tF",     L"Linia\tL",                   L"Prostokąt\tR",
        L"Elipsa\tE", L"Tekst\tT",     L"Strzałka\tA",  L"Zakreślacz\tH",             L"Zamaskuj\tO",
        L"Napis\tN", L"Numer\tI",
    };
    const int count = int(sizeof(expected) / sizeof(expected[0]));
    HWND editor = openWhite();
    ASSERT_NE(editor, nullptr);
    HMENU menu = GetSystemMenu(editor, FALSE);
    int first = GetMenuItemCount(menu) - count;
    ASSERT_GT(first, 0);
    EXPECT_NE(GetMenuItemID(menu, first - 1), 0u) << "the system's own items come first";
    for (int i = 0; i < count; i++) {
        EXPECT_EQ(menuText(menu, first + i), expected[i]) << i;
        UINT id = GetMenuItemID(menu, first + i);
        EXPECT_EQ(id & 0xF, 0u) << i;
        EXPECT_LT(id, 0xF000u) << i;
        EXPECT_EQ(id == 0, expected[i][0] == 0) << "separators have no command";
    }
    const int undoItem = first + 1, redoItem = first + 2, copyItem = first + 3, saveItem = first + 4;
    struct Step {
        Act act;
        bool undoGreyed, redoGreyed;
    };
    const Step steps[] = {{select, true, true}, {drawLine, false, true}, {undo, true, false}, {redo, false, true}};
    for (const Step& step : steps) {
        act(editor, step.act);
        SendMessageW(editor, WM_INITMENUPOPUP, WPARAM(menu), MAKELPARAM(0, TRUE));
        EXPECT_EQ(greyed(menu, undoItem), step.undoGreyed) << step.act;
        EXPECT_EQ(greyed(menu, redoItem), step.redoGreyed) << step.act;
        EXPECT_FALSE(greyed(menu, copyItem));
        EXPECT_FALSE(greyed(menu, saveItem));
    }
    // The line is the tool: the selection shows its dotted mark alone.
    const PixelSet mark = focusRectPixels({80, 45, 115, 75}, pictureWidth, pictureHeight);
    SendMessageW(editor, WM_SYSCOMMAND, GetMenuItemID(menu, undoItem), 0);
    EXPECT_EQ(marked(picture(editor)), mark) << "the menu's undo";
    SendMessageW(editor, WM_SYSCOMMAND, GetMenuItemID(menu, redoItem), 0);
    EXPECT_EQ(marked(picture(editor)), unite(lineSteps, mark)) << "the menu's redo";
    SendMessageW(editor, WM_SYSCOMMAND, GetMenuItemID(menu, first + 8), 0);
    EXPECT_NE(SendMessageW(editorToolbar(editor), TB_ISBUTTONCHECKED, 3, 0), 0) << "the menu's pencil";
    EXPECT_EQ(SendMessageW(editorToolbar(editor), TB_ISBUTTONCHECKED, 4, 0), 0);
    SendMessageW(editor, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(editor)) << "the system's own commands keep working";
}

// A stroke is one step however it ends: released left of the window (a
// signed point), its release lost to another window taking the mouse, or a
// move that comes with no button held. The press captures the mouse.
TEST_F(Drag, EndsAsOneStepWhereverItsReleaseGoes) {
    enum End { releasedLeftOfTheWindow, captureTakenAway, moveWithoutButton };
    struct Case {
        const char* name;
        End end;
        int reachedX;  // the line's left end in the picture
    };
    const Case cases[] = {
        {"released left of the window", releasedLeftOfTheWindow, 0},
        {"capture taken away", captureTakenAway, 30},
        {"a move with no button held", moveWithoutButton, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND editor = openWhite();
        ASSERT_NE(editor, nullptr);
        press(editor, 'L');
        SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, at(60, 30));
        EXPECT_EQ(GetCapture(), editor);
        SendMessageW(editor, WM_MOUSEMOVE, MK_LBUTTON, at(30, 30));
        HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        switch (c.end) {
        case releasedLeftOfTheWindow:
            SendMessageW(editor, WM_LBUTTONUP, 0, at(-20, 30));
            break;
        case captureTakenAway:
            SetCapture(other);
            ReleaseCapture();
            break;
        case moveWithoutButton:
            SendMessageW(editor, WM_MOUSEMOVE, 0, at(10, 30));
            break;
        }
        DestroyWindow(other);
        EXPECT_NE(GetCapture(), editor);
        // A lost release that comes after all draws nothing more.
        if (c.end != releasedLeftOfTheWindow)
            SendMessageW(editor, WM_LBUTTONUP, 0, at(90, 60));
        PixelSet line;
        for (int x = c.reachedX; x <= 60; x++)
            line.insert({x, 30});
        EXPECT_EQ(marked(picture(editor)), line);
        press(editor, 'Z', true);
        EXPECT_EQ(marked(picture(editor)), PixelSet{}) << "taken back as one step";
        press(editor, 'Y', true);
        EXPECT_EQ(marked(picture(editor)), line) << "and redone";
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
}

// After typing into the text field, a click on the picture gives the keys
// back to the editor: Ctrl+Z takes back the text drawn, not the field's typing.
TEST_F(Drag, PressOnThePictureTakesTheKeysFromTheTextField) {
    HWND editor = openWhite();
    ASSERT_NE(editor, nullptr);
    press(editor, 'T');
    HWND edit = textField(editor);
    SetWindowTextW(edit, L"ab");
    SetFocus(edit);
    SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, at(10, 10));
    SendMessageW(editor, WM_LBUTTONUP, 0, at(10, 10));
    ASSERT_EQ(GetFocus(), editor);
    EXPECT_NE(marked(picture(editor)), PixelSet{});
    press(GetFocus(), 'Z', true);
    EXPECT_EQ(marked(picture(editor)), PixelSet{});
    EXPECT_EQ(windowText(edit), L"ab");
}
