// The pointer tool through the real DLL: each kind of drawing edited with the
// mouse and the keys, sent, against a second editor where it was drawn so
// from the start; undo and redo exact after each edit; markers renumbered
// after a delete; and which presses near a stroke take it.
#include <windows.h>

#include <string>
#include <vector>

#include "editor/editorWindow.h"
#include "editorTestSupport.h"

namespace {

using Picture = std::vector<COLORREF>;
using Bytes = std::vector<uint8_t>;
constexpr int width = 220, height = 140;

// One user action: a left drag through points, a key (Shift held when
// asked), a character typed, Ctrl+Enter, the style control's fill box
// cleared, the text tool's field set, a double-click at the point, a
// character typed and Ctrl+Enter (Escape with shift), or a red pen of the
// code's width chosen in the style control.
struct Act {
    enum Op { drag, key, typed, commit, unfill, field, retype, restyle } op;
    std::vector<POINT> points;
    WPARAM code;
    bool shift;
};

Act dragAct(POINT from, POINT to) {
    return {Act::drag, {from, {(from.x + to.x) / 2, (from.y + to.y) / 2}, to}, 0, false};
}

Act keyAct(WPARAM code, bool shift = false) {
    return {Act::key, {}, code, shift};
}

Act op(Act::Op o, WPARAM code = 0) {
    return {o, {}, code, false};
}

// The fill box set as asked, told as the box tells it.
void setFill(HWND editor, bool filled) {
    HWND style = childOfClass(editorToolbar(editor), L"StyleControl");
    HWND box = GetDlgItem(style, 3);
    SendMessageW(box, BM_SETCHECK, filled ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageW(style, WM_COMMAND, MAKEWPARAM(3, BN_CLICKED), LPARAM(box));
}

void perform(HWND editor, const Act& act) {
    switch (act.op) {
    case Act::drag:
        SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, at(act.points[0].x, act.points[0].y));
        for (size_t i = 1; i < act.points.size(); i++)
            SendMessageW(editor, WM_MOUSEMOVE, MK_LBUTTON, at(act.points[i].x, act.points[i].y));
        SendMessageW(editor, WM_LBUTTONUP, 0, at(act.points.back().x, act.points.back().y));
        return;
    case Act::key:
        press(editor, act.code, false, act.shift);
        return;
    case Act::typed:
        SendMessageW(editor, WM_CHAR, act.code, 0);
        return;
    case Act::commit:
        press(editor, VK_RETURN, true);
        return;
    case Act::retype:
        SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, at(act.points[0].x, act.points[0].y));
        SendMessageW(editor, WM_LBUTTONUP, 0, at(act.points[0].x, act.points[0].y));
        SendMessageW(editor, WM_LBUTTONDBLCLK, MK_LBUTTON, at(act.points[0].x, act.points[0].y));
        SendMessageW(editor, WM_LBUTTONUP, 0, at(act.points[0].x, act.points[0].y));
        SendMessageW(editor, WM_CHAR, act.code, 0);
        press(editor, act.shift ? VK_ESCAPE : VK_RETURN, !act.shift);
        return;
    case Act::field:
        SetWindowTextW(textField(editor), L"Ab");
        return;
    case Act::restyle:
        SendMessageW(editor, stylePenChangedMessage, act.code, LPARAM(RGB(200, 0, 0)));
        return;
    default:
        setFill(editor, false);
    }
}

void performAll(HWND editor, const std::vector<Act>& acts) {
    for (const Act& act : acts)
        perform(editor, act);
}

// The picture as Ctrl+C copies the whole-picture selection: without the
// marks the window alone shows.
Bytes copied(HWND editor) {
    press(editor, 'C', true);
    return clipboardBytes(CF_DIB);
}

struct Sent {
    Bytes png;
    Bytes beforeLast, edited, undone, redone;
};

class Pointer : public EditorTest {
protected:
    // A patterned picture selected whole, drawn on, then edited with the
    // pointer, copied on the way, and sent by Enter.
    // In full screen the picture fills the screen, and window and picture
    // points are one.
    Sent run(const std::vector<Act>& drawing, const std::vector<Act>& edit, bool fullScreen = false) {
        Sent out;
        hostClearDeliveries();
        const SIZE size = fullScreen ? SIZE{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}
                                     : SIZE{width, height};
        HWND editor = openFromClipboard(size.cx, size.cy);
        if (!editor)
            return out;
        if (fullScreen)
            enterFullScreen(editor);
        EXPECT_EQ(GetWindowLongW(editor, GWL_STYLE) & WS_CAPTION, fullScreen ? 0 : WS_CAPTION);
        choosePng(editor);
        // The style stays from editor to editor: each starts filled, with a
        // black pen 1 pixel wide.
        setFill(editor, true);
        SendMessageW(editor, stylePenChangedMessage, 1, LPARAM(RGB(0, 0, 0)));
        press(editor, 'S');
        drag(editor, false, {{0, 0}, {size.cx, size.cy}});
        performAll(editor, drawing);
        if (!edit.empty()) {
            press(editor, 'V');
            performAll(editor, std::vector<Act>(edit.begin(), edit.end() - 1));
            out.beforeLast = copied(editor);
            perform(editor, edit.back());
            out.edited = copied(editor);
            press(editor, 'Z', true);
            out.undone = copied(editor);
            press(editor, 'Y', true);
            out.redone = copied(editor);
        }
        press(editor, VK_RETURN);
        hostPumpMessages(30);
        if (hostDeliveries().size() == 1)
            out.png = hostDeliveries()[0].fileBytes;
        if (HWND still = findEditor())
            SendMessageW(still, WM_COMMAND, 15, 0);
        return out;
    }
};

Act shape(WPARAM tool, POINT from, POINT to) {
    Act a = dragAct(from, to);
    a.code = tool;
    return a;
}

// Each tool's key, then its drag (or click).
std::vector<Act> drawn(std::initializer_list<Act> shapes) {
    std::vector<Act> acts;
    for (const Act& s : shapes) {
        acts.push_back(keyAct(s.code));
        Act d = s;
        d.code = 0;
        acts.push_back(d);
    }
    return acts;
}

}  // namespace

// Each kind with each edit that applies to it, against the same drawing
// made in its final place, style or absence from the start.
TEST_F(Pointer, EditsSendWhatDrawingItSoFromTheStartSends) {
    struct Case {
        const char* name;
        std::vector<Act> drawing, edit, reference;
        bool fullScreen = false;
    };
    const POINT a = {40, 30}, b = {120, 90};
    const std::vector<Case> cases = {
        {"pencil moved", drawn({shape('F', a, b)}), {dragAct({80, 60}, {90, 50})},
         drawn({shape('F', {50, 20}, {130, 80})})},
        {"line's end", drawn({shape('L', a, b)}), {dragAct(b, {150, 60})}, drawn({shape('L', a, {150, 60})})},
        {"rectangle's corner", drawn({shape('R', a, b)}), {dragAct(b, {160, 110})},
         drawn({shape('R', a, {160, 110})})},
        {"rectangle's side", drawn({shape('R', a, b)}), {dragAct({120, 60}, {140, 70})},
         drawn({shape('R', a, {140, 90})})},
        {"rectangle's fill taken off", drawn({shape('R', a, b)}), {dragAct(a, a), op(Act::unfill)},
         {op(Act::unfill), keyAct('R'), dragAct(a, b)}},
        {"ellipse's pen restyled", drawn({shape('E', a, b)}), {dragAct({80, 30}, {80, 30}), op(Act::restyle, 5)},
         {op(Act::restyle, 5), keyAct('E'), dragAct(a, b)}},
        {"unfilled rectangle's inside takes nothing", {op(Act::unfill), keyAct('R'), dragAct(a, b)},
         {dragAct({80, 60}, {80, 60}), keyAct(VK_DELETE)}, {op(Act::unfill), keyAct('R'), dragAct(a, b)}},
        {"ellipse by keys", drawn({shape('E', a, b)}),
         {keyAct(VK_TAB), keyAct(VK_RIGHT, true), keyAct(VK_DOWN), keyAct(VK_LEFT)},
         drawn({shape('E', {49, 31}, {129, 91})})},
        {"arrow's start", drawn({shape('A', a, b)}), {dragAct(a, {20, 100})}, drawn({shape('A', {20, 100}, b)})},
        {"highlight moved", drawn({shape('H', a, b)}), {dragAct({80, 60}, {100, 40})},
         drawn({shape('H', {60, 10}, {140, 70})})},
        {"redaction moved off what it covered", drawn({shape('O', a, b)}), {dragAct({80, 60}, {140, 80})},
         drawn({shape('O', {100, 50}, {180, 110})})},
        {"text moved", {op(Act::field), keyAct('T'), dragAct({30, 30}, {30, 30})}, {dragAct({38, 45}, {58, 75})},
         {op(Act::field), keyAct('T'), dragAct({50, 60}, {50, 60})}},
        {"typed text moved", {keyAct('N'), dragAct({30, 30}, {30, 30}), op(Act::typed, 'Q'), op(Act::commit)},
         {dragAct({38, 40}, {68, 60})},
         {keyAct('N'), dragAct({60, 50}, {60, 50}), op(Act::typed, 'Q'), op(Act::commit)}},
        {"typed text retyped",
         {keyAct('N'), dragAct({30, 30}, {30, 30}), op(Act::typed, L'Q'), op(Act::commit)},
         {{Act::retype, {{38, 40}}, L'x', true}, {Act::retype, {{38, 40}}, L'ż', false}},
         {keyAct('N'), dragAct({30, 30}, {30, 30}), op(Act::typed, L'Q'), op(Act::typed, L'ż'), op(Act::commit)}},
        {"second marker deleted, the others renumbered",
         drawn({shape('I', {30, 30}, {30, 30}), shape('I', {80, 30}, {80, 30}), shape('I', {130, 30}, {130, 30}),
                shape('I', {180, 30}, {180, 30})}),
         {dragAct({80, 30}, {80, 30}), keyAct(VK_DELETE)},
         drawn({shape('I', {30, 30}, {30, 30}), shape('I', {130, 30}, {130, 30}), shape('I', {180, 30}, {180, 30})})},
        {"Tab backwards to the line, deleted", drawn({shape('L', a, b), shape('R', {150, 20}, {200, 60})}),
         {keyAct(VK_TAB), keyAct(VK_TAB, true), keyAct(VK_TAB, true), keyAct(VK_DELETE)},
         drawn({shape('R', {150, 20}, {200, 60})})},
        {"full screen: rectangle's corner", drawn({shape('R', a, b)}), {dragAct(b, {160, 110})},
         drawn({shape('R', a, {160, 110})}), true},
        {"full screen: arrow by keys", drawn({shape('A', a, b)}), {keyAct(VK_TAB), keyAct(VK_LEFT, true)},
         drawn({shape('A', {30, 30}, {110, 90})}), true},
        {"full screen: typed text retyped",
         {keyAct('N'), dragAct({30, 30}, {30, 30}), op(Act::typed, L'Q'), op(Act::commit)},
         {{Act::retype, {{38, 40}}, L'ż', false}},
         {keyAct('N'), dragAct({30, 30}, {30, 30}), op(Act::typed, L'Q'), op(Act::typed, L'ż'), op(Act::commit)},
         true},
    };
    hostAddPictureTransfer(onlineContact, {0});
    for (const Case& c : cases) {
        Sent edited = run(c.drawing, c.edit, c.fullScreen);
        Sent reference = run(c.reference, {}, c.fullScreen);
        ASSERT_FALSE(edited.png.empty()) << c.name;
        EXPECT_TRUE(edited.png == reference.png) << c.name;
        if (std::string(c.name).find("takes nothing") != std::string::npos)
            continue;
        EXPECT_FALSE(edited.edited == edited.beforeLast) << c.name << ": the edit changed the picture";
        EXPECT_TRUE(edited.undone == edited.beforeLast) << c.name << ": undo";
        EXPECT_TRUE(edited.redone == edited.edited) << c.name << ": redo";
    }
}

// A press 3 or 4 pixels below a stroke's lowest inked pixel takes it, and
// Delete removes it; 5 pixels takes nothing and Delete keeps it.
TEST_F(Pointer, APressTakesAStrokeWithinFourPixels) {
    const std::vector<Act> stroke = drawn({shape('F', {40, 70}, {180, 70})});
    HWND editor = openFromClipboard(width, height);
    ASSERT_NE(editor, nullptr);
    const Picture before = clientPixels(editor, width, height);
    performAll(editor, stroke);
    const Picture after = clientPixels(editor, width, height);
    int lowest = -1;
    for (int y = 0; y < height; y++)
        lowest = after[size_t(y * width + 110)] != before[size_t(y * width + 110)] ? y : lowest;
    ASSERT_GE(lowest, 70);
    hostAddPictureTransfer(onlineContact, {0});
    const Bytes kept = run(stroke, {}).png, removed = run({}, {}).png;
    ASSERT_FALSE(kept == removed);
    for (int distance : {3, 4, 5}) {
        Sent sent = run(stroke, {dragAct({110, lowest + distance}, {110, lowest + distance}), keyAct(VK_DELETE)});
        EXPECT_TRUE(sent.png == (distance <= 4 ? removed : kept)) << distance << " pixels away";
    }
}
