// The stand-in messenger's window. Everything the plug-in reaches goes through
// the stand-in host's registry of named functions, so what a person does here is
// what the tests do, only with a real list, a real popup menu and real panes.
#include "messenger.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <map>
#include <set>

#include "../image/gdiplusFlat.h"
#include "standInPlugins.h"

namespace {

struct Network {
    const wchar_t* netClass;
    int32_t netId;
    const wchar_t* label;
    int32_t status;
};

// One network takes pictures up to a size; the other, at status 7 to begin
// with, refuses every picture with E_UNEXPECTED.
Network networks[] = {
    {L"GG", 1, L"GG", 2},
    {L"JABBER", 2, L"Jabber", 7},
};

const std::vector<MessengerContact> contacts = {
    {L"Ania Wiśniewska", L"Ania", {L"GG", 1, 1001, 0}},
    {L"Celina Łęcka", L"Celina", {L"JABBER", 2, 2001, 0}},
    {L"Bartek Żak", L"Bartek", {L"GG", 1, 1002, 0}},
    {L"Darek Ślusarz", L"Darek", {L"JABBER", 2, 2002, 0}},
};

struct ChatEntry {
    std::wstring text;
    HBITMAP thumbnail;
    SIZE size;
};

enum Command : UINT {
    fileTransferCommand = 201,
    imageHostingCommand,
    secondNetworkOnlineCommand,
    firstMenuItemCommand = 1000,
};

constexpr UINT_PTR menuStepTimer = 1;
constexpr int listWidth = 240;
constexpr int logHeight = 150;
constexpr int thumbnailWidth = 280;
constexpr int thumbnailHeight = 200;

// The messenger keeps its own guards and thumbnail arithmetic: borrowed from
// the plug-in, a fault there would show the same way in the chat pane that
// is meant to catch it.
struct MemoryDc {
    HDC dc;
    explicit MemoryDc(HDC compatibleWith) : dc(CreateCompatibleDC(compatibleWith)) {}
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    ~MemoryDc() {
        if (dc)
            DeleteDC(dc);
    }
    operator HDC() const { return dc; }
};

struct Selection {
    HDC dc;
    HGDIOBJ previous;
    Selection(HDC d, HGDIOBJ object) : dc(d), previous(SelectObject(d, object)) {}
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    ~Selection() { SelectObject(dc, previous); }
};

// A picture shrunk to fit the thumbnail box with its shape kept; one that
// fits already keeps its size. No side goes below one pixel.
SIZE thumbnailSize(UINT width, UINT height) {
    if (width == 0 || height == 0 || (width <= UINT(thumbnailWidth) && height <= UINT(thumbnailHeight)))
        return {LONG(width), LONG(height)};
    uint64_t w = width, h = height;
    if (w * thumbnailHeight >= h * thumbnailWidth)
        return {thumbnailWidth, LONG(std::max<uint64_t>(1, h * thumbnailWidth / w))};
    return {LONG(std::max<uint64_t>(1, w * thumbnailHeight / h)), thumbnailHeight};
}
constexpr const wchar_t* windowClass = L"snipLeafMessenger";
constexpr const wchar_t* paneClass = L"snipLeafChatPane";

struct Messenger {
    HWND window = nullptr;
    HWND list = nullptr;
    HWND log = nullptr;
    std::vector<HWND> panes;
    std::vector<std::vector<ChatEntry>> chats;
    std::wstring receivedFolder;
    int receivedNumber = 0;
    std::vector<std::wstring> logLines;
    std::vector<std::wstring> shownItems;
    std::vector<std::function<void(HWND)>> menuSteps;
    bool fileTransfer = false;
    bool imageHosting = false;
};

Messenger messenger;

std::wstring formatted(const wchar_t* format, ...) {
    wchar_t text[512] = {};
    va_list arguments;
    va_start(arguments, format);
    _vsnwprintf(text, std::size(text) - 1, format, arguments);
    va_end(arguments);
    return text;
}

Network* networkOf(const std::wstring& netClass) {
    for (Network& network : networks) {
        if (netClass == network.netClass)
            return &network;
    }
    return nullptr;
}

const wchar_t* statusText(int32_t status) {
    return status == 7 ? L"status 7, niedostępny" : L"dostępny";
}

std::wstring listText(const MessengerContact& entry) {
    const Network* network = networkOf(entry.contact.netClass);
    return formatted(L"%ls   [%ls, %ls]", entry.name, network->label, statusText(network->status));
}

void fillList() {
    std::set<size_t> selected;
    for (size_t i = 0; i < contacts.size(); i++) {
        if (SendMessageW(messenger.list, LB_GETSEL, i, 0) > 0)
            selected.insert(i);
    }
    SendMessageW(messenger.list, LB_RESETCONTENT, 0, 0);
    for (size_t i = 0; i < contacts.size(); i++) {
        SendMessageW(messenger.list, LB_ADDSTRING, 0, LPARAM(listText(contacts[i]).c_str()));
        SendMessageW(messenger.list, LB_SETSEL, selected.count(i) ? TRUE : FALSE, LPARAM(i));
    }
}

size_t contactIndexOf(uint64_t contactId) {
    for (size_t i = 0; i < contacts.size(); i++) {
        if (contacts[i].contact.contactId == contactId)
            return i;
    }
    return contacts.size();
}

void showPaneOf(size_t index) {
    for (size_t i = 0; i < messenger.panes.size(); i++)
        ShowWindow(messenger.panes[i], i == index ? SW_SHOW : SW_HIDE);
}

// --- received pictures -----------------------------------------------------

HBITMAP makeThumbnail(const std::wstring& file, SIZE* size) {
    GpImage* image = nullptr;
    if (Gdiplus::DllExports::GdipLoadImageFromFile(file.c_str(), &image) != Gdiplus::Ok)
        return nullptr;
    UINT width = 0, height = 0;
    Gdiplus::DllExports::GdipGetImageWidth(image, &width);
    Gdiplus::DllExports::GdipGetImageHeight(image, &height);
    SIZE fitted = thumbnailSize(width, height);
    GpImage* thumb = nullptr;
    HBITMAP bitmap = nullptr;
    if (Gdiplus::DllExports::GdipGetImageThumbnail(image, UINT(fitted.cx), UINT(fitted.cy), &thumb, nullptr, nullptr) ==
        Gdiplus::Ok) {
        Gdiplus::DllExports::GdipCreateHBITMAPFromBitmap(reinterpret_cast<GpBitmap*>(thumb), &bitmap, 0xFFFFFFFF);
        Gdiplus::DllExports::GdipDisposeImage(thumb);
    }
    Gdiplus::DllExports::GdipDisposeImage(image);
    *size = fitted;
    return bitmap;
}

std::wstring keepReceived(const MessengerContact& entry, const Delivery& delivery) {
    wchar_t name[MAX_PATH] = {};
    swprintf(name, MAX_PATH, L"%02d-%ls-%ls", ++messenger.receivedNumber, entry.fileTag,
             hostBaseName(delivery.fileName).c_str());
    std::wstring path = messenger.receivedFolder + name;
    return hostWriteDeliveredFile(delivery, path) ? path : std::wstring();
}

// Where each delivery's record names the contact.
uint64_t deliveredContactId(const Delivery& delivery) {
    size_t offset = offsetof(SendPictureRecord, contact) + offsetof(ContactRecord, contactId);
    if (delivery.function == standInFileTransferName)
        offset = offsetof(SendFileRecord, contact) + offsetof(ContactRecord, contactId);
    else if (delivery.function == standInImageHostingName)
        offset = offsetof(SendImageRecord, contactId);
    uint64_t id = 0;
    if (offset + sizeof(id) <= delivery.record.size())
        std::memcpy(&id, delivery.record.data() + offset, sizeof(id));
    return id;
}

const wchar_t* deliveryWay(const Delivery& delivery) {
    if (delivery.function == standInFileTransferName)
        return L"plik przez upDeck";
    if (delivery.function == standInImageHostingName)
        return L"obrazek na serwerze wtwImageShack";
    return L"obrazek";
}

void addChatEntry(size_t index, const Delivery& delivery, const std::wstring& kept) {
    ChatEntry entry = {};
    entry.text = formatted(L"%ls: %ls, %zu KB", deliveryWay(delivery), hostBaseName(kept).c_str(),
                           (delivery.fileBytes.size() + 1023) / 1024);
    entry.thumbnail = makeThumbnail(kept, &entry.size);
    messenger.chats[index].push_back(entry);
    InvalidateRect(messenger.panes[index], nullptr, TRUE);
    showPaneOf(index);
}

void onDelivery(const Delivery& delivery) {
    size_t index = contactIndexOf(deliveredContactId(delivery));
    const wchar_t* who = index < contacts.size() ? contacts[index].name : L"?";
    messengerLog(formatted(L"host: %ls -> %ls: %ls, %zu bytes, answer 0x%08X", delivery.function.c_str(), who,
                           hostBaseName(delivery.fileName).c_str(), delivery.fileBytes.size(),
                           unsigned(delivery.result)));
    if (delivery.result != 0 || !delivery.fileFound || index >= contacts.size())
        return;
    std::wstring kept = keepReceived(contacts[index], delivery);
    if (!kept.empty())
        addChatEntry(index, delivery, kept);
}

int64_t firstNetworkVerdict(const Delivery& delivery) {
    return delivery.fileBytes.size() > messengerPictureLimit ? int64_t(hostOutOfMemory) : 0;
}

int64_t secondNetworkVerdict(const Delivery&) {
    return int64_t(hostUnexpected);
}

// Plug-in log lines: the record's source and message.
int64_t logToWindow(int64_t wParam, int64_t) {
    auto* record = reinterpret_cast<const LogRecord*>(wParam);
    if (!record || record->size < sizeof(LogRecord))
        return 0;
    messengerLog(formatted(L"%ls: %ls", record->source ? record->source : L"", record->message ? record->message : L""));
    return 0;
}

void registerNetworks() {
    for (const Network& network : networks) {
        std::wstring netClass = network.netClass;
        std::wstring name = formatted(L"%ls/%d/%ls", network.netClass, network.netId, netStatusGet);
        hostRegister(name, [netClass](int64_t wParam, int64_t) {
            reinterpret_cast<StatusRecord*>(wParam)->status = messengerNetworkStatus(netClass);
            return int64_t(0);
        });
    }
    hostAddPictureTransferBy({networks[0].netClass, networks[0].netId, 0, 0}, firstNetworkVerdict);
    hostAddPictureTransferBy({networks[1].netClass, networks[1].netId, 0, 0}, secondNetworkVerdict);
    hostRegister(hostLog, logToWindow);
    hostWatchDeliveries(onDelivery);
}

// --- the contact menu --------------------------------------------------------

std::set<std::wstring> rebuildShown(const std::vector<HostContact>& chosen) {
    std::vector<std::wstring> shown = hostRebuildMenu(chosen);
    return std::set<std::wstring>(shown.begin(), shown.end());
}

// The host's contact menu: its own items, and the "Wyślij" submenu holding the
// items of "WTW/Menu/Contact/Send" the rebuild showed, in the order added.
HMENU buildContactMenu(const std::vector<HostContact>& chosen) {
    std::set<std::wstring> shown = rebuildShown(chosen);
    messenger.shownItems.clear();
    HMENU send = CreatePopupMenu();
    for (const std::wstring& id : hostMenuOrder()) {
        const HostMenuItem& item = hostMenuItems().at(id);
        if (item.menuName != contactSendMenu || !shown.count(id))
            continue;
        AppendMenuW(send, MF_STRING, firstMenuItemCommand + messenger.shownItems.size(), item.caption.c_str());
        messenger.shownItems.push_back(id);
    }
    if (messenger.shownItems.empty())
        AppendMenuW(send, MF_STRING | MF_GRAYED, 0, L"(nic do wysłania)");
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_POPUP, UINT_PTR(send), L"Wyślij");
    AppendMenuW(menu, MF_STRING | MF_GRAYED, 0, L"Rozmowa");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING | MF_GRAYED, 0, L"Informacje o kontakcie");
    return menu;
}

POINT menuPointForSelection() {
    int caret = int(SendMessageW(messenger.list, LB_GETCARETINDEX, 0, 0));
    RECT item = {};
    SendMessageW(messenger.list, LB_GETITEMRECT, WPARAM(caret < 0 ? 0 : caret), LPARAM(&item));
    POINT at = {item.left + 40, item.bottom};
    ClientToScreen(messenger.list, &at);
    return at;
}

void scheduleMenuStep() {
    if (!messenger.menuSteps.empty())
        SetTimer(messenger.window, menuStepTimer, 300, nullptr);
}

void clickContactItem(UINT command, const std::vector<HostContact>& chosen) {
    size_t index = command - firstMenuItemCommand;
    if (command < firstMenuItemCommand || index >= messenger.shownItems.size())
        return;
    std::wstring id = messenger.shownItems[index];
    messengerLog(formatted(L"host: click on %ls for %zu contact(s)", id.c_str(), chosen.size()));
    int64_t result = hostClickItem(id, chosen);
    messengerLog(formatted(L"host: the click answered %lld", static_cast<long long>(result)));
}

void showContactMenu(POINT at) {
    std::vector<HostContact> chosen = messengerSelection();
    if (chosen.empty())
        return;
    HMENU menu = buildContactMenu(chosen);
    scheduleMenuStep();
    SetForegroundWindow(messenger.window);
    UINT command = UINT(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, messenger.window,
                                       nullptr));
    DestroyMenu(menu);
    // The click may block this thread (the screenshot waits before it copies
    // the screen): what the menu covered is painted again first.
    RedrawWindow(messenger.window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    KillTimer(messenger.window, menuStepTimer);
    messenger.menuSteps.clear();
    clickContactItem(command, chosen);
}

// A right click on a contact that is not selected selects it alone, as lists do.
void selectUnderPoint(POINT screen) {
    POINT client = screen;
    ScreenToClient(messenger.list, &client);
    LRESULT hit = SendMessageW(messenger.list, LB_ITEMFROMPOINT, 0, MAKELPARAM(client.x, client.y));
    if (HIWORD(hit) != 0)
        return;
    size_t index = LOWORD(hit);
    if (SendMessageW(messenger.list, LB_GETSEL, index, 0) <= 0)
        messengerSelect({index});
}

// --- chat panes ----------------------------------------------------------------

int entryHeight(const ChatEntry& entry) {
    return 24 + (entry.thumbnail ? entry.size.cy + 8 : 0);
}

void paintEntry(HDC dc, const ChatEntry& entry, int y) {
    TextOutW(dc, 12, y, entry.text.c_str(), int(entry.text.size()));
    if (!entry.thumbnail)
        return;
    MemoryDc memory(dc);
    Selection selected(memory, entry.thumbnail);
    BitBlt(dc, 12, y + 22, entry.size.cx, entry.size.cy, memory, 0, 0, SRCCOPY);
}

void paintPane(HWND pane, HDC dc) {
    size_t index = size_t(GetWindowLongPtrW(pane, GWLP_USERDATA));
    RECT client = {};
    GetClientRect(pane, &client);
    SetBkMode(dc, TRANSPARENT);
    Selection font(dc, GetStockObject(DEFAULT_GUI_FONT));
    const MessengerContact& entry = contacts[index];
    std::wstring title = formatted(L"Rozmowa z: %ls (%ls, numer %llu)", entry.name, entry.contact.netClass.c_str(),
                                   static_cast<unsigned long long>(entry.contact.contactId));
    TextOutW(dc, 12, 8, title.c_str(), int(title.size()));
    const std::vector<ChatEntry>& chat = messenger.chats[index];
    int total = 0;
    for (const ChatEntry& item : chat)
        total += entryHeight(item);
    // The newest pictures stay in sight: older ones scroll off the top.
    int y = std::min(36, int(client.bottom) - 8 - total);
    for (const ChatEntry& item : chat) {
        if (y + entryHeight(item) > 32)
            paintEntry(dc, item, y);
        y += entryHeight(item);
    }
    if (chat.empty()) {
        const wchar_t* hint = L"Kliknij kontakt prawym przyciskiem myszy: Wyślij > Wyślij obrazek...";
        TextOutW(dc, 12, 40, hint, int(wcslen(hint)));
    }
}

LRESULT CALLBACK paneProc(HWND pane, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT)
        return DefWindowProcW(pane, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(pane, &paint);
    paintPane(pane, dc);
    EndPaint(pane, &paint);
    return 0;
}

// --- the main window -----------------------------------------------------------------

HMENU buildMenuBar() {
    HMENU plugins = CreatePopupMenu();
    AppendMenuW(plugins, MF_STRING, fileTransferCommand, L"upDeck: przesyłanie plików");
    AppendMenuW(plugins, MF_STRING, imageHostingCommand, L"wtwImageShack: hosting obrazków");
    HMENU nets = CreatePopupMenu();
    AppendMenuW(nets, MF_STRING, secondNetworkOnlineCommand, L"Jabber połączony (status 2 zamiast 7)");
    HMENU bar = CreateMenu();
    AppendMenuW(bar, MF_POPUP, UINT_PTR(plugins), L"Wtyczki");
    AppendMenuW(bar, MF_POPUP, UINT_PTR(nets), L"Sieci");
    return bar;
}

void updateMenuChecks() {
    HMENU bar = GetMenu(messenger.window);
    CheckMenuItem(bar, fileTransferCommand, messenger.fileTransfer ? MF_CHECKED : MF_UNCHECKED);
    CheckMenuItem(bar, imageHostingCommand, messenger.imageHosting ? MF_CHECKED : MF_UNCHECKED);
    CheckMenuItem(bar, secondNetworkOnlineCommand, networks[1].status != 7 ? MF_CHECKED : MF_UNCHECKED);
}

void layout(int width, int height) {
    int top = height - logHeight;
    MoveWindow(messenger.list, 0, 0, listWidth, top - 4, TRUE);
    for (HWND pane : messenger.panes)
        MoveWindow(pane, listWidth + 4, 0, width - listWidth - 4, top - 4, TRUE);
    MoveWindow(messenger.log, 0, top, width, logHeight, TRUE);
}

void createChildren(HWND window) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    messenger.list = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", nullptr,
                                     WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_EXTENDEDSEL | LBS_NOTIFY, 0, 0, 0, 0,
                                     window, nullptr, instance, nullptr);
    messenger.log = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", nullptr,
                                    WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                                    0, 0, 0, 0, window, nullptr, instance, nullptr);
    for (size_t i = 0; i < contacts.size(); i++) {
        HWND pane = CreateWindowExW(WS_EX_CLIENTEDGE, paneClass, nullptr, WS_CHILD, 0, 0, 0, 0, window, nullptr,
                                    instance, nullptr);
        SetWindowLongPtrW(pane, GWLP_USERDATA, LONG_PTR(i));
        messenger.panes.push_back(pane);
    }
    HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
    SendMessageW(messenger.list, WM_SETFONT, WPARAM(font), FALSE);
    SendMessageW(messenger.log, WM_SETFONT, WPARAM(font), FALSE);
}

void onCommand(WPARAM wParam, LPARAM lParam) {
    if (HWND(lParam) == messenger.list) {
        if (HIWORD(wParam) == LBN_SELCHANGE)
            showPaneOf(size_t(SendMessageW(messenger.list, LB_GETCARETINDEX, 0, 0)));
        return;
    }
    switch (LOWORD(wParam)) {
    case fileTransferCommand:
        messengerSetPluginStandIns(!messenger.fileTransfer, messenger.imageHosting);
        break;
    case imageHostingCommand:
        messengerSetPluginStandIns(messenger.fileTransfer, !messenger.imageHosting);
        break;
    case secondNetworkOnlineCommand:
        networks[1].status = networks[1].status == 7 ? 2 : 7;
        fillList();
        updateMenuChecks();
        break;
    }
}

void onContextMenu(HWND from, LPARAM lParam) {
    if (from != messenger.list)
        return;
    POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (lParam == -1)
        at = menuPointForSelection();
    else
        selectUnderPoint(at);
    showContactMenu(at);
}

void onMenuStepTimer() {
    KillTimer(messenger.window, menuStepTimer);
    if (messenger.menuSteps.empty())
        return;
    std::function<void(HWND)> step = messenger.menuSteps.front();
    messenger.menuSteps.erase(messenger.menuSteps.begin());
    step(messenger.window);
    scheduleMenuStep();
}

LRESULT CALLBACK messengerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        layout(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_COMMAND:
        onCommand(wParam, lParam);
        return 0;
    case WM_CONTEXTMENU:
        onContextMenu(HWND(wParam), lParam);
        return 0;
    case WM_TIMER:
        if (wParam == menuStepTimer)
            onMenuStepTimer();
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool registerClasses() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW main = {};
    main.lpfnWndProc = messengerProc;
    main.hInstance = instance;
    main.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    main.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    main.lpszClassName = windowClass;
    WNDCLASSW pane = main;
    pane.lpfnWndProc = paneProc;
    pane.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    pane.lpszClassName = paneClass;
    return (RegisterClassW(&main) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS) &&
           (RegisterClassW(&pane) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS);
}

}  // namespace

HWND messengerOpen(const std::wstring& receivedFolder) {
    messenger = Messenger();
    messenger.receivedFolder = receivedFolder;
    messenger.chats.resize(contacts.size());
    CreateDirectoryW(receivedFolder.c_str(), nullptr);
    if (!registerClasses())
        return nullptr;
    registerNetworks();
    HWND window = CreateWindowExW(0, windowClass, L"WTW (zastępczy) z wtyczką snipLeaf", WS_OVERLAPPEDWINDOW, 20, 20,
                                  1000, 720, nullptr, buildMenuBar(), GetModuleHandleW(nullptr), nullptr);
    if (!window)
        return nullptr;
    messenger.window = window;
    createChildren(window);
    RECT client = {};
    GetClientRect(window, &client);
    layout(client.right, client.bottom);
    fillList();
    updateMenuChecks();
    messengerSelect({0});
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    messengerLog(formatted(L"host: GG takes pictures up to %zu KB and answers E_OUTOFMEMORY above; "
                           L"Jabber answers E_UNEXPECTED",
                           messengerPictureLimit / 1024));
    return window;
}

void messengerClose() {
    hostWatchDeliveries(nullptr);
    if (messenger.window)
        DestroyWindow(messenger.window);
    for (std::vector<ChatEntry>& chat : messenger.chats) {
        for (ChatEntry& entry : chat) {
            if (entry.thumbnail)
                DeleteObject(entry.thumbnail);
        }
    }
    messenger.chats.clear();
    messenger.window = nullptr;
}

HWND messengerWindow() {
    return messenger.window;
}

const std::vector<MessengerContact>& messengerContacts() {
    return contacts;
}

void messengerSelect(const std::vector<size_t>& indices) {
    SendMessageW(messenger.list, LB_SETSEL, FALSE, -1);
    for (size_t index : indices)
        SendMessageW(messenger.list, LB_SETSEL, TRUE, LPARAM(index));
    if (indices.empty())
        return;
    SendMessageW(messenger.list, LB_SETCARETINDEX, indices.front(), FALSE);
    showPaneOf(indices.front());
}

std::vector<HostContact> messengerSelection() {
    std::vector<HostContact> chosen;
    for (size_t i = 0; i < contacts.size(); i++) {
        if (SendMessageW(messenger.list, LB_GETSEL, i, 0) > 0)
            chosen.push_back(contacts[i].contact);
    }
    return chosen;
}

int32_t messengerNetworkStatus(const std::wstring& netClass) {
    const Network* network = networkOf(netClass);
    return network ? network->status : 0;
}

void messengerSetPluginStandIns(bool fileTransfer, bool imageHosting) {
    messenger.fileTransfer = fileTransfer;
    messenger.imageHosting = imageHosting;
    hostSetFileTransfer(fileTransfer);
    hostSetImageHosting(imageHosting);
    if (messenger.window)
        updateMenuChecks();
    messengerLog(formatted(L"host: upDeck/sendFile %ls, wtwImageShack/sendImage %ls (seen by the next editor)",
                           fileTransfer ? L"on" : L"off", imageHosting ? L"on" : L"off"));
}

void messengerOpenContactMenu() {
    showContactMenu(menuPointForSelection());
}

const std::vector<std::wstring>& messengerShownItems() {
    return messenger.shownItems;
}

void messengerWhenMenuOpen(std::function<void(HWND owner)> step) {
    messenger.menuSteps.push_back(std::move(step));
}

const std::vector<std::wstring>& messengerLogLines() {
    return messenger.logLines;
}

void messengerLog(const std::wstring& line) {
    messenger.logLines.push_back(line);
    if (!messenger.log)
        return;
    std::wstring text = line + L"\r\n";
    SendMessageW(messenger.log, EM_SETSEL, WPARAM(-1), LPARAM(-1));
    SendMessageW(messenger.log, EM_REPLACESEL, FALSE, LPARAM(text.c_str()));
}

size_t messengerReceivedCount(size_t contactIndex) {
    return contactIndex < messenger.chats.size() ? messenger.chats[contactIndex].size() : 0;
}
