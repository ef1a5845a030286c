// The style control: two colour buttons, a preview of brush and pen, the pen
// width's up-down control and the fill check box. It keeps its colours in two
// window properties and reports every change to the editor window (its
// parent's parent) with sent messages, so the editor is up to date at once.
#include "styleControl.h"

#include <commctrl.h>
#include <commdlg.h>

#include "../image/gdiGuards.h"
#include "../plugin/pluginFrame.h"
#include "editorWindow.h"

// Registered when the library loads, so every style control and the editor
// agree on the numbers.
const UINT setPenColorMessage = RegisterWindowMessageW(L"StyleCtrl::SetPenColor");
const UINT setBrushColorMessage = RegisterWindowMessageW(L"StyleCtrl::SetBrushColor");
const UINT setPenWidthMessage = RegisterWindowMessageW(L"StyleCtrl::SetPenWidth");
const UINT setTransparentMessage = RegisterWindowMessageW(L"StyleCtrl::SetTransparent");

namespace {

constexpr const wchar_t* penProperty = L"PENCOLOR";
constexpr const wchar_t* brushProperty = L"BRUSHCOLOR";
constexpr int penButtonId = 0;
constexpr int brushButtonId = 1;
constexpr int widthUpDownId = 2;

WNDCLASSEXW styleClass;

// One colour dialog per property; its custom colours and its first colour
// are kept for the life of the library.
struct ColourDialog {
    const wchar_t* property;
    COLORREF customColours[16];
    bool opened;
    COLORREF initialColour;
};
ColourDialog penDialog = {penProperty, {}, false, 0};
ColourDialog brushDialog = {brushProperty, {}, false, 0};

uint32_t property(HWND control, const wchar_t* name) {
    return uint32_t(reinterpret_cast<uintptr_t>(GetPropW(control, name)));
}

void setProperty(HWND control, const wchar_t* name, uint32_t value) {
    SetPropW(control, name, reinterpret_cast<HANDLE>(uintptr_t(value)));
}

int clientHeight(HWND control) {
    RECT client = {};
    GetClientRect(control, &client);
    return client.bottom - client.top;
}

int upDownPosition(HWND control) {
    return LOWORD(SendDlgItemMessageW(control, widthUpDownId, UDM_GETPOS, 0, 0));
}

HWND createChild(HWND parent, const wchar_t* windowClass, const wchar_t* text, DWORD style, int x, int width, int h,
                 int id) {
    return CreateWindowExW(0, windowClass, text, WS_CHILD | WS_VISIBLE | style, x, 0, width, h, parent,
                           reinterpret_cast<HMENU>(INT_PTR(id)), moduleHandle, nullptr);
}

void paintPreview(HWND control) {
    PaintGuard dc(control);
    int h = clientHeight(control);
    int w = upDownPosition(control);
    RECT preview = {2 * h, 0, 4 * h, h};
    GdiObjectGuard brush(CreateSolidBrush(property(control, brushProperty) & colourBits));
    FillRect(dc, &preview, brush);
    COLORREF pen = property(control, penProperty) & colourBits;
    GdiObjectGuard penObject(CreatePen(PS_SOLID, 1, pen));
    GdiObjectGuard penBrush(CreateSolidBrush(pen));
    SelectGuard selectPen(dc, penObject);
    SelectGuard selectBrush(dc, penBrush);
    int top = (h >> 1) - (w >> 1) - 1;
    Rectangle(dc, 2 * h + 2, top, 4 * h - 2, top + w);
}

void runColourDialog(HWND control, ColourDialog& dialog) {
    if (!dialog.opened) {
        dialog.initialColour = property(control, dialog.property);
        dialog.opened = true;
    }
    CHOOSECOLORW choose = {};
    choose.lStructSize = sizeof(choose);
    choose.hwndOwner = control;
    choose.rgbResult = dialog.initialColour;
    choose.lpCustColors = dialog.customColours;
    choose.Flags = CC_RGBINIT;
    BOOL chosen = ChooseColorW(&choose);
    // Where the focus goes back to is the platform's choice, and the button
    // that opened the dialog would keep the editor's keys: chosen or not,
    // they are the editor's again.
    SetFocus(GetAncestor(control, GA_ROOT));
    if (chosen != 1)
        return;
    setProperty(control, dialog.property, choose.rgbResult);
    notifyStyleChanged(control, 0);
}

// The colour buttons read only "...": each has a tip that names its colour.
struct ButtonTip {
    int id;
    const wchar_t* text;
};
const ButtonTip buttonTips[] = {{penButtonId, L"Kolor pióra..."}, {brushButtonId, L"Kolor pędzla..."}};

// Owned by the editor window through the control, so it goes with it.
void addButtonTips(HWND control) {
    HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, control, nullptr,
                               moduleHandle, nullptr);
    if (!tip)
        return;
    for (const ButtonTip& button : buttonTips) {
        TOOLINFOW tool = {};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = control;
        tool.uId = UINT_PTR(GetDlgItem(control, button.id));
        tool.hinst = moduleHandle;
        tool.lpszText = const_cast<wchar_t*>(button.text);
        SendMessageW(tip, TTM_ADDTOOLW, 0, LPARAM(&tool));
    }
}

LRESULT onNotify(HWND control, const NMHDR* header) {
    if (header->code != UDN_DELTAPOS || header->idFrom != UINT_PTR(widthUpDownId))
        return 0;
    auto* change = reinterpret_cast<const NMUPDOWN*>(header);
    notifyStyleChanged(control, clampPenWidth(change->iPos + change->iDelta));
    return 0;
}

LRESULT onCommand(HWND control, WPARAM wParam) {
    switch (LOWORD(wParam)) {
    case penButtonId:
        runColourDialog(control, penDialog);
        break;
    case brushButtonId:
        runColourDialog(control, brushDialog);
        break;
    case styleFillCheckBoxId:
        notifyStyleChanged(control, 0);
        break;
    }
    return 0;
}

// The system's own brush lives as long as the system colour: nothing to free,
// and nothing created per repaint.
LRESULT onControlColour(HDC dc) {
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
}

bool onConfigure(HWND control, UINT message, LPARAM lParam) {
    if (message == setPenColorMessage) {
        setProperty(control, penProperty, uint32_t(lParam) & colourBits);
        notifyStyleChanged(control, 0);
    } else if (message == setBrushColorMessage) {
        setProperty(control, brushProperty, uint32_t(lParam) & colourBits);
        notifyStyleChanged(control, 0);
    } else if (message == setPenWidthMessage) {
        SendDlgItemMessageW(control, widthUpDownId, UDM_SETPOS, 0, LPARAM(LOWORD(lParam)));
        notifyStyleChanged(control, int16_t(LOWORD(lParam)));
    } else if (message == setTransparentMessage) {
        CheckDlgButton(control, styleFillCheckBoxId, lParam == 1 ? BST_CHECKED : BST_UNCHECKED);
        notifyStyleChanged(control, 0);
    } else {
        return false;
    }
    return true;
}

}  // namespace

int32_t clampPenWidth(int32_t width) {
    if (width < minPenWidth)
        return minPenWidth;
    if (width > maxPenWidth)
        return maxPenWidth;
    return width;
}

bool registerStyleControlClass(HMODULE module) {
    if (styleClass.cbSize == 0) {
        styleClass.cbSize = sizeof(styleClass);
        styleClass.style = CS_HREDRAW | CS_VREDRAW;
        styleClass.lpfnWndProc = styleControlProc;
        styleClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
        styleClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        styleClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        styleClass.lpszClassName = styleControlClassName;
    }
    styleClass.hInstance = module;
    return RegisterClassExW(&styleClass) != 0;
}

// Two square colour buttons and a preview two squares wide, then the up-down
// control and the fill check box, each of its own fixed width.
HWND createStyleControl(int h, HWND parent) {
    constexpr int upDownWidth = 16;
    constexpr int gapBeforeFill = 2;
    constexpr int fillWidth = 48;
    int fillX = 4 * h + upDownWidth + gapBeforeFill;
    HWND control = CreateWindowExW(0, styleControlClassName, L"Image", WS_CHILD, 0, 0, fillX + fillWidth, h, parent,
                                   nullptr, moduleHandle, nullptr);
    setProperty(control, penProperty, 0xFF000000u);
    setProperty(control, brushProperty, 0xFFFFFFFFu);
    HWND pen = createChild(control, L"BUTTON", L"...", 0, 0, h, h, penButtonId);
    HWND brush = createChild(control, L"BUTTON", L"...", 0, h, h, h, brushButtonId);
    HWND fill = createChild(control, L"BUTTON", L"Tło", BS_AUTOCHECKBOX, fillX, fillWidth, h, styleFillCheckBoxId);
    InitCommonControls();
    HWND upDown = createChild(control, L"msctls_updown32", L"", 0, 4 * h, upDownWidth, h, widthUpDownId);
    SendMessageW(upDown, UDM_SETRANGE, 0, MAKELPARAM(maxPenWidth, minPenWidth));
    SendMessageW(upDown, UDM_SETPOS, 0, 1);
    auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    for (HWND child : {fill, pen, brush})
        SendMessageW(child, WM_SETFONT, font, TRUE);
    addButtonTips(control);
    ShowWindow(control, SW_SHOW);
    return control;
}

void notifyStyleChanged(HWND control, int32_t width) {
    int h = clientHeight(control);
    RECT preview = {2 * h, 0, 4 * h, h};
    InvalidateRect(control, &preview, TRUE);
    uint32_t brush = property(control, brushProperty) & colourBits;
    if (IsDlgButtonChecked(control, styleFillCheckBoxId) == BST_CHECKED)
        brush |= 0xFF000000u;
    setProperty(control, brushProperty, brush);
    if (width == 0)
        width = upDownPosition(control);
    HWND editor = GetParent(GetParent(control));
    SendMessageW(editor, stylePenChangedMessage, WPARAM(width), LPARAM(property(control, penProperty)));
    SendMessageW(editor, styleBrushChangedMessage, WPARAM(width), LPARAM(brush));
}

LRESULT CALLBACK styleControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        paintPreview(control);
        return DefWindowProcW(control, message, wParam, lParam);
    case WM_NOTIFY:
        return onNotify(control, reinterpret_cast<const NMHDR*>(lParam));
    case WM_COMMAND:
        return onCommand(control, wParam);
    case WM_CTLCOLORSTATIC:
        return onControlColour(reinterpret_cast<HDC>(wParam));
    case WM_DESTROY:
        RemovePropW(control, penProperty);
        RemovePropW(control, brushProperty);
        return 0;
    default:
        if (onConfigure(control, message, lParam))
            return 0;
        return DefWindowProcW(control, message, wParam, lParam);
    }
}
