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

void invalidatePictureRect(const EditorState& s, const RECT& picture) {
    RECT shown = pictureToWindowRect(s, picture);
    InvalidateRect(s.window, &shown, FALSE);
}
