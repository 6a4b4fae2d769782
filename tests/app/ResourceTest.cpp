#include "MovaraTest.h"

namespace {

INT_PTR CALLBACK quietDialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

}  // namespace

TEST(MainDialogResource, IsAJapaneseSizableAppWindowWithThePlayerPlaceholder) {
    EXPECT_NE(FindResourceExA(nullptr, RT_DIALOG, MAKEINTRESOURCEA(102), MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)),
              nullptr);
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(102), nullptr, quietDialog, 0);
    ASSERT_NE(dialog, nullptr);
    LONG style = GetWindowLongA(dialog, GWL_STYLE);
    LONG required = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_VISIBLE;
    EXPECT_EQ(style & required, required);
    LONG exStyle = GetWindowLongA(dialog, GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_ACCEPTFILES);
    EXPECT_TRUE(exStyle & WS_EX_APPWINDOW);
    char title[64];
    GetWindowTextA(dialog, title, sizeof(title));
    EXPECT_STREQ(title, "Movara");

    RECT client, expected = {0, 0, 478, 397};
    GetClientRect(dialog, &client);
    MapDialogRect(dialog, &expected);
    EXPECT_EQ(client.right, expected.right);
    EXPECT_EQ(client.bottom, expected.bottom);

    HWND placeholder = GetDlgItem(dialog, 1002);
    ASSERT_NE(placeholder, nullptr);
    // Position and size are converted from dialog units separately.
    RECT place, expectedPlace = {45, 51, 165, 172};
    GetWindowRect(placeholder, &place);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
    MapDialogRect(dialog, &expectedPlace);
    EXPECT_EQ(place.left, expectedPlace.left);
    EXPECT_EQ(place.top, expectedPlace.top);
    EXPECT_EQ(place.right - place.left, expectedPlace.right);
    EXPECT_EQ(place.bottom - place.top, expectedPlace.bottom);
    EXPECT_TRUE(GetWindowLongA(placeholder, GWL_STYLE) & WS_TABSTOP);
    DestroyWindow(dialog);
}
