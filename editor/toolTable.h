// How the editor window's mouse and key handlers reach the tools: one table,
// a row per tool with its press, move, release, double-click, lost drag,
// Escape and key-down handlers, each living in that tool's own file; and the
// steps every tool shares, kept here once: the open text box's press, the
// drag with its capture, band, step and feedback, and the rule that a
// release acts only for a press this editor saw.
#pragma once

#include <windows.h>

#include "editorState.h"

// WM_LBUTTONDOWN or WM_RBUTTONDOWN at the client point packed in lParam, the
// button already noted in selectionView.rightButton.
void toolPress(EditorState& s, LPARAM lParam);
// A move with a button held.
void toolMove(EditorState& s, LPARAM lParam, bool leftHeld);
// False when no press of this button started a drag here, or Escape or a lost
// capture ended it already: the release did nothing.
bool toolRelease(EditorState& s, LPARAM lParam, bool rightButton);
// WM_LBUTTONDBLCLK: true when the tool took it; otherwise it is a press.
bool toolDoubleClick(EditorState& s, LPARAM lParam);
// The release never came (the capture was taken away, or a move came with no
// button held): the drag ends at the last point seen, as one step.
void toolDragLost(EditorState& s);
// Escape during a drag: the band goes as drawn, the drag's pixels are put
// back, and the rest of the drag up to its release does nothing. False when
// no drag is in progress.
bool cancelDrag(EditorState& s);
// A key-down with Ctrl up: true when the chosen tool took it.
bool toolKeyDown(EditorState& s, WPARAM key, bool shift);

// For the tools' drag handlers: the rubber band, drawn with exclusive-or
// straight on the window, and the handles and size label that follow it.
void showDragBand(EditorState& s, const RECT& band);
void removeDragBand(EditorState& s);
void showDragFeedback(EditorState& s, const RECT& band);
