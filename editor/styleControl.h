// The style control in the editor's toolbar: pen and brush colours, pen width, fill.
#pragma once

#include <windows.h>

constexpr const wchar_t* styleControlClassName = L"StyleControl";

extern const UINT setPenColorMessage;
extern const UINT setBrushColorMessage;
extern const UINT setPenWidthMessage;
extern const UINT setTransparentMessage;

bool registerStyleControlClass(HMODULE module);
LRESULT CALLBACK styleControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
