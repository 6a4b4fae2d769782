#include "services/images/RasterJob.h"

#include "tbx/MvException.h"

SIZE fitSize(int scale, int rectWidth, int rectHeight, int boxWidth, int boxHeight) {
    int factor = scale / 20;
    int width = MulDiv(rectWidth, factor, 100);
    int height = MulDiv(rectHeight, factor, 100);
    if (boxWidth == 0 || boxHeight == 0 || (width <= boxWidth && height <= boxHeight)) return SIZE{width, height};
    // An empty picture has no proportions to keep (and would divide by 0
    // against a box with a negative side).
    if (width <= 0 || height <= 0) return SIZE{width, height};
    if ((long long)boxHeight * width > (long long)boxWidth * height)
        return SIZE{boxWidth, (LONG)((long long)boxWidth * height / width)};
    return SIZE{(LONG)((long long)boxHeight * width / height), boxHeight};
}

RasterJob::RasterJob() : done_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

tbx::GdiObject RasterJob::render(Rasteriser& rasteriser, DWORD timeoutMs) {
    bool finished = rasteriser.post(shared_from_this()) && waitForDone(timeoutMs);
    if (!finished && !abandon()) throw MvException("");
    std::lock_guard<std::mutex> lock(mutex_);
    if (!succeeded_) throw MvException(message_);
    return std::move(bitmap_);
}

bool RasterJob::waitForDone(DWORD timeoutMs) {
    if (!done_) return false;
    DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return false;
        HANDLE done = done_.get();
        DWORD woken = MsgWaitForMultipleObjects(1, &done, FALSE, timeoutMs - elapsed, QS_SENDMESSAGE);
        if (woken == WAIT_OBJECT_0) return true;
        if (woken != WAIT_OBJECT_0 + 1) return false;
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

bool RasterJob::abandon() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!finished_) abandoned_ = true;
    return finished_;
}

bool RasterJob::abandoned() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return abandoned_;
}

void RasterJob::finish(bool succeeded, const std::string& message, tbx::GdiObject bitmap) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (finished_ || abandoned_) return;  // the bitmap goes with the argument
    finished_ = true;
    succeeded_ = succeeded;
    message_ = message;
    bitmap_ = std::move(bitmap);
    SetEvent(done_.get());
}
