#include <atomic>
#include <functional>
#include <vector>

#include "MovaraTest.h"
#include <dlgs.h>
#include "framework/FileDialog.h"
#include "tbx/Handles.h"

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

BOOL CALLBACK findVisibleDialog(HWND window, LPARAM out) {
    char name[16];
    if (GetClassNameA(window, name, sizeof(name)) && lstrcmpA(name, "#32770") == 0 && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(out) = window;
        return FALSE;
    }
    return TRUE;
}

HWND findDialogOf(DWORD threadId) {
    for (int i = 0; i < 500; ++i) {
        HWND found = nullptr;
        EnumThreadWindows(threadId, findVisibleDialog, reinterpret_cast<LPARAM>(&found));
        if (found) return found;
        Sleep(10);
    }
    return nullptr;
}

// Runs `script` on a second thread against the dialog of the calling thread.
class DialogDriver {
public:
    explicit DialogDriver(std::function<void(HWND)> script) : script_(std::move(script)), owner_(GetCurrentThreadId()) {
        thread_.reset(CreateThread(nullptr, 0, run, this, 0, nullptr));
    }
    ~DialogDriver() { WaitForSingleObject(thread_.get(), 10000); }

private:
    static DWORD WINAPI run(void* self) {
        auto* driver = static_cast<DialogDriver*>(self);
        if (HWND dialog = findDialogOf(driver->owner_)) driver->script_(dialog);
        return 0;
    }
    std::function<void(HWND)> script_;
    DWORD owner_;
    tbx::KernelHandle thread_;
};

void typeAndConfirm(HWND dialog, const std::string& text) {
    SetDlgItemTextA(dialog, cmb13, text.c_str());
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
}

bool waitFor(const std::atomic<int>& counter, int value) {
    for (int i = 0; i < 500 && counter < value; ++i) Sleep(10);
    return counter >= value;
}

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
        if (!waitFor(dialog.folderCount, 1)) return;
        typeAndConfirm(window, second);
        waitFor(dialog.folderCount, 2);
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    ASSERT_EQ(2u, dialog.folders.size());
    EXPECT_EQ(0, lstrcmpiA((dir / "first").c_str(), dialog.folders[0].c_str())) << dialog.folders[0];
    EXPECT_EQ(0, lstrcmpiA(second.c_str(), dialog.folders[1].c_str())) << dialog.folders[1];
}
