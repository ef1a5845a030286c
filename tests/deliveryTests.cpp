// Delivery against the stand-in host and plug-ins, linked directly: the JPEG
// parameter block, temporary names, crop-and-save with real GDI+ files, the
// network send with its fall-back and messages, and the two hand-offs. The
// editor is a real record: a GDI+ bitmap of known pixels, a real window and a
// real trackbar; message boxes are really shown and read through a CBT hook.
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <memory>

#include "delivery/encoding.h"
#include "delivery/handOff.h"
#include "delivery/sending.h"
#include "editor/editorWindow.h"
#include "host/standInPlugins.h"
#include "plugin/hostBridge.h"
#include "testSupport.h"

using namespace Gdiplus::DllExports;

namespace {

constexpr int64_t resultUnexpected = int64_t(int32_t(0x8000FFFF));
constexpr int64_t resultOutOfMemory = int64_t(int32_t(0x8007000E));
constexpr int64_t resultFail = int64_t(int32_t(0x80004005));

constexpr int32_t pictureWidth = 64;
constexpr int32_t pictureHeight = 48;

const wchar_t* const emptySelectionText =
    L"Brak zaznaczonego obszaru.\r\nZaznaczenia dokonuje się przez przesunięcie kursora,\r\n"
    L"równocześnie trzymając lewy lub prawy przycisk myszy.";
const wchar_t* const saveFailedText = L"Nie udało się zapisać obrazka.";

// Opaque and different in every pixel of the picture.
uint32_t patternPixel(int32_t x, int32_t y) {
    return 0xFF000000u | uint32_t((x * 5) & 0xFF) << 16 | uint32_t((y * 9) & 0xFF) << 8 |
           uint32_t((x * 3 + y * 7 + 1) & 0xFF);
}

GpBitmap* patternBitmap(int32_t width, int32_t height) {
    GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, &bitmap) != Gdiplus::Ok)
        return nullptr;
    for (int32_t y = 0; y < height; y++) {
        for (int32_t x = 0; x < width; x++)
            GdipBitmapSetPixel(bitmap, x, y, patternPixel(x, y));
    }
    return bitmap;
}

ImageHolder* newHolder(GpBitmap* bitmap) {
    auto* holder = static_cast<ImageHolder*>(std::calloc(1, sizeof(ImageHolder)));
    holder->bitmap = bitmap;
    return holder;
}

std::vector<uint8_t> fileBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool fileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> filesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

bool isPng(const std::vector<uint8_t>& bytes) {
    static const uint8_t magic[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return bytes.size() > sizeof(magic) && std::memcmp(bytes.data(), magic, sizeof(magic)) == 0;
}

bool isJpeg(const std::vector<uint8_t>& bytes) {
    return bytes.size() > 2 && bytes[0] == 0xFF && bytes[1] == 0xD8;
}

// Every pixel of the picture file equals the pattern's pixel at its place in
// the region (left, top) onwards, and the file is width x height.
::testing::AssertionResult holdsPatternRegion(const std::vector<uint8_t>& bytes, const std::wstring& scratch,
                                              int32_t left, int32_t top, int32_t width, int32_t height) {
    {
        std::ofstream out(scratch.c_str(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    GpBitmap* loaded = nullptr;
    if (GdipCreateBitmapFromFile(scratch.c_str(), &loaded) != Gdiplus::Ok)
        return ::testing::AssertionFailure() << "not a picture file";
    UINT w = 0;
    UINT h = 0;
    GdipGetImageWidth(loaded, &w);
    GdipGetImageHeight(loaded, &h);
    ::testing::AssertionResult result = ::testing::AssertionSuccess();
    if (int32_t(w) != width || int32_t(h) != height)
        result = ::testing::AssertionFailure() << "size " << w << "x" << h;
    for (int32_t y = 0; result && y < height; y++) {
        for (int32_t x = 0; result && x < width; x++) {
            Gdiplus::ARGB pixel = 0;
            GdipBitmapGetPixel(loaded, x, y, &pixel);
            if (pixel != patternPixel(left + x, top + y))
                result = ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") is " << std::hex << pixel;
        }
    }
    GdipDisposeImage(loaded);
    return result;
}

// A temporary name: the folder, a number of seconds between from and to, the extension.
::testing::AssertionResult isTempName(const std::wstring& name, const std::wstring& folder, int64_t from,
                                      int64_t to, const std::wstring& extension) {
    if (name.size() <= folder.size() + extension.size() || name.compare(0, folder.size(), folder) != 0 ||
        name.compare(name.size() - extension.size(), extension.size(), extension) != 0)
        return ::testing::AssertionFailure() << "name " << ::testing::PrintToString(name);
    std::wstring middle = name.substr(folder.size(), name.size() - folder.size() - extension.size());
    if (middle.find_first_not_of(L"0123456789") != std::wstring::npos)
        return ::testing::AssertionFailure() << "middle part " << ::testing::PrintToString(middle);
    int64_t seconds = _wtoi64(middle.c_str());
    if (seconds < from || seconds > to)
        return ::testing::AssertionFailure() << "time " << seconds;
    return ::testing::AssertionSuccess();
}

LRESULT CALLBACK ownerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

const wchar_t* ownerClassName() {
    static const wchar_t* name = [] {
        WNDCLASSEXW record = {};
        record.cbSize = sizeof(record);
        record.lpfnWndProc = ownerWindowProc;
        record.hInstance = GetModuleHandleW(nullptr);
        record.lpszClassName = L"deliveryTestOwner";
        RegisterClassExW(&record);
        return L"deliveryTestOwner";
    }();
    return name;
}

std::wstring netFunction(const HostContact& contact) {
    return contact.netClass + L"/" + std::to_wstring(contact.netId) + L"/PFSendPicture";
}

std::vector<std::wstring> deliveryFunctions() {
    std::vector<std::wstring> names;
    for (const Delivery& delivery : hostDeliveries())
        names.push_back(delivery.function);
    return names;
}

// The editor as the delivery commands find it: the global record with a
// pattern picture, a window, a slider at a position and copies of contacts.
class EditorFixture : public ::testing::Test {
protected:
    void SetUp() override {
        hostReset(freshHostConfig());
        hostTable = hostFunctionTable();
        hostClearDeliveries();
        tempFolder = freshFolder(L"temp");
        scratchFolder = freshFolder(L"scratch");
        GetEnvironmentVariableW(L"TMP", savedTmp, DWORD(std::size(savedTmp)));
        SetEnvironmentVariableW(L"TMP", tempFolder.c_str());
        lookUpEncoders();
        answers = std::make_unique<DialogAnswers>();
        openEditorFor({});
    }
    void TearDown() override {
        answers.reset();
        closeEditor();
        editorState = {};
        hostTable = nullptr;
        SetEnvironmentVariableW(L"TMP", savedTmp[0] ? savedTmp : nullptr);
    }

    // Replaces the editor's state by a fresh one for these contacts.
    void openEditorFor(const std::vector<HostContact>& chosen, int32_t sliderPosition = 0) {
        closeEditor();
        contacts = chosen;
        editorState = {};
        EditorState& s = editorState;
        s.picture = newHolder(patternBitmap(pictureWidth, pictureHeight));
        s.window = CreateWindowExW(0, ownerClassName(), L"Image", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                                   nullptr, GetModuleHandleW(nullptr), nullptr);
        s.qualitySlider = CreateWindowExW(0, TRACKBAR_CLASSW, L"", WS_CHILD, 0, 0, 100, 20, s.window, nullptr,
                                          GetModuleHandleW(nullptr), nullptr);
        SendMessageW(s.qualitySlider, TBM_SETRANGE, TRUE, MAKELPARAM(0, 4));
        SendMessageW(s.qualitySlider, TBM_SETPOS, TRUE, sliderPosition);
        s.contactCount = int32_t(contacts.size());
        s.contacts = static_cast<ContactRecord*>(std::malloc(sizeof(ContactRecord) * (contacts.size() + 1)));
        for (size_t i = 0; i < contacts.size(); i++)
            s.contacts[i] = hostContactRecord(contacts[i]);
        // As the editor opens: the selection is the whole primary screen.
        s.startX = 0;
        s.startY = 0;
        s.endX = 1280;
        s.endY = 1024;
        hostClearJournal();
        hostClearDeliveries();
    }
    void select(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
        editorState.startX = x1;
        editorState.startY = y1;
        editorState.endX = x2;
        editorState.endY = y2;
    }
    bool editorClosed() const {
        return !editorState.window && !editorState.picture && !editorState.contacts && editorState.contactCount == 0;
    }
    bool editorOpen() const { return editorState.window && IsWindow(editorState.window) && editorState.picture; }
    std::wstring scratch(const wchar_t* name) const { return scratchFolder + name; }

    std::vector<HostContact> contacts;
    std::unique_ptr<DialogAnswers> answers;
    std::wstring tempFolder;
    std::wstring scratchFolder;
    wchar_t savedTmp[MAX_PATH] = {};
};

const HostContact contactA = {L"GG", 1, 1001, 2};
const HostContact contactB = {L"JABBER", 2, 2002, 2};
const HostContact contactC = {L"NET", 3, 3003, 2};

}  // namespace

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

// --- one host call -----------------------------------------------------------------

class SendPicture : public EditorFixture {};

TEST_F(SendPicture, RecordCarriesSizeContactAndName) {
    hostAddPictureTransfer(contactA, {0});
    ContactRecord contact = hostContactRecord(contactA);
    std::memset(contact.hostData0, 0xA5, sizeof(contact.hostData0));
    std::memset(contact.hostData1, 0x5A, sizeof(contact.hostData1));
    std::wstring path = scratch(L"sent.png");
    ASSERT_TRUE(saveRegion(editorState.picture, path.c_str(), 0, 0, 0, 64, 48));
    EXPECT_EQ(sendPicture(path.c_str(), &contact), 0);
    ASSERT_EQ(hostDeliveries().size(), 1u);
    const Delivery& delivery = hostDeliveries()[0];
    ASSERT_EQ(delivery.record.size(), 72u);
    EXPECT_EQ(readAt<uint32_t>(delivery.record, 0), 72u);
    EXPECT_TRUE(zeroBetween(delivery.record, 4, 8));
    EXPECT_EQ(std::memcmp(delivery.record.data() + 8, &contact, sizeof(contact)), 0);
    EXPECT_EQ(readAt<const wchar_t*>(delivery.record, 64), path.c_str());
    EXPECT_EQ(delivery.fileName, path);
    EXPECT_TRUE(delivery.fileFound);
    EXPECT_EQ(delivery.fileBytes, fileBytes(path));
    std::vector<JournalEntry> calls = callsOf(netFunction(contactA));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].lParam, 0);
}

TEST_F(SendPicture, FunctionNamedByNetClassAndId) {
    struct Case {
        HostContact contact;
        const wchar_t* function;
    };
    const Case cases[] = {
        {{L"NET", 2, 1, 2}, L"NET/2/PFSendPicture"},
        {{L"GG", -1, 1, 2}, L"GG/-1/PFSendPicture"},
        {{L"ŁĄCZE", 0, 1, 2}, L"ŁĄCZE/0/PFSendPicture"},
    };
    for (const Case& c : cases) {
        hostClearJournal();
        ContactRecord contact = hostContactRecord(c.contact);
        sendPicture(L"C:\\x.png", &contact);
        EXPECT_EQ(hostCallNames(), std::vector<std::wstring>{c.function});
    }
}

TEST_F(SendPicture, AnswersTheHostsWholeResult) {
    for (int64_t answer : {int64_t(0), resultUnexpected, resultOutOfMemory, int64_t(0x123456789LL)}) {
        hostAddPictureTransfer(contactA, {answer});
        ContactRecord contact = hostContactRecord(contactA);
        EXPECT_EQ(sendPicture(L"C:\\x.png", &contact), answer);
    }
}

TEST_F(SendPicture, NameThatDoesNotFitIsNotCalled) {
    std::wstring longClass(600, L'N');
    ContactRecord contact = hostContactRecord(contactA);
    contact.netClass = longClass.c_str();
    hostClearJournal();
    EXPECT_EQ(sendPicture(L"C:\\x.png", &contact), resultFail);
    EXPECT_TRUE(hostJournal().empty());
}

TEST_F(SendPicture, WithoutHostTableNothingIsCalled) {
    hostTable = nullptr;
    ContactRecord contact = hostContactRecord(contactA);
    EXPECT_EQ(sendPicture(L"C:\\x.png", &contact), resultFail);
    EXPECT_TRUE(hostJournal().empty());
}

// --- the decisions of the send ---------------------------------------------------------

TEST(SendDecisions, FirstAttemptOutcomeAndMessage) {
    struct Case {
        int64_t result;
        SendOutcome outcome;
        NotSentMessage message;
    };
    static const Case cases[] = {
        {0, SendOutcome::delivered, messageUnknownError},
        {resultOutOfMemory, SendOutcome::fallBack, messageUnknownError},
        {resultUnexpected, SendOutcome::failed, messageNotSupported},
        {int64_t(0x100000000LL) | int64_t(uint32_t(0x8000FFFF)), SendOutcome::failed, messageNotSupported},
        {int64_t(0x0000000100000000LL), SendOutcome::delivered, messageUnknownError},
        {resultFail, SendOutcome::failed, messageUnknownError},
        {1, SendOutcome::failed, messageUnknownError},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(firstAttemptOutcome(c.result), c.outcome) << std::hex << c.result;
        if (c.outcome == SendOutcome::failed) {
            EXPECT_EQ(firstAttemptMessage(c.result), c.message) << std::hex << c.result;
        }
    }
}

TEST(SendDecisions, FallbackRunsFromJpeg80ToJpeg10) {
    std::vector<int32_t> levels;
    for (int32_t level = levelBestJpeg; level <= levelWorstJpeg; level = nextFallbackLevel(level))
        levels.push_back(level);
    EXPECT_EQ(levels, (std::vector<int32_t>{1, 2, 3, 4}));
    std::vector<uint32_t> qualities;
    for (int32_t level : levels)
        qualities.push_back(jpegQualityFor(level));
    EXPECT_EQ(qualities, (std::vector<uint32_t>{80, 60, 40, 10}));
}

TEST(SendDecisions, FallbackStepPerResultAndLevel) {
    struct Case {
        int64_t result;
        int32_t level;
        FallbackStep step;
    };
    static const Case cases[] = {
        {0, 1, FallbackStep::delivered},          {0, 4, FallbackStep::delivered},
        {resultOutOfMemory, 1, FallbackStep::nextLevel}, {resultOutOfMemory, 3, FallbackStep::nextLevel},
        {resultOutOfMemory, 4, FallbackStep::tooLarge},  {resultUnexpected, 2, FallbackStep::failed},
        {resultFail, 1, FallbackStep::failed},           {7, 4, FallbackStep::failed},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fallbackStep(c.result, c.level), c.step) << std::hex << c.result << " " << c.level;
}

TEST(SendDecisions, MessageTexts) {
    struct Case {
        NotSentMessage message;
        const wchar_t* text;
    };
    const Case cases[] = {
        {messageEmptySelection, emptySelectionText},
        {messageNotSupported, L"Kontakt nie obsługuje odbioru obrazków"},
        {messageUnknownError, L"Nieznany błąd przy wysyłaniu"},
        {messageTooLarge, L"Obrazek jest zbyt duży"},
        {messageFallbackError, L"Błąd przy wysyłaniu w gorszej jakości"},
        {messageSaveFailed, saveFailedText},
    };
    for (const Case& c : cases)
        EXPECT_EQ(std::wstring(notSentText(c.message)), c.text);
}

// --- command 11: send the selection --------------------------------------------------

class SendSelection : public EditorFixture {};

TEST_F(SendSelection, FirstContactThatAcceptsEndsTheSend) {
    openEditorFor({contactA, contactB, contactC});
    for (const HostContact& contact : contacts)
        hostAddPictureTransfer(contact, {0});
    select(10, 5, 40, 30);
    int64_t before = _time64(nullptr);
    EXPECT_TRUE(sendRegionToContacts(editorState));
    int64_t after = _time64(nullptr);
    EXPECT_EQ(deliveryFunctions(), std::vector<std::wstring>{L"GG/1/PFSendPicture"});
    EXPECT_TRUE(answers->shown.empty());
    EXPECT_TRUE(editorClosed());
    const Delivery& delivery = hostDeliveries()[0];
    EXPECT_TRUE(isTempName(delivery.fileName, tempFolder, before, after, L".png"));
    ASSERT_TRUE(delivery.fileFound);
    EXPECT_TRUE(isPng(delivery.fileBytes));
    EXPECT_TRUE(holdsPatternRegion(delivery.fileBytes, scratch(L"check.png"), 10, 5, 30, 25));
    // The plug-in never deletes its temporary files.
    EXPECT_TRUE(fileExists(delivery.fileName));
}

TEST_F(SendSelection, EachFirstAttemptResultHasItsMessage) {
    struct Case {
        int64_t result;
        const wchar_t* text;
    };
    static const Case cases[] = {
        {resultUnexpected, L"Kontakt nie obsługuje odbioru obrazków"},
        {int64_t(0x100000000LL) | int64_t(uint32_t(0x8000FFFF)), L"Kontakt nie obsługuje odbioru obrazków"},
        {resultFail, L"Nieznany błąd przy wysyłaniu"},
        {1, L"Nieznany błąd przy wysyłaniu"},
    };
    for (const Case& c : cases) {
        openEditorFor({contactA});
        hostAddPictureTransfer(contactA, {c.result});
        hostClearDeliveries();
        answers->shown.clear();
        EXPECT_TRUE(sendRegionToContacts(editorState));
        EXPECT_EQ(hostDeliveries().size(), 1u);
        ASSERT_EQ(answers->shown.size(), 1u);
        EXPECT_EQ(answers->shown[0].caption, L"Obrazek nie wysłany");
        EXPECT_EQ(answers->shown[0].text, c.text);
        EXPECT_EQ(answers->shown[0].owner, editorState.window);
        EXPECT_TRUE(answers->shown[0].errorIcon);
        EXPECT_TRUE(answers->shown[0].onlyOk);
        EXPECT_TRUE(editorOpen());
    }
}

TEST_F(SendSelection, RefusalIsToldBeforeTheNextContactIsTried) {
    openEditorFor({contactA, contactB});
    hostAddPictureTransfer(contactA, {resultUnexpected});
    hostAddPictureTransfer(contactB, {0});
    EXPECT_TRUE(sendRegionToContacts(editorState));
    EXPECT_EQ(deliveryFunctions(), (std::vector<std::wstring>{L"GG/1/PFSendPicture", L"JABBER/2/PFSendPicture"}));
    ASSERT_EQ(answers->shown.size(), 1u);
    EXPECT_EQ(answers->shown[0].text, L"Kontakt nie obsługuje odbioru obrazków");
    EXPECT_EQ(answers->shown[0].deliveriesBefore, 1u);
    EXPECT_EQ(hostDeliveries()[0].fileName, hostDeliveries()[1].fileName);
    EXPECT_TRUE(editorClosed());
}

TEST_F(SendSelection, FallbackDeliversAtJpeg40) {
    openEditorFor({contactA, contactB});
    hostAddPictureTransfer(contactA, {resultOutOfMemory, resultOutOfMemory, resultOutOfMemory, 0});
    hostAddPictureTransfer(contactB, {0});
    select(0, 0, 64, 48);
    int64_t before = _time64(nullptr);
    EXPECT_TRUE(sendRegionToContacts(editorState));
    int64_t after = _time64(nullptr);
    ASSERT_EQ(deliveryFunctions(), std::vector<std::wstring>(4, L"GG/1/PFSendPicture"));
    const std::vector<Delivery>& d = hostDeliveries();
    EXPECT_TRUE(isTempName(d[0].fileName, tempFolder, before, after, L".png"));
    EXPECT_TRUE(isPng(d[0].fileBytes));
    for (size_t i = 1; i < 4; i++) {
        EXPECT_TRUE(isTempName(d[i].fileName, tempFolder, before, after, L".jpg")) << i;
        EXPECT_EQ(d[i].fileName, d[1].fileName) << i;
        EXPECT_TRUE(isJpeg(d[i].fileBytes)) << i;
    }
    EXPECT_TRUE(answers->shown.empty());
    EXPECT_TRUE(editorClosed());
}

TEST_F(SendSelection, FiveTimesTooLargeIsTooLarge) {
    openEditorFor({contactA});
    hostAddPictureTransfer(contactA, std::vector<int64_t>(5, resultOutOfMemory));
    EXPECT_TRUE(sendRegionToContacts(editorState));
    EXPECT_EQ(hostDeliveries().size(), 5u);
    ASSERT_EQ(shownTexts(*answers), std::vector<std::wstring>{L"Obrazek jest zbyt duży"});
    EXPECT_EQ(answers->shown[0].deliveriesBefore, 5u);
    EXPECT_TRUE(editorOpen());
}

TEST_F(SendSelection, UnexpectedInsideFallbackIsAFallbackError) {
    openEditorFor({contactA});
    hostAddPictureTransfer(contactA, {resultOutOfMemory, resultUnexpected});
    EXPECT_TRUE(sendRegionToContacts(editorState));
    EXPECT_EQ(hostDeliveries().size(), 2u);
    EXPECT_EQ(shownTexts(*answers), std::vector<std::wstring>{L"Błąd przy wysyłaniu w gorszej jakości"});
    EXPECT_TRUE(editorOpen());
}

TEST_F(SendSelection, LaterContactsGetTheFallbackFile) {
    openEditorFor({contactA, contactB});
    hostAddPictureTransfer(contactA, std::vector<int64_t>(5, resultOutOfMemory));
    hostAddPictureTransfer(contactB, {0});
    EXPECT_TRUE(sendRegionToContacts(editorState));
    ASSERT_EQ(hostDeliveries().size(), 6u);
    EXPECT_EQ(hostDeliveries()[5].function, L"JABBER/2/PFSendPicture");
    EXPECT_EQ(hostDeliveries()[5].fileName, hostDeliveries()[4].fileName);
    EXPECT_TRUE(isJpeg(hostDeliveries()[5].fileBytes));
    EXPECT_EQ(shownTexts(*answers), std::vector<std::wstring>{L"Obrazek jest zbyt duży"});
    EXPECT_TRUE(editorClosed());
}

TEST_F(SendSelection, SliderChoosesTheFirstFilesFormat) {
    openEditorFor({contactA}, 2);
    hostAddPictureTransfer(contactA, {0});
    int64_t before = _time64(nullptr);
    EXPECT_TRUE(sendRegionToContacts(editorState));
    int64_t after = _time64(nullptr);
    ASSERT_EQ(hostDeliveries().size(), 1u);
    EXPECT_TRUE(isTempName(hostDeliveries()[0].fileName, tempFolder, before, after, L".jpg"));
    EXPECT_TRUE(isJpeg(hostDeliveries()[0].fileBytes));
}

TEST_F(SendSelection, EmptySelectionIsToldAndNothingSaved) {
    struct Case {
        int32_t x1, y1, x2, y2;
    };
    static const Case cases[] = {{5, 5, 5, 40}, {5, 5, 40, 5}, {0, 0, 0, 0}, {100, 100, 200, 200}, {64, 0, 90, 48}};
    for (const Case& c : cases) {
        openEditorFor({contactA});
        hostAddPictureTransfer(contactA, {0});
        answers->shown.clear();
        select(c.x1, c.y1, c.x2, c.y2);
        EXPECT_TRUE(sendRegionToContacts(editorState));
        EXPECT_TRUE(hostDeliveries().empty());
        ASSERT_EQ(answers->shown.size(), 1u);
        EXPECT_EQ(answers->shown[0].caption, L"Obrazek nie wysłany");
        EXPECT_EQ(answers->shown[0].text, emptySelectionText);
        EXPECT_TRUE(filesIn(tempFolder).empty());
        EXPECT_TRUE(editorOpen());
    }
}

TEST_F(SendSelection, SelectionBeyondThePictureIsCut) {
    struct Case {
        int32_t x1, y1, x2, y2;
        int32_t left, top, width, height;
    };
    static const Case cases[] = {{0, 0, 1280, 1024, 0, 0, 64, 48}, {30, 20, 100, 100, 30, 20, 34, 28},
                                 {100, 100, 30, 20, 30, 20, 34, 28}};
    for (const Case& c : cases) {
        openEditorFor({contactA});
        hostAddPictureTransfer(contactA, {0});
        hostClearDeliveries();
        select(c.x1, c.y1, c.x2, c.y2);
        EXPECT_TRUE(sendRegionToContacts(editorState));
        ASSERT_EQ(hostDeliveries().size(), 1u);
        EXPECT_TRUE(holdsPatternRegion(hostDeliveries()[0].fileBytes, scratch(L"check.png"), c.left, c.top,
                                       c.width, c.height));
        EXPECT_TRUE(editorClosed());
    }
}

TEST_F(SendSelection, UnwritableFolderIsAFailedSave) {
    openEditorFor({contactA});
    hostAddPictureTransfer(contactA, {0});
    std::wstring missing = tempFolder + L"missing\\";
    SetEnvironmentVariableW(L"TMP", missing.c_str());
    EXPECT_TRUE(sendRegionToContacts(editorState));
    EXPECT_TRUE(hostDeliveries().empty());
    ASSERT_EQ(shownTexts(*answers), std::vector<std::wstring>{saveFailedText});
    EXPECT_EQ(answers->shown[0].caption, L"Obrazek nie wysłany");
    EXPECT_TRUE(editorOpen());
}

TEST_F(SendSelection, NameThatDoesNotFitIsAFailedSave) {
    openEditorFor({contactA});
    hostAddPictureTransfer(contactA, {0});
    std::wstring longFolder = L"C:\\" + std::wstring(250, L'd') + L"\\";
    SetEnvironmentVariableW(L"TMP", longFolder.c_str());
    EXPECT_TRUE(sendRegionToContacts(editorState));
    EXPECT_TRUE(hostDeliveries().empty());
    EXPECT_EQ(shownTexts(*answers), std::vector<std::wstring>{saveFailedText});
    EXPECT_TRUE(editorOpen());
}

TEST_F(SendSelection, FallbackThatCannotSaveStopsTheCommand) {
    openEditorFor({contactA, contactB});
    std::wstring missing = tempFolder + L"missing\\";
    // The first attempt's file is written; the folder then goes before the fall-back.
    hostAddPictureTransfer(contactA, {resultOutOfMemory});
    hostAddPictureTransfer(contactB, {0});
    hostRegister(L"GG/1/PFSendPicture", [missing](int64_t, int64_t) {
        SetEnvironmentVariableW(L"TMP", missing.c_str());
        return resultOutOfMemory;
    });
    EXPECT_TRUE(sendRegionToContacts(editorState));
    EXPECT_EQ(hostCallNames(), std::vector<std::wstring>{L"GG/1/PFSendPicture"});
    EXPECT_EQ(shownTexts(*answers), std::vector<std::wstring>{saveFailedText});
    EXPECT_TRUE(editorOpen());
}

TEST_F(SendSelection, NoRecipientsEndsSilentlyAfterSaving) {
    struct Case {
        bool table;
        bool contacts;
        int32_t count;
    };
    static const Case cases[] = {{false, true, 1}, {true, false, 1}, {true, true, 0}};
    int n = 0;
    for (const Case& c : cases) {
        openEditorFor({contactA});
        hostAddPictureTransfer(contactA, {0});
        std::wstring folder = freshFolder(L"silent");
        SetEnvironmentVariableW(L"TMP", folder.c_str());
        if (!c.contacts) {
            std::free(editorState.contacts);
            editorState.contacts = nullptr;
        }
        editorState.contactCount = c.count;
        hostTable = c.table ? hostFunctionTable() : nullptr;
        EXPECT_FALSE(sendRegionToContacts(editorState)) << n;
        hostTable = hostFunctionTable();
        EXPECT_TRUE(hostDeliveries().empty()) << n;
        EXPECT_TRUE(answers->shown.empty()) << n;
        EXPECT_EQ(filesIn(folder).size(), 1u) << n;
        EXPECT_TRUE(editorOpen()) << n;
        n++;
    }
}

TEST_F(SendSelection, NoPictureDoesNothing) {
    openEditorFor({contactA});
    hostAddPictureTransfer(contactA, {0});
    freeImageHolder(editorState.picture);
    editorState.picture = nullptr;
    EXPECT_TRUE(sendRegionToContacts(editorState));
    EXPECT_TRUE(hostDeliveries().empty());
    EXPECT_TRUE(answers->shown.empty());
    EXPECT_TRUE(filesIn(tempFolder).empty());
}

// --- command 12: send the whole picture ------------------------------------------------

class SendWholePicture : public EditorFixture {};

TEST_F(SendWholePicture, SelectionStaysAtTheWholePicture) {
    openEditorFor({contactA});
    hostAddPictureTransfer(contactA, {resultUnexpected});
    select(10, 5, 40, 30);
    EXPECT_TRUE(sendWholePicture(editorState));
    EXPECT_EQ(editorState.startX, 0);
    EXPECT_EQ(editorState.startY, 0);
    EXPECT_EQ(editorState.endX, 64);
    EXPECT_EQ(editorState.endY, 48);
    ASSERT_EQ(hostDeliveries().size(), 1u);
    EXPECT_TRUE(holdsPatternRegion(hostDeliveries()[0].fileBytes, scratch(L"check.png"), 0, 0, 64, 48));
    EXPECT_EQ(shownTexts(*answers), std::vector<std::wstring>{L"Kontakt nie obsługuje odbioru obrazków"});
    EXPECT_TRUE(editorOpen());
}

TEST_F(SendWholePicture, PictureWithoutPixelsIsAnEmptySelection) {
    openEditorFor({contactA});
    hostAddPictureTransfer(contactA, {0});
    GdipDisposeImage(editorState.picture->bitmap);
    editorState.picture->bitmap = nullptr;
    EXPECT_TRUE(sendWholePicture(editorState));
    EXPECT_EQ(editorState.endX, 0);
    EXPECT_EQ(editorState.endY, 0);
    EXPECT_TRUE(hostDeliveries().empty());
    EXPECT_EQ(shownTexts(*answers), std::vector<std::wstring>{emptySelectionText});
}

TEST_F(SendWholePicture, NoPictureLeavesTheSelection) {
    openEditorFor({contactA});
    freeImageHolder(editorState.picture);
    editorState.picture = nullptr;
    select(1, 2, 3, 4);
    EXPECT_TRUE(sendWholePicture(editorState));
    EXPECT_EQ(editorState.endX, 3);
    EXPECT_EQ(editorState.endY, 4);
    EXPECT_TRUE(hostDeliveries().empty());
}

// --- command 13: the file-transfer plug-in -----------------------------------------------

class HandOffToFileTransfer : public EditorFixture {};

TEST_F(HandOffToFileTransfer, EveryContactGetsTheSameFileThenTheEditorCloses) {
    openEditorFor({contactA, contactB, contactC}, 3);
    hostSetFileTransfer(true, resultFail);
    std::vector<ContactRecord> sent(editorState.contacts, editorState.contacts + 3);
    select(10, 5, 40, 30);
    int64_t before = _time64(nullptr);
    EXPECT_TRUE(handOffToFileTransfer(editorState));
    int64_t after = _time64(nullptr);
    std::vector<Delivery> d = hostDeliveriesTo(L"upDeck/sendFile");
    ASSERT_EQ(d.size(), 3u);
    for (size_t i = 0; i < 3; i++) {
        const std::vector<uint8_t>& r = d[i].record;
        ASSERT_EQ(r.size(), 592u);
        EXPECT_EQ(readAt<uint32_t>(r, 0), 592u);
        EXPECT_TRUE(isTempName(d[i].fileName, tempFolder, before, after, L".jpg")) << i;
        EXPECT_EQ(d[i].fileName, d[0].fileName);
        size_t end = 4 + 2 * (d[i].fileName.size() + 1);
        EXPECT_TRUE(zeroBetween(r, end - 2, 528)) << i;
        EXPECT_EQ(std::memcmp(r.data() + 528, &sent[i], sizeof(ContactRecord)), 0) << i;
        EXPECT_TRUE(zeroBetween(r, 584, 592)) << i;
        EXPECT_TRUE(d[i].fileFound);
        EXPECT_TRUE(isJpeg(d[i].fileBytes));
    }
    for (const JournalEntry& call : callsOf(L"upDeck/sendFile"))
        EXPECT_EQ(call.lParam, 0);
    EXPECT_TRUE(answers->shown.empty());
    EXPECT_TRUE(editorClosed());
}

TEST_F(HandOffToFileTransfer, PathOf259UnitsFillsTheField) {
    // 245 units of folder, 10 digits of seconds and ".png" make 259.
    std::wstring folder = tempFolder;
    std::wstring filler(245 - folder.size() - 1, L'p');
    folder += filler + L"\\";
    ASSERT_EQ(folder.size(), 245u);
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    SetEnvironmentVariableW(L"TMP", folder.c_str());
    ASSERT_EQ(std::to_wstring(_time64(nullptr)).size(), 10u);
    openEditorFor({contactA});
    hostSetFileTransfer(true);
    EXPECT_TRUE(handOffToFileTransfer(editorState));
    std::vector<Delivery> d = hostDeliveriesTo(L"upDeck/sendFile");
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].fileName.size(), 259u);
    EXPECT_TRUE(d[0].fileFound);
    for (size_t unit = 0; unit < 259; unit++)
        EXPECT_NE(readAt<wchar_t>(d[0].record, 4 + 2 * unit), L'\0') << unit;
    EXPECT_EQ(readAt<wchar_t>(d[0].record, 522), L'\0');
    EXPECT_TRUE(zeroBetween(d[0].record, 522, 528));
}

TEST_F(HandOffToFileTransfer, EmptyOrFailedSaveKeepsTheEditorOpen) {
    struct Case {
        int32_t x1, y1, x2, y2;
        bool unwritable;
        const wchar_t* text;
    };
    const Case cases[] = {
        {5, 5, 5, 40, false, emptySelectionText},
        {100, 100, 200, 200, false, emptySelectionText},
        {0, 0, 64, 48, true, saveFailedText},
    };
    for (const Case& c : cases) {
        openEditorFor({contactA});
        hostSetFileTransfer(true);
        answers->shown.clear();
        select(c.x1, c.y1, c.x2, c.y2);
        std::wstring folder = c.unwritable ? tempFolder + L"missing\\" : tempFolder;
        SetEnvironmentVariableW(L"TMP", folder.c_str());
        EXPECT_TRUE(handOffToFileTransfer(editorState));
        EXPECT_TRUE(hostDeliveries().empty());
        ASSERT_EQ(shownTexts(*answers), std::vector<std::wstring>{c.text});
        EXPECT_EQ(answers->shown[0].caption, L"Obrazek nie wysłany");
        EXPECT_TRUE(editorOpen());
    }
}

TEST_F(HandOffToFileTransfer, SelectionBeyondThePictureIsCut) {
    openEditorFor({contactA});
    hostSetFileTransfer(true);
    EXPECT_TRUE(handOffToFileTransfer(editorState));
    std::vector<Delivery> d = hostDeliveriesTo(L"upDeck/sendFile");
    ASSERT_EQ(d.size(), 1u);
    EXPECT_TRUE(holdsPatternRegion(d[0].fileBytes, scratch(L"check.png"), 0, 0, 64, 48));
}

// --- command 14: the image-hosting plug-in ------------------------------------------------

class HandOffToImageHosting : public EditorFixture {};

TEST_F(HandOffToImageHosting, RecordCarriesNameAndContactFields) {
    openEditorFor({contactA, contactB, contactC});
    hostSetImageHosting(true);
    std::vector<ContactRecord> sent(editorState.contacts, editorState.contacts + 3);
    int64_t before = _time64(nullptr);
    EXPECT_TRUE(handOffToImageHosting(editorState));
    int64_t after = _time64(nullptr);
    std::vector<Delivery> d = hostDeliveriesTo(L"wtwImageShack/sendImage");
    ASSERT_EQ(d.size(), 3u);
    for (size_t i = 0; i < 3; i++) {
        const std::vector<uint8_t>& r = d[i].record;
        ASSERT_EQ(r.size(), 32u);
        EXPECT_TRUE(isTempName(d[i].fileName, tempFolder, before, after, L".png")) << i;
        EXPECT_EQ(readAt<uint64_t>(r, 8), contacts[i].contactId) << i;
        EXPECT_EQ(readAt<const wchar_t*>(r, 16), sent[i].netClass) << i;
        EXPECT_EQ(readAt<int32_t>(r, 24), contacts[i].netId) << i;
        EXPECT_TRUE(zeroBetween(r, 28, 32)) << i;
        EXPECT_EQ(readAt<const wchar_t*>(r, 0), readAt<const wchar_t*>(d[0].record, 0));
        EXPECT_TRUE(holdsPatternRegion(d[i].fileBytes, scratch(L"check.png"), 0, 0, 64, 48));
    }
    EXPECT_TRUE(editorClosed());
}

TEST_F(HandOffToImageHosting, EditorClosesWhateverThePluginAnswers) {
    openEditorFor({contactA, contactB});
    hostSetImageHosting(true, resultFail);
    EXPECT_TRUE(handOffToImageHosting(editorState));
    EXPECT_EQ(hostDeliveriesTo(L"wtwImageShack/sendImage").size(), 2u);
    EXPECT_TRUE(answers->shown.empty());
    EXPECT_TRUE(editorClosed());
}

TEST_F(HandOffToImageHosting, EmptySelectionKeepsTheEditorOpen) {
    openEditorFor({contactA});
    hostSetImageHosting(true);
    select(5, 5, 40, 5);
    EXPECT_TRUE(handOffToImageHosting(editorState));
    EXPECT_TRUE(hostDeliveries().empty());
    EXPECT_EQ(shownTexts(*answers), std::vector<std::wstring>{emptySelectionText});
    EXPECT_TRUE(filesIn(tempFolder).empty());
    EXPECT_TRUE(editorOpen());
}

TEST_F(HandOffToImageHosting, ButtonTextNamesTheDomain) {
    EXPECT_EQ(std::wstring(imageHostingButtonText), std::wstring(L"Wyślij na ") + imageHostingDomain);
}

// --- both hand-offs without recipients --------------------------------------------------

class HandOffWithoutRecipients : public EditorFixture {};

TEST_F(HandOffWithoutRecipients, NothingIsSavedCalledOrClosed) {
    struct Case {
        bool (*command)(EditorState&);
        bool table;
        bool contacts;
        int32_t count;
    };
    static const Case cases[] = {
        {handOffToFileTransfer, true, true, 0},  {handOffToImageHosting, true, true, 0},
        {handOffToFileTransfer, false, true, 1}, {handOffToImageHosting, false, true, 1},
        {handOffToFileTransfer, true, false, 1}, {handOffToImageHosting, true, false, 1},
    };
    int n = 0;
    for (const Case& c : cases) {
        openEditorFor({contactA});
        hostSetFileTransfer(true);
        hostSetImageHosting(true);
        if (!c.contacts) {
            std::free(editorState.contacts);
            editorState.contacts = nullptr;
        }
        editorState.contactCount = c.count;
        hostTable = c.table ? hostFunctionTable() : nullptr;
        hostClearJournal();
        EXPECT_FALSE(c.command(editorState)) << n;
        hostTable = hostFunctionTable();
        EXPECT_TRUE(hostJournal().empty()) << n;
        EXPECT_TRUE(hostDeliveries().empty()) << n;
        EXPECT_TRUE(answers->shown.empty()) << n;
        EXPECT_TRUE(filesIn(tempFolder).empty()) << n;
        EXPECT_TRUE(editorOpen()) << n;
        n++;
    }
}

// --- the stand-ins' copy of delivered files ------------------------------------------------

class DeliveredFiles : public EditorFixture {};

TEST_F(DeliveredFiles, AreWrittenNumberedInOrder) {
    openEditorFor({contactA});
    hostAddPictureTransfer(contactA, {resultOutOfMemory, 0});
    EXPECT_TRUE(sendRegionToContacts(editorState));
    ASSERT_EQ(hostDeliveries().size(), 2u);
    std::wstring folder = scratchFolder + L"received";
    std::vector<std::wstring> written = hostSaveDeliveredFiles(folder);
    ASSERT_EQ(written.size(), 2u);
    for (size_t i = 0; i < 2; i++) {
        const std::wstring& name = hostDeliveries()[i].fileName;
        std::wstring expected = folder + L"\\" + std::to_wstring(i + 1) + L"-" + name.substr(name.rfind(L'\\') + 1);
        EXPECT_EQ(written[i], expected);
        EXPECT_EQ(fileBytes(written[i]), hostDeliveries()[i].fileBytes);
    }
}
