// endToEndBenchmark: the real snipLeaf.dll in the stand-in host, timed along
// the user's road against the platform's own work for the same step:
// - menu click to the editor shown, for the clipboard and the screen source,
//   against the bare clipboard read (or screen copy) into a GDI+ bitmap plus a
//   plain window of the editor's size with a toolbar of sixteen buttons from
//   the same strip, created, shown and painted with the picture;
// - the send command to the host's "PFSendPicture" call, against the bare GDI+
//   save of the same bitmap with the same encoder;
// - one keystroke in a typed-text box of 100 or 1,000 characters to the box
//   painted again, against its aim of 4 ms (the baseline column holds the
//   aim), and one step marker's click to its area painted, against 2 ms;
// - the working set the process gains with the editor open, against the
//   picture's own size;
// - a 100-megapixel photo file opened (copied to the clipboard as a file, as a
//   file manager copies it, so that no dialog's time is in it), against GDI+'s
//   own load and thumbnail of the file plus the same plain window, with the
//   peak working set it takes, in a process of its own.
// Every time is the median of `runs` runs after one unmeasured warm-up run,
// the plug-in's runs and the baseline's taken in turn so that drift hits both.
// Not a test: the numbers depend on the machine, Wine and the X server.
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "delivery/encoding.h"
#include "editor/editorState.h"
#include "host/standInHost.h"
#include "tools/benchmarkClock.h"
#include "image/capture.h"
#include "tools/importPatch.h"

using namespace Gdiplus::DllExports;

namespace {

const int runs = 9;
const int memoryRuns = 5;
// The aims: the plug-in adds at most 10 % to the platform's own time, and holds
// at most two copies of the picture.
const double timeAimRatio = 1.10;
const double memoryAimCopies = 2.0;

const HostContact contact = {L"GG", 1, 1001, 2};
const wchar_t* const sendFunction = L"GG/1/PFSendPicture";

struct PictureSizeCase {
    int width, height;
};

const PictureSizeCase clipboardSizes[] = {{1920, 1080}, {3840, 2160}};
const PictureSizeCase sendSize = {1920, 1080};
const PictureSizeCase memorySize = {3840, 2160};
const int photoRuns = 3;

struct SendCase {
    const char* name;
    int32_t level;  // the quality slider's position
    const wchar_t* mimeType;
};

const SendCase sendCases[] = {
    {"PNG", levelPng, L"image/png"},
    {"JPEG 80", levelBestJpeg, L"image/jpeg"},
};

// ---- decisions over the numbers ----

// Zero when there is no baseline to compare with.
double ratio(double value, double baseline) {
    return baseline > 0 ? value / baseline : 0;
}

bool timeAimMet(double timeRatio) {
    return timeRatio > 0 && timeRatio <= timeAimRatio;
}

bool memoryAimMet(double copies) {
    return copies <= memoryAimCopies;
}

// ---- clock, messages, the plug-in's platform calls ----

// The plug-in waits before a screenshot so that the menu is gone from the
// screen, in short message waits between which the host's windows paint; the
// span from the first wait's start to the last one's end is timed here, so
// that the real wait, not a nominal 300 ms, comes off the screen source's time.
decltype(&MsgWaitForMultipleObjects) realMsgWait = nullptr;
double waitStartMs = 0;
double waitEndMs = 0;
DWORD WINAPI timedMsgWait(DWORD count, const HANDLE* handles, BOOL all, DWORD milliseconds, DWORD mask) {
    if (waitStartMs == 0)
        waitStartMs = nowMs();
    DWORD woken = realMsgWait(count, handles, all, milliseconds, mask);
    waitEndMs = nowMs();
    return woken;
}

// The editor's WM_PAINT is seen through its BeginPaint, so a time is taken
// only once the picture was really painted.
decltype(&BeginPaint) realBeginPaint = nullptr;
HWND watchedWindow = nullptr;
int watchedPaints = 0;
HDC WINAPI watchBeginPaint(HWND window, PAINTSTRUCT* paint) {
    if (window == watchedWindow)
        watchedPaints++;
    return realBeginPaint(window, paint);
}

// The editor's outer size as last shown: the plain window of the baseline is
// made as large.
SIZE editorSize = {};

double sendStampMs = 0;
std::wstring sentFile;

void registerPictureTransfer() {
    hostRegister(sendFunction, [](int64_t wParam, int64_t) -> int64_t {
        sendStampMs = nowMs();
        auto* record = reinterpret_cast<const SendPictureRecord*>(wParam);
        sentFile = record && record->fileName ? record->fileName : L"";
        return 0;
    });
}

// ---- the editor ----

HWND findEditor() {
    return FindWindowW(L"ScreenshotWnd", L"Image");
}

void closeEditorWindow(HWND editor) {
    if (IsWindow(editor))
        SendMessageW(editor, WM_COMMAND, commandCancel, 0);
    drainMessages();
}

// Wine keeps what a window painted in the process and sends it to the X
// server when the thread next waits, or at a paint that comes 50 ms after the
// last sending; so a window may be painted and still not seen. A wait of no
// time sends it, and a pixel read from the screen goes through the same
// connection to the X server after it, so the call returns once the pixels
// are on the screen. Both sides' clocks stop here: a 4K window shown and
// painted within 50 ms still had 90 ms of its pixels to send.
void waitUntilOnScreen() {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
    HDC screen = GetDC(nullptr);
    GetPixel(screen, 0, 0);
    ReleaseDC(nullptr, screen);
}

// From the click to the editor shown: the click returns once the window is
// created and shown; its first WM_PAINT (the picture, then the toolbar) is
// still pending then, and RedrawWindow with RDW_UPDATENOW runs it at once
// instead of waiting for the message loop, so the time ends when the user
// would see the picture. Negative when no editor opened or it was not painted.
double clickToEditorShown(const wchar_t* itemId, HWND* editorOut) {
    std::vector<HostContact> contacts = {contact};
    double start = nowMs();
    hostClickItem(itemId, contacts);
    HWND editor = findEditor();
    if (!editor || !IsWindowVisible(editor))
        return -1;
    watchedWindow = editor;
    watchedPaints = 0;
    RedrawWindow(editor, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    waitUntilOnScreen();
    double shown = nowMs();
    watchedWindow = nullptr;
    *editorOut = editor;
    RECT frame = {};
    GetWindowRect(editor, &frame);
    editorSize = {frame.right - frame.left, frame.bottom - frame.top};
    return watchedPaints > 0 ? shown - start : -1;
}

// ---- baselines: the platform's own work ----

GpBitmap* bitmapFromClipboard() {
    if (!OpenClipboard(nullptr))
        return nullptr;
    GpBitmap* bitmap = nullptr;
    auto* handle = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    if (!handle || GdipCreateBitmapFromHBITMAP(handle, nullptr, &bitmap) != Gdiplus::Ok)
        bitmap = nullptr;
    CloseClipboard();
    return bitmap;
}

// What a plain window needs to show a picture above a toolbar: the toolbar's
// strip, loaded once as the plug-in loads it at its start, and the picture
// its WM_PAINT draws.
HBITMAP toolbarStrip = nullptr;
GpImage* paintedPicture = nullptr;
const wchar_t* const plainWindowClass = L"snipLeafBenchmarkPlain";
constexpr int stripButtons = 16;

LRESULT CALLBACK plainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT || !paintedPicture)
        return DefWindowProcW(window, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    Gdiplus::GpGraphics* graphics = nullptr;
    if (GdipCreateFromHDC(dc, &graphics) == Gdiplus::Ok) {
        UINT width = 0, height = 0;
        GdipGetImageWidth(paintedPicture, &width);
        GdipGetImageHeight(paintedPicture, &height);
        GdipDrawImageRectI(graphics, paintedPicture, 0, 0, INT(width), INT(height));
        GdipDeleteGraphics(graphics);
    }
    EndPaint(window, &paint);
    return 0;
}

bool preparePlainWindow(HMODULE plugin) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = plainWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = HBRUSH(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = plainWindowClass;
    InitCommonControls();
    toolbarStrip = LoadBitmapW(plugin, MAKEINTRESOURCEW(65535));
    return RegisterClassExW(&windowClass) != 0 && toolbarStrip;
}

// Created, shown and painted, picture and toolbar, as the editor's first paint
// ends; null when either window could not be made. The caller closes it.
HWND showPlainWindow(GpImage* picture) {
    paintedPicture = picture;
    HWND window = CreateWindowExW(0, plainWindowClass, L"Image", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                  CW_USEDEFAULT, CW_USEDEFAULT, editorSize.cx, editorSize.cy, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (!window)
        return nullptr;
    TBBUTTON buttons[stripButtons] = {};
    for (int i = 0; i < stripButtons; i++) {
        buttons[i].iBitmap = i;
        buttons[i].idCommand = i + 1;
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = BTNS_BUTTON;
    }
    HWND toolbar = CreateToolbarEx(window, WS_CHILD | WS_VISIBLE | CCS_BOTTOM | TBSTYLE_TOOLTIPS | TBSTYLE_LIST |
                                               TBSTYLE_TRANSPARENT,
                                   0, stripButtons, nullptr, UINT_PTR(toolbarStrip), buttons, stripButtons, 32, 32,
                                   32, 32, sizeof(TBBUTTON));
    if (!toolbar) {
        DestroyWindow(window);
        return nullptr;
    }
    ShowWindow(window, SW_SHOW);
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    waitUntilOnScreen();
    return window;
}

// The closing is not timed, as the editor's is not.
void closePlainWindow(HWND window) {
    paintedPicture = nullptr;
    DestroyWindow(window);
    drainMessages();
}

// The clipboard read, and the thumbnail when the picture is larger than the
// screen, as the plug-in's fitting makes it, then the plain window showing it.
double clipboardBaseline(const PictureSizeCase& size) {
    double start = nowMs();
    GpBitmap* bitmap = bitmapFromClipboard();
    if (!bitmap)
        return -1;
    PictureSize fitted = fittedSize(uint32_t(size.width), uint32_t(size.height), GetSystemMetrics(SM_CXSCREEN),
                                    GetSystemMetrics(SM_CYSCREEN));
    GpImage* picture = bitmap;
    if (fitted.width != uint32_t(size.width) || fitted.height != uint32_t(size.height)) {
        GpImage* thumb = nullptr;
        if (GdipGetImageThumbnail(bitmap, fitted.width, fitted.height, &thumb, nullptr, nullptr) == Gdiplus::Ok) {
            GdipDisposeImage(bitmap);
            picture = thumb;
        }
    }
    HWND window = showPlainWindow(picture);
    double end = nowMs();
    closePlainWindow(window);
    GdipDisposeImage(picture);
    return window ? end - start : -1;
}

double screenBaseline() {
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    double start = nowMs();
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP copy = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, copy);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    GpBitmap* bitmap = nullptr;
    bool made = GdipCreateBitmapFromHBITMAP(copy, nullptr, &bitmap) == Gdiplus::Ok;
    DeleteObject(copy);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    HWND window = made ? showPlainWindow(bitmap) : nullptr;
    double end = nowMs();
    closePlainWindow(window);
    if (made)
        GdipDisposeImage(bitmap);
    return window ? end - start : -1;
}

// ---- the table ----

void printRow(const char* measure, const char* picture, double value, double baseline, const char* unit,
              double rowRatio, const char* aim, bool met) {
    char screen[32];
    std::snprintf(screen, sizeof(screen), "%dx%d", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    std::printf("| %s | %s | %s | %.1f %s | %.1f %s | %.2f | %s | %s |\n", screen, measure, picture, value, unit,
                baseline, unit, rowRatio, aim, met ? "yes" : "NO");
    std::fflush(stdout);
}

void printTimeRow(const char* measure, const char* picture, const std::vector<double>& plugin,
                  const std::vector<double>& baseline) {
    double value = median(plugin);
    double base = median(baseline);
    double timeRatio = ratio(value, base);
    printRow(measure, picture, value, base, "ms", timeRatio, "<= 1.10", timeAimMet(timeRatio));
}

void printFailure(const char* measure, const char* picture, const char* why) {
    std::printf("| %dx%d | %s | %s | - | - | - | - | failed: %s |\n", GetSystemMetrics(SM_CXSCREEN),
                GetSystemMetrics(SM_CYSCREEN), measure, picture, why);
    std::fflush(stdout);
}

std::string sizeText(int width, int height) {
    char text[32];
    std::snprintf(text, sizeof(text), "%dx%d", width, height);
    return text;
}

// The size the editor holds a picture in: fitted to this screen.
std::string heldSizeText(const PictureSizeCase& size) {
    PictureSize fitted = fittedSize(uint32_t(size.width), uint32_t(size.height), GetSystemMetrics(SM_CXSCREEN),
                                    GetSystemMetrics(SM_CYSCREEN));
    std::string text = sizeText(size.width, size.height);
    if (fitted.width != uint32_t(size.width) || fitted.height != uint32_t(size.height))
        text += " fitted to " + sizeText(int(fitted.width), int(fitted.height));
    return text;
}

// ---- the measurements ----

void measureClipboard(const PictureSizeCase& size) {
    std::string picture = heldSizeText(size);
    if (!hostPutPictureOnClipboard(size.width, size.height)) {
        printFailure("clipboard: click to editor shown", picture.c_str(), "no picture on the clipboard");
        return;
    }
    std::vector<double> plugin, baseline;
    for (int run = 0; run <= runs; run++) {
        HWND editor = nullptr;
        double pluginMs = clickToEditorShown(L"snipLeaf/Clipboard", &editor);
        closeEditorWindow(editor);
        double baselineMs = clipboardBaseline(size);
        if (pluginMs < 0 || baselineMs < 0) {
            printFailure("clipboard: click to editor shown", picture.c_str(), "no editor painted or no bitmap");
            return;
        }
        if (run > 0) {
            plugin.push_back(pluginMs);
            baseline.push_back(baselineMs);
        }
    }
    printTimeRow("clipboard: click to editor shown", picture.c_str(), plugin, baseline);
}

void measureScreen() {
    std::string picture = sizeText(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    std::vector<double> plugin, baseline, waits;
    for (int run = 0; run <= runs; run++) {
        waitStartMs = waitEndMs = 0;
        HWND editor = nullptr;
        double pluginMs = clickToEditorShown(L"snipLeaf/Screen", &editor);
        closeEditorWindow(editor);
        double waitedMs = waitEndMs - waitStartMs;
        double baselineMs = screenBaseline();
        if (pluginMs < 0 || baselineMs < 0) {
            printFailure("screen: click to editor shown", picture.c_str(), "no editor painted or no bitmap");
            return;
        }
        if (run > 0) {
            plugin.push_back(pluginMs - waitedMs);
            baseline.push_back(baselineMs);
            waits.push_back(waitedMs);
        }
    }
    char measure[96];
    std::snprintf(measure, sizeof(measure), "screen: click to editor shown, less the wait (%.1f ms)",
                  median(waits));
    printTimeRow(measure, picture.c_str(), plugin, baseline);
}

HWND findSlider(HWND editor) {
    HWND toolbar = FindWindowExW(editor, nullptr, TOOLBARCLASSNAMEW, nullptr);
    return toolbar ? FindWindowExW(toolbar, nullptr, TRACKBAR_CLASSW, nullptr) : nullptr;
}

bool savedPictureHasSize(const std::wstring& path, const PictureSizeCase& size) {
    GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromFile(path.c_str(), &bitmap) != Gdiplus::Ok)
        return false;
    UINT width = 0, height = 0;
    GdipGetImageWidth(bitmap, &width);
    GdipGetImageHeight(bitmap, &height);
    GdipDisposeImage(bitmap);
    return int(width) == size.width && int(height) == size.height;
}

// One send of the editor's default selection (the screen's size, clipped to the
// picture: all of it) at the slider's level; negative when no send was made.
double sendOnce(const SendCase& send, bool checkSize) {
    HWND editor = nullptr;
    if (clickToEditorShown(L"snipLeaf/Clipboard", &editor) < 0)
        return -1;
    drainMessages();
    SendMessageW(findSlider(editor), TBM_SETPOS, TRUE, LPARAM(send.level));
    sendStampMs = 0;
    sentFile.clear();
    double start = nowMs();
    SendMessageW(editor, WM_COMMAND, commandSendSelection, 0);
    double elapsed = sendStampMs > 0 ? sendStampMs - start : -1;
    closeEditorWindow(editor);
    bool sizeRight = !checkSize || savedPictureHasSize(sentFile, sendSize);
    // The plug-in leaves its temporary files to the host; the benchmark cleans up.
    if (!sentFile.empty())
        DeleteFileW(sentFile.c_str());
    return sizeRight ? elapsed : -1;
}

double saveBaseline(GpBitmap* bitmap, const SendCase& send, const std::wstring& path) {
    CLSID encoder = hostImageEncoder(send.mimeType);
    JpegParameters jpeg = {};
    const Gdiplus::EncoderParameters* parameters = nullptr;
    if (send.level != levelPng && makeJpegParameters(send.level, &jpeg))
        parameters = &jpeg.block;
    double start = nowMs();
    GpStatus status = GdipSaveImageToFile(bitmap, path.c_str(), &encoder, parameters);
    double end = nowMs();
    DeleteFileW(path.c_str());
    return status == Gdiplus::Ok ? end - start : -1;
}

void measureSend(const SendCase& send, const std::wstring& folder) {
    char measure[64];
    std::snprintf(measure, sizeof(measure), "send %s: command to PFSendPicture", send.name);
    std::string picture = sizeText(sendSize.width, sendSize.height);
    GpBitmap* bitmap = hostPutPictureOnClipboard(sendSize.width, sendSize.height) ? bitmapFromClipboard() : nullptr;
    if (!bitmap) {
        printFailure(measure, picture.c_str(), "no picture on the clipboard");
        return;
    }
    std::wstring path = folder + (send.level == levelPng ? L"baseline.png" : L"baseline.jpg");
    std::vector<double> plugin, baseline;
    for (int run = 0; run <= runs; run++) {
        double pluginMs = sendOnce(send, run == 0);
        double baselineMs = saveBaseline(bitmap, send, path);
        if (pluginMs < 0 || baselineMs < 0) {
            printFailure(measure, picture.c_str(), "no send, a picture of another size, or no save");
            GdipDisposeImage(bitmap);
            return;
        }
        if (run > 0) {
            plugin.push_back(pluginMs);
            baseline.push_back(baselineMs);
        }
    }
    GdipDisposeImage(bitmap);
    printTimeRow(measure, picture.c_str(), plugin, baseline);
}

// ---- one keystroke in the typed-text box, one step marker ----

// 100 characters on 3 lines, the pen at width 15 (42-pixel letters): a big
// box to paint again.
const wchar_t boxText[] = L"Zażółć gęślą jaźń, pchnąć łódź\nw tę jeża lub ośm skrzyń fig, 0123\n"
                          L"Żółw źle łka, ćma ślę: ŁÓDŹ 456789";
const double keystrokeAimMs = 4.0;
const double markerAimMs = 2.0;

// A full box: 1,000 characters of the pangram, one paragraph the box wraps
// at the picture's edge, or lines of 50 with a break ending each.
std::wstring thousandCharacters(bool lines) {
    const std::wstring pangram = L"Zażółć gęślą jaźń, pchnąć łódź w tę jeża lub ośm skrzyń fig. ";
    std::wstring text;
    while (text.size() < 1000)
        text += pangram;
    text.resize(1000);
    for (size_t i = 49; lines && i < text.size(); i += 50)
        text[i] = L'\n';
    return text;
}

struct KeystrokeCase {
    const char* name;
    std::wstring text;
    bool atStart;  // the keys go before the first letter, so every line below moves
};

void typeInto(HWND editor, const std::wstring& text) {
    for (wchar_t unit : text) {
        if (unit == L'\n') {
            SendMessageW(editor, WM_KEYDOWN, VK_RETURN, 0);
            SendMessageW(editor, WM_KEYUP, VK_RETURN, 0);
        } else {
            SendMessageW(editor, WM_CHAR, unit, 0);
        }
    }
}

void pressKey(HWND editor, WPARAM key, int times) {
    for (int i = 0; i < times; i++)
        SendMessageW(editor, WM_KEYDOWN, key, 0);
}

// The editor on the 1920 x 1080 clipboard picture with the tool of this key
// and the pen at width 15; null when none was painted.
HWND editorWithTool(const char* measure, WPARAM toolKey) {
    std::string picture = heldSizeText(sendSize);
    if (!hostPutPictureOnClipboard(sendSize.width, sendSize.height)) {
        printFailure(measure, picture.c_str(), "no picture on the clipboard");
        return nullptr;
    }
    HWND editor = nullptr;
    if (clickToEditorShown(L"snipLeaf/Clipboard", &editor) < 0) {
        printFailure(measure, picture.c_str(), "no editor painted");
        return nullptr;
    }
    SendMessageW(editor, WM_KEYDOWN, toolKey, 0);
    SendMessageW(editor, 0x3F00, 15, 0);
    return editor;
}

// Each act, then the repaint it left due run at once with
// RedrawWindow(RDW_UPDATENOW); the median of the acts after the first.
// Negative when an act repainted nothing.
template <typename Act>
double medianRepaintedAct(HWND editor, int acts, Act act) {
    std::vector<double> times;
    watchedWindow = editor;
    for (int run = 0; run <= acts; run++) {
        watchedPaints = 0;
        double start = nowMs();
        act(run);
        RedrawWindow(editor, nullptr, nullptr, RDW_UPDATENOW);
        double elapsed = nowMs() - start;
        if (watchedPaints == 0) {
            watchedWindow = nullptr;
            return -1;
        }
        if (run > 0)
            times.push_back(elapsed);
    }
    watchedWindow = nullptr;
    return median(times);
}

// The row of an act on the 1920 x 1080 picture against its aim (the baseline
// column holds the aim), or why it failed: a negative time.
void printActRow(const char* measure, double value, double aimMs, const char* aim, const char* failure) {
    std::string picture = heldSizeText(sendSize);
    if (value < 0)
        printFailure(measure, picture.c_str(), failure);
    else
        printRow(measure, picture.c_str(), value, aimMs, "ms", ratio(value, aimMs), aim, value <= aimMs);
}

// One character typed at the end of the text (or before its first letter),
// or taken back with Backspace, in turn, each to the box painted again.
void measureKeystroke(const KeystrokeCase& c) {
    char measure[128];
    std::snprintf(measure, sizeof(measure), "keystroke to box repainted, %s, width 15", c.name);
    HWND editor = editorWithTool(measure, 'N');
    if (!editor)
        return;
    SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 40));
    SendMessageW(editor, WM_LBUTTONUP, 0, MAKELPARAM(40, 40));
    typeInto(editor, c.text);
    if (c.atStart) {
        pressKey(editor, VK_UP, 40);
        pressKey(editor, VK_HOME, 1);
        pressKey(editor, VK_RIGHT, 1);
    }
    RedrawWindow(editor, nullptr, nullptr, RDW_UPDATENOW);
    double value = medianRepaintedAct(editor, 4 * runs, [&](int run) {
        if (run % 2 == 0)
            SendMessageW(editor, WM_CHAR, L'ś', 0);
        else
            SendMessageW(editor, WM_KEYDOWN, VK_BACK, 0);
    });
    SendMessageW(editor, WM_KEYDOWN, VK_ESCAPE, 0);
    closeEditorWindow(editor);
    printActRow(measure, value, keystrokeAimMs, "<= 4 ms", "the key repainted nothing");
}

void measureKeystrokes() {
    const KeystrokeCase cases[] = {
        {"100 characters on 3 lines", boxText, false},
        {"1000 characters in one paragraph", thousandCharacters(false), false},
        {"1000 characters on 20 lines", thousandCharacters(true), false},
        {"before the first of 1000 characters in one paragraph", thousandCharacters(false), true},
    };
    for (const KeystrokeCase& c : cases)
        measureKeystroke(c);
}

// 200 markers clicked in rows across the picture, each click to the
// marker's area painted.
void measureMarkers() {
    const char* measure = "marker click to its area repainted, 200 markers, width 15";
    HWND editor = editorWithTool(measure, 'I');
    if (!editor)
        return;
    RedrawWindow(editor, nullptr, nullptr, RDW_UPDATENOW);
    double value = medianRepaintedAct(editor, 200, [&](int run) {
        LPARAM at = MAKELPARAM(60 + 90 * (run % 20), 60 + 90 * (run / 20));
        SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(editor, WM_LBUTTONUP, 0, at);
    });
    closeEditorWindow(editor);
    printActRow(measure, value, markerAimMs, "<= 2 ms", "the click repainted nothing");
}

size_t workingSet(size_t* peak) {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters)))
        return 0;
    *peak = counters.PeakWorkingSetSize;
    return counters.WorkingSetSize;
}

// Working-set growth from before the click to the editor shown. The peak is
// over the whole process's life, so its growth means something only in the
// first run, before any other picture was taken.
void measureMemory() {
    std::string picture = heldSizeText(memorySize);
    const char* measure = "memory: working-set growth, editor open";
    if (!hostPutPictureOnClipboard(memorySize.width, memorySize.height)) {
        printFailure(measure, picture.c_str(), "no picture on the clipboard");
        return;
    }
    drainMessages();
    std::vector<double> growths;
    double firstPeakGrowth = 0;
    for (int run = 0; run < memoryRuns; run++) {
        size_t peakBefore = 0, peakAfter = 0;
        size_t before = workingSet(&peakBefore);
        HWND editor = nullptr;
        bool shown = clickToEditorShown(L"snipLeaf/Clipboard", &editor) >= 0;
        size_t after = workingSet(&peakAfter);
        closeEditorWindow(editor);
        if (!shown || before == 0) {
            printFailure(measure, picture.c_str(), "no editor painted or no memory counters");
            return;
        }
        growths.push_back((double(after) - double(before)) / 1048576.0);
        if (run == 0)
            firstPeakGrowth = (double(peakAfter) - double(peakBefore)) / 1048576.0;
    }
    double pictureMb = double(memorySize.width) * double(memorySize.height) * 4.0 / 1048576.0;
    double growth = median(growths);
    double copies = ratio(growth, pictureMb);
    printRow(measure, picture.c_str(), growth, pictureMb, "MB", copies, "<= 2 copies", memoryAimMet(copies));
    double peakCopies = ratio(firstPeakGrowth, pictureMb);
    printRow("memory: peak working-set growth, first click", picture.c_str(), firstPeakGrowth, pictureMb, "MB",
             peakCopies, "<= 2 copies", memoryAimMet(peakCopies));
}

// ---- a 100-megapixel photo ----

// A camera's 3:2, 99.9 million pixels.
const PictureSizeCase photoSize = {12240, 8160};

// A landscape with a little noise, as photos have, saved as JPEG: a sky, a
// sun, hills. Made in rows of the buffer, with the hills' line once per column.
bool writePhoto(const std::wstring& path) {
    size_t width = size_t(photoSize.width), height = size_t(photoSize.height);
    std::vector<uint32_t> pixels(width * height);
    std::vector<double> horizon(width);
    for (size_t x = 0; x < width; x++)
        horizon[x] = double(height) * 0.62 + 300 * std::sin(double(x) * 0.0011) + 120 * std::sin(double(x) * 0.0043);
    uint32_t seed = 2026;
    for (size_t y = 0; y < height; y++) {
        for (size_t x = 0; x < width; x++) {
            seed = seed * 1664525u + 1013904223u;
            int noise = int(seed >> 28) - 8;
            double dx = double(x) - double(width) * 0.75, dy = double(y) - double(height) * 0.25;
            int r = 110 + int(90 * y / height), g = 160 + int(60 * y / height), b = 235;
            if (dx * dx + dy * dy < double(height * height) / 150)
                r = 255, g = 230, b = 120;
            if (double(y) > horizon[x])
                r = 60 + int(double(y) - horizon[x]) / 30, g = 140 - int(double(y) - horizon[x]) / 40, b = 60;
            auto clamp = [](int v) { return uint32_t(std::min(255, std::max(0, v))); };
            pixels[y * width + x] = 0xFF000000u | clamp(r + noise) << 16 | clamp(g + noise) << 8 | clamp(b + noise);
        }
    }
    GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromScan0(photoSize.width, photoSize.height, photoSize.width * 4, PixelFormat32bppRGB,
                                  reinterpret_cast<BYTE*>(pixels.data()), &bitmap) != Gdiplus::Ok)
        return false;
    CLSID jpeg = hostImageEncoder(L"image/jpeg");
    bool saved = GdipSaveImageToFile(bitmap, path.c_str(), &jpeg, nullptr) == Gdiplus::Ok;
    GdipDisposeImage(bitmap);
    return saved;
}

// GDI+'s own load of the file and thumbnail to the fitted size, then the
// plain window showing it.
double photoBaseline(const std::wstring& path) {
    double start = nowMs();
    GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromFile(path.c_str(), &bitmap) != Gdiplus::Ok)
        return -1;
    PictureSize fitted = fittedSize(uint32_t(photoSize.width), uint32_t(photoSize.height),
                                    GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    GpImage* thumb = nullptr;
    GpStatus status = GdipGetImageThumbnail(bitmap, fitted.width, fitted.height, &thumb, nullptr, nullptr);
    GdipDisposeImage(bitmap);
    if (status != Gdiplus::Ok)
        return -1;
    HWND window = showPlainWindow(thumb);
    double end = nowMs();
    closePlainWindow(window);
    GdipDisposeImage(thumb);
    return window ? end - start : -1;
}

// GDI+'s own load and thumbnail of the photo, once, in a process of its own:
// the growth of the peak working set in KiB, the process's exit code; -1 when
// it failed.
int photoBaselinePeak(const std::wstring& path) {
    size_t peakBefore = 0, peakAfter = 0;
    workingSet(&peakBefore);
    bool opened = photoBaseline(path) >= 0;
    workingSet(&peakAfter);
    return opened ? int((peakAfter - peakBefore) / 1024) : -1;
}

// In a process of its own, so that the peak working set is the opening's:
// the first opening gives the peak, the next ones the times.
void measurePhotoOpening(const std::wstring& path, double baselinePeakMb) {
    std::string picture = heldSizeText(photoSize);
    const char* measure = "photo file: click to editor shown";
    if (!hostPutOnClipboard(nullptr, {}, {path})) {
        printFailure(measure, picture.c_str(), "no file on the clipboard");
        return;
    }
    size_t peakBefore = 0, peakAfter = 0;
    workingSet(&peakBefore);
    std::vector<double> plugin, baseline;
    for (int run = 0; run <= photoRuns; run++) {
        HWND editor = nullptr;
        double pluginMs = clickToEditorShown(L"snipLeaf/Clipboard", &editor);
        if (run == 0)
            workingSet(&peakAfter);
        closeEditorWindow(editor);
        double baselineMs = run > 0 ? photoBaseline(path) : 0;
        if (pluginMs < 0 || baselineMs < 0) {
            printFailure(measure, picture.c_str(), "no editor painted or no bitmap");
            return;
        }
        if (run > 0) {
            plugin.push_back(pluginMs);
            baseline.push_back(baselineMs);
        }
    }
    printTimeRow(measure, picture.c_str(), plugin, baseline);
    double peakMb = (double(peakAfter) - double(peakBefore)) / 1048576.0;
    double peakRatio = ratio(peakMb, baselinePeakMb);
    printRow("memory: peak working-set growth, photo file", picture.c_str(), peakMb, baselinePeakMb, "MB", peakRatio,
             "<= 1.10", timeAimMet(peakRatio));
}

// This program again with the arguments; its exit code, or -1.
int runAgain(const std::wstring& arguments) {
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(program) + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION child = {};
    std::fflush(stdout);
    if (!CreateProcessW(program, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child))
        return -1;
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD code = DWORD(-1);
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return int(code);
}

// Writing the photo raises this process's peak, so it is written last and
// opened by further runs of this program: one for GDI+'s own peak, one for
// the plug-in's rows.
void measurePhoto(const std::wstring& folder) {
    std::wstring path = folder + L"photo.jpg";
    if (!writePhoto(path)) {
        printFailure("photo file: click to editor shown", heldSizeText(photoSize).c_str(), "no photo written");
        return;
    }
    std::wstring quoted = L"\"" + path + L"\"";
    int baselinePeakKb = runAgain(L"--photo-baseline-peak " + quoted);
    if (baselinePeakKb < 0 || runAgain(L"--photo-rows " + quoted + L" " + std::to_wstring(baselinePeakKb)) != 0)
        printFailure("photo file: click to editor shown", heldSizeText(photoSize).c_str(), "a second run failed");
    DeleteFileW(path.c_str());
}

bool screenHolds(const PictureSizeCase& size) {
    return GetSystemMetrics(SM_CXSCREEN) >= size.width && GetSystemMetrics(SM_CYSCREEN) >= size.height;
}

void printHeader() {
    std::printf("median of %d runs after one warm-up run (memory: median of %d runs); ratio = plug-in / baseline\n",
                runs, memoryRuns);
    std::printf("baselines: clipboard = OpenClipboard + GetClipboardData(CF_BITMAP) + GdipCreateBitmapFromHBITMAP"
                " (+ GdipGetImageThumbnail when fitted) + window;\n");
    std::printf("  screen = BitBlt of the screen into a memory DC + GdipCreateBitmapFromHBITMAP + window;\n");
    std::printf("  window = CreateWindowExW of the editor's size + CreateToolbarEx, 16 buttons of the same strip +"
                " ShowWindow + RedrawWindow(RDW_UPDATENOW) painting the picture with GdipDrawImageRectI;\n");
    std::printf("  send = GdipSaveImageToFile of the same bitmap, same encoder;\n");
    std::printf("  memory = the picture's own size, width x height x 4 bytes; the growth is of WorkingSetSize"
                " (GetProcessMemoryInfo)\n");
    std::printf("  photo = a %dx%d JPEG copied to the clipboard as a file (CF_HDROP); baseline GdipCreateBitmapFromFile"
                " + GdipGetImageThumbnail to the fitted size + window; the peaks are PeakWorkingSetSize's growth over"
                " the first opening, each in a process of its own; median of %d runs\n\n",
                photoSize.width, photoSize.height, photoRuns);
    std::printf("| screen | measure | picture | plug-in | baseline | ratio | aim | met |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
}

std::wstring benchmarkFolder() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"snipLeafBenchmark-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

void patchPlugin(HMODULE module) {
    realMsgWait = reinterpret_cast<decltype(realMsgWait)>(
        patchImport(module, "user32.dll", "MsgWaitForMultipleObjects", reinterpret_cast<void*>(timedMsgWait)));
    realBeginPaint = reinterpret_cast<decltype(realBeginPaint)>(
        patchImport(module, "user32.dll", "BeginPaint", reinterpret_cast<void*>(watchBeginPaint)));
}

void runAll(const std::wstring& folder, bool withPhoto) {
    // Memory first, while nothing else has raised the process's peak.
    measureMemory();
    for (const PictureSizeCase& size : clipboardSizes)
        measureClipboard(size);
    measureScreen();
    // A smaller screen would fit the picture, and the selection would not be
    // the size asked for.
    if (screenHolds(sendSize)) {
        for (const SendCase& send : sendCases)
            measureSend(send, folder);
        measureKeystrokes();
        measureMarkers();
    }
    if (withPhoto)
        measurePhoto(folder);
}

}  // namespace

// No arguments: the header and every row, the photo's last; --rows-only: the
// rows without the header and the photo (the run on the second screen);
// --text-rows: the typed text's and the markers' rows alone; --open-rows:
// the click-to-editor rows alone, to compare changes to the opening; the
// further runs of measurePhoto: --photo-baseline-peak <file>, and
// --photo-rows <file> <GDI+'s own peak in KiB>.
int main(int argc, char** argv) {
    bool rowsOnly = argc > 1 && std::strcmp(argv[1], "--rows-only") == 0;
    bool textRows = argc > 1 && std::strcmp(argv[1], "--text-rows") == 0;
    bool openRows = argc > 1 && std::strcmp(argv[1], "--open-rows") == 0;
    bool photoRun = argc > 2 && std::strncmp(argv[1], "--photo-", 8) == 0;
    std::wstring folder = benchmarkFolder();
    hostReset({folder + L"settings.ini", hostExeFolder()});
    registerPictureTransfer();
    PluginModule plugin;
    if (!hostOpenPlugin(hostExeFolder() + L"snipLeaf.dll", &plugin) ||
        plugin.pluginLoad(0, hostFunctionTable()) != hostOk) {
        std::fprintf(stderr, "could not load snipLeaf.dll\n");
        return 1;
    }
    patchPlugin(plugin.module);
    if (!preparePlainWindow(plugin.module)) {
        std::fprintf(stderr, "could not load the toolbar strip or register the plain window\n");
        return 1;
    }
    if (!realMsgWait || !realBeginPaint) {
        std::fprintf(stderr, "could not watch the plug-in's MsgWaitForMultipleObjects and BeginPaint\n");
        return 1;
    }
    int exitCode = 0;
    if (photoRun) {
        int count = 0;
        wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
        if (arguments && count > 2 && std::strcmp(argv[1], "--photo-baseline-peak") == 0)
            exitCode = photoBaselinePeak(arguments[2]);
        else if (arguments && count > 3)
            measurePhotoOpening(arguments[2], _wtof(arguments[3]) / 1024.0);
        LocalFree(arguments);
    } else if (openRows) {
        for (const PictureSizeCase& size : clipboardSizes)
            measureClipboard(size);
        measureScreen();
    } else if (textRows) {
        measureKeystrokes();
        measureMarkers();
    } else {
        if (!rowsOnly)
            printHeader();
        runAll(folder, !rowsOnly);
    }
    plugin.pluginUnload(0);
    hostClosePlugin(&plugin);
    DeleteFileW((folder + L"settings.ini").c_str());
    RemoveDirectoryW(folder.c_str());
    return exitCode;
}
