// The editor window: one at a time, its whole state in one record that its
// handlers read through the window property.
#pragma once

#include <windows.h>

#include <cstdint>

#include "editorState.h"

constexpr const wchar_t* editorClassName = L"ScreenshotWnd";
constexpr const wchar_t* editorProperty = L"IMGWND";
constexpr UINT stylePenChangedMessage = 0x3F00;
constexpr UINT styleBrushChangedMessage = 0x3F01;

// Registers "ScreenshotWnd" from its static record with the module handle.
bool registerEditorClass();
struct WindowList;
// Takes ownership of picture, contacts and the screenshot's recorded windows
// (null for other pictures) in every case.
void openEditor(ImageHolder* picture, ContactRecord* contacts, int32_t count, WindowList* windows = nullptr);
void closeEditor();
// The editor's window and controls made ahead, hidden, for a picture of this
// size, when no editor is open; the next openEditor with a picture of that
// size shows it. Discarded unseen, writing no setting.
void prepareEditor(uint32_t width, uint32_t height);
void discardPreparedEditor();
// Before a new picture is taken: false when the open editor holds a drawing
// (a step undo could take back, or an open text box) and the user, asked in
// a box of the editor's, keeps it; the editor then comes to the front as it was.
bool editorMayBeReplaced();
// Hides the open editor, so that a screenshot shows what lies under it, or
// shows it again as it was.
void hideEditor(bool hidden);
void dispatchCommand(EditorState& s, WPARAM wParam);
// The style settings, written when the window goes; closes the editor.
void saveEditorSettings(EditorState& s);
LRESULT CALLBACK editorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Outer window size for a W x H picture above a toolbar of the given height:
// frame is what the window's style adds around an empty client area. At
// least 261 wide.
SIZE editorWindowSize(uint32_t pictureWidth, uint32_t pictureHeight, int toolbarHeight, SIZE frame);
// Sizes the framed window around picture and toolbar: at least as wide as the
// toolbar's items, within the work area.
void fitEditorWindow(EditorState& s);
// The outer width that shows every toolbar item: the picture's window width,
// widened to the toolbar's (frame included) as far as the work area allows.
LONG widthForToolbar(LONG windowWidth, LONG toolbarWindowWidth, LONG workWidth);
// Whether the editor opens maximised: the picture is not smaller than the
// screen, or the window would not fit the work area, which would put the
// toolbar out of reach.
bool opensMaximised(uint32_t pictureWidth, uint32_t pictureHeight, SIZE screen, SIZE window, SIZE workArea);
