// Copy to the clipboard and save as through the real DLL: the clipboard's two
// formats and the saved files hold exactly the selection's pixels, the save
// dialog's title and default name, and a write that fails.
#include <windows.h>

#include <commctrl.h>
#include <cderr.h>
#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "editorTestSupport.h"
#include "image/gdiplusFlat.h"

using namespace Gdiplus::DllExports;

namespace {

constexpr int pictureWidth = 120;
constexpr int pictureHeight = 80;

struct Region {
    int left, top, width, height;
};

// The region of the picture as the editor showed it, 0x00RRGGBB row by row.
std::vector<uint32_t> regionOf(const std::vector<COLORREF>& all, const Region& r) {
    std::vector<uint32_t> pixels;
    for (int y = r.top; y < r.top + r.height; y++)
        pixels.insert(pixels.end(), all.begin() + y * pictureWidth + r.left,
                      all.begin() + y * pictureWidth + r.left + r.width);
    return pixels;
}

// A 24-bit bottom-up DIB's pixels, top row first, as 0x00RRGGBB.
std::vector<uint32_t> dibPixels(const std::vector<uint8_t>& dib, int width, int height) {
    std::vector<uint32_t> pixels;
    size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    for (int y = 0; y < height; y++) {
        size_t row = 40 + size_t(height - 1 - y) * stride;
        for (int x = 0; x < width; x++) {
            size_t at = row + size_t(x) * 3;
            pixels.push_back(uint32_t(dib[at + 2]) << 16 | uint32_t(dib[at + 1]) << 8 | dib[at]);
        }
    }
    return pixels;
}

// Every pixel of a decoded bitmap as 0xAARRGGBB.
std::vector<uint32_t> bitmapPixels(GpBitmap* bitmap, UINT* width, UINT* height) {
    std::vector<uint32_t> pixels;
    GdipGetImageWidth(bitmap, width);
    GdipGetImageHeight(bitmap, height);
    for (UINT y = 0; y < *height; y++) {
        for (UINT x = 0; x < *width; x++) {
            Gdiplus::ARGB pixel = 0;
            GdipBitmapGetPixel(bitmap, INT(x), INT(y), &pixel);
            pixels.push_back(pixel);
        }
    }
    GdipDisposeImage(bitmap);
    return pixels;
}

std::vector<uint32_t> pngPixels(const std::vector<uint8_t>& png, UINT* width, UINT* height) {
    *width = *height = 0;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, png.size());
    if (!block)
        return {};
    std::memcpy(GlobalLock(block), png.data(), png.size());
    GlobalUnlock(block);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream)))
        return {};
    GpBitmap* bitmap = nullptr;
    std::vector<uint32_t> pixels;
    if (GdipCreateBitmapFromStream(stream, &bitmap) == Gdiplus::Ok)
        pixels = bitmapPixels(bitmap, width, height);
    stream->Release();
    return pixels;
}

std::vector<uint32_t> opaque(std::vector<uint32_t> pixels) {
    for (uint32_t& p : pixels)
        p |= 0xFF000000u;
    return pixels;
}

std::vector<uint8_t> fileStart(const std::wstring& path, size_t n) {
    std::vector<uint8_t> bytes(n);
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        return {};
    bytes.resize(std::fread(bytes.data(), 1, n, file));
    std::fclose(file);
    return bytes;
}

// A picture of colour ramps in the editor, its selection set by the select
// tool's drag.
class CopyAndSaveTest : public EditorTest {
protected:
    // The picture is read as shown before the selection marks it.
    HWND openSelected(POINT from, POINT to) {
        HWND editor = openFromClipboard(pictureWidth, pictureHeight);
        if (!editor)
            return editor;
        unmarked = clientPixels(editor, pictureWidth, pictureHeight);
        drag(editor, false, {from, to});
        return editor;
    }
    // An editor opened without a selection shows no mark: read it as it is.
    std::vector<uint32_t> shownRegion(HWND editor, const Region& r) const {
        if (unmarked.empty())
            return regionOf(clientPixels(editor, pictureWidth, pictureHeight), r);
        return regionOf(unmarked, r);
    }
    std::vector<COLORREF> unmarked;
};
class Copy : public CopyAndSaveTest {};
class SaveAs : public CopyAndSaveTest {};

struct SelectionCase {
    const char* name;
    POINT from, to;  // the select tool's drag; a click selects nothing
    Region expected;
};
const SelectionCase selectionCases[] = {
    {"inside", {10, 20}, {50, 45}, {10, 20, 40, 25}},
    {"drawn backwards", {50, 45}, {11, 21}, {11, 21, 39, 24}},
    {"over the edge", {100, 60}, {300, 200}, {100, 60, 20, 20}},
    {"a click: the whole picture", {30, 30}, {30, 30}, {0, 0, 120, 80}},
};

}  // namespace

// Both formats hold the selection cut to the picture, pixel for pixel: a
// 24-bit bottom-up DIB and the bytes of a PNG file, nothing after its end.
TEST_F(Copy, PutsTheSelectionOnTheClipboardInBothFormats) {
    for (const SelectionCase& c : selectionCases) {
        HWND editor = openSelected(c.from, c.to);
        ASSERT_NE(editor, nullptr);
        press(editor, 'C', true);
        EXPECT_TRUE(IsWindow(editor)) << c.name << ": the editor stays open";
        std::vector<uint32_t> expected = shownRegion(editor, c.expected);

        std::vector<uint8_t> dib = clipboardBytes(CF_DIB);
        ASSERT_GE(dib.size(), 40u) << c.name;
        EXPECT_EQ(readAt<uint32_t>(dib, 0), 40u) << c.name;
        EXPECT_EQ(readAt<int32_t>(dib, 4), c.expected.width) << c.name;
        EXPECT_EQ(readAt<int32_t>(dib, 8), c.expected.height) << c.name << ": bottom-up";
        EXPECT_EQ(readAt<uint16_t>(dib, 12), 1u) << c.name;
        EXPECT_EQ(readAt<uint16_t>(dib, 14), 24u) << c.name;
        EXPECT_EQ(readAt<uint32_t>(dib, 16), uint32_t(BI_RGB)) << c.name;
        size_t stride = (size_t(c.expected.width) * 3 + 3) & ~size_t(3);
        ASSERT_EQ(dib.size(), 40 + stride * size_t(c.expected.height)) << c.name;
        EXPECT_EQ(dibPixels(dib, c.expected.width, c.expected.height), expected) << c.name;

        std::vector<uint8_t> png = clipboardBytes(RegisterClipboardFormatW(L"PNG"));
        ASSERT_GT(png.size(), 20u) << c.name;
        static const uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        static const uint8_t end[] = {'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
        EXPECT_EQ(std::vector<uint8_t>(png.begin(), png.begin() + 8), std::vector<uint8_t>(signature, signature + 8));
        EXPECT_EQ(std::vector<uint8_t>(png.end() - 8, png.end()), std::vector<uint8_t>(end, end + 8)) << c.name;
        UINT width = 0, height = 0;
        EXPECT_EQ(pngPixels(png, &width, &height), opaque(expected)) << c.name;
        EXPECT_EQ(int(width), c.expected.width);
        EXPECT_EQ(int(height), c.expected.height);
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
}


namespace {

bool plant(const std::wstring& path, const char* text) {
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file)
        return false;
    std::fputs(text, file);
    return std::fclose(file) == 0;
}

// "snipLeaf-YYYYMMDD-HHMMSS.png" for every second from one local time to
// another: the name is made between the two readings.
std::set<std::wstring> defaultNamesBetween(const SYSTEMTIME& from, const SYSTEMTIME& to) {
    constexpr uint64_t second = 10000000;  // in 100-nanosecond units
    FILETIME a = {}, b = {};
    SystemTimeToFileTime(&from, &a);
    SystemTimeToFileTime(&to, &b);
    uint64_t first = (uint64_t(a.dwHighDateTime) << 32 | a.dwLowDateTime) / second * second;
    uint64_t last = uint64_t(b.dwHighDateTime) << 32 | b.dwLowDateTime;
    std::set<std::wstring> names;
    for (uint64_t t = first; t <= last; t += second) {
        FILETIME f = {DWORD(t), DWORD(t >> 32)};
        SYSTEMTIME s = {};
        FileTimeToSystemTime(&f, &s);
        wchar_t name[64] = {};
        swprintf(name, 64, L"snipLeaf-%04u%02u%02u-%02u%02u%02u.png", s.wYear, s.wMonth, s.wDay, s.wHour, s.wMinute,
                 s.wSecond);
        names.insert(name);
    }
    return names;
}

void moveSlider(HWND editor, int position) {
    SendMessageW(childOfClass(editorToolbar(editor), TRACKBAR_CLASSW), TBM_SETPOS, TRUE, position);
}

GpStatus WINGDIPAPI refuseSave(GpImage*, const WCHAR*, const CLSID*, const Gdiplus::EncoderParameters*) {
    return Gdiplus::Win32Error;
}

}  // namespace

// The file written of the type the slider offers or the user chooses in the
// dialog (the extension follows it), holding the selection's pixels; a file of
// the final name already there is replaced only when the user agrees, whether
// the dialog or the editor asks; a write that fails says so; the editor stays.
TEST_F(SaveAs, WritesTheChosenTypeAndAsksBeforeReplacing) {
    struct Case {
        const char* name;
        int slider;
        int type;  // chosen in the dialog's list, from 1; 0: the one offered
        const wchar_t* typed;
        const wchar_t* planted;  // a file there before, or null
        int answer;              // to the question about replacing it
        const wchar_t* written;
        bool jpeg;
        bool editorAsks;  // the dialog asks in its own words about the name it returns
    };
    const Case cases[] = {
        {"PNG", 0, 0, L"first.png", nullptr, 0, L"first.png", false, false},
        {"PNG, extension added", 0, 0, L"second", nullptr, 0, L"second.png", false, false},
        {"JPEG offered by the slider", 2, 0, L"third.png", nullptr, 0, L"third.jpg", true, false},
        {"JPEG at the worst level", 4, 0, L"fourth.jpeg", nullptr, 0, L"fourth.jpg", true, false},
        {"JPEG chosen in the dialog", 0, 2, L"fifth.png", nullptr, 0, L"fifth.jpg", true, false},
        {"PNG chosen in the dialog", 3, 1, L"sixth", nullptr, 0, L"sixth.png", false, false},
        {"typed name there, replaced", 0, 0, L"seventh.png", L"seventh.png", IDYES, L"seventh.png", false, false},
        {"typed name there, kept", 0, 0, L"eighth.png", L"eighth.png", IDNO, L"eighth.png", false, false},
        {"name.jpg there, replaced", 2, 0, L"ninth", L"ninth.jpg", IDYES, L"ninth.jpg", true, false},
        {"name.jpg there, kept", 0, 2, L"tenth", L"tenth.jpg", IDNO, L"tenth.jpg", true, false},
        {"changed extension there, kept", 2, 0, L"eleventh.png", L"eleventh.jpg", IDNO, L"eleventh.jpg", true, true},
        {"changed extension there, replaced", 0, 2, L"twelfth.png", L"twelfth.jpg", IDYES, L"twelfth.jpg", true,
         true},
    };
    std::wstring folder = freshFolder(L"saveAs");
    for (const Case& c : cases) {
        HWND editor = openSelected({10, 20}, {50, 45});
        ASSERT_NE(editor, nullptr);
        moveSlider(editor, c.slider);
        std::wstring path = folder + c.written;
        if (c.planted) {
            ASSERT_TRUE(plant(folder + c.planted, "planted")) << c.name;
        }
        DialogAnswers answers(folder + c.typed);
        answers.fileType = c.type;
        // A No to the dialog's own question leaves the dialog open: the user
        // then cancels it.
        answers.atMessageBox = [&](HWND box) {
            PostMessageW(box, WM_COMMAND, WPARAM(c.answer ? c.answer : IDOK), 0);
            if (c.answer == IDNO && GetWindow(box, GW_OWNER) != editor)
                PostMessageW(GetWindow(box, GW_OWNER), WM_COMMAND, IDCANCEL, 0);
            return true;
        };
        SYSTEMTIME before = {}, after = {};
        GetLocalTime(&before);
        press(editor, 'S', true);
        GetLocalTime(&after);
        EXPECT_EQ(answers.fileDialogTitle, L"Zapisz obrazek") << c.name;
        EXPECT_EQ(defaultNamesBetween(before, after).count(answers.fileDialogName), 1u)
            << c.name << ": " << std::string(answers.fileDialogName.begin(), answers.fileDialogName.end());
        if (c.planted) {
            ASSERT_EQ(answers.shown.size(), 1u) << c.name << ": one question";
            EXPECT_EQ(answers.shown[0].caption, L"Zapisz obrazek") << c.name;
            if (c.editorAsks) {
                EXPECT_EQ(answers.shown[0].text, folder + c.written + L" już istnieje.\nCzy chcesz go zamienić?")
                    << c.name;
                EXPECT_EQ(answers.shown[0].owner, editor) << c.name;
            }
        } else {
            EXPECT_TRUE(answers.shown.empty()) << c.name;
        }
        EXPECT_TRUE(IsWindow(editor));
        if (c.answer == IDNO) {
            EXPECT_EQ(fileStart(path, 16), std::vector<uint8_t>({'p', 'l', 'a', 'n', 't', 'e', 'd'})) << c.name;
        } else {
            std::vector<uint8_t> start = fileStart(path, 2);
            ASSERT_EQ(start.size(), 2u) << c.name;
            EXPECT_EQ(start[0], c.jpeg ? 0xFF : 0x89) << c.name;
            EXPECT_EQ(start[1], c.jpeg ? 0xD8 : 'P') << c.name;
            UINT width = 0, height = 0;
            std::vector<uint32_t> pixels = filePixels(path, &width, &height);
            EXPECT_EQ(width, 40u) << c.name;
            EXPECT_EQ(height, 25u) << c.name;
            if (!c.jpeg) {
                EXPECT_EQ(pixels, opaque(shownRegion(editor, {10, 20, 40, 25}))) << c.name;
            }
        }
        SendMessageW(editor, WM_COMMAND, 15, 0);
        emptyFolder(folder);
    }

    HWND editor = openSelected({10, 20}, {50, 45});
    ASSERT_NE(editor, nullptr);
    void* original = patchImport(plugin.module, "gdiplus.dll", "GdipSaveImageToFile",
                                 reinterpret_cast<void*>(&refuseSave));
    ASSERT_NE(original, nullptr);
    DialogAnswers answers(folder + L"refused.png");
    press(editor, 'S', true);
    patchImport(plugin.module, "gdiplus.dll", "GdipSaveImageToFile", original);
    ASSERT_EQ(answers.shown.size(), 1u);
    EXPECT_EQ(answers.shown[0].text, L"Nie udało się zapisać obrazka.");
    EXPECT_EQ(answers.shown[0].caption, L"Zapisz obrazek");
    EXPECT_TRUE(answers.shown[0].errorIcon);
    EXPECT_TRUE(IsWindow(editor)) << "the editor stays open";
}

namespace {

// What the editor asked the save dialog for, copied while the call lasts.
struct AskedDialog {
    int calls;
    wchar_t title[64];
    wchar_t file[MAX_PATH];
    wchar_t initialDir[MAX_PATH];
    wchar_t filter[64];  // its double-null list with each null as '|'
    DWORD filterIndex;
    DWORD maxFile;
};
AskedDialog asked;

void copyText(wchar_t* to, size_t capacity, const wchar_t* from) {
    to[0] = 0;
    if (from)
        wcsncpy(to, from, capacity - 1);
}

BOOL WINAPI recordSaveDialog(OPENFILENAMEW* dialog) {
    asked.calls++;
    copyText(asked.title, std::size(asked.title), dialog->lpstrTitle);
    copyText(asked.file, std::size(asked.file), dialog->lpstrFile);
    copyText(asked.initialDir, std::size(asked.initialDir), dialog->lpstrInitialDir);
    size_t n = 0;
    for (const wchar_t* f = dialog->lpstrFilter; f && n + 1 < std::size(asked.filter) && (f[0] || f[1]); f++)
        asked.filter[n++] = f[0] ? f[0] : L'|';
    asked.filter[n] = 0;
    asked.filterIndex = dialog->nFilterIndex;
    asked.maxFile = dialog->nMaxFile;
    return FALSE;
}

DWORD dialogError;
DWORD WINAPI lastDialogError() {
    return dialogError;
}

}  // namespace

// The dialog opens in the user's Pictures folder with the default name and
// the two types, the type offered first following the slider; cancelled, it
// writes nothing and says nothing; ended by an error, it says so in the save's
// failure box.
TEST_F(SaveAs, OpensInThePicturesFolderWithTheDefaultName) {
    wchar_t* pictures = nullptr;
    ASSERT_TRUE(SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Pictures, 0, nullptr, &pictures)));
    std::wstring picturesFolder = pictures;
    CoTaskMemFree(pictures);
    struct Case {
        int slider;
        DWORD filterIndex;
        DWORD error;  // the dialog's extended error; 0 for Cancel
    };
    const Case cases[] = {{0, 1, 0}, {1, 2, 0}, {4, 2, 0}, {0, 1, FNERR_BUFFERTOOSMALL}, {2, 2, CDERR_MEMALLOCFAILURE}};
    for (const Case& c : cases) {
        HWND editor = openSelected({10, 20}, {50, 45});
        ASSERT_NE(editor, nullptr);
        moveSlider(editor, c.slider);
        void* original = patchImport(plugin.module, "comdlg32.dll", "GetSaveFileNameW",
                                     reinterpret_cast<void*>(&recordSaveDialog));
        void* extended = patchImport(plugin.module, "comdlg32.dll", "CommDlgExtendedError",
                                     reinterpret_cast<void*>(&lastDialogError));
        ASSERT_TRUE(original && extended);
        asked = {};
        dialogError = c.error;
        DialogAnswers answers;
        SYSTEMTIME before = {}, after = {};
        GetLocalTime(&before);
        press(editor, 'S', true);
        GetLocalTime(&after);
        patchImport(plugin.module, "comdlg32.dll", "GetSaveFileNameW", original);
        patchImport(plugin.module, "comdlg32.dll", "CommDlgExtendedError", extended);
        EXPECT_EQ(shownTexts(answers), c.error ? std::vector<std::wstring>{L"Nie udało się zapisać obrazka."}
                                               : std::vector<std::wstring>{});
        for (const ShownMessage& box : answers.shown)
            EXPECT_TRUE(box.caption == L"Zapisz obrazek" && box.errorIcon && box.owner == editor);
        EXPECT_EQ(asked.calls, 1) << c.slider;
        EXPECT_EQ(std::wstring(asked.initialDir), picturesFolder) << c.slider;
        EXPECT_EQ(defaultNamesBetween(before, after).count(asked.file), 1u) << c.slider;
        EXPECT_EQ(std::wstring(asked.title), L"Zapisz obrazek");
        EXPECT_EQ(std::wstring(asked.filter), L"PNG (*.png)|*.png|JPEG (*.jpg)|*.jpg");
        EXPECT_EQ(asked.filterIndex, c.filterIndex) << c.slider;
        EXPECT_GE(asked.maxFile, DWORD(MAX_PATH));
        EXPECT_TRUE(IsWindow(editor));
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
}

namespace {

// Another program holding the clipboard from a thread of its own, let go once
// the editor has failed to open it releaseAfter times (0: never).
struct HeldClipboard {
    HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = nullptr;
    int releaseAfter = 0;
    std::vector<ULONGLONG> tries;  // the editor's, each at its tick
    BOOL(WINAPI* real)(HWND) = nullptr;
} held;

DWORD WINAPI holdClipboard(void*) {
    BOOL open = OpenClipboard(nullptr);
    SetEvent(held.opened);
    WaitForSingleObject(held.release, INFINITE);
    return open && CloseClipboard();
}

BOOL WINAPI watchedOpenClipboard(HWND owner) {
    held.tries.push_back(GetTickCount64());
    BOOL open = held.real(owner);
    if (!open && held.tries.size() == size_t(held.releaseAfter)) {
        SetEvent(held.release);
        WaitForSingleObject(held.thread, INFINITE);
    }
    return open;
}

}  // namespace

// Ctrl+C tries the clipboard ten times over about a fifth of a second; one
// still held is told, and nothing is copied.
TEST_F(Copy, WaitsBrieflyForAClipboardAnotherProgramHolds) {
    for (int releaseAfter : {1, 9, 0}) {
        HWND editor = openFromClipboard(pictureWidth, pictureHeight);
        ASSERT_NE(editor, nullptr);
        ResetEvent(held.opened);
        ResetEvent(held.release);
        held.tries.clear();
        held.releaseAfter = releaseAfter;
        held.thread = CreateThread(nullptr, 0, holdClipboard, nullptr, 0, nullptr);
        WaitForSingleObject(held.opened, INFINITE);
        held.real = reinterpret_cast<BOOL(WINAPI*)(HWND)>(patchImport(
            plugin.module, "user32.dll", "OpenClipboard", reinterpret_cast<void*>(&watchedOpenClipboard)));
        DialogAnswers answers;
        press(editor, 'C', true);
        patchImport(plugin.module, "user32.dll", "OpenClipboard", reinterpret_cast<void*>(held.real));
        SetEvent(held.release);
        WaitForSingleObject(held.thread, INFINITE);
        CloseHandle(held.thread);
        EXPECT_TRUE(IsWindow(editor)) << releaseAfter;
        EXPECT_EQ(held.tries.size(), releaseAfter ? size_t(releaseAfter + 1) : 10u) << releaseAfter;
        std::vector<uint8_t> png = clipboardBytes(RegisterClipboardFormatW(L"PNG"));
        if (releaseAfter) {
            EXPECT_TRUE(answers.shown.empty()) << releaseAfter;
            EXPECT_EQ(dibPixels(clipboardBytes(CF_DIB), pictureWidth, pictureHeight),
                      shownRegion(editor, {0, 0, pictureWidth, pictureHeight}));
            EXPECT_FALSE(png.empty());
            continue;
        }
        EXPECT_GE(held.tries.back() - held.tries.front(), 150u) << "the tries wait for the holder";
        ASSERT_EQ(answers.shown.size(), 1u);
        EXPECT_EQ(answers.shown[0].text, L"Nie udało się skopiować do schowka.");
        EXPECT_EQ(answers.shown[0].caption, L"Kopiuj obrazek");
        EXPECT_TRUE(answers.shown[0].errorIcon && answers.shown[0].onlyOk && answers.shown[0].owner == editor);
        EXPECT_TRUE(png.empty()) << "nothing copied";
    }
}

// The bitmap holds the picture over white exactly as the editor shows it, a
// second repaint included; the PNG keeps every pixel's alpha.
TEST_F(Copy, ComposesTransparentPixelsOverWhiteAsShown) {
    static const uint32_t columns[] = {0x00000000u, 0x80FF0000u, 0x40123456u, 0xC0FFFFFFu, 0xFF00FF00u};
    std::vector<uint32_t> source;
    for (int i = 0; i < 50 * 6; i++)
        source.push_back(columns[i % 50 / 10]);
    std::wstring path = freshFolder(L"alpha") + L"alpha.png";
    GpBitmap* bitmap = nullptr;
    GdipCreateBitmapFromScan0(50, 6, 200, PixelFormat32bppARGB, reinterpret_cast<BYTE*>(source.data()), &bitmap);
    CLSID encoder = hostImageEncoder(L"image/png");
    ASSERT_EQ(GdipSaveImageToFile(bitmap, path.c_str(), &encoder, nullptr), Gdiplus::Ok);
    GdipDisposeImage(bitmap);
    clickAnsweringFileDialog(L"snipLeaf/File", {onlineContact}, path, nullptr);
    HWND editor = findEditor();
    ASSERT_NE(editor, nullptr);
    press(editor, 'C', true);
    clientPixels(editor, 50, 6);
    std::vector<COLORREF> shown = clientPixels(editor, 50, 6);
    EXPECT_EQ(shown[5], 0xFFFFFFu) << "transparent shows white";
    EXPECT_EQ(shown[15], 0xFF7F7Fu) << "half-transparent red over white";
    EXPECT_EQ(dibPixels(clipboardBytes(CF_DIB), 50, 6), std::vector<uint32_t>(shown.begin(), shown.end()));
    UINT width = 0, height = 0;
    EXPECT_EQ(pngPixels(clipboardBytes(RegisterClipboardFormatW(L"PNG")), &width, &height), source);
}

namespace {

size_t filesIn(const std::wstring& folder) {
    size_t files = 0;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
        files += !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    FindClose(search);
    return files;
}

// A disk that fills while the picture is written: part of it lands, then the
// encoder gives up.
GpStatus WINGDIPAPI writeHalfAndFail(GpImage*, const WCHAR* name, const CLSID*, const Gdiplus::EncoderParameters*) {
    FILE* file = _wfopen(name, L"wb");
    std::fputs("\x89PNG, half", file);
    std::fclose(file);
    return Gdiplus::Win32Error;
}

}  // namespace

// A save that fails leaves the file it was to replace byte for byte and no
// file of its own; a whole one leaves only the picture. Paths of 260 to 263
// characters, past MAX_PATH, save as any other (from 264 on Wine's own dialog
// crashes, whatever the buffer).
TEST_F(SaveAs, ReplacesAFileOnlyWithAWholePicture) {
    enum Fault { none, diskFills, targetHeldOpen };
    const struct {
        const char* name;
        bool planted;
        Fault fault;
        size_t pathLength;  // 0: a short one
        bool openedFromIt = false;  // the picture opened from the file, through the file item, and drawn on
    } cases[] = {
        {"new name, the disk fills", false, diskFills, 0},
        {"replacing, the disk fills", true, diskFills, 0},
        {"replacing a file another program holds open", true, targetHeldOpen, 0},
        {"replacing, written whole", true, none, 0},
        {"a path of 260", false, none, 260},
        {"a path of 263, replacing", true, none, 263},
        {"replacing the file the picture came from", false, none, 0, true},
    };
    for (const auto& c : cases) {
        std::wstring folder = freshFolder(L"replace");
        if (c.pathLength) {
            folder += std::wstring(c.pathLength - folder.size() - 12, L'd') + L"\\";
            ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        }
        std::wstring target = folder + L"picture.png";
        ASSERT_TRUE(!c.pathLength || target.size() == c.pathLength) << c.name;
        ASSERT_TRUE(!c.planted || plant(target, "old picture")) << c.name;
        HWND editor = openFromClipboard(pictureWidth, pictureHeight);
        if (c.openedFromIt) {
            ASSERT_TRUE(writePictureFile(target, pictureWidth, pictureHeight, L"image/png"));
            ASSERT_EQ(clickAnsweringFileDialog(L"snipLeaf/File", {onlineContact}, target, nullptr), 0);
            editor = findEditor();
            press(editor, 'R');
            drag(editor, false, {{10, 10}, {40, 30}});
        }
        ASSERT_NE(editor, nullptr);
        choosePng(editor);
        HANDLE holder = c.fault == targetHeldOpen
                            ? CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                            : INVALID_HANDLE_VALUE;
        void* original = c.fault == diskFills ? patchImport(plugin.module, "gdiplus.dll", "GdipSaveImageToFile",
                                                            reinterpret_cast<void*>(&writeHalfAndFail))
                                              : nullptr;
        DialogAnswers answers(target);
        answers.atMessageBox = [](HWND box) { return PostMessageW(box, WM_COMMAND, IDYES, 0) || true; };
        press(editor, 'S', true);
        if (original)
            patchImport(plugin.module, "gdiplus.dll", "GdipSaveImageToFile", original);
        if (holder != INVALID_HANDLE_VALUE)
            CloseHandle(holder);
        EXPECT_TRUE(IsWindow(editor)) << c.name;
        std::vector<std::wstring> texts = shownTexts(answers);
        EXPECT_EQ(std::count(texts.begin(), texts.end(), L"Nie udało się zapisać obrazka."), c.fault ? 1 : 0)
            << c.name;
        EXPECT_EQ(filesIn(folder), c.planted || !c.fault ? 1u : 0u) << c.name;
        UINT width = 0, height = 0;
        if (!c.fault) {
            EXPECT_EQ(filePixels(target, &width, &height),
                      opaque(shownRegion(editor, {0, 0, pictureWidth, pictureHeight})))
                << c.name;
        } else if (c.planted) {
            std::vector<uint8_t> old = fileStart(target, 64);
            EXPECT_EQ(std::string(old.begin(), old.end()), "old picture") << c.name;
        }
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
}
