// Contact menu: the items are added once at load and shown per menu rebuild
// when any of the menu's contacts is at a status other than 7.
#include "contactMenu.h"

#include <iterator>

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

int64_t onMenuClick(MenuItemRecord* menuItem, MenuPopupInfo* menuPopupInfo) {
    if (!menuItem || !menuPopupInfo) {
        writeLog(hostTable, logLevel, logSource, L"onMenuClick: menuItem or menuPopupInfo is NULL");
        return -1;
    }
    return 0;
}
