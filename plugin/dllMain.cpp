// The library entry point: it runs under the loader lock, so it only keeps the
// module handle. Everything else waits for pluginLoad.
#include <windows.h>

#include "pluginFrame.h"

BOOL WINAPI DllMain(HINSTANCE module, DWORD, LPVOID) {
    moduleHandle = module;
    return TRUE;
}
