// Our stand-in for the WTW host: a function table, a registry of named host
// functions, a settings store over a real file, contact menus with the rebuild
// event, the toolbar graphic, and a journal of every call with a copy of the
// record the plug-in passed, so tests can check bytes and order.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "../plugin/hostApi.h"

using HostFunction = std::function<int64_t(int64_t wParam, int64_t lParam)>;

enum class JournalKind { call, exists, hook, unhook };

struct JournalEntry {
    JournalKind kind;
    std::wstring name;
    int64_t wParam;
    int64_t lParam;
    int64_t result;
    std::vector<uint8_t> record;  // the record wParam pointed to, copied at the call
    std::wstring text;            // a text the record names: key, item id, message, path
};

// What the host copies of wParam for the journal.
enum class RecordKind { none, sized, wideText };

struct HostMenuItem {
    std::wstring id;
    std::wstring menuName;
    std::wstring caption;
    MenuClickFn onClick;
    MenuItemRecord record;  // as the plug-in gave it; handed back on a click
};

struct HostContact {
    std::wstring netClass;
    int32_t netId;
    uint64_t contactId;
    int32_t status;
};

struct HostConfig {
    std::wstring settingsFile;  // the plug-in's settings file
    std::wstring graphFolder;   // where "WTW/Graph/Load" looks for its file
};

// A fresh host: built-in functions, empty journal, menus and hooks.
void hostReset(const HostConfig& config);
HostFunctionTable* hostFunctionTable();
// Adds or replaces a named function.
void hostRegister(const std::wstring& name, HostFunction function, RecordKind kind = RecordKind::sized);
void hostUnregister(const std::wstring& name);

const std::vector<JournalEntry>& hostJournal();
void hostClearJournal();
// The journal's call names in order, for checking call sequences.
std::vector<std::wstring> hostCallNames();
// The log messages the plug-in wrote, in order.
std::vector<std::wstring> hostLogMessages();

// Scripted answers: the next hookEvent handle (0 means "no hook").
void hostSetNextHookHandle(int64_t handle);
const std::map<std::wstring, HostMenuItem>& hostMenuItems();
std::vector<std::wstring> hostMenuOrder();
// Settings as the host holds them in memory.
std::map<std::wstring, int64_t>& hostSettings();
bool hostSettingsOpen();

// Rebuilds a contact menu: every handler hooked to "WTW/OnMenuRebuild" runs,
// and the ids of the items shown come back in the order shown.
std::vector<std::wstring> hostRebuildMenu(const std::vector<HostContact>& contacts);
// Calls every handler hooked to the event with the record; their answers in order.
std::vector<int64_t> hostRaiseEvent(const std::wstring& eventName, void* record);
// Registers "<netClass>/<netId>/PFStatusGet" answering the contact's status.
void hostAddStatusFunction(const HostContact& contact);
// Clicks a menu item for the contacts, as the host's menu does.
int64_t hostClickItem(const std::wstring& itemId, const std::vector<HostContact>& contacts);
// A contact record as the host hands it to the plug-in.
ContactRecord hostContactRecord(const HostContact& contact);

struct PluginModule {
    HMODULE module;
    QueryPlugInfoFn queryPlugInfo;
    PluginLoadFn pluginLoad;
    PluginUnloadFn pluginUnload;
};

bool hostOpenPlugin(const std::wstring& dllPath, PluginModule* plugin);
void hostClosePlugin(PluginModule* plugin);
// The folder of the running executable, with a trailing backslash.
std::wstring hostExeFolder();

// The text in UTF-8, for summaries and the console.
std::string hostUtf8(const std::wstring& text);
// Runs the thread's message loop for about the given time.
void hostPumpMessages(DWORD milliseconds);
// GDI+'s PNG encoder.
CLSID hostPngEncoder();
// GDI+'s encoder for a MIME type ("image/jpeg"); all zero when there is none.
CLSID hostImageEncoder(const wchar_t* mimeType);
// Saves what the screen shows of a window as a PNG file.
bool hostSaveWindowPng(HWND window, const std::wstring& path);
// Saves what the screen shows in the rectangle, menus and message boxes included.
bool hostSaveScreenPng(const RECT& area, const std::wstring& path);
// Puts a width x height test picture on the clipboard: colour bands and a grid.
bool hostPutPictureOnClipboard(int width, int height);
// Hands the bitmap to the clipboard, which owns it from then on (deleted on failure).
bool hostPutBitmapOnClipboard(HBITMAP bitmap);
// Puts a picture of one colour on the clipboard.
bool hostPutSolidPictureOnClipboard(int width, int height, COLORREF colour);
// A screen-compatible bitmap of one colour; the caller owns it.
HBITMAP hostSolidBitmap(int width, int height, COLORREF colour);
// Puts the given formats on the clipboard at once, as one program's copy does:
// the bitmap (the clipboard's from then on, deleted on failure), the
// registered format "PNG" holding the bytes, and CF_HDROP listing the files,
// as a file manager's copy does; a null bitmap or an empty list is left out.
bool hostPutOnClipboard(HBITMAP bitmap, const std::vector<uint8_t>& png, const std::vector<std::wstring>& files);
