// Shared set-up of the editor tests: the real DLL loaded with one contact
// online, pictures put on the clipboard and opened, and reading the editor's
// window, toolbar, settings calls, deliveries and pixels back.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <initializer_list>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host/standInPlugins.h"
#include "testSupport.h"

// Sizes and points compare and print in the checks.
bool operator==(const SIZE& a, const SIZE& b);
std::ostream& operator<<(std::ostream& out, const SIZE& size);
bool operator==(const POINT& a, const POINT& b);
std::ostream& operator<<(std::ostream& out, const POINT& point);

const HostContact onlineContact = {L"GG", 1, 1001, 2};
const HostContact busyContact = {L"JABBER", 2, 2002, 7};

constexpr int64_t answerUnexpected = int64_t(int32_t(0x8000FFFF));
constexpr int64_t answerOutOfMemory = int64_t(int32_t(0x8007000E));
constexpr int64_t answerFail = int64_t(int32_t(0x80004005));

HWND childOfClass(HWND parent, const wchar_t* className);
HWND editorToolbar(HWND editor);
BYTE itemState(HWND toolbar, int command);
std::wstring windowText(HWND window);
// The client area above the toolbar, where the picture shows; a toolbar that
// reaches beyond the client area's bottom edge shows as a negative height.
SIZE pictureArea(HWND editor);
// The client width the items of the toolbar and the tool strip beside it
// take, and the area a width x height picture then shows in: as wide as the
// wider of picture and toolbars.
LONG toolRowEnd(HWND editor);
SIZE pictureAreaFor(HWND editor, int width, int height);
// The settings calls the host saw, as "Get key", "Set key=value", "Read", "Write".
std::vector<std::wstring> settingsCalls();
// How many times the key was set.
size_t settingsWritesOf(const std::wstring& key);
// What each picture transfer and file hand-off was given, in order, as
// "<function> <contact id>".
std::vector<std::wstring> deliveriesSeen();

// A child window's rectangle in its parent's client coordinates.
RECT childRect(HWND child);
RECT toolbarItem(HWND toolbar, int index);
void expectRect(const RECT& actual, LONG left, LONG top, LONG width, LONG height, const char* what);
void holdAlt(bool down);
// The modifier keys as the keyboard state tells them.
void holdKeys(bool control, bool shift, bool alt = false);
// Alt+Enter, unless an earlier full screen's setting opened it so already.
void enterFullScreen(HWND editor);
// A key pressed and released with the modifiers held.
void press(HWND window, WPARAM key, bool control = false, bool shift = false);
HWND textField(HWND editor);

// Types with xdotool on the X server's own keyboard (Wine starts Unix
// programs too), which the run script puts on the Polish layout before Wine
// starts, as a Polish user's is; the thread's messages are pumped meanwhile,
// so each key is translated while the keys held with it are down. The keys
// end with F12, which no editor key takes, and this returns once Wine has
// seen it: every key before it has been delivered. False when it never came
// (no xdotool, or the display not on the Polish layout).
bool typeOnX(const std::string& xdotoolCommands);

// The colours of the top-left part of the editor's client area as the screen
// shows it now, focus rectangles drawn straight on the window included.
std::vector<COLORREF> shownPixels(HWND editor, int width, int height);
// The same part as painted afresh (the frame Wine draws without a window
// manager leaves less than the picture).
std::vector<COLORREF> clientPixels(HWND editor, int width, int height);

// The pixels a focus rectangle over r changes, within width x height.
PixelSet focusRectPixels(const RECT& r, int width, int height);
PixelSet pixelsOf(const std::vector<COLORREF>& pixels, int width, COLORREF rgb);
LPARAM at(int x, int y);
// The 7 x 7 squares of a selection's eight handles, centred on its corners and
// its sides' middles (right and bottom being the first column and row
// outside), and their one-pixel borders, which are black; inside they are white.
PixelSet handleSquares(const RECT& selection);
PixelSet handleBorders(const RECT& selection);
// A marked selection as it shows over a white picture: the focus rectangle's
// dots where no handle covers them, and the handles' borders.
PixelSet markOnWhite(const RECT& selection, int width, int height);
// The pixels of a rectangle, and of a set less another.
PixelSet rectPixels(const RECT& r);
PixelSet minus(const PixelSet& a, const PixelSet& b);
// The client pixels the size label's window (the editor's child with control
// id 100) takes while it shows; none while hidden.
PixelSet sizeLabelPixels(HWND editor);
// The columns of each row, moved by dx, dy.
PixelSet rows(std::initializer_list<std::pair<int, std::initializer_list<int>>> table, int dx = 0, int dy = 0);

// While one lives, the next popup menu this thread opens is read and then
// answered from the keyboard: the row with the text chosen, or Escape for an
// empty text. Each row reads as its text with " greyed" and " checked" as
// they apply, and a "|" after it (nothing for a separator).
struct MenuAnswer {
    explicit MenuAnswer(const std::wstring& choose = L"");
    MenuAnswer(const MenuAnswer&) = delete;
    MenuAnswer& operator=(const MenuAnswer&) = delete;
    ~MenuAnswer();
    std::wstring choose;
    std::wstring rows;   // empty: no menu opened
    POINT corner = {};   // the menu's top-left on the screen
};
// The clipboard's data in the format, and a file's bytes; empty for none.
std::vector<uint8_t> clipboardBytes(UINT format);
std::vector<uint8_t> fileBytes(const std::wstring& path);
// The tool strip beside the editor's toolbar; a click on a button of either.
HWND toolStrip(HWND editor);
void clickToolbarButton(HWND bar, int command);

class EditorTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        ASSERT_EQ(load(), hostOk);
        hostAddStatusFunction(onlineContact);
        hostClearJournal();
    }
    void TearDown() override {
        closeOpenEditor();
        PluginTest::TearDown();
    }
    HWND openSolidFromClipboard(int width, int height, COLORREF colour) {
        closeOpenEditor();
        EXPECT_TRUE(hostPutSolidPictureOnClipboard(width, height, colour));
        EXPECT_EQ(hostClickItem(L"snipLeaf/Clipboard", {onlineContact}), 0);
        hostPumpMessages(50);
        return findEditor();
    }
    HWND openFromClipboard(int width, int height, std::vector<HostContact> contacts = {onlineContact}) {
        closeOpenEditor();
        EXPECT_TRUE(hostPutPictureOnClipboard(width, height));
        EXPECT_EQ(hostClickItem(L"snipLeaf/Clipboard", contacts), 0);
        hostPumpMessages(50);
        return findEditor();
    }
};
