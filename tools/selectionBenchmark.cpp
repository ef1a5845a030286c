// selectionBenchmark: the real snipLeaf.dll in the stand-in host, on a
// 1920 x 1080 picture shown whole, timing one mouse move of a drag with the
// repaint it causes, as the user makes it:
// - while a handle of the selection is dragged (band, handles, label, loupe);
// - while the selection is moved (band, handles, label);
// - while an arrow, a highlight, or a rectangle at pen width 15 with its fill
//   is previewed;
// - for comparison, a repaint of the whole view, which no move should need;
// with 200 drawings of every kind made by the tools (20 of each), the
// pointer's press that chooses one, one move while one is moved or resized,
// and the undo and the redo of such an edit, each with its repaint; the
// whole picture with those drawings sent as PNG, command to the host's
// "PFSendPicture" (run with an earlier snipLeaf.dll beside it, the same row
// times that one's send of the same drawings);
// and the recording of the windows a screenshot shows, as the capture runs
// it: with 50 and with 500 framed windows open (each with three child
// controls), and with one window holding fifty levels of nested children.
// Each row is the median of `moves` moves (or `runs` recordings) after one
// unmeasured warm-up. Not a test: the figures depend on the machine.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/standInHost.h"
#include "tools/benchmarkClock.h"
#include "image/capture.h"
#include "image/windowList.h"

namespace {

const int moves = 41;
const int runs = 15;
const int pictureWidth = 1920, pictureHeight = 1080;
const double moveAimMs = 8.0;
struct WindowListCase {
    int windows;      // framed top-level windows, three buttons in each
    int nestedLevels; // children nested in one more window, each inside the last
    double aimMs;
};
const WindowListCase windowListCases[] = {{50, 0, 10.0}, {500, 0, 30.0}, {0, 50, 10.0}};
const HostContact contact = {L"GG", 1, 1001, 2};

void printRow(const char* measure, const char* what, double ms, double aim) {
    if (aim > 0)
        std::printf("| %s | %s | %.3f ms | %.0f ms | %s |\n", measure, what, ms, aim, ms <= aim ? "yes" : "NO");
    else
        std::printf("| %s | %s | %.3f ms | - | - |\n", measure, what, ms);
}

// The move's message and the repaint it leaves due, the size label's included.
double timedMove(HWND editor, POINT p) {
    double start = nowMs();
    SendMessageW(editor, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    RedrawWindow(editor, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    return nowMs() - start;
}

void key(HWND editor, WPARAM k) {
    SendMessageW(editor, WM_KEYDOWN, k, 0);
    SendMessageW(editor, WM_KEYUP, k, 0);
}

// A drag from press moving step pixels per move; the first move is the warm-up.
double dragMedian(HWND editor, POINT press, POINT step) {
    SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(press.x, press.y));
    RedrawWindow(editor, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    std::vector<double> times;
    POINT p = press;
    for (int i = 0; i <= moves; i++) {
        p = {p.x + step.x, p.y + step.y};
        double ms = timedMove(editor, p);
        if (i > 0)
            times.push_back(ms);
    }
    SendMessageW(editor, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
    RedrawWindow(editor, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    return median(times);
}

double wholeViewMedian(HWND editor) {
    std::vector<double> times;
    for (int i = 0; i <= moves; i++) {
        double start = nowMs();
        InvalidateRect(editor, nullptr, FALSE);
        RedrawWindow(editor, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        if (i > 0)
            times.push_back(nowMs() - start);
    }
    return median(times);
}

void select(HWND editor, POINT from, POINT to) {
    key(editor, 'S');
    SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
    SendMessageW(editor, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
    SendMessageW(editor, WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
    RedrawWindow(editor, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void measureMoves(HWND editor) {
    char picture[64];
    std::snprintf(picture, sizeof(picture), "%dx%d", pictureWidth, pictureHeight);
    select(editor, {200, 150}, {1500, 850});
    printRow("one move, a handle dragged, with its repaint", picture, dragMedian(editor, {1500, 850}, {3, 2}),
             moveAimMs);
    select(editor, {200, 150}, {1500, 850});
    printRow("one move, the selection moved, with its repaint", picture, dragMedian(editor, {800, 500}, {3, 2}),
             moveAimMs);
    key(editor, 'A');
    // Across the picture, corner to corner by the last move.
    printRow("one move, an arrow previewed, with its repaint", picture, dragMedian(editor, {60, 60}, {40, 22}),
             moveAimMs);
    key(editor, 'H');
    printRow("one move, a highlight previewed, with its repaint", picture, dragMedian(editor, {60, 60}, {40, 22}), 0);
    // Pen width 15 and a brush that fills, as the style control reports them.
    SendMessageW(editor, 0x3F00, 15, 0x000000);
    SendMessageW(editor, 0x3F01, 15, LPARAM(0xFF00C0FFu));
    key(editor, 'R');
    printRow("one move, a filled rectangle at pen width 15 previewed, with its repaint", picture,
             dragMedian(editor, {60, 60}, {40, 22}), moveAimMs);
    key(editor, 'S');
    printRow("the whole view repainted, for comparison", picture, wholeViewMedian(editor), 0);
}

LRESULT CALLBACK plainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

// Top-level windows across the screen, each with three buttons, and one
// window with children nested each inside the last, 4 pixels in.
std::vector<HWND> openWindows(const WindowListCase& c) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = plainProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    wc.lpszClassName = L"selectionBenchmarkWindow";
    RegisterClassW(&wc);
    std::vector<HWND> windows;
    for (int i = 0; i < c.windows; i++) {
        HWND w = CreateWindowExW(0, wc.lpszClassName, L"window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20 * (i % 25),
                                 30 * i % 700, 400, 300, nullptr, nullptr, wc.hInstance, nullptr);
        for (int b = 0; b < 3; b++)
            CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE, 10 + 90 * b, 10, 80, 24, w, nullptr,
                            wc.hInstance, nullptr);
        windows.push_back(w);
    }
    if (c.nestedLevels > 0) {
        HWND parent = CreateWindowExW(0, wc.lpszClassName, L"nested", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100,
                                      800, 800, nullptr, nullptr, wc.hInstance, nullptr);
        windows.push_back(parent);
        for (int level = 0, side = 700; level < c.nestedLevels; level++, side -= 8)
            parent = CreateWindowExW(0, wc.lpszClassName, L"", WS_CHILD | WS_VISIBLE, 4, 4, side, side, parent,
                                     nullptr, wc.hInstance, nullptr);
    }
    drainMessages();
    return windows;
}

void measureWindowList(const WindowListCase& c) {
    std::vector<HWND> windows = openWindows(c);
    CaptureArea area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    std::vector<double> times;
    int32_t recorded = 0;
    for (int i = 0; i <= runs; i++) {
        double start = nowMs();
        WindowList* list = recordWindows(area, pictureWidth, pictureHeight);
        double ms = nowMs() - start;
        recorded = list ? list->count : -1;
        freeWindowList(list);
        if (i > 0)
            times.push_back(ms);
    }
    char what[96];
    if (c.nestedLevels > 0)
        std::snprintf(what, sizeof(what), "%d nested levels in one window, %d rectangles recorded", c.nestedLevels,
                      int(recorded));
    else
        std::snprintf(what, sizeof(what), "%d windows open, %d rectangles recorded", c.windows, int(recorded));
    printRow("the window list recorded at capture", what, median(times), c.aimMs);
    for (HWND w : windows)
        DestroyWindow(w);
    drainMessages();
}

}  // namespace

// Twenty of each tool's drawings, a row of them per tool, each 60 x 60.
const WPARAM drawingKeys[] = {'F', 'L', 'R', 'E', 'T', 'A', 'H', 'O', 'N', 'I'};

POINT drawingCorner(int kind, int i) {
    return {LONG(60 + i * 90), LONG(60 + kind * 100)};
}

void pressAndRelease(HWND editor, POINT at) {
    SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    SendMessageW(editor, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
}

double timedControlKey(HWND editor, WPARAM k) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    double start = nowMs();
    SendMessageW(editor, WM_KEYDOWN, k, 0);
    RedrawWindow(editor, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    double ms = nowMs() - start;
    SendMessageW(editor, WM_KEYUP, k, 0);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    return ms;
}

void makeDrawings(HWND editor) {
    HWND toolbar = FindWindowExW(editor, nullptr, L"ToolbarWindow32", nullptr);
    SetWindowTextW(FindWindowExW(toolbar, nullptr, L"Edit", nullptr), L"Ab");
    for (int kind = 0; kind < int(std::size(drawingKeys)); kind++) {
        for (int i = 0; i < 20; i++) {
            key(editor, drawingKeys[kind]);
            POINT a = drawingCorner(kind, i), b = {a.x + 60, a.y + 60};
            SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(a.x, a.y));
            SendMessageW(editor, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(b.x, b.y));
            SendMessageW(editor, WM_LBUTTONUP, 0, MAKELPARAM(b.x, b.y));
            if (drawingKeys[kind] == 'N') {
                SendMessageW(editor, WM_CHAR, L'Q', 0);
                timedControlKey(editor, VK_RETURN);  // Ctrl+Enter commits the box
            }
        }
    }
    key(editor, 'V');
    RedrawWindow(editor, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void measurePointer(HWND editor) {
    char picture[64];
    std::snprintf(picture, sizeof(picture), "%dx%d, 200 drawings", pictureWidth, pictureHeight);
    makeDrawings(editor);
    std::vector<double> presses;
    for (int i = 0; i <= 2 * 20; i++) {
        POINT a = drawingCorner(2, i % 20);  // a rectangle's left side
        double start = nowMs();
        SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(a.x, a.y + 30));
        RedrawWindow(editor, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        if (i > 0)
            presses.push_back(nowMs() - start);
        SendMessageW(editor, WM_LBUTTONUP, 0, MAKELPARAM(a.x, a.y + 30));
    }
    printRow("the pointer's press that chooses a rectangle, with its repaint", picture, median(presses), moveAimMs);
    POINT rectangle = drawingCorner(2, 10);
    printRow("one move, a rectangle moved by the pointer, with its repaint", picture,
             dragMedian(editor, {rectangle.x, rectangle.y + 30}, {1, 1}), moveAimMs);
    POINT arrow = drawingCorner(5, 10);
    pressAndRelease(editor, {arrow.x + 30, arrow.y + 30});
    printRow("one move, an arrow's end dragged by the pointer, with its repaint", picture,
             dragMedian(editor, {arrow.x + 60, arrow.y + 60}, {1, 1}), moveAimMs);
    std::vector<double> undos, redos;
    for (int i = 0; i <= 20; i++) {
        double undo = timedControlKey(editor, 'Z'), redo = timedControlKey(editor, 'Y');
        if (i > 0) {
            undos.push_back(undo);
            redos.push_back(redo);
        }
    }
    printRow("undo of the arrow's edit, with its repaint", picture, median(undos), 5);
    printRow("redo of the arrow's edit, with its repaint", picture, median(redos), 5);
}

// A new editor each run, since a send that the host takes closes it.
void measureSendWithDrawings() {
    char picture[64];
    std::snprintf(picture, sizeof(picture), "%dx%d, 200 drawings", pictureWidth, pictureHeight);
    static double sentAt = 0;
    hostRegister(L"GG/1/PFSendPicture", [](int64_t, int64_t) -> int64_t {
        sentAt = nowMs();
        return 0;
    });
    std::vector<double> sends;
    for (int run = 0; run <= 5; run++) {
        hostPutPictureOnClipboard(pictureWidth, pictureHeight);
        hostClickItem(L"snipLeaf/Clipboard", {contact});
        drainMessages();
        HWND editor = FindWindowW(L"ScreenshotWnd", L"Image");
        if (!editor)
            return;
        makeDrawings(editor);
        HWND slider = FindWindowExW(FindWindowExW(editor, nullptr, L"ToolbarWindow32", nullptr), nullptr,
                                    L"msctls_trackbar32", nullptr);
        SendMessageW(slider, TBM_SETPOS, TRUE, 0);  // PNG
        sentAt = 0;
        double start = nowMs();
        SendMessageW(editor, WM_COMMAND, 12, 0);
        if (run > 0 && sentAt > 0)
            sends.push_back(sentAt - start);
        if (IsWindow(editor))
            SendMessageW(editor, WM_COMMAND, 15, 0);
        drainMessages();
    }
    if (!sends.empty())
        printRow("the whole picture with its drawings sent as PNG, command to PFSendPicture", picture,
                 median(sends), 0);
}

int main(int argc, char** argv) {
    bool rowsOnly = argc > 1 && std::strcmp(argv[1], "--rows-only") == 0;
    if (GetSystemMetrics(SM_CXSCREEN) <= pictureWidth || GetSystemMetrics(SM_CYSCREEN) <= pictureHeight) {
        std::fprintf(stderr, "the screen must be larger than %dx%d to show the picture whole\n", pictureWidth,
                     pictureHeight);
        return 1;
    }
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"snipLeafSelectionBenchmark\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    hostReset({folder + L"settings.ini", hostExeFolder()});
    hostAddStatusFunction(contact);
    PluginModule plugin;
    if (!hostOpenPlugin(hostExeFolder() + L"snipLeaf.dll", &plugin) ||
        plugin.pluginLoad(0, hostFunctionTable()) != hostOk) {
        std::fprintf(stderr, "could not load snipLeaf.dll\n");
        return 1;
    }
    // The pointer away from the editor: no real move may end a drag.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    if (!rowsOnly) {
        std::printf("median of %d moves (%d recordings) after one warm-up; the picture shown whole\n\n", moves, runs);
        std::printf("| measure | picture or windows | median | aim | met |\n|---|---|---|---|---|\n");
    }
    hostPutPictureOnClipboard(pictureWidth, pictureHeight);
    hostClickItem(L"snipLeaf/Clipboard", {contact});
    drainMessages();
    HWND editor = FindWindowW(L"ScreenshotWnd", L"Image");
    if (!editor) {
        std::fprintf(stderr, "no editor opened\n");
        return 1;
    }
    measureMoves(editor);
    measurePointer(editor);
    SendMessageW(editor, WM_COMMAND, 15, 0);
    drainMessages();
    measureSendWithDrawings();
    for (const WindowListCase& c : windowListCases)
        measureWindowList(c);
    plugin.pluginUnload(0);
    hostClosePlugin(&plugin);
    DeleteFileW((folder + L"settings.ini").c_str());
    RemoveDirectoryW(folder.c_str());
    return 0;
}
