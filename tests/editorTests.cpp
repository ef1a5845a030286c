// The contact menu, the picture intake and the editor window through the real
// DLL: menus shown per status, each source opening the editor, the window's
// size, toolbar and slider, and the settings written in their order.
#include "image/gdiplusFlat.h"
#include "testSupport.h"

#include <commctrl.h>
#include <dlgs.h>

namespace {

const HostContact onlineContact = {L"GG", 1, 1001, 2};
const HostContact busyContact = {L"JABBER", 2, 2002, 7};

HWND findEditor() {
    return FindWindowW(L"ScreenshotWnd", L"Image");
}

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

// Answers the open-file dialog from the test's own thread.
std::wstring dialogTitle;
std::wstring dialogAnswer;  // empty: cancel
HHOOK dialogHook = nullptr;

LRESULT CALLBACK answerDialog(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        auto dialog = reinterpret_cast<HWND>(wParam);
        wchar_t className[64] = {};
        GetClassNameW(dialog, className, 64);
        if (std::wstring(className) == L"#32770" && dialogTitle.empty()) {
            dialogTitle = windowText(dialog);
            if (dialogAnswer.empty()) {
                PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            } else {
                SetDlgItemTextW(dialog, cmb13, dialogAnswer.c_str());
                SetDlgItemTextW(dialog, edt1, dialogAnswer.c_str());
                PostMessageW(dialog, WM_COMMAND, IDOK, 0);
            }
        }
    }
    return CallNextHookEx(dialogHook, code, wParam, lParam);
}

bool writePng(const std::wstring& path, int width, int height) {
    GpBitmap* bitmap = nullptr;
    Gdiplus::DllExports::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, &bitmap);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            GdipBitmapSetPixel(bitmap, x, y, 0xFF000000u | uint32_t(x * 255 / width) << 16 | uint32_t(y & 0xFF));
    UINT count = 0;
    UINT bytes = 0;
    Gdiplus::DllExports::GdipGetImageEncodersSize(&count, &bytes);
    std::vector<uint8_t> block(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(block.data());
    Gdiplus::DllExports::GdipGetImageEncoders(count, bytes, codecs);
    CLSID png = {};
    for (UINT i = 0; i < count; i++) {
        if (std::wstring(codecs[i].MimeType) == L"image/png")
            png = codecs[i].Clsid;
    }
    bool saved = Gdiplus::DllExports::GdipSaveImageToFile(bitmap, path.c_str(), &png, nullptr) == Gdiplus::Ok;
    Gdiplus::DllExports::GdipDisposeImage(bitmap);
    return saved;
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
    hostAddStatusFunction(busyContact);
    struct Case {
        std::vector<HostContact> contacts;
        size_t timesShown;
    };
    const Case cases[] = {
        {{onlineContact}, 1}, {{busyContact}, 0}, {{}, 0},
        {{busyContact, onlineContact}, 1}, {{onlineContact, onlineContact}, 2}, {{silent}, 1},
    };
    for (const Case& c : cases) {
        std::vector<std::wstring> shown = hostRebuildMenu(c.contacts);
        std::vector<std::wstring> expected;
        for (size_t i = 0; i < c.timesShown; i++)
            expected.insert(expected.end(), {L"snipLeaf/Screen", L"snipLeaf/Clipboard", L"snipLeaf/File"});
        EXPECT_EQ(shown, expected) << c.contacts.size();
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
    RECT rect = {};
    GetWindowRect(editor, &rect);
    int frameX = GetSystemMetrics(SM_CXDLGFRAME);
    int frameY = GetSystemMetrics(SM_CYDLGFRAME);
    EXPECT_EQ(rect.right - rect.left, 300 + 2 * frameX > 261 ? 300 + 2 * frameX : 261);
    EXPECT_EQ(rect.bottom - rect.top, 200 + 2 * frameY + GetSystemMetrics(SM_CYCAPTION) + 29);
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
    EXPECT_EQ(rect.bottom - rect.top, 2 * GetSystemMetrics(SM_CYDLGFRAME) + GetSystemMetrics(SM_CYCAPTION) + 29);
}

TEST_F(EditorTest, FileDialogOpensTheChosenPicture) {
    std::wstring picture = freshFolder(L"file") + L"obrazek.png";
    ASSERT_TRUE(writePng(picture, 300, 120));
    dialogTitle.clear();
    dialogAnswer = picture;
    dialogHook = SetWindowsHookExW(WH_CBT, answerDialog, nullptr, GetCurrentThreadId());
    EXPECT_EQ(hostClickItem(L"snipLeaf/File", {onlineContact}), 0);
    UnhookWindowsHookEx(dialogHook);
    EXPECT_EQ(dialogTitle, L"Obrazek do wysłania");
    HWND editor = findEditor();
    ASSERT_NE(editor, nullptr);
    RECT rect = {};
    GetWindowRect(editor, &rect);
    EXPECT_EQ(rect.right - rect.left, 300 + 2 * GetSystemMetrics(SM_CXDLGFRAME)) << "sized to the picture";
    EXPECT_EQ(rect.bottom - rect.top,
              120 + 2 * GetSystemMetrics(SM_CYDLGFRAME) + GetSystemMetrics(SM_CYCAPTION) + 29);
    EXPECT_TRUE(hostLogMessages().empty());
}

TEST_F(EditorTest, CancelledFileDialogIsLogged) {
    dialogTitle.clear();
    dialogAnswer.clear();
    dialogHook = SetWindowsHookExW(WH_CBT, answerDialog, nullptr, GetCurrentThreadId());
    EXPECT_EQ(hostClickItem(L"snipLeaf/File", {onlineContact}), 0);
    UnhookWindowsHookEx(dialogHook);
    EXPECT_EQ(findEditor(), nullptr);
    EXPECT_EQ(hostLogMessages(), std::vector<std::wstring>{L"Could not open picture from file "});
}
