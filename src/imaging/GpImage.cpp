#include "imaging/GpImage.h"

#include "imaging/MvGpException.h"

namespace imaging {

GpImagePtr bitmapFromHbitmap(HBITMAP bitmap) {
    Gdiplus::GpBitmap* image = nullptr;
    Gdiplus::GpStatus status = Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image);
    if (status != Gdiplus::Ok) throw MvGpException(static_cast<int>(status));
    return GpImagePtr(image);
}

}  // namespace imaging
