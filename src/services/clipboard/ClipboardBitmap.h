#pragma once
#include <windows.h>

#include "imaging/GpImage.h"
#include "tbx/Handles.h"

// The bitmap on the clipboard as a GDI+ bitmap. The clipboard stays open,
// owned by `owner`, while the object lives; the bitmap is released and the
// clipboard closed on every path, also when the constructor or the caller
// throws. MvException "クリップボード内にビットマップがありません。" when the
// clipboard holds no bitmap, "クリップボードを開けませんでした。" when it cannot
// be opened, "クリップボードからビットマップを取得できませんでした。" when its
// handle cannot be had; MvGpException when GDI+ cannot copy it.
class ClipboardBitmap {
public:
    explicit ClipboardBitmap(HWND owner);
    ClipboardBitmap(const ClipboardBitmap&) = delete;
    ClipboardBitmap& operator=(const ClipboardBitmap&) = delete;

    Gdiplus::GpImage* image() const { return image_.get(); }
    UINT width() const;
    UINT height() const;

private:
    tbx::ClipboardGuard clipboard_;  // closed after the image is released
    imaging::GpImagePtr image_;
};
