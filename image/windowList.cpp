// Recording the windows of a screenshot. The visible frame of a top-level
// window comes from the desktop composition where the platform has it;
// dwmapi is looked up at run time, since the plug-in imports only the
// libraries every Windows has loaded anyway and some Windows have no
// composition at all (and Wine answers "not implemented").
#include "windowList.h"

#include <cstdlib>

#include "gdiGuards.h"

namespace {

// From dwmapi.h, which is not included so that nothing links to the library.
constexpr DWORD extendedFrameBounds = 9;  // DWMWA_EXTENDED_FRAME_BOUNDS
constexpr DWORD cloaked = 14;             // DWMWA_CLOAKED
using DwmGetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, void*, DWORD);

// The desktop's own windows and the taskbar: never what a user snaps to.
const wchar_t* const shellClasses[] = {L"Progman", L"WorkerW", L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd"};

// Loaded at the first screenshot and kept until the plug-in unloads: loading
// and freeing it at every screenshot costs milliseconds.
HMODULE dwmLibrary = nullptr;
DwmGetWindowAttributeFn dwmAttribute = nullptr;

void loadDwm() {
    if (dwmLibrary)
        return;
    dwmLibrary = LoadLibraryW(L"dwmapi.dll");
    // Through void*: the address is of the function's real type.
    if (dwmLibrary)
        dwmAttribute = reinterpret_cast<DwmGetWindowAttributeFn>(
            reinterpret_cast<void*>(GetProcAddress(dwmLibrary, "DwmGetWindowAttribute")));
}

// The deepest a child is recorded: far beyond any window a program makes.
constexpr int32_t deepestLevel = 128;

// A window whose descendants are being walked, and where its children can
// show: its client area cut to what its parents show of it; empty when they
// cannot show at all (it is hidden, or shown nowhere on the captured area).
struct Level {
    HWND window;
    RECT clip;  // screen pixels
};

// What a window shows, in screen pixels: its rectangle (a top-level
// window's visible frame) cut to its parent's clip, its shape where it has a
// region, and the client area its children are cut to.
struct Shown {
    RECT rect;
    RECT client;
    WindowShape shape;
};

// Every query of a window's rectangles, style and region is a round trip to
// the window server under some platforms, so each is asked once, and only of
// the windows that can show.
struct Recording {
    WindowList* list;
    HWND shell;
    HRGN scratch;  // each window's region is read into it
    HRGN covered;  // the screen the top-level windows recorded so far cover
    RECT area;  // screen pixels
    int32_t topLevel;  // the entry of the top-level window whose descendants are being recorded
    int32_t levels;    // the top-level window's Level and those of the descendants walked into
    Level level[deepestLevel];
};

bool isEmpty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

bool isShellWindow(const Recording& r, HWND window) {
    if (window == r.shell || window == GetDesktopWindow())
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

bool isCloaked(HWND window) {
    DWORD value = 0;
    return dwmAttribute && dwmAttribute(window, cloaked, &value, sizeof(value)) == S_OK && value != 0;
}

// The visible frame, without the invisible resize borders newer Windows
// add around it; the window rectangle where composition says nothing.
RECT topLevelFrame(HWND window, const RECT& windowRect) {
    RECT frame = {};
    if (dwmAttribute && dwmAttribute(window, extendedFrameBounds, &frame, sizeof(frame)) == S_OK && !isEmpty(frame))
        return frame;
    return windowRect;
}

// The window's region, moved to the screen into scratch and into the
// picture of the list in a new region, and the screen box it shows within.
// Null, with the box untouched, for a window without a region (or one that
// could not be read, which then counts as its rectangle).
HRGN pictureRegion(const WindowList& list, HRGN scratch, HWND window, POINT origin, RECT* box) {
    if (GetWindowRgn(window, scratch) == ERROR || OffsetRgn(scratch, origin.x, origin.y) == ERROR)
        return nullptr;
    DWORD bytes = GetRegionData(scratch, 0, nullptr);
    MallocGuard<RGNDATA> data(bytes);
    if (!bytes || !data || GetRegionData(scratch, bytes, data) != bytes)
        return nullptr;
    RGNDATAHEADER& header = data.items->rdh;
    *box = header.rcBound;
    auto* parts = reinterpret_cast<RECT*>(data.items->Buffer);
    for (DWORD i = 0; i < header.nCount; i++)
        parts[i] = screenToPicture(parts[i], list.area, list.pictureWidth, list.pictureHeight);
    header.rcBound = screenToPicture(header.rcBound, list.area, list.pictureWidth, list.pictureHeight);
    return ExtCreateRegion(nullptr, bytes, data);
}

// What the window (whose rectangle is windowRect) shows of frame within
// clip; false when it shows nothing of the captured area. A top-level
// window's region is read now; a child's is left to the lookup.
bool shownPart(const Recording& r, HWND window, const RECT& windowRect, const RECT& frame, const RECT& clip,
               bool topLevel, Shown* shown) {
    *shown = {};
    RECT meets = {};
    if (!IntersectRect(&shown->rect, &frame, &clip) || !IntersectRect(&meets, &shown->rect, &r.area))
        return false;
    shown->shape = {window, {windowRect.left, windowRect.top}, nullptr};
    GetClientRect(window, &shown->client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&shown->client), 2);
    if (!topLevel)
        return true;
    RECT box = frame;
    shown->shape = {nullptr, {}, pictureRegion(*r.list, r.scratch, window, {windowRect.left, windowRect.top}, &box)};
    if (IntersectRect(&shown->rect, &shown->rect, &box) && IntersectRect(&meets, &shown->rect, &r.area))
        return true;
    if (shown->shape.region)
        DeleteObject(shown->shape.region);
    return false;
}

// Records what the window shows; answers where its children can show
// (empty: nowhere), false when the list had no room.
bool add(Recording& r, const Shown& shown, int32_t depth, RECT* childClip) {
    WindowList& list = *r.list;
    if (list.count == windowListCapacity) {
        if (shown.shape.region)
            DeleteObject(shown.shape.region);
        return false;
    }
    int32_t index = list.count++;
    if (depth == 0)
        r.topLevel = index;
    list.windows[index] = {screenToPicture(shown.rect, list.area, list.pictureWidth, list.pictureHeight), r.topLevel,
                           depth};
    list.shapes[index] = shown.shape;
    IntersectRect(childClip, &shown.client, &shown.rect);
    return true;
}

// Children come front first, each followed by its own descendants; the
// parent, found among the levels walked into, tells the depth and the clip.
BOOL CALLBACK addChild(HWND window, LPARAM context) {
    auto& r = *reinterpret_cast<Recording*>(context);
    HWND parent = GetAncestor(window, GA_PARENT);
    int32_t k = r.levels - 1;
    while (k >= 0 && r.level[k].window != parent)
        k--;
    // Under a window too deep to be walked into.
    if (k < 0)
        return TRUE;
    r.levels = k + 1;
    RECT childClip = {};
    RECT rect = {};
    Shown shown = {};
    if (!isEmpty(r.level[k].clip) && (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) &&
        GetWindowRect(window, &rect) && shownPart(r, window, rect, rect, r.level[k].clip, false, &shown) &&
        !add(r, shown, k + 1, &childClip))
        return FALSE;
    if (r.levels < deepestLevel)
        r.level[r.levels++] = {window, childClip};
    return TRUE;
}

// Whether the windows recorded before cover all that the rectangle shows of
// the captured area: a window wholly behind them can never be clicked.
bool whollyCovered(const Recording& r, const RECT& rect) {
    RECT part = {};
    if (!IntersectRect(&part, &rect, &r.area))
        return true;
    GdiObjectGuard<HRGN> left(CreateRectRgnIndirect(&part));
    return left && CombineRgn(left, left, r.covered, RGN_DIFF) == NULLREGION;
}

// The shape of the window just recorded joins the covered screen; its
// region, if it has one, is still in r.scratch.
void cover(Recording& r, const Shown& shown) {
    GdiObjectGuard<HRGN> shape(CreateRectRgnIndirect(&shown.rect));
    if (!shape)
        return;
    if (shown.shape.region)
        CombineRgn(shape, shape, r.scratch, RGN_AND);
    CombineRgn(r.covered, r.covered, shape, RGN_OR);
}

BOOL CALLBACK addTopLevel(HWND window, LPARAM context) {
    auto& r = *reinterpret_cast<Recording*>(context);
    auto style = DWORD(GetWindowLongW(window, GWL_STYLE));
    RECT rect = {};
    if (!(style & WS_VISIBLE) || (style & WS_MINIMIZE) || !GetWindowRect(window, &rect) || isShellWindow(r, window) ||
        isCloaked(window))
        return TRUE;
    RECT frame = topLevelFrame(window, rect);
    Shown shown = {};
    // Not cut to the captured area here: the editor cuts what it selects to the picture.
    if (whollyCovered(r, frame) || !shownPart(r, window, rect, frame, frame, true, &shown))
        return TRUE;
    RECT childClip = {};
    if (!add(r, shown, 0, &childClip))
        return FALSE;
    cover(r, shown);
    // Children are recorded only where a top-level window that was lets them show.
    if (isEmpty(childClip))
        return TRUE;
    r.level[0] = {window, childClip};
    r.levels = 1;
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
    list->area = area;
    list->pictureWidth = pictureWidth;
    list->pictureHeight = pictureHeight;
    GdiObjectGuard<HRGN> scratch(CreateRectRgn(0, 0, 0, 0));
    GdiObjectGuard<HRGN> covered(CreateRectRgn(0, 0, 0, 0));
    if (!scratch || !covered)
        return list;
    loadDwm();
    Recording r = {};
    r.list = list;
    r.shell = GetShellWindow();
    r.scratch = scratch;
    r.covered = covered;
    r.area = {area.x, area.y, area.x + area.width, area.y + area.height};
    EnumWindows(addTopLevel, reinterpret_cast<LPARAM>(&r));
    return list;
}

void releaseWindowRecording() {
    if (dwmLibrary)
        FreeLibrary(dwmLibrary);
    dwmLibrary = nullptr;
    dwmAttribute = nullptr;
}

void freeWindowList(WindowList* list) {
    if (!list)
        return;
    for (int32_t i = 0; i < list->count; i++) {
        if (list->shapes[i].region)
            DeleteObject(list->shapes[i].region);
    }
    std::free(list);
}

namespace {

// Whether the window's region, if it has one, holds the picture point; a
// child's region is read the first time.
bool shapeHolds(WindowList& list, int32_t index, POINT point) {
    WindowShape& shape = list.shapes[index];
    if (shape.window) {
        GdiObjectGuard<HRGN> scratch(CreateRectRgn(0, 0, 0, 0));
        RECT box = {};
        shape.region = scratch ? pictureRegion(list, scratch, shape.window, shape.origin, &box) : nullptr;
        shape.window = nullptr;
    }
    return !shape.region || PtInRegion(shape.region, point.x, point.y);
}

}  // namespace

// The windows come each followed by its descendants, so one pass finds it:
// a window at the depth looked for that holds the point is searched further
// (its children, one deeper, follow); the first one back at a shallower
// depth ends the found window's descendants.
int32_t innermostWindowAt(WindowList* list, POINT point) {
    if (!list)
        return -1;
    int32_t found = -1;
    int32_t wanted = 0;
    for (int32_t i = 0; i < list->count; i++) {
        const RecordedWindow& w = list->windows[i];
        if (w.depth < wanted)
            break;
        if (w.depth > wanted || !PtInRect(&w.rect, point) || !shapeHolds(*list, i, point))
            continue;
        found = i;
        wanted = w.depth + 1;
    }
    return found;
}
