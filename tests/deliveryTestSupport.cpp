// Shared set-up of the delivery tests.
#include "deliveryTestSupport.h"

using namespace Gdiplus::DllExports;

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

static LRESULT CALLBACK ownerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
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
