// Process census for the leak checks: the plug-in's heap blocks, every heap's
// busy bytes, GDI objects, windows and the working set, each as Wine answers it.
#include "processCensus.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "host/standInHost.h"
#include "tools/importPatch.h"

std::set<void*> pluginBlocks;

namespace {

void* (*realMalloc)(size_t);
void* (*realCalloc)(size_t, size_t);
void* (*realRealloc)(void*, size_t);
void (*realFree)(void*);

void* noted(void* block) {
    if (block)
        pluginBlocks.insert(block);
    return block;
}

void* ledgerMalloc(size_t bytes) {
    return noted(realMalloc(bytes));
}

void* ledgerCalloc(size_t count, size_t bytes) {
    return noted(realCalloc(count, bytes));
}

void* ledgerRealloc(void* old, size_t bytes) {
    void* block = realRealloc(old, bytes);
    if (block || bytes == 0)
        pluginBlocks.erase(old);
    return noted(block);
}

void ledgerFree(void* block) {
    pluginBlocks.erase(block);
    realFree(block);
}

struct ImportPatch {
    const char* function;
    void* replacement;
    void** original;
};

}  // namespace

void keepLedger(HMODULE plugin) {
    static const ImportPatch patches[] = {
        {"malloc", reinterpret_cast<void*>(ledgerMalloc), reinterpret_cast<void**>(&realMalloc)},
        {"calloc", reinterpret_cast<void*>(ledgerCalloc), reinterpret_cast<void**>(&realCalloc)},
        {"realloc", reinterpret_cast<void*>(ledgerRealloc), reinterpret_cast<void**>(&realRealloc)},
        {"free", reinterpret_cast<void*>(ledgerFree), reinterpret_cast<void**>(&realFree)},
    };
    pluginBlocks.clear();
    for (const ImportPatch& patch : patches)
        *patch.original = patchImport(plugin, "msvcrt.dll", patch.function, patch.replacement);
}

int threadWindowCount() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), [](HWND window, LPARAM total) {
        ++*reinterpret_cast<int*>(total);
        EnumChildWindows(window, [](HWND, LPARAM all) { return BOOL(++*reinterpret_cast<int*>(all) > 0); }, total);
        return TRUE;
    }, LPARAM(&count));
    return count;
}

// GetGuiResources answers 0 under Wine. There a GDI handle's low word indexes
// the handle table and a zero high word matches any generation, so probing
// every index with GetObjectType counts the live objects; gdiCountSeesObjects
// checks that on objects made for the purpose before the soak trusts it.
int gdiObjectCount() {
    if (DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS))
        return int(counted);
    int live = 0;
    for (uintptr_t index = 1; index <= 0xFFFF; index++)
        live += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
    return live;
}

bool gdiCountSeesObjects() {
    int before = gdiObjectCount();
    HBRUSH made[8] = {};
    for (HBRUSH& brush : made)
        brush = CreateSolidBrush(RGB(1, 2, 3));
    int during = gdiObjectCount();
    for (HBRUSH brush : made)
        DeleteObject(brush);
    return during == before + int(std::size(made)) && gdiObjectCount() == before;
}

// Busy bytes of every heap of the process: the plug-in's, GDI+'s and the
// controls' allocations, untouched by how the pages happen to be resident.
size_t heapBusyBytes() {
    HANDLE heaps[64] = {};
    DWORD count = std::min<DWORD>(GetProcessHeaps(DWORD(std::size(heaps)), heaps), DWORD(std::size(heaps)));
    size_t busy = 0;
    for (DWORD i = 0; i < count; i++) {
        HeapLock(heaps[i]);
        PROCESS_HEAP_ENTRY entry = {};
        while (HeapWalk(heaps[i], &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                busy += entry.cbData;
        }
        HeapUnlock(heaps[i]);
    }
    return busy;
}

Census takeCensus() {
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
    return {memory.WorkingSetSize, heapBusyBytes(), gdiObjectCount(), threadWindowCount(), pluginBlocks.size()};
}

Census printedCensus(const char* what, int cycle, DWORD since) {
    Census c = takeCensus();
    std::printf("[ soak     ] %s %3d: working set %zu KB, heap %zu KB, GDI objects %d, windows %d, "
                "plug-in blocks %zu, %lu ms\n",
                what, cycle, c.workingSet / 1024, c.heapBytes / 1024, c.gdiObjects, c.windows, c.pluginBlocks,
                GetTickCount() - since);
    return c;
}

// Measured on bare reads of a picture put there for the purpose.
int64_t clipboardReadCost() {
    if (!hostPutPictureOnClipboard(320, 240))
        return 0;
    size_t before = heapBusyBytes();
    for (int read = 0; read < 16; read++) {
        OpenClipboard(nullptr);
        GetClipboardData(CF_BITMAP);
        CloseClipboard();
    }
    return int64_t(heapBusyBytes() - before) / 16;
}
