// Shared set-up of the editor tests.
#include "editorTestSupport.h"

#include <cstdint>
#include <fstream>
#include <iterator>

bool operator==(const SIZE& a, const SIZE& b) {
    return a.cx == b.cx && a.cy == b.cy;
}

std::ostream& operator<<(std::ostream& out, const SIZE& size) {
    return out << size.cx << " x " << size.cy;
}

bool operator==(const POINT& a, const POINT& b) {
    return a.x == b.x && a.y == b.y;
}

std::ostream& operator<<(std::ostream& out, const POINT& point) {
    return out << point.x << ", " << point.y;
}

HWND childOfClass(HWND parent, const wchar_t* className) {
    return FindWindowExW(parent, nullptr, className, nullptr);
}

HWND editorToolbar(HWND editor) {
    return childOfClass(editor, TOOLBARCLASSNAMEW);
}

BYTE itemState(HWND toolbar, int command) {
    TBBUTTONINFOW info = {};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_STATE;
    SendMessageW(toolbar, TB_GETBUTTONINFOW, WPARAM(command), LPARAM(&info));
    return info.fsState;
}

std::wstring windowText(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

// The client area above the toolbar, where the picture shows; a toolbar that
// reaches beyond the client area's bottom edge shows as a negative height.
SIZE pictureArea(HWND editor) {
    RECT client = {};
    GetClientRect(editor, &client);
    RECT toolbar = {};
    GetWindowRect(FindWindowExW(editor, nullptr, TOOLBARCLASSNAMEW, nullptr), &toolbar);
    MapWindowPoints(nullptr, editor, reinterpret_cast<POINT*>(&toolbar), 2);
    if (toolbar.bottom > client.bottom)
        return {client.right, -1};
    return {client.right, toolbar.top};
}

LONG toolRowEnd(HWND editor) {
    HWND strip = FindWindowExW(editor, nullptr, L"snipLeafToolStrip", nullptr);
    RECT r = {};
    GetWindowRect(strip, &r);
    MapWindowPoints(nullptr, editor, reinterpret_cast<POINT*>(&r), 2);
    return r.right;
}

SIZE pictureAreaFor(HWND editor, int width, int height) {
    LONG end = toolRowEnd(editor);
    return {width > end ? width : end, height};
}

// The settings calls the host saw, as "Get key", "Set key=value", "Read", "Write".
std::vector<std::wstring> settingsCalls() {
    std::vector<std::wstring> calls;
    for (const JournalEntry& e : hostJournal()) {
        if (e.kind != JournalKind::call || e.name.rfind(L"WTW/Settings/", 0) != 0)
            continue;
        std::wstring verb = e.name.substr(13);
        if (verb == L"Set")
            verb += L" " + e.text + L"=" + std::to_wstring(readAt<int64_t>(e.record, 24));
        else if (verb == L"Get")
            verb += L" " + e.text;
        calls.push_back(verb);
    }
    return calls;
}

size_t settingsWritesOf(const std::wstring& key) {
    size_t n = 0;
    for (const std::wstring& call : settingsCalls())
        n += call.rfind(L"Set " + key + L"=", 0) == 0 ? 1 : 0;
    return n;
}

// Where each record carries the contact's id: in the contact record of a
// picture transfer (at 8) and of a file hand-off (at 528), or on its own.
static size_t contactIdOffset(const std::wstring& function) {
    if (function == L"upDeck/sendFile")
        return 528 + 16;
    if (function == L"wtwImageShack/sendImage")
        return 8;
    return 8 + 16;
}

// What each picture transfer and file hand-off was given, in order, as
// "<function> <contact id>".
std::vector<std::wstring> deliveriesSeen() {
    std::vector<std::wstring> seen;
    for (const Delivery& d : hostDeliveries()) {
        seen.push_back(d.function + L" " + std::to_wstring(readAt<uint64_t>(d.record, contactIdOffset(d.function))));
    }
    return seen;
}

RECT childRect(HWND child) {
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

RECT toolbarItem(HWND toolbar, int index) {
    RECT rect = {};
    SendMessageW(toolbar, TB_GETITEMRECT, WPARAM(index), LPARAM(&rect));
    return rect;
}

void expectRect(const RECT& actual, LONG left, LONG top, LONG width, LONG height, const char* what) {
    EXPECT_EQ(actual.left, left) << what;
    EXPECT_EQ(actual.top, top) << what;
    EXPECT_EQ(actual.right - actual.left, width) << what;
    EXPECT_EQ(actual.bottom - actual.top, height) << what;
}

void holdAlt(bool down) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_MENU] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

void holdKeys(bool control, bool shift, bool alt) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = control ? 0x80 : 0;
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    keys[VK_MENU] = alt ? 0x80 : 0;
    SetKeyboardState(keys);
}

void enterFullScreen(HWND editor) {
    if (!editor || (GetWindowLongW(editor, GWL_STYLE) & WS_CAPTION) == 0)
        return;
    holdKeys(false, false, true);
    SendMessageW(editor, WM_SYSKEYDOWN, VK_RETURN, LPARAM(0x201C0001));
    SendMessageW(editor, WM_SYSKEYUP, VK_RETURN, LPARAM(0xE01C0001));
    holdKeys(false, false, false);
    hostPumpMessages(30);
}

void press(HWND window, WPARAM key, bool control, bool shift) {
    holdKeys(control, shift);
    SendMessageW(window, WM_KEYDOWN, key, 0);
    SendMessageW(window, WM_KEYUP, key, 0);
    holdKeys(false, false);
}

HWND textField(HWND editor) {
    return childOfClass(editorToolbar(editor), L"Edit");
}

bool typeOnX(const std::string& xdotoolCommands) {
    // With no window manager the X server gives the keys to the window under
    // its pointer.
    RECT focused = {};
    GetWindowRect(GetAncestor(GetFocus(), GA_ROOT), &focused);
    SetCursorPos((focused.left + focused.right) / 2, (focused.top + focused.bottom) / 2);
    GetAsyncKeyState(VK_F12);  // forgets an earlier press
    std::string command = "setxkbmap -query | grep -qx 'layout: *pl' && xdotool " + xdotoolCommands + " key F12";
    std::wstring line = L"Z:\\bin\\sh -c \"" + std::wstring(command.begin(), command.end()) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    // A Unix program gives no handle to wait on: its last key is the sign.
    for (DWORD start = GetTickCount(); GetTickCount() - start < 5000;) {
        hostPumpMessages(0);
        if (GetAsyncKeyState(VK_F12) & 1) {
            hostPumpMessages(20);
            return true;
        }
    }
    return false;
}

// The colours of the top-left part of the editor's client area as the screen
// shows it now, focus rectangles drawn straight on the window included.
std::vector<COLORREF> shownPixels(HWND editor, int width, int height) {
    HDC window = GetDC(editor);
    HDC memory = CreateCompatibleDC(window);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, width, height, window, 0, 0, SRCCOPY);
    GdiFlush();
    std::vector<COLORREF> pixels(static_cast<COLORREF*>(bits), static_cast<COLORREF*>(bits) + width * height);
    SelectObject(memory, previous);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(editor, window);
    for (COLORREF& p : pixels)
        p &= 0x00FFFFFF;  // 0x00RRGGBB as the DIB holds it
    return pixels;
}

// The same part as painted afresh (the frame Wine draws without a window
// manager leaves less than the picture).
std::vector<COLORREF> clientPixels(HWND editor, int width, int height) {
    RedrawWindow(editor, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    return shownPixels(editor, width, height);
}

PixelSet focusRectPixels(const RECT& r, int width, int height) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    RECT all = {0, 0, width, height};
    FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawFocusRect(memory, &r);
    PixelSet set;
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            if ((GetPixel(memory, x, y) & 0xFFFFFF) != 0xFFFFFF)
                set.insert({x, y});
        }
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return set;
}

PixelSet pixelsOf(const std::vector<COLORREF>& pixels, int width, COLORREF rgb) {
    PixelSet set;
    for (size_t i = 0; i < pixels.size(); i++) {
        if (pixels[i] == rgb)
            set.insert({int(i % size_t(width)), int(i / size_t(width))});
    }
    return set;
}

LPARAM at(int x, int y) {
    return MAKELPARAM(x, y);
}

PixelSet rows(std::initializer_list<std::pair<int, std::initializer_list<int>>> table, int dx, int dy) {
    PixelSet set;
    for (const auto& [row, columns] : table)
        for (int column : columns)
            set.insert({column + dx, row + dy});
    return set;
}


namespace {

std::vector<POINT> handleCentres(const RECT& r) {
    LONG midX = (r.left + r.right) / 2, midY = (r.top + r.bottom) / 2;
    return {{r.left, r.top}, {r.right, r.top},  {r.right, r.bottom}, {r.left, r.bottom},
            {midX, r.top},   {r.right, midY},   {midX, r.bottom},    {r.left, midY}};
}

}  // namespace

PixelSet handleSquares(const RECT& selection) {
    PixelSet set;
    for (POINT c : handleCentres(selection)) {
        for (int y = c.y - 3; y <= c.y + 3; y++)
            for (int x = c.x - 3; x <= c.x + 3; x++)
                set.insert({x, y});
    }
    return set;
}

PixelSet handleBorders(const RECT& selection) {
    PixelSet set;
    for (POINT c : handleCentres(selection)) {
        for (int y = c.y - 3; y <= c.y + 3; y++)
            for (int x = c.x - 3; x <= c.x + 3; x++)
                if (x == c.x - 3 || x == c.x + 3 || y == c.y - 3 || y == c.y + 3)
                    set.insert({x, y});
    }
    return set;
}

PixelSet markOnWhite(const RECT& selection, int width, int height) {
    PixelSet squares = handleSquares(selection);
    PixelSet set = handleBorders(selection);
    for (const auto& p : focusRectPixels(selection, width, height))
        if (!squares.count(p))
            set.insert(p);
    PixelSet within;
    for (const auto& p : set)
        if (p.first >= 0 && p.second >= 0 && p.first < width && p.second < height)
            within.insert(p);
    return within;
}

PixelSet rectPixels(const RECT& r) {
    PixelSet set;
    for (LONG y = r.top; y < r.bottom; y++)
        for (LONG x = r.left; x < r.right; x++)
            set.insert({int(x), int(y)});
    return set;
}

PixelSet minus(const PixelSet& a, const PixelSet& b) {
    PixelSet out;
    for (const auto& p : a)
        if (!b.count(p))
            out.insert(p);
    return out;
}

PixelSet sizeLabelPixels(HWND editor) {
    HWND label = GetDlgItem(editor, 100);
    if (!label || !IsWindowVisible(label))
        return {};
    return rectPixels(childRect(label));
}

namespace {

MenuAnswer* menuAnswer = nullptr;
UINT_PTR menuTimer = 0;
HWND menuAnswered = nullptr;

// The first menu is read; every one is answered, so none waits for ever.
void answerMenu(MenuAnswer& answer, HWND window) {
    auto menu = reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0));
    bool first = answer.rows.empty();
    RECT rect = {};
    GetWindowRect(window, &rect);
    int downs = 0, target = -1;
    for (int i = 0; first && i < GetMenuItemCount(menu); i++) {
        wchar_t text[128] = {};
        GetMenuStringW(menu, UINT(i), text, 128, MF_BYPOSITION);
        UINT state = GetMenuState(menu, UINT(i), MF_BYPOSITION);
        bool separator = (state & MF_SEPARATOR) != 0;
        answer.rows += text + std::wstring(!separator && (state & MF_GRAYED) ? L" greyed" : L"") +
                       (state & MF_CHECKED ? L" checked" : L"") + L"|";
        answer.corner = {rect.left, rect.top};
        downs += separator ? 0 : 1;
        if (target < 0 && !answer.choose.empty() && answer.choose == text)
            target = downs;
    }
    for (int i = 0; i < target; i++)
        PostMessageW(window, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(window, WM_KEYDOWN, target < 0 ? VK_ESCAPE : VK_RETURN, 0);
}

// Timers keep coming while a menu's own loop runs.
VOID CALLBACK menuTick(HWND, UINT, UINT_PTR, DWORD) {
    HWND window = FindWindowW(L"#32768", nullptr);
    if (!menuAnswer || !window || !IsWindowVisible(window) || window == menuAnswered)
        return;
    menuAnswered = window;
    answerMenu(*menuAnswer, window);
}

}  // namespace

MenuAnswer::MenuAnswer(const std::wstring& chosen) : choose(chosen) {
    menuAnswer = this;
    menuAnswered = nullptr;
    menuTimer = SetTimer(nullptr, 0, 10, menuTick);
}

MenuAnswer::~MenuAnswer() {
    KillTimer(nullptr, menuTimer);
    menuAnswer = nullptr;
}

HWND toolStrip(HWND editor) {
    return FindWindowExW(editor, nullptr, L"snipLeafToolStrip", nullptr);
}

void clickToolbarButton(HWND bar, int command) {
    RECT r = {};
    SendMessageW(bar, TB_GETRECT, WPARAM(command), LPARAM(&r));
    LPARAM middle = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, middle);
    SendMessageW(bar, WM_LBUTTONUP, 0, middle);
}

std::vector<uint8_t> clipboardBytes(UINT format) {
    std::vector<uint8_t> bytes;
    if (!OpenClipboard(nullptr))
        return bytes;
    if (HGLOBAL block = GetClipboardData(format)) {
        auto* data = static_cast<uint8_t*>(GlobalLock(block));
        if (data)
            bytes.assign(data, data + GlobalSize(block));
        GlobalUnlock(block);
    }
    CloseClipboard();
    return bytes;
}

std::vector<uint8_t> fileBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
