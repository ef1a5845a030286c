// The size label. It is moved and given its text only when these change, so a
// drag does not make it flicker; moving it repaints what it uncovers.
#include "sizeLabel.h"

#include "../plugin/hostBridge.h"
#include "editorView.h"
#include "selectionEdit.h"

namespace {

constexpr size_t labelUnits = 48;
// The label's control id among the editor's children, which tests find it by.
constexpr int sizeLabelId = 100;
// Clear of the corner handle, which reaches 3 pixels beyond the corner.
constexpr int32_t cornerGap = 6;
constexpr SIZE textPadding = {8, 4};

RECT cutToPicture(const EditorState& s, const RECT& r) {
    RECT picture = {0, 0, LONG(imageWidth(s.picture)), LONG(imageHeight(s.picture))};
    RECT cut = {};
    IntersectRect(&cut, &r, &picture);
    return cut;
}

SIZE labelSize(HWND label, const wchar_t* text) {
    HDC dc = GetDC(label);
    if (!dc)
        return {0, 0};
    auto font = reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0));
    HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
    SIZE size = {};
    GetTextExtentPoint32W(dc, text, lstrlenW(text), &size);
    if (previous)
        SelectObject(dc, previous);
    ReleaseDC(label, dc);
    int border = 2 * GetSystemMetrics(SM_CXBORDER);
    return {size.cx + 2 * textPadding.cx + border, size.cy + 2 * textPadding.cy + border};
}

LONG placeAlong(LONG corner, LONG size, LONG low, LONG high) {
    LONG at = corner + cornerGap;
    if (at + size > high)
        at = corner - cornerGap - size;
    if (at + size > high)
        at = high - size;
    return at < low ? low : at;
}

}  // namespace

void formatSizeText(wchar_t* text, size_t units, int32_t width, int32_t height) {
    formatText(text, units, L"%d \u00D7 %d", width, height);
}

POINT sizeLabelPosition(POINT corner, SIZE label, const RECT& view) {
    return {placeAlong(corner.x, label.cx, view.left, view.right),
            placeAlong(corner.y, label.cy, view.top, view.bottom)};
}

int32_t sizeLabelHeight(const EditorState& s) {
    HWND label = s.selectionView.sizeLabel;
    return label ? labelSize(label, L"0").cy : 0;
}

void createSizeLabel(EditorState& s) {
    HWND& label = s.selectionView.sizeLabel;
    label = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_BORDER | SS_CENTER | SS_CENTERIMAGE, 0, 0, 0, 0,
                            s.window, reinterpret_cast<HMENU>(INT_PTR(sizeLabelId)), nullptr, nullptr);
    if (label)
        SendMessageW(label, WM_SETFONT, WPARAM(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
}

void showSizeLabel(EditorState& s, const RECT& picture) {
    HWND label = s.selectionView.sizeLabel;
    if (!label)
        return;
    RECT cut = cutToPicture(s, picture);
    wchar_t text[labelUnits] = {};
    formatSizeText(text, labelUnits, cut.right - cut.left, cut.bottom - cut.top);
    wchar_t shown[labelUnits] = {};
    GetWindowTextW(label, shown, labelUnits);
    if (lstrcmpW(text, shown) != 0)
        SetWindowTextW(label, text);
    SIZE size = labelSize(label, text);
    POINT at = sizeLabelPosition(pictureToWindow(s, {picture.right, picture.bottom}), size, viewArea(s));
    RECT now = {};
    GetWindowRect(label, &now);
    MapWindowPoints(nullptr, s.window, reinterpret_cast<POINT*>(&now), 2);
    bool placed = now.left == at.x && now.top == at.y && now.right - now.left == size.cx &&
                  now.bottom - now.top == size.cy;
    if (placed && IsWindowVisible(label))
        return;
    // The static control repaints only what a resize uncovers, over the old
    // text copied along: the whole of it is painted afresh instead.
    SetWindowPos(label, HWND_TOP, at.x, at.y, size.cx, size.cy, SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOCOPYBITS);
}

void hideSizeLabel(EditorState& s) {
    HWND label = s.selectionView.sizeLabel;
    if (label && IsWindowVisible(label))
        ShowWindow(label, SW_HIDE);
}

void showSelectionSizeLabel(EditorState& s) {
    RECT selection = currentSelection(s);
    RECT cut = cutToPicture(s, selection);
    if (s.selectionMarked && s.tool == toolSelect && !IsRectEmpty(&cut))
        showSizeLabel(s, selection);
    else
        hideSizeLabel(s);
}

bool sizeLabelColours(const EditorState& s, HWND control, HDC dc, LRESULT* brush) {
    if (!control || control != s.selectionView.sizeLabel)
        return false;
    SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
    SetBkColor(dc, GetSysColor(COLOR_INFOBK));
    *brush = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_INFOBK));
    return true;
}
