// What the editor keeps for the selection's handles, its size label, the
// loupe, the annotation tools' previews and the windows a screenshot offers
// to snap to: one record inside the editor's state.
#pragma once

#include <windows.h>

#include <cstdint>

#include "../image/gdiplusFlat.h"

struct WindowList;

// What a press with the Select tool started.
enum SelectionGesture : uint8_t { gestureNone, gestureNew, gestureHandle, gestureMove };

// The drawing a tool would make, on a picture-sized bitmap of its
// own whose memory is committed only where it is written: a top-down
// device-independent bitmap for GDI to paint from, and GDI+'s view of the
// same pixels for the primitives to draw on.
struct AnnotationPreview {
    HBITMAP dib;
    uint32_t* pixels;
    GpBitmap* bitmap;
    int32_t width, height;
    RECT shown;         // the picture pixels it covers now; empty: nothing shown
    POINT from, to;     // the shape drawn on it now, to be taken off again
    int32_t penWidth;   // the shape's, with its colours
    uint32_t penColor, brushColor;
    int32_t shapeTool;  // the tool whose shape is drawn on transparent pixels; 0: none
};

struct SelectionView {
    HWND sizeLabel;  // child window whose text is "W × H"
    uint8_t gesture;
    int8_t handle;            // the handle dragged, for gestureHandle
    uint8_t rightButton;      // the press came from the right button
    RECT pressSelection;      // the selection, normalised, when the press came
    RECT handlesAt;           // the rectangle the handles are shown around; empty: none
    HWND loupe;               // child window, shown while it magnifies
    uint8_t loupeShown;
    POINT loupePoint;         // the picture point it magnifies
    RECT loupeRect;           // the client rectangle it takes
    int32_t loupeScale;       // each picture pixel shown loupeScale x loupeScale
    WindowList* windows;      // of a screenshot; null for other pictures
    uint8_t outlineShown;
    RECT outline;             // the outlined window, picture pixels, cut to the picture
    uint8_t trackingLeave;    // asked for WM_MOUSELEAVE
    AnnotationPreview preview;
};
