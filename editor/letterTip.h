// The balloon on the text tool's field. T writes with the built-in font,
// which has the printable ASCII characters only; a user typing Polish
// letters there learns, once per editor, which tool writes them.
#pragma once

#include <windows.h>

#include "editorState.h"

// Whether the built-in font lacks the character: anything outside 32..126.
bool outsideBuiltInFont(wchar_t unit);
// A WM_COMMAND reaching the editor window: when it tells that the text
// field's text changed and the field now holds a character outside the
// built-in font, the balloon shows, the first time in this editor only.
void letterTipCommand(EditorState& s, WPARAM wParam, LPARAM lParam);
