// The contact menu and the picture intake through the real DLL: the items
// shown per status, the host records refused, and each source opening the
// editor or ending silently.
#include "editorTestSupport.h"

#include <cderr.h>
#include <commdlg.h>

#include <cwchar>
#include <iterator>

#include "plugin/contactMenu.h"

namespace {

class ContactMenu : public EditorTest {};
class Intake : public EditorTest {};

}  // namespace

TEST_F(ContactMenu, MenuItemsShowWhenAnyContactIsNotAtStatusSeven) {
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

// Seven is the one status that hides the items: every other value, the
// neighbours of seven, zero, negative and the largest included, shows them.
TEST_F(ContactMenu, OnlyStatusSevenHidesTheItems) {
    struct Case {
        int32_t status;
        bool shown;
    };
    static const Case cases[] = {
        {0, true}, {1, true}, {2, true}, {3, true}, {4, true}, {5, true}, {6, true}, {7, false},
        {8, true}, {9, true}, {-1, true}, {-7, true}, {0x7FFFFFFF, true}, {int32_t(0x80000007), true},
    };
    for (const Case& c : cases) {
        const HostContact contact = {L"GG", 1, 1001, c.status};
        hostAddStatusFunction(contact);
        std::vector<std::wstring> expected;
        if (c.shown)
            expected = {L"snipLeaf/Screen", L"snipLeaf/Clipboard", L"snipLeaf/File"};
        EXPECT_EQ(hostRebuildMenu({contact}), expected) << "status " << c.status;
    }
}

TEST_F(ContactMenu, BadHostRecordsAreRefused) {
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

TEST_F(Intake, ClipboardWithoutBitmapEndsSilently) {
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

TEST_F(Intake, NoContactsOpensNoWindow) {
    ASSERT_TRUE(hostPutPictureOnClipboard(80, 60));
    EXPECT_EQ(hostClickItem(L"snipLeaf/Clipboard", {}), 0);
    EXPECT_EQ(findEditor(), nullptr);
}

TEST_F(Intake, ScreenshotOfTheScreenOpensMaximised) {
    EXPECT_EQ(hostClickItem(L"snipLeaf/Screen", {onlineContact}), 0);
    hostPumpMessages(50);
    HWND editor = findEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(IsZoomed(editor)) << "a screen-sized picture";
}

TEST_F(Intake, UnknownSourceOpensAnEmptyEditor) {
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

TEST_F(Intake, FileDialogOpensTheChosenPicture) {
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
TEST_F(Intake, CancelledFileDialogIsLogged) {
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
