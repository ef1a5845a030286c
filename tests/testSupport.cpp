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

static IMAGE_NT_HEADERS* ntHeaders(HMODULE module) {
    auto* base = reinterpret_cast<uint8_t*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    return reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
}

static IMAGE_IMPORT_DESCRIPTOR* importDescriptors(HMODULE module) {
    IMAGE_DATA_DIRECTORY directory = ntHeaders(module)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0)
        return nullptr;
    return reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(reinterpret_cast<uint8_t*>(module) + directory.VirtualAddress);
}

std::vector<std::string> importedDlls(HMODULE module) {
    std::vector<std::string> names;
    auto* base = reinterpret_cast<uint8_t*>(module);
    for (auto* d = importDescriptors(module); d && d->Name; d++)
        names.push_back(reinterpret_cast<const char*>(base + d->Name));
    return names;
}

void* patchImport(HMODULE module, const char* dll, const char* function, void* replacement) {
    auto* base = reinterpret_cast<uint8_t*>(module);
    for (auto* d = importDescriptors(module); d && d->Name; d++) {
        if (_stricmp(reinterpret_cast<const char*>(base + d->Name), dll) != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData; names++, slots++) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0)
                continue;
            DWORD oldProtection = 0;
            VirtualProtect(&slots->u1.Function, sizeof(void*), PAGE_READWRITE, &oldProtection);
            void* original = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof(void*), oldProtection, &oldProtection);
            return original;
        }
    }
    return nullptr;
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
