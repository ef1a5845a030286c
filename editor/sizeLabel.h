// The label that gives a selection's or a drag's size as "W × H" in picture
// pixels: a child window of the editor, so that its text is the window text
// tests and screen readers read.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "editorState.h"

// "W × H", the multiplication sign between two spaces.
void formatSizeText(wchar_t* text, size_t units, int32_t width, int32_t height);
// Where a label of this size goes for a rectangle whose bottom-right corner
// is at corner (client pixels): just outside the corner, and inside the view
// where the corner is too near its right or bottom edge.
POINT sizeLabelPosition(POINT corner, SIZE label, const RECT& view);

// The label's height with its font: the least height of the view.
int32_t sizeLabelHeight(const EditorState& s);
// Made hidden with the editor window.
void createSizeLabel(EditorState& s);
// Shows the size of the picture rectangle (normalised, cut to the picture)
// at its bottom-right corner.
void showSizeLabel(EditorState& s, const RECT& picture);
void hideSizeLabel(EditorState& s);
// The marked selection's size while Select is the tool; hidden otherwise.
void showSelectionSizeLabel(EditorState& s);
// WM_CTLCOLORSTATIC for the label: the colours of a tooltip.
bool sizeLabelColours(const EditorState& s, HWND control, HDC dc, LRESULT* brush);
