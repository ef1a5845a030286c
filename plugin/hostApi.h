// The contract between snipLeaf and the WTW host, and between snipLeaf and the
// two plug-ins it hands pictures to: every record that crosses the boundary,
// with its size and field offsets pinned, the function-pointer types of the
// host's table and of the callbacks, and the exported entry points.
// The stand-in host in host/ is written against this same header.
#pragma once

#include <cstddef>
#include <cstdint>

struct HostFunctionTable;
struct MenuItemRecord;
struct MenuPopupInfo;

using CallFunctionFn = int64_t (*)(const wchar_t* name, int64_t wParam, int64_t lParam);
using FunctionExistsFn = int64_t (*)(const wchar_t* name);
// The host calls a hooked handler with the event's record first; the plug-in
// reads nothing else.
using EventHandlerFn = int64_t (*)(void* eventRecord, int64_t lParam, int64_t userValue);
using HookEventFn = int64_t (*)(const wchar_t* eventName, EventHandlerFn handler, int64_t userValue);
using UnhookEventFn = int64_t (*)(int64_t hookHandle);
using MenuClickFn = int64_t (*)(MenuItemRecord* menuItem, MenuPopupInfo* menuPopupInfo);
using ShowItemFn = int64_t (*)(int64_t userValue, const wchar_t* itemId);

// Only four slots are used; the others belong to the host.
struct HostFunctionTable {
    void* hostSlot0;
    void* hostSlot1;
    CallFunctionFn callFunction;
    FunctionExistsFn functionExists;
    void* hostSlot4;
    void* hostSlot5;
    void* hostSlot6;
    void* hostSlot7;
    HookEventFn hookEvent;
    UnhookEventFn unhookEvent;
};
static_assert(offsetof(HostFunctionTable, callFunction) == 16);
static_assert(offsetof(HostFunctionTable, functionExists) == 24);
static_assert(offsetof(HostFunctionTable, hookEvent) == 64);
static_assert(offsetof(HostFunctionTable, unhookEvent) == 72);
static_assert(sizeof(HostFunctionTable) == 80);

struct LogRecord {
    uint32_t size;  // 40
    int32_t level;
    const wchar_t* source;
    const wchar_t* message;
    uint64_t reserved[2];
};
static_assert(sizeof(LogRecord) == 40);
static_assert(offsetof(LogRecord, level) == 4);
static_assert(offsetof(LogRecord, source) == 8);
static_assert(offsetof(LogRecord, message) == 16);
static_assert(offsetof(LogRecord, reserved) == 24);

struct PluginInfo {
    uint32_t size;  // 128
    uint32_t reserved0;
    const wchar_t* name;
    const wchar_t* description;
    const wchar_t* copyright;
    const wchar_t* author;
    const wchar_t* authorEmail;
    const wchar_t* authorWebsite;
    const wchar_t* emptyText;
    uint64_t version;     // 16-bit parts from the top: 2, 0, 0, 1200
    uint64_t minVersion;  // 1, 1, 3, 0
    uint32_t flags;       // 4
    uint8_t reserved1[12];
    const wchar_t* guid;
    uint8_t reserved2[24];
};
static_assert(sizeof(PluginInfo) == 128);
static_assert(offsetof(PluginInfo, name) == 8);
static_assert(offsetof(PluginInfo, description) == 16);
static_assert(offsetof(PluginInfo, copyright) == 24);
static_assert(offsetof(PluginInfo, author) == 32);
static_assert(offsetof(PluginInfo, authorEmail) == 40);
static_assert(offsetof(PluginInfo, authorWebsite) == 48);
static_assert(offsetof(PluginInfo, emptyText) == 56);
static_assert(offsetof(PluginInfo, version) == 64);
static_assert(offsetof(PluginInfo, minVersion) == 72);
static_assert(offsetof(PluginInfo, flags) == 80);
static_assert(offsetof(PluginInfo, reserved1) == 84);
static_assert(offsetof(PluginInfo, guid) == 96);
static_assert(offsetof(PluginInfo, reserved2) == 104);

struct GraphRecord {
    uint32_t size;  // 72
    uint32_t reserved0;
    const wchar_t* graphId;
    uint64_t reserved1[3];
    const wchar_t* fileName;  // Load only
    uint64_t reserved2;
    void* module;             // Load only
    uint32_t flags;           // 8 for Load, 4 for GetImage
    uint32_t reserved3;
};
static_assert(sizeof(GraphRecord) == 72);
static_assert(offsetof(GraphRecord, graphId) == 8);
static_assert(offsetof(GraphRecord, reserved1) == 16);
static_assert(offsetof(GraphRecord, fileName) == 40);
static_assert(offsetof(GraphRecord, reserved2) == 48);
static_assert(offsetof(GraphRecord, module) == 56);
static_assert(offsetof(GraphRecord, flags) == 64);
static_assert(offsetof(GraphRecord, reserved3) == 68);

struct ConfigFileRecord {
    uint32_t size;  // 32
    uint32_t reserved0;
    wchar_t* pathBuffer;
    uint32_t capacity;  // in UTF-16 code units
    uint8_t reserved1[12];
};
static_assert(sizeof(ConfigFileRecord) == 32);
static_assert(offsetof(ConfigFileRecord, pathBuffer) == 8);
static_assert(offsetof(ConfigFileRecord, capacity) == 16);
static_assert(offsetof(ConfigFileRecord, reserved1) == 20);

struct SettingRecord {
    uint32_t size;  // 48
    uint32_t reserved0;
    const wchar_t* key;
    uint32_t valueType;  // always 1
    uint32_t reserved1;
    int64_t value;
    uint64_t reserved2;
    uint64_t settingsHandle;
};
static_assert(sizeof(SettingRecord) == 48);
static_assert(offsetof(SettingRecord, key) == 8);
static_assert(offsetof(SettingRecord, valueType) == 16);
static_assert(offsetof(SettingRecord, reserved1) == 20);
static_assert(offsetof(SettingRecord, value) == 24);
static_assert(offsetof(SettingRecord, reserved2) == 32);
static_assert(offsetof(SettingRecord, settingsHandle) == 40);

struct ContactRecord {
    uint32_t size;  // 56
    uint8_t hostData0[12];
    uint64_t contactId;
    const wchar_t* netClass;
    int32_t netId;
    uint8_t hostData1[20];
};
static_assert(sizeof(ContactRecord) == 56);
static_assert(offsetof(ContactRecord, hostData0) == 4);
static_assert(offsetof(ContactRecord, contactId) == 16);
static_assert(offsetof(ContactRecord, netClass) == 24);
static_assert(offsetof(ContactRecord, netId) == 32);
static_assert(offsetof(ContactRecord, hostData1) == 36);

struct MenuItemRecord {
    uint32_t size;  // 96
    uint32_t reserved0;
    const wchar_t* itemId;
    const wchar_t* menuName;
    const wchar_t* caption;
    uint64_t reserved1[3];
    MenuClickFn onClick;
    uint64_t reserved2[3];
    uint64_t userData;  // the item's picture source
};
static_assert(sizeof(MenuItemRecord) == 96);
static_assert(offsetof(MenuItemRecord, itemId) == 8);
static_assert(offsetof(MenuItemRecord, menuName) == 16);
static_assert(offsetof(MenuItemRecord, caption) == 24);
static_assert(offsetof(MenuItemRecord, reserved1) == 32);
static_assert(offsetof(MenuItemRecord, onClick) == 56);
static_assert(offsetof(MenuItemRecord, reserved2) == 64);
static_assert(offsetof(MenuItemRecord, userData) == 88);

struct MenuPopupInfo {
    uint64_t hostData0[4];
    int32_t contactCount;
    uint32_t reserved0;
    ContactRecord* contacts;
};
static_assert(sizeof(MenuPopupInfo) == 48);
static_assert(offsetof(MenuPopupInfo, contactCount) == 32);
static_assert(offsetof(MenuPopupInfo, contacts) == 40);

struct MenuRebuildEvent {
    uint64_t hostData0;
    MenuPopupInfo* pInfo;
    int64_t userValue;  // handed back as the first argument of showItem
    uint64_t hostData1;
    ShowItemFn showItem;
};
static_assert(sizeof(MenuRebuildEvent) == 40);
static_assert(offsetof(MenuRebuildEvent, pInfo) == 8);
static_assert(offsetof(MenuRebuildEvent, userValue) == 16);
static_assert(offsetof(MenuRebuildEvent, showItem) == 32);

struct StatusRecord {
    uint32_t size;  // 64
    uint8_t reserved0[12];
    int32_t status;
    uint8_t reserved1[44];
};
static_assert(sizeof(StatusRecord) == 64);
static_assert(offsetof(StatusRecord, status) == 16);
static_assert(offsetof(StatusRecord, reserved1) == 20);

struct SendPictureRecord {
    uint32_t size;  // 72
    uint32_t reserved0;
    ContactRecord contact;
    const wchar_t* fileName;
};
static_assert(sizeof(SendPictureRecord) == 72);
static_assert(offsetof(SendPictureRecord, contact) == 8);
static_assert(offsetof(SendPictureRecord, fileName) == 64);

struct SendFileRecord {
    uint32_t size;  // 592
    wchar_t filePath[260];
    uint32_t reserved0;
    ContactRecord contact;
    uint64_t reserved1;
};
static_assert(sizeof(SendFileRecord) == 592);
static_assert(offsetof(SendFileRecord, filePath) == 4);
static_assert(offsetof(SendFileRecord, reserved0) == 524);
static_assert(offsetof(SendFileRecord, contact) == 528);
static_assert(offsetof(SendFileRecord, reserved1) == 584);

struct SendImageRecord {
    const wchar_t* fileName;
    uint64_t contactId;
    const wchar_t* netClass;
    int32_t netId;
    uint32_t reserved0;
};
static_assert(sizeof(SendImageRecord) == 32);
static_assert(offsetof(SendImageRecord, contactId) == 8);
static_assert(offsetof(SendImageRecord, netClass) == 16);
static_assert(offsetof(SendImageRecord, netId) == 24);

// The host's functions the plug-in calls through callFunction, one row each:
// name, then what it takes (wParam; lParam) and what it answers.
constexpr auto hostLog = L"WTW/Log";                                           // LogRecord*; 0 -> ignored
constexpr auto hostSettingsGetMyConfigFile = L"WTW/Settings/GetMyConfigFile";  // ConfigFileRecord*; module -> path
constexpr auto hostSettingsInitEx = L"WTW/Settings/InitEx";                    // path; &handle -> 0 when open
constexpr auto hostSettingsRead = L"WTW/Settings/Read";                        // handle; 0 -> ignored
constexpr auto hostSettingsGet = L"WTW/Settings/Get";                          // SettingRecord*; 0 -> 0 when not stored
constexpr auto hostSettingsSet = L"WTW/Settings/Set";                          // SettingRecord*; 0 -> ignored
constexpr auto hostSettingsWrite = L"WTW/Settings/Write";                      // handle; 0 -> ignored
constexpr auto hostSettingsDestroy = L"WTW/Settings/Destroy";                  // handle; module -> ignored
constexpr auto hostMenuAdd = L"WTW/Menu/Add";                                  // MenuItemRecord*; 0 -> ignored
constexpr auto hostMenuRemove = L"WTW/Menu/Remove";                            // MenuItemRecord*; 0 -> ignored
constexpr auto hostGraphLoad = L"WTW/Graph/Load";                              // GraphRecord*; 0 -> 1 when loaded
constexpr auto hostGraphGetImage = L"WTW/Graph/GetImage";                      // GraphRecord*; 0 -> HBITMAP

// Each network's own, called as "<netClass>/<netId>/<suffix>".
constexpr auto netStatusGet = L"PFStatusGet";      // StatusRecord*; 0 -> status filled in
constexpr auto netSendPicture = L"PFSendPicture";  // SendPictureRecord*; 0 -> hostOk; too large: hostOutOfMemory

// The two other plug-ins; their toolbar buttons show only when functionExists finds them.
constexpr auto fileTransferFunction = L"upDeck/sendFile";          // SendFileRecord*; 0 -> ignored
constexpr auto imageHostingFunction = L"wtwImageShack/sendImage";  // SendImageRecord*; 0 -> ignored

// The event hooked at load, and the host's menu the items are added to.
constexpr auto menuRebuildEvent = L"WTW/OnMenuRebuild";     // handler(MenuRebuildEvent*, 0, userValue)
constexpr auto contactSendMenu = L"WTW/Menu/Contact/Send";  // MenuItemRecord::menuName

// Results the host and the plug-in exchange, as 32-bit values.
constexpr int32_t hostOk = 0;
constexpr int32_t hostAbort = int32_t(0x80004004);        // E_ABORT
constexpr int32_t hostUnexpected = int32_t(0x8000FFFF);   // E_UNEXPECTED
constexpr int32_t hostOutOfMemory = int32_t(0x8007000E);  // E_OUTOFMEMORY

// The three exports, by name with ordinals pluginLoad 1, pluginUnload 2,
// queryPlugInfo 3 (resources/snipLeaf.def). Their arguments other than the
// host's table are not used.
using QueryPlugInfoFn = PluginInfo* (*)(uint64_t);
using PluginLoadFn = int32_t (*)(uint64_t, HostFunctionTable*);
using PluginUnloadFn = int32_t (*)(uint64_t);

extern "C" {
PluginInfo* queryPlugInfo(uint64_t unused);
int32_t pluginLoad(uint64_t unused, HostFunctionTable* table);
int32_t pluginUnload(uint64_t unused);
}
