// Encoder look-up and, later, the crop-and-save of a region and the naming of
// temporary picture files.
#include "encoding.h"

#include <cstdlib>
#include <cwchar>

#include "../image/gdiplusFlat.h"

CLSID pngEncoderClsid = {};
CLSID jpegEncoderClsid = {};

// The last encoder in GDI+'s list that carries the MIME type wins; none leaves
// the all-zero identity, with which later saves are still attempted.
CLSID findEncoderClsid(const wchar_t* mimeType) {
    CLSID result = {};
    CLSIDFromString(L"{00000000-0000-0000-0000-000000000000}", &result);
    UINT count = 0;
    UINT bytes = 0;
    if (Gdiplus::DllExports::GdipGetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0)
        return result;
    auto* codecs = static_cast<Gdiplus::ImageCodecInfo*>(std::malloc(bytes));
    if (!codecs)
        return result;
    if (Gdiplus::DllExports::GdipGetImageEncoders(count, bytes, codecs) == Gdiplus::Ok) {
        for (UINT i = 0; i < count; i++) {
            if (codecs[i].MimeType && std::wcscmp(codecs[i].MimeType, mimeType) == 0)
                result = codecs[i].Clsid;
        }
    }
    std::free(codecs);
    return result;
}

void lookUpEncoders() {
    pngEncoderClsid = findEncoderClsid(L"image/png");
    jpegEncoderClsid = findEncoderClsid(L"image/jpeg");
}
