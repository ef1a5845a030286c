// Encoding against the real GDI+: the JPEG parameter block, the encoders,
// temporary picture names, the clipped region and crop-and-save with real
// picture files read back pixel by pixel.
#include "deliveryTestSupport.h"

#include "delivery/sending.h"

using namespace Gdiplus::DllExports;

// --- the JPEG parameter block --------------------------------------------------

TEST(JpegParameters, EachJpegLevelAsksItsQuality) {
    struct Case {
        int32_t level;
        ULONG quality;
    };
    static const Case cases[] = {{1, 80}, {2, 60}, {3, 40}, {4, 10}};
    static const GUID encoderQuality = {0x1d5be4b5, 0xfa4a, 0x452d, {0x9c, 0xdd, 0x5d, 0xb3, 0x51, 0x05, 0xe7, 0xeb}};
    for (const Case& c : cases) {
        JpegParameters parameters;
        ASSERT_TRUE(makeJpegParameters(c.level, &parameters)) << c.level;
        EXPECT_EQ(parameters.block.Count, 1u);
        EXPECT_TRUE(IsEqualGUID(parameters.block.Parameter[0].Guid, encoderQuality));
        EXPECT_EQ(parameters.block.Parameter[0].NumberOfValues, 1u);
        EXPECT_EQ(parameters.block.Parameter[0].Type, 4u);
        ASSERT_EQ(parameters.block.Parameter[0].Value, &parameters.quality);
        EXPECT_EQ(*static_cast<const ULONG*>(parameters.block.Parameter[0].Value), c.quality) << c.level;
        EXPECT_EQ(jpegQualityFor(c.level), c.quality);
    }
}

TEST(JpegParameters, OtherLevelsHaveNoBlock) {
    for (int32_t level : {0, 5, -1, 100}) {
        JpegParameters parameters;
        EXPECT_FALSE(makeJpegParameters(level, &parameters)) << level;
        EXPECT_EQ(jpegQualityFor(level), 0u) << level;
    }
}

// --- encoders ------------------------------------------------------------------

TEST(EncoderLookUp, FindsPngAndJpegAfterStart) {
    lookUpEncoders();
    const CLSID none = {};
    EXPECT_FALSE(IsEqualCLSID(pngEncoderClsid, none));
    EXPECT_FALSE(IsEqualCLSID(jpegEncoderClsid, none));
    EXPECT_FALSE(IsEqualCLSID(pngEncoderClsid, jpegEncoderClsid));
    EXPECT_TRUE(IsEqualCLSID(findEncoderClsid(L"image/x-none"), none));
}

// --- temporary names -------------------------------------------------------------

TEST(TempPictureName, JoinsFolderSecondsAndExtension) {
    struct Case {
        const wchar_t* folder;
        int32_t seconds;
        int32_t level;
        const wchar_t* expected;
    };
    static const Case cases[] = {
        {L"C:\\T\\", 1700000000, 0, L"C:\\T\\1700000000.png"},
        {L"C:\\T\\", 1700000000, 1, L"C:\\T\\1700000000.jpg"},
        {L"C:\\T\\", 1700000000, 4, L"C:\\T\\1700000000.jpg"},
        {L"C:\\T\\", 1700000000, 7, L"C:\\T\\1700000000.jpg"},
        {L"C:\\Łódź\\", 5, 0, L"C:\\Łódź\\5.png"},
        // 2038-01-19 03:14:08 UTC: the low 32 bits read negative.
        {L"C:\\T\\", int32_t(int64_t(2147483648LL) - (int64_t(1) << 32)), 0, L"C:\\T\\-2147483648.png"},
    };
    for (const Case& c : cases) {
        wchar_t name[tempNameUnits];
        EXPECT_TRUE(formatTempPictureName(name, std::size(name), c.folder, c.seconds, c.level));
        EXPECT_EQ(std::wstring(name), c.expected);
    }
}

TEST(TempPictureName, LaterNamesOfTheSameSecondAreNumbered) {
    struct Case {
        int32_t level;
        int32_t number;
        const wchar_t* expected;
    };
    static const Case cases[] = {
        {0, 1, L"C:\\T\\1700000000.png"},    {0, 2, L"C:\\T\\1700000000-2.png"},
        {0, 3, L"C:\\T\\1700000000-3.png"},  {1, 2, L"C:\\T\\1700000000-2.jpg"},
        {4, 12, L"C:\\T\\1700000000-12.jpg"}, {0, 1000, L"C:\\T\\1700000000-1000.png"},
    };
    for (const Case& c : cases) {
        wchar_t name[tempNameUnits];
        EXPECT_TRUE(formatTempPictureName(name, std::size(name), L"C:\\T\\", 1700000000, c.level, c.number));
        EXPECT_EQ(std::wstring(name), c.expected);
    }
    // The number counts against the room: 245 units of folder leave none for "-2".
    std::wstring folder = L"C:\\" + std::wstring(241, L'd') + L"\\";
    wchar_t name[tempNameUnits];
    EXPECT_TRUE(formatTempPictureName(name, std::size(name), folder.c_str(), 1700000000, 0, 1));
    EXPECT_FALSE(formatTempPictureName(name, std::size(name), folder.c_str(), 1700000000, 0, 2));
    EXPECT_EQ(name[0], L'\0');
}

TEST(TempPictureName, NameThatDoesNotFitIsRefusedNotCut) {
    // 10 digits and ".png" after the folder: 245 units of folder fill 259.
    std::wstring fits = L"C:\\" + std::wstring(241, L'd') + L"\\";
    ASSERT_EQ(fits.size(), 245u);
    wchar_t name[tempNameUnits];
    EXPECT_TRUE(formatTempPictureName(name, std::size(name), fits.c_str(), 1700000000, 0));
    EXPECT_EQ(std::wcslen(name), 259u);
    std::wstring tooLong = fits + L"x";
    EXPECT_FALSE(formatTempPictureName(name, std::size(name), tooLong.c_str(), 1700000000, 0));
    EXPECT_EQ(name[0], L'\0');
}

TEST(SliderLevel, PositionsOneToFourAreJpegTheRestPng) {
    struct Case {
        int64_t position;
        int32_t level;
    };
    static const Case cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 0}, {-1, 0}, {0x100000003LL, 3},
                                 {0x100000000LL, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(sliderLevel(c.position), c.level) << c.position;
}

class MakeTempPictureName : public EditorFixture {};

TEST_F(MakeTempPictureName, SliderDecidesUnlessLevelOneComesIn) {
    struct Case {
        int32_t slider;
        int32_t levelIn;
        int32_t levelOut;
        const wchar_t* extension;
    };
    static const Case cases[] = {
        {0, 0, 0, L".png"}, {3, 0, 3, L".jpg"}, {0, 1, 1, L".jpg"},
        {4, 2, 4, L".jpg"}, {0, 2, 0, L".png"}, {2, -7, 2, L".jpg"},
    };
    for (const Case& c : cases) {
        SendMessageW(editorState.qualitySlider, TBM_SETPOS, TRUE, c.slider);
        int32_t level = c.levelIn;
        wchar_t name[tempNameUnits] = {};
        int64_t before = _time64(nullptr);
        makeTempPictureName(editorState, name, &level);
        int64_t after = _time64(nullptr);
        EXPECT_EQ(level, c.levelOut) << c.slider << " " << c.levelIn;
        EXPECT_TRUE(isTempName(name, tempFolder, before, after, c.extension));
    }
}

TEST_F(MakeTempPictureName, SameSecondSameLevelGivesTheSameName) {
    for (int attempt = 0; attempt < 3; attempt++) {
        wchar_t first[tempNameUnits] = {};
        wchar_t second[tempNameUnits] = {};
        int32_t level = 0;
        int64_t before = _time64(nullptr);
        makeTempPictureName(editorState, first, &level);
        makeTempPictureName(editorState, second, &level);
        if (_time64(nullptr) != before)
            continue;
        EXPECT_EQ(std::wstring(first), std::wstring(second));
        return;
    }
    FAIL() << "the second changed during every attempt";
}

// Files already there from earlier sends of the same second are never the name.
TEST_F(MakeTempPictureName, TakesTheFirstNameOfTheSecondNoFileHas) {
    struct Case {
        int32_t slider;
        std::vector<std::wstring> present;  // after "<seconds>"
        const wchar_t* expected;
    };
    const Case cases[] = {
        {0, {}, L".png"},
        {0, {L".png"}, L"-2.png"},
        {0, {L".png", L"-2.png"}, L"-3.png"},
        {0, {L".png", L"-3.png"}, L"-2.png"},
        {0, {L".jpg", L"-2.jpg"}, L".png"},
        {2, {L".png", L".jpg"}, L"-2.jpg"},
    };
    for (const Case& c : cases) {
        SendMessageW(editorState.qualitySlider, TBM_SETPOS, TRUE, c.slider);
        bool sameSecond = false;
        for (int attempt = 0; attempt < 3 && !sameSecond; attempt++) {
            emptyFolder(tempFolder);
            int64_t seconds = _time64(nullptr);
            std::wstring stem = tempFolder + std::to_wstring(seconds);
            for (const std::wstring& present : c.present)
                std::ofstream((stem + present).c_str()) << "earlier send";
            wchar_t name[tempNameUnits] = {};
            int32_t level = 0;
            makeTempPictureName(editorState, name, &level);
            if (_time64(nullptr) != seconds)
                continue;
            sameSecond = true;
            EXPECT_EQ(std::wstring(name), stem + c.expected) << c.present.size() << " present";
            for (const std::wstring& present : c.present)
                EXPECT_EQ(fileBytes(stem + present).size(), 12u) << "untouched";
        }
        EXPECT_TRUE(sameSecond) << "the second changed during every attempt";
    }
}

TEST_F(MakeTempPictureName, TooLongTemporaryFolderGivesNoName) {
    std::wstring longFolder = L"C:\\" + std::wstring(250, L'd') + L"\\";
    SetEnvironmentVariableW(L"TMP", longFolder.c_str());
    wchar_t name[tempNameUnits];
    std::wmemset(name, L'x', std::size(name));
    int32_t level = 0;
    makeTempPictureName(editorState, name, &level);
    EXPECT_EQ(name[0], L'\0');
}

// --- regions ---------------------------------------------------------------------

TEST(ClippedRegion, CornersInOrderAndInsideThePicture) {
    struct Case {
        int32_t x1, y1, x2, y2;
        PictureRegion expected;
        bool empty;
    };
    static const Case cases[] = {
        {10, 5, 40, 30, {10, 5, 40, 30}, false},
        {40, 30, 10, 5, {10, 5, 40, 30}, false},
        {40, 5, 10, 30, {10, 5, 40, 30}, false},
        {0, 0, 1280, 1024, {0, 0, 64, 48}, false},
        {30, 20, 100, 100, {30, 20, 64, 48}, false},
        {-5, -5, 10, 10, {0, 0, 10, 10}, false},
        {100, 100, 200, 200, {64, 48, 64, 48}, true},
        {5, 5, 5, 40, {5, 5, 5, 40}, true},
        {5, 5, 40, 5, {5, 5, 40, 5}, true},
    };
    for (const Case& c : cases) {
        PictureRegion r = clippedRegion(c.x1, c.y1, c.x2, c.y2, 64, 48);
        EXPECT_EQ(r.left, c.expected.left);
        EXPECT_EQ(r.top, c.expected.top);
        EXPECT_EQ(r.right, c.expected.right);
        EXPECT_EQ(r.bottom, c.expected.bottom);
        EXPECT_EQ(regionIsEmpty(r), c.empty) << c.x1 << "," << c.y1 << "-" << c.x2 << "," << c.y2;
    }
}

// --- crop and save ---------------------------------------------------------------

class SaveRegion : public EditorFixture {};

TEST_F(SaveRegion, BoundsTestAtThePicturesEdges) {
    struct Case {
        int32_t x1, y1, x2, y2;
        bool saved;
    };
    static const Case cases[] = {
        {0, 0, 64, 48, true}, {64, 48, 0, 0, true}, {0, 0, 65, 48, false},
        {0, 0, 64, 49, false}, {65, 0, 0, 48, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::wstring path = scratch(L"bounds") + std::to_wstring(n++) + L".png";
        EXPECT_EQ(saveRegion(editorState.picture, path.c_str(), 0, c.x1, c.y1, c.x2, c.y2), c.saved) << n;
        EXPECT_EQ(fileExists(path), c.saved) << n;
    }
}

TEST_F(SaveRegion, PngHoldsTheRegionsPixelsInEitherCornerOrder) {
    std::wstring forward = scratch(L"forward.png");
    std::wstring backward = scratch(L"backward.png");
    ASSERT_TRUE(saveRegion(editorState.picture, forward.c_str(), 0, 10, 5, 40, 30));
    ASSERT_TRUE(saveRegion(editorState.picture, backward.c_str(), 0, 40, 30, 10, 5));
    std::vector<uint8_t> bytes = fileBytes(forward);
    EXPECT_TRUE(isPng(bytes));
    EXPECT_TRUE(holdsPatternRegion(bytes, scratch(L"check.png"), 10, 5, 30, 25));
    EXPECT_EQ(fileBytes(backward), bytes);
}

TEST_F(SaveRegion, WholePictureIsSavedWhole) {
    std::wstring path = scratch(L"whole.png");
    ASSERT_TRUE(saveRegion(editorState.picture, path.c_str(), 0, 64, 48, 0, 0));
    EXPECT_TRUE(holdsPatternRegion(fileBytes(path), scratch(L"check.png"), 0, 0, 64, 48));
    // Saved without a crop, yet byte for byte what a crop of all of it gives.
    GpBitmap* crop = nullptr;
    ASSERT_EQ(Gdiplus::DllExports::GdipCloneBitmapAreaI(0, 0, 64, 48, PixelFormatDontCare, editorState.picture->bitmap, &crop), Gdiplus::Ok);
    std::wstring cropped = scratch(L"cropped.png");
    CLSID png = hostPngEncoder();
    ASSERT_EQ(Gdiplus::DllExports::GdipSaveImageToFile(crop, cropped.c_str(), &png, nullptr), Gdiplus::Ok);
    Gdiplus::DllExports::GdipDisposeImage(crop);
    EXPECT_EQ(fileBytes(path), fileBytes(cropped));
}

TEST_F(SaveRegion, JpegLevelsWriteJpegFiles) {
    for (int32_t level = 1; level <= 4; level++) {
        std::wstring path = scratch(L"level") + std::to_wstring(level) + L".jpg";
        ASSERT_TRUE(saveRegion(editorState.picture, path.c_str(), level, 0, 0, 64, 48));
        std::vector<uint8_t> bytes = fileBytes(path);
        EXPECT_TRUE(isJpeg(bytes)) << level;
        EXPECT_FALSE(isPng(bytes)) << level;
    }
}

TEST_F(SaveRegion, UnknownLevelWritesNothingAndSaysSo) {
    for (int32_t level : {5, -1}) {
        std::wstring path = scratch(L"unknown") + std::to_wstring(level + 1) + L".jpg";
        EXPECT_FALSE(saveRegion(editorState.picture, path.c_str(), level, 0, 0, 64, 48)) << level;
        EXPECT_FALSE(fileExists(path)) << level;
    }
}

TEST_F(SaveRegion, FailedWriteIsFalse) {
    std::wstring path = scratchFolder + L"missing\\folder\\x.png";
    EXPECT_FALSE(saveRegion(editorState.picture, path.c_str(), 0, 0, 0, 64, 48));
    EXPECT_FALSE(saveRegion(editorState.picture, path.c_str(), 2, 0, 0, 64, 48));
}

TEST_F(SaveRegion, EmptyRegionOrHolderWritesNothing) {
    std::wstring path = scratch(L"empty.png");
    EXPECT_FALSE(saveRegion(editorState.picture, path.c_str(), 0, 5, 5, 5, 40));
    ImageHolder nothing = {};
    EXPECT_FALSE(saveRegion(&nothing, path.c_str(), 0, 0, 0, 0, 0));
    EXPECT_FALSE(saveRegion(nullptr, path.c_str(), 0, 0, 0, 0, 0));
    EXPECT_FALSE(fileExists(path));
}
