// Test set-up shared by the test executables.
#include "testSupport.h"

#include <cstdio>

std::wstring freshFolder(const wchar_t* tag) {
    static int counter = 0;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    wchar_t folder[MAX_PATH] = {};
    swprintf(folder, MAX_PATH, L"%lssnipLeafTest-%lu-%ls-%d\\", temp, GetCurrentProcessId(), tag, ++counter);
    CreateDirectoryW(folder, nullptr);
    return folder;
}

HostConfig freshHostConfig() {
    std::wstring folder = freshFolder(L"host");
    return {folder + L"settings.ini", hostExeFolder()};
}

bool zeroBetween(const std::vector<uint8_t>& bytes, size_t from, size_t to) {
    if (to > bytes.size())
        return false;
    for (size_t i = from; i < to; i++) {
        if (bytes[i] != 0)
            return false;
    }
    return true;
}

std::wstring textAt(const std::vector<uint8_t>& bytes, size_t offset) {
    auto* text = readAt<const wchar_t*>(bytes, offset);
    return text ? text : L"";
}

std::vector<JournalEntry> callsOf(const std::wstring& name) {
    std::vector<JournalEntry> calls;
    for (const JournalEntry& entry : hostJournal()) {
        if (entry.kind == JournalKind::call && entry.name == name)
            calls.push_back(entry);
    }
    return calls;
}

void PluginTest::SetUp() {
    config = freshHostConfig();
    hostReset(config);
    ASSERT_TRUE(hostOpenPlugin(hostExeFolder() + L"snipLeaf.dll", &plugin));
}

void PluginTest::TearDown() {
    unload();
    hostClosePlugin(&plugin);
}
