// Window and picture points: the view scrolls the picture, at one window
// pixel a picture pixel.
#include "viewMapping.h"

POINT windowToPicture(const EditorState& s, POINT client) {
    return {client.x + s.scrollX, client.y + s.scrollY};
}

POINT pictureToWindow(const EditorState& s, POINT picture) {
    return {picture.x - s.scrollX, picture.y - s.scrollY};
}

RECT pictureToWindowRect(const EditorState& s, const RECT& picture) {
    return {picture.left - s.scrollX, picture.top - s.scrollY, picture.right - s.scrollX,
            picture.bottom - s.scrollY};
}

RECT normalisedRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    return {x1 < x2 ? x1 : x2, y1 < y2 ? y1 : y2, x1 < x2 ? x2 : x1, y1 < y2 ? y2 : y1};
}

void invalidatePictureRect(const EditorState& s, const RECT& picture) {
    RECT shown = pictureToWindowRect(s, picture);
    InvalidateRect(s.window, &shown, FALSE);
}
