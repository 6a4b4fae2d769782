#include "services/clipboard/ClipboardBitmap.h"

#include "tbx/MvException.h"

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
    image_ = imaging::bitmapFromHbitmap(handle);
}

UINT ClipboardBitmap::width() const {
    UINT width = 0;
    Gdiplus::DllExports::GdipGetImageWidth(image_.get(), &width);
    return width;
}

UINT ClipboardBitmap::height() const {
    UINT height = 0;
    Gdiplus::DllExports::GdipGetImageHeight(image_.get(), &height);
    return height;
}
