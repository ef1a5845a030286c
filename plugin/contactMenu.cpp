// Contact menu: the items are added once at load and shown per menu rebuild
// when any of the menu's contacts is at a status other than 7.
#include "contactMenu.h"

#include <windows.h>

#include <commdlg.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <iterator>

#include "../editor/editorWindow.h"
#include "../image/capture.h"
#include "hostBridge.h"

namespace {

struct MenuItem {
    const wchar_t* id;
    const wchar_t* caption;
    ImageSource source;
};

const MenuItem menuItems[] = {
    {L"snipLeaf/Screen", L"Wyślij zrzut ekranu...", sourceScreen},
    {L"snipLeaf/Clipboard", L"Wyślij obrazek ze schowka...", sourceClipboard},
    {L"snipLeaf/File", L"Wyślij fragment obrazka...", sourceFile},
};

constexpr int32_t statusHidingItems = 7;
constexpr size_t statusNameUnits = 255;

}  // namespace

MenuItemRecord menuItemRecord = [] {
    MenuItemRecord record = {};
    record.size = sizeof(MenuItemRecord);
    return record;
}();

void addMenuItems() {
    for (const MenuItem& item : menuItems) {
        menuItemRecord = {};
        menuItemRecord.size = sizeof(MenuItemRecord);
        menuItemRecord.itemId = item.id;
        menuItemRecord.menuName = contactSendMenu;
        menuItemRecord.caption = item.caption;
        menuItemRecord.onClick = onMenuClick;
        menuItemRecord.userData = uint64_t(item.source);
        callHost(L"WTW/Menu/Add", &menuItemRecord);
    }
}

void removeMenuItems() {
    menuItemRecord = {};
    menuItemRecord.size = sizeof(MenuItemRecord);
    menuItemRecord.menuName = contactSendMenu;
    for (const MenuItem& item : menuItems) {
        menuItemRecord.itemId = item.id;
        callHost(L"WTW/Menu/Remove", &menuItemRecord);
    }
}

int32_t popupContactCount(const MenuPopupInfo& info) {
    if (!info.contacts || info.contactCount < 0)
        return 0;
    return info.contactCount;
}

bool showsItemsForStatus(int32_t status) {
    return status != statusHidingItems;
}

static int32_t contactStatus(const ContactRecord& contact) {
    StatusRecord record = {};
    record.size = sizeof(StatusRecord);
    wchar_t name[statusNameUnits] = {};
    // A name that does not fit is cut, as a host function of that name cannot
    // exist anyway; the untouched status then reads 0.
    formatText(name, std::size(name), L"%s/%d/%s", contact.netClass ? contact.netClass : L"", contact.netId,
               L"PFStatusGet");
    callHost(name, &record);
    return record.status;
}

int64_t onMenuRebuild(void* eventRecord, int64_t, int64_t) {
    auto* event = static_cast<MenuRebuildEvent*>(eventRecord);
    if (!event || !event->pInfo) {
        writeLog(hostTable, logLevel, logSource, L"onMenuRebuild: event or event->pInfo is NULL");
        return -1;
    }
    int32_t count = popupContactCount(*event->pInfo);
    for (int32_t i = 0; i < count; i++) {
        if (!showsItemsForStatus(contactStatus(event->pInfo->contacts[i])) || !event->showItem)
            continue;
        for (const MenuItem& item : menuItems)
            event->showItem(event->userValue, item.id);
    }
    return 0;
}

using namespace Gdiplus::DllExports;

namespace {

struct FileFilter {
    const wchar_t* label;
    const wchar_t* patterns;
};

const FileFilter fileFilters[] = {
    {L"Obrazki", L"*.jpg;*.jpeg;*.jpe;*.png;*.gif;*.mng"},
    {L"JPEG", L"*.jpg;*.jpeg;*.jpe"},
    {L"PNG", L"*.png;*.mng"},
    {L"GIF", L"*.gif"},
    {L"Wszystkie pliki", L"*.*"},
};

constexpr DWORD openFileFlags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_ALLOWMULTISELECT | OFN_NOCHANGEDIR;
static_assert(openFileFlags == 0x80A08);

struct ClipboardGuard {
    bool open;
    ClipboardGuard() : open(OpenClipboard(nullptr) != 0) {}
    ClipboardGuard(const ClipboardGuard&) = delete;
    ClipboardGuard& operator=(const ClipboardGuard&) = delete;
    ~ClipboardGuard() {
        if (open)
            CloseClipboard();
    }
};

// Label, patterns, label, patterns, ..., then the closing empty text.
std::wstring filterText() {
    std::wstring text;
    for (const FileFilter& filter : fileFilters) {
        text.append(filter.label).push_back(L'\0');
        text.append(filter.patterns).push_back(L'\0');
    }
    return text;
}

bool pictureFromClipboard(ImageHolder* holder) {
    ClipboardGuard clipboard;
    if (!clipboard.open)
        return false;
    auto* bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    if (!bitmap || GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &holder->bitmap) != Gdiplus::Ok)
        return false;
    fitToScreen(holder);
    return true;
}

bool pictureFromFile(ImageHolder* holder) {
    wchar_t buffer[fileNameUnits] = {};
    std::wstring filters = filterText();
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.lpstrFilter = filters.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer;
    dialog.nMaxFile = DWORD(std::size(buffer));
    dialog.lpstrInitialDir = L"";
    dialog.lpstrTitle = L"Obrazek do wysłania";
    dialog.Flags = openFileFlags;
    dialog.lpstrDefExt = L"";
    wchar_t path[fileNameUnits * 2] = {};
    bool chosen = GetOpenFileNameW(&dialog) != 0;
    firstChosenFile(buffer, std::size(buffer), path, std::size(path));
    if (chosen && GdipCreateBitmapFromFile(path, &holder->bitmap) == Gdiplus::Ok) {
        fitToScreen(holder);
        return true;
    }
    writeLog(hostTable, logLevel, logSource, L"Could not open picture from file %s", path);
    return false;
}

// Takes the picture; false when taking it failed and the click ends.
bool takePicture(int32_t source, ImageHolder* holder) {
    switch (source) {
    case sourceScreen:
        Sleep(300);
        if (captureScreen(holder))
            return true;
        writeLog(hostTable, logLevel, logSource, L"Could not take screenshot");
        return false;
    case sourceClipboard:
        return pictureFromClipboard(holder);
    case sourceFile:
        return pictureFromFile(holder);
    default:
        return true;
    }
}

}  // namespace

void firstChosenFile(const wchar_t* buffer, size_t units, wchar_t* path, size_t pathUnits) {
    size_t first = wcsnlen(buffer, units);
    bool several = first + 1 < units && buffer[first + 1] != L'\0';
    if (!several) {
        formatText(path, pathUnits, L"%s", buffer);
        return;
    }
    const wchar_t* folder = buffer;
    const wchar_t* name = buffer + first + 1;
    bool endsInSeparator = first > 0 && (folder[first - 1] == L'\\' || folder[first - 1] == L'/');
    formatText(path, pathUnits, endsInSeparator ? L"%s%s" : L"%s\\%s", folder, name);
}

ContactRecord* copyContacts(const MenuPopupInfo& info, int32_t* count) {
    *count = popupContactCount(info);
    if (*count == 0)
        return nullptr;
    auto* copy = static_cast<ContactRecord*>(std::malloc(sizeof(ContactRecord) * size_t(*count)));
    if (!copy) {
        *count = 0;
        return nullptr;
    }
    std::memcpy(copy, info.contacts, sizeof(ContactRecord) * size_t(*count));
    return copy;
}

int64_t onMenuClick(MenuItemRecord* menuItem, MenuPopupInfo* menuPopupInfo) {
    if (!menuItem || !menuPopupInfo) {
        writeLog(hostTable, logLevel, logSource, L"onMenuClick: menuItem or menuPopupInfo is NULL");
        return -1;
    }
    int32_t count = 0;
    ContactRecord* contacts = copyContacts(*menuPopupInfo, &count);
    auto* holder = static_cast<ImageHolder*>(std::calloc(1, sizeof(ImageHolder)));
    if (!holder || !takePicture(int32_t(menuItem->userData & 0xFFFFFFFFu), holder)) {
        freeImageHolder(holder);
        std::free(contacts);
        return 0;
    }
    openEditor(holder, contacts, count);
    return 0;
}
