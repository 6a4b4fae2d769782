#include "raster/MvRasSwfDialog.h"

#include <cstdio>

#include "bridge/host/FlashExServiceManager.h"
#include "tbx/MvException.h"
#include "services/file/FlashExServiceSecureFile.h"
#include "imaging/SwfFile.h"
#include "player/host/PlayerIds.h"
#include "tbx/Guards.h"
#include "tbx/TextConversion.h"

namespace {

const char kResizeFailed[] = "出力領域の設定に失敗しました。";
const char kBitmapFailed[] = "ビットマップ作成エラー";
const char kClipboardOpen[] = "クリップボードを開く事が出来ませんでした。";
const char kClipboardEmpty[] = "クリップボードを空に出来ませんでした。";
const char kClipboardSet[] = "クリップボードにビットマップを設定出来ませんでした。";
const char kMovieError[] = "コピーデータのレンダリングに失敗しました。追加情報:";
const char kUnexpected[] = "予期しないエラー";
const char kPathTooLong[] = "ムービーファイルの絶対パスを作れませんでした。";

// The text of a string event argument, or "".
std::string stringArgument(const VARIANT& argument) {
    if (V_VT(&argument) != VT_BSTR || !V_BSTR(&argument)) return {};
    return wideToMultiByte(reinterpret_cast<const char16_t*>(V_BSTR(&argument)), CP_ACP);
}

// Only the program's own failures (the movie reader's too) carry their text
// to the user; call inside a handler.
const MvException* caughtMvException() noexcept {
    try {
        throw;
    } catch (const MvException& e) {
        return &e;  // alive until the enclosing handler ends
    } catch (...) {
        return nullptr;
    }
}

}  // namespace

MvRasSwfDialog::MvRasSwfDialog(SecurityPolicy& policy, std::string scriptTimeLimit)
    : PlayerDialog(kTemplateId),
      services_(std::make_unique<FlashExServiceManager>()),
      scriptTimeLimit_(std::move(scriptTimeLimit)) {
    services_->addService(std::make_unique<FlashExServiceSecureFile>(policy));
    setServiceManager(services_.get());
}

MvRasSwfDialog::~MvRasSwfDialog() {
    // While this class is whole, so the window's destruction reaches the
    // dialog's own handlers.
    DestroyWindow();
}

std::vector<PlayerSetting> MvRasSwfDialog::playerSettings() const {
    // The stage at the top left, covering the picture.
    std::vector<PlayerSetting> settings = {
        {u"WMode", "Window", -1}, {u"Quality", "High", 1}, {u"SAlign", "LT", -1}, {u"ScaleMode", "NoBorder", 1}};
    if (!scriptTimeLimit_.empty()) settings.push_back({u"ScriptTimeLimit", scriptTimeLimit_.c_str(), -1});
    return settings;
}

BOOL MvRasSwfDialog::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE)) return FALSE;
    return PlayerDialog::PreTranslateMessage(msg);
}

RasterJob* MvRasSwfDialog::liveJob() {
    // A job whose requester gave up is let go untouched.
    if (job_ && job_->abandoned()) job_.reset();
    return job_.get();
}

void MvRasSwfDialog::startJob(std::shared_ptr<RasterJob> job) {
    job_ = std::move(job);
    if (!liveJob()) return;
    tbx::guardWindowProcedure([this] { prepareJob(); },
                              [this](const CaughtError&) {
                                  const MvException* failure = caughtMvException();
                                  finishJob(false, failure ? failure->what() : kUnexpected);
                              });
}

void MvRasSwfDialog::prepareJob() {
    RasterJob& job = *job_;
    if (job.width == 0) {
        // Only the header is read: sizing a large movie stays cheap.
        SwfHeader header = readSwfFile(job.moviePath, true).header;
        SIZE size =
            fitSize(job.scale, header.xmax - header.xmin, header.ymax - header.ymin, job.boxWidth, job.boxHeight);
        job.width = size.cx;
        job.height = size.cy;
    }
    if (!SetWindowPos(playerWindow(), nullptr, 0, 0, job.width, job.height, SWP_NOMOVE | SWP_NOZORDER))
        throw MvException(kResizeFailed);
    std::string url = movieUrl();
    if (player().GetMovie() == url) {
        capture();  // the movie is still playing: no reload
        return;
    }
    playMovie(url);
    player().SetQuality2("best");
    // The capture follows from the player's ready state or the movie's command.
}

std::string MvRasSwfDialog::movieUrl() const {
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(job_->moviePath.c_str(), sizeof full, full, nullptr);
    // A path cut to fit would name another movie: refuse it instead.
    if (length == 0 || length >= sizeof full) throw MvException(kPathTooLong);
    std::string url(full, length);
    if (!job_->query.empty()) url += "?" + job_->query;
    return url;
}

void MvRasSwfDialog::OnEvent(int controlId, DISPID id, DISPPARAMS* params, VARIANT* result) {
    if (controlId != kPlayerId || (id != player::kEventReadyStateChange && id != player::kEventFSCommand)) {
        PlayerDialog::OnEvent(controlId, id, params, result);
        return;
    }
    RasterJob* job = liveJob();
    if (!job || !params) return;
    if (id == player::kEventReadyStateChange) {
        VARIANT state;
        VariantInit(&state);
        bool complete = params->cArgs >= 1 && SUCCEEDED(VariantChangeType(&state, &params->rgvarg[0], 0, VT_I4)) &&
                        V_I4(&state) == 4;
        if (complete && !job->waitForReady) capture();
        return;
    }
    if (params->cArgs < 2) return;
    std::string command = stringArgument(params->rgvarg[1]);  // arguments arrive reversed
    if (command == "readyRender")
        capture();
    else if (command == "error")
        finishJob(false, kMovieError + stringArgument(params->rgvarg[0]));
}

void MvRasSwfDialog::capture() {
    RasterJob* job = liveJob();
    if (!job) return;
    HWND control = playerWindow();
    tbx::GdiObject bitmap;
    {
        tbx::WindowDC controlDC(control);
        tbx::MemoryDC memoryDC(CreateCompatibleDC(controlDC.get()));
        bitmap.reset(CreateCompatibleBitmap(controlDC.get(), job->width, job->height));
        if (!memoryDC || !bitmap) {
            finishJob(false, kBitmapFailed);
            return;
        }
        // The player paints into the memory context handed over in wParam.
        tbx::SelectedObject selected(memoryDC.get(), bitmap.get());
        SendMessageA(control, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memoryDC.get()), 0);
        SendMessageA(control, WM_PAINT, reinterpret_cast<WPARAM>(memoryDC.get()), 0);
    }
    SetWindowPos(control, nullptr, 0, 0, 0, 0, SWP_NOZORDER | SWP_NOREDRAW);
    if (job->target == RasterTarget::Clipboard) {
        if (!liveJob()) return;  // the requester left during the capture
        std::string failure = copyToClipboard(bitmap);
        if (!failure.empty()) {
            finishJob(false, failure);
            return;
        }
    }
    finishJob(true, "", std::move(bitmap));
}

std::string MvRasSwfDialog::copyToClipboard(tbx::GdiObject& bitmap) {
    tbx::ClipboardGuard clipboard(window());
    if (!clipboard.isOpen()) return kClipboardOpen;
    if (!EmptyClipboard()) return kClipboardEmpty;
    if (!SetClipboardData(CF_BITMAP, bitmap.get())) return kClipboardSet;
    bitmap.release();  // the clipboard owns it now
    return "";
}

void MvRasSwfDialog::finishJob(bool succeeded, const std::string& message, tbx::GdiObject bitmap) {
    std::shared_ptr<RasterJob> job = std::move(job_);
    if (job) job->finish(succeeded, message, std::move(bitmap));
}
