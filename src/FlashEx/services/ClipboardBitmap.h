#pragma once
#include <windows.h>
#include <gdiplus.h>

#include "tbx/Handles.h"

// The bitmap on the clipboard as a GDI+ bitmap. The clipboard stays open,
// owned by `owner`, while the object lives; it is closed and the GDI+ bitmap
// released on every path, also when the constructor or the caller throws.
// MvException "クリップボード内にビットマップがありません。" when the clipboard
// holds no bitmap, "クリップボードを開けませんでした。" when it cannot be opened,
// "クリップボードからビットマップを取得できませんでした。" when its handle cannot
// be had.
class ClipboardBitmap {
public:
    explicit ClipboardBitmap(HWND owner);
    ~ClipboardBitmap();
    ClipboardBitmap(const ClipboardBitmap&) = delete;
    ClipboardBitmap& operator=(const ClipboardBitmap&) = delete;

    Gdiplus::GpBitmap* bitmap() const { return bitmap_; }
    UINT width() const;
    UINT height() const;

private:
    tbx::ClipboardGuard clipboard_;
    Gdiplus::GpBitmap* bitmap_ = nullptr;
};
