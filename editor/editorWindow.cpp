// The editor window class and the editor's opening and closing.
#include "editorWindow.h"

#include "../plugin/pluginFrame.h"

// The constant parts of the class record are filled once, when the library is
// loaded; the module handle is only known by then from the entry point.
static WNDCLASSEXW editorClass = [] {
    WNDCLASSEXW record = {};
    record.cbSize = sizeof(record);
    record.style = CS_HREDRAW | CS_VREDRAW;
    record.lpfnWndProc = editorWindowProc;
    record.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    record.hCursor = LoadCursorW(nullptr, IDC_CROSS);
    record.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    record.lpszClassName = editorClassName;
    return record;
}();

// Closes an editor still open when the library goes away.
static struct EditorCleanup {
    EditorCleanup() = default;
    EditorCleanup(const EditorCleanup&) = delete;
    EditorCleanup& operator=(const EditorCleanup&) = delete;
    ~EditorCleanup() { closeEditor(); }
} editorCleanup;

bool registerEditorClass() {
    editorClass.hInstance = moduleHandle;
    return RegisterClassExW(&editorClass) != 0;
}

void closeEditor() {
}

LRESULT CALLBACK editorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}
