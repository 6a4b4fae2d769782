#pragma once
#include <windows.h>
#include <gdiplus.h>

#include <memory>

namespace imaging {

struct GpImageDeleter {
    void operator()(Gdiplus::GpImage* image) const noexcept { Gdiplus::DllExports::GdipDisposeImage(image); }
};

// One owner for a GDI+ image or bitmap.
using GpImagePtr = std::unique_ptr<Gdiplus::GpImage, GpImageDeleter>;

// A GDI+ bitmap copied from a GDI bitmap (no palette); the GDI bitmap stays
// the caller's. Throws MvGpException with the GDI+ status on failure.
GpImagePtr bitmapFromHbitmap(HBITMAP bitmap);

}  // namespace imaging
