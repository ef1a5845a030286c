// Recording the windows of a screenshot. The visible frame of a top-level
// window comes from the desktop composition where the platform has it;
// dwmapi is looked up at run time, since the plug-in imports only the
// libraries every Windows has loaded anyway and some Windows have no
// composition at all (and Wine answers "not implemented").
#include "windowList.h"

#include <cstdlib>

namespace {

// From dwmapi.h, which is not included so that nothing links to the library.
constexpr DWORD extendedFrameBounds = 9;  // DWMWA_EXTENDED_FRAME_BOUNDS
constexpr DWORD cloaked = 14;             // DWMWA_CLOAKED
using DwmGetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, void*, DWORD);

// The desktop's own windows and the taskbar: never what a user snaps to.
const wchar_t* const shellClasses[] = {L"Progman", L"WorkerW", L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd"};

struct LibraryGuard {
    HMODULE module;
    explicit LibraryGuard(const wchar_t* name) : module(LoadLibraryW(name)) {}
    LibraryGuard(const LibraryGuard&) = delete;
    LibraryGuard& operator=(const LibraryGuard&) = delete;
    ~LibraryGuard() {
        if (module)
            FreeLibrary(module);
    }
};

struct Recording {
    WindowList* list;
    DwmGetWindowAttributeFn dwmAttribute;
    RECT area;  // screen pixels
    CaptureArea capture;
    uint32_t pictureWidth, pictureHeight;
    int32_t topLevel;  // the entry of the top-level window whose children are being recorded
};

bool isEmpty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

bool isShellWindow(HWND window) {
    if (window == GetShellWindow() || window == GetDesktopWindow())
        return true;
    wchar_t name[32] = {};
    if (!GetClassNameW(window, name, 32))
        return false;
    for (const wchar_t* shell : shellClasses) {
        if (lstrcmpiW(name, shell) == 0)
            return true;
    }
    return false;
}

bool isCloaked(const Recording& r, HWND window) {
    DWORD value = 0;
    return r.dwmAttribute && r.dwmAttribute(window, cloaked, &value, sizeof(value)) == S_OK && value != 0;
}

// The visible frame, without the invisible resize borders newer Windows
// add around it; the window rectangle where composition says nothing.
RECT topLevelFrame(const Recording& r, HWND window) {
    RECT frame = {};
    if (r.dwmAttribute && r.dwmAttribute(window, extendedFrameBounds, &frame, sizeof(frame)) == S_OK &&
        !isEmpty(frame))
        return frame;
    GetWindowRect(window, &frame);
    return frame;
}

int32_t depthOf(HWND window) {
    int32_t depth = 0;
    for (HWND w = window; w && (GetWindowLongW(w, GWL_STYLE) & WS_CHILD); w = GetAncestor(w, GA_PARENT))
        depth++;
    return depth;
}

// False when the list is full: the enumeration stops there.
bool add(Recording& r, const RECT& screen, int32_t depth) {
    RECT meets = {};
    if (isEmpty(screen) || !IntersectRect(&meets, &screen, &r.area))
        return true;
    WindowList& list = *r.list;
    if (list.count == windowListCapacity)
        return false;
    int32_t index = list.count++;
    if (depth == 0)
        r.topLevel = index;
    list.windows[index] = {screenToPicture(screen, r.capture, r.pictureWidth, r.pictureHeight), r.topLevel, depth};
    return true;
}

BOOL CALLBACK addChild(HWND window, LPARAM context) {
    auto& r = *reinterpret_cast<Recording*>(context);
    if (!IsWindowVisible(window))
        return TRUE;
    RECT rect = {};
    GetWindowRect(window, &rect);
    return add(r, rect, depthOf(window)) ? TRUE : FALSE;
}

BOOL CALLBACK addTopLevel(HWND window, LPARAM context) {
    auto& r = *reinterpret_cast<Recording*>(context);
    if (!IsWindowVisible(window) || IsIconic(window) || isShellWindow(window) || isCloaked(r, window))
        return TRUE;
    int32_t before = r.list->count;
    if (!add(r, topLevelFrame(r, window), 0))
        return FALSE;
    // Children are recorded only under a top-level window that was.
    if (r.list->count > before)
        EnumChildWindows(window, addChild, context);
    return r.list->count < windowListCapacity;
}

// Rounded to the nearest, halves down, for negative values too.
LONG scaled(int64_t value, int64_t numerator, int64_t denominator) {
    int64_t twice = 2 * value * numerator + denominator - 1;
    int64_t d = 2 * denominator;
    return LONG(twice >= 0 ? twice / d : -((-twice + d - 1) / d));
}

}  // namespace

RECT screenToPicture(const RECT& screen, const CaptureArea& area, uint32_t pictureWidth, uint32_t pictureHeight) {
    if (area.width <= 0 || area.height <= 0)
        return {0, 0, 0, 0};
    return {scaled(int64_t(screen.left) - area.x, pictureWidth, area.width),
            scaled(int64_t(screen.top) - area.y, pictureHeight, area.height),
            scaled(int64_t(screen.right) - area.x, pictureWidth, area.width),
            scaled(int64_t(screen.bottom) - area.y, pictureHeight, area.height)};
}

WindowList* recordWindows(const CaptureArea& area, uint32_t pictureWidth, uint32_t pictureHeight) {
    auto* list = static_cast<WindowList*>(std::malloc(sizeof(WindowList)));
    if (!list)
        return nullptr;
    list->count = 0;
    LibraryGuard dwm(L"dwmapi.dll");
    Recording r = {};
    r.list = list;
    // Through void*: the address is of the function's real type.
    if (dwm.module)
        r.dwmAttribute = reinterpret_cast<DwmGetWindowAttributeFn>(
            reinterpret_cast<void*>(GetProcAddress(dwm.module, "DwmGetWindowAttribute")));
    r.area = {area.x, area.y, area.x + area.width, area.y + area.height};
    r.capture = area;
    r.pictureWidth = pictureWidth;
    r.pictureHeight = pictureHeight;
    EnumWindows(addTopLevel, reinterpret_cast<LPARAM>(&r));
    return list;
}

void freeWindowList(WindowList* list) {
    std::free(list);
}

int32_t innermostWindowAt(const WindowList* list, POINT point) {
    if (!list)
        return -1;
    int32_t found = -1;
    for (int32_t i = 0; i < list->count; i++) {
        const RecordedWindow& w = list->windows[i];
        bool holds = PtInRect(&w.rect, point) != 0;
        if (w.depth == 0) {
            // The descendants of the frontmost top-level window holding the
            // point follow it; a window further back is hidden there.
            if (found >= 0)
                break;
            if (holds)
                found = i;
            continue;
        }
        if (found >= 0 && holds && w.depth > list->windows[found].depth)
            found = i;
    }
    return found;
}
