// The common dialog service under Wine, its dialogs driven from a second
// thread: found by class and thread, their controls by id.
#include <ole2.h>
#include <commctrl.h>

#include "DialogDriver.h"
#include "services/dialogs/FlashExServiceCommonDlg.h"
#include "MovaraTest.h"
#include "Waiting.h"
#include "ServiceTestSupport.h"

using namespace movara_test;
using namespace service_test;

namespace {

// The folder a running file dialog shows.
std::string shownFolder(HWND dialog) {
    char folder[MAX_PATH * 2] = "";
    SendMessageA(dialog, CDM_GETFOLDERPATH, sizeof(folder), reinterpret_cast<LPARAM>(folder));
    return folder;
}

bool showsFolder(HWND dialog, const std::string& folder) {
    auto shows = [&] { return lstrcmpiA(shownFolder(dialog).c_str(), folder.c_str()) == 0; };
    // A dialog that has closed will not show it.
    return waitUntil([&] { return !IsWindow(dialog) || shows(); }) && IsWindow(dialog) && shows();
}

void cancel(HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); }

BOOL CALLBACK findTree(HWND window, LPARAM out) {
    char name[32] = "";
    GetClassNameA(window, name, sizeof(name));
    if (lstrcmpA(name, WC_TREEVIEWA) != 0) return TRUE;
    *reinterpret_cast<HWND*>(out) = window;
    return FALSE;
}

// The name of the folder selected in a folder browser's tree.
std::string selectedFolderName(HWND browser) {
    HWND tree = nullptr;
    EnumChildWindows(browser, findTree, reinterpret_cast<LPARAM>(&tree));
    char text[MAX_PATH] = "";
    TVITEMA item = {};
    item.mask = TVIF_TEXT;
    item.hItem = tree ? TreeView_GetSelection(tree) : nullptr;
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    if (item.hItem) SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return text;
}

// The service with an owner window, on a thread where OLE is started (the
// folder browser's new style needs it, as the program starts it).
class CommonDlg : public ::testing::Test {
protected:
    void SetUp() override {
        OleInitialize(nullptr);
        owner_ = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr, nullptr,
                                 nullptr);
        windows_.host = owner_;
    }
    void TearDown() override {
        DestroyWindow(owner_);
        OleUninitialize();
    }

    TestWindows windows_;
    FlashExServiceCommonDlg service{windows_};
    ScratchDir dir;

private:
    HWND owner_ = nullptr;
};

}  // namespace

TEST_F(CommonDlg, CancellingTheFileDialogAnswersNull) {
    DialogDriver driver(cancel);
    EXPECT_EQ(call(service, "fileDialog", {flag(true)}), nullptr);
}

// Flags without "no change of folder" leave the program's current folder
// where it was too: every relative path after the dialog resolves against it.
TEST_F(CommonDlg, AChosenFileAnswersItsFullPathAndTheFilterIndex) {
    writeBytes(dir / "chosen.txt", "x");
    makeDirectory(dir / "current");
    std::string path = dir / "chosen.txt";
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA((dir / "current").c_str());
    for (int flags : {0x8000E | OFN_FILEMUSTEXIST, OFN_FILEMUSTEXIST}) {
        Result answer;
        {
            DialogDriver driver([&](HWND dialog) { typeAndConfirm(dialog, path); });
            answer = call(service, "fileDialog",
                          {flag(true), new FlashExParamNull, new FlashExParamNull, num(flags),
                           str("Text|*.txt|All|*.*||"), num(2)});
        }
        ASSERT_NE(answer, nullptr);
        EXPECT_EQ(lstrcmpiA(answer->getProperty("path")->getString().c_str(), path.c_str()), 0)
            << answer->getProperty("path")->getString();
        EXPECT_EQ(answer->getProperty("filterIndex")->getInt(), 2);
        char current[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, current);
        EXPECT_EQ(lstrcmpiA(current, (dir / "current").c_str()), 0) << "flags " << flags << ": " << current;
    }
    SetCurrentDirectoryA(previous);
}

TEST_F(CommonDlg, ATypedNameGetsTheDefaultExtension) {
    Result answer;
    {
        DialogDriver driver([&](HWND dialog) { typeAndConfirm(dialog, dir / "report"); });
        answer = call(service, "fileDialog", {flag(false), str("txt")});
    }
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(lstrcmpiA(answer->getProperty("path")->getString().c_str(), (dir / "report.txt").c_str()), 0)
        << answer->getProperty("path")->getString();
}

// The marker is not honoured in the folder shown first, nor as a sub-folder's
// name; entering a folder that holds it closes the dialog with that folder.
// The close is posted on entering the folder, before the driver types the next
// name: the dialog reaching the next folder shows it stayed.
TEST_F(CommonDlg, TheMarkerClosesTheDialogInAFolderEnteredThatHoldsIt) {
    for (const char* folder : {"first", "second", "third", "third\\done"}) makeDirectory(dir / folder);
    writeBytes(dir / "first\\done", "");
    writeBytes(dir / "second\\done", "");
    bool stayedInFirst = false, stayedInThird = false, closedInSecond = false;
    Result answer;
    {
        DialogDriver driver([&](HWND dialog) {
            if (!showsFolder(dialog, dir / "first")) return cancel(dialog);
            typeAndConfirm(dialog, dir / "third");
            stayedInFirst = showsFolder(dialog, dir / "third");
            if (!stayedInFirst) return cancel(dialog);
            typeAndConfirm(dialog, dir / "third\\done");
            stayedInThird = showsFolder(dialog, dir / "third\\done");
            if (!stayedInThird) return cancel(dialog);
            typeAndConfirm(dialog, dir / "second");
            closedInSecond = waitUntil([&] { return !IsWindow(dialog); });
            if (!closedInSecond) cancel(dialog);
        });
        std::string initial = dir / "first\\";
        answer =
            call(service, "fileDialog",
                 {flag(true), new FlashExParamNull, str(initial), num(0x8000E), str("All|*.*||"), num(1), str("done")});
    }
    EXPECT_TRUE(stayedInFirst) << "the dialog never reached the next folder";
    EXPECT_TRUE(stayedInThird) << "the dialog never reached the next folder";
    EXPECT_TRUE(closedInSecond) << "the dialog stayed open in the folder holding the marker";
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(lstrcmpiA(answer->getProperty("path")->getString().c_str(), (dir / "second").c_str()), 0)
        << answer->getProperty("path")->getString();
    EXPECT_EQ(answer->getProperty("filterIndex")->getInt(), 1);
}

TEST_F(CommonDlg, BrowseForFolderAnswersTheFolderSelectedAtStart) {
    makeDirectory(dir / "picked");
    Result answer;
    {
        // Wine may select the initial folder some time after the browser shows.
        DialogDriver driver([](HWND browser) {
            waitUntil([&] { return selectedFolderName(browser) == "picked"; });
            PostMessageA(browser, WM_COMMAND, IDOK, 0);
        });
        answer = call(service, "browseForFolder", {str("Choose"), str(dir / "picked")});
    }
    EXPECT_EQ(lstrcmpiA(answer->getString().c_str(), (dir / "picked").c_str()), 0) << answer->getString();
}

TEST_F(CommonDlg, BrowseForFolderAnswersEmptyWhenCancelled) {
    Result answer;
    {
        DialogDriver driver(cancel);
        answer = call(service, "browseForFolder", {str("Choose"), str(dir.path())});
    }
    EXPECT_EQ(answer->getString(), "");
}

TEST_F(CommonDlg, BrowseForFolderRefusesAnInitialFolderLongerThanAPath) {
    std::string longFolder = "C:\\" + std::string(MAX_PATH, 'f');
    EXPECT_EQ(failure(service, "browseForFolder", {str("Choose"), str(longFolder)}),
              "初期フォルダのパスが長すぎます。");
}
