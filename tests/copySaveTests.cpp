// Copy to the clipboard and save as through the real DLL: the clipboard's two
// formats and the saved files hold exactly the selection's pixels, the save
// dialog's title and default name, and a write that fails.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

#include "image/gdiplusFlat.h"
#include "testSupport.h"

using namespace Gdiplus::DllExports;

namespace {

const HostContact contact = {L"GG", 1, 1001, 2};
constexpr int pictureWidth = 120;
constexpr int pictureHeight = 80;

struct Region {
    int left, top, width, height;
};

// The region of the picture as the editor shows it, 0x00RRGGBB row by row.
std::vector<uint32_t> shownRegion(HWND editor, const Region& r) {
    RedrawWindow(editor, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    HDC window = GetDC(editor);
    std::vector<uint32_t> pixels;
    for (int y = r.top; y < r.top + r.height; y++) {
        for (int x = r.left; x < r.left + r.width; x++) {
            COLORREF c = GetPixel(window, x, y);
            pixels.push_back(uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c));
        }
    }
    ReleaseDC(editor, window);
    return pixels;
}

std::vector<uint8_t> clipboardBytes(UINT format) {
    std::vector<uint8_t> bytes;
    if (!OpenClipboard(nullptr))
        return bytes;
    if (HGLOBAL block = GetClipboardData(format)) {
        auto* data = static_cast<uint8_t*>(GlobalLock(block));
        if (data)
            bytes.assign(data, data + GlobalSize(block));
        GlobalUnlock(block);
    }
    CloseClipboard();
    return bytes;
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

std::vector<uint32_t> filePixels(const std::wstring& path, UINT* width, UINT* height) {
    *width = *height = 0;
    GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromFile(path.c_str(), &bitmap) != Gdiplus::Ok)
        return {};
    return bitmapPixels(bitmap, width, height);
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

void pressCtrl(HWND window, WPARAM key) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageW(window, WM_KEYDOWN, key, 0);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
}

class CopySaveTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        ASSERT_EQ(load(), hostOk);
        hostAddStatusFunction(contact);
    }
    void TearDown() override {
        if (HWND editor = findEditor())
            SendMessageW(editor, WM_COMMAND, 15, 0);
        PluginTest::TearDown();
    }
    HWND openPicture() {
        EXPECT_TRUE(hostPutPictureOnClipboard(pictureWidth, pictureHeight));
        EXPECT_EQ(hostClickItem(L"snipLeaf/Clipboard", {contact}), 0);
        hostPumpMessages(50);
        return findEditor();
    }
};

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
TEST_F(CopySaveTest, CopyPutsTheSelectionOnTheClipboardInBothFormats) {
    for (const SelectionCase& c : selectionCases) {
        HWND editor = openPicture();
        ASSERT_NE(editor, nullptr);
        drag(editor, false, {c.from, c.to});
        pressCtrl(editor, 'C');
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

// What the save dialog and a message box after it showed, and the answer the
// dialog gets: the name typed in and OK.
struct SaveDialogSeen {
    std::wstring title, defaultName;
    std::wstring boxText, boxCaption;
};
SaveDialogSeen seen;
std::wstring answerName;
HHOOK saveHook = nullptr;

std::wstring itemText(HWND dialog, int id) {
    wchar_t text[MAX_PATH] = {};
    GetDlgItemTextW(dialog, id, text, MAX_PATH);
    return text;
}

LRESULT CALLBACK answerSaveDialog(int code, WPARAM wParam, LPARAM lParam) {
    if (code != HCBT_ACTIVATE)
        return CallNextHookEx(saveHook, code, wParam, lParam);
    auto dialog = reinterpret_cast<HWND>(wParam);
    wchar_t className[64] = {};
    GetClassNameW(dialog, className, 64);
    if (std::wstring(className) != L"#32770")
        return CallNextHookEx(saveHook, code, wParam, lParam);
    wchar_t title[256] = {};
    GetWindowTextW(dialog, title, 256);
    if (seen.title.empty()) {
        seen.title = title;
        seen.defaultName = itemText(dialog, cmb13).empty() ? itemText(dialog, edt1) : itemText(dialog, cmb13);
        SetDlgItemTextW(dialog, cmb13, answerName.c_str());
        SetDlgItemTextW(dialog, edt1, answerName.c_str());
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    } else {
        seen.boxCaption = title;
        seen.boxText = itemText(dialog, 0xFFFF);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(saveHook, code, wParam, lParam);
}

void saveAnswering(HWND editor, const std::wstring& name) {
    seen = {};
    answerName = name;
    saveHook = SetWindowsHookExW(WH_CBT, answerSaveDialog, nullptr, GetCurrentThreadId());
    pressCtrl(editor, 'S');
    UnhookWindowsHookEx(saveHook);
    saveHook = nullptr;
}

GpStatus WINGDIPAPI refuseSave(GpImage*, const WCHAR*, const CLSID*, const Gdiplus::EncoderParameters*) {
    return Gdiplus::Win32Error;
}

}  // namespace

// The dialog's title and default name, and the file
// written of the type the slider offers (the extension follows it), holding
// the selection's pixels; a write that fails says so and the editor stays.
TEST_F(CopySaveTest, SaveAsWritesTheChosenTypeOrSaysItFailed) {
    struct Case {
        const char* name;
        int slider;
        const wchar_t* typed;
        const wchar_t* written;
        bool jpeg;
    };
    const Case cases[] = {
        {"PNG", 0, L"first.png", L"first.png", false},
        {"PNG, extension added", 0, L"second", L"second.png", false},
        {"JPEG offered by the slider", 2, L"third.png", L"third.jpg", true},
        {"JPEG at the worst level", 4, L"fourth.jpeg", L"fourth.jpg", true},
    };
    std::wstring folder = freshFolder(L"saveAs");
    for (const Case& c : cases) {
        HWND editor = openPicture();
        ASSERT_NE(editor, nullptr);
        HWND slider = FindWindowExW(FindWindowExW(editor, nullptr, TOOLBARCLASSNAMEW, nullptr), nullptr,
                                    TRACKBAR_CLASSW, nullptr);
        SendMessageW(slider, TBM_SETPOS, TRUE, c.slider);
        drag(editor, false, {{10, 20}, {50, 45}});
        SYSTEMTIME before = {};
        GetLocalTime(&before);
        saveAnswering(editor, folder + c.typed);
        EXPECT_EQ(seen.title, L"Zapisz obrazek") << c.name;
        wchar_t name[64] = {};
        swprintf(name, 64, L"snipLeaf-%04u%02u%02u-%02u%02u", before.wYear, before.wMonth, before.wDay, before.wHour,
                 before.wMinute);
        EXPECT_EQ(seen.defaultName.substr(0, 22), name) << c.name;
        EXPECT_EQ(seen.defaultName.size(), 28u) << c.name;
        EXPECT_EQ(seen.defaultName.substr(24), L".png") << c.name;
        EXPECT_TRUE(seen.boxText.empty()) << c.name;
        EXPECT_TRUE(IsWindow(editor));
        std::wstring path = folder + c.written;
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
        SendMessageW(editor, WM_COMMAND, 15, 0);
        DeleteFileW(path.c_str());
    }

    HWND editor = openPicture();
    ASSERT_NE(editor, nullptr);
    void* original = patchImport(plugin.module, "gdiplus.dll", "GdipSaveImageToFile",
                                 reinterpret_cast<void*>(&refuseSave));
    ASSERT_NE(original, nullptr);
    saveAnswering(editor, folder + L"refused.png");
    patchImport(plugin.module, "gdiplus.dll", "GdipSaveImageToFile", original);
    EXPECT_EQ(seen.boxText, L"Nie udało się zapisać obrazka.");
    EXPECT_EQ(seen.boxCaption, L"Zapisz obrazek");
    EXPECT_TRUE(IsWindow(editor)) << "the editor stays open";
}
