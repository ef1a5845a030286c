// Hit-testing by the drawing itself: the record is drawn onto the picture
// through an observing clip, which lets no store through, and any store seen
// is a drawn pixel there. The picture is left as it was.
#include "annotationHitTest.h"

#include "../image/pixelCanvas.h"

namespace {

// One watcher at a time, on the thread that draws.
bool storeSeen = false;

void noteStore(int32_t, int32_t, uint32_t) {
    storeSeen = true;
}

}  // namespace

bool annotationDrawsWithin(const AnnotationLayer& layer, int32_t index, const RECT& area) {
    if (index < 0 || index >= layer.count || !layer.picture || !rectanglesMeet(layer.items[index].bounds, area))
        return false;
    storeSeen = false;
    PixelStoreObserver previous = observePixelStores(noteStore);
    {
        DrawingClip clip({area.left, area.top, int64_t(area.right) - 1, int64_t(area.bottom) - 1}, true);
        drawAnnotation(layer.picture, layer.items[index], markerNumberAt(layer, index));
    }
    observePixelStores(previous);
    return storeSeen;
}

int32_t annotationAt(const AnnotationLayer& layer, POINT point, int32_t reach) {
    RECT square = {point.x - reach, point.y - reach, point.x + reach + 1, point.y + reach + 1};
    for (int32_t j = layer.count - 1; j >= 0; j--) {
        if (annotationDrawsWithin(layer, j, square))
            return j;
    }
    return -1;
}
