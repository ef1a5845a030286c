// The toolbar's two layouts and the frameless full-screen mode, each remembered
// in its setting for the next editor.
#include <windows.h>

#include <commctrl.h>

#include "../plugin/settings.h"
#include "editorWindow.h"

namespace {

constexpr int collapsibleItems = 10;  // command ids 0 to 9
constexpr LONG frameBits = 0x00CF0000;

RECT toolbarItemRect(HWND toolbar, int index) {
    RECT rect = {};
    SendMessageW(toolbar, TB_GETITEMRECT, WPARAM(index), LPARAM(&rect));
    return rect;
}

// The check mark of the current tool is kept across the change.
void setCollapsibleStates(HWND toolbar, bool expand) {
    for (int command = 0; command < collapsibleItems; command++) {
        TBBUTTONINFOW info = {};
        info.cbSize = sizeof(info);
        info.dwMask = TBIF_STATE;
        SendMessageW(toolbar, TB_GETBUTTONINFOW, WPARAM(command), LPARAM(&info));
        BYTE checked = info.fsState & TBSTATE_CHECKED;
        info.fsState = BYTE((expand ? TBSTATE_ENABLED : TBSTATE_HIDDEN) | checked);
        SendMessageW(toolbar, TB_SETBUTTONINFOW, WPARAM(command), LPARAM(&info));
    }
}

void placeExpandedControls(const EditorState& s) {
    RECT edit = toolbarItemRect(s.toolbar, 8);
    int h = edit.bottom - edit.top;
    MoveWindow(s.textEdit, edit.left + 1, edit.top + (h >> 2), textEditWidth, h >> 1, FALSE);
    ShowWindow(s.textEdit, SW_SHOW);
    RECT slider = toolbarItemRect(s.toolbar, 9);
    MoveWindow(s.qualitySlider, slider.left + 1, slider.top - 1, 98, slider.bottom - slider.top - 2, FALSE);
    ShowWindow(s.qualitySlider, SW_SHOW);
}

// Where the framed window stood before it went full screen.
RECT framedPlace;
bool framedPlaceKnown = false;

}  // namespace

void toggleToolbar() {
    EditorState& s = editorState;
    bool expand = s.toolbarCollapsed == 1;
    if (expand) {
        s.toolbarCollapsed = 0;
        SetWindowTextW(s.toggleButton, L"<");
        ShowWindow(s.styleControl, SW_SHOW);
    } else {
        ShowWindow(s.styleControl, SW_HIDE);
        s.toolbarCollapsed = 1;
        ShowWindow(s.textEdit, SW_HIDE);
        ShowWindow(s.qualitySlider, SW_HIDE);
        SetWindowTextW(s.toggleButton, L">");
    }
    setCollapsibleStates(s.toolbar, expand);
    RECT toggle = toolbarItemRect(s.toolbar, commandToggleToolbar);
    MoveWindow(s.toggleButton, toggle.left, toggle.top, toggle.right - toggle.left, toggle.bottom - toggle.top, TRUE);
    if (expand)
        placeExpandedControls(s);
    writeSetting(keyToolbarExpanded, s.toolbarCollapsed == 0 ? 1 : 0);
}

void toggleFullScreen() {
    EditorState& s = editorState;
    LONG style = GetWindowLongW(s.window, GWL_STYLE);
    uint32_t w = imageWidth(s.picture);
    uint32_t h = imageHeight(s.picture);
    if (w != uint32_t(GetSystemMetrics(SM_CXSCREEN)) || h != uint32_t(GetSystemMetrics(SM_CYSCREEN)))
        return;
    int32_t value = 0;
    if (style & frameBits) {
        framedPlaceKnown = GetWindowRect(s.window, &framedPlace) != 0;
        ShowWindow(s.toolbar, SW_HIDE);
        SetWindowLongW(s.window, GWL_STYLE, LONG((DWORD(style) & 0xFF30FFFFu) | WS_POPUP));
        SetWindowPos(s.window, HWND_TOPMOST, 0, 0, int(w), int(h), SWP_SHOWWINDOW | SWP_FRAMECHANGED);
        value = 1;
    } else {
        ShowWindow(s.toolbar, SW_SHOW);
        SetWindowLongW(s.window, GWL_STYLE, LONG((DWORD(style) & 0x7F30FFFFu) | DWORD(frameBits)));
        // The positioning call does not understand CW_USEDEFAULT; go back to
        // where the window stood before, or the screen's corner.
        int x = framedPlaceKnown ? framedPlace.left : 0;
        int y = framedPlaceKnown ? framedPlace.top : 0;
        SetWindowPos(s.window, HWND_NOTOPMOST, x, y, int(w), int(h), SWP_SHOWWINDOW | SWP_FRAMECHANGED);
        SetWindowPos(s.window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    }
    writeSetting(keyFullscreen, value);
}
