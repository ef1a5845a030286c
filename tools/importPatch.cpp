// Patching a loaded module's import table, so a test (or the benchmark) can make
// a platform call fail, or watch or count it, without touching the code under
// test.
#include "importPatch.h"

#include <cstdint>
#include <cstring>

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
