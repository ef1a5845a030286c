// The quality slider in the editor's toolbar: five positions, one per level,
// named by its tooltip while the thumb is dragged and while the mouse rests on it.
#pragma once

#include <windows.h>

#include <cstdint>

// Created hidden with range 0..4; the toolbar layout places and shows it.
HWND createQualitySlider(HWND toolbar);
// The tip that names the level while the mouse rests on the slider, owned by
// the editor through the toolbar.
void addSliderHoverTip(HWND toolbar, HWND slider);
const wchar_t* qualityTipText(int32_t position);
LRESULT CALLBACK qualityTipProc(HWND toolbar, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR subclassId,
                                DWORD_PTR slider);
