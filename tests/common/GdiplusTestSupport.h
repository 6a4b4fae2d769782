#pragma once
// GDI+ helpers for tests that write or check images (link gdiplus).
#include <windows.h>
#include <gdiplus.h>

#include <memory>
#include <string>

namespace movara_test {

// Starts GDI+ for the whole test program; register with
// ::testing::AddGlobalTestEnvironment or hold one for a scope.
class GdiplusSession {
public:
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token_, &input, nullptr);
    }
    ~GdiplusSession() {
        if (token_) Gdiplus::GdiplusShutdown(token_);
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

private:
    ULONG_PTR token_ = 0;
};

struct TestImageDeleter {
    void operator()(Gdiplus::GpImage* image) const { Gdiplus::DllExports::GdipDisposeImage(image); }
};
using TestImage = std::unique_ptr<Gdiplus::GpImage, TestImageDeleter>;

// A 32-bit ARGB bitmap of one colour.
inline TestImage solidBitmap(int width, int height, Gdiplus::ARGB colour) {
    Gdiplus::GpBitmap* bitmap = nullptr;
    Gdiplus::DllExports::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, &bitmap);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) Gdiplus::DllExports::GdipBitmapSetPixel(bitmap, x, y, colour);
    return TestImage(bitmap);
}

// The decoded image of a file, or null when GDI+ cannot read it. The path is
// ANSI code page text.
inline TestImage loadImage(const std::string& path) {
    int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], length);
    Gdiplus::GpImage* image = nullptr;
    if (Gdiplus::DllExports::GdipLoadImageFromFile(wide.c_str(), &image) != Gdiplus::Ok) return nullptr;
    return TestImage(image);
}

inline SIZE imageSize(Gdiplus::GpImage* image) {
    UINT width = 0, height = 0;
    Gdiplus::DllExports::GdipGetImageWidth(image, &width);
    Gdiplus::DllExports::GdipGetImageHeight(image, &height);
    return SIZE{(LONG)width, (LONG)height};
}

// The pixel as 0xAARRGGBB.
inline Gdiplus::ARGB pixelAt(Gdiplus::GpImage* image, int x, int y) {
    Gdiplus::ARGB colour = 0;
    Gdiplus::DllExports::GdipBitmapGetPixel(static_cast<Gdiplus::GpBitmap*>(image), x, y, &colour);
    return colour;
}

// The file's first bytes name its format.
inline bool isPngData(const std::string& bytes) { return bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0; }
inline bool isJpegData(const std::string& bytes) { return bytes.compare(0, 3, "\xFF\xD8\xFF") == 0; }

}  // namespace movara_test
