// The contact menu, the picture intake and the editor window through the real
// DLL: menus shown per status, each source opening the editor, the window's
// size, toolbar and slider, and the settings written in their order.
#include "host/standInPlugins.h"
#include "image/gdiplusFlat.h"
#include "plugin/contactMenu.h"
#include "testSupport.h"

#include <commctrl.h>
#include <cderr.h>
#include <commdlg.h>

#include <algorithm>
#include <functional>
#include <set>

#include "editor/drawingTools.h"
#include "editor/editorWindow.h"
#include "host/standInPlugins.h"

// Sizes compare and print in the checks below.
bool operator==(const SIZE& a, const SIZE& b) {
    return a.cx == b.cx && a.cy == b.cy;
}

std::ostream& operator<<(std::ostream& out, const SIZE& size) {
    return out << size.cx << " x " << size.cy;
}

namespace {

const HostContact onlineContact = {L"GG", 1, 1001, 2};
const HostContact busyContact = {L"JABBER", 2, 2002, 7};

HWND childOfClass(HWND parent, const wchar_t* className) {
    return FindWindowExW(parent, nullptr, className, nullptr);
}

HWND editorToolbar(HWND editor) {
    return childOfClass(editor, TOOLBARCLASSNAMEW);
}

BYTE itemState(HWND toolbar, int command) {
    TBBUTTONINFOW info = {};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_STATE;
    SendMessageW(toolbar, TB_GETBUTTONINFOW, WPARAM(command), LPARAM(&info));
    return info.fsState;
}

std::wstring windowText(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

// The client area above the toolbar, where the picture shows; a toolbar that
// reaches beyond the client area's bottom edge shows as a negative height.
SIZE pictureArea(HWND editor) {
    RECT client = {};
    GetClientRect(editor, &client);
    RECT toolbar = {};
    GetWindowRect(FindWindowExW(editor, nullptr, TOOLBARCLASSNAMEW, nullptr), &toolbar);
    MapWindowPoints(nullptr, editor, reinterpret_cast<POINT*>(&toolbar), 2);
    if (toolbar.bottom > client.bottom)
        return {client.right, -1};
    return {client.right, toolbar.top};
}

// The settings calls the host saw, as "Get key", "Set key=value", "Read", "Write".
std::vector<std::wstring> settingsCalls() {
    std::vector<std::wstring> calls;
    for (const JournalEntry& e : hostJournal()) {
        if (e.kind != JournalKind::call || e.name.rfind(L"WTW/Settings/", 0) != 0)
            continue;
        std::wstring verb = e.name.substr(13);
        if (verb == L"Set")
            verb += L" " + e.text + L"=" + std::to_wstring(readAt<int64_t>(e.record, 24));
        else if (verb == L"Get")
            verb += L" " + e.text;
        calls.push_back(verb);
    }
    return calls;
}

class EditorTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        ASSERT_EQ(load(), hostOk);
        hostAddStatusFunction(onlineContact);
        hostClearJournal();
    }
    void TearDown() override {
        if (HWND editor = findEditor())
            SendMessageW(editor, WM_COMMAND, 15, 0);
        PluginTest::TearDown();
    }
    HWND openSolidFromClipboard(int width, int height, COLORREF colour) {
        EXPECT_TRUE(hostPutSolidPictureOnClipboard(width, height, colour));
        EXPECT_EQ(hostClickItem(L"snipLeaf/Clipboard", {onlineContact}), 0);
        hostPumpMessages(50);
        return findEditor();
    }
    HWND openFromClipboard(int width, int height, std::vector<HostContact> contacts = {onlineContact}) {
        EXPECT_TRUE(hostPutPictureOnClipboard(width, height));
        EXPECT_EQ(hostClickItem(L"snipLeaf/Clipboard", contacts), 0);
        hostPumpMessages(50);
        return findEditor();
    }
};

}  // namespace

TEST_F(EditorTest, MenuItemsShowWhenAnyContactIsNotAtStatusSeven) {
    HostContact silent = {L"IRC", 4, 4004, 0};  // its network has no status function
    // A status function name too long for its buffer; cut short it would name
    // a function of another network, here one that answers 7.
    HostContact longNamed = {std::wstring(248, L'N'), 7, 7007, 2};
    const std::wstring cutName = longNamed.netClass + L"/7/PFS";
    hostRegister(cutName, [](int64_t record, int64_t) {
        reinterpret_cast<StatusRecord*>(record)->status = 7;
        return int64_t(0);
    });
    hostAddStatusFunction(busyContact);
    struct Case {
        std::vector<HostContact> contacts;
        size_t timesShown;
    };
    const Case cases[] = {
        {{onlineContact}, 1}, {{busyContact}, 0}, {{}, 0},
        {{busyContact, onlineContact}, 1}, {{onlineContact, onlineContact}, 2}, {{silent}, 1},
        {{longNamed}, 1}, {{longNamed, busyContact}, 1},
    };
    for (const Case& c : cases) {
        std::vector<std::wstring> shown = hostRebuildMenu(c.contacts);
        std::vector<std::wstring> expected;
        for (size_t i = 0; i < c.timesShown; i++)
            expected.insert(expected.end(), {L"snipLeaf/Screen", L"snipLeaf/Clipboard", L"snipLeaf/File"});
        EXPECT_EQ(shown, expected) << c.contacts.size();
        for (const JournalEntry& entry : hostJournal())
            EXPECT_NE(entry.name.substr(0, 248), longNamed.netClass) << "a name that does not fit is not called";
    }
    hostClearJournal();
    hostRebuildMenu({busyContact});
    JournalEntry status = callsOf(L"JABBER/2/PFStatusGet").at(0);
    EXPECT_EQ(status.record.size(), 64u);
    EXPECT_EQ(readAt<uint32_t>(status.record, 0), 64u);
    EXPECT_TRUE(zeroBetween(status.record, 4, 64));
}

TEST_F(EditorTest, BadHostRecordsAreRefused) {
    EXPECT_EQ(hostRaiseEvent(L"WTW/OnMenuRebuild", nullptr), std::vector<int64_t>{-1});
    MenuRebuildEvent noInfo = {};
    EXPECT_EQ(hostRaiseEvent(L"WTW/OnMenuRebuild", &noInfo), std::vector<int64_t>{-1});
    EXPECT_EQ(hostLogMessages(), std::vector<std::wstring>(2, L"onMenuRebuild: event or event->pInfo is NULL"));
    hostClearJournal();
    MenuItemRecord item = hostMenuItems().at(L"snipLeaf/Clipboard").record;
    EXPECT_EQ(item.onClick(nullptr, nullptr), -1);
    EXPECT_EQ(hostLogMessages(), std::vector<std::wstring>{L"onMenuClick: menuItem or menuPopupInfo is NULL"});

    MenuPopupInfo nullContacts = {};
    nullContacts.contactCount = 3;
    ASSERT_TRUE(hostPutPictureOnClipboard(50, 40));
    EXPECT_EQ(item.onClick(&item, &nullContacts), 0) << "a count with no array counts as no contacts";
    EXPECT_EQ(findEditor(), nullptr);
}

TEST_F(EditorTest, ClipboardPictureOpensTheEditorWithItsSettingsRead) {
    HWND editor = openFromClipboard(300, 200);
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(IsWindowVisible(editor));
    EXPECT_FALSE(IsZoomed(editor));
    EXPECT_EQ(pictureArea(editor), (SIZE{300, 200}));
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

TEST_F(EditorTest, FrameCloseWritesStyleButNotQuality) {
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

TEST_F(EditorTest, ToolbarStartsCollapsedWithItsItemStates) {
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

TEST_F(EditorTest, StoredExpandedToolbarOpensExpanded) {
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

TEST_F(EditorTest, SliderNamesEachLevelAndKeepsItsPosition) {
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

TEST_F(EditorTest, SecondPictureClosesTheFirstAfterSavingItsSettings) {
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

TEST_F(EditorTest, NotificationCommandsAreIgnored) {
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

TEST_F(EditorTest, WindowPropertyGoesWithTheWindow) {
    HWND editor = openFromClipboard(200, 100);
    ASSERT_NE(editor, nullptr);
    EXPECT_NE(GetPropW(editor, L"IMGWND"), nullptr);
    propertyGoneAtDestroy = false;
    destroyHook = SetWindowsHookExW(WH_CALLWNDPROCRET, watchDestroy, nullptr, GetCurrentThreadId());
    SendMessageW(editor, WM_CLOSE, 0, 0);
    UnhookWindowsHookEx(destroyHook);
    EXPECT_TRUE(propertyGoneAtDestroy);
}

TEST_F(EditorTest, UnloadClosesAnOpenEditorFirst) {
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

TEST_F(EditorTest, ClipboardWithoutBitmapEndsSilently) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    EXPECT_EQ(hostClickItem(L"snipLeaf/Clipboard", {onlineContact}), 0);
    EXPECT_EQ(findEditor(), nullptr);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 16);
    std::memcpy(GlobalLock(text), L"tekst", 12);
    GlobalUnlock(text);
    SetClipboardData(CF_UNICODETEXT, text);
    CloseClipboard();
    EXPECT_EQ(hostClickItem(L"snipLeaf/Clipboard", {onlineContact}), 0);
    EXPECT_EQ(findEditor(), nullptr);
    EXPECT_TRUE(hostLogMessages().empty());
}

TEST_F(EditorTest, NoContactsOpensNoWindow) {
    ASSERT_TRUE(hostPutPictureOnClipboard(80, 60));
    EXPECT_EQ(hostClickItem(L"snipLeaf/Clipboard", {}), 0);
    EXPECT_EQ(findEditor(), nullptr);
}

TEST_F(EditorTest, ScreenshotOfTheScreenOpensMaximised) {
    EXPECT_EQ(hostClickItem(L"snipLeaf/Screen", {onlineContact}), 0);
    hostPumpMessages(50);
    HWND editor = findEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(IsZoomed(editor)) << "a screen-sized picture";
}

TEST_F(EditorTest, UnknownSourceOpensAnEmptyEditor) {
    MenuItemRecord item = hostMenuItems().at(L"snipLeaf/Clipboard").record;
    item.userData = 9;
    ContactRecord contact = hostContactRecord(onlineContact);
    MenuPopupInfo info = {};
    info.contactCount = 1;
    info.contacts = &contact;
    EXPECT_EQ(item.onClick(&item, &info), 0);
    HWND editor = findEditor();
    ASSERT_NE(editor, nullptr);
    RECT rect = {};
    GetWindowRect(editor, &rect);
    EXPECT_EQ(rect.right - rect.left, 261);
    EXPECT_EQ(pictureArea(editor).cy, 0) << "the toolbar fills the client area";
}

TEST_F(EditorTest, FileDialogOpensTheChosenPicture) {
    std::wstring picture = freshFolder(L"file") + L"obrazek.png";
    ASSERT_TRUE(writePictureFile(picture, 300, 120, L"image/png"));
    std::wstring title;
    EXPECT_EQ(clickAnsweringFileDialog(L"snipLeaf/File", {onlineContact}, picture, &title), 0);
    EXPECT_EQ(title, L"Obrazek do wysłania");
    HWND editor = findEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(pictureArea(editor), (SIZE{300, 120})) << "sized to the picture";
    EXPECT_TRUE(hostLogMessages().empty());
}

namespace {

// The dialog as it ends for files whose list does not fit in its buffer: the
// size the list needs in the buffer's first unit, FNERR_BUFFERTOOSMALL told,
// and no file chosen. (Wine's dialog cuts such a list instead.)
decltype(&CommDlgExtendedError) realExtendedError = nullptr;
BOOL WINAPI fileListTooLong(OPENFILENAMEW* dialog) {
    dialog->lpstrFile[0] = L'\x02A8';
    dialog->lpstrFile[1] = L'\0';
    return FALSE;
}
DWORD WINAPI bufferTooSmall() {
    return FNERR_BUFFERTOOSMALL;
}

}  // namespace

// A cancelled dialog, and one whose files do not fit in its buffer, are
// logged without a file name.
TEST_F(EditorTest, CancelledFileDialogIsLogged) {
    for (bool tooLong : {false, true}) {
        void* realOpen = nullptr;
        if (tooLong) {
            realOpen = patchImport(plugin.module, "comdlg32.dll", "GetOpenFileNameW",
                                   reinterpret_cast<void*>(fileListTooLong));
            realExtendedError = reinterpret_cast<decltype(realExtendedError)>(patchImport(
                plugin.module, "comdlg32.dll", "CommDlgExtendedError", reinterpret_cast<void*>(bufferTooSmall)));
            ASSERT_NE(realOpen, nullptr);
        }
        hostClearJournal();
        EXPECT_EQ(clickAnsweringFileDialog(L"snipLeaf/File", {onlineContact}, L"", nullptr), 0);
        EXPECT_EQ(findEditor(), nullptr);
        EXPECT_EQ(hostLogMessages(), std::vector<std::wstring>{L"Could not open picture from file "}) << tooLong;
        if (tooLong) {
            patchImport(plugin.module, "comdlg32.dll", "GetOpenFileNameW", realOpen);
            if (realExtendedError)
                patchImport(plugin.module, "comdlg32.dll", "CommDlgExtendedError",
                            reinterpret_cast<void*>(realExtendedError));
        }
    }
}

namespace {

RECT childRect(HWND child) {
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

RECT toolbarItem(HWND toolbar, int index) {
    RECT rect = {};
    SendMessageW(toolbar, TB_GETITEMRECT, WPARAM(index), LPARAM(&rect));
    return rect;
}

void expectRect(const RECT& actual, LONG left, LONG top, LONG width, LONG height, const char* what) {
    EXPECT_EQ(actual.left, left) << what;
    EXPECT_EQ(actual.top, top) << what;
    EXPECT_EQ(actual.right - actual.left, width) << what;
    EXPECT_EQ(actual.bottom - actual.top, height) << what;
}

void holdAlt(bool down) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_MENU] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

}  // namespace

TEST_F(EditorTest, ToggleLaysOutTheExpandedToolbar) {
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

TEST_F(EditorTest, AltEnterSwitchesAScreenSizedPictureToFullScreenAndBack) {
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

TEST_F(EditorTest, FullScreenIsRefusedForASmallerPicture) {
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

TEST_F(EditorTest, StyleSettingsComeBackThroughTheStyleControl) {
    struct Case {
        int64_t penColor, brushColor, penWidth, transparent;
        int64_t writtenPen, writtenBrush, writtenWidth, writtenTransparent;
    };
    static const Case cases[] = {
        {int32_t(0xFF112233), int32_t(0xFF445566), 4, 1, int32_t(0xFF112233), int32_t(0xFF445566), 4, 1},
        {0x00112233, int32_t(0xFF445566), 15, 0, int32_t(0xFF112233), 0x00445566, 15, 0},
        {int32_t(0xFF000000), 0x00FFFFFF, 1000000, 2, int32_t(0xFF000000), 0x00FFFFFF, 15, 0},
        {int32_t(0xFF000000), 0x00FFFFFF, -3, 1, int32_t(0xFF000000), int32_t(0xFFFFFFFF), 1, 1},
    };
    hostRegister(L"WTW/Settings/Read", [](int64_t, int64_t) { return int64_t(0); }, RecordKind::none);
    for (const Case& c : cases) {
        hostSettings()[L"snipLeaf/PenColor"] = c.penColor;
        hostSettings()[L"snipLeaf/BrushColor"] = c.brushColor;
        hostSettings()[L"snipLeaf/PenWidth"] = c.penWidth;
        hostSettings()[L"snipLeaf/Transparent"] = c.transparent;
        HWND editor = openFromClipboard(300, 200);
        ASSERT_NE(editor, nullptr);
        hostPumpMessages(50);
        SendMessageW(editor, WM_CLOSE, 0, 0);
        EXPECT_EQ(hostSettings()[L"snipLeaf/PenColor"], c.writtenPen) << c.penWidth;
        EXPECT_EQ(hostSettings()[L"snipLeaf/BrushColor"], c.writtenBrush) << c.penWidth;
        EXPECT_EQ(hostSettings()[L"snipLeaf/PenWidth"], c.writtenWidth) << c.penWidth;
        EXPECT_EQ(hostSettings()[L"snipLeaf/Transparent"], c.writtenTransparent) << c.penWidth;
    }
}

TEST_F(EditorTest, FillCheckBoxAndWidthArrowsReachTheEditor) {
    hostSettings()[L"snipLeaf/BrushColor"] = 0x00336699;
    hostSettings()[L"snipLeaf/PenWidth"] = 14;
    hostRegister(L"WTW/Settings/Read", [](int64_t, int64_t) { return int64_t(0); }, RecordKind::none);
    HWND editor = openFromClipboard(300, 200);
    ASSERT_NE(editor, nullptr);
    hostPumpMessages(50);
    HWND style = childOfClass(editorToolbar(editor), L"StyleControl");
    HWND fill = GetDlgItem(style, 3);
    HWND upDown = GetDlgItem(style, 2);
    ASSERT_TRUE(fill && upDown);
    // The check box's own click, told as the box tells it: under Wine, BM_CLICK
    // left the box unchecked in about one run of twenty, with focus, activation
    // and capture as in the runs where it worked.
    SendMessageW(fill, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(style, WM_COMMAND, MAKEWPARAM(3, BN_CLICKED), LPARAM(fill));
    EXPECT_EQ(uint32_t(uintptr_t(GetPropW(style, L"BRUSHCOLOR"))), 0xFF996633u) << "fill byte set";
    for (int click = 0; click < 3; click++) {
        NMUPDOWN change = {};
        change.hdr.hwndFrom = upDown;
        change.hdr.idFrom = 2;
        change.hdr.code = UDN_DELTAPOS;
        change.iPos = int(LOWORD(SendMessageW(upDown, UDM_GETPOS, 0, 0)));
        change.iDelta = 1;
        if (SendMessageW(style, WM_NOTIFY, 2, LPARAM(&change)) == 0)
            SendMessageW(upDown, UDM_SETPOS, 0, std::min(change.iPos + 1, 15));
    }
    SendMessageW(editor, WM_CLOSE, 0, 0);
    EXPECT_EQ(hostSettings()[L"snipLeaf/BrushColor"], int32_t(0xFF336699));
    EXPECT_EQ(hostSettings()[L"snipLeaf/Transparent"], 1);
    EXPECT_EQ(hostSettings()[L"snipLeaf/PenWidth"], 15) << "the up arrow stops at 15";
}

namespace {

// The colours of the top-left part of the editor's client area as the screen
// shows it now, focus rectangles drawn straight on the window included.
std::vector<COLORREF> shownPixels(HWND editor, int width, int height) {
    HDC window = GetDC(editor);
    HDC memory = CreateCompatibleDC(window);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, width, height, window, 0, 0, SRCCOPY);
    GdiFlush();
    std::vector<COLORREF> pixels(static_cast<COLORREF*>(bits), static_cast<COLORREF*>(bits) + width * height);
    SelectObject(memory, previous);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(editor, window);
    for (COLORREF& p : pixels)
        p &= 0x00FFFFFF;  // 0x00RRGGBB as the DIB holds it
    return pixels;
}

// The same part as painted afresh (the frame Wine draws without a window
// manager leaves less than the picture).
std::vector<COLORREF> clientPixels(HWND editor, int width, int height) {
    RedrawWindow(editor, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    return shownPixels(editor, width, height);
}

using PixelSet = std::set<std::pair<int, int>>;

PixelSet pixelsOf(const std::vector<COLORREF>& pixels, int width, COLORREF rgb) {
    PixelSet set;
    for (size_t i = 0; i < pixels.size(); i++) {
        if (pixels[i] == rgb)
            set.insert({int(i % size_t(width)), int(i / size_t(width))});
    }
    return set;
}

LPARAM at(int x, int y) {
    return MAKELPARAM(x, y);
}

PixelSet rows(std::initializer_list<std::pair<int, std::initializer_list<int>>> table) {
    PixelSet set;
    for (const auto& [row, columns] : table)
        for (int column : columns)
            set.insert({column, row});
    return set;
}

}  // namespace

// Shapes drawn with the mouse land in the picture exactly as the primitives
// paint them; the pen is opaque black and the picture white.
TEST_F(EditorTest, MouseDrawsTheShapesIntoThePicture) {
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

TEST_F(EditorTest, PencilDrawsAChainOfLinesAndTextUsesTheEdit) {
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

namespace {

constexpr int64_t answerUnexpected = int64_t(int32_t(0x8000FFFF));
constexpr int64_t answerOutOfMemory = int64_t(int32_t(0x8007000E));
constexpr int64_t answerFail = int64_t(int32_t(0x80004005));

// Every message box is answered OK at its activation; a test may run a step of
// its own there first, which answers it itself when it says so.
std::function<bool(HWND box)> atMessageBox;
size_t messageBoxesShown = 0;
HHOOK messageBoxHook = nullptr;

LRESULT CALLBACK answerMessageBoxes(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        auto box = reinterpret_cast<HWND>(wParam);
        wchar_t className[32] = {};
        GetClassNameW(box, className, 32);
        if (std::wstring(className) == L"#32770") {
            messageBoxesShown++;
            if (!atMessageBox || !atMessageBox(box))
                PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
    }
    return CallNextHookEx(messageBoxHook, code, wParam, lParam);
}

struct MessageBoxAnswers {
    MessageBoxAnswers() {
        messageBoxesShown = 0;
        messageBoxHook = SetWindowsHookExW(WH_CBT, answerMessageBoxes, nullptr, GetCurrentThreadId());
    }
    MessageBoxAnswers(const MessageBoxAnswers&) = delete;
    MessageBoxAnswers& operator=(const MessageBoxAnswers&) = delete;
    ~MessageBoxAnswers() {
        UnhookWindowsHookEx(messageBoxHook);
        messageBoxHook = nullptr;
        atMessageBox = nullptr;
    }
};

size_t settingsWritesOf(const std::wstring& key) {
    size_t n = 0;
    for (const std::wstring& call : settingsCalls())
        n += call.rfind(L"Set " + key + L"=", 0) == 0 ? 1 : 0;
    return n;
}

// Where each record carries the contact's id: in the contact record of a
// picture transfer (at 8) and of a file hand-off (at 528), or on its own.
size_t contactIdOffset(const std::wstring& function) {
    if (function == L"upDeck/sendFile")
        return 528 + 16;
    if (function == L"wtwImageShack/sendImage")
        return 8;
    return 8 + 16;
}

// What each picture transfer and file hand-off was given, in order, as
// "<function> <contact id>".
std::vector<std::wstring> deliveriesSeen() {
    std::vector<std::wstring> seen;
    for (const Delivery& d : hostDeliveries()) {
        seen.push_back(d.function + L" " + std::to_wstring(readAt<uint64_t>(d.record, contactIdOffset(d.function))));
    }
    return seen;
}

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

// Every pixel of a picture file as 0xAARRGGBB, row by row; empty when unreadable.
std::vector<uint32_t> filePixels(const std::wstring& path, UINT* width, UINT* height) {
    std::vector<uint32_t> pixels;
    GpBitmap* bitmap = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromFile(path.c_str(), &bitmap) != Gdiplus::Ok)
        return pixels;
    Gdiplus::DllExports::GdipGetImageWidth(bitmap, width);
    Gdiplus::DllExports::GdipGetImageHeight(bitmap, height);
    for (UINT y = 0; y < *height; y++) {
        for (UINT x = 0; x < *width; x++) {
            Gdiplus::ARGB pixel = 0;
            Gdiplus::DllExports::GdipBitmapGetPixel(bitmap, INT(x), INT(y), &pixel);
            pixels.push_back(pixel);
        }
    }
    Gdiplus::DllExports::GdipDisposeImage(bitmap);
    return pixels;
}

}  // namespace

// Enter acts at its release, and only when its press reached the editor: a
// release whose press went to the contact menu or to a message box is not a
// command. Alt+Enter alike, as system keys.
TEST_F(EditorTest, EnterActsOnlyOnAReleaseWhosePressTheEditorSaw) {
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
    };
    hostAddPictureTransfer(onlineContact, {answerFail});
    MessageBoxAnswers answers;
    for (const Case& c : cases) {
        hostSettings()[L"snipLeaf/Fullscreen"] = 0;
        EXPECT_EQ(hostClickItem(L"snipLeaf/Screen", {onlineContact}), 0);
        HWND editor = findEditor();
        ASSERT_NE(editor, nullptr) << c.name;
        hostPumpMessages(20);
        hostClearJournal();
        bool releasePosted = false;
        atMessageBox = [&](HWND box) {
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
        atMessageBox = nullptr;
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

// A shape repaints its points in either order grown by the pen's stamp: half
// the width (rounded down) to the left and top, the rest to the right and
// bottom, one past the last pixel.
TEST(PenMargin, NormalisedPointsGrownByThePensStamp) {
    struct Case {
        int32_t x1, y1, x2, y2, penWidth;
        RECT margin;
    };
    static const Case cases[] = {
        {10, 20, 30, 40, 1, {10, 20, 31, 41}},  {30, 40, 10, 20, 2, {9, 19, 31, 41}},
        {50, 0, 0, 50, 3, {-1, -1, 52, 52}},    {0, 0, 100, 50, 4, {-2, -2, 102, 52}},
        {5, 5, 5, 5, 15, {-2, -2, 13, 13}},     {7, 60, 90, 3, 8, {3, -1, 94, 64}},
    };
    for (const Case& c : cases) {
        RECT r = penMarginRect(c.x1, c.y1, c.x2, c.y2, c.penWidth);
        EXPECT_TRUE(r.left == c.margin.left && r.top == c.margin.top && r.right == c.margin.right &&
                    r.bottom == c.margin.bottom)
            << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2 << " width " << c.penWidth << ": " << r.left
            << "," << r.top << " " << r.right << "," << r.bottom;
    }
}

// The client area is the picture and below it the toolbar, as tall as it
// really is; a window that would not fit the work area opens maximised.
TEST_F(EditorTest, ClientAreaIsThePictureAboveTheToolbar) {
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    int nearScreenHeight = GetSystemMetrics(SM_CYSCREEN) - 10;
    int nearScreenWidth = GetSystemMetrics(SM_CXSCREEN) - 4;
    struct Case {
        int width, height;
        int64_t expanded;
        bool maximised;
    };
    const Case cases[] = {
        {300, 200, 0, false}, {300, 200, 1, false}, {100, 50, 0, false},
        {640, 480, 0, false}, {400, nearScreenHeight, 0, true}, {nearScreenWidth, 300, 0, true},
    };
    for (const Case& c : cases) {
        hostSettings()[L"snipLeaf/ToolbarExpanded"] = c.expanded;
        HWND editor = openFromClipboard(c.width, c.height);
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(IsZoomed(editor) != 0, c.maximised) << c.width << " x " << c.height;
        HWND toolbar = editorToolbar(editor);
        RECT bar = {};
        GetWindowRect(toolbar, &bar);
        EXPECT_GE(bar.top, work.top);
        EXPECT_LE(bar.bottom, work.bottom) << "the toolbar within reach";
        if (!c.maximised) {
            RECT outer = {};
            GetWindowRect(editor, &outer);
            SIZE area = pictureArea(editor);
            EXPECT_EQ(area.cy, c.height) << c.width << " x " << c.height;
            if (c.width + (outer.right - outer.left) - area.cx > 261)
                EXPECT_EQ(area.cx, c.width) << c.width << " x " << c.height;
            else
                EXPECT_EQ(outer.right - outer.left, 261) << c.width << " x " << c.height;
        }
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

// A command whose editor was replaced while a message box was up, or while the
// host call ran, stops there: the new editor's contacts get nothing of the old
// picture and the new editor stays open.
TEST_F(EditorTest, CommandOfAReplacedEditorStopsThere) {
    enum Reentry { duringTheBox, duringTheFallbackCall, duringTheHandOff };
    struct Case {
        const char* name;
        Reentry reentry;
        int command;
        std::vector<std::wstring> seen;
    };
    const Case cases[] = {
        {"first attempt refused", duringTheBox, 12, {L"GG/1/PFSendPicture 1001"}},
        {"fall-back", duringTheFallbackCall, 12, {L"GG/1/PFSendPicture 1001", L"GG/1/PFSendPicture 1001"}},
        {"file hand-off", duringTheHandOff, 13, {L"upDeck/sendFile 1001"}},
        {"image hand-off", duringTheHandOff, 14, {L"wtwImageShack/sendImage 1001"}},
    };
    for (const HostContact& contact : {secondC, secondD})
        hostAddPictureTransfer(contact, {0});
    hostAddPictureTransfer(firstB, {0});
    hostSetFileTransfer(true, 0);
    hostSetImageHosting(true, 0);
    MessageBoxAnswers answers;
    for (const Case& c : cases) {
        int fallbackCalls = 0;
        if (c.reentry == duringTheFallbackCall) {
            hostAddPictureTransferBy(firstA, [&](const Delivery&) {
                if (++fallbackCalls == 2)
                    openSecondEditor();
                return answerOutOfMemory;
            });
        } else {
            hostAddPictureTransfer(firstA, {answerUnexpected});
        }
        bool reentered = false;
        atMessageBox = [&](HWND box) {
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
        atMessageBox = nullptr;
        EXPECT_EQ(deliveriesSeen(), c.seen) << c.name;
        HWND second = findEditor();
        EXPECT_NE(second, nullptr) << c.name << ": the second editor stays open";
        EXPECT_NE(second, first) << c.name;
        EXPECT_FALSE(IsWindow(first)) << c.name;
        if (second)
            SendMessageW(second, WM_COMMAND, 15, 0);
    }
}

// The rubber band on the screen is removed as it was drawn, also when the
// release comes at another point than the last move: after a drag with
// Select the window shows the picture and exactly one focus rectangle, the
// selection's; after Rectangle only the picture with the shape.
TEST_F(EditorTest, ReleaseLeavesNoStrayRubberBand) {
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
        std::vector<COLORREF> shown = shownPixels(editor, 200, 150);
        // What the window should show: the picture as painted afresh, and
        // the mark drawn once by the platform on the same window.
        std::vector<COLORREF> expected = clientPixels(editor, 200, 150);
        if (!IsRectEmpty(&c.mark)) {
            HDC dc = GetDC(editor);
            DrawFocusRect(dc, &c.mark);
            ReleaseDC(editor, dc);
            expected = shownPixels(editor, 200, 150);
        }
        std::vector<COLORREF> picture = clientPixels(editor, 200, 150);
        PixelSet markedShown, markedExpected;
        for (size_t i = 0; i < shown.size(); i++) {
            POINT p = {LONG(i % 200), LONG(i / 200)};
            if (shown[i] != picture[i])
                markedShown.insert({p.x, p.y});
            if (expected[i] != picture[i])
                markedExpected.insert({p.x, p.y});
        }
        EXPECT_EQ(markedShown, markedExpected) << "tool " << c.tool << " released at " << c.release.x;
        EXPECT_EQ(markedExpected.empty(), IsRectEmpty(&c.mark) != 0);
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
}

// Pictures GDI+ opens in a palette format take the pen's own colour: a line
// drawn in a colour no palette holds arrives in exactly that colour, on
// exactly the line's pixels, and every other pixel keeps the file's colour.
TEST_F(EditorTest, DrawingOnPalettePicturesKeepsThePensColour) {
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

TEST(PictureSize, AtMostFiveHundredMillionPixelsAreTakenIn) {
    struct Case {
        uint32_t width, height;
        bool accepted;
    };
    static const Case cases[] = {
        {0, 0, true},          {1, 1, true},
        {25000, 20000, true},  {25000, 20001, false},
        {1, 500000000, true},  {1, 500000001, false},
        {500000001, 1, false}, {60000, 60000, false},
        {65536, 65536, false}, {0xFFFFFFFFu, 0xFFFFFFFFu, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(acceptsPictureSize(c.width, c.height), c.accepted) << c.width << " x " << c.height;
}

// The dialog's buffer is read within its length even when a text in it has no
// end there: what lies beyond never reaches the path.
TEST(FirstChosenFile, ReadsNothingBeyondTheBuffer) {
    struct Case {
        const wchar_t* storage;  // the buffer, and what lies beyond it
        size_t units;            // of it the buffer
        const wchar_t* expected;
    };
    static const wchar_t single[] = L"C:\\a.png\0";
    static const wchar_t unended[] = L"C:\\a.pngBEYOND";
    static const wchar_t several[] = L"C:\\d\0a.png\0b.png\0";
    static const wchar_t unendedName[] = L"C:\\d\0a.pngBEYOND";
    static const Case cases[] = {
        {single, std::size(single), L"C:\\a.png"},
        {unended, 8, L"C:\\a.png"},
        {several, std::size(several), L"C:\\d\\a.png"},
        {unendedName, 10, L"C:\\d\\a.png"},
    };
    for (const Case& c : cases) {
        wchar_t path[64];
        std::wmemset(path, L'x', std::size(path));
        firstChosenFile(c.storage, c.units, path, std::size(path));
        EXPECT_EQ(std::wstring(path), c.expected) << c.units;
    }
}
