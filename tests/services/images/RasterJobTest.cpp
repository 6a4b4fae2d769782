// Sizing a picture, and a job's hand-over between the requester and the
// rasteriser, with rasterisers that the tests play.
#include <thread>

#include "tbx/MvException.h"
#include "services/images/RasterJob.h"
#include "MovaraTest.h"

namespace {

// Takes jobs and lets the test decide what happens to them.
class FakeRasteriser : public Rasteriser {
public:
    explicit FakeRasteriser(bool accepts = true) : accepts_(accepts) {}
    bool post(const std::shared_ptr<RasterJob>& job) override {
        if (!accepts_) return false;
        posted = job;
        if (onPost) onPost(job);
        return true;
    }
    std::shared_ptr<RasterJob> posted;
    std::function<void(std::shared_ptr<RasterJob>)> onPost;

private:
    bool accepts_;
};

tbx::GdiObject smallBitmap() {
    tbx::WindowDC screen(nullptr);
    return tbx::GdiObject(CreateCompatibleBitmap(screen.get(), 3, 2));
}

std::string renderFailure(RasterJob& job, Rasteriser& rasteriser, DWORD timeoutMs) {
    try {
        job.render(rasteriser, timeoutMs);
        return "(no failure)";
    } catch (const MvException& e) {
        return e.what();
    }
}

}  // namespace

TEST(FitSize, ScalesByWholeFifthsAndFitsIntoTheBox) {
    struct Case {
        int scale, rw, rh, bw, bh;
        LONG w, h;
    } cases[] = {
        {100, 11000, 8000, 0, 0, 550, 400},        // the movie's own size
        {100, 11000, 8000, 100, 100, 100, 72},     // fitted, proportions kept
        {50, 11000, 8000, 0, 0, 220, 160},         // factor 50 / 20 = 2, not 2.5
        {150, 11000, 8000, 0, 0, 770, 560},        // factor 7: 1.4 times
        {19, 11000, 8000, 0, 0, 0, 0},             // under 20 gives nothing
        {100, 11000, 8000, 1000, 1000, 550, 400},  // never enlarged
        {100, 11000, 8000, 100, 0, 550, 400},      // a box side of 0: no box
        {100, 8000, 11000, 100, 100, 72, 100},     // taller than wide
        {100, 11000, 8000, 1000, 200, 275, 200},
        {100, 10, 10, 0, 0, 1, 1},  // MulDiv rounds half a pixel up
        {100, 0, 0, -5, 10, 0, 0},  // an empty picture against a negative box
        {100, 11000, 8000, 600, 400, 550, 400},
    };
    for (const Case& c : cases) {
        SIZE size = fitSize(c.scale, c.rw, c.rh, c.bw, c.bh);
        EXPECT_EQ(c.w, size.cx) << c.scale << " " << c.rw << "x" << c.rh << " box " << c.bw << "x" << c.bh;
        EXPECT_EQ(c.h, size.cy) << c.scale << " " << c.rw << "x" << c.rh << " box " << c.bw << "x" << c.bh;
    }
}

TEST(RasterJob, AnswersWhatTheRasteriserFinishedWith) {
    auto job = std::make_shared<RasterJob>();
    FakeRasteriser rasteriser;
    HBITMAP handed = nullptr;
    rasteriser.onPost = [&](std::shared_ptr<RasterJob> posted) {
        std::thread([posted, &handed] {
            tbx::GdiObject bitmap = smallBitmap();
            handed = static_cast<HBITMAP>(bitmap.get());
            posted->finish(true, "", std::move(bitmap));
            posted->finish(false, "too late");  // only the first finish counts
        }).detach();
    };
    tbx::GdiObject bitmap = job->render(rasteriser, 5000);
    EXPECT_EQ(handed, bitmap.get());
    EXPECT_EQ(job, rasteriser.posted);

    auto failing = std::make_shared<RasterJob>();
    rasteriser.onPost = [](std::shared_ptr<RasterJob> posted) { posted->finish(false, "ビットマップ作成エラー"); };
    EXPECT_EQ("ビットマップ作成エラー", renderFailure(*failing, rasteriser, 5000));

    FakeRasteriser refusing(false);
    auto refused = std::make_shared<RasterJob>();
    DWORD start = GetTickCount();
    EXPECT_EQ("", renderFailure(*refused, refusing, 5000));
    EXPECT_LT(GetTickCount() - start, 1000u);  // no waiting for a job nobody took
}

TEST(RasterJob, AJobFinishedAfterItsRequesterGaveUpIsNotTouched) {
    auto job = std::make_shared<RasterJob>();
    FakeRasteriser rasteriser;  // keeps the job and does nothing
    EXPECT_EQ("", renderFailure(*job, rasteriser, 200));
    ASSERT_TRUE(rasteriser.posted);
    EXPECT_TRUE(rasteriser.posted->abandoned());

    tbx::GdiObject late = smallBitmap();
    HGDIOBJ lateHandle = late.get();
    rasteriser.posted->finish(true, "", std::move(late));
    EXPECT_EQ(0u, GetObjectType(lateHandle));  // dropped, not kept for nobody
}

TEST(RasterJob, MessagesSentToTheRequestersThreadArriveWhileItWaits) {
    // A window of the waiting thread, as the clipboard's owner may be.
    HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    auto job = std::make_shared<RasterJob>();
    FakeRasteriser rasteriser;
    rasteriser.onPost = [window](std::shared_ptr<RasterJob> posted) {
        std::thread([posted, window] {
            SetWindowTextA(window, "answered");  // sent to the waiting thread
            posted->finish(true, "");
        }).detach();
    };
    DWORD start = GetTickCount();
    job->render(rasteriser, 5000);
    EXPECT_LT(GetTickCount() - start, 4000u);
    char text[16] = "";
    GetWindowTextA(window, text, sizeof text);
    EXPECT_STREQ("answered", text);
    DestroyWindow(window);
}
