// Contact menu: the items are added once at load and shown per menu rebuild
// when any of the menu's contacts is at a status other than 7.
#include "contactMenu.h"

#include <windows.h>

#include <commdlg.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <initializer_list>
#include <iterator>

#include "../editor/editorWindow.h"
#include "../image/capture.h"
#include "../image/windowList.h"
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
constexpr int32_t statusUnknown = 0;
constexpr size_t statusNameUnits = 255;

MenuItemRecord menuItemRecord = [] {
    MenuItemRecord record = {};
    record.size = sizeof(MenuItemRecord);
    return record;
}();

}  // namespace

void addMenuItems() {
    for (const MenuItem& item : menuItems) {
        menuItemRecord = {};
        menuItemRecord.size = sizeof(MenuItemRecord);
        menuItemRecord.itemId = item.id;
        menuItemRecord.menuName = contactSendMenu;
        menuItemRecord.caption = item.caption;
        menuItemRecord.onClick = onMenuClick;
        menuItemRecord.userData = uint64_t(item.source);
        callHost(hostMenuAdd, &menuItemRecord);
    }
}

void removeMenuItems() {
    menuItemRecord = {};
    menuItemRecord.size = sizeof(MenuItemRecord);
    menuItemRecord.menuName = contactSendMenu;
    for (const MenuItem& item : menuItems) {
        menuItemRecord.itemId = item.id;
        callHost(hostMenuRemove, &menuItemRecord);
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

// A name that does not fit is not called: cut short it could name another
// network's function. Such a contact's status is unknown, which is not the
// status that hides the items.
static int32_t contactStatus(const ContactRecord& contact) {
    StatusRecord record = {};
    record.size = sizeof(StatusRecord);
    wchar_t name[statusNameUnits] = {};
    if (!formatNetFunctionName(name, std::size(name), contact, netStatusGet))
        return statusUnknown;
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

constexpr size_t filterTextUnits = 160;

// Label, patterns, label, patterns, ..., then the closing empty text, in a
// fixed buffer: nothing on the click's road may throw into the host.
const wchar_t* filterText() {
    static wchar_t text[filterTextUnits];
    size_t at = 0;
    for (const FileFilter& filter : fileFilters) {
        for (const wchar_t* part : {filter.label, filter.patterns}) {
            size_t units = std::wcslen(part) + 1;
            if (at + units + 1 > std::size(text))
                break;
            std::wmemcpy(text + at, part, units);
            at += units;
        }
    }
    text[at] = L'\0';
    return text;
}

// Pictures GDI+ keeps in a palette format snap every drawn pixel to the
// palette, so they are drawn on as 32-bit ARGB; other formats stay as they are.
bool makeDrawable(ImageHolder* holder) {
    Gdiplus::PixelFormat format = 0;
    if (GdipGetImagePixelFormat(holder->bitmap, &format) != Gdiplus::Ok)
        return false;
    if ((format & PixelFormatIndexed) == 0)
        return true;
    GpBitmap* converted = nullptr;
    if (GdipCloneBitmapAreaI(0, 0, INT(imageWidth(holder)), INT(imageHeight(holder)), PixelFormat32bppARGB,
                             holder->bitmap, &converted) != Gdiplus::Ok ||
        !converted)
        return false;
    GdipDisposeImage(holder->bitmap);
    holder->bitmap = converted;
    return true;
}

// The checks, the fitting and the conversion every taken-in picture goes
// through; false, with no bitmap left, for one that cannot be used.
bool takeIn(ImageHolder* holder) {
    if (acceptsPictureSize(imageWidth(holder), imageHeight(holder))) {
        fitToScreen(holder);
        if (makeDrawable(holder))
            return true;
    }
    GdipDisposeImage(holder->bitmap);
    holder->bitmap = nullptr;
    return false;
}

bool pictureFromClipboard(ImageHolder* holder) {
    ClipboardGuard clipboard;
    if (!clipboard.open)
        return false;
    auto* bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    if (!bitmap || GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &holder->bitmap) != Gdiplus::Ok)
        return false;
    return takeIn(holder);
}

bool pictureFromFile(ImageHolder* holder) {
    wchar_t buffer[fileNameUnits] = {};
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.lpstrFilter = filterText();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer;
    dialog.nMaxFile = DWORD(std::size(buffer));
    dialog.lpstrInitialDir = L"";
    dialog.lpstrTitle = L"Obrazek do wysłania";
    dialog.Flags = openFileFlags;
    dialog.lpstrDefExt = L"";
    wchar_t path[fileNameUnits * 2] = {};
    // A refused dialog may leave other things in the buffer (for a list too long
    // for it, the size it needs), so only a chosen file is read from it.
    bool chosen = GetOpenFileNameW(&dialog) != 0;
    if (chosen)
        firstChosenFile(buffer, std::size(buffer), path, std::size(path));
    if (chosen && GdipCreateBitmapFromFile(path, &holder->bitmap) == Gdiplus::Ok && takeIn(holder))
        return true;
    writeLog(hostTable, logLevel, logSource, L"Could not open picture from file %s", path);
    return false;
}

// Takes the picture, and for a screenshot the windows it shows; false when
// taking it failed and the click ends.
bool takePicture(int32_t source, ImageHolder* holder, WindowList** windows) {
    switch (source) {
    case sourceScreen:
        Sleep(300);
        if (captureScreen(holder, windows))
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

// Every text is read within the buffer: a list without its closing empty
// text must not run the formatting past the buffer's end.
void firstChosenFile(const wchar_t* buffer, size_t units, wchar_t* path, size_t pathUnits) {
    size_t first = wcsnlen(buffer, units);
    bool several = first + 1 < units && buffer[first + 1] != L'\0';
    if (!several) {
        formatText(path, pathUnits, L"%.*s", int(first), buffer);
        return;
    }
    const wchar_t* folder = buffer;
    const wchar_t* name = buffer + first + 1;
    size_t nameUnits = wcsnlen(name, units - first - 1);
    bool endsInSeparator = first > 0 && (folder[first - 1] == L'\\' || folder[first - 1] == L'/');
    formatText(path, pathUnits, endsInSeparator ? L"%.*s%.*s" : L"%.*s\\%.*s", int(first), folder,
               int(nameUnits), name);
}

bool acceptsPictureSize(uint32_t width, uint32_t height) {
    return uint64_t(width) * height <= largestPicturePixels;
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
    WindowList* windows = nullptr;
    // Without contacts the editor would not open, and handing it the picture
    // would close the one already open with its drawing.
    if (!holder || !takePicture(int32_t(menuItem->userData & 0xFFFFFFFFu), holder, &windows) || count == 0) {
        freeImageHolder(holder);
        freeWindowList(windows);
        std::free(contacts);
        return 0;
    }
    openEditor(holder, contacts, count, windows);
    return 0;
}
