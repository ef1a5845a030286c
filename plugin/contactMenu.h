// The three items of the contact menu and the intake of a picture from the
// screen, the clipboard or a file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hostApi.h"

enum ImageSource : int32_t { sourceScreen = 0, sourceClipboard = 1, sourceFile = 2 };

void addMenuItems();
void removeMenuItems();
int64_t onMenuRebuild(void* event, int64_t lParam, int64_t userValue);
int64_t onMenuClick(MenuItemRecord* menuItem, MenuPopupInfo* menuPopupInfo);

// The contacts of a popup as a sound array: a null array counts as none.
int32_t popupContactCount(const MenuPopupInfo& info);
// The popup's contacts copied whole into a new array (null for none).
ContactRecord* copyContacts(const MenuPopupInfo& info, int32_t* count);
// The picture to open from the dialog's buffer: the name itself, or for
// several chosen files the folder joined with the first name.
void firstChosenFile(const wchar_t* buffer, size_t units, wchar_t* path, size_t pathUnits);
// Larger pictures are beyond what GDI+ can scale: they are refused at intake.
constexpr uint64_t largestPicturePixels = 500000000;
// True for a picture of at most largestPicturePixels pixels.
bool acceptsPictureSize(uint32_t width, uint32_t height);
// True when the menu's contacts show the items: one status other than 7 is enough.
bool showsItemsForStatus(int32_t status);
