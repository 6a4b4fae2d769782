// Paths that may reach a network share, given to the commands that the rules
// do not govern and to the lookups made before a path is judged. Reaching a
// share signs the user in to its server, so none of them may touch one
// before the policy has judged it. The share is the test's own, which Wine
// maps onto a scratch folder; the policy allows only a local folder {L}.
#include <windows.h>

#include <map>
#include <tuple>
#include <memory>
#include <vector>

#include "MovaraTest.h"
#include "PolicyTestSupport.h"
#include "ScratchDrive.h"
#include "ServiceTestSupport.h"
#include "raster/FontCharsetFix.h"
#include "services/file/FlashExServiceFile.h"
#include "services/images/FlashExServiceImageFile.h"
#include "services/images/RasterJob.h"
#include "services/shell/ProgramSearch.h"
#include "services/window/FlashExServiceDlg.h"
#include "imaging/MvGpImageConverter.h"

using namespace service_test;

namespace {

// The paths this program hands to the file functions that can reach a share,
// while the recorder lives: the program's own imports of them lead here
// first. One recorder at a time.
std::vector<std::string> recordedPaths;

// Records the path argument (argument pathAt), then calls the real function.
template <typename Function>
struct Recording;
template <typename Result, typename... Arguments>
struct Recording<Result(WINAPI*)(Arguments...)> {
    template <Result(WINAPI** real)(Arguments...), size_t pathAt>
    static Result WINAPI call(Arguments... arguments) {
        auto path = reinterpret_cast<const char*>(std::get<pathAt>(std::tie(arguments...)));
        if (!IS_INTRESOURCE(path)) recordedPaths.push_back(path);
        return (*real)(arguments...);
    }
};

decltype(&CreateFileA) realCreateFileA;
decltype(&GetFileAttributesA) realGetFileAttributesA;
decltype(&GetFileAttributesExA) realGetFileAttributesExA;
decltype(&GetLongPathNameA) realGetLongPathNameA;
decltype(&LoadImageA) realLoadImageA;

struct Redirect {
    const char* dll;
    const char* function;
    void* recorder;
    void** real;
};

#define MOVARA_RECORDED(dll, function, pathAt) \
    { dll, #function, (void*)&Recording<decltype(&function)>::call<&real##function, pathAt>, (void**)&real##function }
const Redirect kRedirects[] = {
    MOVARA_RECORDED("kernel32.dll", CreateFileA, 0),
    MOVARA_RECORDED("kernel32.dll", GetFileAttributesA, 0),
    MOVARA_RECORDED("kernel32.dll", GetFileAttributesExA, 0),
    MOVARA_RECORDED("kernel32.dll", GetLongPathNameA, 0),
    MOVARA_RECORDED("user32.dll", LoadImageA, 1),
};
#undef MOVARA_RECORDED

class FileCallRecorder {
public:
    FileCallRecorder() {
        recordedPaths.clear();
        for (const Redirect& redirect : kRedirects) {
            *redirect.real = (void*)GetProcAddress(GetModuleHandleA(redirect.dll), redirect.function);
            void* replaced = nullptr;
            installed_ &= patchImport(GetModuleHandleA(nullptr), redirect.dll, *redirect.real, redirect.recorder,
                                      &replaced) == ImportPatchResult::Patched;
        }
    }
    ~FileCallRecorder() {
        for (const Redirect& redirect : kRedirects) {
            void* replaced = nullptr;
            patchImport(GetModuleHandleA(nullptr), redirect.dll, redirect.recorder, *redirect.real, &replaced);
        }
    }
    FileCallRecorder(const FileCallRecorder&) = delete;
    FileCallRecorder& operator=(const FileCallRecorder&) = delete;
    bool installed() const { return installed_; }

private:
    bool installed_ = true;
};

std::string lowerCase(std::string text) {
    for (char& c : text) c = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    return text;
}

class NoRasteriser : public Rasteriser {
public:
    bool post(const std::shared_ptr<RasterJob>&) override { return false; }
};

// {S} the share as written, {F} with forward slashes, {U} through "\\.\UNC\",
// {C} climbing out of a drive's device path into "\\.\UNC\".
struct ShareAttack {
    const char* command;  // a command, or the program search or the policy's own judgement
    std::vector<const char*> arguments;
    const char* answer;  // the failure, or what the search or the policy answers
};

const char* const kRefused = "file access exception";

const ShareAttack kShareAttacks[] = {
    {"fileExists", {"{S}\\x.txt"}, kRefused},
    {"directoryExists", {"{F}"}, kRefused},
    {"getFileSize", {"{U}\\x.txt"}, kRefused},
    {"compareFileDate", {"{L}\\x.txt", "{S}\\x.txt"}, kRefused},
    {"compareFiletime", {"{C}\\x.txt", "{L}\\x.txt"}, kRefused},
    {"isTrustedPath", {"{S}\\x.txt"}, kRefused},
    {"setIcon", {"{S}\\x.ico"}, kRefused},
    {"updateThumbnail", {"{L}\\x.png", "{S}\\x.png.thumbnail", "0", "0", "true"}, kRefused},
    {"program search", {"{U}\\x.exe"}, "as written"},
    {"policy", {"{U}\\x.txt"}, "refused"},
};

class ShareAttacks : public ::testing::Test {
protected:
    void SetUp() override {
        movara_test::makeDirectory(scratch_ / "Shared");
        movara_test::makeDirectory(scratch_ / "Local");
        for (const char* name : {"Shared\\x.txt", "Shared\\x.ico", "Shared\\x.exe", "Local\\x.txt", "Local\\x.png"})
            movara_test::writeBytes(scratch_ / name, "x");
        share_ = std::make_unique<movara_test::ScratchShare>(scratch_ / "Shared");
        ASSERT_TRUE(share_->mapped()) << "Wine does not reach the test's share " << share_->root();
        const std::string server = share_->server();
        places_ = {{"{S}", share_->root()},
                   {"{F}", "//" + server + "/share"},
                   {"{U}", "\\\\.\\UNC\\" + server + "\\share"},
                   {"{C}", "\\\\.\\C:\\..\\UNC\\" + server + "\\share"},
                   {"{L}", scratch_ / "Local"}};
    }

    std::string expand(std::string text) const {
        for (const auto& place : places_)
            for (size_t at; (at = text.find(place.first)) != std::string::npos;)
                text.replace(at, place.first.size(), place.second);
        return text;
    }

    FlashExParam* argument(const char* text) const {
        std::string value = text;
        if (value == "true" || value == "false") return flag(value == "true");
        if (value.find_first_not_of("0123456789") == std::string::npos) return num(std::stoi(value));
        return str(expand(value));
    }

    // What the row's command answers: its failure, or the answer of the
    // search or the policy.
    std::string run(const ShareAttack& attack, const SecurityPolicy& policy) {
        const std::string first = expand(attack.arguments[0]);
        if (std::string(attack.command) == "program search") {
            std::string found = findProgram(first, processSearch(true));
            return found == fullPathWithoutLookup(first) ? "as written" : "found " + found;
        }
        if (std::string(attack.command) == "policy") return policy.isAllowed(first, AccessRead) ? "allowed" : "refused";
        FlashExRequest request;
        request.name = attack.command;
        for (const char* text : attack.arguments) request.arguments.push(ParamPtr(argument(text)));
        TestHost host;
        NoRasteriser rasteriser;
        MvGpImageConverter encoders;
        FlashExServiceFile files(policy, testTempFolders());
        FlashExServiceDlg window(host, policy);
        FlashExServiceImageFile images(rasteriser, policy, encoders);
        try {
            ParamPtr result;
            for (FlashExService* service : std::initializer_list<FlashExService*>{&files, &window, &images})
                if (service->invoke(request, result)) return "answered";
            return "not handled";
        } catch (const FlashExException& e) {
            return e.getMessage();
        } catch (const std::exception& e) {
            return e.what();
        }
    }

    movara_test::ScratchDir scratch_;
    std::unique_ptr<movara_test::ScratchShare> share_;
    std::map<std::string, std::string> places_;
};

TEST_F(ShareAttacks, NothingReachesAShareBeforeItIsJudged) {
    auto policy = policyFromSettings("<security><fileAccess><allow access=\"rwx\" match=\"dir\">" +
                                     (scratch_ / "Local") + "</allow></fileAccess></security>");
    for (const ShareAttack& attack : kShareAttacks) {
        std::string row = std::string(attack.command) + " " + expand(attack.arguments[0]);
        std::string answer;
        {
            FileCallRecorder recorder;
            ASSERT_TRUE(recorder.installed()) << "the file functions' imports could not be redirected";
            answer = run(attack, *policy);
        }
        EXPECT_EQ(answer, attack.answer) << row;
        for (const std::string& path : recordedPaths)
            EXPECT_EQ(lowerCase(path).find(share_->server()), std::string::npos) << row << " reached " << path;
    }
    // A share that the policy lets be read is reached as any other path.
    auto shareAllowed = policyFromSettings("<security><fileAccess><allow access=\"r\" match=\"dir\">" + share_->root() +
                                           "</allow></fileAccess></security>");
    FlashExServiceFile files(*shareAllowed, testTempFolders());
    EXPECT_TRUE(call(files, "fileExists", {str(share_->root() + "\\x.txt")})->getBool());
}

}  // namespace
