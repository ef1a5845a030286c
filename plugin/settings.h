// The plug-in's seven integer settings in the host's settings store.
#pragma once

#include <cstdint>

extern uint64_t settingsHandle;

// Every setting: its key and what it reads as when the host has none.
struct Setting {
    const wchar_t* key;
    int32_t fallback;
};
enum SettingId : int32_t {
    settingPenColor,
    settingBrushColor,
    settingPenWidth,
    settingTransparent,
    settingToolbarExpanded,
    settingFullscreen,
    settingDefaultQuality,
    settingCount,
};
constexpr Setting settingTable[] = {
    {L"snipLeaf/PenColor", int32_t(0xFF000000)},
    {L"snipLeaf/BrushColor", 0x00FFFFFF},
    {L"snipLeaf/PenWidth", 1},
    {L"snipLeaf/Transparent", 0},
    {L"snipLeaf/ToolbarExpanded", 0},
    {L"snipLeaf/Fullscreen", 0},
    {L"snipLeaf/DefaultQuality", 0},
};
static_assert(sizeof(settingTable) / sizeof(settingTable[0]) == settingCount);

constexpr const wchar_t* keyPenColor = settingTable[settingPenColor].key;
constexpr const wchar_t* keyBrushColor = settingTable[settingBrushColor].key;
constexpr const wchar_t* keyPenWidth = settingTable[settingPenWidth].key;
constexpr const wchar_t* keyTransparent = settingTable[settingTransparent].key;
constexpr const wchar_t* keyToolbarExpanded = settingTable[settingToolbarExpanded].key;
constexpr const wchar_t* keyFullscreen = settingTable[settingFullscreen].key;
constexpr const wchar_t* keyDefaultQuality = settingTable[settingDefaultQuality].key;

constexpr int32_t defaultPenColor = settingTable[settingPenColor].fallback;
constexpr int32_t defaultBrushColor = settingTable[settingBrushColor].fallback;
constexpr int32_t defaultPenWidth = settingTable[settingPenWidth].fallback;
constexpr int32_t defaultTransparent = settingTable[settingTransparent].fallback;
constexpr int32_t defaultQuality = settingTable[settingDefaultQuality].fallback;

bool openSettings();
// The stored value, or fallback when the host has none.
int32_t readSetting(const wchar_t* key, int32_t fallback);
// Like readSetting, but tells whether the host answered.
bool readStoredSetting(const wchar_t* key, int32_t* value);
void writeSetting(const wchar_t* key, int32_t value);
void reloadSettings();
void flushSettings();
void closeSettings();
