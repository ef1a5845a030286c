// The style control in the editor's toolbar: pen and brush colours, pen width, fill.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr const wchar_t* styleControlClassName = L"StyleControl";
constexpr int styleFillCheckBoxId = 3;
constexpr int32_t minPenWidth = 1;
constexpr int32_t maxPenWidth = 15;
// The colour of a COLORREF or an ARGB value without its top byte.
constexpr uint32_t colourBits = 0x00FFFFFFu;

extern const UINT setPenColorMessage;
extern const UINT setBrushColorMessage;
extern const UINT setPenWidthMessage;
extern const UINT setTransparentMessage;

bool registerStyleControlClass(HMODULE module);
// A control of height h at (0, 0) of its parent, 4h + 66 wide.
HWND createStyleControl(int h, HWND parent);
// Reports pen and brush to the editor; width 0 reads the up-down control.
void notifyStyleChanged(HWND control, int32_t width);
LRESULT CALLBACK styleControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
// A pen width brought into 1..15, as the up-down control keeps it.
int32_t clampPenWidth(int32_t width);
