// The plug-in's seven integer settings in the host's settings store.
#pragma once

#include <cstdint>

extern uint64_t settingsHandle;

constexpr const wchar_t* keyPenColor = L"snipLeaf/PenColor";
constexpr const wchar_t* keyBrushColor = L"snipLeaf/BrushColor";
constexpr const wchar_t* keyPenWidth = L"snipLeaf/PenWidth";
constexpr const wchar_t* keyTransparent = L"snipLeaf/Transparent";
constexpr const wchar_t* keyToolbarExpanded = L"snipLeaf/ToolbarExpanded";
constexpr const wchar_t* keyFullscreen = L"snipLeaf/Fullscreen";
constexpr const wchar_t* keyDefaultQuality = L"snipLeaf/DefaultQuality";

constexpr int32_t defaultPenColor = int32_t(0xFF000000);
constexpr int32_t defaultBrushColor = 0x00FFFFFF;
constexpr int32_t defaultPenWidth = 1;

bool openSettings();
// The stored value, or fallback when the host has none.
int32_t readSetting(const wchar_t* key, int32_t fallback);
// Like readSetting, but tells whether the host answered.
bool readStoredSetting(const wchar_t* key, int32_t* value);
void writeSetting(const wchar_t* key, int32_t value);
void reloadSettings();
void flushSettings();
void closeSettings();
