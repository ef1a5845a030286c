// The stand-in messenger a person sees: a contact list on two networks, a chat
// pane per contact showing the pictures it received, the contact menu built
// through the menu-rebuild event as the real host builds it, switchable
// stand-ins for the file-transfer and image-hosting plug-ins, and a log window
// with what the plug-in wrote to the host's log.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "standInHost.h"

struct MessengerContact {
    const wchar_t* name;     // as the list shows it
    const wchar_t* fileTag;  // in the names of the received files, plain ASCII
    HostContact contact;     // its status is the network's, see messengerNetworkStatus
};

// Pictures above this size make the first network answer E_OUTOFMEMORY.
constexpr size_t messengerPictureLimit = 100 * 1024;

// Opens the window over the host as hostReset left it, registering the
// networks' functions and the log; received files go to receivedFolder.
HWND messengerOpen(const std::wstring& receivedFolder);
void messengerClose();
HWND messengerWindow();

const std::vector<MessengerContact>& messengerContacts();
void messengerSelect(const std::vector<size_t>& indices);
std::vector<HostContact> messengerSelection();
// The status a network's "PFStatusGet" reports; settable from the window's menu.
int32_t messengerNetworkStatus(const std::wstring& netClass);
void messengerSetPluginStandIns(bool fileTransfer, bool imageHosting);

// Opens the contact menu for the selection, as a right click on the list does,
// and clicks the item chosen in it.
void messengerOpenContactMenu();
// The plug-in's items the last contact menu showed, in menu order.
const std::vector<std::wstring>& messengerShownItems();
// Runs once from inside the open contact menu's own loop, a moment after the
// step before it, so a scripted user can look at the menu and type into it.
void messengerWhenMenuOpen(std::function<void(HWND owner)> step);

// Everything the log window shows, one entry per line.
const std::vector<std::wstring>& messengerLogLines();
void messengerLog(const std::wstring& line);
// How many pictures a contact's chat pane shows.
size_t messengerReceivedCount(size_t contactIndex);
