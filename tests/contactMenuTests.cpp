// The contact menu and the picture intake through the real DLL: the items
// shown per status, the host records refused, and each source opening the
// editor or ending silently.
#include "editorTestSupport.h"

#include <cderr.h>
#include <commdlg.h>
#include <shlobj.h>

#include <cwchar>
#include <fstream>
#include <iterator>

#include "image/gdiplusFlat.h"
#include "plugin/contactMenu.h"
#include "processCensus.h"

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
    EXPECT_EQ(pictureArea(editor), pictureAreaFor(editor, 0, 0)) << "the toolbars fill the client area";
}

TEST_F(Intake, FileDialogOpensTheChosenPicture) {
    std::wstring picture = freshFolder(L"file") + L"obrazek.png";
    ASSERT_TRUE(writePictureFile(picture, 300, 120, L"image/png"));
    std::wstring title;
    EXPECT_EQ(clickAnsweringFileDialog(L"snipLeaf/File", {onlineContact}, picture, &title), 0);
    EXPECT_EQ(title, L"Obrazek do wysłania");
    HWND editor = findEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(pictureArea(editor), pictureAreaFor(editor, 300, 120)) << "sized to the picture";
    EXPECT_TRUE(hostLogMessages().empty());
}

// Paths of 260 to 263 characters did not fit the dialog's old 260 units and
// ended it as a Cancel. (From 264 on Wine's own dialog crashes, whatever the
// buffer, so no longer path is tried.)
TEST_F(Intake, FileDialogOpensLongPaths) {
    std::wstring folder = freshFolder(L"long");
    for (size_t length : {259u, 260u, 263u}) {
        std::wstring picture = folder + std::wstring(length - folder.size() - 4, L'd') + L".png";
        ASSERT_EQ(picture.size(), length);
        ASSERT_TRUE(writePictureFile(picture, 300, 120, L"image/png")) << length;
        hostClearJournal();
        std::wstring title;
        EXPECT_EQ(clickAnsweringFileDialog(L"snipLeaf/File", {onlineContact}, picture, &title), 0);
        EXPECT_EQ(title, L"Obrazek do wysłania") << length;
        HWND editor = findEditor();
        ASSERT_NE(editor, nullptr) << length;
        EXPECT_EQ(pictureArea(editor), pictureAreaFor(editor, 300, 120)) << length;
        EXPECT_TRUE(hostLogMessages().empty()) << length;
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
}

namespace {

std::vector<uint8_t> bytesOf(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A PNG signature and header naming the size, and nothing to decode.
std::vector<uint8_t> pngHeaderOnly(uint32_t width, uint32_t height) {
    std::vector<uint8_t> bytes = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (uint32_t side : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.push_back(uint8_t(side >> shift));
    bytes.insert(bytes.end(), {1, 0, 0, 0, 0, 0, 0, 0, 0});
    return bytes;
}

// A 1-bit palette PNG of stripes, in GDI+'s black and white palette.
bool writePalettePng(const std::wstring& path, int width, int height) {
    std::vector<uint8_t> rows(size_t(height) * 8, 0xCC);
    GpBitmap* bitmap = nullptr;
    if (width > 64 || Gdiplus::DllExports::GdipCreateBitmapFromScan0(width, height, 8, PixelFormat1bppIndexed,
                                                                      rows.data(), &bitmap) != Gdiplus::Ok)
        return false;
    CLSID png = hostPngEncoder();
    bool saved = Gdiplus::DllExports::GdipSaveImageToFile(bitmap, path.c_str(), &png, nullptr) == Gdiplus::Ok;
    Gdiplus::DllExports::GdipDisposeImage(bitmap);
    return saved;
}

// A copied-file list as another program may put it: the header naming where
// the names start, wide, then the names' units as given.
bool putDropList(uint32_t offset, const std::wstring& names) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
    auto* bytes = static_cast<uint8_t*>(GlobalLock(block));
    DROPFILES header = {offset, {}, FALSE, TRUE};
    std::memcpy(bytes, &header, sizeof(header));
    std::memcpy(bytes + sizeof(header), names.data(), names.size() * sizeof(wchar_t));
    GlobalUnlock(block);
    bool put = OpenClipboard(nullptr) && SetClipboardData(CF_HDROP, block);
    return CloseClipboard() && put;
}

// What the editor holds, read back from its whole-picture send as PNG; it
// closes with the send.
std::vector<uint32_t> sentPixels(HWND editor, const std::wstring& path, UINT* width, UINT* height) {
    *width = *height = 0;
    choosePng(editor);
    hostClearDeliveries();
    SendMessageW(editor, WM_COMMAND, 12, 0);
    if (hostDeliveries().size() != 1 || !hostWriteDeliveredFile(hostDeliveries()[0], path))
        return {};
    return filePixels(path, width, height);
}

}  // namespace

// A bitmap as before, else the registered "PNG", else one copied picture
// file, opened as the file item opens one: refused above the size cap with
// its log line, a palette picture converted, a large one fitted.
TEST_F(Intake, ClipboardTakesABitmapThenPngThenOneFile) {
    std::wstring folder = freshFolder(L"clipboard");
    const std::wstring ramp = folder + L"rampa.png", other = folder + L"inny.png", palette = folder + L"paleta.png",
                       wide = folder + L"szeroki.png", huge = folder + L"ogromny.png";
    ASSERT_TRUE(writePictureFile(ramp, 90, 60, L"image/png"));
    ASSERT_TRUE(writePictureFile(other, 70, 50, L"image/png"));
    ASSERT_TRUE(writePalettePng(palette, 64, 40));
    ASSERT_TRUE(writePictureFile(wide, 1400, 300, L"image/png"));
    std::vector<uint8_t> hugeHeader = pngHeaderOnly(60000, 60000);
    std::ofstream(huge.c_str(), std::ios::binary).write(reinterpret_cast<const char*>(hugeHeader.data()),
                                                         std::streamsize(hugeHeader.size()));
    hostAddPictureTransfer(onlineContact, {0});
    struct Case {
        const char* what;
        bool bitmap;  // a red 40 x 30 bitmap
        std::vector<uint8_t> png;
        std::vector<std::wstring> files;
        std::wstring shows;   // the file whose pixels the editor holds; empty: the bitmap's, or only the size
        UINT width, height;   // 0: no editor
        std::wstring logged;  // the path logged as not opened
        uint32_t dropOffset = 0;  // a copied-file list put as another program may: where its names start,
        std::wstring dropNames = L"";  // and their units
    };
    const Case cases[] = {
        {"PNG alone", false, bytesOf(other), {}, other, 70, 50, L""},
        {"one file alone", false, {}, {ramp}, ramp, 90, 60, L""},
        {"a bitmap beside PNG and a file", true, bytesOf(other), {ramp}, L"", 40, 30, L""},
        {"PNG beside a file", false, bytesOf(other), {ramp}, other, 70, 50, L""},
        {"a palette PNG file", false, {}, {palette}, palette, 64, 40, L""},
        {"a file wider than the screen", false, {}, {wide}, L"", 1280, 274, L""},
        {"two files", false, {}, {ramp, other}, L"", 0, 0, L""},
        {"a file above the size cap", false, {}, {huge}, L"", 0, 0, huge},
        {"PNG above the size cap", false, hugeHeader, {}, L"", 0, 0, L""},
        {"garbage PNG beside a file", false, {'n', 'o', 't', ' ', 'P', 'N', 'G'}, {ramp}, ramp, 90, 60, L""},
        {"a list starting beyond its block", false, {}, {}, L"", 0, 0, L"", 1u << 28, ramp + std::wstring(2, 0)},
        {"a list running to its block's end", false, {}, {}, L"", 0, 0, L"", 20, ramp},
        {"a list of its header alone", false, {}, {}, L"", 0, 0, L"", 20, L""},
        {"a whole list", false, {}, {}, ramp, 90, 60, L"", 20, ramp + std::wstring(2, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(hostPutOnClipboard(c.bitmap ? hostSolidBitmap(40, 30, RGB(255, 0, 0)) : nullptr, c.png, c.files));
        ASSERT_TRUE(c.dropOffset == 0 || putDropList(c.dropOffset, c.dropNames));
        hostClearJournal();
        EXPECT_EQ(hostClickItem(L"snipLeaf/Clipboard", {onlineContact}), 0);
        EXPECT_EQ(hostLogMessages(), c.logged.empty() ? std::vector<std::wstring>{}
                                                      : std::vector<std::wstring>{L"Could not open picture from file " +
                                                                                  c.logged});
        HWND editor = findEditor();
        if (c.width == 0) {
            EXPECT_EQ(editor, nullptr);
            if (editor)
                SendMessageW(editor, WM_COMMAND, 15, 0);
            continue;
        }
        ASSERT_NE(editor, nullptr);
        UINT width = 0, height = 0;
        std::vector<uint32_t> pixels = sentPixels(editor, folder + L"wyslany.png", &width, &height);
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
        if (c.bitmap) {
            EXPECT_EQ(pixels, std::vector<uint32_t>(size_t(c.width) * c.height, 0xFFFF0000u));
        }
        if (!c.shows.empty()) {
            UINT w = 0, h = 0;
            EXPECT_EQ(pixels, filePixels(c.shows, &w, &h));
        }
    }
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

namespace {

// GDI+'s taking in of a bitmap, the clipboard's or the screen's copy, which
// a row makes fail.
decltype(&Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP) realFromBitmap = nullptr;
int conversions = 0;
bool conversionFails = false;
GpStatus WINGDIPAPI countConversion(HBITMAP bitmap, HPALETTE palette, GpBitmap** converted) {
    conversions++;
    return conversionFails ? Gdiplus::OutOfMemory : realFromBitmap(bitmap, palette, converted);
}

}  // namespace

// A click on any item while the open editor holds a drawing asks first, in a
// box of the editor's, before any wait, capture or dialog: No leaves the
// editor as it was and takes nothing; Yes goes on. A picture with nothing
// drawn (all of it undone) is replaced unasked. The screenshot shows what lies
// under the editor, a window of one colour here, never the editor; one that
// fails shows the editor again as it was.
TEST_F(Intake, ADrawingIsReplacedOnlyWhenTheUserAgrees) {
    enum Drawing { rectangle, undone, textBox };
    const struct {
        const wchar_t* item;
        Drawing drawing;
        int answer;  // 0: no question
        bool captureFails, replaced;
    } cases[] = {
        {L"snipLeaf/Screen", rectangle, IDNO, false, false}, {L"snipLeaf/Clipboard", textBox, IDNO, false, false},
        {L"snipLeaf/File", rectangle, IDNO, false, false},   {L"snipLeaf/Screen", rectangle, IDYES, false, true},
        {L"snipLeaf/Clipboard", undone, 0, false, true},     {L"snipLeaf/Screen", rectangle, IDYES, true, false},
        {L"snipLeaf/Screen", undone, 0, true, false},
    };
    HWND backdrop = CreateWindowExW(0, L"Static", L"", WS_POPUP | WS_VISIBLE | SS_GRAYRECT, 0, 0, 1280, 1024, nullptr,
                                    nullptr, nullptr, nullptr);  // Wine paints it in the shadow colour, 0xA6A6A6
    std::wstring folder = freshFolder(L"second");
    ASSERT_TRUE(writePictureFile(folder + L"plik.png", 120, 90, L"image/png"));
    hostAddPictureTransfer(onlineContact, {0});
    keepLedger(plugin.module);
    realFromBitmap = reinterpret_cast<decltype(realFromBitmap)>(patchImport(
        plugin.module, "gdiplus.dll", "GdipCreateBitmapFromHBITMAP", reinterpret_cast<void*>(countConversion)));
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.item)) + " " + std::to_string(c.drawing));
        HWND editor = openFromClipboard(160, 120);
        ASSERT_NE(editor, nullptr);
        press(editor, c.drawing == textBox ? 'N' : 'R');
        drag(editor, false, {{20, 20}, {90, 70}});
        SendMessageW(editor, WM_CHAR, 'a', 0);  // typed into the box; nothing with the rectangle tool
        if (c.drawing == undone)
            press(editor, 'Z', true);
        std::vector<COLORREF> before = clientPixels(editor, 160, 120);
        ASSERT_TRUE(hostPutSolidPictureOnClipboard(80, 60, RGB(0xA6, 0xA6, 0xA6)));
        std::set<void*> blocks = pluginBlocks;
        conversions = 0;
        conversionFails = c.captureFails;
        DialogAnswers answers(folder + L"plik.png");
        bool shownWhenAsked = false;
        answers.atMessageBox = [&](HWND box) {
            shownWhenAsked = IsWindowVisible(editor);
            return PostMessageW(box, WM_COMMAND, WPARAM(c.answer), 0) || true;
        };
        EXPECT_EQ(hostClickItem(c.item, {onlineContact}), 0);
        conversionFails = false;
        hostPumpMessages(50);
        ASSERT_EQ(answers.shown.size(), c.answer ? 1u : 0u);
        if (c.answer) {
            EXPECT_EQ(answers.shown[0].text, L"Otwarty obrazek ma niewysłane rysunki. Zastąpić go nowym?");
            EXPECT_EQ(answers.shown[0].caption, L"Nowy obrazek");
            EXPECT_EQ(answers.shown[0].owner, editor);
            EXPECT_TRUE(shownWhenAsked) << "asked before the editor is hidden for the screenshot";
        }
        EXPECT_EQ(answers.fileDialogTitle, L"");
        EXPECT_EQ(conversions, c.replaced || c.captureFails ? 1 : 0) << "nothing taken after a No";
        EXPECT_EQ(findEditor() == editor, !c.replaced);
        if (c.replaced) {
            UINT width = 0, height = 0;
            std::vector<uint32_t> sent = sentPixels(findEditor(), folder + L"wyslany.png", &width, &height);
            EXPECT_EQ(std::set<uint32_t>(sent.begin(), sent.end()), std::set<uint32_t>{0xFFA6A6A6u}) << "grey alone";
        } else {
            EXPECT_TRUE(IsWindowVisible(editor));
            EXPECT_EQ(clientPixels(editor, 160, 120), before);
            EXPECT_EQ(pluginBlocks, blocks) << "the click's contact copy and holder are freed";
            SendMessageW(editor, WM_COMMAND, 15, 0);
        }
    }
    patchImport(plugin.module, "gdiplus.dll", "GdipCreateBitmapFromHBITMAP", reinterpret_cast<void*>(realFromBitmap));
    DestroyWindow(backdrop);
}

// With no editor open, the screenshot's editor is made while it waits for
// the menu to go. A capture that then fails leaves no window of it, hidden
// or shown, and stores none of what its controls were not yet given; the
// next screenshot opens with the stored quality.
TEST_F(Intake, AFailedScreenshotLeavesNoWindowAndNoSetting) {
    hostSettings()[L"snipLeaf/DefaultQuality"] = 3;
    hostRegister(L"WTW/Settings/Read", [](int64_t, int64_t) { return int64_t(0); }, RecordKind::none);
    realFromBitmap = reinterpret_cast<decltype(realFromBitmap)>(patchImport(
        plugin.module, "gdiplus.dll", "GdipCreateBitmapFromHBITMAP", reinterpret_cast<void*>(countConversion)));
    conversionFails = true;
    EXPECT_EQ(hostClickItem(L"snipLeaf/Screen", {onlineContact}), 0);
    conversionFails = false;
    hostPumpMessages(50);
    EXPECT_EQ(FindWindowW(L"ScreenshotWnd", nullptr), nullptr);
    EXPECT_EQ(hostSettings()[L"snipLeaf/DefaultQuality"], 3);
    EXPECT_EQ(hostLogMessages(), std::vector<std::wstring>{L"Could not take screenshot"});
    EXPECT_EQ(hostClickItem(L"snipLeaf/Screen", {onlineContact}), 0);
    HWND editor = findEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(IsWindowVisible(editor));
    EXPECT_EQ(SendMessageW(childOfClass(editorToolbar(editor), TRACKBAR_CLASSW), TBM_GETPOS, 0, 0), 3);
    patchImport(plugin.module, "gdiplus.dll", "GdipCreateBitmapFromHBITMAP", reinterpret_cast<void*>(realFromBitmap));
}
