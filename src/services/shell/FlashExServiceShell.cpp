#include "services/shell/FlashExServiceShell.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "bridge/host/FlashExHost.h"
#include "bridge/values/FlashExRequest.h"
#include "services/shell/FullScreenWindow.h"
#include "services/shell/FullPathName.h"
#include "services/common/PathUtilities.h"
#include "services/shell/ProgramPath.h"
#include "services/shell/ProgramSearch.h"
#include "services/common/FileUrl.h"
#include "security/MultiByteCompare.h"
#include "services/common/ServiceArguments.h"
#include "services/common/ServiceResults.h"
#include "security/SecurityPolicy.h"
#include "tbx/FlashExException.h"
#include "tbx/Handles.h"

// In the order in which invoke looks for a command.
const ServiceCommand<FlashExServiceShell> FlashExServiceShell::kCommands[] = {
    {"shellExecute", &FlashExServiceShell::shellExecute, 5, 5},
    {"execAndWait", &FlashExServiceShell::execAndWait, 1, 3},
    {"getWorkArea", &FlashExServiceShell::getWorkArea, 0, 0},
    {"setFullScreen", &FlashExServiceShell::setFullScreen, 1, 1},
    {"getScreenSize", &FlashExServiceShell::getScreenSize, 0, 0},
    {"system", &FlashExServiceShell::system, 1, 1},
    {"getFullPathName", &FlashExServiceShell::getFullPathName, 1, 1},
    {"args", &FlashExServiceShell::args, 0, 0},
};

std::vector<CommandSignature> FlashExServiceShell::commands() const { return signaturesOf(kCommands); }

bool FlashExServiceShell::invoke(FlashExRequest& request, ParamPtr& result) {
    return runCommand(*this, kCommands, request, result);
}

namespace {

// What the refused answer of each starting command is.
const int kShellExecuteRefused = 5;  // the system's "access denied"
const int kSystemRefused = 0;

// Starts commandLine and waits up to timeout (INFINITE: no limit) for it to
// end; the process is left running when the time passes. application, when
// not empty, is the file to run, so that a command line whose program path
// holds blanks runs the program that was judged, not a shorter prefix of it.
bool runAndWait(const std::string& application, const std::string& commandLine, DWORD timeout, bool show) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show ? SW_SHOWDEFAULT : SW_HIDE;
    PROCESS_INFORMATION started = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');  // CreateProcessA may write into the line
    if (!CreateProcessA(application.empty() ? nullptr : application.c_str(), line.data(), nullptr, nullptr, FALSE,
                        NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &started))
        return false;
    tbx::KernelHandle process(started.hProcess);
    tbx::KernelHandle thread(started.hThread);  // not needed; closed on return
    return WaitForSingleObject(process.get(), timeout) == WAIT_OBJECT_0;
}

// The file "shellExecute" opens for the name the movie gave: a "file:" URL's
// path, the file the shell's search reaches (the directory argument first),
// or, when it reaches none, the name as given (a URL, a document to be made).
bool isWebUrl(const std::string& name) {
    std::string scheme = urlSchemeOf(name);
    return security::equalsIgnoreCase(scheme, "http") || security::equalsIgnoreCase(scheme, "https");
}

std::string shellTarget(const std::string& file, const char* directory) {
    std::string scheme = urlSchemeOf(file);
    // Another scheme hands the name to whatever program the system has for
    // it, which may start anything.
    if (!scheme.empty() && !security::equalsIgnoreCase(scheme, "file"))
        throw FlashExException("「" + file + "」は開けません。URLは http:、https:、file: のものだけを開けます。");
    std::string name = scheme.empty() ? file : pathOfFileUrl(file);
    std::string found = findProgram(name, shellSearch(directory));
    return found.empty() ? name : found;
}

// What a line that the command processor reads with operators (or with a
// first word that is no program of its own) needs the policy to allow: the
// processor itself, since the line may run anything, and the program the line
// starts when it reaches one.
std::vector<std::string> judgedWithProcessor(const std::string& programFile) {
    std::vector<std::string> paths{commandProcessorPath()};
    if (!programFile.empty()) paths.push_back(programFile);
    return paths;
}

}  // namespace

bool FlashExServiceShell::mayExecute(const std::vector<std::string>& paths, const std::string& shown) {
    bool granted = std::all_of(paths.begin(), paths.end(),
                               [this](const std::string& path) { return policy_.isAllowed(path, AccessExecute); });
    return granted || userTrusts(shown);
}

bool FlashExServiceShell::userTrusts(const std::string& shown) {
    std::string question =
        "ファイル" + shown + "を開こうとしています。このファイルを安全なファイルと信頼して開いてもよろしいですか？";
    return MessageBoxA(windows_.hostWindow(), question.c_str(), "確認", MB_YESNO) == IDYES;
}

ParamPtr FlashExServiceShell::shellExecute(FlashExRequest& request) {
    const char* operation = textArgument(request, 0);
    const std::string& file = stringArgument(request, 1);
    const char* parameters = textArgument(request, 2);
    const char* directory = textArgument(request, 3);
    int show = intArgument(request, 4);
    if (isWebUrl(file)) {
        // A web address names no file: the rules judge it as written, and the
        // browser the system chooses opens it.
        if (!policy_.isAllowedAsWritten(file, AccessExecute) && !userTrusts(file))
            return paramInt(kShellExecuteRefused);
        HINSTANCE answer = ShellExecuteA(nullptr, operation, file.c_str(), parameters, directory, show);
        return paramInt(static_cast<int>(reinterpret_cast<INT_PTR>(answer)));
    }
    // The shell is handed the file that was judged, so it cannot find another.
    std::string judged = shellTarget(file, directory);
    std::string line = parameters ? "\"" + judged + "\" " + parameters : judged;
    bool processorReads = isBatchFile(judged) && parameters && commandProcessorRunsMore(line, judged, true);
    if (!mayExecute(processorReads ? judgedWithProcessor(judged) : std::vector<std::string>{judged},
                    processorReads ? line : judged))
        return paramInt(kShellExecuteRefused);
    HINSTANCE answer = ShellExecuteA(nullptr, operation, judged.c_str(), parameters, directory, show);
    return paramInt(static_cast<int>(reinterpret_cast<INT_PTR>(answer)));
}

ParamPtr FlashExServiceShell::execAndWait(FlashExRequest& request) {
    const std::string& commandLine = stringArgument(request, 0);
    int timeout = optionalIntArgument(request, 1, -1);
    bool show = optionalBoolArgument(request, 2, true);
    ProgramInLine program = programInLine(commandLine, {processSearch(false), processSearch(true)});
    // Started by its full path, the judged file is the one that runs; a
    // program that reaches no file is not searched for again.
    std::string application = program.file.empty() ? fullPathName(program.text) : program.file;
    // The system starts any program image whatever its name: a document that
    // the policy lets be opened must not run as one.
    if (!program.file.empty() && !startsAsProgram(program.file))
        throw FlashExException("「" + program.file +
                               "」はプログラムとして起動できません。拡張子がPATHEXTにありません。");
    // The system starts a batch file through the command processor, which reads the whole line.
    bool processorReads =
        isBatchFile(program.judged()) && commandProcessorRunsMore(commandLine, program.text, !program.file.empty());
    if (!mayExecute(processorReads ? judgedWithProcessor(program.file) : std::vector<std::string>{program.judged()},
                    commandLine))
        return paramBool(false);
    // -1 is INFINITE; the time-out is taken as the unsigned milliseconds it holds.
    return paramBool(runAndWait(application, commandLine, static_cast<DWORD>(timeout), show));
}

ParamPtr FlashExServiceShell::getWorkArea(FlashExRequest&) {
    RECT area = {0, 0, 0, 0};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return rectangleObject(area);
}

ParamPtr FlashExServiceShell::setFullScreen(FlashExRequest& request) {
    setWindowFullScreen(windows_.hostWindow(), boolArgument(request, 0));
    return nullptr;
}

ParamPtr FlashExServiceShell::getScreenSize(FlashExRequest&) {
    return sizeObject(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

ParamPtr FlashExServiceShell::system(FlashExRequest& request) {
    const std::string& command = stringArgument(request, 0);
    ProgramInLine program = programInLine(command, {commandProcessorSearch()});
    bool runsMore = commandProcessorRunsMore(command, program.text, !program.file.empty());
    if (!mayExecute(runsMore ? judgedWithProcessor(program.file) : std::vector<std::string>{program.judged()}, command))
        return paramInt(kSystemRefused);
    // The Windows runtime's system: %COMSPEC% /c command, answering its exit code.
    return paramInt(std::system(command.c_str()));
}

ParamPtr FlashExServiceShell::getFullPathName(FlashExRequest& request) {
    const char* path = textArgument(request, 0);
    return paramString(path ? fullPathName(path) : std::string());
}

ParamPtr FlashExServiceShell::args(FlashExRequest&) {
    // The runtime's own split of the command line: its quoting and
    // backslash rules, double-byte characters kept whole.
    auto arguments = std::make_unique<FlashExParamArray>();
    for (int i = 1; __argv && i < __argc; ++i) arguments->pushString(__argv[i]);
    return arguments;
}
