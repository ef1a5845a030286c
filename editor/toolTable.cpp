// The tools' table and the drag they share; see toolTable.h. A tool's row
// names its handlers; the drag's common steps run here around them, so no
// tool calls another by name.
#include "toolTable.h"

#include <windowsx.h>

#include "annotationPreview.h"
#include "drawingSteps.h"
#include "drawingTools.h"
#include "editorView.h"
#include "loupe.h"
#include "pointerTool.h"
#include "selectionEdit.h"
#include "sizeLabel.h"
#include "stepMarkers.h"
#include "textBox.h"

namespace {

using ToolAt = void (*)(EditorState&, POINT);

// Whose a press is.
enum class Takes : uint8_t {
    // The editor's drag: the row's press, move and release run inside it.
    drag,
    // Either button's press, whole: a click that places or opens something.
    click,
    // The left button's press, moves and release, whole: the tool's own drag.
    // The right button's drag runs as the editor's, with nothing of the tool.
    leftDrag,
};

struct ToolUnit {
    int32_t tool;
    Takes takes;
    uint8_t drawsStep;  // the drag draws into the picture, as one step
    uint8_t showsSize;  // the drag's rectangle has its size shown beside it
    ToolAt press;
    ToolAt move;
    ToolAt release;  // at the release point, or where a lost drag last was
    bool (*doubleClick)(EditorState&, POINT);
    void (*dragLost)(EditorState&);
    void (*cancel)(EditorState&);
    bool (*keyDown)(EditorState&, WPARAM, bool shift);
};

const ToolUnit toolUnits[] = {
    // tool, takes, step, size, press, move, release, double-click, drag lost, Escape, key-down
    {toolSelect, Takes::drag, 0, 1, selectPress, selectMove, selectRelease, nullptr, nullptr, selectCancel, nullptr},
    {toolPencil, Takes::drag, 1, 0, startStroke, pencilMove, pencilRelease, nullptr, nullptr, nullptr, nullptr},
    {toolLine, Takes::drag, 1, 0, nullptr, shapeMove, shapeRelease, nullptr, nullptr, nullptr, nullptr},
    {toolRectangle, Takes::drag, 1, 1, nullptr, shapeMove, shapeRelease, nullptr, nullptr, nullptr, nullptr},
    {toolEllipse, Takes::drag, 1, 1, nullptr, shapeMove, shapeRelease, nullptr, nullptr, nullptr, nullptr},
    {toolText, Takes::drag, 1, 0, bitmapTextPress, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
    {toolArrow, Takes::drag, 1, 0, nullptr, shapeMove, shapeRelease, nullptr, nullptr, nullptr, nullptr},
    {toolHighlighter, Takes::drag, 1, 1, nullptr, shapeMove, areaRelease, nullptr, nullptr, nullptr, nullptr},
    {toolRedaction, Takes::drag, 1, 1, nullptr, shapeMove, areaRelease, nullptr, nullptr, nullptr, nullptr},
    {toolTypedText, Takes::click, 0, 0, openTypedText, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
    {toolStepMarker, Takes::click, 0, 0, placeStepMarker, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
    {toolPointer, Takes::leftDrag, 0, 0, pointerPress, pointerMove, pointerRelease, pointerDoubleClick,
     pointerDragLost, nullptr, pointerKeyDown},
};

// An unknown tool's drag does nothing but end.
const ToolUnit noTool = {};

const ToolUnit& unitOf(int32_t tool) {
    for (const ToolUnit& unit : toolUnits) {
        if (unit.tool == tool)
            return unit;
    }
    return noTool;
}

// The row whose handlers run inside the editor's drag: none for a tool whose
// press is its own.
const ToolUnit& dragUnit(const EditorState& s) {
    const ToolUnit& unit = unitOf(s.tool);
    return unit.takes == Takes::drag ? unit : noTool;
}

// Signed: with the mouse captured a move can come from left of or above the window.
POINT mousePoint(const EditorState& s, LPARAM lParam) {
    return windowToPicture(s, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
}

void releaseCapture(const EditorState& s) {
    if (GetCapture() == s.window)
        ReleaseCapture();
}

void startDrag(EditorState& s, POINT p) {
    s.dragStart = s.dragEnd = p;
    s.dragging = 1;
    s.bandShown = 0;
    // Keys belong to the editor again once the picture is used, not to the
    // text field the user typed into last.
    SetFocus(s.window);
    // The release comes here wherever the mouse is let go.
    SetCapture(s.window);
}

// A drag ended, finished or cancelled: loupe and preview go, the selection's
// handles and label come back.
void endDragFeedback(EditorState& s) {
    hideLoupe(s);
    dropAnnotationPreview(s);
    moveHandles(s);
    showSelectionSizeLabel(s);
}

// The end of a drag at its last point: the band goes as drawn, then the
// tool finishes what it was making, as one step.
void finishDrag(EditorState& s, POINT end) {
    s.dragging = 0;
    removeDragBand(s);
    s.dragEnd = end;
    if (ToolAt release = dragUnit(s).release)
        release(s, end);
    endDragFeedback(s);
    endStep(s.history);
}

}  // namespace

void toolPress(EditorState& s, LPARAM lParam) {
    POINT p = mousePoint(s, lParam);
    if (textBoxPress(s, p))
        return;
    const ToolUnit& unit = unitOf(s.tool);
    bool whole = unit.takes == Takes::click || (unit.takes == Takes::leftDrag && !s.selectionView.rightButton);
    if (whole) {
        unit.press(s, p);
        return;
    }
    startDrag(s, p);
    const ToolUnit& drag = dragUnit(s);
    if (drag.drawsStep)
        beginStep(s.history, s.picture);
    if (drag.press)
        drag.press(s, p);
}

void toolMove(EditorState& s, LPARAM lParam, bool leftHeld) {
    POINT p = mousePoint(s, lParam);
    const ToolUnit& unit = unitOf(s.tool);
    if (leftHeld && unit.takes == Takes::leftDrag) {
        unit.move(s, p);
        return;
    }
    if (!s.dragging)
        return;
    s.dragEnd = p;
    if (ToolAt move = dragUnit(s).move)
        move(s, p);
}

// A release acts only for the press of its own button that this editor saw:
// one whose press went to the toolbar, a dialog or an earlier editor would
// act from a stale press point.
bool toolRelease(EditorState& s, LPARAM lParam, bool rightButton) {
    POINT p = mousePoint(s, lParam);
    const ToolUnit& unit = unitOf(s.tool);
    if (!rightButton && unit.takes == Takes::leftDrag) {
        unit.release(s, p);
        return false;
    }
    bool ownButton = rightButton == (s.selectionView.rightButton != 0);
    if (s.dragging && !ownButton)
        return false;
    bool pressed = s.dragging != 0;
    if (pressed)
        finishDrag(s, p);
    releaseCapture(s);
    return pressed;
}

bool toolDoubleClick(EditorState& s, LPARAM lParam) {
    auto doubleClick = unitOf(s.tool).doubleClick;
    return doubleClick && doubleClick(s, mousePoint(s, lParam));
}

// A release that still comes later finds no drag, as one after Escape, so it
// neither draws nor selects again.
void toolDragLost(EditorState& s) {
    if (auto lost = unitOf(s.tool).dragLost)
        lost(s);
    if (!s.dragging)
        return;
    finishDrag(s, s.dragEnd);
    // Taking the capture away comes back here, with no drag left to end.
    releaseCapture(s);
}

bool cancelDrag(EditorState& s) {
    if (!s.dragging)
        return false;
    removeDragBand(s);
    s.dragging = 0;
    if (auto cancel = dragUnit(s).cancel)
        cancel(s);
    endDragFeedback(s);
    if (s.history.open) {
        cancelStep(s.history);
        InvalidateRect(s.window, nullptr, FALSE);
    }
    return true;
}

bool toolKeyDown(EditorState& s, WPARAM key, bool shift) {
    auto keyDown = unitOf(s.tool).keyDown;
    return keyDown && keyDown(s, key, shift);
}

void showDragBand(EditorState& s, const RECT& band) {
    s.band = band;
    xorFocusRect(s, band);
    s.bandShown = 1;
}

void removeDragBand(EditorState& s) {
    if (!s.bandShown)
        return;
    xorFocusRect(s, s.band);
    s.bandShown = 0;
}

void showDragFeedback(EditorState& s, const RECT& band) {
    moveHandles(s);
    if (unitOf(s.tool).showsSize)
        showSizeLabel(s, band);
}
