#include "tbx/MvException.h"
#include "services/file/TempFolderRegistry.h"
#include "MovaraTest.h"
#include "HostLinks.h"
#include "ScratchDrive.h"

using namespace movara_test;

namespace {

std::string refusal(TempFolderRegistry& registry, const std::string& folder) {
    try {
        registry.useTempFolder(folder);
    } catch (const MvException& e) {
        return e.what();
    }
    return "accepted";
}

// One running holder process; it ends when told to (or when destroyed).
class Holder {
public:
    Holder(const std::string& folder, const std::string& tag)
        : ready_(CreateEventA(nullptr, TRUE, FALSE, ("mvtest_ready_" + tag).c_str())),
          quit_(CreateEventA(nullptr, TRUE, FALSE, ("mvtest_quit_" + tag).c_str())) {
        std::string program = executableDirectory() + "\\temp_folder_holder.exe";
        std::string command = "\"" + program + "\" \"" + folder + "\" mvtest_ready_" + tag + " mvtest_quit_" + tag;
        STARTUPINFOA startup = {sizeof startup};
        PROCESS_INFORMATION info = {};
        started_ =
            CreateProcessA(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
        if (started_) {
            process_ = info.hProcess;
            CloseHandle(info.hThread);
        }
    }
    ~Holder() {
        if (process_) {
            finish();
            CloseHandle(process_);
        }
        CloseHandle(ready_);
        CloseHandle(quit_);
    }
    bool waitReady() {
        HANDLE both[2] = {ready_, process_};
        return started_ && WaitForMultipleObjects(2, both, FALSE, 20000) == WAIT_OBJECT_0;
    }
    DWORD finish() {
        SetEvent(quit_);
        WaitForSingleObject(process_, 20000);
        DWORD code = 99;
        GetExitCodeProcess(process_, &code);
        return code;
    }

private:
    HANDLE ready_, quit_, process_ = nullptr;
    bool started_ = false;
};

}  // namespace

TEST(TempFolderRegistry, AcceptsFoldersBelowTheTempDirectoryOrEndingInTilde) {
    TempFolderRegistry registry;
    // The system's temp directory, not the helper the registry itself uses.
    char systemTemp[MAX_PATH] = "";
    ASSERT_NE(0u, GetTempPathA(MAX_PATH, systemTemp));
    std::string temp = systemTemp;
    ASSERT_EQ('\\', temp.back());
    temp.pop_back();
    EXPECT_EQ("一時フォルダ名が不正です。", refusal(registry, ""));
    EXPECT_EQ("一時フォルダ名が不正です。", refusal(registry, "C"));
    const char* outside = "指定されたパスは一時フォルダとして設定する事が出来ません。";
    EXPECT_EQ(outside, refusal(registry, "C:\\windows"));
    EXPECT_EQ(outside, refusal(registry, temp));  // the temp directory itself
    EXPECT_EQ(outside, refusal(registry, temp + "\\"));
    EXPECT_EQ(outside, refusal(registry, temp + "x\\y"));  // a sibling sharing its beginning
    EXPECT_EQ(outside, refusal(registry, temp + "\\..\\..\\x"));
    EXPECT_EQ(outside, refusal(registry, "C:\\\x83\x7E"));  // a trail byte equal to '~'
    EXPECT_EQ("accepted", refusal(registry, temp + "\\mvtest_a"));
    EXPECT_EQ("accepted", refusal(registry, temp + "\\mvtest_a"));  // again: ignored
    CharUpperA(&temp[0]);
    EXPECT_EQ("accepted", refusal(registry, temp + "\\mvtest_b"));
    EXPECT_EQ("accepted", refusal(registry, "C:\\anywhere\\work~"));
    EXPECT_TRUE(registry.isRegistered(temp + "\\mvtest_b"));
    EXPECT_EQ("C__anywhere_work~", TempFolderRegistry::mutexName("C:\\anywhere\\work~"));
    EXPECT_EQ("C__表_x", TempFolderRegistry::mutexName("C:\\表\\x"));  // 表's trail byte stays
}

// Drive M is a drive of the test's own, mapped onto a scratch folder.
TEST(TempFolderRegistry, KeepsAndDeletesTheFolderResolvedAtRegistration) {
    ScratchDir dir;
    ScratchDrive drive(dir.path());
    ASSERT_TRUE(drive.mapped()) << "no drive letter from M: to Y: could be mapped onto a scratch folder";
    for (const char* folder : {"tmp", "tmp\\app", "tmp\\other"}) makeDirectory(dir / folder);
    writeBytes(dir / "root.txt", "root");
    writeBytes(dir / "tmp\\app\\a.txt", "a");
    writeBytes(dir / "tmp\\other\\o.txt", "o");
    drive.setTemporaryFolder("\\tmp");
    drive.setCurrentFolder("\\tmp\\app");
    {
        TempFolderRegistry registry;
        EXPECT_EQ("accepted", refusal(registry, drive.drive()));  // drive M's current folder, below tmp
        EXPECT_TRUE(registry.isRegistered(drive.drive() + "\\tmp\\app"));
        drive.setCurrentFolder("\\tmp\\other");
    }
    EXPECT_FALSE(directoryExists(dir / "tmp\\app"));
    EXPECT_TRUE(fileExists(dir / "tmp\\other\\o.txt"));
    EXPECT_TRUE(fileExists(dir / "root.txt"));
}

TEST(TempFolderRegistry, DeletesOnlyWhatItsCheckAllowsAndUsesTheNamesItAnswers) {
    ScratchDir dir;
    for (const char* folder : {"session~", "session~\\open", "session~\\kept", "session~\\kept\\inner"})
        makeDirectory(dir / folder);
    writeBytes(dir / "session~\\a.txt", "a");
    writeBytes(dir / "session~\\open\\b.txt", "b");
    writeBytes(dir / "session~\\kept\\inner\\c.txt", "c");
    writeBytes(dir / "session~\\kept.txt", "k");
    std::vector<std::string> judged;
    {
        TempFolderRegistry registry([&](const std::string& path) {
            judged.push_back(path);
            if (path.find("kept") != std::string::npos) throw MvException("file access exception");
            return path;
        });
        EXPECT_EQ("accepted", refusal(registry, dir / "session~"));
        EXPECT_TRUE(judged.empty());  // judged when deleted, not when registered
    }
    EXPECT_FALSE(fileExists(dir / "session~\\a.txt"));
    EXPECT_FALSE(directoryExists(dir / "session~\\open"));
    EXPECT_EQ("c", readBytes(dir / "session~\\kept\\inner\\c.txt"));
    EXPECT_EQ("k", readBytes(dir / "session~\\kept.txt"));
    EXPECT_TRUE(directoryExists(dir / "session~"));  // it holds what stayed
    // Nothing below a refused folder is even asked about.
    for (const std::string& path : judged) EXPECT_EQ(std::string::npos, path.find("inner")) << path;
}

TEST(TempFolderRegistry, ATemporaryFolderAtADriveRootIsThatRoot) {
    ScratchDir dir;
    ScratchDrive drive(dir.path());
    ASSERT_TRUE(drive.mapped()) << "no drive letter from M: to Y: could be mapped onto a scratch folder";
    makeDirectory(dir / "app");
    drive.setTemporaryFolder("\\");
    drive.setCurrentFolder("\\app");  // "M:" alone is this folder, not the root
    TempFolderRegistry registry;
    EXPECT_EQ("accepted", refusal(registry, drive.drive() + "\\session"));
    EXPECT_EQ("指定されたパスは一時フォルダとして設定する事が出来ません。", refusal(registry, drive.drive() + "\\"));
}

TEST(TempFolderRegistry, ARegisteredLinkIsUnlinkedNeverEmptied) {
    ScratchDir dir;
    makeDirectory(dir / "target");
    writeBytes(dir / "target\\keep.txt", "k");
    std::string link = dir / "session";
    ASSERT_TRUE(makeDirectoryLink(link, dir / "target")) << "no directory link could be made (ln on the host)";
    {
        TempFolderRegistry registry;
        EXPECT_EQ("accepted", refusal(registry, link));
    }
    EXPECT_EQ("k", readBytes(dir / "target\\keep.txt"));
    removeDirectoryLink(link);
}

TEST(TempFolderRegistry, TwoRunningInstancesLeaveTheDeletionToTheLastOneToExit) {
    ScratchDir dir;
    std::string folder = dir / "session";
    makeDirectory(folder);
    writeBytes(folder + "\\data", "x");
    std::string tag = std::to_string(GetCurrentProcessId());
    Holder first(folder, tag + "a"), second(folder, tag + "b");
    ASSERT_TRUE(first.waitReady());
    ASSERT_TRUE(second.waitReady());
    EXPECT_EQ(0u, first.finish());
    EXPECT_TRUE(fileExists(folder + "\\data"));
    EXPECT_EQ(0u, second.finish());
    EXPECT_FALSE(directoryExists(folder));
}
