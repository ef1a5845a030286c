// The three items of the contact menu and the intake of a picture from the
// screen, the clipboard or a file.
#pragma once

#include <cstdint>

#include "hostApi.h"

enum ImageSource : int32_t { sourceScreen = 0, sourceClipboard = 1, sourceFile = 2 };

constexpr const wchar_t* contactSendMenu = L"WTW/Menu/Contact/Send";

extern MenuItemRecord menuItemRecord;

void addMenuItems();
void removeMenuItems();
int64_t onMenuRebuild(void* event, int64_t lParam, int64_t userValue);
int64_t onMenuClick(MenuItemRecord* menuItem, MenuPopupInfo* menuPopupInfo);

// The contacts of a popup as a sound array: a null array counts as none.
int32_t popupContactCount(const MenuPopupInfo& info);
// True when the menu's contacts show the items: one status other than 7 is enough.
bool showsItemsForStatus(int32_t status);
