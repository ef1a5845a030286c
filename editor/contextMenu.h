// The menu under the right button: every tool, the edits and the sends, each
// doing what its key or button does. A right press is held back until it is
// known to be a click, which opens the menu and changes nothing else, or a
// drag, which does what the right button's drag always did.
#pragma once

#include <windows.h>

#include "editorState.h"

// WM_RBUTTONDOWN: true when the press is held back, so the tool does not
// see it yet. The pencil's stroke follows every move, so it starts at once
// and a click takes it back.
bool holdRightPress(EditorState& s, LPARAM lParam);
// WM_MOUSEMOVE: true when a held right press swallows the move. A move past
// a click's slack hands the press to the tool, and the move after it.
bool rightPressMoved(EditorState& s, WPARAM wParam, LPARAM lParam);
// WM_RBUTTONUP: true when the release ended a click, which opened the menu
// at the mouse point; false for the release of a drag, which the tool ends.
bool rightClickReleased(EditorState& s, LPARAM lParam);
// The mouse went to another window: a held right press is forgotten.
void forgetRightPress(EditorState& s);
// A key reaching the editor window: the Menu key's release and Shift+F10's
// press ask for the menu as the keyboard's WM_CONTEXTMENU. True when the key
// was one of these.
bool contextMenuKey(EditorState& s, UINT message, WPARAM key);
// WM_CONTEXTMENU: true when the menu was the editor's, at the point given, or
// from the keyboard at the selection's corner or the view's top-left.
bool contextMenuRequested(EditorState& s, WPARAM wParam, LPARAM lParam);
