// The editor's whole state: one static record, read by every handler of the
// editor window through the window property "IMGWND" and handed on from there.
#pragma once

#include <windows.h>

#include <cstdint>

#include "../image/capture.h"
#include "../annotations/annotationRender.h"
#include "../image/history.h"
#include "../plugin/hostApi.h"
#include "selectionState.h"

enum ToolId : int32_t {
    toolSelect = 2,
    toolPencil = 3,
    toolLine = 4,
    toolRectangle = 5,
    toolEllipse = 6,
    toolText = 7,
    // No toolbar item stands for these, so a WM_COMMAND carrying one chooses
    // nothing; only the tool strip's buttons, which carry them, do. The
    // pointer's button is still hidden.
    toolArrow = 20,
    toolHighlighter = 21,
    toolRedaction = 22,
    toolTypedText = 23,
    toolStepMarker = 24,
    toolPointer = 25,
};

enum EditorCommand : int32_t {
    commandToggleToolbar = 10,
    commandSendSelection = 11,
    commandSendWhole = 12,
    commandFileTransfer = 13,
    commandImageHosting = 14,
    commandCancel = 15,
};

// The open box of the typed text: what the user typed on the picture so far,
// drawn into it only when the box is committed.
const int32_t textBoxCapacity = 1024;  // UTF-16 units, the closing zero among them
struct TextBoxState {
    uint8_t open;
    POINT click;   // the click that opened it, picture pixels
    POINT corner;  // the box's, at the click or moved in to stay on the picture
    wchar_t text[textBoxCapacity];
    int32_t length;
    int32_t caret;  // the unit the caret stands before
    // A pair's first half, typed as a character of its own, waiting for its
    // second; 0 when none.
    wchar_t pendingHigh;
    // As last laid out, in picture pixels: the box the marks show over, and
    // the caret's top and height.
    RECT shown;
    POINT caretAt;
    int32_t lineHeight;
    // A typed text of the layer opened again: its record, taken out of the
    // layer while the box stands for it, and its index; index -1 for none.
    Annotation reopened;
    int32_t reopenedIndex;
};

// A right press not yet known to be a click or a drag: a click opens the
// context menu, a drag does what the press would have done.
struct RightPress {
    uint8_t held;     // pressed, and neither released nor moved beyond a click
    uint8_t started;  // the tool's drag began at the press itself
    LPARAM at;        // the press as the window got it
};

struct EditorState {
    ImageHolder* picture;
    ContactRecord* contacts;
    int32_t contactCount;
    // The selection the send, copy and save take: set only by selection
    // gestures, never by the drawing tools. Picture pixels.
    int32_t startX, startY;
    int32_t endX, endY;
    HWND window;
    int32_t tool;
    uint32_t penColor;    // ARGB
    uint32_t brushColor;  // ARGB; alpha 0 means no fill
    int32_t penWidth;
    HWND toolbar;
    HWND styleControl;
    HWND toggleButton;
    HWND textEdit;
    HWND qualitySlider;
    // The style control and the slider's hover tip show only in the expanded
    // toolbar, so they are made once the editor has first painted, or at the
    // toolbar's expansion if that comes sooner; until then the fill setting
    // the style control is to start with is kept.
    uint8_t controlsDue;  // 1: to be made; 2: their message is posted
    int32_t dueTransparent;
    // The buttons of the tools the toolbar has none for, in the toolbar's row,
    // and their images, freed when the editor closes.
    HWND toolStrip;
    HBITMAP toolStripImages;
    // The balloon telling where the Polish letters are, once per editor.
    HWND letterTip;
    uint8_t toolbarCollapsed;
    int32_t windowWidth, windowHeight;
    // Set by a key-down of Enter that reached the editor window; a release
    // acts only then, so a release whose press went to a menu or a message box
    // does nothing.
    uint8_t enterPressed;
    // Changes whenever an editor opens or closes. A message box or a host call
    // runs a message loop in which the user may open another editor; a command
    // that finds the number changed after one stops there.
    uint32_t generation;
    // The picture's steps for undo and redo; freed when the editor closes.
    History history;
    // Every finished drawing as a record until the picture leaves; undo and
    // redo are this layer's. The history above only holds a drawing still in
    // progress, so Escape can take it back.
    AnnotationLayer layer;
    // The pencil's points since its press, malloc'd.
    POINT* strokePoints;
    int32_t strokeCount, strokeCapacity;
    // The pointer's choice: the chosen record's index + 1, 0 for none; while
    // its press drags, the handle it holds (-1 for a move) and the press.
    int32_t pointerChoice;
    int32_t pointerHandle;
    POINT pointerPress;
    uint8_t pointerDragging;
    // Between a button press and its release as the editor saw them; Escape
    // or a lost capture clears it, so the rest of that drag does nothing.
    uint8_t dragging;
    // The rubber band as last drawn on the window, in picture pixels: with
    // Shift the arrow's band follows the snapped end, which the next move or
    // the release cannot recompute once Shift has changed.
    RECT band;
    uint8_t bandShown;
    // A drag's press point and the last point it reached, in picture pixels;
    // the pencil moves dragStart along its stroke.
    POINT dragStart;
    POINT dragEnd;
    // The user made the selection, so it is marked on the window; a new
    // editor's whole-picture selection is not.
    uint8_t selectionMarked;
    // Enter's key-down came with Alt held: its release switches full screen.
    uint8_t enterWithAlt;
    // The balloon has been shown in this editor.
    uint8_t letterTipShown;
    // The picture point at the view's top-left corner.
    int32_t scrollX, scrollY;
    // Handles, size label, loupe, previews and the windows to snap to.
    SelectionView selectionView;
    TextBoxState textBox;
    RightPress rightPress;
};

// Only opening and closing the editor reach the record by this name; the tests
// set up a state here without a window.
extern EditorState editorState;

// Exchanges the bytes in bits 0-7 and 16-23: ARGB to COLORREF order and back.
constexpr uint32_t swapRedBlue(uint32_t colour) {
    return (colour & 0xFF00FF00u) | ((colour & 0xFFu) << 16) | ((colour >> 16) & 0xFFu);
}
