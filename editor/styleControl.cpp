// The style control window class and its registered configuration messages.
#include "styleControl.h"

// Registered when the library loads, so every style control and the editor
// agree on the numbers.
const UINT setPenColorMessage = RegisterWindowMessageW(L"StyleCtrl::SetPenColor");
const UINT setBrushColorMessage = RegisterWindowMessageW(L"StyleCtrl::SetBrushColor");
const UINT setPenWidthMessage = RegisterWindowMessageW(L"StyleCtrl::SetPenWidth");
const UINT setTransparentMessage = RegisterWindowMessageW(L"StyleCtrl::SetTransparent");

static WNDCLASSEXW styleClass;

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

LRESULT CALLBACK styleControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(control, message, wParam, lParam);
}
