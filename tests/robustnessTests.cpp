// Robustness of the real DLL: bad pictures, bad host records and out-of-range
// settings must each end in a log line or a sane editor and touch nothing
// else; and hundreds of open-draw-send-close cycles, and repeated loads of the
// library, must leave the process no larger than the first cycles did.
#include "testSupport.h"

#include <psapi.h>
#include <commctrl.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>

#include "host/standInPlugins.h"
#include "image/gdiplusFlat.h"

using namespace Gdiplus::DllExports;

namespace {

const HostContact contact = {L"GG", 1, 1001, 2};

// Under Wine with no window manager on the display, every hidden or destroyed
// framed window waits two seconds for a withdrawal notice that never comes.
// Wine skips that wait for windows it does not hand to a window manager, a
// choice it reads for this executable alone when it first opens the display.
const bool windowsUnmanaged = [] {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (!ntdll || !GetProcAddress(ntdll, "wine_get_version"))
        return false;
    return RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\robustnessTests.exe\\X11 Driver",
                           L"Managed", REG_SZ, L"N", 2 * sizeof(wchar_t)) == ERROR_SUCCESS;
}();

// The plug-in's own heap blocks. Its imports of the allocator are routed
// through here, so a test can tell exactly which blocks it still holds.
std::set<void*> pluginBlocks;
void* (*realMalloc)(size_t);
void* (*realCalloc)(size_t, size_t);
void* (*realRealloc)(void*, size_t);
void (*realFree)(void*);

void* ledgerMalloc(size_t bytes) {
    void* block = realMalloc(bytes);
    if (block)
        pluginBlocks.insert(block);
    return block;
}

void* ledgerCalloc(size_t count, size_t bytes) {
    void* block = realCalloc(count, bytes);
    if (block)
        pluginBlocks.insert(block);
    return block;
}

void* ledgerRealloc(void* old, size_t bytes) {
    void* block = realRealloc(old, bytes);
    if (block || bytes == 0)
        pluginBlocks.erase(old);
    if (block)
        pluginBlocks.insert(block);
    return block;
}

void ledgerFree(void* block) {
    pluginBlocks.erase(block);
    realFree(block);
}

struct ImportPatch {
    const char* function;
    void* replacement;
    void** original;
};

void keepLedger(HMODULE plugin) {
    static const ImportPatch patches[] = {
        {"malloc", reinterpret_cast<void*>(ledgerMalloc), reinterpret_cast<void**>(&realMalloc)},
        {"calloc", reinterpret_cast<void*>(ledgerCalloc), reinterpret_cast<void**>(&realCalloc)},
        {"realloc", reinterpret_cast<void*>(ledgerRealloc), reinterpret_cast<void**>(&realRealloc)},
        {"free", reinterpret_cast<void*>(ledgerFree), reinterpret_cast<void**>(&realFree)},
    };
    pluginBlocks.clear();
    for (const ImportPatch& patch : patches)
        *patch.original = patchImport(plugin, "msvcrt.dll", patch.function, patch.replacement);
}

BOOL CALLBACK countOne(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

BOOL CALLBACK countWithDescendants(HWND window, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    EnumChildWindows(window, countOne, count);
    return TRUE;
}

// Every window of this thread, child windows included: a leaked tooltip,
// control or editor shows here.
int threadWindowCount() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), countWithDescendants, LPARAM(&count));
    return count;
}

}  // namespace

// The tests' fixture: the plug-in loaded with its allocator watched and one
// network that takes every picture.
class BadInput : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        keepLedger(plugin.module);
        ASSERT_EQ(load(), hostOk);
        hostAddPictureTransfer(contact, {0});
        hostClearDeliveries();
        hostClearJournal();
    }
    void TearDown() override {
        if (HWND editor = findEditor())
            SendMessageW(editor, WM_COMMAND, 15, 0);
        PluginTest::TearDown();
    }
    HWND openFromClipboard(int width, int height) {
        EXPECT_TRUE(hostPutPictureOnClipboard(width, height));
        EXPECT_EQ(hostClickItem(L"snipLeaf/Clipboard", {contact}), 0);
        hostPumpMessages(20);
        return findEditor();
    }
};

namespace {

std::vector<char> fileBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool writeBytes(const std::wstring& path, const char* bytes, size_t size) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write(bytes, std::streamsize(size));
    return bool(out);
}

// A real picture file with its second half cut off.
bool truncatedPicture(const std::wstring& path, const wchar_t* mimeType) {
    if (!writePictureFile(path, 200, 150, mimeType))
        return false;
    std::vector<char> whole = fileBytes(path);
    return whole.size() > 100 && writeBytes(path, whole.data(), whole.size() / 2);
}

bool setClipboard(UINT format, const wchar_t* text) {
    if (!OpenClipboard(nullptr))
        return false;
    EmptyClipboard();
    bool put = true;
    if (text) {
        size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
        std::memcpy(GlobalLock(block), text, bytes);
        GlobalUnlock(block);
        put = SetClipboardData(format, block) != nullptr;
    }
    CloseClipboard();
    return put;
}

}  // namespace

// A picture that cannot be read is logged with the path (files) or ends
// silently (clipboard); the editor already open stays as it was, the host
// hears nothing else, and the click's holder and contact copy are freed.
TEST_F(BadInput, UnreadablePicturesTouchNothing) {
    struct Case {
        const char* what;
        const wchar_t* item;
        const wchar_t* fileName;  // null: the clipboard source
        bool (*prepare)(const std::wstring& path);
    };
    static const Case cases[] = {
        {"truncated PNG", L"snipLeaf/File", L"ucięty.png",
         [](const std::wstring& path) { return truncatedPicture(path, L"image/png"); }},
        {"truncated JPEG", L"snipLeaf/File", L"ucięty.jpg",
         [](const std::wstring& path) { return truncatedPicture(path, L"image/jpeg"); }},
        {"not a picture", L"snipLeaf/File", L"notatka.png",
         [](const std::wstring& path) { return writeBytes(path, "not a picture\r\n", 15); }},
        {"empty clipboard", L"snipLeaf/Clipboard", nullptr,
         [](const std::wstring&) { return setClipboard(0, nullptr); }},
        {"text on the clipboard", L"snipLeaf/Clipboard", nullptr,
         [](const std::wstring&) { return setClipboard(CF_UNICODETEXT, L"tekst"); }},
    };
    std::wstring folder = freshFolder(L"bad");
    for (const Case& c : cases) {
        HWND editor = openFromClipboard(160, 120);
        ASSERT_NE(editor, nullptr) << c.what;
        RECT before = {};
        GetWindowRect(editor, &before);
        std::wstring path = c.fileName ? folder + c.fileName : L"";
        ASSERT_TRUE(c.prepare(path)) << c.what;
        std::set<void*> blocks = pluginBlocks;
        int windows = threadWindowCount();
        hostClearJournal();
        EXPECT_EQ(clickAnsweringFileDialog(c.item, {contact}, path, nullptr), 0) << c.what;
        std::vector<std::wstring> expectedLog;
        if (c.fileName)
            expectedLog.push_back(L"Could not open picture from file " + path);
        EXPECT_EQ(hostLogMessages(), expectedLog) << c.what;
        EXPECT_EQ(hostCallNames().size(), expectedLog.size()) << c.what << ": no other host call";
        EXPECT_EQ(findEditor(), editor) << c.what;
        RECT after = {};
        GetWindowRect(editor, &after);
        EXPECT_TRUE(EqualRect(&before, &after)) << c.what;
        EXPECT_EQ(pluginBlocks, blocks) << c.what << ": the holder and contact copy are freed";
        EXPECT_EQ(threadWindowCount(), windows) << c.what;
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
}

namespace {

// A picture of one colour in any size for little memory and time: one bit per
// pixel, which the PNG encoder squeezes to a few kilobytes.
bool writeSolidPng(const std::wstring& path, int width, int height) {
    GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromScan0(width, height, 0, PixelFormat1bppIndexed, nullptr, &bitmap) != Gdiplus::Ok)
        return false;
    CLSID png = hostPngEncoder();
    bool saved = GdipSaveImageToFile(bitmap, path.c_str(), &png, nullptr) == Gdiplus::Ok;
    GdipDisposeImage(bitmap);
    return saved;
}

uint32_t bigEndianAt(const std::vector<uint8_t>& bytes, size_t offset) {
    if (offset + 4 > bytes.size())
        return 0;
    return uint32_t(bytes[offset]) << 24 | uint32_t(bytes[offset + 1]) << 16 | uint32_t(bytes[offset + 2]) << 8 |
           bytes[offset + 3];
}

}  // namespace

// The smallest picture and ones far larger than the 1280 x 1024 screen open
// fitted, size the editor from the fitted size, and send at that size.
TEST_F(BadInput, ExtremeSizesOpenFittedAndSend) {
    ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
    ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), 1024);
    struct Case {
        int width, height;
        uint32_t fittedWidth, fittedHeight;
        bool maximised;
    };
    static const Case cases[] = {
        {1, 1, 1, 1, false},
        {20000, 20000, 1024, 1024, true},
        {1, 20000, 1, 1024, true},
        {20000, 1, 1280, 1, true},
    };
    std::wstring folder = freshFolder(L"sizes");
    int frameX = GetSystemMetrics(SM_CXDLGFRAME);
    int frameY = GetSystemMetrics(SM_CYDLGFRAME);
    for (const Case& c : cases) {
        std::wstring path = folder + std::to_wstring(c.width) + L"x" + std::to_wstring(c.height) + L".png";
        ASSERT_TRUE(writeSolidPng(path, c.width, c.height));
        DWORD start = GetTickCount();
        EXPECT_EQ(clickAnsweringFileDialog(L"snipLeaf/File", {contact}, path, nullptr), 0);
        DWORD opening = GetTickCount() - start;
        std::printf("[ sizes    ] %d x %d opened in %lu ms\n", c.width, c.height, opening);
        EXPECT_LT(opening, 8000u) << c.width << "x" << c.height;
        EXPECT_TRUE(hostLogMessages().empty());
        HWND editor = findEditor();
        ASSERT_NE(editor, nullptr) << c.width << "x" << c.height;
        EXPECT_EQ(IsZoomed(editor) != 0, c.maximised) << c.width << "x" << c.height;
        WINDOWPLACEMENT place = {};
        place.length = sizeof(place);
        GetWindowPlacement(editor, &place);
        const RECT& normal = place.rcNormalPosition;
        // The platform keeps a window within its largest tracking size.
        LONG width = std::max<LONG>(261, LONG(c.fittedWidth) + 2 * frameX);
        LONG height = LONG(c.fittedHeight) + 2 * frameY + GetSystemMetrics(SM_CYCAPTION) + 29;
        EXPECT_EQ(normal.right - normal.left, std::min<LONG>(width, GetSystemMetrics(SM_CXMAXTRACK)));
        EXPECT_EQ(normal.bottom - normal.top, std::min<LONG>(height, GetSystemMetrics(SM_CYMAXTRACK)));
        SendMessageW(editor, WM_COMMAND, 12, 0);
        EXPECT_FALSE(IsWindow(editor)) << "sent, and closed";
        ASSERT_EQ(hostDeliveries().size(), 1u);
        const std::vector<uint8_t>& png = hostDeliveries()[0].fileBytes;
        EXPECT_EQ(bigEndianAt(png, 16), c.fittedWidth) << c.width << "x" << c.height;
        EXPECT_EQ(bigEndianAt(png, 20), c.fittedHeight) << c.width << "x" << c.height;
        hostClearDeliveries();
    }
}

namespace {

std::vector<std::wstring> shownItems;

int64_t noteShownItem(int64_t, const wchar_t* itemId) {
    shownItems.push_back(itemId ? itemId : L"");
    return 1;
}

// The menu rebuild for one contact record, with the count and show function given.
int64_t rebuildWith(int32_t count, ShowItemFn showItem) {
    ContactRecord record = hostContactRecord(contact);
    MenuPopupInfo info = {};
    info.contactCount = count;
    info.contacts = &record;
    MenuRebuildEvent event = {};
    event.pInfo = &info;
    event.showItem = showItem;
    return hostRaiseEvent(L"WTW/OnMenuRebuild", &event).at(0);
}

int64_t clickWith(bool withItem, bool withPopup, int32_t count) {
    MenuItemRecord item = hostMenuItems().at(L"snipLeaf/Clipboard").record;
    ContactRecord record = hostContactRecord(contact);
    MenuPopupInfo info = {};
    info.contactCount = count;
    info.contacts = &record;
    return item.onClick(withItem ? &item : nullptr, withPopup ? &info : nullptr);
}

}  // namespace

TEST_F(BadInput, MalformedHostRecordsHaveNoEffect) {
    struct Case {
        const char* what;
        int64_t (*raise)();
        int64_t answer;
        std::vector<std::wstring> calls;
        const wchar_t* log;
    };
    const Case cases[] = {
        {"rebuild, count -1", [] { return rebuildWith(-1, noteShownItem); }, 0, {}, nullptr},
        {"rebuild, no show function", [] { return rebuildWith(1, nullptr); }, 0, {L"GG/1/PFStatusGet"}, nullptr},
        {"click, no item", [] { return clickWith(false, true, 1); }, -1, {L"WTW/Log"},
         L"onMenuClick: menuItem or menuPopupInfo is NULL"},
        {"click, no popup", [] { return clickWith(true, false, 1); }, -1, {L"WTW/Log"},
         L"onMenuClick: menuItem or menuPopupInfo is NULL"},
        {"click, count -1", [] { return clickWith(true, true, -1); }, 0, {}, nullptr},
    };
    hostAddStatusFunction(contact);
    ASSERT_TRUE(hostPutPictureOnClipboard(50, 40));
    int windows = threadWindowCount();
    for (const Case& c : cases) {
        hostClearJournal();
        shownItems.clear();
        EXPECT_EQ(c.raise(), c.answer) << c.what;
        EXPECT_EQ(hostCallNames(), c.calls) << c.what;
        EXPECT_EQ(hostLogMessages(), c.log ? std::vector<std::wstring>{c.log} : std::vector<std::wstring>{})
            << c.what;
        EXPECT_TRUE(shownItems.empty()) << c.what;
        EXPECT_EQ(findEditor(), nullptr) << c.what;
        EXPECT_EQ(threadWindowCount(), windows) << c.what;
    }
}

// Without a host to call there is no settings store, so the load must not
// report success; the unload after it and a proper load still work.
TEST_F(BadInput, LoadWithoutACallableHostAborts) {
    unload();
    HostFunctionTable noCalls = *hostFunctionTable();
    noCalls.callFunction = nullptr;
    HostFunctionTable* const tables[] = {nullptr, &noCalls};
    for (HostFunctionTable* table : tables) {
        hostClearJournal();
        EXPECT_EQ(plugin.pluginLoad(0, table), hostAbort) << (table ? "no call slot" : "no table");
        EXPECT_TRUE(hostJournal().empty()) << "no hook, no call";
        EXPECT_EQ(unload(), 0);
    }
    EXPECT_EQ(load(), hostOk);
    EXPECT_EQ(hostMenuOrder().size(), 3u);
}

// Every key holding a value no editor writes: the editor opens with a pen of
// 1 to 15 pixels, opaque colours, a slider position of 0 to 4, the toolbar
// expanded only for a (low 32 bits) value of 1, and a framed window; it saves
// what it shows.
TEST_F(BadInput, OutOfRangeSettingsOpenASaneEditor) {
    static const wchar_t* const keys[] = {
        L"snipLeaf/PenColor",        L"snipLeaf/BrushColor", L"snipLeaf/PenWidth",     L"snipLeaf/Transparent",
        L"snipLeaf/ToolbarExpanded", L"snipLeaf/Fullscreen", L"snipLeaf/DefaultQuality",
    };
    struct Case {
        int64_t stored[std::size(keys)];
        int64_t pen, brush, width, transparent;  // as saved on close
        LRESULT quality;
        bool expanded;
    };
    static const Case cases[] = {
        {{0x7F123456, 0x7F654321, 0, -1, -1, -1, -1}, int32_t(0xFF123456), 0x00654321, 1, 0, 0, false},
        {{0x1FF00FF00, 0x100000000, INT32_MIN, 0x100000001, 0x100000001, 7, 5},
         int32_t(0xFF00FF00), int32_t(0xFF000000), 1, 1, 4, true},
        {{-1, -1, 16, 1, 2, 1, INT32_MAX}, -1, -1, 15, 1, 4, false},
        {{0, 0, INT32_MAX, 3, 0, 0, INT32_MIN}, int32_t(0xFF000000), 0, 15, 0, 0, false},
    };
    hostRegister(L"WTW/Settings/Read", [](int64_t, int64_t) { return int64_t(0); }, RecordKind::none);
    for (const Case& c : cases) {
        for (size_t k = 0; k < std::size(keys); k++)
            hostSettings()[keys[k]] = c.stored[k];
        HWND editor = openFromClipboard(300, 200);
        ASSERT_NE(editor, nullptr);
        HWND toolbar = FindWindowExW(editor, nullptr, TOOLBARCLASSNAMEW, nullptr);
        HWND slider = FindWindowExW(toolbar, nullptr, TRACKBAR_CLASSW, nullptr);
        HWND style = FindWindowExW(toolbar, nullptr, L"StyleControl", nullptr);
        EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), c.quality) << c.stored[6];
        EXPECT_EQ(LOWORD(SendDlgItemMessageW(style, 2, UDM_GETPOS, 0, 0)), c.width) << c.stored[2];
        EXPECT_EQ(IsWindowVisible(style) != 0, c.expanded) << c.stored[4];
        EXPECT_NE(GetWindowLongW(editor, GWL_STYLE) & WS_CAPTION, 0) << c.stored[5];
        SendMessageW(editor, WM_COMMAND, 15, 0);
        EXPECT_EQ(hostSettings()[keys[0]], c.pen) << c.stored[0];
        EXPECT_EQ(hostSettings()[keys[1]], c.brush) << c.stored[1];
        EXPECT_EQ(hostSettings()[keys[2]], c.width) << c.stored[2];
        EXPECT_EQ(hostSettings()[keys[3]], c.transparent) << c.stored[3];
        EXPECT_EQ(hostSettings()[keys[4]], c.expanded ? 1 : 0) << c.stored[4];
        EXPECT_EQ(hostSettings()[keys[6]], c.quality) << c.stored[6];
    }
}

namespace {

// GetGuiResources answers 0 under Wine. There a GDI handle's low word indexes
// the handle table and a zero high word matches any generation, so probing
// every index with GetObjectType counts the live objects; gdiCountSeesObjects
// checks that on objects made for the purpose before the soak trusts it.
int gdiObjectCount() {
    if (DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS))
        return int(counted);
    int live = 0;
    for (uintptr_t index = 1; index <= 0xFFFF; index++)
        live += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
    return live;
}

bool gdiCountSeesObjects() {
    int before = gdiObjectCount();
    HBRUSH made[8] = {};
    for (HBRUSH& brush : made)
        brush = CreateSolidBrush(RGB(1, 2, 3));
    int during = gdiObjectCount();
    for (HBRUSH brush : made)
        DeleteObject(brush);
    return during == before + int(std::size(made)) && gdiObjectCount() == before;
}

// Busy bytes of every heap of the process: the plug-in's, GDI+'s and the
// controls' allocations, untouched by how the pages happen to be resident.
size_t heapBusyBytes() {
    HANDLE heaps[64] = {};
    DWORD count = std::min<DWORD>(GetProcessHeaps(DWORD(std::size(heaps)), heaps), DWORD(std::size(heaps)));
    size_t busy = 0;
    for (DWORD i = 0; i < count; i++) {
        HeapLock(heaps[i]);
        PROCESS_HEAP_ENTRY entry = {};
        while (HeapWalk(heaps[i], &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                busy += entry.cbData;
        }
        HeapUnlock(heaps[i]);
    }
    return busy;
}

struct Census {
    size_t workingSet;
    size_t heapBytes;
    int gdiObjects;
    int windows;
    size_t pluginBlocks;
};

Census takeCensus() {
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
    return {memory.WorkingSetSize, heapBusyBytes(), gdiObjectCount(), threadWindowCount(), pluginBlocks.size()};
}

void printCensus(const char* what, int cycle, const Census& c, DWORD since) {
    std::printf("[ soak     ] %s %3d: working set %zu KB, heap %zu KB, GDI objects %d, windows %d, "
                "plug-in blocks %zu, %lu ms\n",
                what, cycle, c.workingSet / 1024, c.heapBytes / 1024, c.gdiObjects, c.windows, c.pluginBlocks,
                GetTickCount() - since);
}

struct Stroke {
    int tool;
    POINT from, via, to;
};

// Open from the clipboard, draw with every shape tool, select, send to a
// network that takes it, which closes the editor.
bool openDrawSendClose() {
    static const Stroke strokes[] = {
        {4, {10, 10}, {100, 60}, {200, 120}}, {5, {20, 20}, {80, 90}, {150, 110}},
        {6, {30, 40}, {90, 90}, {180, 150}},  {3, {50, 50}, {60, 70}, {90, 75}},
        {2, {5, 5}, {150, 100}, {300, 220}},
    };
    if (!hostPutPictureOnClipboard(320, 240) || hostClickItem(L"snipLeaf/Clipboard", {contact}) != 0)
        return false;
    hostPumpMessages(0);
    HWND editor = findEditor();
    if (!editor)
        return false;
    for (const Stroke& s : strokes) {
        SendMessageW(editor, WM_COMMAND, WPARAM(s.tool), 0);
        drag(editor, false, {s.from, s.via, s.to});
    }
    SendMessageW(editor, WM_COMMAND, 11, 0);
    bool sent = !IsWindow(editor) && hostDeliveries().size() == 1 && hostDeliveries()[0].fileFound;
    hostClearDeliveries();
    hostClearJournal();
    return sent;
}

// Under Wine every read of a clipboard bitmap keeps 1 KB of the process heap
// for good, whoever reads it. Measured here on bare reads, each cycle's one
// read is allowed for; anything beyond it is the plug-in's.
int64_t clipboardReadCost() {
    if (!hostPutPictureOnClipboard(320, 240))
        return 0;
    size_t before = heapBusyBytes();
    for (int read = 0; read < 16; read++) {
        OpenClipboard(nullptr);
        GetClipboardData(CF_BITMAP);
        CloseClipboard();
    }
    return int64_t(heapBusyBytes() - before) / 16;
}

bool openAndCancel() {
    if (!hostPutPictureOnClipboard(200, 100) || hostClickItem(L"snipLeaf/Clipboard", {contact}) != 0)
        return false;
    hostPumpMessages(0);
    HWND editor = findEditor();
    SendMessageW(editor, WM_COMMAND, 15, 0);
    hostClearJournal();
    return editor && !IsWindow(editor);
}

// Heap slack: the measured growth beyond the allowance was 0 bytes; a few
// kilobytes leave room for the heap's own bookkeeping. The working set moves
// in pages and with the allowed heap growth (measured under 200 KB over the
// soak); one leaked picture a cycle would add 54 MB.
constexpr int64_t heapSlack = 8 * 1024;
constexpr int64_t workingSetSlack = 1024 * 1024;

void expectNoGrowth(const Census& settled, const Census& last, int64_t allowedHeapGrowth) {
    int64_t heapGrowth = int64_t(last.heapBytes) - int64_t(settled.heapBytes);
    int64_t workingSetGrowth = int64_t(last.workingSet) - int64_t(settled.workingSet);
    std::printf("[ soak     ] growth: heap %lld bytes (allowed %lld), working set %lld KB\n", (long long)heapGrowth,
                (long long)allowedHeapGrowth, (long long)workingSetGrowth / 1024);
    EXPECT_EQ(last.windows, settled.windows);
    EXPECT_EQ(last.gdiObjects, settled.gdiObjects);
    EXPECT_EQ(last.pluginBlocks, settled.pluginBlocks);
    EXPECT_LE(heapGrowth, allowedHeapGrowth + heapSlack);
    EXPECT_LE(workingSetGrowth, workingSetSlack);
}

}  // namespace

class Soak : public BadInput {};

TEST_F(Soak, TwoHundredOpenDrawSendCloseCycles) {
    ASSERT_TRUE(gdiCountSeesObjects());
    int64_t readCost = clipboardReadCost();
    // The sends' temporary files go to a folder of the test's own.
    wchar_t savedTmp[MAX_PATH] = {};
    GetEnvironmentVariableW(L"TMP", savedTmp, MAX_PATH);
    SetEnvironmentVariableW(L"TMP", freshFolder(L"soak").c_str());
    DWORD start = GetTickCount();
    Census settled = {};
    for (int cycle = 1; cycle <= 200; cycle++) {
        ASSERT_TRUE(openDrawSendClose()) << "cycle " << cycle;
        if (cycle == 20)
            settled = takeCensus();
        if (cycle == 1 || cycle == 20 || cycle % 50 == 0)
            printCensus("send cycle", cycle, takeCensus(), start);
    }
    SetEnvironmentVariableW(L"TMP", savedTmp[0] ? savedTmp : nullptr);
    expectNoGrowth(settled, takeCensus(), 180 * readCost);
}

// Loads, each with an editor opened and closed, in one library instance and
// then with the library freed and loaded again each time.
TEST_F(Soak, TwentyLoadsInOneLibraryAndTwentyWithItFreedBetween) {
    ASSERT_TRUE(gdiCountSeesObjects());
    int64_t readCost = clipboardReadCost();
    DWORD start = GetTickCount();
    Census settled = {};
    for (int cycle = 1; cycle <= 20; cycle++) {
        unload();
        ASSERT_EQ(load(), hostOk) << "cycle " << cycle;
        ASSERT_TRUE(openAndCancel()) << "cycle " << cycle;
        if (cycle == 5)
            settled = takeCensus();
        if (cycle == 1 || cycle % 5 == 0)
            printCensus("load cycle", cycle, takeCensus(), start);
    }
    expectNoGrowth(settled, takeCensus(), 15 * readCost);

    // What a bare LoadLibrary and FreeLibrary keep of the heap: the runtime
    // linked into the library sets up its own pools, which FreeLibrary leaves.
    unload();
    hostClosePlugin(&plugin);
    size_t before = heapBusyBytes();
    for (int bare = 0; bare < 4; bare++) {
        ASSERT_TRUE(hostOpenPlugin(hostExeFolder() + L"snipLeaf.dll", &plugin));
        hostClosePlugin(&plugin);
    }
    int64_t reloadCost = int64_t(heapBusyBytes() - before) / 4;
    std::printf("[ soak     ] a bare load and free of the library keeps %lld bytes, a clipboard read %lld\n",
                (long long)reloadCost, (long long)readCost);
    start = GetTickCount();
    for (int cycle = 1; cycle <= 20; cycle++) {
        ASSERT_TRUE(hostOpenPlugin(hostExeFolder() + L"snipLeaf.dll", &plugin));
        keepLedger(plugin.module);
        ASSERT_EQ(load(), hostOk) << "cycle " << cycle;
        ASSERT_TRUE(openAndCancel()) << "cycle " << cycle;
        unload();
        EXPECT_TRUE(pluginBlocks.empty()) << "cycle " << cycle << ": all the load and the editor took is given back";
        hostClosePlugin(&plugin);
        if (cycle == 5)
            settled = takeCensus();
        if (cycle == 1 || cycle % 5 == 0)
            printCensus("free cycle", cycle, takeCensus(), start);
    }
    expectNoGrowth(settled, takeCensus(), 15 * (reloadCost + readCost));
    ASSERT_TRUE(hostOpenPlugin(hostExeFolder() + L"snipLeaf.dll", &plugin));
}
