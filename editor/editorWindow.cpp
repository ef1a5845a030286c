// The editor window: opening it sized around picture and toolbar, the window
// procedure (one small handler per message), the command dispatcher, closing,
// and the settings written when the window goes.
#include "editorWindow.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cstdlib>

#include "../delivery/handOff.h"
#include "../image/gdiGuards.h"
#include "../plugin/hostBridge.h"
#include "../delivery/sending.h"
#include "../plugin/pluginFrame.h"
#include "../plugin/settings.h"
#include "drawingSteps.h"
#include "editorView.h"
#include "editorKeys.h"
#include "../image/windowList.h"
#include "annotationPreview.h"
#include "contextMenu.h"
#include "loupe.h"
#include "pointerTool.h"
#include "selectionEdit.h"
#include "sizeLabel.h"
#include "stepMarkers.h"
#include "windowSnap.h"
#include "styleControl.h"
#include "systemMenu.h"
#include "letterTip.h"
#include "textBox.h"
#include "toolStrip.h"
#include "toolTable.h"
#include "toolbar.h"

EditorState editorState = [] {
    EditorState state = {};
    state.tool = toolSelect;
    state.toolbarCollapsed = 1;
    return state;
}();

// The constant parts of the class record are filled once, when the library is
// loaded; the module handle is set at registration.
static WNDCLASSEXW editorClass = [] {
    WNDCLASSEXW record = {};
    record.cbSize = sizeof(record);
    record.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    record.lpfnWndProc = editorWindowProc;
    record.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    record.hCursor = LoadCursorW(nullptr, IDC_CROSS);
    record.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    record.lpszClassName = editorClassName;
    return record;
}();

// Closes an editor still open when the library goes away. pluginUnload closes
// it first, so normally this finds nothing to do.
static struct EditorCleanup {
    EditorCleanup() = default;
    EditorCleanup(const EditorCleanup&) = delete;
    EditorCleanup& operator=(const EditorCleanup&) = delete;
    ~EditorCleanup() { closeEditor(); }
} editorCleanup;

bool registerEditorClass() {
    editorClass.hInstance = moduleHandle;
    return RegisterClassExW(&editorClass) != 0;
}

namespace {

bool runDeliveryCommand(EditorState& s, int id) {
    switch (id) {
    case commandSendSelection:
        return sendRegionToContacts(s);
    case commandSendWhole:
        return sendWholePicture(s);
    case commandFileTransfer:
        return handOffToFileTransfer(s);
    case commandImageHosting:
        return handOffToImageHosting(s);
    default:
        return true;
    }
}

EditorState* stateOf(HWND window) {
    return static_cast<EditorState*>(GetPropW(window, editorProperty));
}

void readStyleSettings(EditorState& s) {
    s.tool = toolSelect;
    s.penColor = uint32_t(readSetting(keyPenColor, defaultPenColor));
    s.brushColor = uint32_t(readSetting(keyBrushColor, defaultBrushColor));
    s.penWidth = clampPenWidth(readSetting(keyPenWidth, defaultPenWidth));
}

void applyLayoutSettings(EditorState& s) {
    int32_t expanded = 0;
    s.toolbarCollapsed = readStoredSetting(keyToolbarExpanded, &expanded) && expanded == 1 ? 1 : 0;
    dispatchCommand(s, commandToggleToolbar);
    int32_t fullscreen = 0;
    if (readStoredSetting(keyFullscreen, &fullscreen) && fullscreen == 1)
        toggleFullScreen(s);
    SendMessageW(s.qualitySlider, TBM_SETPOS, TRUE, LPARAM(readSetting(keyDefaultQuality, defaultQuality)));
}

}  // namespace

SIZE editorWindowSize(uint32_t pictureWidth, uint32_t pictureHeight, int toolbarHeight, SIZE frame) {
    constexpr int64_t minimumWidth = 261;
    constexpr int64_t largest = 0x7FFFFFFF;
    int64_t width = int64_t(pictureWidth) + frame.cx;
    if (width < minimumWidth)
        width = minimumWidth;
    int64_t height = int64_t(pictureHeight) + toolbarHeight + frame.cy;
    return {LONG(width < largest ? width : largest), LONG(height < largest ? height : largest)};
}

bool opensMaximised(uint32_t pictureWidth, uint32_t pictureHeight, SIZE screen, SIZE window, SIZE workArea) {
    if (!(pictureWidth < uint32_t(screen.cx) && pictureHeight < uint32_t(screen.cy)))
        return true;
    return window.cx > workArea.cx || window.cy > workArea.cy;
}

namespace {

constexpr DWORD editorStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;

// The frame, caption and borders around an empty client area, as the editor's
// own style draws them.
SIZE frameSize() {
    RECT rect = {};
    AdjustWindowRectEx(&rect, editorStyle, FALSE, 0);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

RECT workArea() {
    RECT area = {};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0))
        return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return area;
}

// A window widened for its toolbar that would reach past the work area's
// right edge moves left, as far as the work area's left edge.
LONG leftWithinWorkArea(LONG left, LONG width, const RECT& work) {
    if (left + width > work.right)
        left = work.right - width;
    return left < work.left ? work.left : left;
}

// The window around picture and toolbar, its left edge moved so that it
// stays within the work area; outer is where it stands now.
RECT fittedWindowRect(const EditorState& s, const RECT& outer, const RECT& work) {
    SIZE frame = frameSize();
    uint32_t height = imageHeight(s.picture);
    auto lowest = uint32_t(sizeLabelHeight(s));
    if (height > 0 && height < lowest)
        height = lowest;
    SIZE size = editorWindowSize(imageWidth(s.picture), height, toolbarShare(s), frame);
    size.cx = widthForToolbar(size.cx, toolbarWidth(s) + frame.cx, work.right - work.left);
    LONG left = leftWithinWorkArea(outer.left, size.cx, work);
    return {left, outer.top, left + size.cx, outer.top + size.cy};
}

}  // namespace

// The toolbar knows its height and width only once it exists, and its width
// changes with each toggle, so the window is sized around picture and
// toolbar before it is shown and again at each toggle. A maximised or full
// screen window keeps its size. The view of a picture is never lower than the
// size label, which stays inside it, off the toolbar, however low the picture.
void fitEditorWindow(EditorState& s) {
    if (!s.window || IsZoomed(s.window) || isFullScreen(s))
        return;
    RECT outer = {};
    GetWindowRect(s.window, &outer);
    RECT fitted = fittedWindowRect(s, outer, workArea());
    UINT move = fitted.left == outer.left ? SWP_NOMOVE : 0;
    SetWindowPos(s.window, nullptr, fitted.left, fitted.top, fitted.right - fitted.left, fitted.bottom - fitted.top,
                 move | SWP_NOZORDER | SWP_NOACTIVATE);
    GetWindowRect(s.window, &outer);
    s.windowWidth = outer.right - outer.left;
    s.windowHeight = outer.bottom - outer.top;
}

LONG widthForToolbar(LONG windowWidth, LONG toolbarWindowWidth, LONG workWidth) {
    LONG wanted = toolbarWindowWidth < workWidth ? toolbarWindowWidth : workWidth;
    return windowWidth > wanted ? windowWidth : wanted;
}

namespace {

// Posted by the first paint: the toolbar's hidden controls are made then.
constexpr UINT makeControlsMessage = WM_APP + 0x100;

// Whether the open editor's frame has been painted since it was made.
bool framePainted = false;

LRESULT onSize(EditorState& s);

// A window made maximised while hidden shows, its restored place fitted
// around picture and toolbar as any other window's, in the work area's
// coordinates that the placement takes, and no larger than the platform
// lets a window be.
void showMaximised(EditorState& s, const RECT& work) {
    WINDOWPLACEMENT place = {};
    place.length = sizeof(place);
    GetWindowPlacement(s.window, &place);
    RECT& normal = place.rcNormalPosition;
    OffsetRect(&normal, work.left, work.top);
    RECT fitted = fittedWindowRect(s, normal, work);
    LONG width = fitted.right - fitted.left;
    LONG height = fitted.bottom - fitted.top;
    width = width < GetSystemMetrics(SM_CXMAXTRACK) ? width : GetSystemMetrics(SM_CXMAXTRACK);
    height = height < GetSystemMetrics(SM_CYMAXTRACK) ? height : GetSystemMetrics(SM_CYMAXTRACK);
    normal = {fitted.left - work.left, fitted.top - work.top, fitted.left - work.left + width,
              fitted.top - work.top + height};
    s.windowWidth = width;
    s.windowHeight = height;
    place.flags = 0;
    place.showCmd = SW_SHOWMAXIMIZED;
    SetWindowPlacement(s.window, &place);
}

// A window made ahead of its picture, and the picture size it was made for.
bool editorPrepared = false;
SIZE preparedSize = {};

// The hidden window and its controls for a picture of this size, with the
// style settings they show: all of the opening that needs no picture. The
// selection's view keeps the window list it was given.
bool makeEditorWindow(EditorState& s, uint32_t w, uint32_t h) {
    reloadSettings();
    readStyleSettings(s);
    SIZE size = editorWindowSize(w, h, 0, frameSize());
    RECT work = workArea();
    SIZE workSize = {work.right - work.left, work.bottom - work.top};
    SIZE screen = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    // A picture as large as the screen opens maximised. Made so while still
    // hidden, the window and its toolbar are laid out once, at the size they
    // show at, and the frame is drawn once.
    bool screenSized = opensMaximised(w, h, screen, {0, 0}, workSize);
    // Created hidden: no handled message may arrive before the property is set.
    s.window = CreateWindowExW(0, editorClassName, L"Image", editorStyle | (screenSized ? WS_MAXIMIZE : 0),
                               CW_USEDEFAULT, CW_USEDEFAULT, size.cx, size.cy, nullptr, nullptr, moduleHandle,
                               nullptr);
    if (!s.window)
        return false;
    createToolbar(s);
    createToolStrip(s);
    createSizeLabel(s);
    createLoupe(s);
    addSystemMenuItems(s);
    return true;
}

bool preparedFor(const ImageHolder* picture) {
    return editorPrepared && picture && preparedSize.cx == LONG(imageWidth(picture)) &&
           preparedSize.cy == LONG(imageHeight(picture));
}

}  // namespace

// The screenshot's wait for the menu to go is idle time, and making the
// window and its controls is a fifth of what comes after it; made during
// the wait, the editor shows that much sooner. Only when no editor is open:
// an open one must come back untouched should the capture fail.
void prepareEditor(uint32_t width, uint32_t height) {
    EditorState& s = editorState;
    if (s.window || editorPrepared || !hostTable)
        return;
    s.selectionView = {};
    if (!makeEditorWindow(s, width, height)) {
        closeEditor();
        return;
    }
    editorPrepared = true;
    preparedSize = {LONG(width), LONG(height)};
}

// The closing would store the settings the window's controls show, which a
// window never opened has not yet been given.
void discardPreparedEditor() {
    if (!editorPrepared)
        return;
    editorPrepared = false;
    HWND window = editorState.window;
    editorState.window = nullptr;
    DestroyWindow(window);
    closeEditor();
}

void openEditor(ImageHolder* picture, ContactRecord* contacts, int32_t count, WindowList* windows) {
    bool prepared = preparedFor(picture) && contacts && count > 0 && hostTable;
    if (!prepared) {
        discardPreparedEditor();
        closeEditor();
    }
    editorPrepared = false;
    EditorState& s = editorState;
    s.enterPressed = 0;
    framePainted = false;
    if (!prepared)
        s.selectionView = {};
    s.selectionView.windows = windows;
    s.letterTip = nullptr;
    s.letterTipShown = 0;
    s.rightPress = {};
    s.picture = picture;
    openDrawingLayer(s);
    s.contacts = contacts;
    s.contactCount = count;
    if (!picture || !contacts || count == 0 || !hostTable)
        return;
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    s.startX = s.startY = 0;
    s.endX = screenWidth;
    s.endY = screenHeight;
    s.selectionMarked = 0;
    s.scrollX = s.scrollY = 0;
    uint32_t w = imageWidth(picture);
    uint32_t h = imageHeight(picture);
    if (!prepared && !makeEditorWindow(s, w, h))
        return;
    RECT work = workArea();
    SIZE workSize = {work.right - work.left, work.bottom - work.top};
    bool screenSized = opensMaximised(w, h, {screenWidth, screenHeight}, {0, 0}, workSize);
    SetPropW(s.window, editorProperty, &s);
    if (screenSized) {
        // Its WM_SIZE came before the property was set.
        onSize(s);
        showMaximised(s, work);
    } else {
        fitEditorWindow(s);
        SIZE window = {s.windowWidth, s.windowHeight};
        bool maximised = opensMaximised(w, h, {screenWidth, screenHeight}, window, workSize);
        ShowWindow(s.window, maximised ? SW_SHOWMAXIMIZED : SW_SHOW);
    }
    applyLayoutSettings(s);
}

// Re-entered through WM_DESTROY: DestroyWindow sends it, its handler saves the
// settings, clears the window and calls here again, which frees picture and
// contacts; the outer call then finds nothing left to free.
void closeEditor() {
    EditorState& s = editorState;
    s.generation++;
    if (s.window) {
        writeSetting(keyDefaultQuality, int32_t(SendMessageW(s.qualitySlider, TBM_GETPOS, 0, 0)));
        HWND window = s.window;
        DestroyWindow(window);
        s.window = nullptr;
    }
    freeToolStrip(s);
    if (s.picture) {
        freeImageHolder(s.picture);
        s.picture = nullptr;
    }
    clearHistory(s.history);
    closeDrawingLayer(s);
    freeStroke(s);
    s.dragging = 0;
    discardTextBox(s);
    forgetMarkerDigits();
    dropAnnotationPreview(s);
    freeWindowList(s.selectionView.windows);
    s.selectionView = {};
    if (s.contacts) {
        std::free(s.contacts);
        s.contacts = nullptr;
        s.contactCount = 0;
    }
}

namespace {

// Nothing the user drew is lost unasked: a step undo could take back, or a
// text still being typed.
bool holdsDrawing(const EditorState& s) {
    return canUndoAnnotation(s.layer) || s.textBox.open;
}

}  // namespace

bool editorMayBeReplaced() {
    EditorState& s = editorState;
    if (!s.window || !holdsDrawing(s))
        return true;
    if (MessageBoxW(s.window, L"Otwarty obrazek ma niewysłane rysunki. Zastąpić go nowym?", L"Nowy obrazek",
                    MB_YESNO | MB_ICONQUESTION) == IDYES)
        return true;
    // The box's own loop may have seen the editor closed meanwhile.
    if (s.window) {
        if (IsIconic(s.window))
            ShowWindow(s.window, SW_RESTORE);
        SetForegroundWindow(s.window);
    }
    return false;
}

void hideEditor(bool hidden) {
    if (editorState.window)
        ShowWindow(editorState.window, hidden ? SW_HIDE : SW_SHOW);
}

void saveEditorSettings(EditorState& s) {
    writeSetting(keyPenColor, int32_t(s.penColor));
    writeSetting(keyBrushColor, int32_t(s.brushColor));
    writeSetting(keyPenWidth, s.penWidth);
    writeSetting(keyTransparent, fillTicked(s) ? 1 : 0);
    flushSettings();
    if (s.window)
        RemovePropW(s.window, editorProperty);
    s.window = nullptr;
    closeEditor();
}

// Commands 11 to 14 answer whether the focus step still applies: they skip it
// when they stop early for a missing host table or contacts.
static bool runCommand(EditorState& s, int id) {
    switch (id) {
    case toolSelect:
    case toolPencil:
    case toolLine:
    case toolRectangle:
    case toolEllipse:
    case toolText:
        chooseTool(s, id);
        return true;
    case commandToggleToolbar:
        toggleToolbar(s);
        fitEditorWindow(s);
        placeToolStrip(s);
        return true;
    case commandCancel:
        closeEditor();
        return true;
    default:
        return runDeliveryCommand(s, id);
    }
}

void dispatchCommand(EditorState& s, WPARAM wParam) {
    // Notifications (the text edit's among them) carry a non-zero code.
    if (HIWORD(wParam) != 0)
        return;
    // Choosing a tool, sending, handing off: each draws an open text box first.
    commitTextBox(s);
    bool focusStep = runCommand(s, LOWORD(wParam));
    if (focusStep && s.window)
        SetFocus(s.window);
}

namespace {

// The controls the first paint does not show are made after it.
LRESULT onPaint(HWND window, EditorState& s, WPARAM wParam, LPARAM lParam) {
    if (s.picture)
        paintView(s);
    if (s.controlsDue == 1 && PostMessageW(window, makeControlsMessage, 0, 0))
        s.controlsDue = 2;
    return DefWindowProcW(window, WM_PAINT, wParam, lParam);
}

LRESULT onSize(EditorState& s) {
    SendMessageW(s.toolbar, TB_AUTOSIZE, 0, 0);
    placeToolStrip(s);
    updateScrollBars(s);
    showSelectionSizeLabel(s);
    return 0;
}

// The wheel scrolls the view up and down, with Shift held across.
LRESULT onMouseWheel(EditorState& s, UINT message, WPARAM wParam) {
    bool across = message == WM_MOUSEHWHEEL || (GET_KEYSTATE_WPARAM(wParam) & MK_SHIFT) != 0;
    int32_t pixels = wheelScrollPixels(GET_WHEEL_DELTA_WPARAM(wParam));
    // Tilting the wheel right moves the view right.
    if (message == WM_MOUSEHWHEEL)
        pixels = -pixels;
    scrollViewBy(s, across ? SB_HORZ : SB_VERT, pixels);
    return 0;
}

// A move with no button held means the release went where the editor could
// not see it: the drag ends there.
LRESULT onMouseMove(EditorState& s, WPARAM wParam, LPARAM lParam) {
    if (rightPressMoved(s, wParam, lParam))
        return 0;
    if (wParam & (MK_LBUTTON | MK_RBUTTON)) {
        toolMove(s, lParam, (wParam & MK_LBUTTON) != 0);
        return 0;
    }
    toolDragLost(s);
    hoverSnapWindow(s, wParam, lParam);
    return 0;
}

// The press is remembered, so that a release whose press went elsewhere (the
// contact menu that opened this editor, a message box dismissed with Enter)
// does nothing. Only a first key-down arms it: the repeats of a Ctrl+Enter
// held to commit a text box come after the box is gone.
LRESULT onKeyDown(HWND window, EditorState& s, UINT message, WPARAM wParam, LPARAM lParam) {
    noteKeyDown(window, wParam, lParam);
    if (textBoxKeyDown(s, message, wParam) || contextMenuKey(s, message, wParam))
        return 0;
    // The key-down decides what the release does: in a quick chord Alt can
    // be let go before Enter. With AltGr it is no command.
    bool repeated = (lParam & (LPARAM(1) << 30)) != 0;
    if (wParam == VK_RETURN && !repeated && !altGrHeld()) {
        s.enterPressed = 1;
        s.enterWithAlt = GetKeyState(VK_MENU) < 0 ? 1 : 0;
    }
    if (message == WM_KEYDOWN && editorKeyDown(s, wParam, lParam))
        return 0;
    return DefWindowProcW(window, message, wParam, lParam);
}

// Whether this release of Enter had its press here; each press acts once.
bool takeEnterPress(EditorState& s) {
    bool pressed = s.enterPressed != 0;
    s.enterPressed = 0;
    return pressed;
}

// Whichever way the release comes, plain or as a system key.
void enterReleased(EditorState& s) {
    if (!takeEnterPress(s))
        return;
    if (s.enterWithAlt)
        toggleFullScreen(s);
    else
        dispatchCommand(s, commandSendSelection);
}

// Characters typed, with AltGr too, and an input method's results: the open
// text box's; on the picture they do nothing.
LRESULT onChar(HWND window, EditorState& s, WPARAM wParam, LPARAM lParam) {
    if (textBoxChar(s, wParam))
        return 0;
    return DefWindowProcW(window, WM_CHAR, wParam, lParam);
}

LRESULT onKeyUp(EditorState& s, WPARAM key) {
    if (key == VK_RETURN)
        enterReleased(s);
    contextMenuKey(s, WM_KEYUP, key);
    return 0;
}

// With Alt held the release of Enter comes as a system key; every other system
// key keeps its default handling (Alt+F4, the system menu).
LRESULT onSystemKey(HWND window, EditorState& s, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SYSKEYUP && wParam == VK_RETURN) {
        enterReleased(s);
        return 0;
    }
    if (message == WM_SYSCHAR && wParam == L'\r')
        return 0;
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT onStyleChanged(HWND window, EditorState& s, UINT message, WPARAM wParam, LPARAM lParam) {
    s.penWidth = clampPenWidth(int32_t(wParam));
    uint32_t colour = uint32_t(lParam);
    if (message == stylePenChangedMessage)
        s.penColor = 0xFF000000u | swapRedBlue(colour & colourBits);
    else
        s.brushColor = (colour & 0xFF000000u) | swapRedBlue(colour & colourBits);
    textBoxRestyled(s);
    restyleChosen(s);
    SetFocus(window);
    return 0;
}

// The system menu's own items are the editor's; every other system command
// keeps its default handling.
LRESULT onSystemCommand(HWND window, EditorState& s, WPARAM wParam, LPARAM lParam) {
    if (runSystemMenuCommand(s, wParam))
        return 0;
    return DefWindowProcW(window, WM_SYSCOMMAND, wParam, lParam);
}

LRESULT onInitMenuPopup(HWND window, EditorState& s, WPARAM wParam, LPARAM lParam) {
    if (HIWORD(lParam))
        updateSystemMenu(s, reinterpret_cast<HMENU>(wParam));
    return DefWindowProcW(window, WM_INITMENUPOPUP, wParam, lParam);
}

// A right press waits until it is a click, which opens the context menu, or
// a drag; the right button's drag always starts a new selection, which its
// release sends.
LRESULT onButtonDown(EditorState& s, UINT message, LPARAM lParam) {
    if (message == WM_RBUTTONDOWN && holdRightPress(s, lParam))
        return 0;
    s.selectionView.rightButton = message == WM_RBUTTONDOWN ? 1 : 0;
    toolPress(s, lParam);
    return 0;
}

LRESULT onSetCursor(HWND window, EditorState& s, WPARAM wParam, LPARAM lParam) {
    if (setSelectionCursor(s, lParam))
        return TRUE;
    return DefWindowProcW(window, WM_SETCURSOR, wParam, lParam);
}

LRESULT onControlColour(HWND window, EditorState& s, WPARAM wParam, LPARAM lParam) {
    LRESULT brush = 0;
    if (sizeLabelColours(s, reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam), &brush))
        return brush;
    return DefWindowProcW(window, WM_CTLCOLORSTATIC, wParam, lParam);
}

// The tool strip's buttons choose their tools; everything else, the text
// field's notifications among them, goes to the dispatcher.
LRESULT onCommand(EditorState& s, WPARAM wParam, LPARAM lParam) {
    letterTipCommand(s, wParam, lParam);
    if (!toolStripCommand(s, wParam, lParam))
        dispatchCommand(s, wParam);
    return 0;
}

LRESULT onDrawItem(HWND window, EditorState& s, WPARAM wParam, LPARAM lParam) {
    if (drawLoupeItem(s, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)))
        return TRUE;
    return DefWindowProcW(window, WM_DRAWITEM, wParam, lParam);
}

// The activation that comes with showing a new window would draw its frame,
// scroll bars and all, once before the newly shown window's own frame paint
// draws it again; it only marks the window active then.
LRESULT onNcActivate(HWND window, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, WM_NCACTIVATE, wParam, framePainted ? lParam : -1);
}

// The paint composes every part of the client area it repaints, background
// included, so its own erase is skipped. A transparent toolbar asks its
// parent to erase under its buttons with its own DC: that one is filled.
LRESULT onEraseBackground(HWND window, WPARAM wParam, LPARAM lParam) {
    if (WindowFromDC(reinterpret_cast<HDC>(wParam)) == window)
        return 1;
    return DefWindowProcW(window, WM_ERASEBKGND, wParam, lParam);
}

LRESULT onNcPaint(HWND window, WPARAM wParam, LPARAM lParam) {
    framePainted = true;
    return DefWindowProcW(window, WM_NCPAINT, wParam, lParam);
}

LRESULT onRightButtonUp(EditorState& s, LPARAM lParam) {
    if (rightClickReleased(s, lParam))
        return 0;
    if (toolRelease(s, lParam, true) && s.tool == toolSelect)
        dispatchCommand(s, commandSendSelection);
    return 0;
}

}  // namespace

LRESULT CALLBACK editorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    EditorState* state = stateOf(window);
    if (!state)
        return DefWindowProcW(window, message, wParam, lParam);
    EditorState& s = *state;
    switch (message) {
    case WM_DESTROY:
        saveEditorSettings(s);
        return 0;
    case WM_SIZE:
        return onSize(s);
    case WM_HSCROLL:
    case WM_VSCROLL:
        // The window's own bars send no control handle.
        if (lParam == 0)
            scrollByRequest(s, message == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(wParam));
        return 0;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
        return onMouseWheel(s, message, wParam);
    case WM_CAPTURECHANGED:
        forgetRightPress(s);
        toolDragLost(s);
        return 0;
    case WM_CONTEXTMENU:
        return contextMenuRequested(s, wParam, lParam) ? 0 : DefWindowProcW(window, message, wParam, lParam);
    case WM_ERASEBKGND:
        return onEraseBackground(window, wParam, lParam);
    case WM_NCACTIVATE:
        return onNcActivate(window, wParam, lParam);
    case WM_NCPAINT:
        return onNcPaint(window, wParam, lParam);
    case WM_PAINT:
        return onPaint(window, s, wParam, lParam);
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        return onKeyDown(window, s, message, wParam, lParam);
    case WM_KEYUP:
        return onKeyUp(s, wParam);
    case WM_CHAR:
        return onChar(window, s, wParam, lParam);
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
        return onSystemKey(window, s, message, wParam, lParam);
    case WM_KILLFOCUS:
        // A press whose release goes to another window must not count.
        s.enterPressed = 0;
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_COMMAND:
        return onCommand(s, wParam, lParam);
    case WM_MOUSEMOVE:
        return onMouseMove(s, wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        return onButtonDown(s, message, lParam);
    case WM_LBUTTONDBLCLK:
        // The second press of a double-click is a press like any other,
        // unless the tool takes it (the pointer's, on a typed text).
        if (toolDoubleClick(s, lParam))
            return 0;
        return onButtonDown(s, WM_LBUTTONDOWN, lParam);
    case WM_MOUSELEAVE:
        snapMouseLeft(s);
        return 0;
    case WM_SETCURSOR:
        return onSetCursor(window, s, wParam, lParam);
    case WM_CTLCOLORSTATIC:
        return onControlColour(window, s, wParam, lParam);
    case WM_DRAWITEM:
        return onDrawItem(window, s, wParam, lParam);
    case WM_LBUTTONUP:
        toolRelease(s, lParam, false);
        return 0;
    case WM_RBUTTONUP:
        return onRightButtonUp(s, lParam);
    case WM_SYSCOMMAND:
        return onSystemCommand(window, s, wParam, lParam);
    case WM_INITMENUPOPUP:
        return onInitMenuPopup(window, s, wParam, lParam);
    case makeControlsMessage:
        makeToolbarControls(s);
        return 0;
    case stylePenChangedMessage:
    case styleBrushChangedMessage:
        return onStyleChanged(window, s, message, wParam, lParam);
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}
