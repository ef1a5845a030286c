// The picture the whole plug-in works on, and the operations that make it and
// show it: screenshot of the monitor under the cursor, fitting to the primary
// screen, size and painting.
#pragma once

#include <cstdint>

#include "gdiplusFlat.h"

// A heap cell owning one GDI+ bitmap or null. Operations take the cell's
// address, so one that replaces the bitmap is seen by every holder of it.
struct ImageHolder {
    GpBitmap* bitmap;
};
static_assert(sizeof(ImageHolder) == 8);

struct CaptureArea {
    int32_t x, y, width, height;
};

// What the platform tells about the monitors, for choosing the capture area.
struct MonitorQuery {
    int32_t monitorCount;
    bool cursorKnown;
    bool monitorFound;  // a monitor under the cursor, and its information read
    RECT monitor;       // that monitor's full rectangle
    bool monitorIsPrimary;
    int32_t screenWidth, screenHeight;  // the primary screen
};

struct PictureSize {
    uint32_t width, height;
};

// The monitor under the cursor when it is a secondary one, else the primary screen.
CaptureArea chooseCaptureArea(const MonitorQuery& query);
// The size the screenshot taken now would have.
PictureSize screenshotSize();
// The size a w x h picture is scaled to for a cx x cy primary screen; the
// picture's own size when it already fits or the screen size is unusable.
PictureSize fittedSize(uint32_t w, uint32_t h, int32_t cx, int32_t cy);

struct WindowList;
// With windows given, the windows the screenshot shows are recorded into a
// new list there (null when that failed or nothing was captured).
bool captureScreen(ImageHolder* holder, WindowList** windows = nullptr);
bool captureArea(ImageHolder* holder, HDC screen, int32_t x, int32_t y, int32_t width, int32_t height);
void fitToScreen(ImageHolder* holder);
uint32_t imageWidth(const ImageHolder* holder);
uint32_t imageHeight(const ImageHolder* holder);
// The picture at the top left at its own size, over white.
void drawImage(const ImageHolder* holder, HDC dc);
// Disposes the bitmap and frees the cell; null is fine.
void freeImageHolder(ImageHolder* holder);
