// The screenshot item on two side-by-side monitors, through the real DLL: it
// copies exactly the monitor under the cursor. Run by tools/two-monitors.sh,
// which gives Wine two monitors of different sizes; each monitor is covered by
// a window painting a pattern of its own, and the sent picture is compared
// with that pattern pixel by pixel.
#include "image/gdiplusFlat.h"
#include "host/standInPlugins.h"
#include "testSupport.h"

#include <vector>

namespace {

const HostContact contact = {L"GG", 1, 1001, 2};

std::vector<RECT> monitorRects;

BOOL CALLBACK noteMonitor(HMONITOR, HDC, LPRECT rect, LPARAM) {
    monitorRects.push_back(*rect);
    return TRUE;
}

// Different in every pixel near the corners and different between the
// monitors: the row and column of the monitor in two channels, which monitor
// in the third.
uint32_t monitorPixel(int monitor, int x, int y) {
    uint32_t tag = monitor == 0 ? 0x40 : 0xC0;
    return 0xFF000000u | uint32_t(x * 7 & 0xFF) << 16 | uint32_t(y * 5 & 0xFF) << 8 | (tag ^ uint32_t(x + y) >> 8);
}

// One unframed topmost window over a monitor, painting its pattern.
struct PatternWindow {
    HWND window = nullptr;
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
};
PatternWindow patterns[2];

LRESULT CALLBACK patternProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT)
        return DefWindowProcW(window, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    for (const PatternWindow& p : patterns) {
        if (p.window != window)
            continue;
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = p.width;
        info.bmiHeader.biHeight = -p.height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        SetDIBitsToDevice(dc, 0, 0, DWORD(p.width), DWORD(p.height), 0, 0, 0, UINT(p.height), p.pixels.data(),
                          &info, DIB_RGB_COLORS);
    }
    EndPaint(window, &paint);
    return 0;
}

class TwoMonitors : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        ASSERT_EQ(load(), hostOk);
        hostAddPictureTransfer(contact, {0});
        monitorRects.clear();
        EnumDisplayMonitors(nullptr, nullptr, noteMonitor, 0);
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = patternProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"snipLeafMonitorPattern";
        RegisterClassExW(&windowClass);
    }
    void TearDown() override {
        for (PatternWindow& p : patterns) {
            if (p.window)
                DestroyWindow(p.window);
            p = {};
        }
        UnregisterClassW(L"snipLeafMonitorPattern", GetModuleHandleW(nullptr));
        PluginTest::TearDown();
    }
};

}  // namespace

TEST_F(TwoMonitors, ScreenshotCopiesTheMonitorUnderTheCursor) {
    ASSERT_EQ(GetSystemMetrics(SM_CMONITORS), 2);
    ASSERT_EQ(monitorRects.size(), 2u);
    // The primary monitor is the one at the origin.
    if (monitorRects[0].left != 0 || monitorRects[0].top != 0)
        std::swap(monitorRects[0], monitorRects[1]);
    const RECT primary = {0, 0, 1280, 1024};
    const RECT secondary = {1280, 0, 2304, 768};
    ASSERT_TRUE(EqualRect(&monitorRects[0], &primary));
    ASSERT_TRUE(EqualRect(&monitorRects[1], &secondary));
    for (int m = 0; m < 2; m++) {
        PatternWindow& p = patterns[m];
        const RECT& r = monitorRects[size_t(m)];
        p.width = r.right - r.left;
        p.height = r.bottom - r.top;
        p.pixels.resize(size_t(p.width) * size_t(p.height));
        for (int y = 0; y < p.height; y++)
            for (int x = 0; x < p.width; x++)
                p.pixels[size_t(y) * size_t(p.width) + size_t(x)] = monitorPixel(m, x, y) & 0x00FFFFFFu;
        p.window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"snipLeafMonitorPattern", L"", WS_POPUP,
                                   r.left, r.top, p.width, p.height, nullptr, nullptr, GetModuleHandleW(nullptr),
                                   nullptr);
        ASSERT_NE(p.window, nullptr);
        ShowWindow(p.window, SW_SHOWNOACTIVATE);
        UpdateWindow(p.window);
    }
    struct Case {
        const char* what;
        POINT cursor;
        int monitor;
    };
    static const Case cases[] = {
        {"cursor on the secondary monitor", {1280 + 500, 300}, 1},
        {"cursor on the primary monitor", {640, 900}, 0},
        {"cursor at the secondary monitor's last pixel", {2303, 767}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        hostPumpMessages(200);
        ASSERT_TRUE(SetCursorPos(c.cursor.x, c.cursor.y));
        hostClearDeliveries();
        ASSERT_EQ(hostClickItem(L"snipLeaf/Screen", {contact}), 0);
        HWND editor = findEditor();
        ASSERT_NE(editor, nullptr);
        choosePng(editor);
        SendMessageW(editor, WM_COMMAND, 12, 0);
        ASSERT_FALSE(IsWindow(editor)) << "sent, and closed";
        ASSERT_EQ(hostDeliveries().size(), 1u);
        UINT width = 0, height = 0;
        std::vector<uint32_t> pixels = filePixels(hostDeliveries()[0].fileName, &width, &height);
        const PatternWindow& expected = patterns[c.monitor];
        ASSERT_EQ(int(width), expected.width);
        ASSERT_EQ(int(height), expected.height);
        ASSERT_EQ(pixels.size(), expected.pixels.size());
        size_t wrong = 0;
        size_t firstWrong = pixels.size();
        for (size_t i = 0; i < pixels.size(); i++) {
            if (pixels[i] != (0xFF000000u | expected.pixels[i])) {
                wrong++;
                firstWrong = std::min(firstWrong, i);
            }
        }
        EXPECT_EQ(wrong, 0u) << "first at " << firstWrong % width << "," << firstWrong / width;
    }
}
