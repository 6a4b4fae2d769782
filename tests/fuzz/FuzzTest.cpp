#include <windows.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <new>

#include "bridge/values/FlashExParam.h"
#include "bridge/values/FlashExParse.h"
#include "bridge/values/FlashExRequest.h"
#include "bridge/host/FlashExServiceManager.h"
#include "bridge/values/XercesFacade.h"
#include "services/file/FlashExServiceFile.h"
#include "services/images/FlashExServiceImageFile.h"
#include "services/images/RasterJob.h"
#include "services/file/TempFolderRegistry.h"
#include "FuzzRunner.h"
#include "GdiplusTestSupport.h"
#include "MemoryStream.h"
#include "MovaraTest.h"
#include "PlayerHarness.h"
#include "Regressions.h"
#include "SwfWriter.h"
#include "dom/MvDOMDocument.h"
#include "imaging/MvGpImageConverter.h"
#include "imaging/SwfFile.h"
#include "player/MovieFile.h"
#include "player/host/PlayerIds.h"
#include "security/SecurityPolicy.h"
#include "tbx/Archive.h"
#include "tbx/ErrorBoundary.h"
#include "tbx/FileUtil.h"
#include "tbx/Handles.h"
#include "tbx/nfstream.h"

// Mutated inputs of every kind the program parses; each run must end without
// a crash, a hang or growing memory, and with its invariant held.
using namespace movara_test;

namespace {

void expectClean(const fuzz::RunReport& report, size_t inputs = fuzz::inputsPerKind()) {
    for (const std::string& failure : report.failures) ADD_FAILURE() << failure;
    EXPECT_EQ(inputs, report.inputs);
}

// Parsers may refuse an input with any exception of theirs; running out of
// memory is no refusal but a fault.
template <typename F>
bool accepted(F parse) {
    try {
        parse();
        return true;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        return false;
    }
}

const char* const kValues[] = {
    "<string>表ソ a&lt;b&amp;c&gt;</string>",
    "<string></string>",
    "<number>5</number>",
    "<number>-2.5e10</number>",
    "<number>2147483648</number>",
    "<true/>",
    "<false/>",
    "<null/>",
    "<undefined/>",
    "<array><property id=\"0\"><string>a</string></property><property id=\"1\"><number>1</number></property></array>",
    "<object><property id=\"k\"><number>1</number></property><property id=\"表\"><array></array></property></object>",
    "<array><property id=\"0\"><object><property id=\"x\"><array><property id=\"0\"><null/></property></array>"
    "</property></object></property></array>",
};

std::vector<std::string> valueCorpus() { return std::vector<std::string>(std::begin(kValues), std::end(kValues)); }

std::vector<std::string> invokeCorpus() {
    std::vector<std::string> corpus;
    std::string all;
    for (const char* value : kValues) {
        corpus.push_back("<invoke name=\"cmd\" returntype=\"xml\"><arguments>" + std::string(value) +
                         "</arguments></invoke>");
        all += value;
    }
    corpus.push_back("<invoke name=\"読む\" returntype=\"xml\"><arguments>" + all + "</arguments></invoke>");
    corpus.push_back("<invoke name=\"none\"/>");
    corpus.push_back(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><invoke name=\"x\"><arguments><string>\xE8\xA1\xA8"
        "</string></arguments></invoke>");
    return corpus;
}

// A value written back parses to the same value: writing it again gives the
// same text.
std::string roundTrip(const FlashExParam& value) {
    std::string once;
    value.writeXML(once);
    ParamPtr again;
    if (!accepted([&] { again = parseValue(once); }) || !again) return "the written value does not parse: " + once;
    std::string twice;
    again->writeXML(twice);
    // A NaN double is written as the movie spells it, which the format reads
    // as the integer 0: the one value that does not come back as itself.
    std::string expected = once;
    for (size_t at; (at = expected.find("<number>NaN</number>")) != std::string::npos;)
        expected.replace(at, 20, "<number>0</number>");
    return expected == twice ? "" : "the value changed when written back: " + once + " became " + twice;
}

TEST(Fuzz, InvokeTexts) {
    XercesFacade::initialize();
    auto report = fuzz::run("invoke", invokeCorpus(), fuzz::regressions("invoke"), [](const std::string& input) {
        FlashExRequest request;
        if (!accepted([&] { parseRequest(input, request); })) return std::string();
        for (size_t i = 0; i < request.arguments.size(); ++i) {
            std::string failure = roundTrip(*request.arguments.at(i));
            if (!failure.empty()) return failure;
        }
        return std::string();
    });
    expectClean(report);
}

TEST(Fuzz, ValueXml) {
    XercesFacade::initialize();
    auto report = fuzz::run("value", valueCorpus(), fuzz::regressions("value"), [](const std::string& input) {
        ParamPtr value;
        if (!accepted([&] { value = parseValue(input); }) || !value) return std::string();
        return roundTrip(*value);
    });
    expectClean(report);
}

// Settings documents in the four encodings the document parser reads.
std::vector<std::string> settingsCorpus() {
    const std::string body =
        "<settings><security><trusted>C:\\trusted</trusted><fileAccess>"
        "<deny access=\"rw\" match=\"dir\">C:\\secret</deny><allow access=\"rwx\" match=\"*\"/></fileAccess>"
        "<ole enable=\"true\"/></security><window width=\"800\" height='600'/><!-- note -->"
        "<![CDATA[a<b]]><?pi data?><empty></empty>TEXT</settings>";
    auto document = [&](const char* encoding, const std::string& text) {
        std::string marked = body;
        marked.replace(marked.find("TEXT"), 4, text);
        return "<?xml version=\"1.0\" encoding=\"" + std::string(encoding) + "\"?>\n" + marked;
    };
    return {document("Shift_JIS", "\x95\x5C\x83\x5C"), document("UTF-8", "\xE8\xA1\xA8\xE3\x82\xBD"),
            document("EUC-JP", "\x8e\xb6\x8e\xde\xb0\xa1\x8f\xb0\xa1"), document("x-jis", "\x1b$B0!\x1b(B"),
            "<!DOCTYPE settings [<!ENTITY a \"b\">]>\n<settings/>"};
}

TEST(Fuzz, SettingsDocuments) {
    ScratchDir dir;
    const std::string path = dir / "settings.xml";
    size_t count = 0;
    auto report = fuzz::run("settings", settingsCorpus(), fuzz::regressions("settings"), [&](const std::string& input) {
        MvDOMDocument fromText;
        accepted([&] { fromText.loadXML(input); });
        if (count++ % 8 == 0) {  // the file form less often: writing files is slow here
            tbx::write_file(path, input);
            MvDOMDocument fromFile;
            accepted([&] { fromFile.load(path); });
        }
        return std::string();
    });
    expectClean(report);
}

// A script that reaches every part of the player: the bridge with values of
// every type, drawing, the stage and a timer.
const char* const kBusyScript =
    u8"ExternalInterface.call('cmd', 1, -2.5, '表', [true, null], {k: undefined});"
    u8"graphics.fillRect(-5, 0, stage.width * 2, stage.height / 3, 0x336699);"
    u8"graphics.drawText(10, 1e6, 'ab\u8868', 0xFF, 40); stage.backgroundColor = 0x102030;"
    u8"ExternalInterface.addCallback('f', function (a) { return a; }); setTimeout(function () {}, 0);";

std::vector<std::string> swfCorpus() {
    std::vector<std::string> corpus;
    for (int variant = 0; variant < 8; ++variant) {
        SwfOptions options;
        options.compressed = variant & 1;
        options.actionScript3 = variant & 2;
        options.fileAttributes = !(variant & 4) || (variant & 2);
        options.version = variant & 4 ? 6 : 10;
        options.frameCount = static_cast<uint16_t>(variant * 300);
        corpus.push_back(buildSwf(options, variant & 1 ? "trace('x');" : std::string(200, 'a')));
    }
    SwfOptions wide;
    wide.width = 8000;
    wide.height = 1;
    wide.backgroundColor = 0x123456;
    corpus.push_back(buildSwf(wide, kBusyScript));
    wide.compressed = true;
    corpus.push_back(buildSwf(wide, kBusyScript));
    return corpus;
}

// The player's lines (traces, script errors, movies it could not load) go
// nowhere while the run loads a movie for every few inputs.
class QuietPlayerOutput {
public:
    QuietPlayerOutput()
        : nul_(CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr)),
          output_(GetStdHandle(STD_OUTPUT_HANDLE)),
          error_(GetStdHandle(STD_ERROR_HANDLE)) {
        SetStdHandle(STD_OUTPUT_HANDLE, nul_.get());
        SetStdHandle(STD_ERROR_HANDLE, nul_.get());
    }
    ~QuietPlayerOutput() {
        SetStdHandle(STD_OUTPUT_HANDLE, output_);
        SetStdHandle(STD_ERROR_HANDLE, error_);
    }

private:
    tbx::FileHandle nul_;
    HANDLE output_;
    HANDLE error_;
};

// The stand-in hosted as the program hosts it: loads a movie file and paints
// the stage into a small picture.
class MovieLoader {
public:
    MovieLoader() { dialog_.Create(); }

    // Whether the player reported the movie ready. The load runs from the
    // message the put posts, so it is over once the queue is empty.
    bool load(const std::string& path) {
        dialog_.readyStates.clear();
        dialog_.flashCalls.clear();
        dialog_.calls().put(player::kDispMovie, tbx::Variant::fromAnsi(path));
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (dialog_.readyStates != std::vector<int>{4}) return false;
        paint();
        return true;
    }

private:
    void paint() {
        tbx::WindowDC screen(nullptr);
        tbx::MemoryDC memory(CreateCompatibleDC(screen.get()));
        tbx::GdiObject bitmap(CreateCompatibleBitmap(screen.get(), 64, 48));
        tbx::SelectedObject selected(memory.get(), bitmap.get());
        SendMessageA(dialog_.player().window(), WM_PAINT, reinterpret_cast<WPARAM>(memory.get()), 0);
    }

    PlayerThreadSetup setup_;
    PlayerDialog dialog_;
};

bool sameMovie(const player::MovieData& a, const player::MovieData& b) {
    return a.width == b.width && a.height == b.height && a.frameRate == b.frameRate &&
           a.backgroundColor == b.backgroundColor && a.script == b.script;
}

// Most mutations break the length in the header or the compressed stream, and
// the readers stop there. So an uncompressed movie is also read with its
// length made right, and compressed: both forms must read as the same movie.
std::string compressedTwinAgrees(const std::string& input) {
    if (input.size() < 8 || input.compare(0, 3, "FWS") != 0) return std::string();
    std::string plain = input;
    const auto length = static_cast<uint32_t>(plain.size());
    for (int i = 0; i < 4; ++i) plain[4 + i] = static_cast<char>(length >> 8 * i);
    uLongf packedSize = compressBound(static_cast<uLong>(plain.size() - 8));
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(&packed[0]), &packedSize, reinterpret_cast<const Bytef*>(plain.data() + 8),
                  static_cast<uLong>(plain.size() - 8), Z_BEST_SPEED) != Z_OK)
        return "the test could not compress the movie";
    packed.resize(packedSize);
    const std::string twin = "CWS" + plain.substr(3, 5) + packed;
    player::MovieData fromPlain, fromTwin;
    bool readPlain = accepted([&] { fromPlain = player::parseSwf(plain); });
    bool readTwin = accepted([&] { fromTwin = player::parseSwf(twin); });
    if (readPlain != readTwin)
        return readPlain ? "the compressed form of a readable movie is refused"
                         : "the compressed form of a refused movie is read";
    if (readPlain && !sameMovie(fromPlain, fromTwin)) return std::string("the compressed form reads as another movie");
    return std::string();
}

TEST(Fuzz, SwfFiles) {
    ScratchDir dir;
    const std::string path = dir / "movie.swf";
    QuietPlayerOutput quiet;
    MovieLoader player;
    size_t count = 0;
    auto report = fuzz::run("swf", swfCorpus(), fuzz::regressions("swf"), [&](const std::string& input) {
        bool parsed = accepted([&] { player::parseSwf(input); });
        std::string failure = compressedTwinAgrees(input);
        if (!failure.empty()) return failure;
        // Every movie the parser reads is played, the others less often:
        // writing files is slow here.
        if (!parsed && count++ % 8) return std::string();
        tbx::write_file(path, input);
        accepted([&] { readSwfFile(path, true); });
        accepted([&] { readSwfFile(path, false); });
        accepted([&] { isSwf(path); });
        accepted([&] { isAs3Swf(path); });
        bool played = player.load(path);
        if (played != parsed)
            return std::string(parsed ? "the player did not load a movie its parser reads"
                                      : "the player loaded a movie its parser refuses");
        return std::string();
    });
    expectClean(report);
}

// Every file and folder below root apart from the skipped one, with each
// file's contents, so that any change outside the destination shows.
void snapshot(const std::string& root, const std::string& skipped, std::map<std::string, std::string>& found) {
    WIN32_FIND_DATAA entry;
    tbx::FindHandle find(FindFirstFileA((root + "\\*").c_str(), &entry));
    if (!find) return;
    do {
        std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        std::string path = root + "\\" + name;
        if (_stricmp(path.c_str(), skipped.c_str()) == 0) continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            found[path] = "<folder>";
            snapshot(path, skipped, found);
        } else {
            found[path] = readBytes(path);
        }
    } while (FindNextFileA(find.get(), &entry));
}

// The first path whose presence or contents differ between two snapshots.
std::string firstDifference(const std::map<std::string, std::string>& before,
                            const std::map<std::string, std::string>& after) {
    for (const auto& entry : before) {
        auto found = after.find(entry.first);
        if (found == after.end()) return entry.first + " is gone";
        if (found->second != entry.second) return entry.first + " changed";
    }
    for (const auto& entry : after)
        if (!before.count(entry.first)) return entry.first + " appeared";
    return std::string();
}

bool startsWithFolder(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && _strnicmp(path.c_str(), folder.c_str(), folder.size()) == 0 &&
           path[folder.size()] == '\\';
}

std::string fullPath(const std::string& path) {
    char buffer[4096];
    DWORD length = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    return length && length < sizeof buffer ? std::string(buffer, length) : path;
}

// Archives from the archive writer and from GNU tar over the same folder:
// files, a subfolder, a Japanese name, a name past 100 bytes and movies.
std::vector<std::string> archiveCorpus(const std::string& scratch) {
    const std::string source = scratch + "\\src";
    makeDirectory(source);
    makeDirectory(source + "\\sub");
    writeBytes(source + "\\a.txt", "alpha");
    writeBytes(source + "\\sub\\b.txt", std::string(700, 'b'));
    writeBytes(source + "\\\x95\x5C.txt", "omote");
    writeBytes(source + "\\" + std::string(120, 'n') + ".txt", "long");
    SwfOptions as3;
    as3.actionScript3 = true;
    writeBytes(source + "\\sub\\m.swf", buildSwf(SwfOptions(), "trace(1);"));
    writeBytes(source + "\\as3.swf", buildSwf(as3, "trace(1);"));
    std::vector<std::string> corpus;
    {
        fuzz::MemoryStream out;
        tbx::archive_create_from_directory(out, source);
        corpus.push_back(out.bytes());
    }
    {
        fuzz::MemoryStream out;
        tbx::archive_create(out, source, {source + "\\a.txt", source + "\\sub"});
        corpus.push_back(out.bytes());
    }
    std::string output;
    const std::string tarFile = scratch + "\\gnu.tar";
    if (runUnixProgram("tar -cf '" + unixPathOf(tarFile) + "' -C '" + unixPathOf(scratch) + "' src", "", output) == 0)
        corpus.push_back(readBytes(tarFile));
    removeTree(source);
    DeleteFileA(tarFile.c_str());
    return corpus;
}

TEST(Fuzz, Archives) {
    ScratchDir dir;
    const std::string outer = dir / "outer";
    const std::string destination = outer + "\\dest";
    makeDirectory(outer);
    makeDirectory(destination);
    makeDirectory(outer + "\\canary");
    writeBytes(outer + "\\canary\\c.txt", "canary");
    writeBytes(dir / "beside.txt", "beside");
    std::vector<std::string> corpus = archiveCorpus(dir.path());
    std::map<std::string, std::string> before;
    snapshot(dir.path(), destination, before);
    const size_t inputs = fuzz::inputsPerKind(2500);
    size_t count = 0;
    auto report = fuzz::run(
        "archive", corpus, fuzz::regressions("archive"),
        [&](const std::string& input) {
            if (++count % 64 == 0) {  // emptied now and then: clearing every time is slow here
                removeTree(destination);
                makeDirectory(destination);
            }
            std::string escaped;
            auto inside = [&](const std::string& target) {
                if (!startsWithFolder(fullPath(target), destination)) {
                    escaped = target;
                    throw std::runtime_error("outside");
                }
            };
            fuzz::MemoryStream in(input);
            if (count % 2)
                accepted([&] { tbx::archive_extract(destination, in, inside); });
            else
                accepted([&] {
                    tbx::archive_extract_without_as3_swf(
                        destination, in, [](const std::string& movie) { return !isAs3Swf(movie); }, inside);
                });
            if (!escaped.empty()) return "a target outside the destination was asked for: " + escaped;
            if (count % 256) return std::string();  // every target is checked above; the folders now and then
            std::map<std::string, std::string> after;
            snapshot(dir.path(), destination, after);
            if (after != before) return std::string("something outside the destination changed");
            if (!directoryExists(destination)) return std::string("the destination is gone");
            return std::string();
        },
        inputs);
    std::map<std::string, std::string> after;
    snapshot(dir.path(), destination, after);
    EXPECT_TRUE(after == before) << "something outside the destination changed";
    expectClean(report, inputs);
}

// The path of the object the handle reaches, without the "\\?\" prefix.
std::string objectPath(HANDLE handle) {
    char buffer[4096];
    DWORD length = GetFinalPathNameByHandleA(handle, buffer, sizeof buffer, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (!length || length >= sizeof buffer) return "";
    std::string path(buffer, length);
    return path.rfind("\\\\?\\", 0) == 0 ? path.substr(4) : path;
}

std::string objectPath(const std::string& folder) {
    tbx::FileHandle handle(CreateFileA(folder.c_str(), FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return handle ? objectPath(handle.get()) : "";
}

// Opens what a judged path reaches, as the file service would write it: an
// existing object as it is, a missing file created (and deleted on close).
tbx::FileHandle openJudged(const std::string& judged) {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    tbx::FileHandle handle(CreateFileA(judged.c_str(), FILE_READ_ATTRIBUTES, share, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle && GetLastError() == ERROR_FILE_NOT_FOUND)
        handle.reset(
            CreateFileA(judged.c_str(), GENERIC_WRITE, share, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return handle;
}

TEST(Fuzz, PathTexts) {
    ScratchDir dir;
    const std::string allowed = dir / "Allowed Folder";
    const std::string denied = allowed + "\\Denied Folder";
    const std::string outside = dir / "Outside Folder";
    makeDirectory(allowed);
    makeDirectory(denied);
    makeDirectory(outside);
    makeDirectory(dir / "Trusted");
    writeBytes(allowed + "\\ok.txt", "ok");
    writeBytes(denied + "\\s.txt", "secret");
    writeBytes(outside + "\\x.txt", "outside");
    MvDOMDocument settings;
    settings.loadXML("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<settings><security><trusted>" +
                     (dir / "Trusted") + "</trusted><fileAccess><deny access=\"rw\" match=\"dir\">" + denied +
                     "</deny><allow access=\"rw\" match=\"dir\">" + allowed +
                     "</allow></fileAccess></security></settings>");
    SecurityPolicy policy;
    policy.load(settings.findChild("settings").findChild("security"));
    const std::string allowedObject = objectPath(allowed);
    const std::string deniedObject = objectPath(denied);
    ASSERT_FALSE(allowedObject.empty());
    ASSERT_FALSE(deniedObject.empty());
    char shortName[MAX_PATH] = {};
    GetShortPathNameA(denied.c_str(), shortName, MAX_PATH);
    std::vector<std::string> corpus = {
        allowed + "\\ok.txt",
        allowed + "\\new.txt",
        allowed + "\\sub\\..\\new.txt",
        denied + "\\s.txt",
        denied + "\\..\\ok.txt",
        allowed + "\\..\\Outside Folder\\x.txt",
        allowed + "/Denied Folder/s.txt",
        std::string(shortName) + "\\s.txt",
        "\\\\?\\" + allowed + "\\ok.txt",
        "\\\\.\\" + denied + "\\s.txt",
        denied + ". \\s.txt",
        allowed + "\\CON",
        allowed + "\\ok.txt::$DATA",
    };
    const size_t inputs = fuzz::inputsPerKind(5000);
    std::vector<std::string> regressions = fuzz::regressions("path");
    for (std::string& input : regressions) {
        size_t at = input.find("{A}");
        if (at != std::string::npos) input.replace(at, 3, allowed);
    }
    auto report = fuzz::run(
        "path", corpus, regressions,
        [&](const std::string& input) {
            std::string judged;
            if (!accepted([&] { judged = policy.checkWrite(input); })) return std::string();
            tbx::FileHandle handle = openJudged(judged);
            if (!handle) return std::string();  // reaches nothing that could be written
            if (GetFileType(handle.get()) != FILE_TYPE_DISK) return "writing was allowed to a device: " + judged;
            std::string reached = objectPath(handle.get());
            if (!(reached == allowedObject || startsWithFolder(reached, allowedObject)))
                return "writing was allowed outside the allowed folder: " + judged + " reaches " + reached;
            if (reached == deniedObject || startsWithFolder(reached, deniedObject))
                return "writing was allowed inside the denied folder: " + judged + " reaches " + reached;
            return std::string();
        },
        inputs);
    expectClean(report, inputs);
}

// File commands in a compact form that mutations mostly leave readable (the
// invoke texts themselves are the invoke kind's work): the name on the first
// line, then an argument per line, its first character saying its kind: 's'
// text, 'n' number, 't' true, 'f' false, 'z' null, 'a' texts separated by
// '|' as an array, 'h' the last handle a command answered.
std::vector<std::string> fileCommandCorpus(const std::string& allowed) {
    const std::string outside = "s..\\Outside Folder\\x.txt", denied = "sDenied Folder\\s.txt";
    auto call = [](const char* name, std::initializer_list<std::string> arguments) {
        std::string text = name;
        for (const std::string& argument : arguments) text += "\n" + argument;
        return text;
    };
    return {
        call("saveTextFile", {"st.txt", "s表 text", "sutf-8"}),
        call("saveTextFile", {denied, "sx", "sshift_jis"}),
        call("loadTextFile", {"st.txt", "sutf-8"}),
        call("loadTextFile", {outside, "sshift_jis"}),
        call("saveBinFile", {"sb.bin", "sQUJDRA=="}),
        call("getFileNames", {"s", "a*.txt|sub\\*|..\\*"}),
        call("openDir", {"s*"}),
        call("readDir", {"h"}),
        call("closeDir", {"h"}),
        call("createDirectory", {"ssub\\deeper", "t"}),
        call("createDirectory", {"sDenied Folder\\new", "t"}),
        call("getDirectoryXML", {"s" + allowed, "t", "f"}),
        call("getDirectoryXML", {"z"}),
        call("archiveCreate", {"sa.arc", "ssub", "t"}),
        call("archiveExtract", {"sa.arc", "sunpacked"}),
        call("archiveExtractWithoutAs3Swf", {"sa.arc", "s..\\Outside Folder"}),
        call("directoryExists", {"ssub"}),
        call("fileExists", {outside}),
        call("copyDirectory", {"ssub", "scopy", "t", "f"}),
        call("copyDirectory", {"s.", "ssub\\inside", "t", "t"}),
        call("deleteFile", {"st.txt"}),
        call("deleteFile", {denied}),
        call("compareFileDate", {"st.txt", "sb.bin"}),
        call("compareFiletime", {"sb.bin", outside}),
        call("copyFile", {"st.txt", "sc.txt", "t"}),
        call("moveFile", {"sc.txt", "sDenied Folder\\m.txt"}),
        call("moveFile", {"sb.bin", "sm.bin"}),
        call("normalizePath", {"ssub\\..\\t.txt", "t"}),
        call("pathCanonicalize", {"sa\\..\\..\\b"}),
        call("pathRelativePathTo", {"s" + allowed + "\\sub", "t", "s" + allowed + "\\t.txt", "f"}),
        call("useTempFolder", {"swork~"}),
        call("getFileSize", {"st.txt"}),
        call("isTrustedPath", {"st.txt"}),
        call("shGetFolderPath", {"n5"}),
        call("getCurrentPath", {"t"}),
        call("moveFile", {"sa", "smoved"}),
        call("copyDirectory", {"sa", "sa2", "t", "f"}),
        call("archiveCreate", {"sa.arc", "sa", "f"}),
        call("useTempFolder", {"sa\\b\\..~"}),
        call("deleteFile", {"sa\\Denied Deep\\s.txt"}),
        call("makeThumbnail", {"sphoto.png", "sDenied Folder\\p.png", "n50", "n50"}),
        call("makeThumbnail", {"sm.swf", "sm.thumb", "n50", "n50", "s.jpg"}),
        call("updateThumbnail", {"sphoto.png", "z", "n10", "n10", "t"}),
        call("updateThumbnails", {"s", "a*.png|*.*", "n20", "n20", "f"}),
        call("getImageSize", {"sphoto.png"}),
    };
}

// The request a compact command stands for; handle is what 'h' means. A
// name that mutation made unknown becomes one of the names, picked by its
// bytes, so that most inputs reach a command.
void commandRequest(const std::string& input, const std::vector<std::string>& names, void* handle,
                    FlashExRequest& request) {
    size_t end = input.find('\n');
    request.name = input.substr(0, end);
    if (std::find(names.begin(), names.end(), request.name) == names.end()) {
        size_t sum = 0;
        for (unsigned char c : request.name) sum += c;
        request.name = names[sum % names.size()];
    }
    while (end != std::string::npos) {
        size_t start = end + 1;
        end = input.find('\n', start);
        std::string line = input.substr(start, end == std::string::npos ? std::string::npos : end - start);
        std::string rest = line.empty() ? std::string() : line.substr(1);
        switch (line.empty() ? 'z' : line[0]) {
            case 's':
                request.arguments.push(paramString(rest));
                break;
            case 'n':
                request.arguments.push(paramDouble(strtod(rest.c_str(), nullptr)));
                break;
            case 't':
            case 'f':
                request.arguments.push(paramBool(line[0] == 't'));
                break;
            case 'a': {
                auto list = std::make_unique<FlashExParamArray>();
                for (size_t from = 0, bar;; from = bar + 1) {
                    bar = rest.find('|', from);
                    list->pushString(rest.substr(from, bar == std::string::npos ? std::string::npos : bar - from));
                    if (bar == std::string::npos) break;
                }
                request.arguments.push(std::move(list));
                break;
            }
            case 'h':
                request.arguments.push(handle ? paramPointer(handle) : paramNull());
                break;
            default:
                request.arguments.push(paramNull());
        }
    }
}

// The scratch folder of the file command runs: an allowed folder (the current
// folder) with files, a denied folder at its top and another one deeper down,
// a folder outside and the trusted folder. Everything but the allowed
// folder's own files must stay as it is.
class CommandScene {
public:
    CommandScene() {
        makeDirectory(dir_ / "Outside Folder");
        makeDirectory(dir_ / "Trusted");
        writeBytes(dir_ / "Outside Folder\\x.txt", "outside");
        fillAllowedFolder();
        policy_.load(settings().findChild("settings").findChild("security"));
    }

    const std::string& allowed() const { return allowed_; }
    const SecurityPolicy& policy() const { return policy_; }

    // What the commands may not change: all but the allowed folder, and the
    // denied folders inside it.
    std::map<std::string, std::string> protectedState() const {
        std::map<std::string, std::string> state;
        snapshot(dir_.path(), allowed_, state);
        for (const std::string& folder : denied_) snapshot(folder, "", state);
        return state;
    }

    // A fresh allowed folder.
    void reset() {
        SetCurrentDirectoryA(dir_.path().c_str());
        removeTree(allowed_);
        fillAllowedFolder();
    }

private:
    void fillAllowedFolder() {
        for (const char* folder : {"", "\\sub", "\\a", "\\a\\b"}) makeDirectory(allowed_ + folder);
        for (const std::string& folder : denied_) {
            makeDirectory(folder);
            writeBytes(folder + "\\s.txt", "secret");
        }
        writeBytes(allowed_ + "\\t.txt", "text");
        writeBytes(allowed_ + "\\sub\\s.txt", "sub");
        writeBytes(allowed_ + "\\a\\b\\c.txt", "c");
        writeBytes(allowed_ + "\\m.swf", buildSwf(SwfOptions(), "trace(1);"));
        MvGpImageConverter().saveImage(allowed_ + "\\photo.png", ".png", photo_.get());
        SetCurrentDirectoryA(allowed_.c_str());
    }

    MvDOMDocument settings() const {
        std::string rules;
        for (const std::string& folder : denied_) rules += "<deny access=\"rw\" match=\"dir\">" + folder + "</deny>";
        MvDOMDocument document;
        document.loadXML("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<settings><security><trusted>" +
                         (dir_ / "Trusted") + "</trusted><fileAccess>" + rules + "<allow access=\"rw\" match=\"dir\">" +
                         allowed_ + "</allow></fileAccess></security></settings>");
        return document;
    }

    GdiplusSession gdiplus_;
    TestImage photo_ = solidBitmap(40, 30, 0xFF336699);
    ScratchDir dir_;
    std::string allowed_ = dir_ / "Allowed Folder";
    std::vector<std::string> denied_ = {allowed_ + "\\Denied Folder", allowed_ + "\\a\\Denied Deep"};
    SecurityPolicy policy_;
};

// Movies are not rendered here: every job is refused at once.
class NoRasteriser : public Rasteriser {
public:
    bool post(const std::shared_ptr<RasterJob>&) override { return false; }
};

TEST(Fuzz, FileCommands) {
    char previousFolder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previousFolder);
    CommandScene scene;
    const auto before = scene.protectedState();
    const std::vector<std::string> corpus = fileCommandCorpus(scene.allowed());
    std::vector<std::string> names;  // "log" is left out: the program's own log is outside the scratch folder
    for (const std::string& command : corpus) names.push_back(command.substr(0, command.find('\n')));
    size_t count = 0;
    void* handle = nullptr;
    const size_t inputs = fuzz::inputsPerKind(2000);
    fuzz::RunReport report;
    NoRasteriser noRasteriser;
    MvGpImageConverter encoders;
    {
        // As the program makes it: deleting at exit only what the policy allows.
        const SecurityPolicy& policy = scene.policy();
        TempFolderRegistry tempFolders([&](const std::string& path) { return policy.checkWrite(path); });
        FlashExServiceManager services;
        services.addService(std::make_unique<FlashExServiceFile>(policy, tempFolders));
        services.addService(std::make_unique<FlashExServiceImageFile>(noRasteriser, policy, encoders));
        report = fuzz::run(
            "command", corpus, fuzz::regressions("command"),
            [&](const std::string& input) {
                FlashExRequest request;
                commandRequest(input, names, handle, request);
                try {
                    ParamPtr answer = services.invoke(request);
                    if (answer && answer->kind() == ParamKind::Handle) handle = answer->getPointer();
                } catch (...) {
                    if (!caughtError().expected) return "the command " + request.name + " failed without a message";
                }
                if (++count % 16) return std::string();  // the protected places are compared now and then
                std::string changed = firstDifference(before, scene.protectedState());
                if (!changed.empty())
                    return "the command " + request.name + " or one before it changed what it may not: " + changed;
                if (count % 64 == 0) scene.reset();
                return std::string();
            },
            inputs);
    }
    EXPECT_EQ("", firstDifference(before, scene.protectedState()))
        << "a command changed something outside the allowed folder";
    SetCurrentDirectoryA(previousFolder);
    expectClean(report, inputs);
}

}  // namespace
