#include "FrameworkTestIds.h"
#include "MovaraTest.h"

namespace {

INT_PTR CALLBACK quietDialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

std::u16string itemText(HWND window) {
    WCHAR text[64] = {};
    GetWindowTextW(window, text, 64);
    return std::u16string(reinterpret_cast<const char16_t*>(text));
}

}  // namespace

// The resource script is UTF-8; its texts must arrive as the same characters,
// also those whose Shift_JIS trail byte is a backslash (表, ソ).
TEST(ResourceText, DialogTextsReadBackAsTheirUtf16Characters) {
    HWND dialog =
        CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TEST_DIALOG), nullptr, quietDialog, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(u"テスト", itemText(dialog));
    EXPECT_EQ(u"キャンセル", itemText(GetDlgItem(dialog, IDCANCEL)));
    EXPECT_EQ(u"表示ソフト\\", itemText(GetDlgItem(dialog, IDC_TEST_LABEL)));
    DestroyWindow(dialog);
}
