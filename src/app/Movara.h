#pragma once
#include <memory>

#include "services/file/TempFolderRegistry.h"
#include "framework/Application.h"
#include "security/SecurityPolicy.h"

// The application: start-up prepares the process, runs the main dialog
// modally and tears everything down; it always answers false so that the
// process ends when the dialog has closed.
class Movara : public fw::Application {
public:
    Movara() = default;
    ~Movara() override;

    BOOL InitInstance() override;

private:
    // Everything that start-up does under the crash guard.
    void startAndRun();
    void runMainDialog();

    // What the services share: the policy the settings file sets, and the
    // folders the movie wants deleted at the end.
    SecurityPolicy policy_;
    // Deletes at exit only what the policy lets the movie write.
    std::unique_ptr<TempFolderRegistry> tempFolders_ =
        std::make_unique<TempFolderRegistry>([this](const std::string& path) { return policy_.checkWrite(path); });
};
