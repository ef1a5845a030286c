// The style control through the real DLL: the pen and brush settings coming
// back through it, and its fill check box and width arrows.
#include "editorTestSupport.h"

#include <algorithm>

#include "editor/styleControl.h"

namespace {

class StyleControl : public EditorTest {};

}  // namespace

TEST_F(StyleControl, StyleSettingsComeBackThroughTheStyleControl) {
    struct Case {
        int64_t penColor, brushColor, penWidth, transparent;
        int64_t writtenPen, writtenBrush, writtenWidth, writtenTransparent;
    };
    static const Case cases[] = {
        {int32_t(0xFF112233), int32_t(0xFF445566), 4, 1, int32_t(0xFF112233), int32_t(0xFF445566), 4, 1},
        {0x00112233, int32_t(0xFF445566), 15, 0, int32_t(0xFF112233), 0x00445566, 15, 0},
        {int32_t(0xFF000000), 0x00FFFFFF, 1000000, 2, int32_t(0xFF000000), 0x00FFFFFF, 15, 0},
        {int32_t(0xFF000000), 0x00FFFFFF, -3, 1, int32_t(0xFF000000), int32_t(0xFFFFFFFF), 1, 1},
    };
    hostRegister(L"WTW/Settings/Read", [](int64_t, int64_t) { return int64_t(0); }, RecordKind::none);
    for (const Case& c : cases) {
        hostSettings()[L"snipLeaf/PenColor"] = c.penColor;
        hostSettings()[L"snipLeaf/BrushColor"] = c.brushColor;
        hostSettings()[L"snipLeaf/PenWidth"] = c.penWidth;
        hostSettings()[L"snipLeaf/Transparent"] = c.transparent;
        HWND editor = openFromClipboard(300, 200);
        ASSERT_NE(editor, nullptr);
        hostPumpMessages(50);
        SendMessageW(editor, WM_CLOSE, 0, 0);
        EXPECT_EQ(hostSettings()[L"snipLeaf/PenColor"], c.writtenPen) << c.penWidth;
        EXPECT_EQ(hostSettings()[L"snipLeaf/BrushColor"], c.writtenBrush) << c.penWidth;
        EXPECT_EQ(hostSettings()[L"snipLeaf/PenWidth"], c.writtenWidth) << c.penWidth;
        EXPECT_EQ(hostSettings()[L"snipLeaf/Transparent"], c.writtenTransparent) << c.penWidth;
    }
}

TEST_F(StyleControl, FillCheckBoxAndWidthArrowsReachTheEditor) {
    hostSettings()[L"snipLeaf/BrushColor"] = 0x00336699;
    hostSettings()[L"snipLeaf/PenWidth"] = 14;
    hostRegister(L"WTW/Settings/Read", [](int64_t, int64_t) { return int64_t(0); }, RecordKind::none);
    HWND editor = openFromClipboard(300, 200);
    ASSERT_NE(editor, nullptr);
    hostPumpMessages(50);
    HWND style = childOfClass(editorToolbar(editor), L"StyleControl");
    HWND fill = GetDlgItem(style, 3);
    HWND upDown = GetDlgItem(style, 2);
    ASSERT_TRUE(fill && upDown);
    // The check box's own click, told as the box tells it: under Wine, BM_CLICK
    // left the box unchecked in about one run of twenty, with focus, activation
    // and capture as in the runs where it worked.
    SendMessageW(fill, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(style, WM_COMMAND, MAKEWPARAM(3, BN_CLICKED), LPARAM(fill));
    EXPECT_EQ(uint32_t(uintptr_t(GetPropW(style, L"BRUSHCOLOR"))), 0xFF996633u) << "fill byte set";
    for (int click = 0; click < 3; click++) {
        NMUPDOWN change = {};
        change.hdr.hwndFrom = upDown;
        change.hdr.idFrom = 2;
        change.hdr.code = UDN_DELTAPOS;
        change.iPos = int(LOWORD(SendMessageW(upDown, UDM_GETPOS, 0, 0)));
        change.iDelta = 1;
        if (SendMessageW(style, WM_NOTIFY, 2, LPARAM(&change)) == 0)
            SendMessageW(upDown, UDM_SETPOS, 0, std::min(change.iPos + 1, 15));
    }
    SendMessageW(editor, WM_CLOSE, 0, 0);
    EXPECT_EQ(hostSettings()[L"snipLeaf/BrushColor"], int32_t(0xFF336699));
    EXPECT_EQ(hostSettings()[L"snipLeaf/Transparent"], 1);
    EXPECT_EQ(hostSettings()[L"snipLeaf/PenWidth"], 15) << "the up arrow stops at 15";
}

// The style control and the settings give pen widths of 1 to 15 only.
TEST(ClampPenWidth, KeepsOneToFifteen) {
    struct Case {
        int32_t width, kept;
    };
    static const Case cases[] = {
        {int32_t(0x80000000), 1}, {-3, 1}, {0, 1}, {1, 1}, {2, 2}, {14, 14}, {15, 15}, {16, 15}, {0x7FFFFFFF, 15},
    };
    for (const Case& c : cases)
        EXPECT_EQ(clampPenWidth(c.width), c.kept) << c.width;
}
