// The one main of every test executable: GDI+ started and the common controls
// registered for the whole run, as the plug-in has them once it is loaded.
// Built into the test-support library, so it comes along with it.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include "image/gdiplusFlat.h"

namespace {

class GdiplusEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
        InitCommonControls();
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(token); }

private:
    ULONG_PTR token = 0;
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new GdiplusEnvironment);
    return RUN_ALL_TESTS();
}
