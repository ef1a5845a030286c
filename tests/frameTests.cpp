// The plug-in frame through the real DLL: information record, exports, the load
// and unload sequences with their records, failures, and the toolbar graphic.
#include "image/gdiplusFlat.h"
#include "testSupport.h"

namespace {

const std::vector<std::wstring> loadSequence = {
    L"WTW/Settings/GetMyConfigFile", L"WTW/Settings/InitEx", L"WTW/Menu/Add", L"WTW/Menu/Add",
    L"WTW/Menu/Add", L"WTW/Graph/Load", L"WTW/Graph/GetImage",
};

struct MenuItemExpectation {
    const wchar_t* id;
    const wchar_t* caption;
    uint64_t source;
};

const MenuItemExpectation menuItems[] = {
    {L"snipLeaf/Screen", L"Wyślij zrzut ekranu...", 0},
    {L"snipLeaf/Clipboard", L"Wyślij obrazek ze schowka...", 1},
    {L"snipLeaf/File", L"Wyślij fragment obrazka...", 2},
};

bool classRegistered(HMODULE module, const wchar_t* name) {
    WNDCLASSEXW info = {};
    info.cbSize = sizeof(info);
    return GetClassInfoExW(module, name, &info) != 0;
}

// Watches on the platform calls the DLL makes.
int loadBitmapCalls = 0;
LPCWSTR loadBitmapName = nullptr;
decltype(&LoadBitmapW) realLoadBitmap = nullptr;
HBITMAP WINAPI watchLoadBitmap(HINSTANCE module, LPCWSTR name) {
    loadBitmapCalls++;
    loadBitmapName = name;
    return realLoadBitmap(module, name);
}

std::vector<HGDIOBJ> deletedObjects;
decltype(&DeleteObject) realDeleteObject = nullptr;
BOOL WINAPI watchDeleteObject(HGDIOBJ object) {
    deletedObjects.push_back(object);
    return realDeleteObject(object);
}

Gdiplus::Status WINAPI failGdiplusStartup(ULONG_PTR*, const Gdiplus::GdiplusStartupInput*,
                                          Gdiplus::GdiplusStartupOutput*) {
    return Gdiplus::GdiplusNotInitialized;
}

int gdiplusShutdowns = 0;
void WINAPI countGdiplusShutdown(ULONG_PTR) {
    gdiplusShutdowns++;
}

int gdiplusStartups = 0;
decltype(&Gdiplus::GdiplusStartup) realGdiplusStartup = nullptr;
Gdiplus::Status WINAPI watchGdiplusStartup(ULONG_PTR* token, const Gdiplus::GdiplusStartupInput* input,
                                           Gdiplus::GdiplusStartupOutput* output) {
    gdiplusStartups++;
    return realGdiplusStartup(token, input, output);
}

decltype(&Gdiplus::GdiplusShutdown) realGdiplusShutdown = nullptr;
void WINAPI watchGdiplusShutdown(ULONG_PTR token) {
    gdiplusShutdowns++;
    realGdiplusShutdown(token);
}

}  // namespace

TEST(PluginInfoRecord, HoldsIdentityAndVersionFields) {
    hostReset(freshHostConfig());
    PluginModule plugin;
    ASSERT_TRUE(hostOpenPlugin(hostExeFolder() + L"snipLeaf.dll", &plugin));
    PluginInfo* before = plugin.queryPlugInfo(0);
    std::vector<uint8_t> bytes(reinterpret_cast<uint8_t*>(before), reinterpret_cast<uint8_t*>(before) + 128);
    EXPECT_EQ(readAt<uint32_t>(bytes, 0), 128u);
    EXPECT_TRUE(zeroBetween(bytes, 4, 8));
    EXPECT_EQ(textAt(bytes, 8), L"snipLeaf");
    EXPECT_EQ(textAt(bytes, 16), L"Wycinki ekranu, schowka, pliku, rysowanie na wycinkach");
    for (size_t offset : {24, 32, 40, 48})
        EXPECT_FALSE(textAt(bytes, offset).empty()) << offset;
    EXPECT_NE(readAt<const wchar_t*>(bytes, 56), nullptr);
    EXPECT_EQ(textAt(bytes, 56), L"");
    EXPECT_EQ(readAt<uint64_t>(bytes, 64), 0x00020000000004B0ull);
    EXPECT_EQ(readAt<uint64_t>(bytes, 72), 0x0001000100030000ull);
    EXPECT_EQ(readAt<uint32_t>(bytes, 80), 4u);
    EXPECT_TRUE(zeroBetween(bytes, 84, 96));
    std::wstring guid = textAt(bytes, 96);
    ASSERT_EQ(guid.size(), 38u);
    CLSID parsed;
    EXPECT_EQ(CLSIDFromString(guid.c_str(), &parsed), NOERROR) << "registry form with braces";
    EXPECT_TRUE(zeroBetween(bytes, 104, 128));

    ASSERT_EQ(plugin.pluginLoad(0, hostFunctionTable()), hostOk);
    EXPECT_EQ(plugin.queryPlugInfo(0), before);
    plugin.pluginUnload(0);
    EXPECT_EQ(plugin.queryPlugInfo(0), before);
    hostClosePlugin(&plugin);
}

TEST_F(PluginTest, ExportsCarryTheirOrdinals) {
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(plugin.module, MAKEINTRESOURCEA(1))),
              reinterpret_cast<void*>(plugin.pluginLoad));
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(plugin.module, MAKEINTRESOURCEA(2))),
              reinterpret_cast<void*>(plugin.pluginUnload));
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(plugin.module, MAKEINTRESOURCEA(3))),
              reinterpret_cast<void*>(plugin.queryPlugInfo));
}

// A WTW user has only what Windows brings: the MinGW runtime (libgcc_s,
// libstdc++, libwinpthread) must be linked in, and the list holds exactly the
// system libraries the plug-in needs, so a new dependency is a decision.
TEST_F(PluginTest, ImportsOnlySystemLibraries) {
    static const char* const systemDlls[] = {
        "kernel32.dll", "user32.dll", "gdi32.dll", "gdiplus.dll",
        "comctl32.dll", "comdlg32.dll", "ole32.dll", "shell32.dll", "msvcrt.dll",
    };
    std::vector<std::string> imports = importedDlls(plugin.module);
    EXPECT_FALSE(imports.empty());
    for (const std::string& dll : imports) {
        bool known = false;
        for (const char* system : systemDlls)
            known = known || _stricmp(dll.c_str(), system) == 0;
        EXPECT_TRUE(known) << dll;
    }
}

TEST_F(PluginTest, LoadCallsTheHostInOrderWithItsRecords) {
    ASSERT_EQ(load(), hostOk);
    EXPECT_EQ(hostCallNames(), loadSequence);

    JournalEntry configCall = callsOf(L"WTW/Settings/GetMyConfigFile").at(0);
    EXPECT_EQ(configCall.record.size(), 32u);
    EXPECT_EQ(readAt<uint32_t>(configCall.record, 0), 32u);
    EXPECT_TRUE(zeroBetween(configCall.record, 4, 8));
    EXPECT_NE(readAt<uint64_t>(configCall.record, 8), 0u);
    EXPECT_EQ(readAt<uint32_t>(configCall.record, 16), 261u);
    EXPECT_TRUE(zeroBetween(configCall.record, 20, 32));
    EXPECT_EQ(configCall.lParam, int64_t(plugin.module));

    JournalEntry init = callsOf(L"WTW/Settings/InitEx").at(0);
    EXPECT_EQ(init.wParam, readAt<int64_t>(configCall.record, 8)) << "the same path buffer";
    EXPECT_EQ(init.text, config.settingsFile) << "the path the host wrote";
    EXPECT_NE(init.lParam, 0);
    EXPECT_TRUE(hostSettingsOpen());

    std::vector<JournalEntry> adds = callsOf(L"WTW/Menu/Add");
    ASSERT_EQ(adds.size(), std::size(menuItems));
    for (size_t i = 0; i < adds.size(); i++) {
        const std::vector<uint8_t>& r = adds[i].record;
        ASSERT_EQ(r.size(), 96u);
        EXPECT_EQ(readAt<uint32_t>(r, 0), 96u);
        EXPECT_TRUE(zeroBetween(r, 4, 8));
        EXPECT_EQ(textAt(r, 8), menuItems[i].id);
        EXPECT_EQ(textAt(r, 16), L"WTW/Menu/Contact/Send");
        EXPECT_EQ(textAt(r, 24), menuItems[i].caption);
        EXPECT_TRUE(zeroBetween(r, 32, 56));
        EXPECT_NE(readAt<uint64_t>(r, 56), 0u);
        EXPECT_TRUE(zeroBetween(r, 64, 88));
        EXPECT_EQ(readAt<uint64_t>(r, 88), menuItems[i].source);
        EXPECT_EQ(adds[i].lParam, 0);
    }

    std::vector<JournalEntry> hooks;
    for (const JournalEntry& entry : hostJournal()) {
        if (entry.kind == JournalKind::hook)
            hooks.push_back(entry);
    }
    ASSERT_EQ(hooks.size(), 1u);
    EXPECT_EQ(hooks[0].name, L"WTW/OnMenuRebuild");
    EXPECT_EQ(hooks[0].wParam, 0) << "user value";

    const std::vector<uint8_t> graphLoad = callsOf(L"WTW/Graph/Load").at(0).record;
    ASSERT_EQ(graphLoad.size(), 72u);
    EXPECT_EQ(textAt(graphLoad, 8), L"snipLeaf/Toolbar");
    EXPECT_TRUE(zeroBetween(graphLoad, 16, 40));
    EXPECT_EQ(textAt(graphLoad, 40), L"snipLeafToolbar.png");
    EXPECT_TRUE(zeroBetween(graphLoad, 48, 56));
    EXPECT_EQ(readAt<uint64_t>(graphLoad, 56), uint64_t(plugin.module));
    EXPECT_EQ(readAt<uint32_t>(graphLoad, 64), 8u);
    EXPECT_TRUE(zeroBetween(graphLoad, 68, 72));

    const std::vector<uint8_t> graphGet = callsOf(L"WTW/Graph/GetImage").at(0).record;
    ASSERT_EQ(graphGet.size(), 72u);
    EXPECT_EQ(textAt(graphGet, 8), L"snipLeaf/Toolbar");
    EXPECT_TRUE(zeroBetween(graphGet, 16, 64));
    EXPECT_EQ(readAt<uint32_t>(graphGet, 64), 4u);
    EXPECT_TRUE(zeroBetween(graphGet, 68, 72));

    EXPECT_TRUE(classRegistered(plugin.module, L"ScreenshotWnd"));
    EXPECT_TRUE(classRegistered(plugin.module, L"StyleControl"));
}

TEST_F(PluginTest, UnloadTakesEverythingDown) {
    hostSetNextHookHandle(77);
    ASSERT_EQ(load(), hostOk);
    realDeleteObject = reinterpret_cast<decltype(&DeleteObject)>(
        patchImport(plugin.module, "gdi32.dll", "DeleteObject", reinterpret_cast<void*>(watchDeleteObject)));
    ASSERT_NE(realDeleteObject, nullptr);
    HBITMAP fromHost = reinterpret_cast<HBITMAP>(callsOf(L"WTW/Graph/GetImage").at(0).result);
    ASSERT_NE(fromHost, nullptr);
    hostClearJournal();
    deletedObjects.clear();

    EXPECT_EQ(unload(), 0);
    EXPECT_EQ(hostCallNames(), (std::vector<std::wstring>{L"WTW/Settings/Destroy", L"WTW/Menu/Remove",
                                                          L"WTW/Menu/Remove", L"WTW/Menu/Remove"}));
    JournalEntry destroy = callsOf(L"WTW/Settings/Destroy").at(0);
    EXPECT_EQ(destroy.wParam, 0x5E77) << "the handle the host gave";
    EXPECT_EQ(destroy.lParam, int64_t(plugin.module));
    std::vector<JournalEntry> removes = callsOf(L"WTW/Menu/Remove");
    for (size_t i = 0; i < removes.size(); i++) {
        const std::vector<uint8_t>& r = removes[i].record;
        ASSERT_EQ(r.size(), 96u);
        EXPECT_EQ(textAt(r, 8), menuItems[i].id);
        EXPECT_EQ(textAt(r, 16), L"WTW/Menu/Contact/Send");
        EXPECT_TRUE(zeroBetween(r, 24, 96));
    }
    EXPECT_TRUE(hostMenuItems().empty());
    ASSERT_EQ(hostJournal().back().kind, JournalKind::unhook);
    EXPECT_EQ(hostJournal().back().wParam, 77);
    EXPECT_EQ(deletedObjects, std::vector<HGDIOBJ>{fromHost});
    EXPECT_FALSE(classRegistered(plugin.module, L"ScreenshotWnd"));
    EXPECT_FALSE(classRegistered(plugin.module, L"StyleControl"));

    hostClearJournal();
    deletedObjects.clear();
    EXPECT_EQ(unload(), 0) << "a second unload";
    EXPECT_TRUE(hostJournal().empty());
    EXPECT_TRUE(deletedObjects.empty());
    patchImport(plugin.module, "gdi32.dll", "DeleteObject", reinterpret_cast<void*>(realDeleteObject));
}

TEST_F(PluginTest, UnloadSkipsUnhookForANullHookHandle) {
    hostSetNextHookHandle(0);
    ASSERT_EQ(load(), hostOk);
    hostClearJournal();
    unload();
    for (const JournalEntry& entry : hostJournal())
        EXPECT_NE(entry.kind, JournalKind::unhook);
}

TEST_F(PluginTest, LoadsAgainAfterUnload) {
    ASSERT_EQ(load(), hostOk);
    unload();
    hostClearJournal();
    ASSERT_EQ(load(), hostOk);
    EXPECT_EQ(hostCallNames(), loadSequence);
    EXPECT_TRUE(classRegistered(plugin.module, L"ScreenshotWnd"));
    EXPECT_TRUE(classRegistered(plugin.module, L"StyleControl"));
}

// The host's graphic is taken only when "WTW/Graph/Load" answers exactly 1.
TEST_F(PluginTest, ToolbarGraphicComesFromTheHostOnlyForAnswerOne) {
    struct Case {
        int64_t loadAnswer;
        bool fromResource;
    };
    static const Case cases[] = {{1, false}, {0, true}, {2, true}, {-1, true}};
    realLoadBitmap = reinterpret_cast<decltype(&LoadBitmapW)>(
        patchImport(plugin.module, "user32.dll", "LoadBitmapW", reinterpret_cast<void*>(watchLoadBitmap)));
    ASSERT_NE(realLoadBitmap, nullptr);
    for (const Case& c : cases) {
        int64_t answer = c.loadAnswer;
        hostRegister(L"WTW/Graph/Load", [answer](int64_t, int64_t) { return answer; });
        hostClearJournal();
        loadBitmapCalls = 0;
        ASSERT_EQ(load(), hostOk);
        EXPECT_EQ(loadBitmapCalls, c.fromResource ? 1 : 0) << c.loadAnswer;
        EXPECT_EQ(callsOf(L"WTW/Graph/GetImage").size(), c.fromResource ? 0u : 1u) << c.loadAnswer;
        if (c.fromResource) {
            EXPECT_EQ(loadBitmapName, MAKEINTRESOURCEW(65535));
        }
        unload();
    }
    patchImport(plugin.module, "user32.dll", "LoadBitmapW", reinterpret_cast<void*>(realLoadBitmap));
}

TEST_F(PluginTest, NoImageFromTheHostLeavesNoToolbarBitmap) {
    hostRegister(L"WTW/Graph/Load", [](int64_t, int64_t) { return int64_t(1); });
    hostRegister(L"WTW/Graph/GetImage", [](int64_t, int64_t) { return int64_t(0); });
    realLoadBitmap = reinterpret_cast<decltype(&LoadBitmapW)>(
        patchImport(plugin.module, "user32.dll", "LoadBitmapW", reinterpret_cast<void*>(watchLoadBitmap)));
    realDeleteObject = reinterpret_cast<decltype(&DeleteObject)>(
        patchImport(plugin.module, "gdi32.dll", "DeleteObject", reinterpret_cast<void*>(watchDeleteObject)));
    loadBitmapCalls = 0;
    deletedObjects.clear();
    ASSERT_EQ(load(), hostOk);
    unload();
    EXPECT_EQ(loadBitmapCalls, 0) << "the resource is not tried";
    EXPECT_TRUE(deletedObjects.empty()) << "nothing to delete";
    patchImport(plugin.module, "user32.dll", "LoadBitmapW", reinterpret_cast<void*>(realLoadBitmap));
    patchImport(plugin.module, "gdi32.dll", "DeleteObject", reinterpret_cast<void*>(realDeleteObject));
}

TEST_F(PluginTest, ToolbarResourceIsAPolishBitmapStrip) {
    HRSRC resource = FindResourceExW(plugin.module, RT_BITMAP, MAKEINTRESOURCEW(65535),
                                     MAKELANGID(LANG_POLISH, SUBLANG_DEFAULT));
    ASSERT_NE(resource, nullptr);
    auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(plugin.module, resource)));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->biWidth, 512);
    EXPECT_EQ(header->biHeight, 32) << "bottom-up";
    EXPECT_EQ(header->biBitCount, 32);
    EXPECT_EQ(header->biCompression, DWORD(BI_RGB));
    auto* pixels = reinterpret_cast<const uint8_t*>(header + 1);
    bool someTransparent = false;
    bool someOpaque = false;
    for (int i = 0; i < 512 * 32; i++) {
        someTransparent = someTransparent || pixels[i * 4 + 3] == 0;
        someOpaque = someOpaque || pixels[i * 4 + 3] == 255;
    }
    EXPECT_TRUE(someTransparent && someOpaque) << "the fourth byte is alpha";
}

// Each failure of the load aborts with its log text and leaves up exactly what
// was set up before it; the unload after it takes down only that.
TEST_F(PluginTest, FailedClassRegistrationAborts) {
    struct Case {
        const wchar_t* taken;
        bool editorClassStays;
    };
    static const Case cases[] = {{L"ScreenshotWnd", false}, {L"StyleControl", false}};
    for (const Case& c : cases) {
        WNDCLASSEXW squatter = {};
        squatter.cbSize = sizeof(squatter);
        squatter.lpfnWndProc = DefWindowProcW;
        squatter.hInstance = plugin.module;
        squatter.lpszClassName = c.taken;
        ASSERT_NE(RegisterClassExW(&squatter), 0);
        hostClearJournal();
        EXPECT_EQ(load(), hostAbort) << c.taken;
        EXPECT_EQ(hostLogMessages(), std::vector<std::wstring>{L"Could register windows classes"});
        const std::vector<uint8_t> log = callsOf(L"WTW/Log").at(0).record;
        EXPECT_EQ(readAt<uint32_t>(log, 0), 40u);
        EXPECT_EQ(readAt<int32_t>(log, 4), -1);
        EXPECT_EQ(textAt(log, 8), L"IMG");
        EXPECT_TRUE(zeroBetween(log, 24, 40));
        bool editorClass = classRegistered(plugin.module, L"ScreenshotWnd");
        if (std::wstring(c.taken) != L"ScreenshotWnd") {
            EXPECT_EQ(editorClass, c.editorClassStays);
        }
        hostClearJournal();
        unload();
        EXPECT_TRUE(hostJournal().empty()) << "no settings close, no menu removal, no unhook";
        UnregisterClassW(c.taken, plugin.module);
        EXPECT_FALSE(classRegistered(plugin.module, L"ScreenshotWnd")) << "unload unregisters what it registered";
        EXPECT_EQ(load(), hostOk) << "a later load succeeds";
        unload();
    }
}

TEST_F(PluginTest, FailedGdiplusStartAborts) {
    void* realStartup =
        patchImport(plugin.module, "gdiplus.dll", "GdiplusStartup", reinterpret_cast<void*>(failGdiplusStartup));
    void* realShutdown =
        patchImport(plugin.module, "gdiplus.dll", "GdiplusShutdown", reinterpret_cast<void*>(countGdiplusShutdown));
    ASSERT_NE(realStartup, nullptr);
    ASSERT_NE(realShutdown, nullptr);
    EXPECT_EQ(load(), hostAbort);
    EXPECT_EQ(hostLogMessages(), std::vector<std::wstring>{L"Could not start GDI+"});
    EXPECT_EQ(hostCallNames(), std::vector<std::wstring>{L"WTW/Log"});
    EXPECT_FALSE(classRegistered(plugin.module, L"ScreenshotWnd"));
    EXPECT_FALSE(classRegistered(plugin.module, L"StyleControl"));
    gdiplusShutdowns = 0;
    hostClearJournal();
    unload();
    EXPECT_EQ(gdiplusShutdowns, 0) << "no shut-down without a start-up";
    EXPECT_TRUE(hostJournal().empty());
    patchImport(plugin.module, "gdiplus.dll", "GdiplusStartup", realStartup);
    patchImport(plugin.module, "gdiplus.dll", "GdiplusShutdown", realShutdown);
    EXPECT_EQ(load(), hostOk);
}

TEST_F(PluginTest, FailedSettingsOpenAborts) {
    hostRegister(L"WTW/Settings/InitEx", [](int64_t, int64_t) { return int64_t(1); }, RecordKind::wideText);
    EXPECT_EQ(load(), hostAbort);
    EXPECT_EQ(hostCallNames(), (std::vector<std::wstring>{L"WTW/Settings/GetMyConfigFile",
                                                          L"WTW/Settings/InitEx", L"WTW/Log"}));
    EXPECT_EQ(hostLogMessages(), std::vector<std::wstring>{L"Could not load settings"});
    EXPECT_TRUE(hostMenuItems().empty());
    for (const JournalEntry& entry : hostJournal())
        EXPECT_NE(entry.kind, JournalKind::hook);
    hostClearJournal();
    unload();
    EXPECT_TRUE(hostJournal().empty()) << "no settings close with a handle never given";
    EXPECT_FALSE(classRegistered(plugin.module, L"ScreenshotWnd"));
}

// A host may free the library after a failed load without unloading it. The
// failed load leaves no class of the library's registered and no GDI+ running,
// so a later load succeeds in the same library instance and in a fresh one.
TEST_F(PluginTest, FailedLoadTakesDownWhatItSetUpAndLoadsAgain) {
    struct Case {
        const char* what;
        const wchar_t* squatted;  // a class taken before the load, or null
        bool settingsFail;
        const wchar_t* logged;
        int startups;
    };
    static const Case cases[] = {
        {"editor class taken", L"ScreenshotWnd", false, L"Could register windows classes", 0},
        {"style class taken", L"StyleControl", false, L"Could register windows classes", 0},
        {"settings refused", nullptr, true, L"Could not load settings", 1},
    };
    for (const Case& c : cases) {
        for (bool freeBetween : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (freeBetween ? ", library freed between" : ""));
            hostReset(config);
            if (c.settingsFail)
                hostRegister(L"WTW/Settings/InitEx", [](int64_t, int64_t) { return int64_t(1); },
                             RecordKind::wideText);
            WNDCLASSEXW squatter = {};
            squatter.cbSize = sizeof(squatter);
            squatter.lpfnWndProc = DefWindowProcW;
            squatter.hInstance = plugin.module;
            squatter.lpszClassName = c.squatted;
            if (c.squatted) {
                ASSERT_NE(RegisterClassExW(&squatter), 0);
            }
            realGdiplusStartup = reinterpret_cast<decltype(realGdiplusStartup)>(patchImport(
                plugin.module, "gdiplus.dll", "GdiplusStartup", reinterpret_cast<void*>(watchGdiplusStartup)));
            realGdiplusShutdown = reinterpret_cast<decltype(realGdiplusShutdown)>(patchImport(
                plugin.module, "gdiplus.dll", "GdiplusShutdown", reinterpret_cast<void*>(watchGdiplusShutdown)));
            ASSERT_NE(realGdiplusStartup, nullptr);
            ASSERT_NE(realGdiplusShutdown, nullptr);
            gdiplusStartups = gdiplusShutdowns = 0;
            hostClearJournal();
            EXPECT_EQ(load(), hostAbort);
            EXPECT_EQ(hostLogMessages(), std::vector<std::wstring>{c.logged});
            EXPECT_EQ(gdiplusStartups, c.startups);
            EXPECT_EQ(gdiplusShutdowns, c.startups) << "a started GDI+ is stopped again";
            if (c.squatted)
                UnregisterClassW(c.squatted, plugin.module);
            EXPECT_FALSE(classRegistered(plugin.module, L"ScreenshotWnd"));
            EXPECT_FALSE(classRegistered(plugin.module, L"StyleControl"));
            if (!freeBetween) {
                hostClearJournal();
                unload();
                EXPECT_EQ(gdiplusShutdowns, c.startups) << "the unload after it stops nothing more";
                EXPECT_TRUE(hostJournal().empty());
            }
            patchImport(plugin.module, "gdiplus.dll", "GdiplusStartup", reinterpret_cast<void*>(realGdiplusStartup));
            patchImport(plugin.module, "gdiplus.dll", "GdiplusShutdown",
                        reinterpret_cast<void*>(realGdiplusShutdown));
            hostReset(config);
            if (freeBetween) {
                // Freed as a host may free it after the abort: without an unload.
                hostClosePlugin(&plugin);
                ASSERT_TRUE(hostOpenPlugin(hostExeFolder() + L"snipLeaf.dll", &plugin));
            }
            hostClearJournal();
            EXPECT_EQ(load(), hostOk);
            EXPECT_TRUE(hostLogMessages().empty());
            EXPECT_TRUE(classRegistered(plugin.module, L"ScreenshotWnd"));
            EXPECT_TRUE(classRegistered(plugin.module, L"StyleControl"));
            unload();
        }
    }
}
