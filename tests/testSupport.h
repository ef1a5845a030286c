// Shared test set-up, built once into the test-support library: fresh
// folders, the real DLL loaded through the stand-in host, reading records out
// of the journal, the one hook that answers dialogs, and patching the DLL's
// imports so a test can make a platform call fail or watch it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host/standInHost.h"
#include "tools/importPatch.h"

// A new, empty folder under the temporary directory, with a trailing backslash:
// emptied of whatever an earlier run with the same name left there.
std::wstring freshFolder(const wchar_t* tag);
// Empties a folder of everything in it, folders included.
void emptyFolder(const std::wstring& folder);
// The host reset to a fresh settings file in a fresh folder that serves the
// toolbar graphic from the build's output folder.
HostConfig freshHostConfig();

template <typename T>
T readAt(const std::vector<uint8_t>& bytes, size_t offset) {
    T value = {};
    if (offset + sizeof(T) <= bytes.size())
        std::memcpy(&value, bytes.data() + offset, sizeof(T));
    return value;
}

// Pixels as (x, y) points, and the shapes the tests build their expected sets of.
using PixelSet = std::set<std::pair<int, int>>;
PixelSet unite(const PixelSet& a, const PixelSet& b);
// The border of the inclusive rectangle, one pixel wide.
PixelSet rectangleOutline(int left, int top, int right, int bottom);

// True when every byte of [from, to) is zero.
bool zeroBetween(const std::vector<uint8_t>& bytes, size_t from, size_t to);
std::wstring textAt(const std::vector<uint8_t>& bytes, size_t offset);
// The journal's calls of one name, in order.
std::vector<JournalEntry> callsOf(const std::wstring& name);


// The editor's top-level window, or null.
HWND findEditor();
// Closes the open editor as its Anuluj button does, so that the next picture
// opens without the question a drawing would bring up.
void closeOpenEditor();
// A message box as the user saw it.
struct ShownMessage {
    std::wstring caption;
    std::wstring text;
    HWND owner;
    bool errorIcon;
    bool onlyOk;
    size_t deliveriesBefore;  // how many deliveries the stand-ins had seen by then
};

// While one lives, a WH_CBT hook on this thread answers every dialog as it
// becomes active: an open or save dialog with fileAnswer typed in (after
// choosing the type fileType asks for) and OK, Cancel for an empty answer, its
// title and offered name kept; a message box read into shown and answered OK,
// unless atMessageBox runs a step of its own there and says it answers the box
// itself.
struct DialogAnswers {
    explicit DialogAnswers(const std::wstring& fileAnswer = L"");
    DialogAnswers(const DialogAnswers&) = delete;
    DialogAnswers& operator=(const DialogAnswers&) = delete;
    ~DialogAnswers();
    std::wstring fileAnswer;
    std::wstring fileDialogTitle;  // of the first file dialog; empty: none shown
    std::wstring fileDialogName;   // the name it offered before the answer was typed
    int fileType = 0;              // the type to choose in its list, from 1; 0 keeps the one offered
    std::vector<ShownMessage> shown;
    std::function<bool(HWND box)> atMessageBox;

private:
    DialogAnswers* outer;
};
// The texts of the message boxes shown, in order.
std::vector<std::wstring> shownTexts(const DialogAnswers& answers);

// Clicks the item for the contacts while DialogAnswers answers the open-file
// dialog it shows: the path typed in and OK, or Cancel for an empty path.
// The dialog's title comes back in *title (empty: none shown).
int64_t clickAnsweringFileDialog(const std::wstring& itemId, const std::vector<HostContact>& contacts,
                                 const std::wstring& path, std::wstring* title);
// Writes a width x height picture of colour ramps with GDI+'s encoder for the MIME type.
bool writePictureFile(const std::wstring& path, int width, int height, const wchar_t* mimeType);
// Moves the editor's quality slider to PNG, whatever a settings file left
// from an earlier run under the same folder name chose.
void choosePng(HWND editor);
// Empties the clipboard and leaves a text on it (CF_UNICODETEXT), or nothing
// for null.
bool putClipboardText(const wchar_t* text);
// A button drag over the editor as mouse messages: down at the first point,
// moves through the others, up at the last.
void drag(HWND editor, bool right, std::initializer_list<POINT> points);

// The real snipLeaf.dll, opened for each test and closed after it.
class PluginTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    int32_t load() { return plugin.pluginLoad(0, hostFunctionTable()); }
    int32_t unload() { return plugin.pluginUnload(0); }
    HostConfig config;
    PluginModule plugin = {};
};

// Every pixel of a picture file as 0xAARRGGBB, row by row; empty, 0 x 0, when unreadable.
std::vector<uint32_t> filePixels(const std::wstring& path, UINT* width, UINT* height);
