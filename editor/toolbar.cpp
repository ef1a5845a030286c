// The editor's toolbar: its items by command id, the child controls placed on
// its slots, the collapsed and expanded layouts, and the frameless full-screen
// mode, each layout remembered in its setting for the next editor.
#include "toolbar.h"

#include <commctrl.h>

#include <iterator>

#include "../delivery/handOff.h"
#include "../plugin/hostBridge.h"
#include "../plugin/pluginFrame.h"
#include "../plugin/settings.h"
#include "editorView.h"
#include "qualitySlider.h"
#include "styleControl.h"
#include "toolStrip.h"

namespace {

struct ToolbarItem {
    int image;  // for a separator, its width
    BYTE style;
    BYTE state;
    const wchar_t* text;
};

constexpr BYTE hidden = TBSTATE_HIDDEN;
constexpr BYTE enabled = TBSTATE_ENABLED;
constexpr BYTE checkedHidden = TBSTATE_CHECKED | TBSTATE_HIDDEN;

// Index equals command id; texts show as tooltips only.
const ToolbarItem toolbarItems[] = {
    {0, BTNS_SEP, hidden, nullptr},
    {0, BTNS_SEP, hidden, nullptr},
    {2, BTNS_CHECKGROUP, checkedHidden, L"Zaznaczenie"},
    {3, BTNS_CHECKGROUP, hidden, L"Ołówek"},
    {4, BTNS_CHECKGROUP, hidden, L"Linia"},
    {5, BTNS_CHECKGROUP, hidden, L"Prostokąt"},
    {6, BTNS_CHECKGROUP, hidden, L"Elipsa"},
    {7, BTNS_CHECKGROUP, hidden, L"Tekst"},
    {100, BTNS_SEP, hidden, nullptr},
    {100, BTNS_SEP, hidden, nullptr},
    {12, BTNS_SEP, enabled, nullptr},
    {11, BTNS_BUTTON, enabled, L"Wyślij zaznaczony"},
    {12, BTNS_BUTTON, enabled, L"Wyślij cały"},
    {13, BTNS_BUTTON, hidden, L"Wyślij na FTP"},
    {14, BTNS_BUTTON, hidden, imageHostingButtonText},
    {15, BTNS_BUTTON, enabled, L"Anuluj"},
};

constexpr int toolbarItemCount = int(std::size(toolbarItems));
static_assert(toolbarItemCount == 16);

RECT itemRect(HWND toolbar, int command) {
    RECT rect = {};
    SendMessageW(toolbar, TB_GETITEMRECT, WPARAM(command), LPARAM(&rect));
    return rect;
}

void setItemState(HWND toolbar, int command, BYTE state) {
    TBBUTTONINFOW info = {};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_STATE;
    info.fsState = state;
    SendMessageW(toolbar, TB_SETBUTTONINFOW, WPARAM(command), LPARAM(&info));
}

HWND createToolbarWindow(HWND window) {
    constexpr int buttonSide = 32;  // the buttons and their pictures in the toolbar graphic
    constexpr DWORD style =
        WS_CHILD | WS_VISIBLE | CCS_BOTTOM | TBSTYLE_TOOLTIPS | TBSTYLE_LIST | TBSTYLE_TRANSPARENT;
    TBBUTTON buttons[toolbarItemCount] = {};
    for (int i = 0; i < toolbarItemCount; i++) {
        buttons[i].iBitmap = toolbarItems[i].image;
        buttons[i].idCommand = i;
        buttons[i].fsState = toolbarItems[i].state;
        buttons[i].fsStyle = toolbarItems[i].style;
        buttons[i].iString = INT_PTR(toolbarItems[i].text);
    }
    InitCommonControls();
    HWND toolbar = CreateToolbarEx(window, style, 0, toolbarItemCount, nullptr, UINT_PTR(toolbarBitmap), buttons,
                                   toolbarItemCount, buttonSide, buttonSide, buttonSide, buttonSide, sizeof(TBBUTTON));
    SendMessageW(toolbar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS);
    // The loupe may lie across the toolbar: the toolbar's paint keeps off it.
    if (toolbar)
        SetWindowLongPtrW(toolbar, GWL_STYLE, GetWindowLongPtrW(toolbar, GWL_STYLE) | WS_CLIPSIBLINGS);
    return toolbar;
}

// The style control stands on the first separator, which takes its width;
// it is as high as the toggle button.
void setUpStyleControl(EditorState& s) {
    constexpr int styleControlSlot = 0;
    RECT toggle = itemRect(s.toolbar, commandToggleToolbar);
    s.styleControl = createStyleControl(toggle.bottom - toggle.top, s.toolbar);
    PostMessageW(s.styleControl, setPenWidthMessage, 0, LPARAM(s.penWidth));
    PostMessageW(s.styleControl, setPenColorMessage, 0, LPARAM(swapRedBlue(s.penColor)));
    PostMessageW(s.styleControl, setBrushColorMessage, 0, LPARAM(swapRedBlue(s.brushColor)));
    PostMessageW(s.styleControl, setTransparentMessage, 0, LPARAM(s.dueTransparent));
    RECT client = {};
    GetClientRect(s.styleControl, &client);
    ShowWindow(s.styleControl, SW_HIDE);
    TBBUTTONINFOW info = {};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_SIZE;
    info.cx = WORD(client.right - client.left);
    SendMessageW(s.toolbar, TB_SETBUTTONINFOW, styleControlSlot, LPARAM(&info));
}

void showHandOffButtons(HWND toolbar) {
    if (hostFunctionExists(fileTransferFunction))
        setItemState(toolbar, commandFileTransfer, TBSTATE_ENABLED);
    if (hostFunctionExists(imageHostingFunction))
        setItemState(toolbar, commandImageHosting, TBSTATE_ENABLED);
}

HWND createToggleButton(HWND toolbar) {
    RECT toggle = itemRect(toolbar, commandToggleToolbar);
    return CreateWindowExW(0, L"BUTTON", L">", WS_CHILD | WS_VISIBLE, toggle.left, toggle.top,
                           toggle.right - toggle.left, toggle.bottom - toggle.top, toolbar,
                           reinterpret_cast<HMENU>(commandToggleToolbar), moduleHandle, nullptr);
}

// The check mark of the current tool is kept across the change.
void setCollapsibleStates(HWND toolbar, bool expand) {
    constexpr int collapsibleItems = 10;  // command ids 0 to 9
    for (int command = 0; command < collapsibleItems; command++) {
        TBBUTTONINFOW info = {};
        info.cbSize = sizeof(info);
        info.dwMask = TBIF_STATE;
        SendMessageW(toolbar, TB_GETBUTTONINFOW, WPARAM(command), LPARAM(&info));
        BYTE checked = info.fsState & TBSTATE_CHECKED;
        auto wanted = BYTE((expand ? TBSTATE_ENABLED : TBSTATE_HIDDEN) | checked);
        // An item set to the state it has is laid out and painted again all the same.
        if (wanted == info.fsState)
            continue;
        info.fsState = wanted;
        SendMessageW(toolbar, TB_SETBUTTONINFOW, WPARAM(command), LPARAM(&info));
    }
}

// The text edit and the slider stand on the two wide separators after the
// tools: the edit at half the slot's height, centred; the slider a pixel
// inside its slot.
void placeExpandedControls(const EditorState& s) {
    constexpr int textEditSlot = 8;
    constexpr int textEditWidth = 99;
    constexpr int sliderSlot = 9;
    constexpr int sliderWidth = 98;
    RECT edit = itemRect(s.toolbar, textEditSlot);
    int h = edit.bottom - edit.top;
    MoveWindow(s.textEdit, edit.left + 1, edit.top + (h >> 2), textEditWidth, h >> 1, FALSE);
    ShowWindow(s.textEdit, SW_SHOW);
    RECT slider = itemRect(s.toolbar, sliderSlot);
    MoveWindow(s.qualitySlider, slider.left + 1, slider.top - 1, sliderWidth, slider.bottom - slider.top - 2, FALSE);
    ShowWindow(s.qualitySlider, SW_SHOW);
}

// A button given the text it shows is painted again all the same.
void setToggleText(HWND button, const wchar_t* text) {
    wchar_t shown[4] = {};
    GetWindowTextW(button, shown, 4);
    if (lstrcmpW(shown, text) != 0)
        SetWindowTextW(button, text);
}

void expandToolbar(EditorState& s) {
    makeToolbarControls(s);
    s.toolbarCollapsed = 0;
    setToggleText(s.toggleButton, L"<");
    ShowWindow(s.styleControl, SW_SHOW);
}

void collapseToolbar(EditorState& s) {
    ShowWindow(s.styleControl, SW_HIDE);
    s.toolbarCollapsed = 1;
    ShowWindow(s.textEdit, SW_HIDE);
    ShowWindow(s.qualitySlider, SW_HIDE);
    setToggleText(s.toggleButton, L">");
}

// The frame bits are those of WS_OVERLAPPEDWINDOW; going full screen clears
// them for WS_POPUP, coming back clears WS_POPUP for them.
constexpr DWORD frameBits = 0x00CF0000;
constexpr DWORD withoutFrame = 0xFF30FFFFu;
constexpr DWORD withoutFrameOrPopup = 0x7F30FFFFu;
static_assert(frameBits == WS_OVERLAPPEDWINDOW && withoutFrame == ~frameBits &&
              withoutFrameOrPopup == ~(frameBits | WS_POPUP));

// Where the framed window stood before it went full screen.
RECT framedPlace;
bool framedPlaceKnown = false;

void enterFullScreen(EditorState& s, DWORD style, int w, int h) {
    framedPlaceKnown = GetWindowRect(s.window, &framedPlace) != 0;
    ShowWindow(s.toolbar, SW_HIDE);
    SetWindowLongW(s.window, GWL_STYLE, LONG((style & withoutFrame) | WS_POPUP));
    SetWindowPos(s.window, HWND_TOPMOST, 0, 0, w, h, SWP_SHOWWINDOW | SWP_FRAMECHANGED);
}

void leaveFullScreen(EditorState& s, DWORD style, int w, int h) {
    ShowWindow(s.toolbar, SW_SHOW);
    SetWindowLongW(s.window, GWL_STYLE, LONG((style & withoutFrameOrPopup) | frameBits));
    // The positioning call does not understand CW_USEDEFAULT; go back to
    // where the window stood before, or the screen's corner.
    int x = framedPlaceKnown ? framedPlace.left : 0;
    int y = framedPlaceKnown ? framedPlace.top : 0;
    SetWindowPos(s.window, HWND_NOTOPMOST, x, y, w, h, SWP_SHOWWINDOW | SWP_FRAMECHANGED);
    SetWindowPos(s.window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
}

}  // namespace

// The handles of a closed editor's controls may come back as other windows'.
void createToolbar(EditorState& s) {
    s.toolbar = createToolbarWindow(s.window);
    s.styleControl = nullptr;
    s.dueTransparent = readSetting(keyTransparent, defaultTransparent);
    s.controlsDue = 1;
    showHandOffButtons(s.toolbar);
    s.textEdit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_DISABLED | WS_BORDER | ES_AUTOHSCROLL, 0, 0, 0, 0,
                                 s.toolbar, nullptr, moduleHandle, nullptr);
    s.qualitySlider = createQualitySlider(s.toolbar);
    s.toggleButton = createToggleButton(s.toolbar);
    auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    SendMessageW(s.textEdit, WM_SETFONT, font, TRUE);
    SendMessageW(s.qualitySlider, WM_SETFONT, font, TRUE);
}

// Six windows, two of them top-level tips, that the collapsed toolbar does
// not show: made before the first paint they would hold it back.
void makeToolbarControls(EditorState& s) {
    if (!s.controlsDue || !s.toolbar)
        return;
    s.controlsDue = 0;
    setUpStyleControl(s);
    addSliderHoverTip(s.toolbar, s.qualitySlider);
}

// As the style control reads the setting it is given.
bool fillTicked(const EditorState& s) {
    if (s.controlsDue)
        return s.dueTransparent == 1;
    return IsDlgButtonChecked(s.styleControl, styleFillCheckBoxId) == BST_CHECKED;
}

// Wine lays a bottom toolbar out a divider's height above the client's edge,
// so its own height alone would leave the picture's last rows under it.
int toolbarShare(const EditorState& s) {
    SendMessageW(s.toolbar, TB_AUTOSIZE, 0, 0);
    RECT client = {};
    GetClientRect(s.window, &client);
    RECT bar = {};
    GetWindowRect(s.toolbar, &bar);
    MapWindowPoints(nullptr, s.window, reinterpret_cast<POINT*>(&bar), 2);
    return client.bottom - bar.top;
}

// The last item, "Anuluj", always shows, right of every other; the tool
// strip follows it in the same row.
int toolbarWidth(const EditorState& s) {
    return itemRect(s.toolbar, commandCancel).right + toolStripWidth(s);
}

void toggleToolbar(EditorState& s) {
    bool expand = s.toolbarCollapsed == 1;
    if (expand)
        expandToolbar(s);
    else
        collapseToolbar(s);
    setCollapsibleStates(s.toolbar, expand);
    RECT toggle = itemRect(s.toolbar, commandToggleToolbar);
    MoveWindow(s.toggleButton, toggle.left, toggle.top, toggle.right - toggle.left, toggle.bottom - toggle.top, TRUE);
    if (expand)
        placeExpandedControls(s);
    writeSetting(keyToolbarExpanded, s.toolbarCollapsed == 0 ? 1 : 0);
}

bool isFullScreen(const EditorState& s) {
    return (DWORD(GetWindowLongW(s.window, GWL_STYLE)) & frameBits) == 0;
}

// Only a picture of the screen's size goes full screen.
void toggleFullScreen(EditorState& s) {
    auto style = DWORD(GetWindowLongW(s.window, GWL_STYLE));
    uint32_t w = imageWidth(s.picture);
    uint32_t h = imageHeight(s.picture);
    if (w != uint32_t(GetSystemMetrics(SM_CXSCREEN)) || h != uint32_t(GetSystemMetrics(SM_CYSCREEN)))
        return;
    bool framed = (style & frameBits) != 0;
    if (framed)
        enterFullScreen(s, style, int(w), int(h));
    else
        leaveFullScreen(s, style, int(w), int(h));
    // The window need not change its size, so no WM_SIZE need come: the
    // view lost or got back the toolbar all the same.
    updateScrollBars(s);
    placeToolStrip(s);
    writeSetting(keyFullscreen, framed ? 1 : 0);
}
