// The main job without a person at the screen: a scripted user drives the
// stand-in messenger and the plug-in's editor with real menus, keys, mouse
// messages and dialogs, and writes what a person would have seen into one
// folder: screenshots, the received pictures and a summary.
#pragma once

#include <string>

#include "standInHost.h"

// Runs the session with the plug-in loaded into the host; false when a step
// could not be taken (the summary says which).
bool runScriptedSession(const PluginModule& plugin, const std::wstring& folder);
