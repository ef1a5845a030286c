// The stand-in host's implementation. One host per process, as the real one:
// the table's entry points are plain functions over the statics below.
#include "standInHost.h"

#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "../image/gdiplusFlat.h"

namespace {

struct RegisteredFunction {
    HostFunction function;
    RecordKind kind;
};

struct Hook {
    std::wstring eventName;
    EventHandlerFn handler;
    int64_t userValue;
};

struct HostState {
    HostConfig config;
    HostFunctionTable table;
    std::map<std::wstring, RegisteredFunction> functions;
    std::vector<JournalEntry> journal;
    std::map<int64_t, Hook> hooks;
    int64_t nextHookHandle = 1;
    int64_t scriptedHookHandle = -1;
    std::map<std::wstring, HostMenuItem> menuItems;
    std::vector<std::wstring> menuOrder;
    std::map<std::wstring, int64_t> settings;
    bool settingsOpen = false;
    std::map<std::wstring, std::wstring> graphFiles;  // graph id -> loaded file
    ULONG_PTR gdiplusToken = 0;
};

HostState host;

std::vector<uint8_t> copyRecord(int64_t address, RecordKind kind) {
    if (address == 0 || kind == RecordKind::none)
        return {};
    auto* bytes = reinterpret_cast<const uint8_t*>(address);
    if (kind == RecordKind::wideText) {
        size_t units = std::wcslen(reinterpret_cast<const wchar_t*>(address)) + 1;
        return std::vector<uint8_t>(bytes, bytes + units * sizeof(wchar_t));
    }
    uint32_t size = 0;
    std::memcpy(&size, bytes, sizeof(size));
    if (size == 0 || size > 4096)
        return {};
    return std::vector<uint8_t>(bytes, bytes + size);
}

// The text a record names, for reading the journal: at offset 8 for most
// records, the log message at 16, the path itself for a text.
std::wstring recordText(const std::wstring& name, int64_t wParam, RecordKind kind) {
    if (wParam == 0 || kind == RecordKind::none)
        return {};
    if (kind == RecordKind::wideText)
        return reinterpret_cast<const wchar_t*>(wParam);
    size_t offset = name == hostLog ? 16 : 8;
    uint32_t size = *reinterpret_cast<const uint32_t*>(wParam);
    if (size < offset + 8)
        return {};
    const wchar_t* text = nullptr;
    std::memcpy(&text, reinterpret_cast<const uint8_t*>(wParam) + offset, sizeof(text));
    if (name.find(netStatusGet) != std::wstring::npos || name.find(netSendPicture) != std::wstring::npos)
        return {};
    return text ? text : L"";
}

int64_t hostCallFunction(const wchar_t* name, int64_t wParam, int64_t lParam) {
    std::wstring key = name ? name : L"";
    auto found = host.functions.find(key);
    RecordKind kind = found == host.functions.end() ? RecordKind::sized : found->second.kind;
    JournalEntry entry = {JournalKind::call, key, wParam, lParam, 0, copyRecord(wParam, kind),
                          recordText(key, wParam, kind)};
    size_t index = host.journal.size();
    host.journal.push_back(entry);
    int64_t result = found == host.functions.end() ? 0 : found->second.function(wParam, lParam);
    host.journal[index].result = result;
    return result;
}

int64_t hostFunctionExists(const wchar_t* name) {
    std::wstring key = name ? name : L"";
    int64_t exists = host.functions.count(key) ? 1 : 0;
    host.journal.push_back({JournalKind::exists, key, 0, 0, exists, {}, {}});
    return exists;
}

int64_t hostHookEvent(const wchar_t* eventName, EventHandlerFn handler, int64_t userValue) {
    int64_t handle = host.scriptedHookHandle >= 0 ? host.scriptedHookHandle : host.nextHookHandle++;
    host.scriptedHookHandle = -1;
    if (handle != 0)
        host.hooks[handle] = {eventName ? eventName : L"", handler, userValue};
    host.journal.push_back({JournalKind::hook, eventName ? eventName : L"", userValue, 0, handle, {}, {}});
    return handle;
}

int64_t hostUnhookEvent(int64_t handle) {
    host.journal.push_back({JournalKind::unhook, {}, handle, 0, 0, {}, {}});
    host.hooks.erase(handle);
    return 0;
}

// Settings file: one "key=value" line per setting.
void loadSettingsFile() {
    host.settings.clear();
    std::wifstream in(std::string(host.config.settingsFile.begin(), host.config.settingsFile.end()));
    std::wstring line;
    while (std::getline(in, line)) {
        size_t equals = line.rfind(L'=');
        if (equals == std::wstring::npos)
            continue;
        host.settings[line.substr(0, equals)] = _wtoi64(line.c_str() + equals + 1);
    }
}

void saveSettingsFile() {
    std::wofstream out(std::string(host.config.settingsFile.begin(), host.config.settingsFile.end()),
                       std::ios::trunc);
    for (const auto& [key, value] : host.settings)
        out << key << L'=' << value << L'\n';
}

int64_t settingsGetMyConfigFile(int64_t wParam, int64_t) {
    auto* record = reinterpret_cast<ConfigFileRecord*>(wParam);
    if (!record || !record->pathBuffer || record->capacity == 0)
        return 0;
    wcsncpy(record->pathBuffer, host.config.settingsFile.c_str(), record->capacity - 1);
    return 1;
}

int64_t settingsInitEx(int64_t, int64_t lParam) {
    loadSettingsFile();
    host.settingsOpen = true;
    if (lParam)
        *reinterpret_cast<uint64_t*>(lParam) = 0x5E77;
    return 0;
}

int64_t settingsGet(int64_t wParam, int64_t) {
    auto* record = reinterpret_cast<SettingRecord*>(wParam);
    auto found = host.settings.find(record->key);
    if (found == host.settings.end())
        return 0;
    record->value = found->second;
    return 1;
}

int64_t settingsSet(int64_t wParam, int64_t) {
    auto* record = reinterpret_cast<SettingRecord*>(wParam);
    host.settings[record->key] = record->value;
    return 1;
}

int64_t menuAdd(int64_t wParam, int64_t) {
    auto* record = reinterpret_cast<MenuItemRecord*>(wParam);
    HostMenuItem item = {record->itemId, record->menuName ? record->menuName : L"",
                         record->caption ? record->caption : L"", record->onClick, *record};
    host.menuItems[item.id] = item;
    host.menuOrder.push_back(item.id);
    return 1;
}

int64_t menuRemove(int64_t wParam, int64_t) {
    auto* record = reinterpret_cast<MenuItemRecord*>(wParam);
    std::wstring id = record->itemId;
    host.menuItems.erase(id);
    for (auto it = host.menuOrder.begin(); it != host.menuOrder.end(); ++it) {
        if (*it == id) {
            host.menuOrder.erase(it);
            break;
        }
    }
    return 1;
}

int64_t graphLoad(int64_t wParam, int64_t) {
    auto* record = reinterpret_cast<GraphRecord*>(wParam);
    if (!record->graphId || !record->fileName)
        return 0;
    std::wstring path = host.config.graphFolder + record->fileName;
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return 0;
    host.graphFiles[record->graphId] = path;
    return 1;
}

// A new bitmap for every request: the plug-in deletes the one it gets.
int64_t graphGetImage(int64_t wParam, int64_t) {
    auto* record = reinterpret_cast<GraphRecord*>(wParam);
    auto found = host.graphFiles.find(record->graphId ? record->graphId : L"");
    if (found == host.graphFiles.end())
        return 0;
    GpBitmap* bitmap = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromFile(found->second.c_str(), &bitmap) != Gdiplus::Ok)
        return 0;
    HBITMAP handle = nullptr;
    Gdiplus::DllExports::GdipCreateHBITMAPFromBitmap(bitmap, &handle, 0);
    Gdiplus::DllExports::GdipDisposeImage(bitmap);
    return int64_t(handle);
}

int64_t answer(int64_t value) {
    return value;
}

void registerBuiltIns() {
    hostRegister(hostLog, [](int64_t, int64_t) { return answer(0); });
    hostRegister(hostSettingsGetMyConfigFile, settingsGetMyConfigFile);
    hostRegister(hostSettingsInitEx, settingsInitEx, RecordKind::wideText);
    hostRegister(hostSettingsRead, [](int64_t, int64_t) { loadSettingsFile(); return answer(0); },
                 RecordKind::none);
    hostRegister(hostSettingsGet, settingsGet);
    hostRegister(hostSettingsSet, settingsSet);
    hostRegister(hostSettingsWrite, [](int64_t, int64_t) { saveSettingsFile(); return answer(0); },
                 RecordKind::none);
    hostRegister(hostSettingsDestroy, [](int64_t, int64_t) { host.settingsOpen = false; return answer(0); },
                 RecordKind::none);
    hostRegister(hostMenuAdd, menuAdd);
    hostRegister(hostMenuRemove, menuRemove);
    hostRegister(hostGraphLoad, graphLoad);
    hostRegister(hostGraphGetImage, graphGetImage);
}

int64_t hostShowItem(int64_t userValue, const wchar_t* itemId) {
    auto* shown = reinterpret_cast<std::vector<std::wstring>*>(userValue);
    shown->push_back(itemId ? itemId : L"");
    return 1;
}

std::vector<ContactRecord> contactRecords(const std::vector<HostContact>& contacts) {
    std::vector<ContactRecord> records;
    for (const HostContact& contact : contacts)
        records.push_back(hostContactRecord(contact));
    return records;
}

}  // namespace

void hostReset(const HostConfig& config) {
    if (host.gdiplusToken == 0) {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&host.gdiplusToken, &input, nullptr);
    }
    ULONG_PTR token = host.gdiplusToken;
    host = HostState();
    host.gdiplusToken = token;
    host.config = config;
    host.table.callFunction = hostCallFunction;
    host.table.functionExists = hostFunctionExists;
    host.table.hookEvent = hostHookEvent;
    host.table.unhookEvent = hostUnhookEvent;
    registerBuiltIns();
}

HostFunctionTable* hostFunctionTable() {
    return &host.table;
}

void hostRegister(const std::wstring& name, HostFunction function, RecordKind kind) {
    host.functions[name] = {std::move(function), kind};
}

void hostUnregister(const std::wstring& name) {
    host.functions.erase(name);
}

const std::vector<JournalEntry>& hostJournal() {
    return host.journal;
}

void hostClearJournal() {
    host.journal.clear();
}

std::vector<std::wstring> hostCallNames() {
    std::vector<std::wstring> names;
    for (const JournalEntry& entry : host.journal) {
        if (entry.kind == JournalKind::call)
            names.push_back(entry.name);
    }
    return names;
}

std::vector<std::wstring> hostLogMessages() {
    std::vector<std::wstring> messages;
    for (const JournalEntry& entry : host.journal) {
        if (entry.kind == JournalKind::call && entry.name == hostLog)
            messages.push_back(entry.text);
    }
    return messages;
}

void hostSetNextHookHandle(int64_t handle) {
    host.scriptedHookHandle = handle;
}

const std::map<std::wstring, HostMenuItem>& hostMenuItems() {
    return host.menuItems;
}

std::vector<std::wstring> hostMenuOrder() {
    return host.menuOrder;
}

std::map<std::wstring, int64_t>& hostSettings() {
    return host.settings;
}

bool hostSettingsOpen() {
    return host.settingsOpen;
}

// The plug-in keeps copies of contact records, with their network class's
// address, as long as its editor is open; a real host's network objects live
// that long too, so the names are kept for the life of the process.
static const wchar_t* lastingNetClass(const std::wstring& netClass) {
    static std::set<std::wstring> names;
    return names.insert(netClass).first->c_str();
}

ContactRecord hostContactRecord(const HostContact& contact) {
    ContactRecord record = {};
    record.size = sizeof(ContactRecord);
    record.contactId = contact.contactId;
    record.netClass = lastingNetClass(contact.netClass);
    record.netId = contact.netId;
    return record;
}

void hostAddStatusFunction(const HostContact& contact) {
    wchar_t name[300];
    swprintf(name, 300, L"%ls/%d/%ls", contact.netClass.c_str(), contact.netId, netStatusGet);
    int32_t status = contact.status;
    hostRegister(name, [status](int64_t wParam, int64_t) {
        reinterpret_cast<StatusRecord*>(wParam)->status = status;
        return answer(0);
    });
}

std::vector<int64_t> hostRaiseEvent(const std::wstring& eventName, void* record) {
    std::vector<int64_t> answers;
    std::map<int64_t, Hook> hooks = host.hooks;
    for (const auto& [handle, hook] : hooks) {
        if (hook.eventName == eventName)
            answers.push_back(hook.handler(record, 0, hook.userValue));
    }
    return answers;
}

std::vector<std::wstring> hostRebuildMenu(const std::vector<HostContact>& contacts) {
    std::vector<ContactRecord> records = contactRecords(contacts);
    MenuPopupInfo info = {};
    info.contactCount = int32_t(records.size());
    info.contacts = records.empty() ? nullptr : records.data();
    std::vector<std::wstring> shown;
    MenuRebuildEvent event = {};
    event.pInfo = &info;
    event.userValue = int64_t(&shown);
    event.showItem = hostShowItem;
    hostRaiseEvent(menuRebuildEvent, &event);
    return shown;
}

int64_t hostClickItem(const std::wstring& itemId, const std::vector<HostContact>& contacts) {
    auto found = host.menuItems.find(itemId);
    if (found == host.menuItems.end() || !found->second.onClick)
        return -2;
    std::vector<ContactRecord> records = contactRecords(contacts);
    MenuPopupInfo info = {};
    info.contactCount = int32_t(records.size());
    info.contacts = records.empty() ? nullptr : records.data();
    MenuItemRecord record = found->second.record;
    return found->second.onClick(&record, &info);
}

bool hostOpenPlugin(const std::wstring& dllPath, PluginModule* plugin) {
    *plugin = {};
    plugin->module = LoadLibraryW(dllPath.c_str());
    if (!plugin->module)
        return false;
    plugin->queryPlugInfo = reinterpret_cast<QueryPlugInfoFn>(reinterpret_cast<void*>(GetProcAddress(plugin->module, "queryPlugInfo")));
    plugin->pluginLoad = reinterpret_cast<PluginLoadFn>(reinterpret_cast<void*>(GetProcAddress(plugin->module, "pluginLoad")));
    plugin->pluginUnload = reinterpret_cast<PluginUnloadFn>(reinterpret_cast<void*>(GetProcAddress(plugin->module, "pluginUnload")));
    return plugin->queryPlugInfo && plugin->pluginLoad && plugin->pluginUnload;
}

void hostClosePlugin(PluginModule* plugin) {
    if (plugin->module)
        FreeLibrary(plugin->module);
    *plugin = {};
}

std::wstring hostExeFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

void hostPumpMessages(DWORD milliseconds) {
    DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(10);
    } while (GetTickCount() - start < milliseconds);
}

CLSID hostPngEncoder() {
    return hostImageEncoder(L"image/png");
}

CLSID hostImageEncoder(const wchar_t* mimeType) {
    UINT count = 0;
    UINT bytes = 0;
    Gdiplus::DllExports::GdipGetImageEncodersSize(&count, &bytes);
    std::vector<uint8_t> block(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(block.data());
    Gdiplus::DllExports::GdipGetImageEncoders(count, bytes, codecs);
    for (UINT i = 0; i < count; i++) {
        if (std::wcscmp(codecs[i].MimeType, mimeType) == 0)
            return codecs[i].Clsid;
    }
    return CLSID{};
}

bool hostSaveWindowPng(HWND window, const std::wstring& path) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return hostSaveScreenPng(rect, path);
}

bool hostSaveScreenPng(const RECT& area, const std::wstring& path) {
    // A maximised window's frame lies off the screen, and a copy that reaches
    // past the screen's edge comes back black under Wine: only the visible part.
    RECT screenRect = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT rect = {};
    if (!IntersectRect(&rect, &area, &screenRect))
        return false;
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, previous);
    GpBitmap* picture = nullptr;
    bool saved = false;
    if (Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &picture) == Gdiplus::Ok) {
        CLSID encoder = hostPngEncoder();
        saved = Gdiplus::DllExports::GdipSaveImageToFile(picture, path.c_str(), &encoder, nullptr) == Gdiplus::Ok;
        Gdiplus::DllExports::GdipDisposeImage(picture);
    }
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return saved;
}

bool hostPutBitmapOnClipboard(HBITMAP bitmap) {
    if (!OpenClipboard(nullptr)) {
        DeleteObject(bitmap);
        return false;
    }
    EmptyClipboard();
    bool put = SetClipboardData(CF_BITMAP, bitmap) != nullptr;
    CloseClipboard();
    if (!put)
        DeleteObject(bitmap);
    return put;
}

HBITMAP hostSolidBitmap(int width, int height, COLORREF colour) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    RECT all = {0, 0, width, height};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

bool hostPutSolidPictureOnClipboard(int width, int height, COLORREF colour) {
    return hostPutBitmapOnClipboard(hostSolidBitmap(width, height, colour));
}

namespace {

HGLOBAL globalCopy(const void* bytes, size_t count) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, count);
    if (!block)
        return nullptr;
    std::memcpy(GlobalLock(block), bytes, count);
    GlobalUnlock(block);
    return block;
}

// A DROPFILES header, then the wide paths, each ended, and an empty one.
HGLOBAL dropList(const std::vector<std::wstring>& files) {
    std::vector<uint8_t> bytes(sizeof(DROPFILES));
    DROPFILES header = {};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = TRUE;
    std::memcpy(bytes.data(), &header, sizeof(header));
    for (const std::wstring& file : files) {
        auto* text = reinterpret_cast<const uint8_t*>(file.c_str());
        bytes.insert(bytes.end(), text, text + (file.size() + 1) * sizeof(wchar_t));
    }
    bytes.insert(bytes.end(), sizeof(wchar_t), 0);
    return globalCopy(bytes.data(), bytes.size());
}

// Hands the block to the clipboard, which owns it from then on (freed on failure).
bool putBlock(UINT format, HGLOBAL block) {
    if (block && SetClipboardData(format, block))
        return true;
    if (block)
        GlobalFree(block);
    return false;
}

}  // namespace

bool hostPutOnClipboard(HBITMAP bitmap, const std::vector<uint8_t>& png, const std::vector<std::wstring>& files) {
    if (!OpenClipboard(nullptr)) {
        if (bitmap)
            DeleteObject(bitmap);
        return false;
    }
    EmptyClipboard();
    bool put = true;
    if (bitmap && !SetClipboardData(CF_BITMAP, bitmap)) {
        DeleteObject(bitmap);
        put = false;
    }
    if (!png.empty())
        put = putBlock(RegisterClipboardFormatW(L"PNG"), globalCopy(png.data(), png.size())) && put;
    if (!files.empty())
        put = putBlock(CF_HDROP, dropList(files)) && put;
    CloseClipboard();
    return put;
}

bool hostPutPictureOnClipboard(int width, int height) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    static const COLORREF bands[] = {RGB(70, 130, 180), RGB(240, 200, 80), RGB(120, 180, 90), RGB(230, 110, 90)};
    for (int i = 0; i < 4; i++) {
        RECT band = {0, height * i / 4, width, height * (i + 1) / 4};
        HBRUSH brush = CreateSolidBrush(bands[i]);
        FillRect(memory, &band, brush);
        DeleteObject(brush);
    }
    for (int x = 0; x < width; x += 40) {
        RECT line = {x, 0, x + 1, height};
        FillRect(memory, &line, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return hostPutBitmapOnClipboard(bitmap);
}

std::string hostUtf8(const std::wstring& text) {
    std::string out;
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return out;
    out.resize(size_t(size - 1));
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], size, nullptr, nullptr);
    return out;
}
