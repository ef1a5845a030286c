// The editor's toolbar: its items, the child controls that live on it, its two
// layouts and the frameless full-screen mode that hides it.
#pragma once

#include <windows.h>

#include "editorState.h"

// The toolbar at the bottom of s.window with the text edit, the quality
// slider and the toggle button; the hand-off buttons show when the host has their functions.
void createToolbar(EditorState& s);
// The style control and the slider's hover tip, made if they are still due.
void makeToolbarControls(EditorState& s);
// The style control's fill box is ticked, or is to start ticked.
bool fillTicked(const EditorState& s);
// What the toolbar takes of the client area, from its top edge down.
int toolbarShare(const EditorState& s);
// The client width its shown items take.
int toolbarWidth(const EditorState& s);
// The toolbar's collapsible half and the frameless full-screen mode, each
// remembered in its setting for the next editor.
void toggleToolbar(EditorState& s);
void toggleFullScreen(EditorState& s);
// The frameless mode is on.
bool isFullScreen(const EditorState& s);
