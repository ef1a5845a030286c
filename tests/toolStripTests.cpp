// The tool strip beside the toolbar, the menu under the right button and the
// balloon on the text field, through the real DLL with mouse, key and
// character messages; each button and row against its key.
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "editorTestSupport.h"

namespace {

class ToolStrip : public EditorTest {};
class ContextMenu : public EditorTest {};
class LetterTip : public EditorTest {};

using Picture = std::vector<COLORREF>;

RECT buttonInEditor(HWND bar, int command) {
    RECT r = {};
    SendMessageW(bar, TB_GETRECT, WPARAM(command), LPARAM(&r));
    MapWindowPoints(bar, GetParent(bar), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The pressed buttons of both toolbars, by command.
std::vector<int> pressedButtons(HWND editor) {
    std::vector<int> pressed;
    for (int command : {2, 3, 4, 5, 6, 7, 20, 21, 22, 23, 24}) {
        HWND bar = command < 20 ? editorToolbar(editor) : toolStrip(editor);
        if (SendMessageW(bar, TB_ISBUTTONCHECKED, WPARAM(command), 0))
            pressed.push_back(command);
    }
    return pressed;
}

// The menu a right click at p opens, answered with the row of that text.
std::vector<MenuRowSeen> rightClick(HWND editor, POINT p, const wchar_t* row = L"") {
    MenuAnswer answer(row);
    drag(editor, true, {p, {p.x + 1, p.y - 1}, p});
    return answer.rows;
}

std::wstring seen(const MenuRowSeen& row) {
    return row.text + (row.greyed ? L" greyed" : L"") + (row.checked ? L" checked" : L"");
}

// The balloon of the text field while it shows, by its text; empty for none.
std::wstring balloonShown(HWND editor) {
    for (HWND tip = nullptr; (tip = FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr));) {
        if (GetWindow(tip, GW_OWNER) == editor && IsWindowVisible(tip))
            return windowText(tip);
    }
    return L"";
}

}  // namespace

// The five buttons with their tooltips sit just after the toolbar's last
// item, in its row, fully shown in both layouts; the pointer's waits hidden.
TEST_F(ToolStrip, SitsAfterTheToolbarInBothLayoutsWithItsTooltips) {
    struct Case {
        int command;
        const wchar_t* tip;
    };
    const Case cases[] = {
        {20, L"Strzałka (A)"}, {21, L"Zakreślacz (H)"}, {22, L"Zamaskuj (O)"}, {23, L"Napis (N)"}, {24, L"Numer (I)"},
    };
    HWND editor = openFromClipboard(120, 90);
    ASSERT_NE(editor, nullptr);
    HWND strip = toolStrip(editor);
    ASSERT_NE(strip, nullptr);
    auto tips = reinterpret_cast<HWND>(SendMessageW(strip, TB_GETTOOLTIPS, 0, 0));
    for (const Case& c : cases) {
        wchar_t text[64] = {};
        SendMessageW(strip, TB_GETBUTTONTEXTW, WPARAM(c.command), LPARAM(text));
        EXPECT_EQ(std::wstring(text), c.tip);
        TTTOOLINFOW tool = {};
        tool.cbSize = sizeof(tool);
        tool.hwnd = strip;
        tool.uId = UINT_PTR(c.command);
        tool.lpszText = text;
        text[0] = 0;
        SendMessageW(tips, TTM_GETTEXTW, 64, LPARAM(&tool));
        EXPECT_EQ(std::wstring(text), c.tip) << "as the tooltip shows it";
    }
    EXPECT_NE(SendMessageW(strip, TB_ISBUTTONHIDDEN, 25, 0), 0) << "the pointer's button";
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    for (const char* layout : {"collapsed", "expanded"}) {
        RECT last = buttonInEditor(editorToolbar(editor), 15);
        RECT first = buttonInEditor(strip, 20);
        EXPECT_EQ(first.top, last.top) << layout;
        EXPECT_EQ(first.left, last.right + 12) << layout << ": after a separator";
        RECT client = {}, outer = {};
        GetClientRect(editor, &client);
        GetWindowRect(editor, &outer);
        EXPECT_LE(buttonInEditor(strip, 24).right, client.right) << layout << ": every item shows";
        EXPECT_TRUE(outer.left >= work.left && outer.right <= work.right) << layout;
        SendMessageW(editor, WM_COMMAND, 10, 0);
    }
}

// A click on each button, with the keys in T's text field, chooses its tool
// as its key does and gives the keys back: the same picture after the same
// stroke; the typed text committed by the next button as by Ctrl+Enter.
TEST_F(ToolStrip, ButtonsDrawAsTheirKeysDo) {
    struct Case {
        WPARAM key;
        int command;
        POINT from, to;
        const wchar_t* typed;
    };
    const Case cases[] = {
        {'A', 20, {20, 20}, {100, 60}, nullptr}, {'H', 21, {20, 20}, {100, 60}, nullptr},
        {'O', 22, {30, 10}, {150, 90}, nullptr}, {'N', 23, {30, 30}, {30, 30}, L"Zaż"},
        {'I', 24, {50, 40}, {50, 40}, nullptr},
    };
    for (const Case& c : cases) {
        Picture pictures[2], blank;
        for (int byButton = 0; byButton < 2; byButton++) {
            HWND editor = openFromClipboard(200, 120);
            ASSERT_NE(editor, nullptr);
            blank = clientPixels(editor, 200, 120);
            press(editor, 'T');
            SetFocus(textField(editor));
            if (byButton)
                clickToolbarButton(toolStrip(editor), c.command);
            else
                SendMessageW(editor, WM_KEYDOWN, c.key, 0);
            EXPECT_EQ(GetFocus(), editor) << char(c.key);
            drag(editor, false, {c.from, c.to});
            for (const wchar_t* t = c.typed; t && *t; t++)
                SendMessageW(editor, WM_CHAR, *t, 0);
            if (c.typed && byButton)
                clickToolbarButton(toolStrip(editor), 24);
            else if (c.typed)
                press(editor, VK_RETURN, true);
            pictures[byButton] = clientPixels(editor, 200, 120);
            SendMessageW(editor, WM_COMMAND, 15, 0);
        }
        EXPECT_TRUE(pictures[0] == pictures[1]) << char(c.key);
        EXPECT_FALSE(pictures[1] == blank) << char(c.key) << " drew";
    }
}

// Whichever way a tool is chosen, its button alone shows pressed in both
// toolbars.
TEST_F(ToolStrip, OneButtonPressedAfterKeysButtonsAndMenuRows) {
    enum How { key, toolbarButton, stripButton, contextRow };
    struct Step {
        How how;
        WPARAM keyOrCommand;
        const wchar_t* row;
        int pressed;
    };
    const Step steps[] = {
        {key, 'A', nullptr, 20},          {toolbarButton, 4, nullptr, 4},     {stripButton, 21, nullptr, 21},
        {contextRow, 0, L"Napis\tN", 23}, {key, 'E', nullptr, 6},             {key, 'I', nullptr, 24},
        {stripButton, 22, nullptr, 22},   {contextRow, 0, L"Linia\tL", 4},    {contextRow, 0, L"Numer\tI", 24},
        {toolbarButton, 7, nullptr, 7},   {contextRow, 0, L"Zaznaczenie\tS", 2},
    };
    HWND editor = openFromClipboard(300, 200);
    ASSERT_NE(editor, nullptr);
    SendMessageW(editor, WM_COMMAND, 10, 0);
    EXPECT_EQ(pressedButtons(editor), std::vector<int>{2});
    for (const Step& step : steps) {
        if (step.how == key)
            press(editor, step.keyOrCommand);
        if (step.how == toolbarButton)
            clickToolbarButton(editorToolbar(editor), int(step.keyOrCommand));
        if (step.how == stripButton)
            clickToolbarButton(toolStrip(editor), int(step.keyOrCommand));
        if (step.how == contextRow) {
            EXPECT_FALSE(rightClick(editor, {150, 100}, step.row).empty());
        }
        EXPECT_EQ(pressedButtons(editor), std::vector<int>{step.pressed}) << step.pressed;
    }
}

// The rows as listed, the chosen tool's checked, greyed where they would do
// nothing: in a new editor there is no step to undo or redo, and a picture
// smaller than the screen does not go full screen.
TEST_F(ContextMenu, ListsEveryToolTheEditsAndTheSends) {
    const wchar_t* const expected[] = {
        L"Zaznaczenie\tS checked",
        L"Ołówek\tF",
        L"Linia\tL",
        L"Prostokąt\tR",
        L"Elipsa\tE",
        L"Tekst\tT",
        L"Strzałka\tA",
        L"Zakreślacz\tH",
        L"Zamaskuj\tO",
        L"Napis\tN",
        L"Numer\tI",
        L"",
        L"Cofnij\tCtrl+Z greyed",
        L"Ponów\tCtrl+Y greyed",
        L"Kopiuj\tCtrl+C",
        L"Zapisz jako...\tCtrl+S",
        L"",
        L"Wyślij zaznaczenie\tEnter",
        L"Wyślij cały",
        L"Pełny ekran\tAlt+Enter greyed",
    };
    HWND editor = openFromClipboard(300, 200);
    ASSERT_NE(editor, nullptr);
    std::vector<std::wstring> rows;
    for (const MenuRowSeen& row : rightClick(editor, {40, 30}))
        rows.push_back(seen(row));
    EXPECT_EQ(rows, std::vector<std::wstring>(std::begin(expected), std::end(expected)));
    EXPECT_NE(findEditor(), nullptr) << "Escape closed the menu alone";
}

namespace {

// What a key or a row did: the picture shown, what was sent, saved and
// copied, the frame, the pressed buttons.
struct Outcome {
    Picture shown;
    std::vector<std::vector<uint8_t>> sent;
    std::vector<uint8_t> saved, copied;
    LONG style = 0;
    std::vector<int> pressed;
};

Outcome outcome(HWND editor, const std::wstring& savePath) {
    Outcome o;
    if (IsWindow(editor)) {
        o.shown = clientPixels(editor, 100, 80);
        o.style = GetWindowLongW(editor, GWL_STYLE);
        o.pressed = pressedButtons(editor);
    }
    for (const Delivery& d : hostDeliveries())
        o.sent.push_back(d.fileBytes);
    o.saved = fileBytes(savePath);
    o.copied = clipboardBytes(CF_DIB);
    return o;
}

}  // namespace

// Each row against its key (the send of the whole picture against its
// button) on a picture with a selection and a line drawn.
TEST_F(ContextMenu, RowsDoWhatTheirKeysDo) {
    struct Case {
        const wchar_t* row;
        WPARAM key;  // 0: the toolbar's command 12
        bool control, alt, undoFirst;
    };
    const Case cases[] = {
        {L"Cofnij\tCtrl+Z", 'Z', true, false, false},     {L"Ponów\tCtrl+Y", 'Y', true, false, true},
        {L"Kopiuj\tCtrl+C", 'C', true, false, false},     {L"Zapisz jako...\tCtrl+S", 'S', true, false, false},
        {L"Wyślij zaznaczenie\tEnter", VK_RETURN, false, false, false},
        {L"Wyślij cały", 0, false, false, false},         {L"Pełny ekran\tAlt+Enter", VK_RETURN, false, true, false},
        {L"Prostokąt\tR", 'R', false, false, false},      {L"Strzałka\tA", 'A', false, false, false},
    };
    const std::wstring path = freshFolder(L"contextMenu") + L"zapis.png";
    hostAddPictureTransfer(onlineContact, {0});
    // Each editor opens framed, whatever the last one left in the settings.
    hostRegister(L"WTW/Settings/Read", [](int64_t, int64_t) { return int64_t(0); }, RecordKind::none);
    for (const Case& c : cases) {
        Outcome outcomes[2];
        for (int byRow = 0; byRow < 2; byRow++) {
            DialogAnswers answers(path);
            hostSettings()[L"snipLeaf/Fullscreen"] = 0;
            hostClearDeliveries();
            DeleteFileW(path.c_str());
            OpenClipboard(nullptr);
            EmptyClipboard();
            CloseClipboard();
            // Only a screen-sized picture goes full screen.
            HWND editor = openSolidFromClipboard(c.alt ? GetSystemMetrics(SM_CXSCREEN) : 300,
                                                 c.alt ? GetSystemMetrics(SM_CYSCREEN) : 200, RGB(0x30, 0x90, 0x60));
            ASSERT_NE(editor, nullptr);
            choosePng(editor);
            drag(editor, false, {{10, 10}, {90, 70}});
            press(editor, 'L');
            drag(editor, false, {{5, 5}, {60, 40}});
            if (c.undoFirst)
                press(editor, 'Z', true);
            if (byRow) {
                EXPECT_FALSE(rightClick(editor, {50, 30}, c.row).empty());
            } else if (c.key == 0) {
                SendMessageW(editor, WM_COMMAND, 12, 0);
            } else {
                holdKeys(c.control, false, c.alt);
                SendMessageW(editor, c.alt ? WM_SYSKEYDOWN : WM_KEYDOWN, c.key, 0);
                SendMessageW(editor, c.alt ? WM_SYSKEYUP : WM_KEYUP, c.key, 0);
                holdKeys(false, false);
            }
            hostPumpMessages(30);
            outcomes[byRow] = outcome(editor, path);
            if (IsWindow(editor))
                SendMessageW(editor, WM_COMMAND, 15, 0);
        }
        SCOPED_TRACE(std::string(c.row, c.row + 2));
        EXPECT_TRUE(outcomes[0].shown == outcomes[1].shown);
        EXPECT_TRUE(outcomes[0].sent == outcomes[1].sent);
        EXPECT_TRUE(outcomes[0].saved == outcomes[1].saved);
        EXPECT_TRUE(outcomes[0].copied == outcomes[1].copied);
        EXPECT_EQ(outcomes[0].style, outcomes[1].style);
        EXPECT_EQ(outcomes[0].pressed, outcomes[1].pressed);
    }
}

// A right click with any tool opens the menu and does nothing else: the
// picture stays, nothing is sent, and Enter then sends the selection.
TEST_F(ContextMenu, ARightClickDrawsNothingWhateverTheTool) {
    hostAddPictureTransfer(onlineContact, {0});
    for (WPARAM key : {'S', 'F', 'L', 'R', 'E', 'T', 'A', 'H', 'O', 'N', 'I'}) {
        hostClearDeliveries();
        HWND editor = openSolidFromClipboard(200, 120, RGB(0x30, 0x90, 0x60));
        ASSERT_NE(editor, nullptr);
        choosePng(editor);
        drag(editor, false, {{20, 20}, {150, 100}});
        press(editor, key);
        SetWindowTextW(textField(editor), L"ab");
        const Picture before = clientPixels(editor, 200, 120);
        EXPECT_FALSE(rightClick(editor, {60, 50}).empty()) << char(key);
        EXPECT_TRUE(clientPixels(editor, 200, 120) == before) << char(key);
        EXPECT_TRUE(hostDeliveries().empty()) << char(key);
        press(editor, VK_RETURN);
        hostPumpMessages(30);
        ASSERT_EQ(hostDeliveries().size(), 1u) << char(key);
        const std::vector<uint8_t>& png = hostDeliveries()[0].fileBytes;
        EXPECT_EQ(readAt<uint32_t>(png, 16), _byteswap_ulong(130)) << char(key) << ": the selection's width";
        EXPECT_EQ(readAt<uint32_t>(png, 20), _byteswap_ulong(80)) << char(key);
        if (HWND still = findEditor())
            SendMessageW(still, WM_COMMAND, 15, 0);
    }
}

// From the keyboard the menu opens at the selection's corner, or at the
// view's top-left when the user made none.
TEST_F(ContextMenu, TheMenuKeyOpensItAtTheSelectionOrTheView) {
    struct Case {
        bool selectFirst, shiftF10;
        POINT corner;
    };
    const Case cases[] = {{false, false, {0, 0}}, {true, false, {30, 20}}, {true, true, {30, 20}}};
    for (const Case& c : cases) {
        HWND editor = openFromClipboard(300, 200);
        ASSERT_NE(editor, nullptr);
        SetFocus(editor);
        if (c.selectFirst)
            drag(editor, false, {{120, 90}, {30, 20}});
        MenuAnswer answer;
        holdKeys(false, c.shiftF10);
        SendMessageW(editor, c.shiftF10 ? WM_SYSKEYDOWN : WM_KEYDOWN, c.shiftF10 ? VK_F10 : VK_APPS, 0);
        SendMessageW(editor, c.shiftF10 ? WM_SYSKEYUP : WM_KEYUP, c.shiftF10 ? VK_F10 : VK_APPS, 0);
        holdKeys(false, false);
        POINT corner = c.corner;
        ClientToScreen(editor, &corner);
        EXPECT_FALSE(answer.rows.empty());
        EXPECT_EQ(answer.corner.x, corner.x) << c.shiftF10;
        EXPECT_EQ(answer.corner.y, corner.y) << c.shiftF10;
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
}

// Typing into T's field a character its font lacks shows the balloon once
// per editor; ASCII shows none.
TEST_F(LetterTip, TellsOnceWhereThePolishLettersAre) {
    struct Case {
        const wchar_t* typed;
        bool shown;
    };
    const Case cases[] = {{L"Zazolc 1!", false}, {L"Zażółć", true}, {L"\u00e9", true}};
    for (const Case& c : cases) {
        HWND editor = openFromClipboard(300, 200);
        ASSERT_NE(editor, nullptr);
        SendMessageW(editor, WM_COMMAND, 10, 0);
        press(editor, 'T');
        HWND field = textField(editor);
        for (const wchar_t* t = c.typed; *t; t++)
            SendMessageW(field, WM_CHAR, *t, 0);
        EXPECT_EQ(balloonShown(editor), c.shown ? L"Polskie litery wpisz narzędziem Napis (N)." : L"") << c.shown;
        for (HWND tip = nullptr; (tip = FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr));)
            if (GetWindow(tip, GW_OWNER) == editor)
                ShowWindow(tip, SW_HIDE);
        SendMessageW(field, WM_CHAR, L'ą', 0);
        EXPECT_EQ(balloonShown(editor), c.shown ? L"" : L"Polskie litery wpisz narzędziem Napis (N).")
            << "only the first time";
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
}
