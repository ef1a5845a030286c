// What a process holds, for leak checks that must work under Wine too, where
// GetGuiResources and the private-bytes counter answer 0: the plug-in's own
// heap blocks (counted through its allocator imports), the busy bytes of every
// heap, the GDI objects, this thread's windows and the working set.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <set>

// The blocks the plug-in has allocated since keepLedger and not freed.
extern std::set<void*> pluginBlocks;
// Routes the module's malloc, calloc, realloc and free through the ledger.
void keepLedger(HMODULE plugin);

// Every window of this thread, child windows included.
int threadWindowCount();
int gdiObjectCount();
// True when gdiObjectCount sees objects made and deleted for the purpose.
bool gdiCountSeesObjects();
size_t heapBusyBytes();

struct Census {
    size_t workingSet;
    size_t heapBytes;
    int gdiObjects;
    int windows;
    size_t pluginBlocks;
};

Census takeCensus();
// Takes the census and prints it with the cycle and the time since then.
Census printedCensus(const char* what, int cycle, DWORD since);
// The heap bytes one read of a clipboard bitmap keeps for good: under Wine
// 1 KB, whoever reads it.
int64_t clipboardReadCost();
