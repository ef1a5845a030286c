// The editor window: one at a time, its whole state in one static record.
#pragma once

#include <windows.h>

constexpr const wchar_t* editorClassName = L"ScreenshotWnd";

// Registers "ScreenshotWnd" from its static record with the module handle.
bool registerEditorClass();
void closeEditor();
LRESULT CALLBACK editorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
