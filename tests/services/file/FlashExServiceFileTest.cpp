#include "services/file/FlashExServiceFile.h"
#include "services/file/TempFolderRegistry.h"
#include "MovaraTest.h"
#include "ServiceTestSupport.h"
#include "security/SecurityPolicy.h"

#include <set>
#include <vector>

using namespace movara_test;
using namespace service_test;

namespace {

const char* const kRefused = "file access exception";

class FileService : public ::testing::Test {
protected:

    std::vector<std::string> names(const Result& array) {
        std::vector<std::string> out;
        for (unsigned i = 0; i < array->asArray()->size(); ++i) out.push_back(array->asArray()->at(i)->getString());
        return out;
    }
    std::string programDirectory() {
        char path[MAX_PATH];
        DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string full(path, length);
        return full.substr(0, full.find_last_of('\\'));
    }
    void setWriteTime(const std::string& path, const SYSTEMTIME& when) {
        FILETIME time;
        SystemTimeToFileTime(&when, &time);
        HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        SetFileTime(file, nullptr, nullptr, &time);
        CloseHandle(file);
    }

    FlashExServiceFile service{testPolicy(), testTempFolders()};
    ScratchDir dir;
};

}  // namespace

TEST_F(FileService, UnknownCommandsAreLeftToOtherServices) {
    FlashExRequest request;
    request.name = "getfilenames";  // names are compared exactly
    ParamPtr result;
    EXPECT_FALSE(service.invoke(request, result));
    EXPECT_EQ(nullptr, result);
}

TEST_F(FileService, GetFileNamesListsEachNameOnceInOrderOfFirstAppearance) {
    writeBytes(dir / "a.txt", "");
    writeBytes(dir / "b.txt", "");
    writeBytes(dir / "ab.dat", "");
    makeDirectory(dir / "sub");
    FlashExParamArray* patterns = new FlashExParamArray;
    patterns->pushString("*.txt");
    patterns->pushString("a*");
    std::vector<std::string> found = names(call(service, "getFileNames", {str(dir.path()), patterns}));
    ASSERT_EQ(3u, found.size());
    EXPECT_EQ("ab.dat", found[2]);  // the *.txt names come first, a.txt only once
    EXPECT_EQ((std::set<std::string>{"a.txt", "b.txt"}), (std::set<std::string>{found[0], found[1]}));

    std::vector<std::string> all = names(call(service, "getFileNames", {str(dir.path())}));
    EXPECT_EQ((std::set<std::string>{"a.txt", "b.txt", "ab.dat", "sub"}),
              std::set<std::string>(all.begin(), all.end()));
    EXPECT_EQ(4u, all.size());
    // A trailing separator doubles the one put before the pattern; the search still works.
    EXPECT_EQ(4u, names(call(service, "getFileNames", {str(dir.path() + "\\")})).size());
    EXPECT_TRUE(names(call(service, "getFileNames", {str(dir / "missing")})).empty());
    EXPECT_EQ(kRefused, failure(service, "getFileNames", {str(dir / "forbidden")}));
    EXPECT_EQ("type error", failure(service, "getFileNames", {str(dir.path()), str("*.*")}));
}

TEST_F(FileService, DirectoryHandlesEnumerateAndAreRefusedOnceClosedOrMadeUp) {
    writeBytes(dir / "f.bin", "12345");
    SYSTEMTIME when = {2020, 2, 0, 29, 12, 0, 0, 0};
    setWriteTime(dir / "f.bin", when);
    Result handle = call(service, "openDir", {str(dir / "*.bin")});
    void* id = handle->getPointer();
    Result info = call(service, "readDir", {new FlashExParamPointer(id)});
    ASSERT_TRUE(info);
    EXPECT_EQ("f.bin", info->getProperty("fileName")->getString());
    EXPECT_EQ(5, info->getProperty("fileSize")->getInt());
    EXPECT_EQ(1582977600, info->getProperty("lastWriteTime")->getInt());
    EXPECT_EQ(0, info->getProperty("attributes")->getInt() & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(info->getProperty("creationTime")->isUndefined());
    EXPECT_FALSE(info->getProperty("lastAccessTime")->isUndefined());
    // The movie sends the handle back as a plain number.
    EXPECT_FALSE(call(service, "readDir", {num(static_cast<int>(reinterpret_cast<ULONG_PTR>(id)))}));
    EXPECT_FALSE(call(service, "readDir", {new FlashExParamPointer(id)}));
    EXPECT_FALSE(call(service, "closeDir", {new FlashExParamPointer(id)}));
    std::string refused = failure(service, "readDir", {new FlashExParamPointer(id)});
    EXPECT_EQ("フォルダのハンドルが正しくありません。", refused);
    EXPECT_EQ(refused, failure(service, "closeDir", {new FlashExParamPointer(id)}));
    EXPECT_EQ(refused, failure(service, "readDir", {num(123456)}));
    EXPECT_EQ(refused, failure(service, "readDir", {new FlashExParamNull}));

    Result all = call(service, "openDir", {str(dir / "*")});
    EXPECT_NE(id, all->getPointer());  // numbers are not reused
    std::set<std::string> seen;
    while (Result entry = call(service, "readDir", {new FlashExParamPointer(all->getPointer())}))
        seen.insert(entry->getProperty("fileName")->getString());
    EXPECT_EQ((std::set<std::string>{".", "..", "f.bin"}), seen);
    EXPECT_EQ("フォルダを開く事が出来ませんでした。", failure(service, "openDir", {str(dir / "*.none")}));
    EXPECT_EQ(kRefused, failure(service, "openDir", {str(dir / "forbidden")}));
    // With wildcards, the directory searched is what must be readable.
    makeDirectory(dir / "forbidden");
    EXPECT_EQ(kRefused, failure(service, "openDir", {str(dir / "forbidden\\*.*")}));
}

TEST_F(FileService, FolderQueriesWithAndWithoutTrailingSeparator) {
    std::string app = programDirectory();
    EXPECT_EQ(app + "\\", call(service, "getAppPath")->getString());
    EXPECT_EQ(app, call(service, "getAppPath", {flag(false)})->getString());
    // Compared with the system's own answers, not with the helpers the service uses.
    char temp[MAX_PATH] = "", current[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, temp);
    GetCurrentDirectoryA(MAX_PATH, current);
    std::string tempFolder = temp, currentFolder = current;
    ASSERT_EQ('\\', tempFolder.back());
    EXPECT_EQ(tempFolder, call(service, "getTempPath")->getString());
    EXPECT_EQ(tempFolder.substr(0, tempFolder.size() - 1), call(service, "getTempPath", {flag(false)})->getString());
    EXPECT_EQ(currentFolder + "\\", call(service, "getCurrentPath")->getString());
    EXPECT_EQ(currentFolder, call(service, "getCurrentPath", {flag(false)})->getString());
    EXPECT_EQ("type error", failure(service, "getAppPath", {num(1)}));

    std::string trusted = call(service, "getTrustedDir")->getString();
    EXPECT_EQ(testPolicy().trustedDir(), trusted);
    EXPECT_TRUE(call(service, "isTrustedPath", {str(trusted + "\\x.swf")})->getBool());
    EXPECT_FALSE(call(service, "isTrustedPath", {str(dir / "x.swf")})->getBool());

    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_EQ(0, lstrcmpiA(windows, call(service, "shGetFolderPath", {num(36)})->getString().c_str()));
    EXPECT_EQ("", call(service, "shGetFolderPath", {num(0x7F)})->getString());  // no such folder
}

TEST_F(FileService, TextFilesLogAndBinaryFilesPassTheirChecks) {
    std::string path = dir / "t.txt";
    EXPECT_FALSE(call(service, "saveTextFile", {str(path), str("表示"), str("utf-8")}));
    EXPECT_EQ(cp932ToUtf8("表示"), readBytes(path));
    EXPECT_EQ("表示", call(service, "loadTextFile", {str(path), str("UTF-8")})->getString());
    writeBytes(path,
               "\xEF\xBB\xBF"
               "abc");
    EXPECT_EQ("abc", call(service, "loadTextFile", {str(path), str("UTF-8")})->getString());
    EXPECT_EQ(kRefused, failure(service, "saveTextFile", {str(dir / "readonly"), str("x"), str("UTF-8")}));
    EXPECT_FALSE(fileExists(dir / "readonly"));
    writeBytes(dir / "readonly", "r");
    EXPECT_EQ("r", call(service, "loadTextFile", {str(dir / "readonly"), str("Shift_JIS")})->getString());
    EXPECT_EQ(kRefused, failure(service, "loadTextFile", {str(dir / "forbidden"), str("UTF-8")}));

    EXPECT_FALSE(call(service, "saveBinFile", {str(dir / "b.bin"), str("AAEC/w==")}));
    EXPECT_EQ(std::string("\x00\x01\x02\xFF", 4), readBytes(dir / "b.bin"));
    EXPECT_EQ(kRefused, failure(service, "saveBinFile", {str(dir / "readonly"), str("AA==")}));
    EXPECT_EQ("r", readBytes(dir / "readonly"));

    // The process's log file opens in the current directory at the first log
    // command and stays open, so it goes to a folder of this test program's own.
    char temp[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, temp);
    std::string logFolder = temp + std::string("movara_service_log_") + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(logFolder.c_str(), nullptr);
    DeleteFileA((logFolder + "\\log").c_str());
    char saved[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, saved);
    SetCurrentDirectoryA(logFolder.c_str());
    EXPECT_FALSE(call(service, "log", {str("x")}));
    SetCurrentDirectoryA(saved);
    EXPECT_FALSE(call(service, "log", {new FlashExParamNull}));
    EXPECT_FALSE(call(service, "log", {str("y")}));
    EXPECT_EQ("xy", readBytes(logFolder + "\\log"));
}

TEST_F(FileService, CreateDirectoryWithAndWithoutParents) {
    EXPECT_TRUE(call(service, "createDirectory", {str(dir / "a")})->getBool());
    EXPECT_TRUE(call(service, "createDirectory", {str(dir / "a")})->getBool());  // exists already
    EXPECT_EQ("フォルダ「" + (dir / "x\\y") + "」を作る事が出来ませんでした。",
              failure(service, "createDirectory", {str(dir / "x\\y")}));
    EXPECT_TRUE(call(service, "createDirectory", {str(dir / "x\\y"), flag(true)})->getBool());
    EXPECT_TRUE(directoryExists(dir / "x\\y"));
    EXPECT_EQ(kRefused, failure(service, "createDirectory", {str(dir / "readonly")}));
    EXPECT_FALSE(directoryExists(dir / "readonly"));
}

TEST_F(FileService, DirectoryListingAndCopyThroughTheService) {
    makeDirectory(dir / "src");
    makeDirectory(dir / "src\\s");
    writeBytes(dir / "src\\f.txt", "new");
    std::string root = dir / "src";
    EXPECT_EQ("<directory label=\"" + root + "\"><folder label=\"s\"></folder></directory>",
              call(service, "getDirectoryXML", {str(root)})->getString());
    EXPECT_EQ("<directory label=\"" + root + "\"><folder label=\"s\"></folder></directory>",
              call(service, "getDirectoryXML", {str(root), flag(false), flag(false)})->getString());
    EXPECT_NE(std::string::npos,
              call(service, "getDirectoryXML", {str(root), flag(true)})->getString().find("<file label=\"f.txt\">"));
    EXPECT_EQ(kRefused, failure(service, "getDirectoryXML", {str(dir / "forbidden")}));

    makeDirectory(dir / "dst");
    writeBytes(dir / "dst\\f.txt", "old");
    EXPECT_TRUE(call(service, "copyDirectory", {str(root), str(dir / "dst"), flag(false)})->getBool());
    EXPECT_EQ("old", readBytes(dir / "dst\\f.txt"));
    EXPECT_TRUE(directoryExists(dir / "dst\\s"));
    EXPECT_TRUE(call(service, "copyDirectory", {str(root), str(dir / "dst")})->getBool());  // overwrites by default
    EXPECT_EQ("new", readBytes(dir / "dst\\f.txt"));
    EXPECT_EQ(kRefused, failure(service, "copyDirectory", {str(dir / "forbidden"), str(dir / "d2")}));
    EXPECT_EQ(kRefused, failure(service, "copyDirectory", {str(root), str(dir / "readonly")}));
    EXPECT_EQ("コピー元ディレクトリが存在しません。" + (dir / "none"),
              failure(service, "copyDirectory", {str(dir / "none"), str(dir / "d2")}));
}

TEST_F(FileService, ArchivesRoundTripWithTheirChecks) {
    makeDirectory(dir / "set");
    makeDirectory(dir / "set\\img");
    writeBytes(dir / "set\\img\\a.png", "png");
    writeBytes(dir / "set\\b.txt", "b");
    EXPECT_FALSE(call(service, "archiveCreate", {str(dir / "own.tar"), str(dir / "set"), flag(true)}));
    EXPECT_FALSE(call(service, "archiveCreate", {str(dir / "rel.tar"), str(dir / "set"), flag(false)}));
    EXPECT_FALSE(call(service, "archiveExtract", {str(dir / "own.tar"), str(dir / "out1")}));
    EXPECT_EQ("png", readBytes(dir / "out1\\set\\img\\a.png"));
    EXPECT_FALSE(call(service, "archiveExtractWithoutAs3Swf", {str(dir / "rel.tar"), str(dir / "out2")}));
    EXPECT_EQ("png", readBytes(dir / "out2\\img\\a.png"));
    EXPECT_EQ("b", readBytes(dir / "out2\\b.txt"));

    EXPECT_EQ(kRefused, failure(service, "archiveCreate", {str(dir / "readonly"), str(dir / "set"), flag(true)}));
    EXPECT_FALSE(fileExists(dir / "readonly"));
    EXPECT_EQ(kRefused, failure(service, "archiveCreate", {str(dir / "x.tar"), str(dir / "forbidden"), flag(true)}));
    EXPECT_EQ(kRefused, failure(service, "archiveExtract", {str(dir / "forbidden"), str(dir / "out3")}));
    EXPECT_EQ(kRefused, failure(service, "archiveExtract", {str(dir / "own.tar"), str(dir / "readonly")}));
    EXPECT_EQ(kRefused, failure(service, "archiveExtractWithoutAs3Swf", {str(dir / "own.tar"), str(dir / "readonly")}));
    EXPECT_EQ("配列のインデックスが範囲を超えています。",
              failure(service, "archiveCreate", {str(dir / "x.tar"), str(dir / "set")}));
    EXPECT_EQ("error open file " + (dir / "none.tar"),
              failure(service, "archiveExtract", {str(dir / "none.tar"), str(dir / "out4")}));
}

TEST_F(FileService, UncheckedQueriesWorkOnAnyPath) {
    makeDirectory(dir / "forbidden");
    writeBytes(dir / "forbidden\\forbidden", "1234");
    std::string path = dir / "forbidden\\forbidden";
    EXPECT_TRUE(call(service, "directoryExists", {str(dir / "forbidden")})->getBool());
    EXPECT_FALSE(call(service, "directoryExists", {str(path)})->getBool());
    EXPECT_TRUE(call(service, "fileExists", {str(path)})->getBool());
    EXPECT_FALSE(call(service, "fileExists", {str(dir / "forbidden")})->getBool());
    EXPECT_FALSE(call(service, "fileExists", {str(dir / "nothing")})->getBool());
    EXPECT_EQ(4, call(service, "getFileSize", {str(path)})->getInt());
    EXPECT_EQ(0, call(service, "compareFiletime", {str(path), str(path)})->getInt());
    EXPECT_EQ(0, call(service, "compareFileDate", {str(path), str(path)})->getInt());
    EXPECT_EQ(path, call(service, "pathCanonicalize", {str(dir / "forbidden\\.\\x\\..\\forbidden")})->getString());
}

TEST_F(FileService, FileOperationsAnswerSuccessAndCheckBothSides) {
    writeBytes(dir / "a", "a");
    EXPECT_TRUE(call(service, "copyFile", {str(dir / "a"), str(dir / "b")})->getBool());
    EXPECT_FALSE(call(service, "copyFile", {str(dir / "a"), str(dir / "b"), flag(true)})->getBool());
    EXPECT_TRUE(call(service, "copyFile", {str(dir / "a"), str(dir / "b"), flag(false)})->getBool());
    EXPECT_FALSE(call(service, "copyFile", {str(dir / "none"), str(dir / "c")})->getBool());
    EXPECT_TRUE(call(service, "moveFile", {str(dir / "b"), str(dir / "c")})->getBool());
    EXPECT_FALSE(fileExists(dir / "b"));
    EXPECT_FALSE(call(service, "moveFile", {str(dir / "b"), str(dir / "d")})->getBool());
    EXPECT_TRUE(call(service, "deleteFile", {str(dir / "c")})->getBool());
    EXPECT_FALSE(call(service, "deleteFile", {str(dir / "c")})->getBool());

    writeBytes(dir / "forbidden", "f");
    writeBytes(dir / "readonly", "r");
    EXPECT_EQ(kRefused, failure(service, "copyFile", {str(dir / "forbidden"), str(dir / "x")}));
    EXPECT_EQ(kRefused, failure(service, "copyFile", {str(dir / "a"), str(dir / "readonly")}));
    EXPECT_TRUE(call(service, "copyFile", {str(dir / "readonly"), str(dir / "r2")})->getBool());
    EXPECT_EQ(kRefused, failure(service, "moveFile", {str(dir / "a"), str(dir / "readonly")}));
    EXPECT_EQ(kRefused, failure(service, "moveFile", {str(dir / "forbidden"), str(dir / "x")}));
    // Moving would delete a file that may not be written.
    EXPECT_EQ(kRefused, failure(service, "moveFile", {str(dir / "readonly"), str(dir / "x")}));
    EXPECT_EQ(kRefused, failure(service, "deleteFile", {str(dir / "readonly")}));
    EXPECT_EQ("r", readBytes(dir / "readonly"));
    EXPECT_EQ("a", readBytes(dir / "a"));
}

TEST_F(FileService, FileDatesCompareByDayAndFileTimesExactly) {
    writeBytes(dir / "a", "");
    writeBytes(dir / "b", "");
    SYSTEMTIME morning = {2024, 5, 0, 17, 9, 0, 0, 0}, later = {2024, 5, 0, 17, 9, 1, 0, 0};
    SYSTEMTIME nextMonth = {2024, 6, 0, 1, 0, 0, 0, 0};
    setWriteTime(dir / "a", morning);
    setWriteTime(dir / "b", later);
    EXPECT_EQ(0, call(service, "compareFileDate", {str(dir / "a"), str(dir / "b")})->getInt());
    EXPECT_EQ(-1, call(service, "compareFiletime", {str(dir / "a"), str(dir / "b")})->getInt());
    EXPECT_EQ(1, call(service, "compareFiletime", {str(dir / "b"), str(dir / "a")})->getInt());
    setWriteTime(dir / "b", nextMonth);
    EXPECT_EQ(-1, call(service, "compareFileDate", {str(dir / "a"), str(dir / "b")})->getInt());
    EXPECT_EQ(1, call(service, "compareFileDate", {str(dir / "b"), str(dir / "a")})->getInt());
    std::string prefix = "ファイルの更新時刻取得に失敗しました。file:";
    EXPECT_EQ(prefix + (dir / "y") + ",code:2", failure(service, "compareFiletime", {str(dir / "x"), str(dir / "y")}));
    EXPECT_EQ(prefix + (dir / "x") + ",code:2", failure(service, "compareFileDate", {str(dir / "x"), str(dir / "y")}));
}

TEST_F(FileService, NormalizePathResolvesAgainstTheProgramDirectory) {
    std::string app = programDirectory();
    std::string parent = app.substr(0, app.find_last_of('\\'));
    EXPECT_EQ(parent + "\\data", call(service, "normalizePath", {str("..\\data")})->getString());
    EXPECT_EQ(parent + "\\data\\", call(service, "normalizePath", {str("../data"), flag(true)})->getString());
    EXPECT_EQ(app + "\\a\\..\\b\\.", call(service, "normalizePath", {str("a\\..\\b\\.")})->getString());
    EXPECT_EQ("D:x\\", call(service, "normalizePath", {str("D:x"), flag(true)})->getString());
    EXPECT_EQ("\\share\\x", call(service, "normalizePath", {str("\\share\\x\\")})->getString());
}

TEST_F(FileService, ShellPathOperationsRefuseOverlongPaths) {
    EXPECT_EQ("..\\b\\c.txt",
              call(service, "pathRelativePathTo", {str("C:\\a\\x"), flag(true), str("C:\\a\\b\\c.txt"), flag(false)})
                  ->getString());
    EXPECT_FALSE(call(service, "pathRelativePathTo", {str("C:\\a"), flag(true), str("D:\\b"), flag(true)}));
    EXPECT_EQ("C:\\a\\c", call(service, "pathCanonicalize", {str("C:\\a\\b\\..\\.\\c")})->getString());
    std::string overlong = "C:\\" + std::string(300, 'x');
    std::string message = failure(service, "pathCanonicalize", {str(overlong)});
    EXPECT_EQ("パスが長過ぎます。" + overlong, message);
    EXPECT_EQ(message, failure(service, "pathRelativePathTo", {str(overlong), flag(true), str("C:\\"), flag(true)}));
    EXPECT_EQ(message, failure(service, "pathRelativePathTo", {str("C:\\"), flag(true), str(overlong), flag(true)}));
}

TEST_F(FileService, GetFileSizeRefusesMissingAndOversizedFiles) {
    EXPECT_EQ("ファイル「" + (dir / "none") + "」を開けませんでした。",
              failure(service, "getFileSize", {str(dir / "none")}));
    // A sparse file of 2 GiB takes no disk space.
    HANDLE file = CreateFileA((dir / "big").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = 0x80000000LL;
    SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
    EXPECT_EQ("ファイル「" + (dir / "big") + "」は2GB以上あるため、サイズを返せません。",
              failure(service, "getFileSize", {str(dir / "big")}));
}

TEST_F(FileService, UseTempFolderChecksWriteAccessAndRegisters) {
    std::string folder = dir / "session~";
    EXPECT_FALSE(call(service, "useTempFolder", {str(folder)}));
    EXPECT_TRUE(testTempFolders().isRegistered(folder));
    EXPECT_EQ(kRefused, failure(service, "useTempFolder", {str(dir / "readonly")}));
    EXPECT_EQ("指定されたパスは一時フォルダとして設定する事が出来ません。",
              failure(service, "useTempFolder", {str("C:\\windows\\x")}));
    // The length is the movie's text's, not that of the path it resolves to.
    for (const char* tooShort : {"", "x", "~"})
        EXPECT_EQ("一時フォルダ名が不正です。", failure(service, "useTempFolder", {str(tooShort)})) << tooShort;
    resetTestTempFolders();  // the folder was never created; nothing to delete
}
