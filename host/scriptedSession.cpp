// The scripted user. It goes each source's road the way a person would: picks
// contacts in the list, opens the real contact menu and walks it with the
// keyboard, answers the open-file dialog and the message boxes, draws in the
// editor with mouse messages and sends with the editor's own commands. What it
// saw goes into the output folder, with a summary.
#include "scriptedSession.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "../image/gdiplusFlat.h"
#include "messenger.h"
#include "standInPlugins.h"

namespace {

struct Session {
    std::wstring folder;
    std::vector<std::wstring> summary;
    int shots = 0;
    int boxes = 0;
    std::wstring fileToChoose;
    bool fileChosen = false;
    HHOOK dialogHook = nullptr;
    HWND answeredBox = nullptr;
};

Session session;

void note(const std::wstring& line) {
    session.summary.push_back(line);
    std::printf("%s\n", hostUtf8(line).c_str());
    std::fflush(stdout);
}

std::wstring windowText(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, int(std::size(text)));
    return text;
}

void screenshot(const RECT& area, const wchar_t* what) {
    wchar_t name[64] = {};
    swprintf(name, std::size(name), L"%02d-%ls.png", ++session.shots, what);
    bool saved = hostSaveScreenPng(area, session.folder + name);
    note(std::wstring(L"  screenshot ") + name + (saved ? L"" : L" could not be written"));
}

void windowShot(HWND window, const wchar_t* what) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    screenshot(rect, what);
}

// --- dialogs, answered as they come up on this thread ----------------------

VOID CALLBACK answerMessageBox(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    HWND box = session.answeredBox;
    wchar_t text[512] = {};
    GetDlgItemTextW(box, 0xFFFF, text, int(std::size(text)));
    note(L"  message box \"" + windowText(box) + L"\": " + text);
    if (++session.boxes == 1)
        windowShot(box, L"message-box");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

void answerDialog(HWND dialog) {
    wchar_t className[32] = {};
    GetClassNameW(dialog, className, int(std::size(className)));
    if (std::wstring(className) != L"#32770" || dialog == session.answeredBox)
        return;
    session.answeredBox = dialog;
    std::wstring title = windowText(dialog);
    // Chosen once; a dialog that comes back (it refused the name) is cancelled.
    if (title == L"Obrazek do wysłania" && (session.fileToChoose.empty() || session.fileChosen)) {
        note(L"  open-file dialog \"" + title + L"\": cancelled");
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    if (title == L"Obrazek do wysłania") {
        note(L"  open-file dialog \"" + title + L"\": choosing " + session.fileToChoose);
        session.fileChosen = true;
        SetDlgItemTextW(dialog, 0x47C, session.fileToChoose.c_str());  // cmb13, the name box
        SetDlgItemTextW(dialog, 0x480, session.fileToChoose.c_str());  // edt1, the old-style one
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        return;
    }
    // Painted first, so the screenshot shows it.
    SetTimer(nullptr, 0, 400, answerMessageBox);
}

LRESULT CALLBACK dialogWatcher(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE)
        answerDialog(reinterpret_cast<HWND>(wParam));
    return CallNextHookEx(session.dialogHook, code, wParam, lParam);
}

// --- the contact menu, walked with the keyboard -------------------------------

void pressKey(HWND owner, UINT key) {
    PostMessageW(owner, WM_KEYDOWN, key, 0);
}

size_t shownIndexOf(const std::wstring& itemId) {
    const std::vector<std::wstring>& shown = messengerShownItems();
    return size_t(std::find(shown.begin(), shown.end(), itemId) - shown.begin());
}

void chooseInOpenMenu(HWND owner, const std::wstring& itemId, bool takeShot) {
    if (takeShot)
        screenshot({0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, L"contact-menu");
    size_t index = shownIndexOf(itemId);
    if (index >= messengerShownItems().size()) {
        note(L"  the menu does not show " + itemId);
        pressKey(owner, VK_ESCAPE);
        pressKey(owner, VK_ESCAPE);
        return;
    }
    for (size_t i = 0; i < index; i++)
        pressKey(owner, VK_DOWN);
    pressKey(owner, VK_RETURN);
}

std::wstring contactNames(const std::vector<size_t>& selection) {
    std::wstring names;
    for (size_t index : selection)
        names += (names.empty() ? L"" : L", ") + std::wstring(messengerContacts()[index].name);
    return names;
}

// Right-clicks the selection and picks the item from the menu's "Wyślij" submenu.
void clickInContactMenu(const std::vector<size_t>& selection, const std::wstring& itemId, bool takeShot) {
    note(L"contact menu for " + contactNames(selection) + L", choosing " + itemId);
    messengerSelect(selection);
    hostPumpMessages(200);
    messengerWhenMenuOpen([](HWND owner) {
        pressKey(owner, VK_DOWN);   // "Wyślij"
        pressKey(owner, VK_RIGHT);  // its submenu, first item selected
    });
    messengerWhenMenuOpen([itemId, takeShot](HWND owner) { chooseInOpenMenu(owner, itemId, takeShot); });
    messengerOpenContactMenu();
}

// --- the editor -------------------------------------------------------------------

HWND findEditor() {
    return FindWindowW(L"ScreenshotWnd", L"Image");
}

HWND waitForEditor() {
    for (int i = 0; i < 30; i++) {
        hostPumpMessages(100);
        if (HWND editor = findEditor())
            return editor;
    }
    note(L"  no editor window opened");
    return nullptr;
}

void command(HWND editor, WPARAM id) {
    SendMessageW(editor, WM_COMMAND, id, 0);
}

// Tool 0 keeps the tool chosen.
void drag(HWND editor, WPARAM tool, POINT from, POINT to) {
    if (tool)
        command(editor, tool);
    SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
    for (int step = 1; step <= 4; step++) {
        LPARAM at = MAKELPARAM(from.x + (to.x - from.x) * step / 4, from.y + (to.y - from.y) * step / 4);
        SendMessageW(editor, WM_MOUSEMOVE, MK_LBUTTON, at);
    }
    SendMessageW(editor, WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
}

// A click on a button of the tool strip, the toolbar beside the toolbar.
void clickStripButton(HWND editor, int command) {
    HWND strip = FindWindowExW(editor, nullptr, L"snipLeafToolStrip", nullptr);
    RECT r = {};
    SendMessageW(strip, TB_GETRECT, WPARAM(command), LPARAM(&r));
    LPARAM middle = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageW(strip, WM_LBUTTONDOWN, MK_LBUTTON, middle);
    SendMessageW(strip, WM_LBUTTONUP, 0, middle);
    // The mouse goes on to the picture: the button is no longer hot.
    SendMessageW(strip, WM_MOUSELEAVE, 0, 0);
}

// Runs while the editor's context menu is up: the editor and the menu are
// pictured, then the menu is closed with Escape.
VOID CALLBACK pictureContextMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    HWND menu = FindWindowW(L"#32768", nullptr);
    RECT area = {}, menuRect = {};
    GetWindowRect(findEditor(), &area);
    if (menu && GetWindowRect(menu, &menuRect))
        UnionRect(&area, &area, &menuRect);
    screenshot(area, L"context-menu");
    if (menu)
        PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
}

// The pointer chooses the drawing under a click; the editor, its handles
// shown, is pictured under a name of its own, outside the numbered shots.
void pictureChosen(HWND editor, POINT at, const wchar_t* name) {
    SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    SendMessageW(editor, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    hostPumpMessages(200);
    RECT rect = {};
    GetWindowRect(editor, &rect);
    bool saved = hostSaveScreenPng(rect, session.folder + name);
    note(std::wstring(L"  the pointer chose a drawing: ") + name + (saved ? L"" : L" could not be written"));
}

void rightClick(HWND editor, POINT at) {
    note(L"  a right click on the picture: the context menu, closed again");
    hostPumpMessages(300);
    SetTimer(nullptr, 0, 400, pictureContextMenu);
    SendMessageW(editor, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
    SendMessageW(editor, WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
}

void writeText(HWND editor, const char* text, POINT at) {
    command(editor, 7);
    HWND toolbar = FindWindowExW(editor, nullptr, L"ToolbarWindow32", nullptr);
    SetWindowTextA(FindWindowExW(toolbar, nullptr, L"Edit", nullptr), text);
    SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    SendMessageW(editor, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
}

void pencilWave(HWND editor, POINT from, int length) {
    command(editor, 3);
    SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
    for (int x = 0; x <= length; x += 8) {
        int y = from.y + ((x / 8) % 2 ? 14 : -14);
        SendMessageW(editor, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(from.x + x, y));
    }
    SendMessageW(editor, WM_LBUTTONUP, 0, MAKELPARAM(from.x + length, from.y));
}

std::wstring resultName(int64_t result) {
    static const struct {
        int32_t value;
        const wchar_t* name;
    } names[] = {
        {hostOk, L"0, delivered"},
        {hostOutOfMemory, L"E_OUTOFMEMORY, too large"},
        {hostUnexpected, L"E_UNEXPECTED"},
    };
    for (const auto& known : names) {
        if (int32_t(result) == known.value)
            return known.name;
    }
    wchar_t text[16] = {};
    swprintf(text, std::size(text), L"0x%08X", unsigned(result));
    return text;
}

void sendFromEditor(HWND editor, WPARAM id, const wchar_t* what) {
    size_t before = hostDeliveries().size();
    note(std::wstring(L"  command ") + std::to_wstring(id) + L": " + what);
    command(editor, id);
    hostPumpMessages(300);
    for (size_t i = before; i < hostDeliveries().size(); i++) {
        const Delivery& delivery = hostDeliveries()[i];
        note(L"    " + delivery.function + L" got " + delivery.fileName + L", " +
             std::to_wstring(delivery.fileBytes.size()) + L" bytes, answered " + resultName(delivery.result));
    }
    note(std::wstring(L"  the editor is ") + (IsWindow(editor) ? L"still open" : L"closed"));
}

// --- pictures the user has ---------------------------------------------------------

// A landscape with a little noise, so PNG is large and JPEG small, as with photos.
HBITMAP makePhoto(int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap)
        return nullptr;
    auto* pixels = static_cast<uint32_t*>(bits);
    uint32_t seed = 2026;
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            seed = seed * 1664525u + 1013904223u;
            int noise = int(seed >> 28) - 8;
            double horizon = height * 0.62 + 30 * std::sin(x * 0.011) + 12 * std::sin(x * 0.043);
            int dx = x - width * 3 / 4, dy = y - height / 4;
            int r = 110 + 90 * y / height, g = 160 + 60 * y / height, b = 235;
            if (dx * dx + dy * dy < height * height / 150)
                r = 255, g = 230, b = 120;
            if (y > horizon)
                r = 60 + int(y - horizon) / 3, g = 140 - int(y - horizon) / 4, b = 60;
            auto clamp = [](int v) { return uint32_t(std::min(255, std::max(0, v))); };
            pixels[size_t(y) * size_t(width) + size_t(x)] =
                clamp(r + noise) << 16 | clamp(g + noise) << 8 | clamp(b + noise);
        }
    }
    return bitmap;
}

bool savePhotoAsJpeg(const std::wstring& path, int width, int height) {
    HBITMAP photo = makePhoto(width, height);
    GpBitmap* bitmap = nullptr;
    bool saved = false;
    if (photo && Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP(photo, nullptr, &bitmap) == Gdiplus::Ok) {
        CLSID jpeg = {};
        CLSIDFromString(L"{557CF401-1A04-11D3-9A73-0000F81EF32E}", &jpeg);
        saved = Gdiplus::DllExports::GdipSaveImageToFile(bitmap, path.c_str(), &jpeg, nullptr) == Gdiplus::Ok;
        Gdiplus::DllExports::GdipDisposeImage(bitmap);
    }
    if (photo)
        DeleteObject(photo);
    return saved;
}

// A road ends well when the editor has closed and the contact's pane shows
// one picture more than before.
bool receivedOneMore(size_t contact, size_t before) {
    bool shown = messengerReceivedCount(contact) == before + 1;
    if (!shown)
        note(L"  " + std::wstring(messengerContacts()[contact].name) + L"'s pane shows no new picture");
    return shown;
}

// Shows what the editor looks like, sends with the command and checks the
// contact's pane.
bool finishRoad(HWND editor, const wchar_t* shotName, WPARAM id, const wchar_t* what, size_t contact,
                size_t received) {
    hostPumpMessages(300);
    windowShot(editor, shotName);
    sendFromEditor(editor, id, what);
    return !IsWindow(editor) && receivedOneMore(contact, received);
}

// --- the roads --------------------------------------------------------------------

bool clipboardRoad() {
    note(L"\n1. A photo from the clipboard to Ania, drawn on, the selection sent");
    size_t received = messengerReceivedCount(0);
    if (!hostPutBitmapOnClipboard(makePhoto(800, 500))) {
        note(L"  could not put the photo on the clipboard");
        return false;
    }
    clickInContactMenu({0}, L"snipLeaf/Clipboard", true);
    HWND editor = waitForEditor();
    if (!editor)
        return false;
    hostPumpMessages(300);
    windowShot(editor, L"editor-collapsed");
    command(editor, 10);
    drag(editor, 5, {70, 70}, {330, 230});
    drag(editor, 6, {380, 60}, {620, 250});
    writeText(editor, "Zrzut dla Ani!", {90, 120});
    clickStripButton(editor, 20);  // the arrow
    drag(editor, 0, {785, 330}, {705, 205});
    clickStripButton(editor, 25);  // the pointer
    pictureChosen(editor, {745, 267}, L"pointer-arrow.png");
    pictureChosen(editor, {70, 150}, L"pointer-rectangle.png");
    SendMessageW(editor, WM_KEYDOWN, VK_ESCAPE, 0);
    drag(editor, 2, {40, 40}, {680, 320});
    rightClick(editor, {470, 140});
    size_t sent = hostDeliveries().size();
    bool delivered = finishRoad(editor, L"editor-expanded", 11,
                                L"send the selection (PNG, then JPEG when it is too large)", 0, received);
    bool fellBack = hostDeliveries().size() == sent + 2 && hostDeliveries()[sent].result == hostOutOfMemory;
    if (!fellBack)
        note(L"  the network did not refuse the PNG first");
    return delivered && fellBack;
}

bool screenRoad() {
    note(L"\n2. A screenshot to Celina and Bartek, drawn on, the whole picture sent");
    size_t received = messengerReceivedCount(2);
    clickInContactMenu({1, 2}, L"snipLeaf/Screen", false);
    HWND editor = waitForEditor();
    if (!editor)
        return false;
    hostPumpMessages(300);
    command(editor, 10);
    drag(editor, 6, {250, 60}, {700, 420});
    writeText(editor, "Patrz tutaj", {300, 440});
    return finishRoad(editor, L"editor-screenshot", 12, L"send the whole picture", 2, received);
}

bool fileRoad() {
    note(L"\n3. A picture file to Bartek through the file-transfer plug-in");
    size_t received = messengerReceivedCount(2);
    session.fileToChoose = session.folder + L"wakacje.jpg";
    session.fileChosen = false;
    if (!savePhotoAsJpeg(session.fileToChoose, 640, 420)) {
        note(L"  could not write " + session.fileToChoose);
        return false;
    }
    messengerSetPluginStandIns(true, true);
    session.answeredBox = nullptr;
    clickInContactMenu({2}, L"snipLeaf/File", false);
    HWND editor = waitForEditor();
    if (!editor)
        return false;
    command(editor, 10);
    pencilWave(editor, {60, 300}, 400);
    drag(editor, 4, {60, 340}, {460, 340});
    drag(editor, 2, {20, 20}, {620, 400});
    return finishRoad(editor, L"editor-file", 13, L"hand the selection to upDeck/sendFile", 2, received);
}

bool imageHostingRoad() {
    note(L"\n4. The clipboard again, to Ania through the image-hosting plug-in");
    size_t received = messengerReceivedCount(0);
    if (!hostPutBitmapOnClipboard(makePhoto(500, 320)))
        return false;
    clickInContactMenu({0}, L"snipLeaf/Clipboard", false);
    HWND editor = waitForEditor();
    if (!editor)
        return false;
    drag(editor, 5, {60, 60}, {440, 260});
    writeText(editor, "Na serwer", {90, 80});
    drag(editor, 2, {20, 20}, {480, 300});
    return finishRoad(editor, L"editor-hosting", 14, L"hand the selection to wtwImageShack/sendImage", 0, received);
}

bool cancelledFileRoad() {
    note(L"\n5. The open-file dialog cancelled: nothing opens, the plug-in logs it");
    session.fileToChoose.clear();
    session.answeredBox = nullptr;
    size_t logged = messengerLogLines().size();
    clickInContactMenu({0}, L"snipLeaf/File", false);
    hostPumpMessages(300);
    for (size_t i = logged; i < messengerLogLines().size(); i++)
        note(L"  log window: " + messengerLogLines()[i]);
    return findEditor() == nullptr;
}

void summariseReceived() {
    note(L"\nwhat the contacts' chat panes show:");
    for (size_t i = 0; i < messengerContacts().size(); i++)
        note(L"  " + std::wstring(messengerContacts()[i].name) + L": " + std::to_wstring(messengerReceivedCount(i)) +
             L" picture(s)");
    note(L"\nthe messenger's log window:");
    for (const std::wstring& line : messengerLogLines())
        note(L"  " + line);
}

void writeSummary() {
    std::ofstream out((session.folder + L"summary.txt").c_str(), std::ios::binary | std::ios::trunc);
    for (const std::wstring& line : session.summary)
        out << hostUtf8(line) << "\r\n";
}

}  // namespace

bool runScriptedSession(const PluginModule& plugin, const std::wstring& folder) {
    session = Session();
    session.folder = folder;
    CreateDirectoryW(folder.c_str(), nullptr);
    const PluginInfo* info = plugin.queryPlugInfo(0);
    note(std::wstring(L"snipLeaf scripted session: ") + info->name + L", " + info->description);
    HWND window = messengerOpen(folder + L"received\\");
    if (!window) {
        note(L"the messenger window could not be opened");
        writeSummary();
        return false;
    }
    session.dialogHook = SetWindowsHookExW(WH_CBT, dialogWatcher, nullptr, GetCurrentThreadId());
    hostPumpMessages(500);
    windowShot(window, L"messenger");
    static bool (*const roads[])() = {clipboardRoad, screenRoad, fileRoad, imageHostingRoad, cancelledFileRoad};
    int done = 0;
    for (bool (*road)() : roads)
        done += road() ? 1 : 0;
    messengerSelect({0});
    hostPumpMessages(400);
    windowShot(window, L"messenger-ania");
    messengerSelect({2});
    hostPumpMessages(400);
    windowShot(window, L"messenger-bartek");
    summariseReceived();
    note(L"\n" + std::to_wstring(done) + L" of " + std::to_wstring(std::size(roads)) +
         L" roads ended as they should; output in " + folder);
    UnhookWindowsHookEx(session.dialogHook);
    writeSummary();
    messengerClose();
    return done == int(std::size(roads));
}
