// The tool strip. The toolbar's sixteen items are fixed, so the tools that
// have no button there get a toolbar of their own, laid over the toolbar's
// row just after its last item. The strip is a toolbar under a class name of
// its own: anything that looks for the editor's toolbar by its class still
// finds the sixteen-item one. The toolbar spans the whole row, so it is made
// to clip its siblings, or it would paint its background over the strip.
#include "toolStrip.h"

#include <commctrl.h>

#include <iterator>

#include "../plugin/pluginFrame.h"
#include "editorKeys.h"

namespace {

constexpr int stripResourceId = 65534;
constexpr int stripImageCount = 6;
constexpr int buttonSide = 32;  // the buttons and their pictures, as the toolbar's

struct StripItem {
    int image;  // for the separator, its width
    BYTE style;
    BYTE state;
    int32_t tool;
    const wchar_t* text;
};

// The pointer's button stands at the head.
const StripItem stripItems[] = {
    {12, BTNS_SEP, TBSTATE_ENABLED, 0, nullptr},
    {0, BTNS_CHECKGROUP, TBSTATE_ENABLED, toolPointer, L"Wskaźnik (V)"},
    {1, BTNS_CHECKGROUP, TBSTATE_ENABLED, toolArrow, L"Strzałka (A)"},
    {2, BTNS_CHECKGROUP, TBSTATE_ENABLED, toolHighlighter, L"Zakreślacz (H)"},
    {3, BTNS_CHECKGROUP, TBSTATE_ENABLED, toolRedaction, L"Zamaskuj (O)"},
    {4, BTNS_CHECKGROUP, TBSTATE_ENABLED, toolTypedText, L"Napis (N)"},
    {5, BTNS_CHECKGROUP, TBSTATE_ENABLED, toolStepMarker, L"Numer (I)"},
};
constexpr int stripItemCount = int(std::size(stripItems));

// The toolbar's check group, by command id, and its last item.
constexpr int32_t firstToolbarTool = toolSelect;
constexpr int32_t lastToolbarTool = toolText;
constexpr int toolbarLastItem = 15;

RECT itemRect(HWND toolbar, int command) {
    RECT rect = {};
    SendMessageW(toolbar, TB_GETITEMRECT, WPARAM(command), LPARAM(&rect));
    return rect;
}

// What CreateToolbarEx does for the toolbar, for a window of the strip's class.
void addStripButtons(HWND strip, HBITMAP images) {
    SendMessageW(strip, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(strip, TB_SETBITMAPSIZE, 0, MAKELPARAM(buttonSide, buttonSide));
    SendMessageW(strip, TB_SETBUTTONSIZE, 0, MAKELPARAM(buttonSide, buttonSide));
    TBADDBITMAP bitmap = {nullptr, UINT_PTR(images)};
    SendMessageW(strip, TB_ADDBITMAP, stripImageCount, LPARAM(&bitmap));
    TBBUTTON buttons[stripItemCount] = {};
    for (int i = 0; i < stripItemCount; i++) {
        buttons[i].iBitmap = stripItems[i].image;
        buttons[i].idCommand = stripItems[i].tool;
        buttons[i].fsState = stripItems[i].state;
        buttons[i].fsStyle = stripItems[i].style;
        buttons[i].iString = INT_PTR(stripItems[i].text);
    }
    SendMessageW(strip, TB_ADDBUTTONSW, stripItemCount, LPARAM(buttons));
    SendMessageW(strip, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS);
}

// The right edge of the strip's last item that shows.
int lastItemRight(HWND strip) {
    int right = 0;
    for (int i = 0; i < stripItemCount; i++) {
        RECT rect = {};
        if (SendMessageW(strip, TB_GETITEMRECT, WPARAM(i), LPARAM(&rect)) && rect.right > right)
            right = rect.right;
    }
    return right;
}

}  // namespace

// The toolbar's own window procedure under the strip's name.
bool registerToolStripClass() {
    InitCommonControls();
    WNDCLASSEXW record = {};
    record.cbSize = sizeof(record);
    if (!GetClassInfoExW(nullptr, TOOLBARCLASSNAMEW, &record))
        return false;
    record.cbSize = sizeof(record);
    record.style &= ~UINT(CS_GLOBALCLASS);
    record.hInstance = moduleHandle;
    record.lpszClassName = toolStripClassName;
    return RegisterClassExW(&record) != 0;
}

void createToolStrip(EditorState& s) {
    s.toolStrip = nullptr;
    s.toolStripImages = LoadBitmapW(moduleHandle, MAKEINTRESOURCEW(stripResourceId));
    if (!s.toolStripImages)
        return;
    constexpr DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | CCS_NOPARENTALIGN | CCS_NORESIZE |
                            CCS_NODIVIDER | TBSTYLE_TOOLTIPS | TBSTYLE_LIST | TBSTYLE_TRANSPARENT;
    constexpr int stripControlId = 1;
    s.toolStrip = CreateWindowExW(0, toolStripClassName, nullptr, style, 0, 0, 0, 0, s.window,
                                  reinterpret_cast<HMENU>(stripControlId), moduleHandle, nullptr);
    if (!s.toolStrip)
        return;
    addStripButtons(s.toolStrip, s.toolStripImages);
    SetWindowLongW(s.toolbar, GWL_STYLE, GetWindowLongW(s.toolbar, GWL_STYLE) | WS_CLIPSIBLINGS);
    SetWindowPos(s.toolStrip, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    placeToolStrip(s);
}

void freeToolStrip(EditorState& s) {
    if (s.toolStripImages)
        DeleteObject(s.toolStripImages);
    s.toolStripImages = nullptr;
    s.toolStrip = nullptr;
}

// The strip's first item stands where the toolbar's next one would: just
// after the last, at the same height.
void placeToolStrip(const EditorState& s) {
    if (!s.toolStrip)
        return;
    // The toolbar's own flag: the editor may not show yet.
    if (!(GetWindowLongW(s.toolbar, GWL_STYLE) & WS_VISIBLE)) {
        ShowWindow(s.toolStrip, SW_HIDE);
        return;
    }
    RECT last = itemRect(s.toolbar, toolbarLastItem);
    POINT corner = {last.right, last.top};
    MapWindowPoints(s.toolbar, s.window, &corner, 1);
    RECT first = itemRect(s.toolStrip, 0);
    int height = last.bottom - last.top;
    SetWindowPos(s.toolStrip, HWND_TOP, corner.x - first.left, corner.y - first.top, lastItemRight(s.toolStrip),
                 first.top + height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

int toolStripWidth(const EditorState& s) {
    return s.toolStrip ? lastItemRight(s.toolStrip) : 0;
}

bool toolStripCommand(EditorState& s, WPARAM wParam, LPARAM lParam) {
    if (!s.toolStrip || reinterpret_cast<HWND>(lParam) != s.toolStrip || HIWORD(wParam) != 0)
        return false;
    chooseTool(s, int32_t(LOWORD(wParam)));
    return true;
}

void markChosenTool(const EditorState& s, int32_t tool) {
    for (int32_t button = firstToolbarTool; button <= lastToolbarTool; button++)
        SendMessageW(s.toolbar, TB_CHECKBUTTON, WPARAM(button), MAKELPARAM(button == tool, 0));
    for (const StripItem& item : stripItems) {
        if (item.tool != 0)
            SendMessageW(s.toolStrip, TB_CHECKBUTTON, WPARAM(item.tool), MAKELPARAM(item.tool == tool, 0));
    }
}
