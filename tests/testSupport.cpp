// Test set-up shared by the test executables.
#include "testSupport.h"

#include <commctrl.h>
#include <dlgs.h>

#include <cstdio>

#include "image/gdiplusFlat.h"

std::wstring freshFolder(const wchar_t* tag) {
    static int counter = 0;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    wchar_t folder[MAX_PATH] = {};
    swprintf(folder, MAX_PATH, L"%lssnipLeafTest-%lu-%ls-%d\\", temp, GetCurrentProcessId(), tag, ++counter);
    CreateDirectoryW(folder, nullptr);
    return folder;
}

HostConfig freshHostConfig() {
    std::wstring folder = freshFolder(L"host");
    return {folder + L"settings.ini", hostExeFolder()};
}

bool zeroBetween(const std::vector<uint8_t>& bytes, size_t from, size_t to) {
    if (to > bytes.size())
        return false;
    for (size_t i = from; i < to; i++) {
        if (bytes[i] != 0)
            return false;
    }
    return true;
}

std::wstring textAt(const std::vector<uint8_t>& bytes, size_t offset) {
    auto* text = readAt<const wchar_t*>(bytes, offset);
    return text ? text : L"";
}

std::vector<JournalEntry> callsOf(const std::wstring& name) {
    std::vector<JournalEntry> calls;
    for (const JournalEntry& entry : hostJournal()) {
        if (entry.kind == JournalKind::call && entry.name == name)
            calls.push_back(entry);
    }
    return calls;
}

void PluginTest::SetUp() {
    config = freshHostConfig();
    hostReset(config);
    ASSERT_TRUE(hostOpenPlugin(hostExeFolder() + L"snipLeaf.dll", &plugin));
}

void PluginTest::TearDown() {
    unload();
    hostClosePlugin(&plugin);
}

HWND findEditor() {
    return FindWindowW(L"ScreenshotWnd", L"Image");
}

namespace {

std::wstring dialogTitle;
std::wstring dialogAnswer;
HHOOK dialogHook = nullptr;

LRESULT CALLBACK answerDialog(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        auto dialog = reinterpret_cast<HWND>(wParam);
        wchar_t className[64] = {};
        GetClassNameW(dialog, className, 64);
        if (std::wstring(className) == L"#32770" && dialogTitle.empty()) {
            wchar_t title[256] = {};
            GetWindowTextW(dialog, title, 256);
            dialogTitle = title;
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

}  // namespace

int64_t clickAnsweringFileDialog(const std::wstring& itemId, const std::vector<HostContact>& contacts,
                                 const std::wstring& path, std::wstring* title) {
    dialogTitle.clear();
    dialogAnswer = path;
    dialogHook = SetWindowsHookExW(WH_CBT, answerDialog, nullptr, GetCurrentThreadId());
    int64_t result = hostClickItem(itemId, contacts);
    UnhookWindowsHookEx(dialogHook);
    dialogHook = nullptr;
    if (title)
        *title = dialogTitle;
    return result;
}

bool writePictureFile(const std::wstring& path, int width, int height, const wchar_t* mimeType) {
    GpBitmap* bitmap = nullptr;
    Gdiplus::DllExports::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, &bitmap);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            GdipBitmapSetPixel(bitmap, x, y, 0xFF000000u | uint32_t(x * 255 / width) << 16 | uint32_t(y & 0xFF));
    CLSID encoder = hostImageEncoder(mimeType);
    bool saved = Gdiplus::DllExports::GdipSaveImageToFile(bitmap, path.c_str(), &encoder, nullptr) == Gdiplus::Ok;
    Gdiplus::DllExports::GdipDisposeImage(bitmap);
    return saved;
}

void drag(HWND editor, bool right, std::initializer_list<POINT> points) {
    WPARAM button = right ? MK_RBUTTON : MK_LBUTTON;
    const POINT* p = points.begin();
    SendMessageW(editor, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, button, MAKELPARAM(p->x, p->y));
    for (const POINT* q = p + 1; q + 1 < points.end(); q++)
        SendMessageW(editor, WM_MOUSEMOVE, button, MAKELPARAM(q->x, q->y));
    const POINT* last = points.end() - 1;
    SendMessageW(editor, WM_MOUSEMOVE, button, MAKELPARAM(last->x, last->y));
    SendMessageW(editor, right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, MAKELPARAM(last->x, last->y));
}

void choosePng(HWND editor) {
    HWND toolbar = FindWindowExW(editor, nullptr, TOOLBARCLASSNAMEW, nullptr);
    HWND slider = FindWindowExW(toolbar, nullptr, TRACKBAR_CLASSW, nullptr);
    ASSERT_NE(slider, nullptr);
    SendMessageW(slider, TBM_SETPOS, TRUE, 0);
}
