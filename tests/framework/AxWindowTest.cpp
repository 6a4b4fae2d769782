// ActiveX host windows: what a text naming no control leaves, who destroys
// the window, and how a dialog reports a control it could not host.
#include "MovaraTest.h"

#include <ole2.h>

#include <string>

#include "FrameworkTestIds.h"
#include "framework/AtlAx.h"
#include "framework/AxWindow.h"
#include "framework/Dialog.h"

namespace {

class AxWindowTest : public ::testing::Test {
protected:
    HWND parent = nullptr;

    void SetUp() override {
        OleInitialize(nullptr);
        ASSERT_TRUE(fw::AtlAx::initialize());
        parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, parent);
    }
    void TearDown() override {
        if (IsWindow(parent)) DestroyWindow(parent);
        OleUninitialize();
    }
};

std::string classOf(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof(name));
    return name;
}

int hostWindowsIn(HWND parent) {
    int count = 0;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (classOf(child) == fw::AtlAx::windowClass()) ++count;
    return count;
}

class MissingControlDialog : public fw::Dialog {
public:
    MissingControlDialog() : fw::Dialog(IDD_TEST_DIALOG) {
        hostControl(IDC_TEST_LABEL, "MovaraTest.NoSuchControl", GUID_NULL);
    }
    int handlerExceptions = 0;

protected:
    void OnHandlerException() override { ++handlerExceptions; }
};

}  // namespace

TEST_F(AxWindowTest, ATextNamingNoControlLeavesAPlacedWindowWithoutControlOrHostThatGoesWithTheObject) {
    for (const char* text : {"MovaraTest.NoSuchControl", "{6D5140C1-7436-11CE-8034-00AA006009FA}"}) {
        HWND window = nullptr;
        {
            fw::AxWindow host(parent, text, {5, 6, 30, 40, WS_CHILD | WS_VISIBLE, 0, 1234});
            window = host.window();
            ASSERT_TRUE(host.exists()) << text;
            EXPECT_EQ(fw::AtlAx::windowClass(), classOf(window));
            EXPECT_EQ(1234, GetDlgCtrlID(window));
            RECT rect;
            GetWindowRect(window, &rect);
            MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
            EXPECT_EQ(5, rect.left);
            EXPECT_EQ(46, rect.bottom);
            EXPECT_FALSE(host.control()) << text;
            EXPECT_FALSE(host.dispatch()) << text;
            EXPECT_FALSE(host.host()) << text;
        }
        EXPECT_FALSE(IsWindow(window)) << text;
    }
}

TEST_F(AxWindowTest, TheWindowMovesWithTheObjectAndOneItsParentTookIsNoLongerReached) {
    fw::AxWindow first(parent, "MovaraTest.NoSuchControl", {0, 0, 10, 10, WS_CHILD, 0, 1});
    HWND window = first.window();
    fw::AxWindow second = std::move(first);
    EXPECT_EQ(nullptr, first.window());
    first.destroy();
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(window, second.window());

    DestroyWindow(parent);
    EXPECT_FALSE(second.exists());
    EXPECT_FALSE(second.host());
    second.destroy();
    EXPECT_EQ(nullptr, second.window());
}

TEST_F(AxWindowTest, ADialogReportsAControlItCouldNotHostAndKeepsNoEmptyHostWindow) {
    MissingControlDialog dialog;
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(1, dialog.handlerExceptions);
    EXPECT_EQ(nullptr, dialog.control(IDC_TEST_LABEL));
    EXPECT_EQ(0, hostWindowsIn(dialog.window()));
    dialog.DestroyWindow();
}
