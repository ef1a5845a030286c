// The main job: the stand-in host loads the real plug-in DLL, shows what the
// plug-in told it and did at load, opens the messenger for a person or runs the
// scripted session, and unloads the plug-in again.
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "messenger.h"
#include "scriptedSession.h"
#include "standInHost.h"

#include <shellapi.h>

static void printInfo(const PluginInfo& info) {
    std::printf("plug-in information (%u bytes)\n", info.size);
    std::printf("  name:        %s\n", hostUtf8(info.name).c_str());
    std::printf("  description: %s\n", hostUtf8(info.description).c_str());
    std::printf("  author:      %s <%s>\n", hostUtf8(info.author).c_str(), hostUtf8(info.authorEmail).c_str());
    std::printf("  web site:    %s\n", hostUtf8(info.authorWebsite).c_str());
    std::printf("  legal:       %s\n", hostUtf8(info.copyright).c_str());
    std::printf("  version:     %llu.%llu.%llu.%llu\n", (info.version >> 48) & 0xFFFF,
                (info.version >> 32) & 0xFFFF, (info.version >> 16) & 0xFFFF, info.version & 0xFFFF);
    std::printf("  guid:        %s\n", hostUtf8(info.guid).c_str());
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
        std::printf("  %-11s %-32s -> %lld", kindName(entry.kind), hostUtf8(entry.name).c_str(),
                    static_cast<long long>(entry.result));
        if (!entry.text.empty())
            std::printf("   [%s]", hostUtf8(entry.text).c_str());
        std::printf("\n");
    }
    hostClearJournal();
}

// The window a person uses, until they close it.
static void runInteractive(const std::wstring& folder) {
    if (!messengerOpen(folder + L"received\\")) {
        std::printf("could not open the messenger window\n");
        return;
    }
    std::printf("\nthe messenger is open: right-click a contact, Wyślij, then one of the plug-in's items\n");
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    messengerClose();
}

// "--scripted <folder>" runs the scripted session into that folder; without
// arguments the messenger waits for a person.
static std::wstring scriptedFolder() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring folder;
    if (arguments && count >= 3 && std::wstring(arguments[1]) == L"--scripted")
        folder = arguments[2];
    LocalFree(arguments);
    std::replace(folder.begin(), folder.end(), L'/', L'\\');
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/')
        folder += L'\\';
    return folder;
}

int main() {
    std::wstring folder = hostExeFolder();
    std::wstring scripted = scriptedFolder();
    // The scripted session starts from the plug-in's defaults, in its own folder.
    std::wstring settingsFolder = scripted.empty() ? folder : scripted;
    if (!scripted.empty())
        CreateDirectoryW(scripted.c_str(), nullptr);
    hostReset({settingsFolder + L"snipLeafHost.ini", folder});
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
        std::printf("  %s in %s: %s\n", hostUtf8(id).c_str(), hostUtf8(item.menuName).c_str(),
                    hostUtf8(item.caption).c_str());
    }
    bool sessionDone = true;
    if (scripted.empty())
        runInteractive(folder);
    else
        sessionDone = runScriptedSession(plugin, scripted);
    hostClearJournal();
    std::printf("\npluginUnload -> %d\n", plugin.pluginUnload(0));
    printJournal("what the plug-in did at unload:");
    hostClosePlugin(&plugin);
    return result == hostOk && sessionDone ? 0 : 1;
}
