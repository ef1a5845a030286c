// The context menu. Its rows of the edits and the tools carry the system
// menu's commands and run through its runner, so both menus do exactly what
// the keys do; the sends and full screen run as Enter, the toolbar's button
// and Alt+Enter do. The menu is built afresh at each opening, greyed and
// checked for the editor as it is then.
#include "contextMenu.h"

#include <windowsx.h>

#include <iterator>

#include "editorKeys.h"
#include "editorView.h"
#include "editorWindow.h"
#include "selectionEdit.h"
#include "systemMenu.h"
#include "textBox.h"
#include "toolTable.h"
#include "toolbar.h"

namespace {

// Beyond the system menu's commands, with their low four bits zero too.
enum ContextCommand : UINT {
    contextSendSelection = 0x0300,
    contextSendWhole = 0x0310,
    contextFullScreen = 0x0320,
};

struct MenuRow {
    UINT command;
    const wchar_t* text;
};
const MenuRow editRows[] = {
    {systemUndo, L"Cofnij\tCtrl+Z"},
    {systemRedo, L"Ponów\tCtrl+Y"},
    {systemCopy, L"Kopiuj\tCtrl+C"},
    {systemSaveAs, L"Zapisz jako...\tCtrl+S"},
};
const MenuRow sendRows[] = {
    {contextSendSelection, L"Wyślij zaznaczenie\tEnter"},
    {contextSendWhole, L"Wyślij cały"},
    {contextFullScreen, L"Pełny ekran\tAlt+Enter"},
};

POINT pointOf(LPARAM lParam) {
    return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

// Full screen takes only a picture of the screen's size, either way.
bool canGoFullScreen(const EditorState& s) {
    return imageWidth(s.picture) == uint32_t(GetSystemMetrics(SM_CXSCREEN)) &&
           imageHeight(s.picture) == uint32_t(GetSystemMetrics(SM_CYSCREEN));
}

void appendRows(HMENU menu, const MenuRow* rows, size_t count) {
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    for (size_t i = 0; i < count; i++)
        AppendMenuW(menu, MF_STRING, rows[i].command, rows[i].text);
}

HMENU buildContextMenu(EditorState& s) {
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return nullptr;
    UINT chosen = 0;
    for (size_t i = 0; i < toolKeyCount; i++) {
        AppendMenuW(menu, MF_STRING, toolMenuCommand(i), toolKeys[i].menuText);
        if (toolKeys[i].tool == s.tool)
            chosen = toolMenuCommand(i);
    }
    if (chosen)
        CheckMenuRadioItem(menu, toolMenuCommand(0), toolMenuCommand(toolKeyCount - 1), chosen, MF_BYCOMMAND);
    appendRows(menu, editRows, std::size(editRows));
    appendRows(menu, sendRows, std::size(sendRows));
    updateSystemMenu(s, menu);
    EnableMenuItem(menu, contextFullScreen, MF_BYCOMMAND | (canGoFullScreen(s) ? MF_ENABLED : MF_GRAYED));
    CheckMenuItem(menu, contextFullScreen, MF_BYCOMMAND | (isFullScreen(s) ? MF_CHECKED : MF_UNCHECKED));
    return menu;
}

void runContextCommand(EditorState& s, UINT command) {
    if (runSystemMenuCommand(s, command))
        return;
    switch (command) {
    case contextSendSelection:
        dispatchCommand(s, commandSendSelection);
        return;
    case contextSendWhole:
        dispatchCommand(s, commandSendWhole);
        return;
    case contextFullScreen:
        commitTextBox(s);
        toggleFullScreen(s);
        return;
    default:
        return;
    }
}

// The row is run once the menu is gone, as a key would run it; nothing is
// run when the editor closed or another opened while the menu was up.
void showContextMenu(EditorState& s, POINT screen) {
    HMENU menu = buildContextMenu(s);
    if (!menu)
        return;
    uint32_t generation = s.generation;
    constexpr UINT flags = TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN;
    auto command = UINT(TrackPopupMenu(menu, flags, screen.x, screen.y, 0, s.window, nullptr));
    DestroyMenu(menu);
    if (command != 0 && generation == s.generation && s.window)
        runContextCommand(s, command);
}

// The selection's top-left corner when the user made one, kept inside the
// view; else the view's top-left.
POINT keyboardMenuPoint(const EditorState& s) {
    RECT view = viewArea(s);
    POINT at = {view.left, view.top};
    if (s.selectionMarked) {
        RECT selection = currentSelection(s);
        at = pictureToWindow(s, {selection.left, selection.top});
        at.x = at.x < view.left ? view.left : (at.x >= view.right ? view.right - 1 : at.x);
        at.y = at.y < view.top ? view.top : (at.y >= view.bottom ? view.bottom - 1 : at.y);
    }
    ClientToScreen(s.window, &at);
    return at;
}

// The press reaches the tool as if it had just come, as the right button's;
// the tool's drag takes the mouse itself.
void handPressToTool(EditorState& s, const RightPress& press) {
    if (press.started)
        return;
    if (GetCapture() == s.window)
        ReleaseCapture();
    s.selectionView.rightButton = 1;
    toolPress(s, press.at);
}

}  // namespace

bool holdRightPress(EditorState& s, LPARAM lParam) {
    RightPress& press = s.rightPress;
    press = {};
    // During the left button's drag the right press goes to the tool as before.
    if (s.dragging)
        return false;
    press.held = 1;
    press.at = lParam;
    press.started = s.tool == toolPencil ? 1 : 0;
    if (press.started)
        return false;
    SetFocus(s.window);
    // The release comes here wherever the mouse is let go.
    SetCapture(s.window);
    return true;
}

bool rightPressMoved(EditorState& s, WPARAM wParam, LPARAM lParam) {
    RightPress press = s.rightPress;
    if (!press.held)
        return false;
    bool held = (wParam & MK_RBUTTON) != 0;
    if (held && isClick(pointOf(press.at), pointOf(lParam)))
        return !press.started;
    // A drag from here on, or the release went where the editor did not see it.
    s.rightPress = {};
    if (held)
        handPressToTool(s, press);
    return false;
}

bool rightClickReleased(EditorState& s, LPARAM lParam) {
    RightPress press = s.rightPress;
    s.rightPress = {};
    if (!press.held)
        return false;
    if (!isClick(pointOf(press.at), pointOf(lParam))) {
        handPressToTool(s, press);
        return false;
    }
    // The pencil's pixels of this click go, and no release is to come.
    if (press.started)
        cancelDrag(s);
    if (GetCapture() == s.window)
        ReleaseCapture();
    POINT at = pointOf(lParam);
    ClientToScreen(s.window, &at);
    showContextMenu(s, at);
    return true;
}

void forgetRightPress(EditorState& s) {
    s.rightPress = {};
}

// F10 comes as a system key; with Alt it is no menu key.
bool contextMenuKey(EditorState& s, UINT message, WPARAM key) {
    bool menuKey = message == WM_KEYUP && key == VK_APPS;
    bool shiftF10 = (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) && key == VK_F10 &&
                    GetKeyState(VK_SHIFT) < 0 && GetKeyState(VK_MENU) >= 0;
    if (!menuKey && !shiftF10)
        return false;
    SendMessageW(s.window, WM_CONTEXTMENU, WPARAM(s.window), MAKELPARAM(-1, -1));
    return true;
}

bool contextMenuRequested(EditorState& s, WPARAM wParam, LPARAM lParam) {
    if (reinterpret_cast<HWND>(wParam) != s.window || s.dragging)
        return false;
    POINT at = pointOf(lParam);
    if (at.x == -1 && at.y == -1) {
        showContextMenu(s, keyboardMenuPoint(s));
        return true;
    }
    POINT client = at;
    ScreenToClient(s.window, &client);
    RECT view = viewArea(s);
    if (!PtInRect(&view, client))
        return false;
    showContextMenu(s, at);
    return true;
}
