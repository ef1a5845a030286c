// Quality slider set-up and its tooltip texts. The tip names the saving level
// both while the thumb is dragged and while the mouse rests on the slider.
// Windows' trackbar asks its parent (the toolbar) for the dragged tip's text;
// Wine's writes the bare position into its tip itself, so the tip is also
// subclassed to name the level whatever text it is given. Hovering has a tip
// of its own, asked through the toolbar the same way.
#include "qualitySlider.h"

#include <commctrl.h>

#include <cstring>
#include <cwchar>
#include <iterator>

#include "../delivery/encoding.h"
#include "../plugin/pluginFrame.h"

// The slider's positions are the saving levels, so each tip is its level's.
const wchar_t* qualityTipText(int32_t position) {
    const QualityLevel* row = qualityLevel(position);
    return row ? row->tipText : L"Error";
}

static const wchar_t* sliderTipText(HWND slider) {
    return qualityTipText(int32_t(SendMessageW(slider, TBM_GETPOS, 0, 0)));
}

// A hover tip whose wait began before the press would show over the dragged
// one when the wait ends: while the thumb is dragged it has no text, and a
// tip without text does not show. The dragged tip itself (Windows' asks here)
// names the level.
static const wchar_t* tipTextFor(HWND slider, HWND asking) {
    bool dragged = GetCapture() == slider;
    bool draggedTip = asking == reinterpret_cast<HWND>(SendMessageW(slider, TBM_GETTOOLTIPS, 0, 0));
    return dragged && !draggedTip ? L"" : sliderTipText(slider);
}

// Wine's trackbar sets its tip to the position's digits at every paint of a
// drag, never asking for the text. Whatever literal text the tip is given
// becomes the level's name; a callback stays a callback.
static LRESULT CALLBACK dragTipProc(HWND tip, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                    DWORD_PTR slider) {
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(tip, dragTipProc, 0);
    if (message != TTM_UPDATETIPTEXTW || !lParam)
        return DefSubclassProc(tip, message, wParam, lParam);
    const auto* given = reinterpret_cast<const TOOLINFOW*>(lParam);
    if (given->lpszText == LPSTR_TEXTCALLBACKW)
        return DefSubclassProc(tip, message, wParam, lParam);
    // The record may be of an older, shorter layout: only its own bytes are read.
    TOOLINFOW named = {};
    memcpy(&named, given, given->cbSize < sizeof(named) ? given->cbSize : sizeof(named));
    named.lpszText = const_cast<wchar_t*>(sliderTipText(reinterpret_cast<HWND>(slider)));
    return DefSubclassProc(tip, message, wParam, LPARAM(&named));
}

// The hover tip would show beside the dragged one, so it rests from the press
// on the slider until the drag ends. The slider took the focus at the press;
// when the drag or click ends the keys go back to the editor window, or Enter
// and the tool letters would move the thumb.
static LRESULT CALLBACK sliderMouseProc(HWND slider, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR hoverTip) {
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(slider, sliderMouseProc, 0);
    if (message == WM_LBUTTONDOWN)
        SendMessageW(reinterpret_cast<HWND>(hoverTip), TTM_ACTIVATE, FALSE, 0);
    if (message != WM_LBUTTONUP && message != WM_CAPTURECHANGED)
        return DefSubclassProc(slider, message, wParam, lParam);
    SendMessageW(reinterpret_cast<HWND>(hoverTip), TTM_ACTIVATE, TRUE, 0);
    LRESULT result = DefSubclassProc(slider, message, wParam, lParam);
    SetFocus(GetAncestor(slider, GA_ROOT));
    return result;
}

// Owned by the editor window, so it goes with it; its text is asked of the
// toolbar like the dragged tip's on Windows.
static HWND createHoverTip(HWND toolbar, HWND slider) {
    HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, toolbar, nullptr,
                               moduleHandle, nullptr);
    if (!tip)
        return nullptr;
    TOOLINFOW tool = {};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = toolbar;
    tool.uId = UINT_PTR(slider);
    tool.hinst = moduleHandle;
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(tip, TTM_ADDTOOLW, 0, LPARAM(&tool));
    return tip;
}

HWND createQualitySlider(HWND toolbar) {
    HWND slider = CreateWindowExW(0, L"msctls_trackbar32", nullptr,
                                  WS_CHILD | TBS_AUTOTICKS | TBS_BOTH | TBS_TOOLTIPS | TBS_TRANSPARENTBKGND, 0, 0,
                                  0, 0, toolbar, nullptr, moduleHandle, nullptr);
    if (!slider)
        return nullptr;
    SendMessageW(slider, TBM_SETRANGE, TRUE, MAKELPARAM(0, 4));
    SetWindowSubclass(toolbar, qualityTipProc, 0, DWORD_PTR(slider));
    if (HWND dragTip = reinterpret_cast<HWND>(SendMessageW(slider, TBM_GETTOOLTIPS, 0, 0)))
        SetWindowSubclass(dragTip, dragTipProc, 0, DWORD_PTR(slider));
    return slider;
}

void addSliderHoverTip(HWND toolbar, HWND slider) {
    if (!slider)
        return;
    if (HWND hoverTip = createHoverTip(toolbar, slider))
        SetWindowSubclass(slider, sliderMouseProc, 0, DWORD_PTR(hoverTip));
}

LRESULT CALLBACK qualityTipProc(HWND toolbar, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR slider) {
    // A subclass is to be removed before its window is gone; left in place,
    // its record outlives the toolbar, one per editor opened.
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(toolbar, qualityTipProc, 0);
    if (message == WM_NOTIFY) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
        if (info->hdr.code == TTN_GETDISPINFOW && info->hdr.idFrom == UINT_PTR(slider)) {
            wcsncpy(info->szText, tipTextFor(reinterpret_cast<HWND>(slider), info->hdr.hwndFrom),
                    std::size(info->szText) - 1);
            info->szText[std::size(info->szText) - 1] = L'\0';
            return 0;
        }
    }
    return DefSubclassProc(toolbar, message, wParam, lParam);
}
