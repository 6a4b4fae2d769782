#pragma once
#include "framework/Application.h"

// The application: start-up prepares the process, runs the main dialog
// modally and tears everything down; it always answers false so that the
// process ends when the dialog has closed.
class Movara : public fw::Application {
public:
    Movara() = default;
    ~Movara() override;

    BOOL InitInstance() override;

private:
    void runMainDialog();
};
