// The typed text (N) and the step markers (I) through the real DLL, driven by
// mouse, key and character messages. The letters come from the system's font,
// so these check properties of whole pictures rather than fixed pixel sets:
// the Polish letters' ink, the box that holds every changed pixel, commit,
// Escape, undo and redo, the box's keys, the markers' places and numbers, and
// that no key with Ctrl and Alt held (AltGr) is a command.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "editorTestSupport.h"
#include "tools/pngWriter.h"

namespace {

constexpr int width = 320, height = 200;
using Picture = std::vector<COLORREF>;  // 0x00RRGGBB, row by row, as the screen shows it
using Look = std::vector<std::pair<std::pair<int, int>, COLORREF>>;
const COLORREF white = 0xFFFFFF, black = 0x000000, green = 0x00C800;

Picture painted(HWND editor) {
    return clientPixels(editor, width, height);
}

// Only what is due is repainted: what the user sees without a forced repaint.
Picture shown(HWND editor) {
    UpdateWindow(editor);
    return shownPixels(editor, width, height);
}

PixelSet changed(const Picture& before, const Picture& after) {
    PixelSet set;
    for (size_t i = 0; i < before.size() && i < after.size(); i++) {
        if (before[i] != after[i])
            set.insert({int(i % width), int(i / width)});
    }
    return set;
}

// Left, top, right, bottom, all inclusive.
RECT boundsOf(const PixelSet& set) {
    RECT r = {width, height, -1, -1};
    for (const auto& [x, y] : set)
        r = {std::min<LONG>(r.left, x), std::min<LONG>(r.top, y), std::max<LONG>(r.right, x),
             std::max<LONG>(r.bottom, y)};
    return r;
}

// The set's pixels and colours from (x, y): what a letter or a marker looks
// like wherever it stands.
Look lookOf(const Picture& p, const PixelSet& set, int x, int y) {
    Look look;
    for (const auto& [px, py] : set)
        look.push_back({{px - x, py - y}, p[size_t(py * width + px)]});
    return look;
}

void key(HWND editor, WPARAM code, bool control = false, bool alt = false) {
    holdKeys(control, false, alt);
    SendMessageW(editor, WM_KEYDOWN, code, 0);
    SendMessageW(editor, WM_KEYUP, code, 0);
    holdKeys(false, false);
}

// As the keyboard types: Enter for a line break, else the letter's key-down
// and its character; the window repainted after each, as a message loop
// would, so what it shows is built up of what each key repainted (unless
// only the commit counts).
void type(HWND editor, const std::wstring& text, bool repaintEach = true) {
    for (wchar_t unit : text) {
        if (unit == L'\n') {
            key(editor, VK_RETURN);
        } else {
            SendMessageW(editor, WM_KEYDOWN, WPARAM(towupper(unit)), 0);
            SendMessageW(editor, WM_CHAR, WPARAM(unit), 0);
        }
        if (repaintEach)
            UpdateWindow(editor);
    }
}

void click(HWND editor, int x, int y) {
    SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, at(x, y));
    SendMessageW(editor, WM_LBUTTONUP, 0, at(x, y));
}

// The style control's two messages: the brush's alpha 0xFF fills.
void setStyle(HWND editor, int penWidth, COLORREF pen, COLORREF brush = 0, bool fill = false) {
    SendMessageW(editor, 0x3F00, WPARAM(penWidth), LPARAM(pen));
    SendMessageW(editor, 0x3F01, WPARAM(penWidth), LPARAM((fill ? 0xFF000000u : 0u) | brush));
}

// Types the text into a box opened at (x, y) and commits it with Ctrl+Enter.
void write(HWND editor, int x, int y, const std::wstring& text, bool repaintEach = true) {
    SendMessageW(editor, WM_KEYDOWN, 'N', 0);
    click(editor, x, y);
    type(editor, text, repaintEach);
    key(editor, VK_RETURN, true);
}

void writePicture(const Picture& pixels, const char* path) {
    std::vector<uint8_t> rgba;
    for (COLORREF p : pixels)
        rgba.insert(rgba.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), 0xFF});
    EXPECT_TRUE(pngWriter::writeRgba(path, width, height, rgba));
}

void chooseMenuRow(HWND editor, const wchar_t* text) {
    HMENU menu = GetSystemMenu(editor, FALSE);
    for (int i = 0; i < GetMenuItemCount(menu); i++) {
        wchar_t row[128] = {};
        GetMenuStringW(menu, UINT(i), row, 128, MF_BYPOSITION);
        if (std::wstring(row) == text)
            SendMessageW(editor, WM_SYSCOMMAND, GetMenuItemID(menu, i), 0);
    }
}

class TextToolTest : public EditorTest {
protected:
    void TearDown() override {
        holdKeys(false, false);
        EditorTest::TearDown();
    }
    HWND open(COLORREF colour) {
        HWND editor = colour == white + 1 ? openFromClipboard(width, height)
                                          : openSolidFromClipboard(width, height, colour);
        if (editor)
            SetFocus(editor);
        return editor;
    }
};
class TypedText : public TextToolTest {};

// The box's refusals, counted through the DLL's import of MessageBeep.
int beeps = 0;
BOOL WINAPI countBeep(UINT) {
    beeps++;
    return TRUE;
}

class TextBoxLimits : public TextToolTest {
protected:
    void SetUp() override {
        TextToolTest::SetUp();
        realBeep = patchImport(plugin.module, "user32.dll", "MessageBeep", reinterpret_cast<void*>(countBeep));
        ASSERT_NE(realBeep, nullptr);
    }
    void TearDown() override {
        patchImport(plugin.module, "user32.dll", "MessageBeep", realBeep);
        TextToolTest::TearDown();
    }
    void* realBeep = nullptr;
};
class StepMarkers : public TextToolTest {};
class AltGr : public TextToolTest {};
const COLORREF bands = white + 1;  // the clipboard picture of coloured bands

}  // namespace

// Every Polish letter, lower and upper case, draws ink of its own: not
// nothing, and not its base letter's (the bitmap text leaves them out, the
// ANSI code page turns them into their base letters).
TEST_F(TypedText, EachPolishLetterDrawsInkOtherThanItsBaseLetters) {
    const std::wstring letters = L"ąćęłńóśźżĄĆĘŁŃÓŚŹŻ", bases = L"acelnoszzACELNOSZZ";
    HWND editor = open(white);
    ASSERT_NE(editor, nullptr);
    setStyle(editor, 5, black);
    const Picture original = painted(editor);
    auto inkOf = [&](wchar_t letter) {
        write(editor, 20, 20, std::wstring(1, letter));
        Picture now = painted(editor);
        key(editor, 'Z', true);
        return lookOf(now, changed(original, now), 20, 20);
    };
    for (size_t i = 0; i < letters.size(); i++) {
        SCOPED_TRACE(hostUtf8(letters.substr(i, 1)));
        Look letter = inkOf(letters[i]);
        EXPECT_FALSE(letter.empty());
        EXPECT_NE(letter, inkOf(bases[i]));
    }
    EXPECT_EQ(painted(editor), original) << "each taken back";
}

// With the fill on the changed pixels are exactly a box from the click, the
// ink inside it with a margin; without the fill the same text changes exactly
// the pixels that were ink in the filled box. While typing the window, built
// up of what each key repainted, shows what will be drawn but for the box's
// frame and a one-column caret.
TEST_F(TypedText, EveryChangedPixelIsInsideTheBox) {
    struct Case {
        std::wstring text;
        int penWidth;
        POINT at;
    };
    // The last box, near the corner, wraps and stays on the picture.
    const Case cases[] = {
        {L"Zażółć gęślą jaźń", 1, {10, 10}},
        {L"Ąb\n\nżółw  ", 5, {30, 40}},
        {L"Śjgy", 15, {60, 50}},
        {L"Żółć\nŻółć gęś", 10, {250, 150}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(hostUtf8(c.text));
        HWND editor = open(white);
        ASSERT_NE(editor, nullptr);
        setStyle(editor, c.penWidth, black, green, true);
        const Picture original = painted(editor);
        SendMessageW(editor, WM_KEYDOWN, 'N', 0);
        click(editor, c.at.x, c.at.y);
        type(editor, c.text);
        const Picture typing = shown(editor);
        EXPECT_EQ(typing, painted(editor)) << "each key repainted all it changed";
        key(editor, VK_RETURN, true);
        const Picture filled = shown(editor);
        EXPECT_EQ(filled, painted(editor)) << "the commit repainted all it drew";
        const PixelSet box = changed(original, filled);
        const RECT b = boundsOf(box);
        EXPECT_EQ(b.left, c.at.x);
        EXPECT_EQ(b.top, c.at.y);
        EXPECT_EQ(box.size(), size_t((b.right - b.left + 1) * (b.bottom - b.top + 1))) << "the fill covers the box";
        PixelSet ink;
        for (const auto& p : box) {
            if (filled[size_t(p.second * width + p.first)] != green)
                ink.insert(p);
        }
        const RECT i = boundsOf(ink);
        EXPECT_GE(i.left, b.left + 3);
        EXPECT_GE(i.top, b.top + 4);
        EXPECT_TRUE(i.right <= b.right - 4 && i.bottom <= b.bottom - 4);
        PixelSet marks = changed(filled, typing);
        for (const auto& p : rectangleOutline(b.left, b.top, b.right, b.bottom))
            marks.erase(p);
        EXPECT_FALSE(marks.empty()) << "a caret";
        EXPECT_TRUE(marks.empty() || boundsOf(marks).left == boundsOf(marks).right) << "only the caret";
        key(editor, 'Z', true);
        setStyle(editor, c.penWidth, black);
        click(editor, c.at.x, c.at.y);
        type(editor, c.text);
        key(editor, VK_RETURN, true);
        EXPECT_EQ(changed(original, painted(editor)), ink) << "without the fill";
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
}

// Each way of committing draws what Ctrl+Enter draws as one step that undo
// takes back exactly and redo gives again: a click outside (which opens the
// next box), the Select button (a toolbar command, as send is), a tool's menu
// row, copy; the menu's undo commits and takes the text back. Escape, and a
// box left empty, draw nothing and make no step: undo takes back the line
// before. Written out as typed-text.png with a second text without the fill.
TEST_F(TypedText, CommitsAsOneStepAndEscapeDrawsNothing) {
    enum End { ctrlEnter, clickOutside, selectButton, arrowRow, copyRow, undoRow, escape, emptied };
    const End ends[] = {ctrlEnter, clickOutside, selectButton, arrowRow, copyRow, undoRow, escape, emptied};
    Picture reference;
    for (End end : ends) {
        SCOPED_TRACE(end);
        HWND editor = open(bands);
        ASSERT_NE(editor, nullptr);
        setStyle(editor, 3, RGB(180, 0, 0), RGB(255, 255, 210), true);
        SendMessageW(editor, WM_KEYDOWN, 'L', 0);
        if (end == escape || end == emptied)
            drag(editor, false, {{150, 150}, {300, 190}});
        const Picture withLine = painted(editor);
        SendMessageW(editor, WM_KEYDOWN, 'N', 0);
        click(editor, 12, 14);
        type(editor, end == emptied ? L"ab" : L"Zażółć gęślą jaźń\nŹdźbło, Łódź");
        DWORD clipboard = GetClipboardSequenceNumber();
        if (end == ctrlEnter || end == emptied) {
            for (int k = 0; end == emptied && k < 2; k++)
                key(editor, VK_BACK);
            key(editor, VK_RETURN, true);
        } else if (end == clickOutside) {
            click(editor, 300, 100);
            const Picture nextBox = shown(editor);
            key(editor, VK_ESCAPE);
            EXPECT_NE(shown(editor), nextBox) << "the next box was open";
        } else if (end == selectButton) {
            SendMessageW(editor, WM_COMMAND, 2, 0);
        } else if (end == arrowRow || end == copyRow || end == undoRow) {
            chooseMenuRow(editor, end == arrowRow  ? L"Strzałka\tA"
                                  : end == copyRow ? L"Kopiuj do schowka\tCtrl+C"
                                                   : L"Cofnij\tCtrl+Z");
            EXPECT_EQ(GetClipboardSequenceNumber() != clipboard, end == copyRow) << "copied";
        } else {
            key(editor, VK_ESCAPE);
        }
        if (end == undoRow) {
            EXPECT_EQ(painted(editor), withLine) << "committed and taken back";
            key(editor, 'Y', true);
        }
        const Picture now = shown(editor);
        EXPECT_EQ(now, painted(editor)) << "shown as painted afresh: no marks left";
        if (end == ctrlEnter)
            reference = now;
        if (end == escape || end == emptied) {
            EXPECT_EQ(now, withLine) << "nothing drawn";
            key(editor, 'Z', true);
            EXPECT_NE(painted(editor), withLine) << "the line was the last step";
        } else {
            EXPECT_EQ(now, reference);
            key(editor, 'Z', true);
            EXPECT_EQ(painted(editor), withLine) << "undone";
            key(editor, 'Y', true);
            EXPECT_EQ(painted(editor), reference) << "redone";
        }
        if (end == ctrlEnter) {
            setStyle(editor, 5, RGB(20, 20, 120));
            write(editor, 16, 112, L"Pchnąć w tę łódź jeża\nlub ośm skrzyń fig");
            writePicture(painted(editor), "typed-text.png");
        }
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
}

// Over the coloured bands, without the fill, the open box shows what its
// commit draws, but for the frame and a one-column caret: after the pen
// widens at the corner, which moves the box, and in a box opened where the
// last one was committed, over its text.
TEST_F(TypedText, OpenBoxShowsWhatItsCommitDraws) {
    const std::pair<const char*, std::function<void(HWND)>> rows[] = {
        {"the pen widened at the corner",
         [](HWND e) { click(e, 300, 180), type(e, L"Żółć"), setStyle(e, 15, RGB(1, 128, 254)); }},
        {"over a committed text", [](HWND e) { write(e, 20, 30, L"Gęś\njaźń"), click(e, 20, 30), type(e, L"ął"); }},
        {"over a translucent picture", [](HWND e) { click(e, 20, 30), type(e, L"Żółć gęś"); }},
    };
    // The translucent picture: a copied PNG file whose alpha and colours
    // run across it.
    const std::wstring file = freshFolder(L"translucent") + L"ramp.png";
    std::vector<uint8_t> rgba;
    for (int i = 0; i < width * height; i++)
        rgba.insert(rgba.end(), {uint8_t(i % width), uint8_t(i / width), 90, uint8_t(i % 256)});
    ASSERT_TRUE(pngWriter::writeRgba(hostUtf8(file), width, height, rgba));
    for (const auto& [name, act] : rows) {
        SCOPED_TRACE(name);
        HWND editor = open(bands);
        if (std::string(name) == "over a translucent picture") {
            closeOpenEditor();
            ASSERT_TRUE(hostPutOnClipboard(nullptr, {}, {file}));
            EXPECT_EQ(hostClickItem(L"snipLeaf/Clipboard", {onlineContact}), 0);
            editor = findEditor();
        }
        ASSERT_NE(editor, nullptr);
        // A pen whose channels differ from the bands' by numbers prime to
        // 255, so that a blend rounded the wrong way shows.
        setStyle(editor, 5, RGB(1, 128, 254));
        SendMessageW(editor, WM_KEYDOWN, 'N', 0);
        act(editor);
        type(editor, L"xy");
        const Picture typing = shown(editor);
        key(editor, VK_RETURN, true);
        PixelSet marks = changed(painted(editor), typing);
        const RECT frame = boundsOf(marks);
        for (const auto& p : rectangleOutline(frame.left, frame.top, frame.right, frame.bottom))
            marks.erase(p);
        EXPECT_FALSE(marks.empty()) << "a caret";
        EXPECT_TRUE(marks.empty() || boundsOf(marks).left == boundsOf(marks).right) << "only the caret";
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
}

// The box takes the keys as a text field does: each row's keys commit the
// same picture as typing its result straight. Tool letters are typed and
// choose nothing, Ctrl with a letter does nothing (no save dialog), AltGr
// gives its letter, an input method's result comes in as characters.
TEST_F(TypedText, TakesTheKeysAsATextField) {
    struct Case {
        const char* name;
        std::vector<std::pair<WPARAM, wchar_t>> keys;  // a key-down (0: none), a character (0: none)
        bool control, alt, inputMethod;                // held through the keys; WM_IME_CHAR
        std::wstring result;
    };
    const wchar_t high = 0xD83D, low = 0xDE00;  // a pair: one letter
    const Case cases[] = {
        {"Left, Backspace", {{0, 'a'}, {0, 'b'}, {0, 'c'}, {VK_LEFT, 0}, {VK_BACK, 0}}, false, false, false, L"ac"},
        {"Home, Delete", {{0, 'a'}, {VK_RETURN, 0}, {0, 'c'}, {0, 'd'}, {VK_HOME, 0}, {VK_DELETE, 0}}, false, false,
         false, L"a\nd"},
        {"Left over a line break", {{0, 'a'}, {VK_RETURN, 0}, {0, 'c'}, {VK_HOME, 0}, {VK_LEFT, 0}, {0, 'x'}}, false,
         false, false, L"ax\nc"},
        {"End, Right at the end, Backspace at the start",
         {{0, 'a'}, {0, 'b'}, {VK_HOME, 0}, {VK_BACK, 0}, {VK_END, 0}, {VK_RIGHT, 0}, {0, 'c'}}, false, false, false,
         L"abc"},
        {"a pair erased as one", {{0, 'x'}, {0, high}, {0, low}, {0, 'y'}, {VK_LEFT, 0}, {VK_BACK, 0}}, false, false,
         false, L"xy"},
        {"tool letters", {{'S', 'S'}, {'A', 'a'}, {'N', 'n'}, {'I', 'i'}, {'O', 'o'}}, false, false, false, L"Sanio"},
        {"Ctrl with a letter", {{0, 'a'}, {'Z', 0x1A}, {'Y', 0x19}, {'C', 0x03}, {'S', 0x13}, {VK_TAB, '\t'}}, true,
         false, false, L"a"},
        {"AltGr", {{'A', L'ą'}, {'L', L'ł'}, {'X', L'ź'}, {'Z', L'ż'}, {VK_RETURN, 0}, {'Y', 0}}, true, true, false,
         L"ąłźż"},
        {"an input method", {{0, L'ł'}, {0, L'ó'}, {0, L'd'}, {0, L'ź'}}, false, false, true, L"łódź"},
    };
    DialogAnswers answers;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND editor = open(white);
        ASSERT_NE(editor, nullptr);
        setStyle(editor, 3, black);
        SendMessageW(editor, WM_KEYDOWN, 'N', 0);
        click(editor, 20, 20);
        holdKeys(c.control, false, c.alt);
        for (const auto& [down, unit] : c.keys) {
            SendMessageW(editor, WM_KEYDOWN, down, 0);
            SendMessageW(editor, c.inputMethod ? WM_IME_CHAR : WM_CHAR, unit, 0);
            UpdateWindow(editor);
        }
        holdKeys(false, false);
        hostPumpMessages(20);
        EXPECT_EQ(shown(editor), painted(editor)) << "each key repainted all it changed";
        for (int tool = 2; tool <= 7; tool++)
            EXPECT_EQ(SendMessageW(editorToolbar(editor), TB_ISBUTTONCHECKED, WPARAM(tool), 0), 0) << tool;
        key(editor, VK_RETURN, true);
        const Picture keyed = painted(editor);
        key(editor, 'Z', true);
        write(editor, 20, 20, c.result);
        EXPECT_EQ(painted(editor), keyed) << "as typed straight";
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
    EXPECT_TRUE(answers.fileDialogTitle.empty());
}

// The box at its limits, each row as the user sees it: what Ctrl+Enter
// commits equals typing the row's plain text straight into a box opened by
// the same click (and differs from typing `unlike`), and the refused keys
// beeped. The room of the wrapping rows is measured: a box whose room is
// exactly the width of "aaaa bbbb". Spaces hang past the room, so a box
// fills its capacity with them on one line.
TEST_F(TextBoxLimits, WrapAtTheRightEdgeAndRefuseWithABeep) {
    enum Kind { chars, keys, controlKeys, paste, clickOnLine };
    enum Across { atLeft, wrapRoom, lastColumn };
    struct Case {
        const char* name;
        Across across;  // the click's x: 10, leaving the measured room, or the picture's last column
        bool atBottom;  // the click's y: the picture's last row, else 10
        std::vector<std::pair<Kind, std::wstring>> acts;  // keys: virtual-key codes; a click: x, line in the box
        std::wstring same, unlike;
        int beeps;
    };
    const std::wstring spaces(1020, L' ');
    const wchar_t pair[] = {0xD83D, 0xDE00, 0};
    const Case cases[] = {
        {"wrap before the word", wrapRoom, false, {{chars, L"aaaa bbbb mmmm"}}, L"aaaa bbbb\nmmmm", L"", 0},
        {"wrap before the letter", wrapRoom, false, {{chars, L"aaaabbbbmmmm"}}, L"aaaabbbb\nmmmm", L"", 0},
        {"a wrap is no line break", wrapRoom, false,
         {{chars, L"aaaa bbbb mmmm"}, {keys, {VK_BACK, VK_BACK, VK_BACK, VK_BACK}}}, L"aaaa bbbb ", L"aaaa bbbb\n", 0},
        {"no line below the bottom", atLeft, true, {{chars, L"ab\nc"}}, L"abc", L"", 1},
        {"a click at the corner moves the box in", lastColumn, true, {{chars, L"ab"}}, L"ab", L"", 0},
        {"no wrap below the bottom", wrapRoom, true, {{chars, L"aaaa bbbb mm"}}, L"aaaa bbbb ", L"", 2},
        {"a letter beyond the capacity", atLeft, false, {{chars, spaces + L"abcd"}}, spaces + L"abc", L"", 1},
        {"a pair with one unit of room", atLeft, false, {{chars, spaces + L"ab" + pair + L"x"}}, spaces + L"abx", L"",
         1},
        {"paste with line breaks", atLeft, false, {{paste, L"ab\r\ncd\ref\ngh\tij"}}, L"ab\ncd\nef\ngh ij", L"", 0},
        {"paste beyond the bottom", atLeft, true, {{chars, L"x"}, {paste, L"ab\r\ncd"}}, L"xab", L"", 1},
        {"paste of a half pair", atLeft, false, {{paste, {L'a', 0xD83D, L'b'}}}, L"ab", L"", 0},
        {"a space typed after a pasted one", atLeft, false, {{paste, L"a b"}, {chars, L" c"}}, L"a b c", L"abc", 0},
        {"Ctrl+Backspace", atLeft, false, {{chars, L"ab cd\nef gh"}, {controlKeys, {VK_BACK, VK_BACK, VK_BACK}},
         {chars, L"x"}}, L"ab cdx", L"", 0},
        {"a click moves the caret", atLeft, false, {{chars, L"ab\ncd"}, {clickOnLine, {1, 0}}, {chars, L"x"},
         {clickOnLine, {1, 1}}, {chars, L"y"}}, L"xab\nycd", L"", 0},
        {"Up and Down", atLeft, false, {{chars, L"aaa\na"}, {keys, {VK_UP}}, {chars, L"x"}, {keys, {VK_DOWN}},
         {chars, L"y"}}, L"axaa\nay", L"", 0},
    };
    HWND editor = open(white);
    ASSERT_NE(editor, nullptr);
    setStyle(editor, 1, black, green, true);
    const Picture original = painted(editor);
    write(editor, 10, 10, L"aaaa bbbb");
    const RECT probe = boundsOf(changed(original, painted(editor)));
    const int boxWidth = probe.right - probe.left + 1, lineHeight = probe.bottom - probe.top + 1 - 8;
    key(editor, 'Z', true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const POINT at = {c.across == atLeft ? 10 : c.across == wrapRoom ? width - boxWidth : width - 1,
                          c.atBottom ? height - 1 : 10};
        SendMessageW(editor, WM_KEYDOWN, 'N', 0);
        click(editor, at.x, at.y);
        // Where the box opened: its frame's bounds.
        const RECT box = boundsOf(changed(original, shown(editor)));
        beeps = 0;
        for (const auto& [kind, text] : c.acts) {
            if (kind == chars) {
                type(editor, text, false);
            } else if (kind == paste) {
                ASSERT_TRUE(putClipboardText(text.c_str()));
                key(editor, 'V', true);
            } else if (kind == clickOnLine) {
                click(editor, box.left + text[0], box.top + 4 + text[1] * lineHeight + lineHeight / 2);
            } else {
                for (wchar_t code : text)
                    key(editor, code, kind == controlKeys);
            }
        }
        EXPECT_EQ(beeps, c.beeps);
        key(editor, VK_RETURN, true);
        const Picture committed = painted(editor);
        key(editor, 'Z', true);
        write(editor, at.x, at.y, c.same, false);
        EXPECT_EQ(changed(committed, painted(editor)).size(), 0u) << "pixels unlike the plain text's";
        key(editor, 'Z', true);
        if (!c.unlike.empty()) {
            write(editor, at.x, at.y, c.unlike, false);
            EXPECT_NE(changed(committed, painted(editor)).size(), 0u);
            key(editor, 'Z', true);
        }
        EXPECT_EQ(changed(original, painted(editor)).size(), 0u) << "all taken back";
    }
}

// With Ctrl and Alt held (AltGr) no key is a command: the picture, the tool,
// the window (framed, not full screen), the clipboard and the deliveries stay
// as they were, and no dialog opens; AltGr's letter does nothing on the
// picture. Ctrl+Z alone then does take the line back.
TEST_F(AltGr, IsNeverACommand) {
    const std::pair<WPARAM, wchar_t> keys[] = {
        {'Z', L'ż'}, {'Y', 0},      {'C', L'ć'}, {'S', L'ś'}, {'A', L'ą'},       {'N', L'ń'},
        {'I', 0},    {'O', L'ó'},   {'T', 0},    {'E', L'ę'}, {VK_ESCAPE, 0},    {VK_RETURN, 0},
        {VK_LEFT, 0}, {VK_DOWN, 0},
    };
    DialogAnswers answers;
    hostAddPictureTransfer(onlineContact, {0});
    hostClearDeliveries();
    // A screenshot fills the screen: only such a picture goes full screen, as
    // a recorded Alt+Enter would make it.
    EXPECT_EQ(hostClickItem(L"snipLeaf/Screen", {onlineContact}), 0);
    HWND editor = findEditor();
    ASSERT_NE(editor, nullptr);
    SetFocus(editor);
    setStyle(editor, 3, RGB(255, 0, 0));
    const Picture blank = painted(editor);
    SendMessageW(editor, WM_KEYDOWN, 'L', 0);
    drag(editor, false, {{5, 5}, {100, 60}});
    drag(editor, false, {{5, 60}, {100, 5}});
    key(editor, 'Z', true);
    const Picture before = painted(editor);
    auto state = [&] {
        std::vector<LRESULT> seen = {GetWindowLongW(editor, GWL_STYLE), LRESULT(GetClipboardSequenceNumber())};
        for (int tool = 2; tool <= 7; tool++)
            seen.push_back(SendMessageW(editorToolbar(editor), TB_ISBUTTONCHECKED, WPARAM(tool), 0));
        return seen;
    };
    const auto stateBefore = state();
    for (const auto& [down, unit] : keys) {
        SCOPED_TRACE(down);
        holdKeys(true, false, true);
        SendMessageW(editor, WM_KEYDOWN, down, 0);
        SendMessageW(editor, WM_CHAR, unit, 0);
        SendMessageW(editor, WM_KEYUP, down, 0);
        holdKeys(false, false);
        hostPumpMessages(20);
        EXPECT_EQ(painted(editor), before);
        EXPECT_EQ(state(), stateBefore) << "full screen, the clipboard and the tool";
        EXPECT_TRUE(hostDeliveries().empty());
    }
    EXPECT_TRUE(answers.shown.empty());
    EXPECT_TRUE(answers.fileDialogTitle.empty());
    key(editor, 'Z', true);
    EXPECT_EQ(painted(editor), blank) << "Ctrl alone is a command";
}

// AltGr+Enter on the real keyboard as Windows gives it (Ctrl and Alt): the
// open box neither commits nor breaks its line, so what is typed after it
// joins the line typed before.
TEST_F(AltGr, EnterOnTheRealKeyboardLeavesTheBoxOpen) {
    DialogAnswers answers;
    HWND editor = open(white);
    ASSERT_NE(editor, nullptr);
    SetForegroundWindow(editor);
    setStyle(editor, 3, black);
    SendMessageW(editor, WM_KEYDOWN, 'N', 0);
    click(editor, 20, 20);
    type(editor, L"a");
    ASSERT_TRUE(typeOnX("keydown Control_L Alt_L sleep 0.05 key Return sleep 0.05 keyup Alt_L Control_L"));
    type(editor, L"b");
    key(editor, VK_RETURN, true);
    ASSERT_TRUE(IsWindow(editor)) << "Ctrl+Enter committed the box, it did not send";
    const Picture keyed = painted(editor);
    key(editor, 'Z', true);
    write(editor, 20, 20, L"ab");
    EXPECT_EQ(painted(editor), keyed) << "as typed straight";
    EXPECT_TRUE(answers.shown.empty());
}

// Each click places the next number as one step: the disc reaches exactly the
// radius (10 + pen width) around the click, the digits' ink is centred on it,
// in white on a dark pen and in black on a light one, and the three numbers
// look different. Undoing the third gives its number to the next marker, and
// so does redoing the second after two undos; a new editor starts at 1.
// Written out as step-markers.png.
TEST_F(StepMarkers, SitWhereClickedAndTakeTheirNumbersBackOnUndo) {
    struct Case {
        int penWidth;
        COLORREF pen, digits;
        int radius;
    };
    const Case cases[] = {{1, black, white, 11},           {15, RGB(200, 0, 0), white, 25},
                          {4, RGB(255, 230, 0), black, 14}, {1, RGB(127, 127, 127), white, 11},
                          {1, RGB(128, 128, 128), black, 11}, {6, RGB(30, 30, 160), white, 16}};
    // The third and the later ones on the same background: 10 pixels right
    // of a white line on the bands.
    const POINT places[] = {{40, 40}, {150, 40}, {250, 130}, {90, 130}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pen);
        bool onBands = c.penWidth == 6;
        HWND editor = open(onBands ? bands : RGB(0, 160, 220));
        ASSERT_NE(editor, nullptr);
        setStyle(editor, c.penWidth, c.pen);
        chooseMenuRow(editor, L"Numer\tI");
        std::vector<Picture> after = {painted(editor)};
        auto place = [&](POINT p) {
            click(editor, p.x, p.y);
            Picture now = painted(editor);
            PixelSet marker = changed(after.back(), now), digits;
            RECT b = boundsOf(marker);
            EXPECT_TRUE(b.left == p.x - c.radius && b.right == p.x + c.radius) << "across";
            EXPECT_TRUE(b.top == p.y - c.radius && b.bottom == p.y + c.radius) << "down";
            for (const auto& [x, y] : marker) {
                int dx = x - p.x, dy = y - p.y;
                if (dx * dx + dy * dy < (c.radius - 1) * (c.radius - 1) && now[size_t(y * width + x)] != c.pen)
                    digits.insert({x, y});
            }
            RECT d = boundsOf(digits);
            EXPECT_LE(std::abs(int(d.left + d.right) - 2 * p.x), 1) << "centred across";
            EXPECT_LE(std::abs(int(d.top + d.bottom) - 2 * p.y), 1) << "centred down";
            size_t inColour = 0, inOther = 0;
            for (const auto& [x, y] : digits) {
                inColour += now[size_t(y * width + x)] == c.digits ? 1 : 0;
                inOther += now[size_t(y * width + x)] == (c.digits ^ 0xFFFFFF) ? 1 : 0;
            }
            EXPECT_TRUE(inColour > 0 && inOther == 0) << "digits in their colour";
            after.push_back(now);
            return lookOf(now, marker, p.x, p.y);
        };
        const Look one = place(places[0]), two = place(places[1]), three = place(places[2]);
        EXPECT_TRUE(one != two && two != three && one != three);
        if (onBands)
            writePicture(after.back(), "step-markers.png");
        key(editor, 'Z', true);
        after.pop_back();
        EXPECT_EQ(place(places[3]), three) << "its number came back";
        key(editor, 'Z', true);
        key(editor, 'Z', true);
        key(editor, 'Y', true);
        EXPECT_EQ(painted(editor), after[2]) << "the second redone";
        after.resize(3);
        EXPECT_EQ(place(places[3]), three) << "the next is the third";
        SendMessageW(editor, WM_COMMAND, 15, 0);
        editor = open(onBands ? bands : RGB(0, 160, 220));
        ASSERT_NE(editor, nullptr);
        setStyle(editor, c.penWidth, c.pen);
        SendMessageW(editor, WM_KEYDOWN, 'I', 0);
        for (int tool = 2; tool <= 7; tool++)
            EXPECT_EQ(SendMessageW(editorToolbar(editor), TB_ISBUTTONCHECKED, WPARAM(tool), 0), 0) << tool;
        after = {painted(editor)};
        EXPECT_EQ(place(places[0]), one) << "a new editor starts at 1";
        SendMessageW(editor, WM_COMMAND, 15, 0);
    }
}
