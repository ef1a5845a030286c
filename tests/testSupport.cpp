// Test set-up shared by the test executables.
#include "testSupport.h"

#include <commctrl.h>
#include <dlgs.h>

#include <cstdio>
#include <iterator>

#include "host/standInPlugins.h"
#include "image/gdiplusFlat.h"

void emptyFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        std::wstring path = folder + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            emptyFolder(path + L"\\");
            RemoveDirectoryW(path.c_str());
        } else {
            DeleteFileW(path.c_str());
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// Process ids come back in later runs, so the name alone does not make a
// folder fresh: a settings file left there once chose a JPEG level for a test
// that compared sent pixels. The tick count tells runs apart, and the folder
// is emptied all the same.
std::wstring freshFolder(const wchar_t* tag) {
    static int counter = 0;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    wchar_t folder[MAX_PATH] = {};
    swprintf(folder, MAX_PATH, L"%lssnipLeafTest-%lu-%llu-%ls-%d\\", temp, GetCurrentProcessId(),
             static_cast<unsigned long long>(GetTickCount64()), tag, ++counter);
    CreateDirectoryW(folder, nullptr);
    emptyFolder(folder);
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

PixelSet unite(const PixelSet& a, const PixelSet& b) {
    PixelSet both = a;
    both.insert(b.begin(), b.end());
    return both;
}

PixelSet rectangleOutline(int left, int top, int right, int bottom) {
    PixelSet set;
    for (int x = left; x <= right; x++)
        set.insert({{x, top}, {x, bottom}});
    for (int y = top; y <= bottom; y++)
        set.insert({{left, y}, {right, y}});
    return set;
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

void closeOpenEditor() {
    if (HWND editor = findEditor())
        SendMessageW(editor, WM_COMMAND, 15, 0);
}

namespace {

DialogAnswers* activeAnswers = nullptr;
HHOOK dialogHook = nullptr;

std::wstring dialogItemText(HWND dialog, int id) {
    wchar_t text[MAX_PATH] = {};
    GetDlgItemTextW(dialog, id, text, MAX_PATH);
    return text;
}

void answerFileDialog(DialogAnswers& answers, HWND dialog) {
    if (!answers.fileDialogTitle.empty())
        return;
    wchar_t title[256] = {};
    GetWindowTextW(dialog, title, 256);
    answers.fileDialogTitle = title;
    answers.fileDialogName = dialogItemText(dialog, cmb13);
    if (answers.fileDialogName.empty())
        answers.fileDialogName = dialogItemText(dialog, edt1);
    if (answers.fileAnswer.empty()) {
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    // A choice in the type list as the user makes it: the list's selection
    // and the notification the dialog acts on (Wine's takes the choice at
    // CBN_SELENDOK, as a closing drop-down sends it). Wine fills the list
    // from a message it posts while the dialog starts, so the choice is
    // posted after it.
    if (answers.fileType > 0) {
        HWND types = GetDlgItem(dialog, cmb1);
        PostMessageW(types, CB_SETCURSEL, WPARAM(answers.fileType - 1), 0);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(cmb1, CBN_SELENDOK), LPARAM(types));
    }
    SetDlgItemTextW(dialog, cmb13, answers.fileAnswer.c_str());
    SetDlgItemTextW(dialog, edt1, answers.fileAnswer.c_str());
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

void answerMessageBox(DialogAnswers& answers, HWND box) {
    wchar_t caption[256] = {};
    wchar_t text[1024] = {};
    GetWindowTextW(box, caption, int(std::size(caption)));
    GetDlgItemTextW(box, 0xFFFF, text, int(std::size(text)));
    HWND icon = GetDlgItem(box, 0x440);
    auto shownIcon = icon ? reinterpret_cast<HICON>(SendMessageW(icon, STM_GETICON, 0, 0)) : nullptr;
    bool onlyOk = GetDlgItem(box, IDOK) && !GetDlgItem(box, IDCANCEL) && !GetDlgItem(box, IDYES);
    answers.shown.push_back({caption, text, GetWindow(box, GW_OWNER), shownIcon == LoadIconW(nullptr, IDI_ERROR),
                             onlyOk, hostDeliveries().size()});
    if (!answers.atMessageBox || !answers.atMessageBox(box))
        PostMessageW(box, WM_COMMAND, IDOK, 0);
}

// A file dialog is told from a message box by its file name field.
LRESULT CALLBACK answerDialog(int code, WPARAM wParam, LPARAM lParam) {
    if (code != HCBT_ACTIVATE || !activeAnswers)
        return CallNextHookEx(dialogHook, code, wParam, lParam);
    auto dialog = reinterpret_cast<HWND>(wParam);
    wchar_t className[64] = {};
    GetClassNameW(dialog, className, 64);
    if (std::wstring(className) == L"#32770") {
        if (GetDlgItem(dialog, cmb13) || GetDlgItem(dialog, edt1))
            answerFileDialog(*activeAnswers, dialog);
        else
            answerMessageBox(*activeAnswers, dialog);
    }
    return CallNextHookEx(dialogHook, code, wParam, lParam);
}

}  // namespace

// One hook at a time: a second one would answer each dialog twice. An inner
// DialogAnswers takes the dialogs over until it ends.
DialogAnswers::DialogAnswers(const std::wstring& answer) : fileAnswer(answer), outer(activeAnswers) {
    activeAnswers = this;
    if (!dialogHook)
        dialogHook = SetWindowsHookExW(WH_CBT, answerDialog, nullptr, GetCurrentThreadId());
}

DialogAnswers::~DialogAnswers() {
    activeAnswers = outer;
    if (outer)
        return;
    UnhookWindowsHookEx(dialogHook);
    dialogHook = nullptr;
}

std::vector<std::wstring> shownTexts(const DialogAnswers& answers) {
    std::vector<std::wstring> texts;
    for (const ShownMessage& message : answers.shown)
        texts.push_back(message.text);
    return texts;
}

int64_t clickAnsweringFileDialog(const std::wstring& itemId, const std::vector<HostContact>& contacts,
                                 const std::wstring& path, std::wstring* title) {
    DialogAnswers answers(path);
    int64_t result = hostClickItem(itemId, contacts);
    if (title)
        *title = answers.fileDialogTitle;
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

std::vector<uint32_t> filePixels(const std::wstring& path, UINT* width, UINT* height) {
    std::vector<uint32_t> pixels;
    GpBitmap* bitmap = nullptr;
    *width = *height = 0;
    if (Gdiplus::DllExports::GdipCreateBitmapFromFile(path.c_str(), &bitmap) != Gdiplus::Ok)
        return pixels;
    Gdiplus::DllExports::GdipGetImageWidth(bitmap, width);
    Gdiplus::DllExports::GdipGetImageHeight(bitmap, height);
    Gdiplus::GpRect all = {0, 0, INT(*width), INT(*height)};
    Gdiplus::BitmapData data = {};
    pixels.resize(size_t(*width) * *height);
    data.Width = *width;
    data.Height = *height;
    data.Stride = INT(*width * 4);
    data.PixelFormat = PixelFormat32bppARGB;
    data.Scan0 = pixels.data();
    if (Gdiplus::DllExports::GdipBitmapLockBits(bitmap, &all, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                                                PixelFormat32bppARGB, &data) == Gdiplus::Ok)
        Gdiplus::DllExports::GdipBitmapUnlockBits(bitmap, &data);
    else
        pixels.clear();
    Gdiplus::DllExports::GdipDisposeImage(bitmap);
    return pixels;
}

bool putClipboardText(const wchar_t* text) {
    size_t bytes = text ? (wcslen(text) + 1) * sizeof(wchar_t) : 0;
    HGLOBAL block = text ? GlobalAlloc(GMEM_MOVEABLE, bytes) : nullptr;
    if (block) {
        std::memcpy(GlobalLock(block), text, bytes);
        GlobalUnlock(block);
    }
    bool opened = OpenClipboard(nullptr) && EmptyClipboard();
    bool put = opened && (!block || SetClipboardData(CF_UNICODETEXT, block));
    CloseClipboard();
    return put;
}
