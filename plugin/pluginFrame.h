// The plug-in's lifecycle statics: what pluginLoad sets up and pluginUnload takes down.
#pragma once

#include <windows.h>

#include <cstdint>

#include "hostApi.h"

extern HMODULE moduleHandle;
extern HBITMAP toolbarBitmap;

constexpr int toolbarResourceId = 65535;
constexpr const wchar_t* toolbarGraphId = L"snipLeaf/Toolbar";
constexpr const wchar_t* toolbarFileName = L"snipLeafToolbar.png";
