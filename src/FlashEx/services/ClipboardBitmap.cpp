#include "FlashEx/services/ClipboardBitmap.h"

#include "FlashEx/MvException.h"

using namespace Gdiplus::DllExports;

namespace {

// The clipboard is opened only when it holds a bitmap.
HWND ownerIfBitmap(HWND owner) {
    if (!IsClipboardFormatAvailable(CF_BITMAP)) throw MvException("クリップボード内にビットマップがありません。");
    return owner;
}

}  // namespace

ClipboardBitmap::ClipboardBitmap(HWND owner) : clipboard_(ownerIfBitmap(owner)) {
    if (!clipboard_.isOpen()) throw MvException("クリップボードを開けませんでした。");
    HBITMAP handle = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    if (!handle) throw MvException("クリップボードからビットマップを取得できませんでした。");
    Gdiplus::GpStatus status = GdipCreateBitmapFromHBITMAP(handle, nullptr, &bitmap_);
    if (status != Gdiplus::Ok) throw MvException("クリップボードからビットマップを取得できませんでした。");
}

ClipboardBitmap::~ClipboardBitmap() {
    if (bitmap_) GdipDisposeImage(bitmap_);
}

UINT ClipboardBitmap::width() const {
    UINT width = 0;
    GdipGetImageWidth(bitmap_, &width);
    return width;
}

UINT ClipboardBitmap::height() const {
    UINT height = 0;
    GdipGetImageHeight(bitmap_, &height);
    return height;
}
