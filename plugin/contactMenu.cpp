// Contact menu: the items are added once at load and shown per menu rebuild
// when any of the menu's contacts is at a status other than 7.
#include "contactMenu.h"

#include <windows.h>

#include <commdlg.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <initializer_list>
#include <iterator>

#include "../editor/editorWindow.h"
#include "../image/capture.h"
#include "../image/gdiGuards.h"
#include "../image/pictureHeader.h"
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

// The open dialog's buffer and every path read from it hold a long path, up
// to the platform's 32767 units, or a list of several names: with 260 units a
// path of 260 to 263 characters ended the dialog with FNERR_BUFFERTOOSMALL,
// which reads as Cancel. Paths of 264 characters or more crash inside Wine's
// own dialog whatever the buffer; that is the platform's fault.
constexpr size_t longPathUnits = 32768;

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

// GDI+ decodes a picture whole before it tells its size: one whose header
// already names too many pixels is refused before that, at once, and so is
// one whose header cannot tell its size, which could name any.
bool headerRefuses(HeaderSize told, const PictureSize& size) {
    return told == headerSizeMissing || (told == headerSizeRead && !acceptsPictureSize(size.width, size.height));
}

// GDI+ decodes from a stream over a block of the plug-in's own, which the
// stream frees: GDI+ keeps the stream as long as the bitmap and may read it
// again. A file read into memory is no longer held open, so the picture can
// be saved over the file it came from.
bool pictureFromBlock(HGLOBAL block, ImageHolder* holder) {
    StreamGuard stream;
    if (CreateStreamOnHGlobal(block, TRUE, &stream.stream) != S_OK) {
        GlobalFree(block);
        return false;
    }
    if (GdipCreateBitmapFromStream(stream, &holder->bitmap) != Gdiplus::Ok) {
        holder->bitmap = nullptr;
        return false;
    }
    return takeIn(holder);
}

// The file's bytes in a block of their own, once its header allows its size;
// null when it refuses it or the file cannot be read whole. The header is
// read from the file first, so a huge picture is refused without reading it.
HGLOBAL checkedFileBytes(const wchar_t* path) {
    FileGuard file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    PictureSize size = {};
    LARGE_INTEGER length = {};
    if (file == INVALID_HANDLE_VALUE || headerRefuses(pictureHeaderSize({file, nullptr, 0}, &size), size) ||
        !GetFileSizeEx(file, &length) || length.QuadPart <= 0)
        return nullptr;
    GlobalGuard block(size_t(length.QuadPart));
    {
        GlobalLockGuard bytes(block);
        if (!bytes || !readPictureBytes({file, nullptr, 0}, 0, bytes, size_t(length.QuadPart)))
            return nullptr;
    }
    return block.release();
}

// A picture file as the file item and a file copied to the clipboard open
// it; a failure is logged with the path.
bool pictureFromPath(const wchar_t* path, ImageHolder* holder) {
    HGLOBAL bytes = checkedFileBytes(path);
    if (bytes && pictureFromBlock(bytes, holder))
        return true;
    writeLog(hostTable, logLevel, logSource, L"Could not open picture from file %s", path);
    return false;
}

bool pictureFromBitmap(HBITMAP bitmap, ImageHolder* holder) {
    if (GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &holder->bitmap) != Gdiplus::Ok) {
        holder->bitmap = nullptr;
        return false;
    }
    return takeIn(holder);
}

// The registered format "PNG" holds a PNG file's bytes. GDI+ reads them from
// a copy: the clipboard's block is the clipboard's again once it closes.
bool pictureFromPngBytes(HGLOBAL block, ImageHolder* holder) {
    SIZE_T bytes = GlobalSize(block);
    GlobalLockGuard source(block);
    PictureSize size = {};
    if (!source || bytes == 0 || headerRefuses(pictureHeaderSize({nullptr, source, bytes}, &size), size))
        return false;
    GlobalGuard copy(bytes);
    {
        GlobalLockGuard target(copy);
        if (!target)
            return false;
        std::memcpy(target, source, bytes);
    }
    return pictureFromBlock(copy.release(), holder);
}

// A copied-file list (CF_HDROP) is a header, then from its offset the names
// one after another, each ended, and an empty one closing the list. The shell
// reads the names wherever the offset points, so it is asked only about a
// list that starts inside the block and is closed inside it.
bool droppedListIsWhole(HGLOBAL block) {
    SIZE_T bytes = GlobalSize(block);
    GlobalLockGuard list(block);
    DROPFILES header = {};
    if (!list || bytes < sizeof(header))
        return false;
    std::memcpy(&header, list, sizeof(header));
    size_t unit = header.fWide ? sizeof(wchar_t) : 1;
    bool ended = false;  // the unit before was a name's end
    for (size_t at = header.pFiles; at < bytes && unit <= bytes - at; at += unit) {
        bool zero = list[at] == 0 && list[at + unit - 1] == 0;
        if (zero && ended)
            return true;
        ended = zero;
    }
    return false;
}

// The path of a file copied in a file manager (CF_HDROP), when it is the only
// one: several files are no one picture.
bool singleDroppedFile(HDROP drop, wchar_t* path, size_t units) {
    if (!drop || !droppedListIsWhole(drop) || DragQueryFileW(drop, 0xFFFFFFFFu, nullptr, 0) != 1)
        return false;
    UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    return length > 0 && length < units && DragQueryFileW(drop, 0, path, UINT(units)) == length;
}

// A bitmap as before, else the registered "PNG" that browsers, image viewers,
// the editor's own copy and X11 programs under Wine offer, else a single
// picture file; a format that cannot be read gives way to the next. The file
// is opened with the clipboard closed again: decoding a large photo takes
// seconds, which no other program should wait for to copy.
bool pictureFromClipboard(ImageHolder* holder) {
    MallocGuard<wchar_t> dropped(longPathUnits * sizeof(wchar_t));
    if (!dropped)
        return false;
    {
        ClipboardGuard clipboard(OpenClipboard(nullptr) != 0);
        if (!clipboard.open)
            return false;
        auto* bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
        if (bitmap && pictureFromBitmap(bitmap, holder))
            return true;
        UINT png = RegisterClipboardFormatW(L"PNG");
        HGLOBAL bytes = png ? GetClipboardData(png) : nullptr;
        if (bytes && pictureFromPngBytes(bytes, holder))
            return true;
        if (!singleDroppedFile(static_cast<HDROP>(GetClipboardData(CF_HDROP)), dropped, longPathUnits))
            return false;
    }
    return pictureFromPath(dropped, holder);
}

bool pictureFromFile(ImageHolder* holder) {
    MallocGuard<wchar_t> buffer(longPathUnits * sizeof(wchar_t));
    MallocGuard<wchar_t> path(longPathUnits * sizeof(wchar_t));
    if (!buffer || !path) {
        writeLog(hostTable, logLevel, logSource, L"Could not open picture from file %s", L"");
        return false;
    }
    // Zeroed: a single name ends at its first terminator, which firstChosenFile
    // tells from a list by the unit after it.
    std::wmemset(buffer, L'\0', longPathUnits);
    path[0] = L'\0';
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.lpstrFilter = filterText();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer;
    dialog.nMaxFile = DWORD(longPathUnits);
    dialog.lpstrInitialDir = L"";
    dialog.lpstrTitle = L"Obrazek do wysłania";
    dialog.Flags = openFileFlags;
    dialog.lpstrDefExt = L"";
    // A refused dialog may leave other things in the buffer (for a list too long
    // for it, the size it needs), so only a chosen file is read from it.
    if (GetOpenFileNameW(&dialog) == 0) {
        writeLog(hostTable, logLevel, logSource, L"Could not open picture from file %s", L"");
        return false;
    }
    firstChosenFile(buffer, longPathUnits, path, longPathUnits);
    return pictureFromPath(path, holder);
}

// The screenshot must not show the menu the click came from. Without a
// compositor the screen keeps the menu's pixels until the windows it covered
// paint again, and those are the host's, on this very thread, which a plain
// Sleep would keep from painting. So the wait takes in the platform's news of
// what was uncovered (a message wait does, for this thread's windows) and
// paints this thread's invalid windows, in short slices until the time is up.
constexpr DWORD menuGoneMilliseconds = 300;
constexpr DWORD repaintSliceMilliseconds = 20;
// A window that never validates would be handed WM_PAINT again and again.
constexpr int paintsPerSlice = 64;

void paintInvalidWindows() {
    MSG message;
    for (int i = 0; i < paintsPerSlice && PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE); i++)
        DispatchMessageW(&message);
}

// The editor is made during the wait, after its first slice: the windows
// the menu uncovered paint first.
void waitRepainting(DWORD milliseconds) {
    ULONGLONG end = GetTickCount64() + milliseconds;
    bool editorMade = false;
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
        DWORD slice = DWORD(end - now < repaintSliceMilliseconds ? end - now : repaintSliceMilliseconds);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, slice, QS_PAINT);
        paintInvalidWindows();
        if (!editorMade) {
            PictureSize size = screenshotSize();
            prepareEditor(size.width, size.height);
            editorMade = true;
        }
    }
}

// Takes the picture, and for a screenshot the windows it shows; false when
// taking it failed and the click ends.
bool takePicture(int32_t source, ImageHolder* holder, WindowList** windows) {
    switch (source) {
    case sourceScreen:
        // The open editor is no part of what the user wants to send; should
        // the capture fail, it comes back as it was.
        hideEditor(true);
        waitRepainting(menuGoneMilliseconds);
        if (captureScreen(holder, windows))
            return true;
        discardPreparedEditor();
        hideEditor(false);
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
    // Without contacts the editor would not open, and handing it a picture
    // would close the one already open with its drawing; so the click ends
    // before any source asks for a file, waits or captures.
    if (count == 0)
        return 0;
    // Asked before any source waits, captures or opens a dialog.
    if (!editorMayBeReplaced()) {
        std::free(contacts);
        return 0;
    }
    auto* holder = static_cast<ImageHolder*>(std::calloc(1, sizeof(ImageHolder)));
    WindowList* windows = nullptr;
    if (!holder || !takePicture(int32_t(menuItem->userData & 0xFFFFFFFFu), holder, &windows)) {
        freeImageHolder(holder);
        freeWindowList(windows);
        std::free(contacts);
        return 0;
    }
    openEditor(holder, contacts, count, windows);
    return 0;
}
