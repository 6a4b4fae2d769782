#include "tbx/MvException.h"
#include "services/file/DirectoryListing.h"
#include "services/file/DirectoryTree.h"
#include "services/file/XmlTextWriter.h"
#include "HostLinks.h"
#include "MovaraTest.h"

#include <vector>

using namespace movara_test;

namespace {

// Names in the order the file system enumerates them, which the listing keeps.
std::vector<std::string> enumerationOrder(const std::string& directory) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((directory + "\\*.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

void setWriteTime(const std::string& path, ULONGLONG ticks) {
    FILETIME time = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
}

std::string messageOf(void (*action)(const std::string&, const std::string&), const std::string& a,
                      const std::string& b) {
    try {
        action(a, b);
    } catch (const MvException& e) {
        return e.what();
    }
    return "no failure";
}

const ULONGLONG kOld = 130000000000000000ULL, kNew = 131000000000000000ULL;

}  // namespace

TEST(DirectoryListing, ExactTextWithEscapedAndJapaneseNames) {
    ScratchDir dir;
    makeDirectory(dir / "a&b");
    writeBytes(dir / "a&b\\x'y.txt", "");
    makeDirectory(dir / "a&b\\表");
    writeBytes(dir / "b.txt", "");
    makeDirectory(dir / "ソ");  // trail byte 0x5C
    std::string d = dir.path() + "\\";

    std::map<std::string, std::string> withFiles = {
        {"a&b", "<folder label=\"a&amp;b\">"},
        {"b.txt", "<file label=\"b.txt\"></file>"},
        {"ソ", "<folder label=\"ソ\"></folder>"},
    };
    std::string inner;
    for (const std::string& name : enumerationOrder(dir / "a&b"))
        inner += name == "表" ? "<folder label=\"表\"></folder>" : "<file label=\"x&apos;y.txt\"></file>";
    std::string expected = "<directory label=\"" + d + "\">";
    for (const std::string& name : enumerationOrder(dir.path()))
        expected += withFiles[name] + (name == "a&b" ? inner + "</folder>" : "");
    expected += "</directory>";
    EXPECT_EQ(expected, getDirectoryXML(d, true, true));

    // Defaults of the command: folders only, recursively.
    std::string foldersOnly = "<directory label=\"" + d + "\">";
    for (const std::string& name : enumerationOrder(dir.path())) {
        if (name == "a&b") foldersOnly += "<folder label=\"a&amp;b\"><folder label=\"表\"></folder></folder>";
        if (name == "ソ") foldersOnly += "<folder label=\"ソ\"></folder>";
    }
    EXPECT_EQ(foldersOnly + "</directory>", getDirectoryXML(d, false, true));
    std::string flat = getDirectoryXML(d, false, false);
    EXPECT_EQ(std::string::npos, flat.find("表"));
    EXPECT_NE(std::string::npos, flat.find("<folder label=\"a&amp;b\"></folder>"));
}

TEST(DirectoryListing, MissingDirectoryListsNothingAndShortNamesAreRefused) {
    EXPECT_EQ("<directory label=\"C:\\no such\"></directory>", getDirectoryXML("C:\\no such", true, true));
    EXPECT_THROW(getDirectoryXML("C", true, true), MvException);
}

TEST(XmlTextWriter, EscapesEveryMarkupCharacterButNotDoubleByteTrailBytes) {
    EXPECT_EQ("&#9;&#10;&#13;&quot;&amp;&apos;&lt;&gt;x", escapeAttribute("\t\n\r\"&'<>x"));
    EXPECT_EQ("表ソ\x81\x3E", escapeAttribute("表ソ\x81\x3E"));  // 0x3E '>' as a trail byte
    XmlTextWriter writer;
    EXPECT_THROW(writer.writeLabel("x"), MvException);
    writer.startElement("a");
    writer.startElement("b");
    writer.endElement();
    EXPECT_THROW(writer.writeLabel("x"), MvException);  // the start tag of a was closed by b
    writer.endElement();
    EXPECT_EQ("<a><b></b></a>", writer.text());
    std::string big(5000, 'z');
    writer.startElement("c");
    writer.writeLabel(big);
    writer.endElement();
    EXPECT_EQ("<a><b></b></a><c label=\"" + big + "\"></c>", writer.text());
}

TEST(DirectoryTree, CopyCreatesTheTreeAndHonoursOverwriteAndOnlyNewer) {
    ScratchDir dir;
    std::string src = dir / "src", dst = dir / "out\\deep";
    makeDirectory(src);
    makeDirectory(src + "\\sub");
    writeBytes(src + "\\new.txt", "source new");
    writeBytes(src + "\\old.txt", "source old");
    writeBytes(src + "\\sub\\only.txt", "only");
    setWriteTime(src + "\\new.txt", kNew);
    setWriteTime(src + "\\old.txt", kOld);
    auto prepare = [&] {
        removeTree(dir / "out");
        makeDirectory(dir / "out");
        makeDirectory(dst);
        writeBytes(dst + "\\new.txt", "dest");
        writeBytes(dst + "\\old.txt", "dest");
        setWriteTime(dst + "\\new.txt", (kOld + kNew) / 2);
        setWriteTime(dst + "\\old.txt", (kOld + kNew) / 2);
    };

    prepare();
    copyDirectoryTree(src, dst, false, false);  // only what is missing
    EXPECT_EQ("dest", readBytes(dst + "\\new.txt"));
    EXPECT_EQ("dest", readBytes(dst + "\\old.txt"));
    EXPECT_EQ("only", readBytes(dst + "\\sub\\only.txt"));

    prepare();
    copyDirectoryTree(src, dst, true, true);  // only newer wins over overwrite
    EXPECT_EQ("source new", readBytes(dst + "\\new.txt"));
    EXPECT_EQ("dest", readBytes(dst + "\\old.txt"));

    prepare();
    copyDirectoryTree(src, dst, true, false);
    EXPECT_EQ("source new", readBytes(dst + "\\new.txt"));
    EXPECT_EQ("source old", readBytes(dst + "\\old.txt"));

    removeTree(dir / "out");
    copyDirectoryTree(src, dst, false, false);  // missing destination levels are created
    EXPECT_EQ("only", readBytes(dst + "\\sub\\only.txt"));
}

TEST(DirectoryTree, CopyRefusesMissingSourcesAndDestinationsInsideTheSource) {
    ScratchDir dir;
    makeDirectory(dir / "src");
    writeBytes(dir / "src\\a.txt", "a");
    writeBytes(dir / "file", "f");
    EXPECT_EQ("コピー元ディレクトリが存在しません。" + (dir / "none"),
              messageOf([](const std::string& a, const std::string& b) { copyDirectoryTree(a, b, true, false); },
                        dir / "none", dir / "out"));
    EXPECT_EQ("コピー元ディレクトリが存在しません。" + (dir / "file"),
              messageOf([](const std::string& a, const std::string& b) { copyDirectoryTree(a, b, true, false); },
                        dir / "file", dir / "out"));
    // Inside the source, also written in another case or with "..": refused before anything is created.
    for (std::string inside : {dir / "src\\copy", dir / "SRC\\x\\y", dir / "src\\..\\src\\z", dir / "src"}) {
        EXPECT_THROW(copyDirectoryTree(dir / "src", inside, true, false), MvException) << inside;
    }
    EXPECT_EQ(std::vector<std::string>{"a.txt"}, enumerationOrder(dir / "src"));
    EXPECT_EQ("a", readBytes(dir / "src\\a.txt"));
}

TEST(DirectoryTree, AFailedFileCopyStopsAndNamesBothPaths) {
    ScratchDir dir;
    makeDirectory(dir / "src");
    writeBytes(dir / "src\\a.txt", "a");
    makeDirectory(dir / "dst");
    makeDirectory(dir / "dst\\a.txt");  // a directory where the file should go
    EXPECT_EQ("ファイルのコピーに失敗しました。 " + (dir / "src\\a.txt") + " to " + (dir / "dst\\a.txt"),
              messageOf([](const std::string& a, const std::string& b) { copyDirectoryTree(a, b, true, false); },
                        dir / "src", dir / "dst"));
}

TEST(DirectoryTree, DeleteRemovesEverythingItCanAndKeepsWhatIsLocked) {
    ScratchDir dir;
    std::string root = dir / "t";
    makeDirectory(root);
    makeDirectory(root + "\\a");
    makeDirectory(root + "\\a\\表");
    writeBytes(root + "\\a\\表\\x", "x");
    writeBytes(root + "\\b", "b");
    deleteDirectoryTree(root + "\\");
    EXPECT_FALSE(directoryExists(root));

    makeDirectory(root);
    makeDirectory(root + "\\keep");
    writeBytes(root + "\\keep\\locked", "l");
    writeBytes(root + "\\free", "f");
    HANDLE lock = CreateFileA((root + "\\keep\\locked").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    deleteDirectoryTree(root);
    CloseHandle(lock);
    EXPECT_TRUE(fileExists(root + "\\keep\\locked"));
    EXPECT_FALSE(fileExists(root + "\\free"));
}

TEST(DirectoryTree, DeleteNeverEmptiesALinkedDirectory) {
    ScratchDir dir;
    makeDirectory(dir / "target");
    writeBytes(dir / "target\\keep.txt", "k");
    makeDirectory(dir / "tree");
    ASSERT_TRUE(makeDirectoryLink(dir / "tree\\link", dir / "target")) << "no directory link could be made (ln on the host)";
    ASSERT_TRUE(GetFileAttributesA((dir / "tree\\link").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
    deleteDirectoryTree(dir / "tree");
    EXPECT_EQ("k", readBytes(dir / "target\\keep.txt"));
    removeDirectoryLink(dir / "tree\\link");
}
