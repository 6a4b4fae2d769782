#include <windows.h>

#include <map>
#include <memory>
#include <vector>

#include "bridge/values/FlashExParam.h"
#include "bridge/values/FlashExRequest.h"
#include "services/file/FlashExServiceFile.h"
#include "services/file/TempFolderRegistry.h"
#include "MovaraTest.h"
#include "PolicyTestSupport.h"
#include "ScratchDrive.h"
#include "security/MultiByteCompare.h"
#include "tbx/Archive.h"
#include "tbx/Handles.h"
#include "tbx/MvException.h"
#include "tbx/TextConversion.h"
#include "tbx/nfstream.h"

// Paths that a hostile movie might pass to reach objects the policy refuses.
// Each row names the object the path really reaches under Wine and the answer
// under two policies that share a trusted folder {R} and a deny rule on {D}:
//   narrow: deny {D}, allow the folder {T} around it, nothing else;
//   open:   deny {D}, deny {X}, deny a folder with a Greek name, allow "*".
// Each policy is also written with the short (8.3) names of its folders, and
// must then answer every row as it does with the long names.
using namespace security;

namespace {

using movara_test::ScratchDir;

enum Answer { Allowed, Refused, FormatError, RawPathError, ObjectPathError };

struct Attack {
    const char* path;
    int access;
    const char* reaches;
    // What reading the path through CreateFileA gives: the file's text, "-"
    // when it opens nothing, nullptr when not probed (devices, writes).
    const char* contents;
    Answer narrow;
    Answer open;
};

const int R = AccessRead, W = AccessWrite;

// 表 ends in the byte '\'; ＼ and 。 are the full-width backslash and full stop.
const Attack kAttacks[] = {
    {"{T}\\ok.txt", R, "T\\ok.txt", "ok", Allowed, Allowed},
    {"{X}\\x.txt", R, "X\\x.txt", "outside", Refused, Refused},
    {"{T}\\..\\Outside Folder\\x.txt", R, "X\\x.txt", "outside", Refused, Refused},
    {"{T}/../Outside Folder/x.txt", R, "X\\x.txt", "outside", Refused, Refused},
    // Wine's full-path service turns "..." into ".." and keeps it.
    {"{T}\\...\\Outside Folder\\x.txt", W, "X\\x.txt", nullptr, FormatError, FormatError},
    {"{D}\\..\\..\\Outside Folder\\x.txt", R, "X\\x.txt", "outside", Refused, Refused},
    {"{T}\\denied FOLDER\\s.txt", R, "D\\s.txt", "secret", Refused, Refused},
    {"{D}.\\s.txt", R, "D\\s.txt (trailing dot dropped)", "secret", Refused, Refused},
    {"{D}.", W, "D", nullptr, Refused, Refused},
    {"{D} ", W, "D", nullptr, Refused, Refused},
    {"{D}\\s.txt.", R, "D\\s.txt", "secret", Refused, Refused},
    // Wine's long-path service drops the trailing space or dots of "D " where
    // opening does not, so these are judged as D although they reach nothing.
    {"{D} \\s.txt", R, "nothing (no folder \"Denied Folder \")", "-", Refused, Refused},
    {"{D}. . .\\s.txt", R, "nothing (no folder \"Denied Folder. . \")", "-", Refused, Refused},
    {"{T}\\\\Denied Folder\\s.txt", R, "D\\s.txt", "secret", Refused, Refused},
    {"{T}\\/Denied Folder\\s.txt", R, "D\\s.txt", "secret", Refused, Refused},
    {"{D}\\s.txt::$DATA", R, "nothing under Wine; D\\s.txt on NTFS", "-", FormatError, FormatError},
    {"{D}\\s.txt:s", W, "nothing under Wine; a stream of D\\s.txt on NTFS", "-", FormatError, FormatError},
    {"{D}::$INDEX_ALLOCATION\\s.txt", R, "nothing under Wine; D\\s.txt on NTFS", "-", FormatError, FormatError},
    {"{D83}\\s.txt", R, "D\\s.txt", "secret", Refused, Refused},
    {"{T83}\\ok.txt", R, "T\\ok.txt", "ok", Allowed, Allowed},
    {"{T}\\CON", W, "the console", nullptr, Refused, Refused},
    {"{T}\\nul.txt", W, "the NUL device", nullptr, Refused, Refused},
    {"{T}\\COM1", W, "serial port 1", nullptr, Refused, Refused},
    {"{T}\\CONIN$", R, "console input", nullptr, Refused, Refused},
    {"\\\\.\\{X}\\x.txt", R, "X\\x.txt", "outside", Refused, Refused},
    {"//./{X/}/x.txt", R, "X\\x.txt", "outside", Refused, Refused},
    {"\\\\?\\{T}\\..\\Outside Folder\\x.txt", R, "nothing (\"..\" is a name there)", "-", RawPathError, RawPathError},
    {"//?/{X/}/x.txt", R, "X\\x.txt", "outside", Refused, Refused},
    {"\\??\\{X}\\x.txt", R, "X\\x.txt", "outside", ObjectPathError, ObjectPathError},
    // Judged as a folder "??" on the current drive, opened as a share path.
    {"\\??\\UNC\\localhost\\C$\\{X:}\\x.txt", R, "nothing under Wine; X\\x.txt on Windows", "-", ObjectPathError,
     ObjectPathError},
    {"\\\\localhost\\C$\\{X:}\\x.txt", R, "nothing under Wine; X\\x.txt on Windows", "-", Refused, Refused},
    {"\\\\127.0.0.1\\c$\\{X:}\\x.txt", R, "nothing under Wine; X\\x.txt on Windows", "-", Refused, Refused},
    {"\\\\localhost\\C$\\{R:}\\new.txt", W, "nothing under Wine; the trusted folder on Windows", nullptr, Refused,
     Refused},
    {"C:..\\Outside Folder\\x.txt", R, "X\\x.txt (current folder T)", "outside", Refused, Refused},
    {"C:ok.txt", R, "T\\ok.txt (current folder T)", "ok", Allowed, Allowed},
    {"..\\Outside Folder\\x.txt", R, "X\\x.txt (current folder T)", "outside", Refused, Refused},
    {"{X:}\\x.txt", R, "X\\x.txt (root of the current drive)", "outside", Refused, Refused},
    {"{T}2\\x.txt", W, "nothing (a sibling of T)", nullptr, Refused, Allowed},
    {"{T}evil\\x.txt", W, "nothing (a sibling of T)", nullptr, Refused, Allowed},
    {"{T}\\ok.txt{NUL}\\..\\..\\Outside Folder\\x.txt", R, "T\\ok.txt (Win32 stops at NUL)", "ok", FormatError,
     FormatError},
    {"{T}\\{300}", W, "nothing (name too long)", nullptr, FormatError, FormatError},
    {"{T}\\{33000}", W, "nothing (path too long)", nullptr, FormatError, FormatError},
    {"{T}\\表\\..\\..\\Outside Folder\\x.txt", R, "X\\x.txt", "outside", Refused, Refused},
    {"{T}\\表\\..\\ok.txt", R, "T\\ok.txt", "ok", Allowed, Allowed},
    {"{T}\\ポ\\..\\ok.txt", R, "T\\ok.txt (ポ ends in the byte '|')", "ok", Allowed, Allowed},
    {"\\\\2130706433\\c$\\{X:}\\x.txt", R, "nothing under Wine; X\\x.txt on Windows", "-", Refused, Refused},
    // Another machine's share is judged by the rules that match it; no deny
    // rule written for this machine's folders does.
    {"\\\\fileserver\\movies\\{X:}\\x.txt", R, "nothing under Wine; a file on another machine", "-", Refused, Allowed},
    {"{T}\\Denied Folder＼s.txt", W, "nothing (one name inside T)", nullptr, Allowed, Allowed},
    {"{T}\\。。\\Outside Folder\\x.txt", W, "nothing (a folder \"。。\" inside T)", nullptr, Allowed, Allowed},
    {"{T}\\link\\x.txt", R, "nothing (Wine makes the link to X but does not follow it)", "-", Allowed, Allowed},
    {"{ZX}\\x.txt", R, "X\\x.txt (drive Z: is the Unix root)", "outside", Refused, Refused},
    {"{ZDX}\\x.txt", R, "X\\x.txt (through the prefix's link c:)", "outside", FormatError, FormatError},
    {"{ZR}\\new.txt", W, "the trusted folder through Z:", nullptr, Refused, Refused},
    {"{S}\\δelta folder\\g.txt", R, "Δelta Folder\\g.txt", "greek", Refused, Refused},
    {"{R}\\movie.swf", R, "the trusted folder", nullptr, Allowed, Allowed},
    {"{R}\\new.txt", W, "the trusted folder", nullptr, Refused, Refused},
    {"{R83}\\new.txt", W, "the trusted folder", nullptr, Refused, Refused},
    {"{R}.\\new.txt", W, "the trusted folder", nullptr, Refused, Refused},
};

std::string shortPathOf(const std::string& path) {
    char buffer[MAX_PATH];
    DWORD length = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    return std::string(buffer, length);
}

std::string replaced(std::string text, char from, char to) {
    for (char& c : text)
        if (c == from) c = to;
    return text;
}

// The same folder through drive Z:, which Wine maps to the Unix root: the
// prefix's "dosdevices\c:" link, or with drive_c the folder it links to.
std::string unixRootAlias(const std::string& path, bool throughDriveFolder) {
    std::string unixPath = movara_test::unixPathOf(path);
    if (unixPath.empty()) return "Z:\\no-unix-name";
    std::string alias = "Z:" + replaced(unixPath, '/', '\\');
    size_t link = alias.find("\\dosdevices\\c:");
    if (throughDriveFolder && link != std::string::npos) alias.replace(link, 14, "\\drive_c");
    return alias;
}

std::string contentsOf(const std::string& path) {
    tbx::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return "-";
    char buffer[64];
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) return "-";
    return std::string(buffer, got);
}

std::string judged(const SecurityPolicy& policy, const std::string& path, int access) {
    try {
        return policy.isAllowed(path, access) ? "allowed" : "refused";
    } catch (const MvException& e) {
        return std::string("format error: ") + e.what();
    } catch (const FlashExException& e) {
        return "raw path error: " + e.getMessage();
    }
}

bool answerMatches(const std::string& judgement, Answer expected) {
    switch (expected) {
        case Allowed:
            return judgement == "allowed";
        case Refused:
            return judgement == "refused";
        case FormatError:
            return judgement.rfind("format error: path format error ", 0) == 0;
        case RawPathError:
            return judgement == "raw path error: path format error \\\\?\\";
        case ObjectPathError:
            return judgement == "raw path error: path format error \\??\\";
    }
    return false;
}

class PathAttack : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string s = scratch_.path();
        places_["{S}"] = s;
        places_["{T}"] = s + "\\Allowed Folder";
        places_["{D}"] = places_["{T}"] + "\\Denied Folder";
        places_["{X}"] = s + "\\Outside Folder";
        places_["{R}"] = s + "\\Trusted Folder";
        for (const char* folder : {"{T}", "{D}", "{X}", "{R}"}) movara_test::makeDirectory(places_[folder]);
        places_["{G}"] = s + "\\Δelta Folder";
        movara_test::makeDirectory(places_["{G}"]);
        movara_test::writeBytes(places_["{T}"] + "\\ok.txt", "ok");
        CreateSymbolicLinkA((places_["{T}"] + "\\link").c_str(), places_["{X}"].c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
        movara_test::writeBytes(places_["{D}"] + "\\s.txt", "secret");
        movara_test::writeBytes(places_["{X}"] + "\\x.txt", "outside");
        movara_test::writeBytes(s + "\\Δelta Folder\\g.txt", "greek");
        places_["{T83}"] = shortPathOf(places_["{T}"]);
        places_["{D83}"] = shortPathOf(places_["{D}"]);
        places_["{R83}"] = shortPathOf(places_["{R}"]);
        places_["{X83}"] = shortPathOf(places_["{X}"]);
        places_["{G83}"] = shortPathOf(places_["{G}"]);
        places_["{X/}"] = replaced(places_["{X}"], '\\', '/');
        places_["{X:}"] = places_["{X}"].substr(2);
        places_["{R:}"] = places_["{R}"].substr(2);
        places_["{ZX}"] = unixRootAlias(places_["{X}"], true);
        places_["{ZR}"] = unixRootAlias(places_["{R}"], true);
        places_["{ZDX}"] = unixRootAlias(places_["{X}"], false);
        places_["{NUL}"] = std::string(1, '\0');
        places_["{300}"] = std::string(300, 'a');
        places_["{33000}"] = std::string(33000, 'a');

        narrow_ = narrowPolicy("{R}", "{D}", "{T}");
        open_ = openPolicy("{R}", "{D}", "{X}", "{G}");
        narrowShort_ = narrowPolicy("{R83}", "{D83}", "{T83}");
        openShort_ = openPolicy("{R83}", "{D83}", "{X83}", "{G83}");
    }

    std::string rule(const char* kind, const char* folder) const {
        return std::string("<") + kind + " access=\"rwx\" match=\"dir\">" + places_.at(folder) + "</" + kind + ">";
    }
    std::unique_ptr<SecurityPolicy> narrowPolicy(const char* trusted, const char* denied, const char* allowed) const {
        return policyFromSettings("<security><trusted>" + places_.at(trusted) + "</trusted><fileAccess>" +
                                  rule("deny", denied) + rule("allow", allowed) + "</fileAccess></security>");
    }
    std::unique_ptr<SecurityPolicy> openPolicy(const char* trusted, const char* denied, const char* outside,
                                               const char* greek) const {
        return policyFromSettings("<security><trusted>" + places_.at(trusted) + "</trusted><fileAccess>" +
                                  rule("deny", denied) + rule("deny", outside) + rule("deny", greek) +
                                  "<allow access=\"rwx\" match=\"*\"/></fileAccess></security>");
    }

    std::string expand(std::string text) const {
        for (;;) {
            size_t open = text.find('{');
            if (open == std::string::npos) return text;
            size_t close = text.find('}', open);
            text.replace(open, close - open + 1, places_.at(text.substr(open, close - open + 1)));
        }
    }

    ScratchDir scratch_;
    std::map<std::string, std::string> places_;
    std::unique_ptr<SecurityPolicy> narrow_, open_, narrowShort_, openShort_;
};

TEST_F(PathAttack, EveryPathIsJudgedByTheObjectItReaches) {
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(places_["{T}"].c_str());
    for (const Attack& attack : kAttacks) {
        std::string path = expand(attack.path);
        if (attack.contents) {
            EXPECT_EQ(contentsOf(path), attack.contents) << attack.path << " does not reach " << attack.reaches;
        }
        std::string narrow = judged(*narrow_, path, attack.access);
        std::string open = judged(*open_, path, attack.access);
        EXPECT_TRUE(answerMatches(narrow, attack.narrow))
            << attack.path << " (reaches " << attack.reaches << "), narrow policy: " << narrow;
        EXPECT_TRUE(answerMatches(open, attack.open))
            << attack.path << " (reaches " << attack.reaches << "), open policy: " << open;
        EXPECT_EQ(judged(*narrowShort_, path, attack.access), narrow)
            << attack.path << ", narrow policy in short names";
        EXPECT_EQ(judged(*openShort_, path, attack.access), open) << attack.path << ", open policy in short names";
    }
    SetCurrentDirectoryA(previous);
}

// Commands that judged one place and then worked on another. Every row runs
// one file command on drive {M}, a drive of the test's own mapped onto the
// scratch folder, whose current folder is {T}\cur; the temporary folder is
// {T}. The policy:
//   trusted  {T}\Trusted
//   deny rw  {T}\Denied Folder, {T}\Locked (which does not exist)
//   allow rw {T}, {W}
// The scratch folder also holds an outside folder and a file at its root,
// which no command may reach. Each row starts from the same files.
struct CommandAttack {
    const char* command;
    // "true" and "false" are Bool values, "[p]" an Array holding pattern p.
    std::vector<const char*> arguments;
    const char* failure;  // the message, or "" when the command succeeds
    const char* before;   // what the command reached when paths were judged apart from their use
    const char* absent;   // must not exist afterwards
    const char* present;  // must exist afterwards
    const char* hidden;   // must not appear in the answer (for "archiveCreate": in the archive)
    const char* shown;    // must appear in it
};

const char* const kRefusal = "file access exception";

const CommandAttack kCommandAttacks[] = {
    {"getFileNames", {"{M}"}, "", "the root of {M}", nullptr, nullptr, "Outside Folder", "cur.txt"},
    {"getFileNames", {"{T}", "[..\\*]"}, kRefusal, "the scratch root", nullptr, nullptr, "Outside Folder", nullptr},
    {"getFileNames", {"{T}", "[Denied Folder\\*]"}, kRefusal, "D", nullptr, nullptr, "s.txt", nullptr},
    {"getFileNames", {"{T}", "[cur\\*.txt]"}, "", "(allowed: a folder inside T)", nullptr, nullptr, nullptr, "cur.txt"},
    {"getDirectoryXML", {"{M}"}, "", "the root of {M}", nullptr, nullptr, "Outside Folder", "sub"},
    {"getDirectoryXML", {"{T}", "true"}, "", "D's files", nullptr, nullptr, "s.txt", "Denied Folder"},
    {"openDir", {"{M}*"}, "", "the root of {M}", nullptr, nullptr, "Outside Folder", "cur.txt"},
    {"openDir", {"{M}..\\..\\*"}, kRefusal, "the root of {M}", nullptr, nullptr, nullptr, nullptr},
    {"copyDirectory",
     {"{M}", "{W}\\copy"},
     "",
     "the root of {M}",
     "{W}\\copy\\Outside Folder",
     "{W}\\copy\\cur.txt",
     nullptr,
     nullptr},
    {"copyDirectory",
     {"{T}\\src", "{T}"},
     kRefusal,
     "the trusted folder",
     "{T}\\Trusted\\m.swf",
     nullptr,
     nullptr,
     nullptr},
    {"copyDirectory",
     {"{T}", "{W}\\copy"},
     kRefusal,
     "D's files",
     "{W}\\copy\\Denied Folder\\s.txt",
     nullptr,
     nullptr,
     nullptr},
    {"copyDirectory",
     {"{T}\\cur", "{T}\\Locked \\x"},
     kRefusal,
     "the folder Locked",
     "{T}\\Locked",
     nullptr,
     nullptr,
     nullptr},
    {"archiveCreate", {"{W}\\a.tar", "{M}", "false"}, "", "the root of {M}", nullptr, nullptr, "outside", "cur.txt"},
    {"archiveCreate", {"{W}\\b.tar", "{T}", "true"}, kRefusal, "D's files", nullptr, nullptr, "secret", nullptr},
    {"archiveExtract",
     {"{W}\\trusted.tar", "{T}"},
     kRefusal,
     "the trusted folder",
     "{T}\\Trusted\\m.swf",
     nullptr,
     nullptr,
     nullptr},
    {"archiveExtract",
     {"{W}\\denied.tar", "{T}"},
     kRefusal,
     "D",
     "{T}\\Denied Folder\\m.swf",
     nullptr,
     nullptr,
     nullptr},
    {"archiveExtract",
     {"{W}\\long.tar", "{T}"},
     kRefusal,
     "D, through the list of long names",
     "{LONG}",
     nullptr,
     nullptr,
     nullptr},
    {"archiveExtract",
     {"{W}\\plain.tar", "{M}"},
     "",
     "the root of {M}",
     "{M}\\m.swf",
     "{T}\\cur\\m.swf",
     nullptr,
     nullptr},
    {"archiveExtractWithoutAs3Swf",
     {"{W}\\plain.tar", "{M}"},
     "",
     "the root of {M}",
     "{M}\\m.swf",
     "{T}\\cur\\m.swf",
     nullptr,
     nullptr},
    {"archiveExtract",
     {"{W}\\plain.tar", "{T}\\Locked \\x"},
     kRefusal,
     "the folder Locked",
     "{T}\\Locked",
     nullptr,
     nullptr,
     nullptr},
    {"archiveExtractWithoutAs3Swf",
     {"{W}\\trusted.tar", "{T}"},
     kRefusal,
     "the trusted folder",
     "{T}\\Trusted\\m.swf",
     nullptr,
     nullptr,
     nullptr},
    {"createDirectory",
     {"{T}\\Locked \\x", "true"},
     kRefusal,
     "the folder Locked",
     "{T}\\Locked",
     nullptr,
     nullptr,
     nullptr},
    // At exit, after the current folder of {M} moved on, the registry deletes
    // what it judged, not the root of {M}.
    {"useTempFolder", {"{M}"}, "", "the whole drive {M}", "{T}\\cur", "{T}\\other\\o.txt", nullptr, nullptr},
    // Moving a folder that holds a denied one would carry it out of its rule.
    {"moveFile", {"{T}", "{W}\\moved"}, kRefusal, "D's files", "{W}\\moved", "{T}\\Denied Folder\\s.txt", nullptr,
     nullptr},
    {"moveFile", {"{T}\\other", "{W}\\moved"}, "", "(allowed: no denied folder inside)", "{T}\\other",
     "{W}\\moved\\o.txt", nullptr, nullptr},
};

class CommandAttacks : public ::testing::Test {
protected:
    void SetUp() override {
        drive_ = std::make_unique<movara_test::ScratchDrive>(scratch_.path());
        ASSERT_TRUE(drive_->mapped()) << "no drive letter from M: to Y: could be mapped onto a scratch folder";
        const std::string m = drive_->drive();
        places_["{M}"] = m;
        places_["{T}"] = m + "\\Allowed Folder";
        places_["{W}"] = m + "\\Work";
        places_["{LONG}"] = places_["{T}"] + "\\Denied Folder\\" + std::string(100, 'n');
        drive_->setCurrentFolder("\\Allowed Folder\\cur");
        drive_->setTemporaryFolder("\\Allowed Folder");
        const std::string t = places_["{T}"];
        policy_ = policyFromSettings(
            "<security><trusted>" + t + "\\Trusted</trusted><fileAccess>" + "<deny access=\"rw\" match=\"dir\">" + t +
            "\\Denied Folder</deny>" + "<deny access=\"rw\" match=\"dir\">" + t + "\\Locked</deny>" +
            "<allow access=\"rw\" match=\"dir\">" + t + "</allow>" + "<allow access=\"rw\" match=\"dir\">" +
            places_["{W}"] + "</allow>" + "</fileAccess></security>");
    }

    // The same files before every row.
    void makeFiles() {
        using movara_test::makeDirectory;
        using movara_test::writeBytes;
        const std::string s = scratch_.path();
        for (const char* child : {"\\Allowed Folder", "\\Work", "\\Outside Folder", "\\stage", "\\root.txt"}) {
            movara_test::removeTree(s + child);
            DeleteFileA((s + child).c_str());
        }
        const std::string t = s + "\\Allowed Folder";
        for (const std::string& folder :
             {t, t + "\\cur", t + "\\cur\\sub", t + "\\other", t + "\\Denied Folder", t + "\\Trusted", t + "\\src",
              t + "\\src\\Trusted", s + "\\Work", s + "\\Outside Folder"})
            makeDirectory(folder);
        writeBytes(t + "\\ok.txt", "ok");
        writeBytes(t + "\\cur\\cur.txt", "cur");
        writeBytes(t + "\\other\\o.txt", "other");
        writeBytes(t + "\\Denied Folder\\s.txt", "secret");
        writeBytes(t + "\\src\\Trusted\\m.swf", "movie");
        writeBytes(s + "\\Outside Folder\\x.txt", "outside");
        writeBytes(s + "\\root.txt", "root");
        makeArchive("plain.tar", "m.swf");
        makeArchive("trusted.tar", "Trusted\\m.swf");
        makeArchive("denied.tar", "Denied Folder\\m.swf");
        makeArchive("long.tar", "Denied Folder\\" + std::string(100, 'n'));
    }

    // An archive in {W} holding one entry of that name.
    void makeArchive(const std::string& archive, const std::string& entry) {
        const std::string stage = scratch_.path() + "\\stage";
        movara_test::removeTree(stage);
        movara_test::makeDirectory(stage);
        size_t separator = entry.rfind('\\');
        if (separator != std::string::npos) movara_test::makeDirectory(stage + "\\" + entry.substr(0, separator));
        movara_test::writeBytes(stage + "\\" + entry, "FWS movie");
        tbx::nfstream out((scratch_.path() + "\\Work\\" + archive).c_str(), "wb");
        tbx::archive_create(out, stage, {stage + "\\" + entry});
    }

    std::string expand(std::string text) const {
        for (size_t open; (open = text.find('{')) != std::string::npos;) {
            size_t close = text.find('}', open);
            text.replace(open, close - open + 1, places_.at(text.substr(open, close - open + 1)));
        }
        return text;
    }

    ParamPtr argument(const char* text) const {
        std::string value = text;
        if (value == "true" || value == "false") return paramBool(value == "true");
        if (value.front() != '[') return paramString(expand(value));
        auto patterns = std::make_unique<FlashExParamArray>();
        patterns->pushString(value.substr(1, value.size() - 2));
        return patterns;
    }

    // The command's answer as text, or the message it failed with.
    std::string run(FlashExServiceFile& service, const CommandAttack& attack, std::string& answer) const {
        FlashExRequest request;
        request.name = attack.command;
        for (const char* text : attack.arguments) request.arguments.push(argument(text));
        try {
            ParamPtr result;
            service.invoke(request, result);
            answer = describe(service, result.get());
            if (request.name == "archiveCreate") answer += movara_test::readBytes(expand(attack.arguments[0]));
            return "";
        } catch (const FlashExException& e) {
            if (request.name == "archiveCreate" && movara_test::fileExists(expand(attack.arguments[0])))
                answer = movara_test::readBytes(expand(attack.arguments[0]));
            return e.getMessage();
        } catch (const std::exception& e) {
            return e.what();
        }
    }

    static std::string describe(FlashExServiceFile& service, FlashExParam* result) {
        if (!result) return "";
        if (result->kind() == ParamKind::Array) {
            const FlashExParamArray* names = result->asArray();
            std::string text;
            for (unsigned i = 0; i < names->size(); ++i) text += names->at(i)->getString() + "|";
            return text;
        }
        if (result->kind() == ParamKind::Handle) return readAll(service, result->getPointer());
        if (result->kind() == ParamKind::String) return result->getString();
        return "";
    }

    // Every entry name that an open directory handle gives.
    static std::string readAll(FlashExServiceFile& service, void* handle) {
        std::string text;
        for (;;) {
            FlashExRequest request;
            request.name = "readDir";
            request.arguments.push(paramPointer(handle));
            ParamPtr entry;
            service.invoke(request, entry);
            if (!entry) break;
            text += entry->getProperty("fileName")->getString() + "|";
        }
        FlashExRequest close;
        close.name = "closeDir";
        close.arguments.push(paramPointer(handle));
        ParamPtr none;
        service.invoke(close, none);
        return text;
    }

    ScratchDir scratch_;
    std::unique_ptr<movara_test::ScratchDrive> drive_;
    std::map<std::string, std::string> places_;
    std::unique_ptr<SecurityPolicy> policy_;
};

// An answer fit for a failure message: printable, and not too long.
std::string printable(const std::string& answer) {
    std::string text;
    for (char c : answer.substr(0, 400)) text += (c == '\0') ? '.' : c;
    return answer.size() > 400 ? text + "..." : text;
}

TEST_F(CommandAttacks, EveryCommandWorksOnWhatWasJudged) {
    for (const CommandAttack& attack : kCommandAttacks) {
        makeFiles();
        drive_->setCurrentFolder("\\Allowed Folder\\cur");
        std::string row = std::string(attack.command) + " " + expand(attack.arguments[0]) +
                          " (before: " + expand(attack.before) + ")";
        auto tempFolders =
            std::make_unique<TempFolderRegistry>([this](const std::string& path) { return policy_->checkWrite(path); });
        FlashExServiceFile service(*policy_, *tempFolders);
        std::string answer;
        std::string failure = run(service, attack, answer);
        if (std::string(attack.command) == "useTempFolder") {
            drive_->setCurrentFolder("\\Allowed Folder\\other");
            tempFolders.reset();
        }
        EXPECT_EQ(failure, attack.failure) << row;
        if (attack.absent) {
            EXPECT_EQ(GetFileAttributesA(expand(attack.absent).c_str()), INVALID_FILE_ATTRIBUTES)
                << row << ": " << attack.absent << " exists";
        }
        if (attack.present) {
            EXPECT_TRUE(movara_test::fileExists(expand(attack.present))) << row << ": " << attack.present << " is gone";
        }
        if (attack.hidden) {
            EXPECT_EQ(answer.find(attack.hidden), std::string::npos) << row << ": " << printable(answer);
        }
        if (attack.shown) {
            EXPECT_NE(answer.find(attack.shown), std::string::npos) << row << ": " << printable(answer);
        }
    }
}

// Wine links the documents folder to the Unix home folder: a real link whose
// target a deny rule may name by its own path.
TEST(PathLinks, ADenyRuleOnTheLinkTargetHolds) {
    std::string documents = specialFolderPath(5);
    std::string target = reachedPath(longFullPath(documents));
    if (equalsIgnoreCase(target, longFullPath(documents))) GTEST_SKIP() << "the documents folder is no link here";
    auto policy = policyFromSettings("<security><fileAccess><deny access=\"rw\" match=\"dir\">" + target +
                                     "\\secret</deny><allow access=\"rw\" match=\"dir\">$PERSONAL</allow>"
                                     "</fileAccess></security>");
    EXPECT_TRUE(policy->isAllowed(documents + "\\notes.txt", AccessWrite));
    EXPECT_FALSE(policy->isAllowed(documents + "\\secret\\plan.txt", AccessWrite));
    EXPECT_FALSE(policy->isAllowed(documents + "\\SECRET", AccessRead));
}

}  // namespace
