// The three exports and the load and unload sequences. A failed pluginLoad
// takes down what it got as far as setting up, and pluginUnload only what is
// up, so an unload after a failed load, or a second unload, is harmless, and a
// later load starts clean.
#include "pluginFrame.h"

#include "../delivery/encoding.h"
#include "../editor/editorWindow.h"
#include "../editor/styleControl.h"
#include "../editor/toolStrip.h"
#include "../image/gdiplusFlat.h"
#include "../image/windowList.h"
#include "contactMenu.h"
#include "hostBridge.h"
#include "settings.h"
#include "version.h"

HMODULE moduleHandle = nullptr;
HBITMAP toolbarBitmap = nullptr;

static ULONG_PTR gdiplusToken = 0;
static int64_t menuRebuildHook = 0;

// What is up, so that pluginUnload undoes exactly that.
static struct {
    bool editorClass;
    bool styleClass;
    bool toolStripClass;
    bool gdiplus;
    bool settings;
    bool menuItems;
} loaded;

static const PluginInfo info = {
    sizeof(PluginInfo),
    0,
    L"snipLeaf",
    L"Wycinki ekranu, schowka, pliku, rysowanie na wycinkach",
    L"Copyright (c) 2026 snipLeaf developers, MIT licence",
    L"snipLeaf developers",
    L"snipleaf@users.noreply.example.org",
    L"https://snipleaf.example.org/",
    L"",
    pluginVersion,
    0x0001000100030000ull,
    4,
    {},
    L"{5C2E8B1A-7D43-4F6E-9A0B-3E1D2C4F8A76}",
    {},
};

extern "C" PluginInfo* queryPlugInfo(uint64_t) {
    return const_cast<PluginInfo*>(&info);
}

static bool startGdiplus() {
    Gdiplus::GdiplusStartupInput input;  // version 1, no callback, nothing suppressed
    return Gdiplus::GdiplusStartup(&gdiplusToken, &input, nullptr) == Gdiplus::Ok;
}

static HBITMAP loadToolbarGraphic() {
    GraphRecord load = {};
    load.size = sizeof(GraphRecord);
    load.graphId = toolbarGraphId;
    load.fileName = toolbarFileName;
    load.module = moduleHandle;
    load.flags = 8;
    if (callHost(hostGraphLoad, &load) != 1)
        return LoadBitmapW(moduleHandle, MAKEINTRESOURCEW(toolbarResourceId));
    GraphRecord get = {};
    get.size = sizeof(GraphRecord);
    get.graphId = toolbarGraphId;
    get.flags = 4;
    return reinterpret_cast<HBITMAP>(callHost(hostGraphGetImage, &get));
}

// A host may free the library after a failed load without unloading it: a
// class left registered would then point at freed code and block every later
// load, so what the load set up so far goes down before the abort. The unload
// ends the same way.
static void takeDownClassesAndGdiplus() {
    if (loaded.editorClass)
        UnregisterClassW(editorClassName, moduleHandle);
    if (loaded.styleClass)
        UnregisterClassW(styleControlClassName, moduleHandle);
    if (loaded.toolStripClass)
        UnregisterClassW(toolStripClassName, moduleHandle);
    if (loaded.gdiplus)
        Gdiplus::GdiplusShutdown(gdiplusToken);
    loaded = {};
}

static int32_t failLoad(const wchar_t* message) {
    if (message)
        writeLog(hostTable, logLevel, logSource, L"%s", message);
    takeDownClassesAndGdiplus();
    return hostAbort;
}

extern "C" int32_t pluginLoad(uint64_t, HostFunctionTable* table) {
    hostTable = table;
    loaded.editorClass = registerEditorClass();
    if (!loaded.editorClass)
        return failLoad(L"Could register windows classes");
    loaded.styleClass = registerStyleControlClass(moduleHandle);
    if (!loaded.styleClass)
        return failLoad(L"Could register windows classes");
    loaded.toolStripClass = registerToolStripClass();
    loaded.gdiplus = startGdiplus();
    if (!loaded.gdiplus)
        return failLoad(L"Could not start GDI+");
    lookUpEncoders();
    loaded.settings = openSettings();
    // openSettings has logged its own failure.
    if (!loaded.settings)
        return failLoad(nullptr);
    addMenuItems();
    loaded.menuItems = true;
    menuRebuildHook = table && table->hookEvent
                          ? table->hookEvent(menuRebuildEvent, onMenuRebuild, 0)
                          : 0;
    toolbarBitmap = loadToolbarGraphic();
    return hostOk;
}

extern "C" int32_t pluginUnload(uint64_t) {
    // An editor left open would otherwise be closed at library detach, after
    // GDI+ and the settings store are gone.
    if (loaded.gdiplus)
        closeEditor();
    if (loaded.settings)
        closeSettings();
    if (loaded.menuItems)
        removeMenuItems();
    takeDownClassesAndGdiplus();
    if (menuRebuildHook != 0 && hostTable && hostTable->unhookEvent)
        hostTable->unhookEvent(menuRebuildHook);
    if (toolbarBitmap)
        DeleteObject(toolbarBitmap);
    releaseWindowRecording();
    menuRebuildHook = 0;
    toolbarBitmap = nullptr;
    return 0;
}
