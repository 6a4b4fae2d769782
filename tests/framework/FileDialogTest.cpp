#include <atomic>
#include <vector>

#include "DialogDriver.h"
#include "MovaraTest.h"
#include "Waiting.h"
#include "framework/FileDialog.h"

using namespace movara_test;

namespace {

// Records each folder the dialog shows.
class FolderLoggingDialog : public fw::FileDialog {
public:
    using fw::FileDialog::FileDialog;
    std::vector<std::string> folders;
    std::atomic<int> folderCount{0};

protected:
    void OnFolderChange() override {
        folders.push_back(GetFolderPath());
        ++folderCount;
    }
};

}  // namespace

TEST(FileDialog, CancelAnswersCancel) {
    ScratchDir dir;
    FolderLoggingDialog dialog(true, nullptr, nullptr, OFN_NOCHANGEDIR, "Text|*.txt|All|*.*||", nullptr);
    DialogDriver driver([](HWND window) { PostMessageA(window, WM_COMMAND, IDCANCEL, 0); });
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
}

TEST(FileDialog, ChoosingAFileAnswersItsFullPathAndTheFilterLeftSelected) {
    ScratchDir dir;
    writeBytes(dir / "chosen.txt", "x");
    std::string path = dir / "chosen.txt";
    FolderLoggingDialog dialog(true, nullptr, nullptr, OFN_NOCHANGEDIR | OFN_FILEMUSTEXIST, "Text|*.txt|All|*.*||",
                               nullptr);
    dialog.setFilterIndex(2);
    DialogDriver driver([&](HWND window) { typeAndConfirm(window, path); });
    ASSERT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ(0, lstrcmpiA(path.c_str(), dialog.GetPathName().c_str())) << dialog.GetPathName();
    EXPECT_EQ(2u, dialog.filterIndex());
}

TEST(FileDialog, MovingToAnotherFolderIsReportedWithThatFolder) {
    ScratchDir dir;
    makeDirectory(dir / "first");
    makeDirectory(dir / "second");
    std::string initial = dir / "first\\";
    FolderLoggingDialog dialog(false, "txt", initial.c_str(), OFN_NOCHANGEDIR, nullptr, nullptr);
    std::string second = dir / "second";
    DialogDriver driver([&](HWND window) {
        auto reported = [&](int count) { return waitUntil([&] { return dialog.folderCount >= count; }, 5000); };
        if (reported(1)) {
            typeAndConfirm(window, second);
            reported(2);
        }
        // Cancelled whatever came, so the dialog always ends; the folders tell.
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    ASSERT_EQ(2u, dialog.folders.size());
    EXPECT_EQ(0, lstrcmpiA((dir / "first").c_str(), dialog.folders[0].c_str())) << dialog.folders[0];
    EXPECT_EQ(0, lstrcmpiA(second.c_str(), dialog.folders[1].c_str())) << dialog.folders[1];
}
