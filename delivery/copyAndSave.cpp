// Copy and save as. The clipboard gets a 24-bit bottom-up DIB: with no fourth
// byte there is nothing a pasting program may take for alpha (some read it and
// show an opaque screenshot as transparent, others ignore it), so office
// programs paste what the screen showed, transparent pixels over white as the
// editor shows them; the PNG beside it keeps the alpha for the programs that
// read that. A save writes a new file beside the one it replaces and renames it
// over the old one only once it is whole, so a failed save costs nothing.
#include "copyAndSave.h"

#include <commctrl.h>
#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "../image/gdiGuards.h"
#include "../plugin/hostBridge.h"
#include "sending.h"

using namespace Gdiplus::DllExports;

namespace {

// Another program (a clipboard manager reading what was just put there, a
// remote desktop passing it on) may hold the clipboard for a moment, so the
// opening is tried again for a little under a fifth of a second.
constexpr int clipboardTries = 10;
constexpr DWORD clipboardPauseMs = 20;

bool openClipboardRetrying(HWND owner) {
    for (int attempt = 1;; attempt++) {
        if (OpenClipboard(owner))
            return true;
        if (attempt == clipboardTries)
            return false;
        Sleep(clipboardPauseMs);
    }
}

struct KnownFolderGuard {
    wchar_t* path;
    explicit KnownFolderGuard(REFKNOWNFOLDERID id) : path(nullptr) {
        if (FAILED(SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path)))
            path = nullptr;
    }
    KnownFolderGuard(const KnownFolderGuard&) = delete;
    KnownFolderGuard& operator=(const KnownFolderGuard&) = delete;
    ~KnownFolderGuard() { CoTaskMemFree(path); }
    operator const wchar_t*() const { return path; }
};

int32_t regionWidth(const PictureRegion& r) {
    return r.right - r.left;
}

int32_t regionHeight(const PictureRegion& r) {
    return r.bottom - r.top;
}

// Rows of three bytes, blue green red, each row padded to four bytes, the
// bottom row first, from top-down rows of four.
void packRows(uint8_t* to, const uint8_t* from, int32_t width, int32_t height) {
    size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    for (int32_t y = 0; y < height; y++) {
        const uint8_t* row = from + size_t(height - 1 - y) * size_t(width) * 4;
        uint8_t* packed = to + size_t(y) * stride;
        std::memset(packed + size_t(width) * 3, 0, stride - size_t(width) * 3);
        for (size_t x = 0; x < size_t(width); x++) {
            packed[x * 3] = row[x * 4];
            packed[x * 3 + 1] = row[x * 4 + 1];
            packed[x * 3 + 2] = row[x * 4 + 2];
        }
    }
}

// What the editor shows: the editor's own paint into a 32-bit surface, as the
// screen is, so a half-transparent pixel is composed exactly as it is there.
HGLOBAL dibOf(GpBitmap* bitmap, int32_t width, int32_t height) {
    BITMAPINFO surfaceInfo = {};
    surfaceInfo.bmiHeader.biSize = sizeof(surfaceInfo.bmiHeader);
    surfaceInfo.bmiHeader.biWidth = width;
    surfaceInfo.bmiHeader.biHeight = -height;
    surfaceInfo.bmiHeader.biPlanes = 1;
    surfaceInfo.bmiHeader.biBitCount = 32;
    surfaceInfo.bmiHeader.biCompression = BI_RGB;
    void* shown = nullptr;
    MemoryDcGuard dc(nullptr);
    GdiObjectGuard<HBITMAP> surface(CreateDIBSection(dc, &surfaceInfo, DIB_RGB_COLORS, &shown, nullptr, 0));
    if (!dc || !surface || !shown)
        return nullptr;
    SelectGuard selected(dc, surface);
    ImageHolder picture = {bitmap};
    drawImage(&picture, dc);
    GdiFlush();
    size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    size_t imageBytes = stride * size_t(height);
    GlobalGuard block(sizeof(BITMAPINFOHEADER) + imageBytes);
    GlobalLockGuard memory(block);
    if (!memory)
        return nullptr;
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = DWORD(imageBytes);
    std::memcpy(memory, &header, sizeof(header));
    packRows(memory + sizeof(header), static_cast<const uint8_t*>(shown), width, height);
    return block.release();
}

// The stream's block may be larger than what was written, so the file's bytes
// are copied into a block of their own size.
HGLOBAL pngOf(GpBitmap* bitmap) {
    StreamGuard stream;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream.stream)))
        return nullptr;
    if (GdipSaveImageToStream(bitmap, stream, &pngEncoderClsid, nullptr) != Gdiplus::Ok)
        return nullptr;
    LARGE_INTEGER start = {};
    ULARGE_INTEGER end = {};
    HGLOBAL written = nullptr;
    if (FAILED(stream.stream->Seek(start, STREAM_SEEK_END, &end)) || FAILED(GetHGlobalFromStream(stream, &written)))
        return nullptr;
    auto bytes = size_t(end.QuadPart);
    GlobalGuard block(bytes);
    GlobalLockGuard to(block);
    GlobalLockGuard from(written);
    if (!to || !from || GlobalSize(written) < bytes)
        return nullptr;
    std::memcpy(to, from, bytes);
    return block.release();
}

// The clipboard owns the block once it is set; until then it is ours.
bool putOnClipboard(UINT format, HGLOBAL block) {
    if (!block)
        return false;
    if (SetClipboardData(format, block))
        return true;
    GlobalFree(block);
    return false;
}

bool endsWith(const wchar_t* name, size_t length, const wchar_t* ending) {
    size_t n = std::wcslen(ending);
    return length >= n && _wcsicmp(name + length - n, ending) == 0;
}

// The dialog asked about the name it gave back; once the extension is changed
// to the chosen type's, the name may be that of another file, about which the
// user is asked here.
bool mayReplace(HWND owner, const wchar_t* answered, const wchar_t* name) {
    if (_wcsicmp(answered, name) == 0 || GetFileAttributesW(name) == INVALID_FILE_ATTRIBUTES)
        return true;
    // A question that cannot be put is a No: nothing is replaced unasked.
    size_t units = std::wcslen(name) + 64;
    MallocGuard<wchar_t> question(units * sizeof(wchar_t));
    if (!question)
        return false;
    formatText(question, units, L"%s już istnieje.\nCzy chcesz go zamienić?", name);
    return MessageBoxW(owner, question, saveAsTitle, MB_YESNO | MB_ICONWARNING) == IDYES;
}

// Up to the longest path Windows knows, in the few tens of kilobytes a save
// takes for as long as it lasts.
constexpr size_t saveNameUnits = 32768;

// "<the name's folder>~snipLeaf-<n>.tmp", the first that names no file.
bool siblingTempName(const wchar_t* name, wchar_t* tempOut, size_t capacity) {
    const wchar_t* slash = std::wcsrchr(name, L'\\');
    size_t folderUnits = slash ? size_t(slash - name) + 1 : 0;
    if (folderUnits >= capacity)
        return false;
    std::wmemcpy(tempOut, name, folderUnits);
    for (int32_t number = 1; number <= 1000; number++) {
        if (!formatText(tempOut + folderUnits, capacity - folderUnits, L"~snipLeaf-%d.tmp", number))
            return false;
        if (GetFileAttributesW(tempOut) == INVALID_FILE_ATTRIBUTES)
            return true;
    }
    return false;
}

// The picture goes into a new file beside the target and takes the target's
// name in one step only when it is whole: a full disk or a refused write
// leaves the old file as it was, and whatever was written goes.
bool writeReplacing(const EditorState& s, const wchar_t* name, int32_t level, const PictureRegion& region) {
    MallocGuard<wchar_t> temp(saveNameUnits * sizeof(wchar_t));
    if (!temp || !siblingTempName(name, temp, saveNameUnits))
        return false;
    if (writeRegion(s, temp, level, region) &&
        MoveFileExW(temp, name, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(temp);
    return false;
}

void showSaveFailed(EditorState& s) {
    MessageBoxW(s.window, notSentText(messageSaveFailed), saveAsTitle, MB_OK | MB_ICONERROR);
}

constexpr const wchar_t* copyTitle = L"Kopiuj obrazek";

bool putSelectionOnClipboard(EditorState& s) {
    PictureRegion region = chosenRegion(s);
    if (regionIsEmpty(region))
        return false;
    BitmapGuard clone;
    if (GdipCloneBitmapAreaI(region.left, region.top, regionWidth(region), regionHeight(region),
                             PixelFormat32bppARGB, s.picture->bitmap, &clone.bitmap) != Gdiplus::Ok || !clone)
        return false;
    HGLOBAL dib = dibOf(clone, regionWidth(region), regionHeight(region));
    HGLOBAL png = pngOf(clone);
    ClipboardGuard clipboard(openClipboardRetrying(s.window));
    if (!clipboard || !EmptyClipboard()) {
        GlobalFree(dib);
        GlobalFree(png);
        return false;
    }
    bool dibSet = putOnClipboard(CF_DIB, dib);
    bool pngSet = putOnClipboard(RegisterClipboardFormatW(L"PNG"), png);
    return dibSet && pngSet;
}

}  // namespace

PictureRegion chosenRegion(const EditorState& s) {
    PictureRegion region = selectedRegion(s);
    if (regionIsEmpty(region))
        return {0, 0, int32_t(imageWidth(s.picture)), int32_t(imageHeight(s.picture))};
    return region;
}

// A copy that did not happen is told: the next paste would otherwise hand on
// whatever the clipboard held before.
bool copySelection(EditorState& s) {
    if (!s.picture || !s.picture->bitmap)
        return false;
    if (putSelectionOnClipboard(s))
        return true;
    MessageBoxW(s.window, L"Nie udało się skopiować do schowka.", copyTitle, MB_OK | MB_ICONERROR);
    return false;
}

int32_t saveAsLevel(int32_t slider, bool jpegChosen) {
    if (!jpegChosen)
        return levelPng;
    return slider >= levelBestJpeg && slider <= levelWorstJpeg ? slider : levelBestJpeg;
}

bool formatSaveAsName(wchar_t* nameOut, size_t capacity, const SYSTEMTIME& t) {
    int n = swprintf(nameOut, capacity, L"snipLeaf-%04u%02u%02u-%02u%02u%02u.png", t.wYear, t.wMonth, t.wDay,
                     t.wHour, t.wMinute, t.wSecond);
    if (n > 0 && size_t(n) < capacity)
        return true;
    if (capacity)
        nameOut[0] = 0;
    return false;
}

bool applyTypeExtension(wchar_t* name, size_t capacity, bool jpegChosen) {
    static const wchar_t* const pictureExtensions[] = {L".png", L".jpg", L".jpeg"};
    size_t length = std::wcslen(name);
    for (const wchar_t* extension : pictureExtensions) {
        if (endsWith(name, length, extension)) {
            length -= std::wcslen(extension);
            break;
        }
    }
    const wchar_t* chosen = jpegChosen ? L".jpg" : L".png";
    if (length + std::wcslen(chosen) >= capacity)
        return false;
    std::wcscpy(name + length, chosen);
    return true;
}

// A message box runs a message loop, in which this editor may go.
static void writeAnswered(EditorState& s, const wchar_t* answered, bool jpeg, int32_t slider) {
    uint32_t generation = s.generation;
    MallocGuard<wchar_t> name(saveNameUnits * sizeof(wchar_t));
    if (name && std::wcslen(answered) < saveNameUnits) {
        std::wcscpy(name, answered);
        if (applyTypeExtension(name, saveNameUnits, jpeg)) {
            if (!mayReplace(s.window, answered, name) || s.generation != generation || !s.picture)
                return;
            if (writeReplacing(s, name, saveAsLevel(slider, jpeg), chosenRegion(s)))
                return;
        }
    }
    showSaveFailed(s);
}

void saveSelectionAs(EditorState& s) {
    if (!s.picture || !s.picture->bitmap)
        return;
    uint32_t generation = s.generation;
    // A full path may be longer than MAX_PATH; a buffer too small for the
    // answer ends the dialog as an error. Under Wine the dialog itself
    // crashes on a path of 264 units or more, whatever the buffer: that is
    // the platform's fault, out of reach from here.
    MallocGuard<wchar_t> name(saveNameUnits * sizeof(wchar_t));
    if (!name) {
        showSaveFailed(s);
        return;
    }
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    formatSaveAsName(name, saveNameUnits, now);
    KnownFolderGuard pictures(FOLDERID_Pictures);
    int32_t slider = sliderLevel(SendMessageW(s.qualitySlider, TBM_GETPOS, 0, 0));
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = s.window;
    dialog.lpstrFilter = L"PNG (*.png)\0*.png\0JPEG (*.jpg)\0*.jpg\0";
    // The type offered first follows the slider.
    dialog.nFilterIndex = slider == levelPng ? 1 : 2;
    dialog.lpstrFile = name;
    dialog.nMaxFile = DWORD(saveNameUnits);
    dialog.lpstrInitialDir = pictures;
    dialog.lpstrTitle = saveAsTitle;
    // With a default extension the dialog adds the chosen type's to a name
    // typed without one before it looks for a file to replace.
    dialog.lpstrDefExt = L"png";
    dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    bool answered = GetSaveFileNameW(&dialog) != 0;
    // Cancel leaves no extended error; every other end without a name is a
    // save that did not happen, and is told.
    DWORD dialogError = answered ? 0 : CommDlgExtendedError();
    // The dialog ran a message loop, in which this editor may have gone.
    if (s.generation != generation || !s.picture)
        return;
    if (answered)
        writeAnswered(s, name, dialog.nFilterIndex == 2, slider);
    else if (dialogError != 0)
        showSaveFailed(s);
}
