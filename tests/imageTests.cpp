// The picture holder: choosing the capture area, the fitting arithmetic and
// fitToScreen on real bitmaps, sizes, painting, and real screen copies of a
// window of known colours under the test display.
#include <iterator>

#include "image/capture.h"
#include "image/gdiGuards.h"
#include "imageTestSupport.h"
#include "tools/importPatch.h"

using namespace Gdiplus::DllExports;

namespace {

struct FitCase {
    uint32_t w, h;
    uint32_t fittedW, fittedH;
};

MonitorQuery twoMonitorsCursorOnSecondary() {
    MonitorQuery q = {};
    q.monitorCount = 2;
    q.cursorKnown = true;
    q.monitorFound = true;
    q.monitor = {-1280, 0, 0, 1024};
    q.monitorIsPrimary = false;
    q.screenWidth = 1920;
    q.screenHeight = 1080;
    return q;
}

bool sameArea(const CaptureArea& a, const CaptureArea& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

// Watches on GdipGetImageThumbnail: how often it is called and what it made,
// or a failure in its place.
int thumbnailCalls = 0;
GpImage* lastThumbnail = nullptr;
decltype(&GdipGetImageThumbnail) realThumbnail = nullptr;

GpStatus WINAPI watchThumbnail(GpImage* image, UINT w, UINT h, GpImage** thumb,
                               Gdiplus::GetThumbnailImageAbort abort, VOID* data) {
    thumbnailCalls++;
    GpStatus status = realThumbnail(image, w, h, thumb, abort, data);
    lastThumbnail = *thumb;
    return status;
}

GpStatus WINAPI failThumbnail(GpImage*, UINT, UINT, GpImage**, Gdiplus::GetThumbnailImageAbort, VOID*) {
    thumbnailCalls++;
    return Gdiplus::GenericError;
}

struct ThumbnailPatch {
    bool installed = false;
    explicit ThumbnailPatch(void* replacement) {
        thumbnailCalls = 0;
        lastThumbnail = nullptr;
        void* original = patchImport(GetModuleHandleW(nullptr), "gdiplus.dll", "GdipGetImageThumbnail", replacement);
        installed = original != nullptr;
        if (original && !realThumbnail)
            realThumbnail = reinterpret_cast<decltype(realThumbnail)>(original);
    }
    ThumbnailPatch(const ThumbnailPatch&) = delete;
    ThumbnailPatch& operator=(const ThumbnailPatch&) = delete;
    ~ThumbnailPatch() {
        if (installed)
            patchImport(GetModuleHandleW(nullptr), "gdiplus.dll", "GdipGetImageThumbnail",
                        reinterpret_cast<void*>(realThumbnail));
    }
};

// A top-most popup window of plain colours: the left half red, the right blue.
const int32_t targetX = 100, targetY = 120, targetWidth = 200, targetHeight = 150;

LRESULT CALLBACK paintHalves(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT)
        return DefWindowProcW(window, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT left = {0, 0, targetWidth / 2, targetHeight};
    RECT right = {targetWidth / 2, 0, targetWidth, targetHeight};
    GdiObjectGuard redBrush(CreateSolidBrush(RGB(255, 0, 0)));
    GdiObjectGuard blueBrush(CreateSolidBrush(RGB(0, 0, 255)));
    FillRect(dc, &left, static_cast<HBRUSH>(redBrush.object));
    FillRect(dc, &right, static_cast<HBRUSH>(blueBrush.object));
    EndPaint(window, &paint);
    return 0;
}

void pumpMessagesFor(DWORD milliseconds) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        Sleep(20);
    }
}

class ScreenCapture : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = paintHalves;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"snipLeafCaptureTarget";
        RegisterClassW(&windowClass);
        window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"snipLeafCaptureTarget", L"", WS_POPUP | WS_VISIBLE,
                                 targetX, targetY, targetWidth, targetHeight, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        UpdateWindow(window);
        pumpMessagesFor(500);
    }
    void TearDown() override {
        if (window)
            DestroyWindow(window);
        UnregisterClassW(L"snipLeafCaptureTarget", GetModuleHandleW(nullptr));
    }
    HWND window = nullptr;
};

}  // namespace

TEST(FittedSize, OnAFullHdScreen) {
    static const FitCase cases[] = {
        {1920, 1080, 1920, 1080}, {100, 100, 100, 100},   {1921, 1080, 1920, 1079}, {2560, 1440, 1920, 1080},
        {3840, 2160, 1920, 1080}, {2000, 2000, 1080, 1080}, {100, 3000, 36, 1080},   {3000, 100, 1920, 64},
        {1, 1080, 1, 1080},       {1, 20000, 1, 1080},      {20000, 1, 1920, 1},
        // Wider than tall but squarer than the screen: pinning the width alone
        // would leave the height beyond the screen.
        {3840, 2880, 1440, 1080}, {4000, 3000, 1440, 1080}, {2000, 1900, 1136, 1080}, {1920, 1081, 1918, 1080},
        {1921, 1081, 1920, 1080}, {2001, 2000, 1080, 1080},
    };
    for (const FitCase& c : cases) {
        PictureSize size = fittedSize(c.w, c.h, 1920, 1080);
        EXPECT_EQ(size.width, c.fittedW) << c.w << "x" << c.h;
        EXPECT_EQ(size.height, c.fittedH) << c.w << "x" << c.h;
        EXPECT_LE(size.width, 1920u) << c.w << "x" << c.h;
        EXPECT_LE(size.height, 1080u) << c.w << "x" << c.h;
    }
}

TEST(FittedSize, UnusableScreenKeepsThePicture) {
    static const int32_t screens[][2] = {{0, 1080}, {1920, 0}, {-1, 1080}, {1920, -5}};
    for (const auto& screen : screens) {
        PictureSize size = fittedSize(4000, 3000, screen[0], screen[1]);
        EXPECT_EQ(size.width, 4000u) << screen[0] << "x" << screen[1];
        EXPECT_EQ(size.height, 3000u) << screen[0] << "x" << screen[1];
    }
}

TEST(ChooseCaptureArea, SecondaryMonitorUnderTheCursor) {
    CaptureArea area = chooseCaptureArea(twoMonitorsCursorOnSecondary());
    EXPECT_TRUE(sameArea(area, {-1280, 0, 1280, 1024}));
}

TEST(ChooseCaptureArea, ReversedMonitorRectangleGivesPositiveSize) {
    MonitorQuery q = twoMonitorsCursorOnSecondary();
    q.monitor = {1920, 1080, 0, 0};
    EXPECT_TRUE(sameArea(chooseCaptureArea(q), {1920, 1080, 1920, 1080}));
}

TEST(ChooseCaptureArea, FallsBackToThePrimaryScreen) {
    MonitorQuery oneMonitor = twoMonitorsCursorOnSecondary();
    oneMonitor.monitorCount = 1;
    MonitorQuery noCursor = twoMonitorsCursorOnSecondary();
    noCursor.cursorKnown = false;
    MonitorQuery noMonitor = twoMonitorsCursorOnSecondary();
    noMonitor.monitorFound = false;
    MonitorQuery primary = twoMonitorsCursorOnSecondary();
    primary.monitorIsPrimary = true;
    const MonitorQuery cases[] = {oneMonitor, noCursor, noMonitor, primary};
    for (size_t i = 0; i < std::size(cases); i++)
        EXPECT_TRUE(sameArea(chooseCaptureArea(cases[i]), {0, 0, 1920, 1080})) << i;
}

TEST(FitToScreen, LargerPicturesBecomeTheirFittedSize) {
    const int32_t cx = GetSystemMetrics(SM_CXSCREEN);
    const int32_t cy = GetSystemMetrics(SM_CYSCREEN);
    ASSERT_GT(cx, 1);
    ASSERT_GT(cy, 1);
    const uint32_t w = uint32_t(cx), h = uint32_t(cy);
    const uint32_t sizes[][2] = {{2 * w, 2 * h}, {w + 1, h}, {w, h + 1}, {w / 2, 3 * h}, {3 * w, h / 4}, {w + h, w + h}};
    for (const auto& s : sizes) {
        TestPicture picture(static_cast<int32_t>(s[0]), static_cast<int32_t>(s[1]), green);
        ThumbnailPatch watch(reinterpret_cast<void*>(watchThumbnail));
        ASSERT_TRUE(watch.installed);
        fitToScreen(&picture.holder);
        PictureSize expected = fittedSize(s[0], s[1], cx, cy);
        EXPECT_EQ(thumbnailCalls, 1) << s[0] << "x" << s[1];
        EXPECT_EQ(static_cast<GpImage*>(picture.holder.bitmap), lastThumbnail) << s[0] << "x" << s[1];
        EXPECT_EQ(imageWidth(&picture.holder), expected.width) << s[0] << "x" << s[1];
        EXPECT_EQ(imageHeight(&picture.holder), expected.height) << s[0] << "x" << s[1];
    }
}

// Twice the screen in both directions halves exactly, whichever side is pinned.
TEST(FitToScreen, TwiceTheScreenBecomesTheScreen) {
    const int32_t cx = GetSystemMetrics(SM_CXSCREEN);
    const int32_t cy = GetSystemMetrics(SM_CYSCREEN);
    TestPicture picture(2 * cx, 2 * cy, green);
    fitToScreen(&picture.holder);
    EXPECT_EQ(imageWidth(&picture.holder), uint32_t(cx));
    EXPECT_EQ(imageHeight(&picture.holder), uint32_t(cy));
    Gdiplus::ARGB centre = 0;
    GdipBitmapGetPixel(picture.holder.bitmap, cx / 2, cy / 2, &centre);
    EXPECT_EQ(centre, green);
}

TEST(FitToScreen, PicturesThatFitStayTheSame) {
    const int32_t cx = GetSystemMetrics(SM_CXSCREEN);
    const int32_t cy = GetSystemMetrics(SM_CYSCREEN);
    const int32_t sizes[][2] = {{cx, cy}, {1, 1}, {cx, 1}, {1, cy}, {cx - 1, cy - 1}};
    for (const auto& s : sizes) {
        TestPicture picture(s[0], s[1], green);
        GpBitmap* before = picture.holder.bitmap;
        ThumbnailPatch watch(reinterpret_cast<void*>(watchThumbnail));
        ASSERT_TRUE(watch.installed);
        fitToScreen(&picture.holder);
        EXPECT_EQ(picture.holder.bitmap, before) << s[0] << "x" << s[1];
        EXPECT_EQ(thumbnailCalls, 0) << s[0] << "x" << s[1];
    }
}

TEST(FitToScreen, FailedThumbnailKeepsThePicture) {
    const int32_t cx = GetSystemMetrics(SM_CXSCREEN);
    const int32_t cy = GetSystemMetrics(SM_CYSCREEN);
    TestPicture picture(cx + 10, cy + 10, green);
    GpBitmap* before = picture.holder.bitmap;
    ThumbnailPatch failure(reinterpret_cast<void*>(failThumbnail));
    ASSERT_TRUE(failure.installed);
    fitToScreen(&picture.holder);
    EXPECT_EQ(thumbnailCalls, 1);
    EXPECT_EQ(picture.holder.bitmap, before);
    EXPECT_EQ(imageWidth(&picture.holder), uint32_t(cx + 10));
    EXPECT_EQ(imageHeight(&picture.holder), uint32_t(cy + 10));
}

TEST(FitToScreen, EmptyHolderStaysEmpty) {
    ImageHolder empty = {nullptr};
    fitToScreen(&empty);
    EXPECT_EQ(empty.bitmap, nullptr);
}

TEST(ImageSize, IsThePicturesOwnOrZero) {
    TestPicture picture(37, 23, white);
    EXPECT_EQ(imageWidth(&picture.holder), 37u);
    EXPECT_EQ(imageHeight(&picture.holder), 23u);
    ImageHolder empty = {nullptr};
    EXPECT_EQ(imageWidth(&empty), 0u);
    EXPECT_EQ(imageHeight(&empty), 0u);
}

// Reads back, from a 60 x 40 memory context first filled white, the pixels
// that drawImage turned red.
PointSet redAfterDrawImage(const ImageHolder& holder) {
    WindowDcGuard screen(nullptr);
    MemoryDcGuard memory(screen.dc);
    GdiObjectGuard bitmap(CreateCompatibleBitmap(screen.dc, 60, 40));
    SelectGuard selected(memory.dc, bitmap.object);
    RECT all = {0, 0, 60, 40};
    FillRect(memory.dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    drawImage(&holder, memory.dc);
    PointSet points;
    for (int32_t y = 0; y < 40; y++) {
        for (int32_t x = 0; x < 60; x++) {
            if (GetPixel(memory.dc, x, y) == RGB(255, 0, 0))
                points.insert({x, y});
        }
    }
    return points;
}

TEST(DrawImage, PaintsThePictureAtTheOriginInItsOwnSize) {
    TestPicture picture(20, 10, red);
    EXPECT_EQ(redAfterDrawImage(picture.holder), pointsOfRectangle(0, 0, 19, 9));
    ImageHolder empty = {nullptr};
    EXPECT_TRUE(redAfterDrawImage(empty).empty());
}

TEST_F(ScreenCapture, AreaCopyHoldsTheWindowsColours) {
    ImageHolder holder = {nullptr};
    {
        WindowDcGuard screen(nullptr);
        ASSERT_TRUE(captureArea(&holder, screen.dc, targetX, targetY, targetWidth, targetHeight));
    }
    ASSERT_NE(holder.bitmap, nullptr);
    EXPECT_EQ(imageWidth(&holder), uint32_t(targetWidth));
    EXPECT_EQ(imageHeight(&holder), uint32_t(targetHeight));
    EXPECT_EQ(pixelsOfColour(holder, red), pointsOfRectangle(0, 0, targetWidth / 2 - 1, targetHeight - 1));
    EXPECT_EQ(pixelsOfColour(holder, blue), pointsOfRectangle(targetWidth / 2, 0, targetWidth - 1, targetHeight - 1));
    GdipDisposeImage(holder.bitmap);
}

TEST_F(ScreenCapture, AreaCopyFromAnOffsetShiftsThePixels) {
    ImageHolder holder = {nullptr};
    {
        WindowDcGuard screen(nullptr);
        ASSERT_TRUE(captureArea(&holder, screen.dc, targetX + 150, targetY + 100, 100, 100));
    }
    ASSERT_NE(holder.bitmap, nullptr);
    EXPECT_EQ(pixelsOfColour(holder, blue), pointsOfRectangle(0, 0, 49, 49));
    EXPECT_TRUE(pixelsOfColour(holder, red).empty());
    GdipDisposeImage(holder.bitmap);
}

TEST_F(ScreenCapture, ScreenshotIsThePrimaryScreen) {
    ASSERT_EQ(GetSystemMetrics(SM_CMONITORS), 1);
    ImageHolder holder = {nullptr};
    ASSERT_TRUE(captureScreen(&holder));
    ASSERT_NE(holder.bitmap, nullptr);
    EXPECT_EQ(imageWidth(&holder), uint32_t(GetSystemMetrics(SM_CXSCREEN)));
    EXPECT_EQ(imageHeight(&holder), uint32_t(GetSystemMetrics(SM_CYSCREEN)));
    const int32_t margin = 20;
    const int32_t left = targetX - margin, top = targetY - margin;
    const int32_t width = targetWidth + 2 * margin, height = targetHeight + 2 * margin;
    EXPECT_EQ(pixelsOfColour(holder, red, left, top, width, height),
              pointsOfRectangle(targetX, targetY, targetX + targetWidth / 2 - 1, targetY + targetHeight - 1));
    EXPECT_EQ(pixelsOfColour(holder, blue, left, top, width, height),
              pointsOfRectangle(targetX + targetWidth / 2, targetY, targetX + targetWidth - 1, targetY + targetHeight - 1));
    GdipDisposeImage(holder.bitmap);
}
