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
    for (int command : {2, 3, 4, 5, 6, 7, 20, 21, 22, 23, 24, 25}) {
        if (SendMessageW(command < 20 ? editorToolbar(editor) : toolStrip(editor), TB_ISBUTTONCHECKED, command, 0))
            pressed.push_back(command);
    }
    return pressed;
}

// The menu a right click at p opens, with a tremble of a pixel, answered
// with the row of that text.
std::wstring rightClick(HWND editor, POINT p, const wchar_t* row = L"") {
    MenuAnswer answer(row);
    drag(editor, true, {p, {p.x + 1, p.y - 1}, p});
    return answer.rows;
}

// The balloon on the text field while it shows, by its text (empty for
// none); hidden after, as its time would.
std::wstring balloonShown(HWND editor) {
    for (HWND tip = nullptr; (tip = FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr));) {
        if (GetWindow(tip, GW_OWNER) != editor || !IsWindowVisible(tip))
            continue;
        std::wstring text = windowText(tip);
        ShowWindow(tip, SW_HIDE);
        return text;
    }
    return L"";
}

}  // namespace

// The five buttons with their tooltips sit just after the toolbar's last
// item, in its row, fully shown in both layouts, the pointer's first.
TEST_F(ToolStrip, SitsAfterTheToolbarInBothLayoutsWithItsTooltips) {
    const wchar_t* const tips[] = {L"Strzałka (A)", L"Zakreślacz (H)", L"Zamaskuj (O)",
                                   L"Napis (N)",    L"Numer (I)",      L"Wskaźnik (V)"};
    HWND editor = openFromClipboard(120, 90);
    ASSERT_NE(editor, nullptr);
    HWND strip = toolStrip(editor);
    ASSERT_NE(strip, nullptr);
    for (int command = 20; command <= 25; command++) {
        wchar_t text[64] = {};
        TTTOOLINFOW tool = {sizeof(tool), 0, strip, UINT_PTR(command), {}, nullptr, text, 0, nullptr};
        SendMessageW(reinterpret_cast<HWND>(SendMessageW(strip, TB_GETTOOLTIPS, 0, 0)), TTM_GETTEXTW, 64,
                     LPARAM(&tool));
        EXPECT_EQ(std::wstring(text), tips[command - 20]) << "as the tooltip shows it";
    }
    EXPECT_EQ(SendMessageW(strip, TB_ISBUTTONHIDDEN, 25, 0), 0) << "the pointer's button";
    for (const char* layout : {"collapsed", "expanded"}) {
        RECT last = buttonInEditor(editorToolbar(editor), 15);
        RECT first = buttonInEditor(strip, 25);
        EXPECT_EQ(first.top, last.top) << layout;
        EXPECT_EQ(first.left, last.right + 12) << layout << ": after a separator";
        RECT client = {};
        GetClientRect(editor, &client);
        EXPECT_EQ(buttonInEditor(strip, 24).right, client.right) << layout << ": every item shows";
        // The toolbars are transparent: the editor fills what lies under them.
        UpdateWindow(editor);
        HDC dc = GetDC(editor);
        EXPECT_EQ(GetPixel(dc, last.right + 6, last.top + 2), RGB(255, 255, 255)) << layout << ": the background";
        ReleaseDC(editor, dc);
        SendMessageW(editor, WM_COMMAND, 10, 0);
    }
}

// A click on each button, with the keys in T's text field, chooses its tool
// as its key does: its button alone pressed, the keys given back, the same
// picture after the same stroke, the typed text committed by the next
// button as by Ctrl+Enter. A key of the toolbar's tools lets the button go.
TEST_F(ToolStrip, ButtonsChooseAsTheirKeysDo) {
    struct Case {
        WPARAM key;
        int command;
        POINT from, to;
        const wchar_t* typed;
    };
    const Case cases[] = {
        {'A', 20, {20, 20}, {100, 60}, nullptr}, {'H', 21, {20, 20}, {100, 60}, nullptr},
        {'O', 22, {30, 10}, {150, 90}, nullptr}, {'N', 23, {30, 30}, {30, 30}, L"Zaż"},
        {'I', 24, {50, 40}, {50, 40}, nullptr}, {'V', 25, {20, 20}, {100, 60}, nullptr},
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
            EXPECT_EQ(pressedButtons(editor), std::vector<int>{c.command});
            drag(editor, false, {c.from, c.to});
            for (const wchar_t* t = c.typed; t && *t; t++)
                SendMessageW(editor, WM_CHAR, *t, 0);
            if (c.typed && byButton)
                clickToolbarButton(toolStrip(editor), 24);
            else if (c.typed)
                press(editor, VK_RETURN, true);
            pictures[byButton] = clientPixels(editor, 200, 120);
            press(editor, 'E');
            EXPECT_EQ(pressedButtons(editor), std::vector<int>{6});
            SendMessageW(editor, WM_COMMAND, 15, 0);
        }
        EXPECT_TRUE(pictures[0] == pictures[1]) << char(c.key);
        EXPECT_EQ(pictures[1] == blank, c.key == 'V') << char(c.key) << ": drew, the pointer alone not";
    }
}

namespace {

// What a key or a row did: what was saved, copied and sent, the picture
// shown, the pressed buttons and the frame.
template <typename T>
std::vector<uint8_t> bytesOf(const std::vector<T>& items) {
    const auto* first = reinterpret_cast<const uint8_t*>(items.data());
    return std::vector<uint8_t>(first, first + items.size() * sizeof(T));
}

std::vector<std::vector<uint8_t>> outcome(HWND editor, const std::wstring& savePath) {
    std::vector<std::vector<uint8_t>> o = {fileBytes(savePath), clipboardBytes(CF_DIB)};
    for (const Delivery& d : hostDeliveries())
        o.push_back(d.fileBytes);
    if (!IsWindow(editor))
        return o;
    std::vector<int> state = pressedButtons(editor);
    state.push_back(int(GetWindowLongW(editor, GWL_STYLE)));
    o.push_back(bytesOf(state));
    o.push_back(bytesOf(clientPixels(editor, 100, 80)));
    return o;
}

}  // namespace

// The rows as listed, the chosen tool's marked, greyed where they would do
// nothing; each against its key (the whole picture's send against its
// button) on a picture with a selection and a line drawn.
TEST_F(ContextMenu, RowsDoWhatTheirKeysDo) {
    const wchar_t* const listed =
        L"Wskaźnik\tV|Zaznaczenie\tS|Ołówek\tF|Linia\tL checked|Prostokąt\tR|Elipsa\tE|Tekst\tT|Strzałka\tA|Zakreślacz\tH|"
        L"Zamaskuj\tO|Napis\tN|Numer\tI||Cofnij\tCtrl+Z|Ponów\tCtrl+Y greyed|Kopiuj\tCtrl+C|Zapisz jako...\tCtrl+S||"
        L"Wyślij zaznaczenie\tEnter|Wyślij cały|Pełny ekran\tAlt+Enter greyed|";
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
        {L"Wskaźnik\tV", 'V', false, false, false},
    };
    const std::wstring path = freshFolder(L"contextMenu") + L"zapis.png";
    hostAddPictureTransfer(onlineContact, {0});
    // Each editor opens framed, whatever the last one left in the settings.
    hostRegister(L"WTW/Settings/Read", [](int64_t, int64_t) { return int64_t(0); }, RecordKind::none);
    for (const Case& c : cases) {
        std::vector<std::vector<uint8_t>> outcomes[2];
        for (int byRow = 0; byRow < 2; byRow++) {
            DialogAnswers answers(path);
            hostSettings()[L"snipLeaf/Fullscreen"] = 0;
            hostClearDeliveries();
            DeleteFileW(path.c_str());
            OpenClipboard(nullptr);
            EmptyClipboard();
            CloseClipboard();
            // Only a picture of the screen's size goes full screen.
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
                std::wstring rows = rightClick(editor, {50, 30}, c.row);
                EXPECT_TRUE(&c != &cases[0] || rows == listed) << "the rows as listed";
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
        EXPECT_TRUE(outcomes[0] == outcomes[1]) << std::string(c.row, c.row + 3);
    }
}

// A right click with any tool opens the menu and does nothing else: the
// picture stays, nothing is sent, and Enter then sends the selection. The
// keyboard's menu opens at the selection's corner, or the view's top-left.
TEST_F(ContextMenu, ARightClickDrawsNothingWhateverTheTool) {
    hostAddPictureTransfer(onlineContact, {0});
    for (WPARAM key : {'S', 'F', 'L', 'R', 'E', 'T', 'A', 'H', 'O', 'N', 'I'}) {
        hostClearDeliveries();
        HWND editor = openSolidFromClipboard(200, 120, RGB(0x30, 0x90, 0x60));
        ASSERT_NE(editor, nullptr);
        choosePng(editor);
        POINT corners[2] = {{0, 0}, {20, 20}};
        ClientToScreen(editor, &corners[0]);
        ClientToScreen(editor, &corners[1]);
        {
            MenuAnswer menuKey;
            SendMessageW(editor, WM_KEYUP, VK_APPS, 0);
            EXPECT_EQ(menuKey.corner, corners[0]) << "the view's top-left: no selection was made";
        }
        drag(editor, false, {{20, 20}, {150, 100}});
        press(editor, key);
        SetWindowTextW(textField(editor), L"ab");
        const Picture before = clientPixels(editor, 200, 120);
        EXPECT_FALSE(rightClick(editor, {60, 50}).empty()) << char(key);
        EXPECT_TRUE(clientPixels(editor, 200, 120) == before) << char(key);
        EXPECT_TRUE(hostDeliveries().empty()) << char(key);
        {
            MenuAnswer shiftF10;
            holdKeys(false, true);
            SendMessageW(editor, WM_SYSKEYDOWN, VK_F10, 0);
            holdKeys(false, false);
            EXPECT_EQ(shiftF10.corner, corners[1]) << "the selection's corner";
        }
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

// Typing into T's field a character its font lacks shows the balloon once
// per editor; ASCII shows none.
TEST_F(ToolStrip, BalloonTellsOnceWhereThePolishLettersAre) {
    struct Case {
        const wchar_t* typed;
        bool outside;
    };
    const std::wstring tip = L"Polskie litery wpisz narzędziem Napis (N).";
    for (const Case& c : {Case{L"Zazolc 1!", false}, Case{L"Zażółć", true}, Case{L"\u00e9", true}}) {
        HWND editor = openFromClipboard(300, 200);
        ASSERT_NE(editor, nullptr);
        SendMessageW(editor, WM_COMMAND, 10, 0);
        press(editor, 'T');
        for (const wchar_t* t = c.typed; *t; t++)
            SendMessageW(textField(editor), WM_CHAR, *t, 0);
        EXPECT_EQ(balloonShown(editor), c.outside ? tip : L"") << c.outside;
        SendMessageW(textField(editor), WM_CHAR, L'ą', 0);
        EXPECT_EQ(balloonShown(editor), c.outside ? L"" : tip) << "only the first time";
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
}
