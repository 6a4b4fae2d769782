#include "app/Movara.h"

#include <clocale>
#include <cstdio>
#include <exception>
#include <memory>

#include "bridge/host/FlashExServiceManager.h"
#include "dialog/FlashExDlg.h"
#include "raster/MvRasSwfThread.h"
#include "services/file/TempFolderRegistry.h"
#include "app/CommandLine.h"
#include "app/CommandLineAnswers.h"
#include "app/MovieCheck.h"
#include "app/CrashDump.h"
#include "app/CrashGuard.h"
#include "app/GraphicsLibrary.h"
#include "app/ProcessEnvironment.h"
#include "app/ServiceRegistry.h"
#include "app/Settings.h"
#include "dom/MvDOMDocument.h"
#include "imaging/MvGpImageConverter.h"
#include "player/host/PlayerHost.h"
#include "bridge/values/XercesFacade.h"
#include "tbx/ErrorBoundary.h"
#include "tbx/MvException.h"
#include "security/SecurityPolicy.h"
#include "tbx/Trace.h"

namespace {

const UINT kMainDialogTemplate = 102;
const DWORD kRasteriserStopMs = 5000;

void showMovieProblem(const std::string& movie, const std::string& problem) {
    std::string text = "ムービー「" + movie + "」を再生できません。\n" + problem;
    MessageBoxA(nullptr, text.c_str(), "Movara", MB_OK | MB_ICONERROR);
}

void showFailure(const char* cause) {
    char text[1024];
    snprintf(text, sizeof(text), "例外が発生しました。原因：%s", cause);
    MessageBoxA(nullptr, text, nullptr, MB_OK);
}

}  // namespace

Movara::~Movara() = default;

BOOL Movara::InitInstance() {
    // An exception that nothing on this thread handles, from here to the end
    // of the tear-down, ends the program: the movie stops where it was, a
    // dump is written, the user is told, and the movie's temporary folders
    // are deleted before the process ends with the exception's code.
    CrashGuard guard([this](const std::string& dumpPath) {
        MessageBoxA(nullptr, crashMessage(dumpPath).c_str(), nullptr, MB_OK);
        tempFolders_.reset();
    });
    guard.run([this] { startAndRun(); });
    // The movie's temporary folders go now, while the system still serves
    // file and mutex calls.
    tempFolders_.reset();
    return FALSE;
}

void Movara::startAndRun() {
    setlocale(LC_ALL, "");
    fw::Application::InitInstance();
    fw::Application::enableControlContainer();
    if (!oleInit()) {
        MessageBoxA(nullptr, "OLEの初期化に失敗しました。", "OLE ERROR", MB_OK);
        return;
    }
    try {
        runMainDialog();
    } catch (...) {
        CaughtError error = caughtError();
        if (error.expected)
            showFailure(error.message.c_str());
        else
            MessageBoxA(nullptr, "予期しない例外が発生しました。", nullptr, MB_OK);
    }
}

void Movara::runMainDialog() {
    std::vector<std::string> arguments = commandLineArguments();
    if (asksForUsage(arguments)) return tbx::traceLine(usageText());
    std::string programDirectory = moduleDirectory(false);
    prepareProcessEnvironment(programDirectory);

    auto settings = std::make_unique<MvDOMDocument>();
    loadSettings(*settings, programDirectory);
    policy_.load(settings->child("settings").child("security"));
    std::string policyPath;
    if (asksForPolicy(arguments, policyPath)) return tbx::traceLine(policyReport(policy_, policyPath));

    std::string movie = moviePathFrom(arguments);
    unsigned short debugPort = 0;
    try {
        debugPort = debugPortFrom(arguments);
    } catch (const MvException& e) {
        return tbx::traceLine(std::string("movara: ") + e.what());
    }
    std::string traceFile = traceFileFrom(arguments, movie, settings->child("settings").child("trace").getText());
    if (!traceFile.empty() && !tbx::traceToFile(traceFile))
        MessageBoxA(nullptr, ("トレースファイル「" + traceFile + "」を開けません。").c_str(), "Movara", MB_OK);
    std::string problem = movieLoadProblem(movie);
    if (!problem.empty()) return showMovieProblem(movie, problem);

    // The movie's calls are parsed from the first one on.
    XercesFacade::initialize();
    startGraphicsLibrary();
    // Every image the movie has saved goes through these encoders.
    MvGpImageConverter encoders;
    // Movies are rendered on a user-interface thread of their own, started
    // before the main dialog.
    // Both players get the settings' script time limit.
    std::string scriptTimeLimit = settings->child("settings").child("player").getAttribute("scriptTimeLimit");
    auto rasteriser = std::make_unique<MvRasSwfThread>(policy_, scriptTimeLimit);
    rasteriser->CreateThread();

    // Where no Flash player is installed, the stand-in plays the movie.
    player::PlayerClassRegistration playerClass;
    auto dialog = std::make_unique<FlashExDlg>(kMainDialogTemplate);
    dialog->choosePlayer(player::playerControlTextFor(
        isScriptMovie(movie), player::playerChoiceFrom(settings->child("settings").child("player").getText())));
    auto manager = std::make_unique<FlashExServiceManager>();
    registerServices(*manager, {*dialog, policy_, *tempFolders_, *rasteriser, encoders});

    RECT workArea = {0, 0, 0, 0};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
    WindowGeometry geometry = windowGeometryFrom(arguments, workArea);
    dialog->setup(true, movie, manager.get(), geometry.width, geometry.height);
    if (geometry.positioned) dialog->setInitialPosition(geometry.x, geometry.y);
    if (asksToWatch(arguments)) dialog->watchMovieFile();
    if (debugPort) dialog->debugMovie(debugPort);
    dialog->setScriptTimeLimit(scriptTimeLimit);

    setMainWindow(dialog.get());
    dialog->DoModal();
    setMainWindow(nullptr);

    manager.reset();
    dialog.reset();
    // Its movie's script stops when the thread is asked to quit; should the
    // thread still not end, it is left to the end of the process, so that the
    // clean-up after this always runs.
    if (!rasteriser->stopRasterThread(kRasteriserStopMs)) {
        tbx::traceLine("movara: the rasteriser did not stop; it is left to the end of the program");
        rasteriser.release();
    }
    rasteriser.reset();
    settings.reset();
}
