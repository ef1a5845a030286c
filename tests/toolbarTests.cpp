// The editor's toolbar and full screen through the real DLL: the items and
// their states, the expanded layout of the child controls, and Alt+Enter.
#include "editorTestSupport.h"

#include <cwchar>
#include <iterator>

namespace {

class Toolbar : public EditorTest {};
class FullScreen : public EditorTest {};

}  // namespace

TEST_F(Toolbar, ToolbarStartsCollapsedWithItsItemStates) {
    hostRegister(L"upDeck/sendFile", [](int64_t, int64_t) { return int64_t(0); });
    HWND editor = openFromClipboard(400, 300);
    ASSERT_NE(editor, nullptr);
    HWND toolbar = editorToolbar(editor);
    ASSERT_NE(toolbar, nullptr);
    EXPECT_EQ(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0), 16);
    EXPECT_TRUE(SendMessageW(toolbar, TB_GETEXTENDEDSTYLE, 0, 0) & TBSTYLE_EX_MIXEDBUTTONS);
    static const BYTE expected[16] = {
        TBSTATE_HIDDEN, TBSTATE_HIDDEN, TBSTATE_HIDDEN | TBSTATE_CHECKED, TBSTATE_HIDDEN, TBSTATE_HIDDEN,
        TBSTATE_HIDDEN, TBSTATE_HIDDEN, TBSTATE_HIDDEN, TBSTATE_HIDDEN, TBSTATE_HIDDEN, TBSTATE_ENABLED,
        TBSTATE_ENABLED, TBSTATE_ENABLED, TBSTATE_ENABLED, TBSTATE_HIDDEN, TBSTATE_ENABLED,
    };
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(itemState(toolbar, i), expected[i]) << "item " << i;
    HWND toggle = childOfClass(toolbar, L"Button");
    ASSERT_NE(toggle, nullptr);
    EXPECT_EQ(windowText(toggle), L">");
    EXPECT_EQ(GetDlgCtrlID(toggle), 10);
}

// Each item's text, shown as its tooltip, exactly as the user reads it; the
// separators have none.
TEST_F(Toolbar, ItemTextsAreTheirTooltips) {
    hostRegister(L"upDeck/sendFile", [](int64_t, int64_t) { return int64_t(0); });
    hostSetImageHosting(true);
    struct Case {
        int command;
        const wchar_t* text;  // null: no text
    };
    static const Case cases[] = {
        {0, nullptr},
        {1, nullptr},
        {2, L"Zaznaczenie"},
        {3, L"Ołówek"},
        {4, L"Linia"},
        {5, L"Prostokąt"},
        {6, L"Elipsa"},
        {7, L"Tekst"},
        {8, nullptr},
        {9, nullptr},
        {10, nullptr},
        {11, L"Wyślij zaznaczony"},
        {12, L"Wyślij cały"},
        {13, L"Wyślij na FTP"},
        {14, L"Wyślij na imageshack.us"},
        {15, L"Anuluj"},
    };
    HWND editor = openFromClipboard(400, 300);
    ASSERT_NE(editor, nullptr);
    HWND toolbar = editorToolbar(editor);
    ASSERT_EQ(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0), LRESULT(std::size(cases)));
    for (const Case& c : cases) {
        wchar_t text[128] = {};
        LRESULT length = SendMessageW(toolbar, TB_GETBUTTONTEXTW, WPARAM(c.command), LPARAM(text));
        if (!c.text) {
            EXPECT_LE(length, 0) << "item " << c.command;
            continue;
        }
        EXPECT_EQ(length, LRESULT(std::wcslen(c.text))) << "item " << c.command;
        EXPECT_EQ(std::wstring(text), c.text) << "item " << c.command;
    }
}

TEST_F(Toolbar, StoredExpandedToolbarOpensExpanded) {
    struct Case {
        int64_t stored;
        bool expanded;
    };
    static const Case cases[] = {{1, true}, {2, false}, {0, false}};
    for (const Case& c : cases) {
        hostSettings()[L"snipLeaf/ToolbarExpanded"] = c.stored;
        hostRegister(L"WTW/Settings/Read", [](int64_t, int64_t) { return int64_t(0); }, RecordKind::none);
        HWND editor = openFromClipboard(400, 300);
        ASSERT_NE(editor, nullptr);
        HWND toolbar = editorToolbar(editor);
        EXPECT_EQ(itemState(toolbar, 3), c.expanded ? TBSTATE_ENABLED : TBSTATE_HIDDEN) << c.stored;
        EXPECT_EQ(itemState(toolbar, 2) & TBSTATE_CHECKED, TBSTATE_CHECKED) << "Select stays checked";
        EXPECT_EQ(windowText(childOfClass(toolbar, L"Button")), c.expanded ? L"<" : L">");
        EXPECT_EQ(hostSettings()[L"snipLeaf/ToolbarExpanded"], c.expanded ? 1 : 0);
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
}

TEST_F(Toolbar, ToggleLaysOutTheExpandedToolbar) {
    HWND editor = openFromClipboard(700, 300);
    ASSERT_NE(editor, nullptr);
    HWND toolbar = editorToolbar(editor);
    HWND toggle = childOfClass(toolbar, L"Button");
    HWND edit = childOfClass(toolbar, L"Edit");
    HWND slider = childOfClass(toolbar, TRACKBAR_CLASSW);
    HWND style = childOfClass(toolbar, L"StyleControl");
    ASSERT_TRUE(toggle && edit && slider && style);
    SendMessageW(editor, WM_COMMAND, 10, 0);
    for (int i = 0; i < 10; i++)
        EXPECT_EQ(itemState(toolbar, i) & ~TBSTATE_CHECKED, TBSTATE_ENABLED) << i;
    EXPECT_EQ(windowText(toggle), L"<");
    RECT item10 = toolbarItem(toolbar, 10);
    expectRect(childRect(toggle), item10.left, item10.top, item10.right - item10.left, item10.bottom - item10.top,
               "toggle over item 10");
    RECT item8 = toolbarItem(toolbar, 8);
    LONG h = item8.bottom - item8.top;
    expectRect(childRect(edit), item8.left + 1, item8.top + (h >> 2), 99, h >> 1, "edit over item 8");
    RECT item9 = toolbarItem(toolbar, 9);
    expectRect(childRect(slider), item9.left + 1, item9.top - 1, 98, item9.bottom - item9.top - 2, "slider");
    EXPECT_TRUE(IsWindowVisible(edit) && IsWindowVisible(slider) && IsWindowVisible(style));
    RECT styleRect = childRect(style);
    expectRect(styleRect, 0, 0, 4 * h + 66, h, "style control at the origin");
    EXPECT_EQ(toolbarItem(toolbar, 0).right - toolbarItem(toolbar, 0).left, 4 * h + 66);
    EXPECT_EQ(hostSettings()[L"snipLeaf/ToolbarExpanded"], 1);

    SendMessageW(editor, WM_COMMAND, 10, 0);
    EXPECT_EQ(windowText(toggle), L">");
    EXPECT_FALSE(IsWindowVisible(edit) || IsWindowVisible(slider) || IsWindowVisible(style));
    EXPECT_EQ(itemState(toolbar, 3), TBSTATE_HIDDEN);
    EXPECT_EQ(hostSettings()[L"snipLeaf/ToolbarExpanded"], 0);
}

TEST_F(FullScreen, AltEnterSwitchesAScreenSizedPictureToFullScreenAndBack) {
    EXPECT_EQ(hostClickItem(L"snipLeaf/Screen", {onlineContact}), 0);
    HWND editor = findEditor();
    ASSERT_NE(editor, nullptr);
    ShowWindow(editor, SW_RESTORE);
    SetWindowPos(editor, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    RECT before = {};
    GetWindowRect(editor, &before);
    HWND toolbar = editorToolbar(editor);
    int cx = GetSystemMetrics(SM_CXSCREEN);
    int cy = GetSystemMetrics(SM_CYSCREEN);
    struct Step {
        UINT message;
        bool fullScreen;
    };
    static const Step steps[] = {{WM_SYSKEYUP, true}, {WM_SYSKEYUP, false}, {WM_KEYUP, true}, {WM_KEYUP, false}};
    for (const Step& step : steps) {
        holdAlt(true);
        SendMessageW(editor, step.message == WM_SYSKEYUP ? WM_SYSKEYDOWN : WM_KEYDOWN, VK_RETURN, 0);
        SendMessageW(editor, step.message, VK_RETURN, 0);
        holdAlt(false);
        LONG style = GetWindowLongW(editor, GWL_STYLE);
        RECT rect = {};
        GetWindowRect(editor, &rect);
        EXPECT_EQ((style & WS_POPUP) != 0, step.fullScreen);
        EXPECT_EQ((style & 0x00CF0000) == 0, step.fullScreen);
        EXPECT_EQ(IsWindowVisible(toolbar) != 0, !step.fullScreen);
        EXPECT_EQ(IsWindowVisible(toolStrip(editor)) != 0, !step.fullScreen) << "the tool strip with it";
        EXPECT_EQ(hostSettings()[L"snipLeaf/Fullscreen"], step.fullScreen ? 1 : 0);
        if (step.fullScreen) {
            expectRect(rect, 0, 0, cx, cy, "covers the screen");
        } else {
            EXPECT_EQ(rect.left, before.left) << "back where it was";
            EXPECT_EQ(rect.top, before.top);
        }
    }
    EXPECT_EQ(SendMessageW(editor, WM_SYSCHAR, L'\r', 0), 0) << "the Enter of Alt+Enter does not beep";
}

TEST_F(FullScreen, FullScreenIsRefusedForASmallerPicture) {
    HWND editor = openFromClipboard(GetSystemMetrics(SM_CXSCREEN) - 1, 300);
    ASSERT_NE(editor, nullptr);
    hostClearJournal();
    holdAlt(true);
    SendMessageW(editor, WM_SYSKEYDOWN, VK_RETURN, 0);
    SendMessageW(editor, WM_SYSKEYUP, VK_RETURN, 0);
    holdAlt(false);
    EXPECT_NE(GetWindowLongW(editor, GWL_STYLE) & WS_CAPTION, 0);
    EXPECT_TRUE(settingsCalls().empty()) << "nothing written";
}
