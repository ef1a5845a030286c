// The main job: the stand-in host loads the real plug-in DLL, shows what the
// plug-in told it and did, and unloads it again.
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "standInHost.h"
#include "standInPlugins.h"

static std::string narrow(const std::wstring& text) {
    std::string out;
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return out;
    out.resize(size_t(size - 1));
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], size, nullptr, nullptr);
    return out;
}

static void printInfo(const PluginInfo& info) {
    std::printf("plug-in information (%u bytes)\n", info.size);
    std::printf("  name:        %s\n", narrow(info.name).c_str());
    std::printf("  description: %s\n", narrow(info.description).c_str());
    std::printf("  author:      %s <%s>\n", narrow(info.author).c_str(), narrow(info.authorEmail).c_str());
    std::printf("  web site:    %s\n", narrow(info.authorWebsite).c_str());
    std::printf("  legal:       %s\n", narrow(info.copyright).c_str());
    std::printf("  version:     %llu.%llu.%llu.%llu\n", (info.version >> 48) & 0xFFFF,
                (info.version >> 32) & 0xFFFF, (info.version >> 16) & 0xFFFF, info.version & 0xFFFF);
    std::printf("  guid:        %s\n", narrow(info.guid).c_str());
}

static const char* kindName(JournalKind kind) {
    switch (kind) {
    case JournalKind::call: return "call";
    case JournalKind::exists: return "exists";
    case JournalKind::hook: return "hookEvent";
    case JournalKind::unhook: return "unhookEvent";
    }
    return "?";
}

static void printJournal(const char* title) {
    std::printf("%s\n", title);
    for (const JournalEntry& entry : hostJournal()) {
        std::printf("  %-11s %-32s -> %lld", kindName(entry.kind), narrow(entry.name).c_str(),
                    static_cast<long long>(entry.result));
        if (!entry.text.empty())
            std::printf("   [%s]", narrow(entry.text).c_str());
        std::printf("\n");
    }
    hostClearJournal();
}

// Two contacts on two networks; one at status 7, which alone would hide the items.
static const HostContact contacts[] = {
    {L"GG", 1, 1001, 2},
    {L"JABBER", 2, 2002, 7},
};

static LPARAM at(int x, int y) {
    return MAKELPARAM(x, y);
}

static void dragWith(HWND editor, int tool, POINT from, POINT to) {
    SendMessageW(editor, WM_COMMAND, WPARAM(tool), 0);
    SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, at(from.x, from.y));
    SendMessageW(editor, WM_MOUSEMOVE, MK_LBUTTON, at((from.x + to.x) / 2, (from.y + to.y) / 2));
    SendMessageW(editor, WM_MOUSEMOVE, MK_LBUTTON, at(to.x, to.y));
    SendMessageW(editor, WM_LBUTTONUP, 0, at(to.x, to.y));
}

// Draws on the picture as a user would: the toolbar expanded, a rectangle, an
// ellipse, a text, and last the selection that goes out.
static void drawOnPicture(HWND editor) {
    SendMessageW(editor, WM_COMMAND, 10, 0);
    dragWith(editor, 5, {60, 60}, {300, 200});
    dragWith(editor, 6, {340, 80}, {560, 260});
    SendMessageW(editor, WM_COMMAND, 7, 0);
    HWND toolbar = FindWindowExW(editor, nullptr, L"ToolbarWindow32", nullptr);
    SetWindowTextA(FindWindowExW(toolbar, nullptr, L"Edit", nullptr), "Zrzut dla Ani!");
    SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, at(80, 110));
    SendMessageW(editor, WM_LBUTTONUP, 0, at(80, 110));
    dragWith(editor, 2, {40, 40}, {600, 300});
    hostPumpMessages(200);
}

static void runContactMenuRoad(const std::wstring& folder) {
    std::vector<HostContact> chosen(std::begin(contacts), std::end(contacts));
    for (const HostContact& contact : chosen)
        hostAddStatusFunction(contact);
    // The first network finds the PNG too large once; the JPEG of the fall-back goes through.
    hostAddPictureTransfer(chosen[0], {int64_t(hostOutOfMemory), 0});
    std::printf("\ncontact menu for %zu contacts shows:", chosen.size());
    for (const std::wstring& id : hostRebuildMenu(chosen))
        std::printf(" %s", narrow(id).c_str());
    std::printf("\n");
    if (!hostPutPictureOnClipboard(640, 400)) {
        std::printf("could not put a picture on the clipboard\n");
        return;
    }
    hostClearJournal();
    std::printf("click on snipLeaf/Clipboard -> %lld\n",
                static_cast<long long>(hostClickItem(L"snipLeaf/Clipboard", chosen)));
    hostPumpMessages(500);
    HWND editor = FindWindowW(L"ScreenshotWnd", L"Image");
    if (!editor) {
        std::printf("no editor window\n");
        return;
    }
    RECT rect = {};
    GetWindowRect(editor, &rect);
    std::printf("editor window open: %ld x %ld\n", rect.right - rect.left, rect.bottom - rect.top);
    if (hostSaveWindowPng(editor, folder + L"editor.png"))
        std::printf("editor screenshot: %s\n", narrow(folder + L"editor.png").c_str());
    drawOnPicture(editor);
    if (hostSaveWindowPng(editor, folder + L"editor-drawn.png"))
        std::printf("editor with the toolbar expanded and a drawing: %s\n",
                    narrow(folder + L"editor-drawn.png").c_str());
    SendMessageW(editor, WM_COMMAND, 11, 0);
    std::printf("sent the selection: editor %s\n", IsWindow(editor) ? "still open" : "closed");
    for (const Delivery& delivery : hostDeliveries())
        std::printf("  %s got %s -> 0x%08X\n", narrow(delivery.function).c_str(),
                    narrow(delivery.fileName).c_str(), unsigned(delivery.result));
    for (const std::wstring& received : hostSaveDeliveredFiles(folder + L"received\\"))
        std::printf("file handed to the network, kept: %s\n", narrow(received).c_str());
    printJournal("what the plug-in did from the click to the send:");
}

int main() {
    std::wstring folder = hostExeFolder();
    hostReset({folder + L"snipLeafHost.ini", folder});
    PluginModule plugin;
    if (!hostOpenPlugin(folder + L"snipLeaf.dll", &plugin)) {
        std::printf("could not load snipLeaf.dll\n");
        return 1;
    }
    printInfo(*plugin.queryPlugInfo(0));
    int32_t result = plugin.pluginLoad(0, hostFunctionTable());
    std::printf("\npluginLoad -> 0x%08X\n", unsigned(result));
    printJournal("what the plug-in did at load:");
    std::printf("contact menu items:\n");
    for (const std::wstring& id : hostMenuOrder()) {
        const HostMenuItem& item = hostMenuItems().at(id);
        std::printf("  %s in %s: %s\n", narrow(id).c_str(), narrow(item.menuName).c_str(),
                    narrow(item.caption).c_str());
    }
    runContactMenuRoad(folder);
    std::printf("\npluginUnload -> %d\n", plugin.pluginUnload(0));
    printJournal("what the plug-in did at unload:");
    hostClosePlugin(&plugin);
    return result == hostOk ? 0 : 1;
}
