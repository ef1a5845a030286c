// The quality slider through the real DLL: its range, its position kept in
// the settings, and the tooltip text of each level.
#include "editorTestSupport.h"

#include <algorithm>

#include "editor/qualitySlider.h"

namespace {

class QualitySlider : public EditorTest {};

// The text of the tool a tooltip shows now: the tool under the cursor, or the
// one it tracks, which is never the current tool; empty when it shows none.
std::wstring shownTipText(HWND tip) {
    if (!IsWindowVisible(tip))
        return L"";
    TOOLINFOW tool = {};
    tool.cbSize = sizeof(tool);
    bool found = SendMessageW(tip, TTM_GETCURRENTTOOLW, 0, LPARAM(&tool));
    for (int i = 0; !found && SendMessageW(tip, TTM_ENUMTOOLSW, i, LPARAM(&tool)); i++)
        found = tool.uFlags & TTF_TRACK;
    if (!found)
        return L"(no tool shown)";
    wchar_t text[80] = {};
    tool.lpszText = text;
    SendMessageW(tip, TTM_GETTEXTW, std::size(text), LPARAM(&tool));
    return text;
}

// The thread's tooltip that has a tool for the window, other than the one the
// slider made for itself.
HWND hoverTipOf(HWND slider) {
    struct Search {
        HWND slider, dragTip, found;
    } search = {slider, reinterpret_cast<HWND>(SendMessageW(slider, TBM_GETTOOLTIPS, 0, 0)), nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM context) -> BOOL {
            auto* s = reinterpret_cast<Search*>(context);
            wchar_t className[64] = {};
            GetClassNameW(window, className, 64);
            if (window == s->dragTip || std::wstring(className) != TOOLTIPS_CLASSW)
                return TRUE;
            TOOLINFOW tool = {};
            tool.cbSize = sizeof(tool);
            for (int i = 0; SendMessageW(window, TTM_ENUMTOOLSW, i, LPARAM(&tool)); i++) {
                if (tool.uId == UINT_PTR(s->slider))
                    s->found = window;
            }
            return TRUE;
        },
        LPARAM(&search));
    return search.found;
}

}  // namespace

TEST_F(QualitySlider, SliderNamesEachLevelAndKeepsItsPosition) {
    hostSettings()[L"snipLeaf/DefaultQuality"] = 2;
    hostRegister(L"WTW/Settings/Read", [](int64_t, int64_t) { return int64_t(0); }, RecordKind::none);
    HWND editor = openFromClipboard(400, 300);
    ASSERT_NE(editor, nullptr);
    HWND toolbar = editorToolbar(editor);
    HWND slider = childOfClass(toolbar, TRACKBAR_CLASSW);
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(SendMessageW(slider, TBM_GETRANGEMIN, 0, 0), 0);
    EXPECT_EQ(SendMessageW(slider, TBM_GETRANGEMAX, 0, 0), 4);
    EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 2);
    static const wchar_t* const tips[] = {L"PNG", L"JPEG 80%", L"JPEG 60%", L"JPEG 40%", L"JPEG 10%"};
    for (int position = 0; position < 5; position++) {
        SendMessageW(slider, TBM_SETPOS, TRUE, position);
        NMTTDISPINFOW info = {};
        info.hdr.hwndFrom = reinterpret_cast<HWND>(SendMessageW(slider, TBM_GETTOOLTIPS, 0, 0));
        info.hdr.idFrom = UINT_PTR(slider);
        info.hdr.code = TTN_GETDISPINFOW;
        EXPECT_EQ(SendMessageW(toolbar, WM_NOTIFY, 0, LPARAM(&info)), 0);
        EXPECT_EQ(std::wstring(info.szText), tips[position]);
    }
    NMTTDISPINFOW other = {};
    other.hdr.idFrom = 12345;
    other.hdr.code = TTN_GETDISPINFOW;
    SendMessageW(toolbar, WM_NOTIFY, 0, LPARAM(&other));
    EXPECT_EQ(std::wstring(other.szText), L"") << "other tools' requests are not answered with a level";

    SendMessageW(slider, TBM_SETPOS, TRUE, 3);
    SendMessageW(editor, WM_COMMAND, 15, 0);
    EXPECT_EQ(hostSettings()[L"snipLeaf/DefaultQuality"], 3);
    HWND next = openFromClipboard(100, 100);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(SendMessageW(childOfClass(editorToolbar(next), TRACKBAR_CLASSW), TBM_GETPOS, 0, 0), 3);
}

// The tooltip's text for each position; a position beyond the five levels
// names none of them.
TEST(QualityTipText, EachPositionNamesItsLevel) {
    struct Case {
        int32_t position;
        const wchar_t* text;
    };
    static const Case cases[] = {
        {0, L"PNG"},   {1, L"JPEG 80%"}, {2, L"JPEG 60%"},   {3, L"JPEG 40%"},          {4, L"JPEG 10%"},
        {5, L"Error"}, {-1, L"Error"},   {100, L"Error"}, {int32_t(0x80000000), L"Error"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(std::wstring(qualityTipText(c.position)), c.text) << c.position;
}

// The thumb dragged with the mouse, and the mouse resting on the slider: the
// tip names the level under the thumb, never its bare position.
TEST_F(QualitySlider, TipNamesTheLevelWhileDraggedAndHovered) {
    HWND editor = openFromClipboard(1000, 300);
    ASSERT_NE(editor, nullptr);
    SendMessageW(editor, WM_COMMAND, 10, 0);
    HWND slider = childOfClass(editorToolbar(editor), TRACKBAR_CLASSW);
    ASSERT_TRUE(slider && IsWindowVisible(slider));
    HWND dragTip = reinterpret_cast<HWND>(SendMessageW(slider, TBM_GETTOOLTIPS, 0, 0));
    HWND hoverTip = hoverTipOf(slider);
    ASSERT_NE(dragTip, nullptr);
    ASSERT_NE(hoverTip, nullptr) << "the slider has a tip of its own for hovering";
    POINT thumbCentre[5];
    for (int level = 0; level < 5; level++) {
        SendMessageW(slider, TBM_SETPOS, TRUE, level);
        RECT thumb = {};
        SendMessageW(slider, TBM_GETTHUMBRECT, 0, LPARAM(&thumb));
        thumbCentre[level] = {(thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2};
    }
    struct Case {
        int level;
        const wchar_t* tip;
    };
    static const Case cases[] = {{2, L"JPEG 60%"}, {4, L"JPEG 10%"}, {1, L"JPEG 80%"},
                                 {3, L"JPEG 40%"}, {0, L"PNG"},      {4, L"JPEG 10%"}};

    SendMessageW(slider, TBM_SETPOS, TRUE, 0);
    SendMessageW(slider, WM_LBUTTONDOWN, MK_LBUTTON, at(thumbCentre[0].x, thumbCentre[0].y));
    EXPECT_EQ(shownTipText(dragTip), L"PNG") << "at the press";
    for (const Case& c : cases) {
        SendMessageW(slider, WM_MOUSEMOVE, MK_LBUTTON, at(thumbCentre[c.level].x, thumbCentre[c.level].y));
        UpdateWindow(slider);
        EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), c.level);
        EXPECT_EQ(shownTipText(dragTip), c.tip) << "dragged to " << c.level;
    }
    SendMessageW(slider, WM_LBUTTONUP, 0, at(thumbCentre[4].x, thumbCentre[4].y));
    EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 4);
    EXPECT_EQ(shownTipText(dragTip), L"") << "the dragged tip goes with the release";

    // The tip appears where the cursor really rests, as a person's would.
    POINT onSlider = thumbCentre[0];
    ClientToScreen(slider, &onSlider);
    onSlider.y += 2;
    for (const Case& c : cases) {
        SendMessageW(slider, TBM_SETPOS, TRUE, c.level);
        SendMessageW(hoverTip, TTM_POP, 0, 0);
        ASSERT_TRUE(SetCursorPos(onSlider.x, onSlider.y));
        POINT inSlider = onSlider;
        ScreenToClient(slider, &inSlider);
        SendMessageW(slider, WM_MOUSEMOVE, 0, at(inSlider.x, inSlider.y));
        hostPumpMessages(SendMessageW(hoverTip, TTM_GETDELAYTIME, TTDT_INITIAL, 0) + 300);
        EXPECT_EQ(shownTipText(hoverTip), c.tip) << "hovering at " << c.level;
    }
}

namespace {

// Real input as a person's hand gives it: the cursor moved, then a button's
// change there; a key pressed and let go.
void mouseAt(POINT screen, DWORD button, int wait) {
    SetCursorPos(screen.x, screen.y);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | button;
    SendInput(1, &input, sizeof(input));
    hostPumpMessages(wait);
}

void typeKey(WORD key) {
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
    hostPumpMessages(30);
}

// The text of the tip its parent gave the window.
std::wstring tipOf(HWND window) {
    TOOLINFOW tool = {};
    tool.cbSize = sizeof(tool);
    tool.hwnd = GetParent(window);
    tool.uId = UINT_PTR(window);
    wchar_t text[80] = {};
    tool.lpszText = text;
    SendMessageW(hoverTipOf(window), TTM_GETTEXTW, std::size(text), LPARAM(&tool));
    return text;
}

int visibleTips() {
    int shown = 0;
    for (HWND tip = nullptr; (tip = FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr)) != nullptr;)
        shown += IsWindowVisible(tip) ? 1 : 0;
    return shown;
}

}  // namespace

// The thumb dragged, the channel clicked, a colour dialog cancelled, with real
// mouse input: the keys are the editor window's again (N chooses its tool,
// Enter sends), and while the thumb is dragged one tip shows, though the press
// came before the hover tip's wait was over. A click into the text field
// keeps the keys there. The colour buttons' tips name their colours.
TEST_F(QualitySlider, KeysGoBackToTheEditorWhenTheMouseLetsGo) {
    enum Target { thumb, channel, penButton, field };
    hostAddPictureTransfer(onlineContact, {0});
    DialogAnswers answers;
    answers.atMessageBox = [](HWND dialog) { return PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0) != 0; };
    for (Target target : {thumb, channel, penButton, field}) {
        SCOPED_TRACE(target);
        hostClearDeliveries();
        HWND editor = openFromClipboard(1000, 300);
        ASSERT_NE(editor, nullptr);
        HWND toolbar = editorToolbar(editor), slider = childOfClass(toolbar, TRACKBAR_CLASSW);
        if (!IsWindowVisible(slider))
            SendMessageW(editor, WM_COMMAND, 10, 0);
        choosePng(editor);
        SendMessageW(editor, WM_KEYDOWN, 'T', 0);
        SetForegroundWindow(editor);
        HWND style = childOfClass(toolbar, L"StyleControl"), window = slider;
        RECT r = {};
        SendMessageW(slider, target == thumb ? TBM_GETTHUMBRECT : TBM_GETCHANNELRECT, 0, LPARAM(&r));
        r.left = target == thumb ? r.left : r.right - 8;
        if (target >= penButton && GetClientRect(window = target == field ? textField(editor) : GetDlgItem(style, 0), &r))
            MapWindowPoints(window, slider, reinterpret_cast<POINT*>(&r), 2);
        POINT at = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ClientToScreen(slider, &at);
        EXPECT_EQ(tipOf(GetDlgItem(style, 0)), L"Kolor pióra...");
        EXPECT_EQ(tipOf(GetDlgItem(style, 1)), L"Kolor pędzla...");
        mouseAt(at, 0, 100);
        mouseAt(at, MOUSEEVENTF_LEFTDOWN, 30);
        int mostTips = visibleTips();
        for (int step = 1; target == thumb && step <= 6; step++) {
            mouseAt({at.x + 8 * step, at.y}, 0, 100);
            mostTips = std::max(mostTips, visibleTips());
        }
        mouseAt({at.x + (target == thumb ? 48 : 0), at.y}, MOUSEEVENTF_LEFTUP, 50);
        EXPECT_LE(mostTips, 1) << "tips at once";
        ASSERT_TRUE(IsWindow(editor) && hostDeliveries().empty()) << "the mouse itself sent nothing";
        EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0) != 0, target <= channel) << "the thumb moved";
        typeKey('N');
        EXPECT_EQ(SendMessageW(toolbar, TB_ISBUTTONCHECKED, 7, 0) != 0, target == field) << "N chose its tool";
        EXPECT_EQ(windowText(textField(editor)), target == field ? L"n" : L"");
        typeKey(VK_RETURN);
        EXPECT_EQ(hostDeliveries().size(), target == field ? 0u : 1u) << "Enter sent";
        if (HWND still = findEditor())
            SendMessageW(still, WM_COMMAND, 15, 0);
    }
}
