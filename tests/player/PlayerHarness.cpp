#include "PlayerHarness.h"

#include <gtest/gtest.h>
#include <ole2.h>

#include "TestFiles.h"
#include "Waiting.h"
#include "framework/AtlAx.h"
#include "player/host/PlayerIds.h"
#include "tbx/TextConversion.h"

PlayerDialog::PlayerDialog() : fw::Dialog(IDD_PLAYER_DIALOG) {
    hostControl(IDC_PLAYER, player::playerControlText(), player::kPlayerEventsIid);
}

fw::ActiveXControl& PlayerDialog::player() { return *control(IDC_PLAYER); }

bool PlayerDialog::play(const std::string& movie, const std::string& flashVars) {
    readyStates.clear();
    if (!flashVars.empty()) calls().put(player::kDispFlashVars, tbx::Variant::fromAnsi(flashVars));
    calls().put(player::kDispMovie, tbx::Variant::fromAnsi(movie));
    return pumpUntil([this] { return !readyStates.empty(); });
}

std::string PlayerDialog::callFunction(const std::string& invoke) {
    return calls().call(player::kDispCallFunction, fw::variants(tbx::Variant::fromAnsi(invoke))).toAnsi();
}

std::vector<std::string> PlayerDialog::callsNamed(const std::string& name) const {
    std::vector<std::string> out;
    std::string prefix = "<invoke name=\"" + name + "\"";
    for (const auto& call : flashCalls)
        if (call.compare(0, prefix.size(), prefix) == 0) out.push_back(call);
    return out;
}

void PlayerDialog::OnEvent(int, DISPID id, DISPPARAMS* params, VARIANT*) {
    auto text = [params](UINT index) {
        tbx::Variant value;
        VariantCopy(value.get(), &params->rgvarg[params->cArgs - 1 - index]);
        return value.toAnsi();
    };
    if (id == player::kEventFlashCall && params->cArgs == 1) {
        std::string invoke = text(0);
        flashCalls.push_back(invoke);
        std::string answer;
        if (onFlashCall && onFlashCall(invoke, answer))
            calls().call(player::kDispSetReturnValue, fw::variants(tbx::Variant::fromAnsi(answer)));
    } else if (id == player::kEventFSCommand && params->cArgs == 2) {
        commands.emplace_back(text(0), text(1));
    } else if (id == player::kEventReadyStateChange && params->cArgs == 1) {
        tbx::Variant state;
        VariantChangeType(state.get(), &params->rgvarg[0], 0, VT_I4);
        readyStates.push_back(V_I4(state.get()));
    }
}

bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs) { return movara_test::pumpUntil(done, timeoutMs); }

bool pumpPostedMessages(DWORD timeoutMs) {
    // Posted messages leave the queue in order: ours comes after the others.
    const UINT kMarker = WM_APP + 0x3A1;
    if (!PostThreadMessageA(GetCurrentThreadId(), kMarker, 0, 0)) return false;
    bool reached = false;
    bool inTime = pumpUntil(
        [&] {
            MSG msg;
            while (!reached && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == kMarker && !msg.hwnd) {
                    reached = true;
                } else {
                    TranslateMessage(&msg);
                    DispatchMessageA(&msg);
                }
            }
            return reached;
        },
        timeoutMs);
    return inTime && reached;
}

namespace {
int timerTicks = 0;
void CALLBACK countTick(HWND, UINT, UINT_PTR, DWORD) { ++timerTicks; }
}  // namespace

bool pumpTimerTicks(UINT periodMs, int ticks, DWORD timeoutMs) {
    timerTicks = 0;
    UINT_PTR timer = SetTimer(nullptr, 0, periodMs, countTick);
    if (!timer) return false;
    bool done = pumpUntil([&] { return timerTicks >= ticks; }, timeoutMs);
    KillTimer(nullptr, timer);
    return done;
}

std::string writeMovie(const std::string& path, const std::string& script, SwfOptions options) {
    movara_test::writeBytes(path, buildSwf(options, script));
    return path;
}

PlayerThreadSetup::PlayerThreadSetup() {
    OleInitialize(nullptr);
    fw::AtlAx::initialize();
    registration_ = std::make_unique<player::PlayerClassRegistration>();
}

PlayerThreadSetup::~PlayerThreadSetup() {
    registration_.reset();
    OleUninitialize();
}

std::string argumentsOf(const std::string& invoke) {
    size_t start = invoke.find("<arguments>");
    size_t end = invoke.rfind("</arguments>");
    if (start == std::string::npos || end == std::string::npos) return "?";
    start += 11;
    return invoke.substr(start, end - start);
}

ErrorCapture::ErrorCapture() {
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    CreatePipe(&readEnd, &writeEnd, &inherit, 1 << 16);
    reader_.reset(readEnd);
    writer_.reset(writeEnd);
    original_ = GetStdHandle(STD_ERROR_HANDLE);
    SetStdHandle(STD_ERROR_HANDLE, writer_.get());
}

ErrorCapture::~ErrorCapture() { SetStdHandle(STD_ERROR_HANDLE, original_); }

const std::string& ErrorCapture::text() {
    char buffer[4096];
    DWORD available = 0, count = 0;
    while (PeekNamedPipe(reader_.get(), nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
           ReadFile(reader_.get(), buffer, sizeof buffer, &count, nullptr) && count > 0)
        text_.append(buffer, count);
    return text_;
}

PaintedPlayer::PaintedPlayer(HWND host, int width, int height) {
    SetWindowPos(host, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_TRUE(pumpPostedMessages()) << "the resize's queued messages were never dispatched";
    tbx::WindowDC screen(nullptr);
    memory_.reset(CreateCompatibleDC(screen.get()));
    bitmap_.reset(CreateCompatibleBitmap(screen.get(), width, height));
    // Kept selected for at(); the memory DC goes before the bitmap.
    SelectObject(memory_.get(), bitmap_.get());
    SendMessageA(host, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory_.get()), 0);
    SendMessageA(host, WM_PAINT, reinterpret_cast<WPARAM>(memory_.get()), 0);
}
