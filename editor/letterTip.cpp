// The balloon is a tooltip of the editor's own, tracked at the field's
// bottom edge, so it shows wherever the platform's edit control lacks a
// balloon of its own. A timer takes it down again; should the editor close
// first, it goes with the editor's window, which owns it.
#include "letterTip.h"

#include <commctrl.h>

#include "../image/gdiGuards.h"
#include "../plugin/pluginFrame.h"
#include "editorWindow.h"

namespace {

const wchar_t letterTipText[] = L"Polskie litery wpisz narzędziem Napis (N).";
constexpr UINT_PTR letterTipTimer = 0x4C54;
constexpr UINT letterTipShownFor = 8000;  // milliseconds

bool holdsLetterOutsideFont(HWND field) {
    int length = GetWindowTextLengthW(field);
    if (length <= 0)
        return false;
    MallocGuard<wchar_t> text(sizeof(wchar_t) * (size_t(length) + 1));
    if (!text)
        return false;
    int read = GetWindowTextW(field, text, length + 1);
    for (int i = 0; i < read; i++) {
        if (outsideBuiltInFont(text[i]))
            return true;
    }
    return false;
}

VOID CALLBACK hideLetterTip(HWND window, UINT, UINT_PTR timer, DWORD) {
    KillTimer(window, timer);
    auto* s = static_cast<EditorState*>(GetPropW(window, editorProperty));
    if (!s || !s->letterTip)
        return;
    DestroyWindow(s->letterTip);
    s->letterTip = nullptr;
}

HWND createLetterTip(const EditorState& s) {
    HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_BALLOON,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, s.window, nullptr,
                               moduleHandle, nullptr);
    if (!tip)
        return nullptr;
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = s.window;
    tool.uId = reinterpret_cast<UINT_PTR>(s.textEdit);
    tool.lpszText = const_cast<wchar_t*>(letterTipText);
    SendMessageW(tip, TTM_ADDTOOLW, 0, LPARAM(&tool));
    SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, 400);
    RECT field = {};
    GetWindowRect(s.textEdit, &field);
    SendMessageW(tip, TTM_TRACKPOSITION, 0, MAKELPARAM((field.left + field.right) / 2, field.bottom));
    SendMessageW(tip, TTM_TRACKACTIVATE, TRUE, LPARAM(&tool));
    return tip;
}

}  // namespace

bool outsideBuiltInFont(wchar_t unit) {
    return unit < 32 || unit > 126;
}

void letterTipCommand(EditorState& s, WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) != EN_CHANGE || reinterpret_cast<HWND>(lParam) != s.textEdit || s.letterTipShown)
        return;
    if (!holdsLetterOutsideFont(s.textEdit))
        return;
    s.letterTipShown = 1;
    s.letterTip = createLetterTip(s);
    if (s.letterTip)
        SetTimer(s.window, letterTipTimer, letterTipShownFor, hideLetterTip);
}
