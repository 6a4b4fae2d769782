#pragma once
#include <windows.h>

#include <memory>
#include <mutex>
#include <string>

#include "tbx/Handles.h"

class RasterJob;

// Where a movie is rendered: the rasteriser thread, seen by the services
// that hand it jobs.
class Rasteriser {
public:
    virtual ~Rasteriser() = default;
    // Hands the job to the rasteriser's thread; false when it cannot take it.
    virtual bool post(const std::shared_ptr<RasterJob>& job) = 0;
};

// The picture size of a movie whose frame rectangle is rectWidth x
// rectHeight twips at scale percent: the factor is scale / 20 in whole steps
// (scale 150 gives 1.4 times the movie's size, scales under 20 give 0). A
// picture larger than a non-empty box is fitted into it keeping its
// proportions; it is never enlarged.
SIZE fitSize(int scale, int rectWidth, int rectHeight, int boxWidth, int boxHeight);

enum class RasterTarget { File = 1, Clipboard = 2 };

// One movie to render, shared by the thread that asks for it and the
// rasteriser thread. The requester fills the request fields before render();
// the rasteriser reads them and finishes the job once. A requester that stops
// waiting abandons the job: from then on nothing the rasteriser does reaches
// it, and the rasteriser asks abandoned() before working on it.
class RasterJob : public std::enable_shared_from_this<RasterJob> {
public:
    static constexpr DWORD kWaitMs = 15000;

    RasterJob();
    RasterJob(const RasterJob&) = delete;
    RasterJob& operator=(const RasterJob&) = delete;

    std::string moviePath;
    bool waitForReady = false;  // capture when the movie sends "readyRender"
    int scale = 100;            // percent of the movie's own size
    std::string query;          // the movie's FlashVars
    int boxWidth = 0;           // 0: no box
    int boxHeight = 0;
    int width = 0;  // 0: from the movie's header
    int height = 0;
    RasterTarget target = RasterTarget::File;

    // Requester: posts the job and waits for it at most timeoutMs. Returns
    // the picture (for the clipboard target the clipboard holds it and the
    // result is empty); throws MvException with the job's message, empty
    // when the wait ran out.
    tbx::GdiObject render(Rasteriser& rasteriser, DWORD timeoutMs = kWaitMs);

    // Rasteriser: true once the requester has stopped waiting.
    bool abandoned() const;
    // Rasteriser: records the outcome and wakes the requester; an abandoned
    // job drops the bitmap instead. Only the first finish counts.
    void finish(bool succeeded, const std::string& message, tbx::GdiObject bitmap = tbx::GdiObject());

private:
    // Waits for done, letting messages sent from other threads through
    // (the rasteriser may send to this thread's windows, for example the
    // clipboard's owner) but dispatching nothing that was posted.
    bool waitForDone(DWORD timeoutMs);
    // True when the job finished meanwhile; otherwise marks it abandoned.
    bool abandon();

    mutable std::mutex mutex_;
    tbx::KernelHandle done_;
    bool finished_ = false;
    bool abandoned_ = false;
    bool succeeded_ = false;
    std::string message_;
    tbx::GdiObject bitmap_;
};
