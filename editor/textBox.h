// The typed-text tool's box on the picture: a click opens it, the keyboard
// types into it as into any text field, and the text shows where and how it
// will be drawn until the box is committed (one history step) or cancelled.
// While it is open every key is the box's. The box stays on the picture: its
// lines wrap at the picture's right edge, and a key that would take it past
// the picture's bottom, or past its capacity, is refused with a beep.
#pragma once

#include <windows.h>

#include "editorState.h"

// Every tool's press at this picture point sees the box first: a press
// inside the open box moves its caret there and is the box's (true); one
// outside commits it, and the tool goes on with the press.
bool textBoxPress(EditorState& s, POINT picture);
// The typed-text tool's press: a new, empty box at the point.
void openTypedText(EditorState& s, POINT picture);
// Draws the open box's text into the picture as one step (nothing for an
// empty box) and closes the box. False when no box was open.
bool commitTextBox(EditorState& s);
// Opens the box again on the layer's typed text at index, with its text and
// the caret at its end; commit replaces the text, cancel puts it back.
bool reopenTypedText(EditorState& s, int32_t index);
// Escape: the box closes and nothing is drawn.
void cancelTextBox(EditorState& s);
// The editor closes: the box goes with nothing drawn or repainted.
void discardTextBox(EditorState& s);
// A key-down reaching the editor window (WM_KEYDOWN or WM_SYSKEYDOWN): true
// when it was the open box's.
bool textBoxKeyDown(EditorState& s, UINT message, WPARAM key);
// A WM_CHAR: true when an open box took it.
bool textBoxChar(EditorState& s, WPARAM unit);
// The pen or brush changed: the open box shows the text as it now would be drawn.
void textBoxRestyled(EditorState& s);
// The client rectangle whose every pixel the open box's paint lays its text
// over a copy of the picture in: the view need not draw the picture there.
// Empty while no text is shown.
RECT textBoxCover(const EditorState& s);
// Paints the open box on the paint's off-screen DC in client coordinates:
// the text drawn over a copy of the picture's pixels under the box, a dotted
// frame around the box, and the caret.
void paintTextBox(const EditorState& s, HDC dc);
