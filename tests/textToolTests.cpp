// The typed text (N) and the step markers (I) through the real DLL, driven by
// mouse, key and character messages. The letters come from the system's font,
// so these check properties of the pixels rather than fixed sets: the Polish
// letters' ink, the box that holds every changed pixel, Escape and undo and
// redo read back as whole pictures, the markers' places and numbers, and that
// no key with Ctrl and Alt held (AltGr) is ever a command.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "editorTestSupport.h"
#include "tools/pngWriter.h"

namespace {

constexpr int width = 320;
constexpr int height = 200;

using Picture = std::vector<COLORREF>;  // 0x00RRGGBB, row by row, as the screen shows it

const COLORREF white = 0xFFFFFF, black = 0x000000;  // as the screen reads them

Picture painted(HWND editor) {
    return clientPixels(editor, width, height);
}

// Only what is due is repainted: what the user sees without a forced repaint.
Picture shown(HWND editor) {
    UpdateWindow(editor);
    return shownPixels(editor, width, height);
}

COLORREF pixelAt(const Picture& p, int x, int y) {
    return p[size_t(y * width + x)];
}

PixelSet changed(const Picture& before, const Picture& after) {
    PixelSet set;
    for (size_t i = 0; i < before.size() && i < after.size(); i++) {
        if (before[i] != after[i])
            set.insert({int(i % width), int(i / width)});
    }
    return set;
}

// The pixels of p that are not this colour, within the set.
PixelSet notOfColour(const Picture& p, const PixelSet& within, COLORREF colour) {
    PixelSet set;
    for (const auto& [x, y] : within) {
        if (pixelAt(p, x, y) != colour)
            set.insert({x, y});
    }
    return set;
}

// Left, top, right, bottom, all inclusive; left > right for no pixel.
RECT boundsOf(const PixelSet& set) {
    RECT r = {width, height, -1, -1};
    for (const auto& [x, y] : set) {
        r.left = std::min<LONG>(r.left, x);
        r.top = std::min<LONG>(r.top, y);
        r.right = std::max<LONG>(r.right, x);
        r.bottom = std::max<LONG>(r.bottom, y);
    }
    return r;
}

PixelSet filledRect(const RECT& r) {
    PixelSet set;
    for (int y = r.top; y <= r.bottom; y++) {
        for (int x = r.left; x <= r.right; x++)
            set.insert({x, y});
    }
    return set;
}

// The pixels of the set moved so that (x, y) is the origin, each with its
// colour: what a marker or a letter looks like wherever it stands.
std::vector<std::pair<std::pair<int, int>, COLORREF>> relative(const Picture& p, const PixelSet& set, int x, int y) {
    std::vector<std::pair<std::pair<int, int>, COLORREF>> out;
    for (const auto& [px, py] : set)
        out.push_back({{px - x, py - y}, pixelAt(p, px, py)});
    return out;
}

void writePicture(const Picture& pixels, const char* path) {
    std::vector<uint8_t> rgba;
    for (COLORREF p : pixels)
        rgba.insert(rgba.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), 0xFF});
    EXPECT_TRUE(pngWriter::writeRgba(path, width, height, rgba));
}

void key(HWND editor, WPARAM code, bool control = false, bool alt = false) {
    holdKeys(control, false, alt);
    SendMessageW(editor, WM_KEYDOWN, code, 0);
    SendMessageW(editor, WM_KEYUP, code, 0);
    holdKeys(false, false);
}

// As the keyboard types it: a line break is Enter, every other unit its
// character; a letter key's own key-down comes first, as TranslateMessage
// would have it. The window is repainted after each, as the user's message
// loop would, so what it shows is built up of the parts each key repainted.
void type(HWND editor, const std::wstring& text) {
    for (wchar_t unit : text) {
        if (unit == L'\n') {
            key(editor, VK_RETURN);
        } else {
            if (unit >= L'a' && unit <= L'z')
                SendMessageW(editor, WM_KEYDOWN, WPARAM(unit - L'a' + L'A'), 0);
            SendMessageW(editor, WM_CHAR, WPARAM(unit), 0);
        }
        UpdateWindow(editor);
    }
}

void click(HWND editor, int x, int y) {
    SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, at(x, y));
    SendMessageW(editor, WM_LBUTTONUP, 0, at(x, y));
}

void commit(HWND editor) {
    key(editor, VK_RETURN, true);
}

void setPen(HWND editor, int penWidth, COLORREF colour) {
    SendMessageW(editor, 0x3F00, WPARAM(penWidth), LPARAM(colour));
}

// Alpha 0xFF fills, 0 does not.
void setBrush(HWND editor, int penWidth, COLORREF colour, bool fill) {
    SendMessageW(editor, 0x3F01, WPARAM(penWidth), LPARAM((fill ? 0xFF000000u : 0u) | colour));
}

class TextToolTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        holdKeys(false, false);
    }
    void TearDown() override {
        holdKeys(false, false);
        EditorTest::TearDown();
    }
    HWND openSolid(COLORREF colour) {
        HWND editor = openSolidFromClipboard(width, height, colour);
        if (editor)
            SetFocus(editor);
        return editor;
    }
    HWND openBands() {
        HWND editor = openFromClipboard(width, height);
        if (editor)
            SetFocus(editor);
        return editor;
    }
};
class TypedText : public TextToolTest {};
class StepMarkers : public TextToolTest {};
class AltGr : public TextToolTest {};

// Types the text into a box opened at (x, y) and commits it with Ctrl+Enter.
void write(HWND editor, int x, int y, const std::wstring& text) {
    SendMessageW(editor, WM_KEYDOWN, 'N', 0);
    click(editor, x, y);
    type(editor, text);
    commit(editor);
}

}  // namespace

// Every Polish letter, lower and upper case, draws ink of its own: not
// nothing, and not its base letter's ink (the bitmap text leaves them out,
// or a lost code unit would draw the base letter). Each is taken back
// exactly before the next.
TEST_F(TypedText, EachPolishLetterDrawsInkOtherThanItsBaseLetters) {
    const wchar_t pairs[][2] = {
        {L'ą', L'a'}, {L'ć', L'c'}, {L'ę', L'e'}, {L'ł', L'l'}, {L'ń', L'n'}, {L'ó', L'o'},
        {L'ś', L's'}, {L'ź', L'z'}, {L'ż', L'z'}, {L'Ą', L'A'}, {L'Ć', L'C'}, {L'Ę', L'E'},
        {L'Ł', L'L'}, {L'Ń', L'N'}, {L'Ó', L'O'}, {L'Ś', L'S'}, {L'Ź', L'Z'}, {L'Ż', L'Z'},
    };
    HWND editor = openSolid(white);
    ASSERT_NE(editor, nullptr);
    setPen(editor, 5, black);
    const Picture original = painted(editor);
    auto inkOf = [&](wchar_t letter) {
        write(editor, 20, 20, std::wstring(1, letter));
        Picture now = painted(editor);
        auto ink = relative(now, changed(original, now), 20, 20);
        key(editor, 'Z', true);
        EXPECT_EQ(changed(original, painted(editor)), PixelSet{}) << "undone";
        return ink;
    };
    for (const auto& pair : pairs) {
        SCOPED_TRACE(hostUtf8(std::wstring(1, pair[0])));
        auto letter = inkOf(pair[0]);
        auto base = inkOf(pair[1]);
        EXPECT_FALSE(letter.empty());
        EXPECT_FALSE(base.empty());
        EXPECT_NE(letter, base);
    }
}

// With the fill on, the changed pixels are exactly a filled box from the
// click to beyond the text, the ink inside it with a margin; with the fill
// off the same text changes exactly the pixels that were ink in the filled
// box, so the box holds every pixel the text changes. While typing, the
// window shows the committed picture but for the box's frame and a caret in
// one column. Undo and redo give each picture back exactly.
TEST_F(TypedText, EveryChangedPixelIsInsideTheBox) {
    struct Case {
        const char* name;
        std::wstring text;
        int penWidth;
        POINT at;
        bool pastTheEdges;  // the box runs over the picture's right and bottom edges
    };
    const Case cases[] = {
        {"one line, width 1", L"Zażółć gęślą jaźń", 1, {10, 10}, false},
        {"three lines, an empty one and trailing spaces, width 5", L"Ąb\n\nżółw  ", 5, {30, 40}, false},
        {"descenders and a tall capital, width 15", L"Śjgy", 15, {60, 50}, false},
        {"over the picture's edges, width 10", L"Żółć\nŻółć gęś", 10, {250, 150}, true},
    };
    const COLORREF green = RGB(0, 200, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND editor = openSolid(white);
        ASSERT_NE(editor, nullptr);
        setPen(editor, c.penWidth, black);
        setBrush(editor, c.penWidth, green, true);
        const Picture original = painted(editor);
        SendMessageW(editor, WM_KEYDOWN, 'N', 0);
        click(editor, c.at.x, c.at.y);
        type(editor, c.text);
        const Picture typing = shown(editor);
        EXPECT_EQ(typing, painted(editor)) << "each key repainted all it changed";
        commit(editor);
        const Picture filled = shown(editor);
        EXPECT_EQ(painted(editor), filled) << "shown as painted afresh";
        const PixelSet box = changed(original, filled);
        const RECT b = boundsOf(box);
        EXPECT_EQ(b.left, c.at.x);
        EXPECT_EQ(b.top, c.at.y);
        if (c.pastTheEdges) {
            EXPECT_EQ(b.right, width - 1);
            EXPECT_EQ(b.bottom, height - 1);
        }
        EXPECT_EQ(box, filledRect(b)) << "the fill covers the box";
        const PixelSet ink = notOfColour(filled, box, green);
        const RECT i = boundsOf(ink);
        ASSERT_FALSE(ink.empty());
        EXPECT_GE(i.left, b.left + 3);
        EXPECT_GE(i.top, b.top + 4);
        if (!c.pastTheEdges) {
            EXPECT_LE(i.right, b.right - 4);
            EXPECT_LE(i.bottom, b.bottom - 4);
        }
        PixelSet marks = changed(filled, typing);
        for (const auto& p : rectangleOutline(b.left, b.top, b.right, b.bottom))
            marks.erase(p);
        // Past the edges the caret, at the end of the text, is off the picture.
        EXPECT_EQ(marks.empty(), c.pastTheEdges) << "a caret shows";
        if (!marks.empty()) {
            const RECT caret = boundsOf(marks);
            EXPECT_EQ(caret.left, caret.right) << "beside the frame only the caret differs from what is drawn";
        }
        key(editor, 'Z', true);
        EXPECT_EQ(painted(editor), original) << "undone";
        setBrush(editor, c.penWidth, green, false);
        click(editor, c.at.x, c.at.y);
        type(editor, c.text);
        commit(editor);
        const Picture plain = painted(editor);
        EXPECT_EQ(changed(original, plain), ink) << "without the fill";
        key(editor, 'Z', true);
        EXPECT_EQ(painted(editor), original) << "undone";
        key(editor, 'Y', true);
        EXPECT_EQ(painted(editor), plain) << "redone";
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
}

// Escape, and a box left empty however it is committed, draw nothing and make
// no step: the marks go without a forced repaint, and undo still takes back
// the line drawn before.
TEST_F(TypedText, EscapeAndAnEmptyBoxDrawNothing) {
    struct Case {
        const char* name;
        std::wstring text;
        int erased;  // Backspaces after typing
        bool fill;
        enum { escape, ctrlEnter, clickOutside, selectButton } end;
    };
    const Case cases[] = {
        {"typed, then Escape", L"Żółw\nźle", 0, false, Case::escape},
        {"typed with the fill on, then Escape", L"Żółw", 0, true, Case::escape},
        {"nothing typed, the fill on, Ctrl+Enter", L"", 0, true, Case::ctrlEnter},
        {"typed and erased, Ctrl+Enter", L"ab", 2, true, Case::ctrlEnter},
        {"nothing typed, a click outside", L"", 0, true, Case::clickOutside},
        {"nothing typed, the Select button", L"", 0, false, Case::selectButton},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND editor = openSolid(white);
        ASSERT_NE(editor, nullptr);
        const Picture original = painted(editor);
        SendMessageW(editor, WM_KEYDOWN, 'L', 0);
        drag(editor, false, {{5, 5}, {100, 60}});
        const Picture withLine = painted(editor);
        setBrush(editor, 1, RGB(0, 200, 0), c.fill);
        SendMessageW(editor, WM_KEYDOWN, 'N', 0);
        click(editor, 40, 20);
        type(editor, c.text);
        for (int k = 0; k < c.erased; k++)
            key(editor, VK_BACK);
        EXPECT_NE(shown(editor), withLine) << "the box shows";
        if (c.end == Case::escape)
            key(editor, VK_ESCAPE);
        else if (c.end == Case::ctrlEnter)
            commit(editor);
        else if (c.end == Case::selectButton)
            SendMessageW(editor, WM_COMMAND, 2, 0);
        if (c.end == Case::clickOutside) {
            click(editor, 200, 150);
            key(editor, VK_ESCAPE);
        }
        EXPECT_EQ(shown(editor), withLine) << "shown";
        EXPECT_EQ(painted(editor), withLine) << "painted afresh";
        key(editor, 'Z', true);
        EXPECT_EQ(painted(editor), original) << "the line was the last step";
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
}

namespace {

int menuRow(HMENU menu, const wchar_t* text) {
    for (int i = 0; i < GetMenuItemCount(menu); i++) {
        wchar_t item[128] = {};
        GetMenuStringW(menu, UINT(i), item, 128, MF_BYPOSITION);
        if (std::wstring(item) == text)
            return i;
    }
    return -1;
}

void chooseMenuRow(HWND editor, const wchar_t* text) {
    HMENU menu = GetSystemMenu(editor, FALSE);
    int row = menuRow(menu, text);
    ASSERT_GE(row, 0) << hostUtf8(text);
    SendMessageW(editor, WM_SYSCOMMAND, GetMenuItemID(menu, row), 0);
}

}  // namespace

// The picture a PNG holds, as the screen would show it.
Picture sentPicture(const std::vector<uint8_t>& png) {
    std::wstring path = freshFolder(L"typedTextSent") + L"sent.png";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, png.data(), DWORD(png.size()), &written, nullptr);
    CloseHandle(file);
    UINT w = 0, h = 0;
    Picture picture;
    for (uint32_t pixel : filePixels(path, &w, &h))
        picture.push_back(pixel & 0x00FFFFFFu);
    return picture;
}

// Each way of committing draws exactly what Ctrl+Enter draws, as one step
// that undo takes back and redo gives again: a click outside (which opens
// the next box), the Select button, a tool's system menu row, copy, send;
// the menu's undo commits and takes the text back at once. Written out as
// typed-text.png: with the fill on, and again without it.
TEST_F(TypedText, EachCommandCommitsItAsOneStep) {
    enum End { ctrlEnter, clickOutside, selectButton, arrowRow, copyRow, sendButton, undoRow };
    struct Case {
        const char* name;
        End end;
    };
    const Case cases[] = {
        {"Ctrl+Enter", ctrlEnter},          {"a click outside", clickOutside}, {"the Select button", selectButton},
        {"the arrow's menu row", arrowRow}, {"the menu's copy", copyRow},      {"the send button", sendButton},
        {"the menu's undo", undoRow},
    };
    const std::wstring text = L"Zażółć gęślą jaźń\nŹdźbło, Łódź";
    DialogAnswers answers;
    hostAddPictureTransfer(onlineContact, {0});
    Picture reference;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hostClearDeliveries();
        HWND editor = openBands();
        ASSERT_NE(editor, nullptr);
        setPen(editor, 3, RGB(180, 0, 0));
        setBrush(editor, 3, RGB(255, 255, 210), true);
        const Picture original = painted(editor);
        SendMessageW(editor, WM_KEYDOWN, 'N', 0);
        click(editor, 12, 14);
        type(editor, text);
        DWORD clipboard = GetClipboardSequenceNumber();
        switch (c.end) {
        case ctrlEnter:
            commit(editor);
            break;
        case clickOutside: {
            click(editor, 300, 180);
            const Picture nextBox = shown(editor);
            key(editor, VK_ESCAPE);
            EXPECT_NE(shown(editor), nextBox) << "the next box was open";
            break;
        }
        case selectButton:
            SendMessageW(editor, WM_COMMAND, 2, 0);
            break;
        case arrowRow:
            chooseMenuRow(editor, L"Strzałka\tA");
            break;
        case copyRow:
            chooseMenuRow(editor, L"Kopiuj do schowka\tCtrl+C");
            EXPECT_NE(GetClipboardSequenceNumber(), clipboard) << "copied";
            break;
        case sendButton:
            choosePng(editor);
            SendMessageW(editor, WM_COMMAND, 11, 0);
            hostPumpMessages(50);
            ASSERT_EQ(hostDeliveries().size(), 1u) << "sent";
            EXPECT_EQ(sentPicture(hostDeliveries()[0].fileBytes), reference);
            continue;
        case undoRow:
            chooseMenuRow(editor, L"Cofnij\tCtrl+Z");
            EXPECT_EQ(painted(editor), original) << "committed and taken back";
            key(editor, 'Y', true);
            break;
        }
        editor = findEditor();
        ASSERT_NE(editor, nullptr);
        const Picture now = painted(editor);
        if (c.end == ctrlEnter)
            reference = now;
        EXPECT_NE(now, original);
        EXPECT_EQ(now, reference);
        key(editor, 'Z', true);
        EXPECT_EQ(painted(editor), original) << "undone";
        key(editor, 'Y', true);
        EXPECT_EQ(painted(editor), reference) << "redone";
        if (c.end == ctrlEnter) {
            setBrush(editor, 3, 0, false);
            setPen(editor, 5, RGB(20, 20, 120));
            write(editor, 16, 112, L"Pchnąć w tę łódź jeża\nlub ośm skrzyń fig");
            writePicture(painted(editor), "typed-text.png");
        }
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
    EXPECT_TRUE(answers.shown.empty());
}

// The box takes the keys as a text field does; each row's keys commit the
// same picture as typing its result straight. Tool letters are typed, Ctrl
// with a letter does nothing, AltGr gives its letter and an input method's
// result comes in as characters.
TEST_F(TypedText, TakesTheKeysAsATextField) {
    struct Case {
        const char* name;
        std::vector<std::pair<WPARAM, wchar_t>> keys;  // a key-down (0: none) and a character (0: none)
        bool control, alt;                             // held through the keys
        std::wstring result;
        bool inputMethod = false;  // the characters come as an input method's WM_IME_CHAR
    };
    const wchar_t smiley[] = {0xD83D, 0xDE00, 0};
    const Case cases[] = {
        {"Left and Backspace", {{0, L'a'}, {0, L'b'}, {0, L'c'}, {VK_LEFT, 0}, {VK_BACK, 0}}, false, false, L"ac"},
        {"Home and Delete on the second line",
         {{0, L'a'}, {0, L'b'}, {VK_RETURN, 0}, {0, L'c'}, {0, L'd'}, {VK_HOME, 0}, {VK_DELETE, 0}}, false, false,
         L"ab\nd"},
        {"Home, Left over the line break, typing",
         {{0, L'a'}, {0, L'b'}, {VK_RETURN, 0}, {0, L'c'}, {VK_HOME, 0}, {VK_LEFT, 0}, {0, L'x'}}, false, false,
         L"abx\nc"},
        {"End after Home", {{0, L'a'}, {0, L'b'}, {VK_HOME, 0}, {VK_END, 0}, {0, L'c'}}, false, false, L"abc"},
        {"Right at the end, Backspace at the start",
         {{0, L'a'}, {0, L'b'}, {VK_RIGHT, 0}, {VK_HOME, 0}, {VK_BACK, 0}, {VK_DELETE, 0}}, false, false, L"b"},
        {"Enter between letters", {{0, L'a'}, {0, L'b'}, {VK_LEFT, 0}, {VK_RETURN, L'\r'}}, false, false, L"a\nb"},
        {"a surrogate pair erased as one letter",
         {{0, L'x'}, {0, smiley[0]}, {0, smiley[1]}, {0, L'y'}, {VK_LEFT, 0}, {VK_BACK, 0}}, false, false, L"xy"},
        {"tool letters are typed",
         {{'S', L'S'}, {'A', L'a'}, {'N', L'n'}, {'I', L'i'}, {'T', L't'}, {'O', L'o'}}, false, false, L"Sanito"},
        {"Ctrl with a letter types nothing",
         {{0, L'a'}, {'Z', 0x1A}, {'Y', 0x19}, {'C', 0x03}, {'S', 0x13}, {'A', 0x01}, {VK_TAB, L'\t'}}, true,
         false, L"a"},
        {"AltGr letters",
         {{'A', L'ą'}, {'C', L'ć'}, {'E', L'ę'}, {'L', L'ł'}, {'N', L'ń'}, {'O', L'ó'}, {'S', L'ś'}, {'X', L'ź'},
          {'Z', L'ż'}, {VK_RETURN, 0}, {'Y', 0}},
         true, true, L"ąćęłńóśźż"},
        {"an input method's result", {{0, L'ł'}, {0, L'ó'}, {0, L'd'}, {0, L'ź'}}, false, false, L"łódź", true},
    };
    DialogAnswers answers;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND editor = openSolid(white);
        ASSERT_NE(editor, nullptr);
        setPen(editor, 3, black);
        const Picture original = painted(editor);
        SendMessageW(editor, WM_KEYDOWN, 'L', 0);
        drag(editor, false, {{5, 100}, {300, 190}});
        const Picture withLine = painted(editor);
        SendMessageW(editor, WM_KEYDOWN, 'N', 0);
        click(editor, 20, 20);
        holdKeys(c.control, false, c.alt);
        for (const auto& [down, unit] : c.keys) {
            if (down)
                SendMessageW(editor, WM_KEYDOWN, down, 0);
            if (unit)
                SendMessageW(editor, c.inputMethod ? WM_IME_CHAR : WM_CHAR, unit, 0);
            if (down)
                SendMessageW(editor, WM_KEYUP, down, 0);
            UpdateWindow(editor);
        }
        holdKeys(false, false);
        hostPumpMessages(20);
        const Picture typing = shown(editor);
        EXPECT_EQ(typing, painted(editor)) << "each key repainted all it changed";
        HWND toolbar = editorToolbar(editor);
        for (int tool = 2; tool <= 7; tool++)
            EXPECT_EQ(SendMessageW(toolbar, TB_ISBUTTONCHECKED, WPARAM(tool), 0), 0) << "no tool chosen: " << tool;
        EXPECT_TRUE(callsOf(L"GG/1/PFSendPicture").empty());
        commit(editor);
        const Picture keyed = painted(editor);
        EXPECT_NE(keyed, withLine);
        key(editor, 'Z', true);
        EXPECT_EQ(painted(editor), withLine) << "the text was the last step";
        click(editor, 20, 20);
        type(editor, c.result);
        commit(editor);
        EXPECT_EQ(painted(editor), keyed) << "as typed straight";
        key(editor, 'Z', true);
        key(editor, 'Z', true);
        EXPECT_EQ(painted(editor), original);
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
    EXPECT_TRUE(answers.shown.empty());
    EXPECT_TRUE(answers.fileDialogTitle.empty()) << "Ctrl+S in the box saves nothing";
}

// With Ctrl and Alt held (AltGr) no key is a command: the picture, the tool,
// the clipboard, the window (framed, not full screen) and the deliveries stay
// as they were, and no dialog opens; the character AltGr gives does nothing on the picture. The
// same keys with Ctrl alone do act, so the check can see a command.
TEST_F(AltGr, IsNeverACommand) {
    struct Case {
        WPARAM key;
        wchar_t unit;  // what AltGr gives with it on a Polish keyboard, or 0
        bool actsWithCtrlAlone;
    };
    const Case cases[] = {
        {'Z', L'ż', true},  {'Y', 0, true},     {'C', L'ć', true},  {'S', L'ś', true},  {'A', L'ą', false},
        {'N', L'ń', false}, {'I', 0, false},    {'O', L'ó', false}, {'T', 0, false},    {'H', 0, false},
        {'E', L'ę', false}, {'L', L'ł', false}, {'X', L'ź', false}, {VK_ESCAPE, 0, false}, {VK_RETURN, 0, false},
    };
    DialogAnswers answers;
    hostAddPictureTransfer(onlineContact, {0});
    hostClearDeliveries();
    // A screenshot fills the screen: only such a picture can go full screen,
    // as a recorded Alt+Enter would make it.
    EXPECT_EQ(hostClickItem(L"snipLeaf/Screen", {onlineContact}), 0);
    HWND editor = findEditor();
    ASSERT_NE(editor, nullptr);
    SetFocus(editor);
    HWND toolbar = editorToolbar(editor);
    setPen(editor, 3, RGB(255, 0, 0));
    const Picture blank = painted(editor);
    SendMessageW(editor, WM_KEYDOWN, 'L', 0);
    drag(editor, false, {{5, 5}, {100, 60}});
    drag(editor, false, {{5, 60}, {100, 5}});
    key(editor, 'Z', true);
    ASSERT_NE(painted(editor), blank) << "a line drawn";
    auto state = [&] {
        std::vector<LRESULT> checked;
        for (int tool = 2; tool <= 7; tool++)
            checked.push_back(SendMessageW(toolbar, TB_ISBUTTONCHECKED, WPARAM(tool), 0));
        return std::make_pair(checked, GetWindowLongW(editor, GWL_STYLE));
    };
    const Picture before = painted(editor);
    const auto stateBefore = state();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        DWORD clipboard = GetClipboardSequenceNumber();
        holdKeys(true, false, true);
        SendMessageW(editor, WM_KEYDOWN, c.key, 0);
        if (c.unit)
            SendMessageW(editor, WM_CHAR, c.unit, 0);
        SendMessageW(editor, WM_KEYUP, c.key, 0);
        holdKeys(false, false);
        hostPumpMessages(20);
        EXPECT_EQ(painted(editor), before);
        EXPECT_EQ(state(), stateBefore) << "the tool and full screen";
        EXPECT_EQ(GetClipboardSequenceNumber(), clipboard);
        EXPECT_TRUE(hostDeliveries().empty());
        EXPECT_TRUE(answers.fileDialogTitle.empty());
        EXPECT_EQ(findEditor(), editor);
    }
    EXPECT_TRUE(answers.shown.empty());
    for (const Case& c : cases) {
        if (!c.actsWithCtrlAlone)
            continue;
        SCOPED_TRACE(c.key);
        DWORD clipboard = GetClipboardSequenceNumber();
        key(editor, c.key, true);
        bool acted = painted(editor) != before || GetClipboardSequenceNumber() != clipboard ||
                     !answers.fileDialogTitle.empty();
        EXPECT_TRUE(acted) << "with Ctrl alone";
        answers.fileDialogTitle.clear();
        if (c.key == 'Z')
            key(editor, 'Y', true);
        if (c.key == 'Y')
            key(editor, 'Z', true);
    }
}

// Each click places the next number, one step each: the disc's pixels reach
// exactly the radius (10 + pen width) around the click, the digits' ink is
// centred on it and in white on a dark pen, black on a light one. The three
// numbers look different; undoing the third gives its number back to the
// next marker, and so does redoing the second after two undos. A new editor
// starts at 1 again. Written out as step-markers.png.
TEST_F(StepMarkers, SitWhereClickedAndTakeTheirNumbersBackOnUndo) {
    struct Case {
        const char* name;
        int penWidth;
        COLORREF pen;
        int radius;
        COLORREF digits;
        const char* screenshot;
    };
    const Case cases[] = {
        {"black, width 1", 1, black, 11, white, nullptr},
        {"red, width 15", 15, RGB(200, 0, 0), 25, white, nullptr},
        {"yellow, width 4", 4, RGB(255, 230, 0), 14, black, nullptr},
        {"grey just dark, 127", 1, RGB(127, 127, 127), 11, white, nullptr},
        {"grey just light, 128", 1, RGB(128, 128, 128), 11, black, nullptr},
        {"on the bands, width 6", 6, RGB(30, 30, 160), 16, white, "step-markers.png"},
    };
    // The third and the later ones stand on the same background, 10 pixels
    // right of a white line on the bands.
    const POINT places[] = {{40, 40}, {150, 40}, {250, 130}, {90, 130}, {90, 130}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND editor = c.screenshot ? openBands() : openSolid(RGB(0, 160, 220));
        ASSERT_NE(editor, nullptr);
        setPen(editor, c.penWidth, c.pen);
        SendMessageW(editor, WM_KEYDOWN, 'I', 0);
        std::vector<Picture> after = {painted(editor)};
        std::vector<std::vector<std::pair<std::pair<int, int>, COLORREF>>> looks;
        auto place = [&](POINT p) {
            click(editor, p.x, p.y);
            Picture now = painted(editor);
            PixelSet marker = changed(after.back(), now);
            RECT b = boundsOf(marker);
            EXPECT_EQ(b.left, p.x - c.radius);
            EXPECT_EQ(b.top, p.y - c.radius);
            EXPECT_EQ(b.right, p.x + c.radius);
            EXPECT_EQ(b.bottom, p.y + c.radius);
            PixelSet digits;
            for (const auto& [x, y] : marker) {
                int dx = x - p.x, dy = y - p.y;
                if (dx * dx + dy * dy < (c.radius - 1) * (c.radius - 1) && pixelAt(now, x, y) != c.pen)
                    digits.insert({x, y});
            }
            RECT d = boundsOf(digits);
            EXPECT_FALSE(digits.empty());
            EXPECT_LE(std::abs(int(d.left + d.right) - 2 * p.x), 1) << "centred across";
            EXPECT_LE(std::abs(int(d.top + d.bottom) - 2 * p.y), 1) << "centred down";
            EXPECT_FALSE(notOfColour(now, digits, c.digits).size() == digits.size()) << "digits in their colour";
            EXPECT_TRUE(notOfColour(now, digits, c.digits == white ? black : white).size() == digits.size());
            after.push_back(now);
            return relative(now, marker, p.x, p.y);
        };
        for (int i = 0; i < 3; i++)
            looks.push_back(place(places[i]));
        EXPECT_NE(looks[0], looks[1]);
        EXPECT_NE(looks[1], looks[2]);
        EXPECT_NE(looks[0], looks[2]);
        if (c.screenshot)
            writePicture(after.back(), c.screenshot);
        key(editor, 'Z', true);
        EXPECT_EQ(painted(editor), after[2]) << "the third undone";
        after.pop_back();
        EXPECT_EQ(place(places[3]), looks[2]) << "its number came back";
        key(editor, 'Z', true);
        key(editor, 'Z', true);
        EXPECT_EQ(painted(editor), after[1]) << "the second undone";
        key(editor, 'Y', true);
        EXPECT_EQ(painted(editor), after[2]) << "the second redone";
        after.resize(3);
        EXPECT_EQ(place(places[4]), looks[2]) << "the next is the third";
        SendMessageW(editor, WM_COMMAND, 15, 0);
        editor = c.screenshot ? openBands() : openSolid(RGB(0, 160, 220));
        ASSERT_NE(editor, nullptr);
        setPen(editor, c.penWidth, c.pen);
        SendMessageW(editor, WM_KEYDOWN, 'I', 0);
        after = {painted(editor)};
        EXPECT_EQ(place(places[0]), looks[0]) << "a new editor starts at 1";
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
}

// N and I, by key and by their system menu rows, choose the tools as A, H
// and O do: no tool button stays pressed, the text field is disabled, the
// toolbar keeps its sixteen; a click then opens a box or places a marker.
TEST_F(TextToolTest, KeysAndMenuRowsChooseTheTools) {
    struct Case {
        WPARAM key;
        const wchar_t* menuText;
    };
    const Case cases[] = {{'N', L"Napis\tN"}, {'I', L"Numer\tI"}};
    for (const Case& c : cases) {
        for (bool byMenu : {false, true}) {
            SCOPED_TRACE(std::string(1, char(c.key)) + (byMenu ? " from the menu" : " by its key"));
            HWND editor = openSolid(white);
            ASSERT_NE(editor, nullptr);
            HWND toolbar = editorToolbar(editor);
            HWND edit = textField(editor);
            SendMessageW(editor, WM_KEYDOWN, 'T', 0);
            ASSERT_TRUE(IsWindowEnabled(edit));
            SetFocus(edit);
            if (byMenu)
                chooseMenuRow(editor, c.menuText);
            else
                SendMessageW(editor, WM_KEYDOWN, c.key, 0);
            for (int tool = 2; tool <= 7; tool++)
                EXPECT_EQ(SendMessageW(toolbar, TB_ISBUTTONCHECKED, WPARAM(tool), 0), 0) << "button " << tool;
            EXPECT_FALSE(IsWindowEnabled(edit));
            EXPECT_EQ(GetFocus(), editor);
            EXPECT_EQ(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0), 16);
            const Picture original = painted(editor);
            click(editor, 60, 40);
            type(editor, L"a");
            EXPECT_NE(shown(editor), original) << "a box or a marker shows";
            commit(editor);
            EXPECT_NE(painted(editor), original) << "drawn";
            SendMessageW(editor, WM_COMMAND, 15, 0);
        }
    }
}
