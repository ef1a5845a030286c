// The editor window through the real DLL: the settings read at opening and
// written at closing in their order, its size and place on the screen, the
// window property, the keys, and a command whose editor was replaced.
#include "editorTestSupport.h"

#include <algorithm>
#include <functional>

#include "editor/editorWindow.h"

namespace {

class EditorWindow : public EditorTest {};

}  // namespace

TEST_F(EditorWindow, ClipboardPictureOpensTheEditorWithItsSettingsRead) {
    HWND editor = openFromClipboard(300, 200);
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(IsWindowVisible(editor));
    EXPECT_FALSE(IsZoomed(editor));
    EXPECT_EQ(pictureArea(editor), pictureAreaFor(editor, 300, 200));
    EXPECT_EQ(GetWindowLongW(editor, GWL_STYLE) & 0x06CF0000, 0x06CF0000);
    EXPECT_EQ(settingsCalls(), (std::vector<std::wstring>{
                                   L"Read", L"Get snipLeaf/PenColor", L"Get snipLeaf/BrushColor",
                                   L"Get snipLeaf/PenWidth", L"Get snipLeaf/Transparent",
                                   L"Get snipLeaf/ToolbarExpanded", L"Set snipLeaf/ToolbarExpanded=0",
                                   L"Get snipLeaf/Fullscreen", L"Get snipLeaf/DefaultQuality"}));

    hostClearJournal();
    SendMessageW(editor, WM_COMMAND, 15, 0);
    EXPECT_FALSE(IsWindow(editor));
    EXPECT_EQ(settingsCalls(), (std::vector<std::wstring>{
                                   L"Set snipLeaf/DefaultQuality=0", L"Set snipLeaf/PenColor=-16777216",
                                   L"Set snipLeaf/BrushColor=16777215", L"Set snipLeaf/PenWidth=1",
                                   L"Set snipLeaf/Transparent=0", L"Write"}));
}

TEST_F(EditorWindow, FrameCloseWritesStyleButNotQuality) {
    HWND editor = openFromClipboard(120, 90);
    ASSERT_NE(editor, nullptr);
    hostClearJournal();
    SendMessageW(editor, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(editor));
    EXPECT_EQ(settingsCalls(), (std::vector<std::wstring>{L"Set snipLeaf/PenColor=-16777216",
                                                         L"Set snipLeaf/BrushColor=16777215",
                                                         L"Set snipLeaf/PenWidth=1",
                                                         L"Set snipLeaf/Transparent=0", L"Write"}));
}

// The collapsed toolbar's style control is made after the first paint; an
// editor closed before it still writes the fill it was opened with.
TEST_F(EditorWindow, ClosedBeforeItsFirstPaintKeepsTheFill) {
    hostSettings()[L"snipLeaf/Transparent"] = 1;
    hostRegister(L"WTW/Settings/Read", [](int64_t, int64_t) { return int64_t(0); }, RecordKind::none);
    ASSERT_TRUE(hostPutPictureOnClipboard(200, 100));
    ASSERT_EQ(hostClickItem(L"snipLeaf/Clipboard", {onlineContact}), 0);
    HWND editor = findEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(childOfClass(editorToolbar(editor), L"StyleControl"), nullptr);
    SendMessageW(editor, WM_COMMAND, 15, 0);
    EXPECT_EQ(hostSettings()[L"snipLeaf/Transparent"], 1);
}

TEST_F(EditorWindow, SecondPictureClosesTheFirstAfterSavingItsSettings) {
    HWND first = openFromClipboard(200, 100);
    ASSERT_NE(first, nullptr);
    hostClearJournal();
    HWND second = openFromClipboard(220, 110);
    EXPECT_FALSE(IsWindow(first));
    ASSERT_NE(second, nullptr);
    std::vector<std::wstring> calls = settingsCalls();
    ASSERT_GE(calls.size(), 7u);
    EXPECT_EQ(calls[0], L"Set snipLeaf/DefaultQuality=0");
    EXPECT_EQ(calls[5], L"Write");
    EXPECT_EQ(calls[6], L"Read");
}

TEST_F(EditorWindow, NotificationCommandsAreIgnored) {
    HWND editor = openFromClipboard(200, 100);
    ASSERT_NE(editor, nullptr);
    SendMessageW(editor, WM_COMMAND, MAKEWPARAM(15, EN_CHANGE), 0);
    EXPECT_TRUE(IsWindow(editor));
    SendMessageW(editor, WM_COMMAND, MAKEWPARAM(15, 0), 0);
    EXPECT_FALSE(IsWindow(editor));
}

namespace {
bool propertyGoneAtDestroy = false;
HHOOK destroyHook = nullptr;
LRESULT CALLBACK watchDestroy(int code, WPARAM wParam, LPARAM lParam) {
    auto* call = reinterpret_cast<CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_DESTROY && call->hwnd == findEditor())
        propertyGoneAtDestroy = GetPropW(call->hwnd, L"IMGWND") == nullptr;
    return CallNextHookEx(destroyHook, code, wParam, lParam);
}
}  // namespace

TEST_F(EditorWindow, WindowPropertyGoesWithTheWindow) {
    HWND editor = openFromClipboard(200, 100);
    ASSERT_NE(editor, nullptr);
    EXPECT_NE(GetPropW(editor, L"IMGWND"), nullptr);
    propertyGoneAtDestroy = false;
    destroyHook = SetWindowsHookExW(WH_CALLWNDPROCRET, watchDestroy, nullptr, GetCurrentThreadId());
    SendMessageW(editor, WM_CLOSE, 0, 0);
    UnhookWindowsHookEx(destroyHook);
    EXPECT_TRUE(propertyGoneAtDestroy);
}

TEST_F(EditorWindow, UnloadClosesAnOpenEditorFirst) {
    HWND editor = openFromClipboard(200, 100);
    ASSERT_NE(editor, nullptr);
    hostClearJournal();
    unload();
    EXPECT_FALSE(IsWindow(editor));
    std::vector<std::wstring> names = hostCallNames();
    ASSERT_GE(names.size(), 8u);
    EXPECT_EQ(names[0], L"WTW/Settings/Set") << "quality first";
    EXPECT_EQ(names[5], L"WTW/Settings/Write");
    EXPECT_EQ(names[6], L"WTW/Settings/Destroy");
}

// Enter acts at its release, and only when its press reached the editor: a
// release whose press went to the contact menu or to a message box is not a
// command. Alt+Enter alike, as system keys; the key-down decides which, so a
// quick chord whose Alt is let go first still switches full screen.
TEST_F(EditorWindow, EnterActsOnlyOnAReleaseWhosePressTheEditorSaw) {
    enum Step { down, repeat, up, altDown, altUp, sendWhole };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        bool boxTakesAnEnter;  // the first box is dismissed by Enter, whose release comes to the editor
        size_t sends;
        size_t fullScreenSwitches;
    };
    const Case cases[] = {
        {"release alone", {up}, false, 0, 0},
        {"press and release", {down, up}, false, 1, 0},
        {"auto-repeat", {down, repeat, repeat, repeat, up}, false, 1, 0},
        {"second release", {down, up, up}, false, 1, 0},
        {"two presses", {down, up, down, up}, false, 2, 0},
        {"release after a box dismissed by Enter", {down, up}, true, 1, 0},
        {"press before a box, release after it", {down, sendWhole, up}, false, 0, 0},
        {"Alt+Enter", {altDown, altUp}, false, 0, 1},
        {"Alt+Enter release alone", {altUp}, false, 0, 0},
        {"Alt+Enter second release", {altDown, altUp, altUp}, false, 0, 1},
        {"Alt let go before Enter", {altDown, up}, false, 0, 1},
        {"Alt pressed after Enter", {down, altUp}, false, 1, 0},
    };
    hostAddPictureTransfer(onlineContact, {answerFail});
    DialogAnswers answers;
    for (const Case& c : cases) {
        hostSettings()[L"snipLeaf/Fullscreen"] = 0;
        EXPECT_EQ(hostClickItem(L"snipLeaf/Screen", {onlineContact}), 0);
        HWND editor = findEditor();
        ASSERT_NE(editor, nullptr) << c.name;
        hostPumpMessages(20);
        hostClearJournal();
        bool releasePosted = false;
        answers.atMessageBox = [&](HWND box) {
            if (!c.boxTakesAnEnter || releasePosted)
                return false;
            releasePosted = true;
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            PostMessageW(editor, WM_KEYUP, VK_RETURN, LPARAM(0xC01C0001));
            return true;
        };
        for (Step step : c.steps) {
            switch (step) {
            case down:
                SendMessageW(editor, WM_KEYDOWN, VK_RETURN, LPARAM(0x001C0001));
                break;
            case repeat:
                SendMessageW(editor, WM_KEYDOWN, VK_RETURN, LPARAM(0x401C0001));
                break;
            case up:
                SendMessageW(editor, WM_KEYUP, VK_RETURN, LPARAM(0xC01C0001));
                break;
            case altDown:
                holdAlt(true);
                SendMessageW(editor, WM_SYSKEYDOWN, VK_RETURN, LPARAM(0x201C0001));
                holdAlt(false);
                break;
            case altUp:
                holdAlt(true);
                SendMessageW(editor, WM_SYSKEYUP, VK_RETURN, LPARAM(0xE01C0001));
                holdAlt(false);
                break;
            case sendWhole:
                SendMessageW(editor, WM_COMMAND, 12, 0);
                break;
            }
        }
        hostPumpMessages(50);
        size_t commandSends = std::count(c.steps.begin(), c.steps.end(), sendWhole);
        EXPECT_EQ(callsOf(L"GG/1/PFSendPicture").size(), c.sends + commandSends) << c.name;
        EXPECT_EQ(settingsWritesOf(L"snipLeaf/Fullscreen"), c.fullScreenSwitches) << c.name;
        answers.atMessageBox = nullptr;
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
}

TEST(EditorWindowSize, PictureAboveTheToolbarInsideTheFrame) {
    struct Case {
        uint32_t width, height;
        int toolbarHeight;
        SIZE frame;
        SIZE window;
    };
    static const Case cases[] = {
        {300, 200, 42, {8, 31}, {308, 273}},
        {100, 50, 42, {8, 31}, {261, 123}},
        {253, 10, 42, {8, 31}, {261, 83}},
        {254, 10, 42, {8, 31}, {262, 83}},
        {0, 0, 38, {16, 39}, {261, 77}},
        {0xFFFFFFFFu, 0xFFFFFFFFu, 42, {8, 31}, {0x7FFFFFFF, 0x7FFFFFFF}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(editorWindowSize(c.width, c.height, c.toolbarHeight, c.frame), c.window)
            << c.width << " x " << c.height;
}

TEST(EditorWindowSize, MaximisedForScreenSizedPicturesAndWindowsBeyondTheWorkArea) {
    struct Case {
        uint32_t width, height;
        SIZE window;
        bool maximised;
    };
    const SIZE screen = {1024, 768};
    const SIZE workArea = {1024, 740};
    static const Case cases[] = {
        {300, 200, {308, 273}, false},    {1024, 700, {1032, 773}, true}, {1000, 768, {1008, 841}, true},
        {1016, 667, {1024, 740}, false},  {1017, 100, {1025, 173}, true}, {500, 668, {508, 741}, true},
        {0xFFFFFFFFu, 10, {261, 83}, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(opensMaximised(c.width, c.height, screen, c.window, workArea), c.maximised)
            << c.width << " x " << c.height;
}

// Every toolbar item that shows lies wholly inside the client area, in both
// layouts and with the hand-off buttons.
void expectToolbarInside(HWND editor, const char* layout) {
    HWND toolbar = editorToolbar(editor);
    RECT client = {};
    GetClientRect(editor, &client);
    for (int item = 0; item < 16; item++) {
        if (itemState(toolbar, item) & TBSTATE_HIDDEN)
            continue;
        RECT r = toolbarItem(toolbar, item);
        MapWindowPoints(toolbar, editor, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_TRUE(r.left >= 0 && r.right <= client.right && r.bottom <= client.bottom)
            << layout << ": item " << item << " ends at " << r.right << " of " << client.right;
    }
}

// The client area is the picture and below it the toolbar, as tall as it
// really is, and as wide as the wider of picture and the toolbar's row with
// the tool strip; a window that
// would not fit the work area opens maximised.
TEST_F(EditorWindow, ClientAreaIsThePictureAboveTheToolbar) {
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    int nearScreenHeight = GetSystemMetrics(SM_CYSCREEN) - 10;
    int nearScreenWidth = GetSystemMetrics(SM_CXSCREEN) - 4;
    struct Case {
        int width, height;
        int64_t expanded;
        bool maximised;
        bool narrowest;  // the window wider than its least width, 261, and the picture
        bool handOffs;
    };
    const Case cases[] = {
        {300, 200, 0, false, false, false}, {300, 200, 1, false, false, false},
        {100, 50, 0, false, true, false},   {640, 420, 1, false, false, true},
        {640, 480, 0, false, false, true},  {1100, 300, 1, false, false, true},
        {400, nearScreenHeight, 0, true, false, false}, {nearScreenWidth, 300, 0, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        hostSettings()[L"snipLeaf/ToolbarExpanded"] = c.expanded;
        if (c.handOffs) {
            hostRegister(L"upDeck/sendFile", [](int64_t, int64_t) { return int64_t(0); });
            hostRegister(L"wtwImageShack/sendImage", [](int64_t, int64_t) { return int64_t(0); });
        }
        HWND editor = openFromClipboard(c.width, c.height);
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(IsZoomed(editor) != 0, c.maximised);
        HWND toolbar = editorToolbar(editor);
        RECT bar = {};
        GetWindowRect(toolbar, &bar);
        EXPECT_GE(bar.top, work.top);
        EXPECT_LE(bar.bottom, work.bottom) << "the toolbar within reach";
        expectToolbarInside(editor, "as opened");
        if (!c.maximised) {
            RECT outer = {};
            GetWindowRect(editor, &outer);
            SIZE area = pictureArea(editor);
            EXPECT_EQ(area.cy, c.height);
            // Both toolbars' row is wider than 261 in either layout.
            EXPECT_EQ(area, pictureAreaFor(editor, c.width, c.height));
            if (c.narrowest) {
                EXPECT_GT(outer.right - outer.left, 261);
            }
            EXPECT_LE(outer.right, work.right);
        }
        SendMessageW(editor, WM_COMMAND, 10, 0);
        expectToolbarInside(editor, "toggled");
        SendMessageW(editor, WM_COMMAND, 10, 0);
        expectToolbarInside(editor, "toggled back");
        if (c.width == 300 && c.expanded == 0)
            hostSaveWindowPng(editor, hostExeFolder() + L"editor-300x200.png");
    }
}

namespace {

const HostContact firstA = {L"GG", 1, 1001, 2};
const HostContact firstB = {L"JABBER", 2, 2002, 2};
const HostContact secondC = {L"NET", 3, 3003, 2};
const HostContact secondD = {L"IRC", 4, 4004, 2};

// The user picks the contact-menu item again, for other contacts, while the
// first editor's command still runs: a second editor opens.
void openSecondEditor() {
    EXPECT_EQ(hostClickItem(L"snipLeaf/Clipboard", {secondC, secondD}), 0);
}

HWND boxUp = nullptr;

// Runs inside the box's own message loop: the click, then the box's OK.
VOID CALLBACK openSecondEditorThenCloseTheBox(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    openSecondEditor();
    if (IsWindow(boxUp))
        PostMessageW(boxUp, WM_COMMAND, IDOK, 0);
}

}  // namespace

// A command whose editor was replaced while a message box was up, or while a
// host call ran (the first attempt, a fall-back, a hand-off), stops there: the new editor's contacts get nothing of the old
// picture and the new editor stays open.
TEST_F(EditorWindow, CommandOfAReplacedEditorStopsThere) {
    enum Reentry { duringTheBox, duringTheFirstCall, duringTheFallbackCall, duringTheHandOff };
    struct Case {
        const char* name;
        Reentry reentry;
        int command;
        std::vector<std::wstring> seen;
    };
    const Case cases[] = {
        {"first attempt refused", duringTheBox, 12, {L"GG/1/PFSendPicture 1001"}},
        {"first attempt too large", duringTheFirstCall, 12, {L"GG/1/PFSendPicture 1001"}},
        {"fall-back", duringTheFallbackCall, 12, {L"GG/1/PFSendPicture 1001", L"GG/1/PFSendPicture 1001"}},
        {"file hand-off", duringTheHandOff, 13, {L"upDeck/sendFile 1001"}},
        {"image hand-off", duringTheHandOff, 14, {L"wtwImageShack/sendImage 1001"}},
    };
    for (const HostContact& contact : {secondC, secondD})
        hostAddPictureTransfer(contact, {0});
    hostAddPictureTransfer(firstB, {0});
    hostSetFileTransfer(true, 0);
    hostSetImageHosting(true, 0);
    DialogAnswers answers;
    for (const Case& c : cases) {
        int calls = 0;
        if (c.reentry == duringTheFirstCall || c.reentry == duringTheFallbackCall) {
            hostAddPictureTransferBy(firstA, [&](const Delivery&) {
                if (++calls == (c.reentry == duringTheFirstCall ? 1 : 2))
                    openSecondEditor();
                return answerOutOfMemory;
            });
        } else {
            hostAddPictureTransfer(firstA, {answerUnexpected});
        }
        bool reentered = false;
        answers.atMessageBox = [&](HWND box) {
            if (c.reentry != duringTheBox || reentered)
                return false;
            reentered = true;
            boxUp = box;
            SetTimer(nullptr, 0, 10, openSecondEditorThenCloseTheBox);
            return true;
        };
        hostWatchDeliveries([&](const Delivery& d) {
            if (c.reentry == duringTheHandOff && d.function.rfind(L"PFSendPicture") == std::wstring::npos &&
                !reentered) {
                reentered = true;
                openSecondEditor();
            }
        });
        HWND first = openFromClipboard(120, 80, {firstA, firstB});
        ASSERT_NE(first, nullptr);
        hostClearDeliveries();
        SendMessageW(first, WM_COMMAND, WPARAM(c.command), 0);
        hostPumpMessages(50);
        hostWatchDeliveries(nullptr);
        answers.atMessageBox = nullptr;
        EXPECT_EQ(deliveriesSeen(), c.seen) << c.name;
        HWND second = findEditor();
        EXPECT_NE(second, nullptr) << c.name << ": the second editor stays open";
        EXPECT_NE(second, first) << c.name;
        EXPECT_FALSE(IsWindow(first)) << c.name;
        if (second)
            SendMessageW(second, WM_COMMAND, 15, 0);
    }
}
