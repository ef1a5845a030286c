// The quality slider through the real DLL: its range, its position kept in
// the settings, and the tooltip text of each level.
#include "editorTestSupport.h"

#include "editor/qualitySlider.h"

namespace {

class QualitySlider : public EditorTest {};

}  // namespace

TEST_F(QualitySlider, SliderNamesEachLevelAndKeepsItsPosition) {
    hostSettings()[L"snipLeaf/DefaultQuality"] = 2;
    hostRegister(L"WTW/Settings/Read", [](int64_t, int64_t) { return int64_t(0); }, RecordKind::none);
    HWND editor = openFromClipboard(400, 300);
    ASSERT_NE(editor, nullptr);
    HWND toolbar = editorToolbar(editor);
    HWND slider = childOfClass(toolbar, TRACKBAR_CLASSW);
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(SendMessageW(slider, TBM_GETRANGEMIN, 0, 0), 0);
    EXPECT_EQ(SendMessageW(slider, TBM_GETRANGEMAX, 0, 0), 4);
    EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 2);
    static const wchar_t* const tips[] = {L"PNG", L"JPEG 80%", L"JPEG 60%", L"JPEG 40%", L"JPEG 10%"};
    for (int position = 0; position < 5; position++) {
        SendMessageW(slider, TBM_SETPOS, TRUE, position);
        NMTTDISPINFOW info = {};
        info.hdr.hwndFrom = reinterpret_cast<HWND>(SendMessageW(slider, TBM_GETTOOLTIPS, 0, 0));
        info.hdr.idFrom = UINT_PTR(slider);
        info.hdr.code = TTN_GETDISPINFOW;
        EXPECT_EQ(SendMessageW(toolbar, WM_NOTIFY, 0, LPARAM(&info)), 0);
        EXPECT_EQ(std::wstring(info.szText), tips[position]);
    }
    NMTTDISPINFOW other = {};
    other.hdr.idFrom = 12345;
    other.hdr.code = TTN_GETDISPINFOW;
    SendMessageW(toolbar, WM_NOTIFY, 0, LPARAM(&other));
    EXPECT_EQ(std::wstring(other.szText), L"") << "other tools' requests are not answered with a level";

    SendMessageW(slider, TBM_SETPOS, TRUE, 3);
    SendMessageW(editor, WM_COMMAND, 15, 0);
    EXPECT_EQ(hostSettings()[L"snipLeaf/DefaultQuality"], 3);
    HWND next = openFromClipboard(100, 100);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(SendMessageW(childOfClass(editorToolbar(next), TRACKBAR_CLASSW), TBM_GETPOS, 0, 0), 3);
}

// The tooltip's text for each position; a position beyond the five levels
// names none of them.
TEST(QualityTipText, EachPositionNamesItsLevel) {
    struct Case {
        int32_t position;
        const wchar_t* text;
    };
    static const Case cases[] = {
        {0, L"PNG"},   {1, L"JPEG 80%"}, {2, L"JPEG 60%"},   {3, L"JPEG 40%"},          {4, L"JPEG 10%"},
        {5, L"Error"}, {-1, L"Error"},   {100, L"Error"}, {int32_t(0x80000000), L"Error"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(std::wstring(qualityTipText(c.position)), c.text) << c.position;
}
