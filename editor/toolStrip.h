// The tool strip: a second toolbar in the toolbar's row, just after its last
// item, with a button for each tool the toolbar has none for; and the one
// place that shows which tool is chosen, in both toolbars.
#pragma once

#include <windows.h>

#include <cstdint>

#include "editorState.h"

constexpr const wchar_t* toolStripClassName = L"snipLeafToolStrip";
// The strip's class, registered with the editor's at load; without it an
// editor has no strip, and the keys and menus still choose every tool.
bool registerToolStripClass();

// Creates the strip on s.window beside the toolbar, which must exist.
void createToolStrip(EditorState& s);
// The editor closes: frees the strip's images.
void freeToolStrip(EditorState& s);
// Puts the strip just after the toolbar's last item, in its row, and shows it
// exactly while the toolbar shows. Run after every change of the toolbar's
// layout or place.
void placeToolStrip(const EditorState& s);
// The client width the strip's items take; 0 without a strip.
int toolStripWidth(const EditorState& s);
// WM_COMMAND: true when it came from a strip button, whose tool is chosen.
bool toolStripCommand(EditorState& s, WPARAM wParam, LPARAM lParam);
// The chosen tool's button pressed and every other one of both toolbars not.
void markChosenTool(const EditorState& s, int32_t tool);
