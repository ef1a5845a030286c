// Quality slider set-up and its tooltip texts, answered by a subclass of the
// toolbar, which is where the slider's tooltip sends its text requests.
#include "qualitySlider.h"

#include <commctrl.h>

#include <cwchar>
#include <iterator>

#include "../delivery/encoding.h"
#include "../plugin/pluginFrame.h"

// The slider's positions are the saving levels, so each tip is its level's.
const wchar_t* qualityTipText(int32_t position) {
    const QualityLevel* row = qualityLevel(position);
    return row ? row->tipText : L"Error";
}

HWND createQualitySlider(HWND toolbar) {
    HWND slider = CreateWindowExW(0, L"msctls_trackbar32", nullptr,
                                  WS_CHILD | TBS_AUTOTICKS | TBS_BOTH | TBS_TOOLTIPS | TBS_TRANSPARENTBKGND, 0, 0,
                                  0, 0, toolbar, nullptr, moduleHandle, nullptr);
    SendMessageW(slider, TBM_SETRANGE, TRUE, MAKELPARAM(0, 4));
    HWND tooltip = reinterpret_cast<HWND>(SendMessageW(slider, TBM_GETTOOLTIPS, 0, 0));
    SetWindowSubclass(toolbar, qualityTipProc, 0, DWORD_PTR(slider));
    TOOLINFOW tool = {};
    tool.cbSize = sizeof(tool);
    tool.hwnd = tooltip;
    tool.hinst = moduleHandle;
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(tooltip, TTM_UPDATETIPTEXTW, 0, LPARAM(&tool));
    return slider;
}

LRESULT CALLBACK qualityTipProc(HWND toolbar, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR slider) {
    // A subclass is to be removed before its window is gone; left in place,
    // its record outlives the toolbar, one per editor opened.
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(toolbar, qualityTipProc, 0);
    if (message == WM_NOTIFY) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
        if (info->hdr.code == TTN_GETDISPINFOW && info->hdr.idFrom == UINT_PTR(slider)) {
            auto position = int32_t(SendMessageW(reinterpret_cast<HWND>(slider), TBM_GETPOS, 0, 0));
            wcsncpy(info->szText, qualityTipText(position), std::size(info->szText) - 1);
            info->szText[std::size(info->szText) - 1] = L'\0';
            return 0;
        }
    }
    return DefSubclassProc(toolbar, message, wParam, lParam);
}
