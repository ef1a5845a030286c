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
