// The window service against a host of the test's own: what each command
// asks of the host, on a plain window standing in for the main dialog.
#include "MovaraTest.h"

#include "ServiceTestSupport.h"
#include "bridge/host/FlashExHost.h"
#include "security/SecurityPolicy.h"
#include "services/window/FlashExServiceDlg.h"

using namespace service_test;

namespace {

class RecordingHost : public FlashExHost {
public:
    RecordingHost()
        : window_(CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 10, 20, 300, 200, nullptr, nullptr, nullptr,
                                  nullptr)) {}
    ~RecordingHost() { DestroyWindow(window_); }
    HWND hostWindow() const override { return window_; }
    HWND playerWindow() const override { return window_; }
    const std::string& apiKey() const override { return key; }
    void lockApi(const std::string& newKey) override { key = newKey; }
    void enableExtEvents() override { extEvents = true; }
    void disableExtClose() override { extClose = false; }
    void setIcons(tbx::Icon, tbx::Icon) override {}
    void loadMovie(const std::string&) override {}

    std::string key;
    bool extEvents = false;
    bool extClose = true;

private:
    HWND window_;
};

}  // namespace

TEST(WindowService, TheApiLocksOnceAndCloseAppAsksTheWindowToCloseWithoutTheMovie) {
    RecordingHost host;
    SecurityPolicy policy;
    FlashExServiceDlg service(host, policy);

    std::string key = call(service, "lockApi", {})->getString();
    EXPECT_EQ(24u, key.size());
    EXPECT_EQ(key, host.key);
    EXPECT_EQ("error api already locked", failure(service, "lockApi"));
    EXPECT_EQ(key, host.key);

    EXPECT_FALSE(call(service, "wantExtEvents", {}));
    EXPECT_TRUE(host.extEvents);

    MSG pending;
    while (PeekMessageA(&pending, host.hostWindow(), WM_CLOSE, WM_CLOSE, PM_REMOVE)) {
    }
    EXPECT_FALSE(call(service, "closeApp", {}));
    EXPECT_FALSE(host.extClose) << "the movie would be asked again";
    EXPECT_TRUE(PeekMessageA(&pending, host.hostWindow(), WM_CLOSE, WM_CLOSE, PM_REMOVE)) << "no WM_CLOSE was posted";
}
