#pragma once
#include <windows.h>

namespace fw {

class Dialog;

// The process's application object: the program derives one global instance
// and overrides InitInstance; the program's entry calls run().
class Application {
public:
    Application();
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The one application object, or null before it is constructed.
    static Application* instance();

    // The start-up hook. Returning false ends the process without a message
    // loop of the application's own.
    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return 0; }
    // Every message of the thread's loop passes here first; the default
    // offers it to the main window.
    virtual BOOL PreTranslateMessage(MSG* msg);

    // InitInstance, then (when it succeeded) the thread's message loop and
    // ExitInstance. OLE, when oleInit() started it, is shut down at the end.
    int run();

    // OleInitialize for the calling thread; false on failure.
    bool oleInit();
    // Makes the ActiveX host window class available to dialogs; false when
    // the template library cannot be loaded.
    static bool enableControlContainer();

    Dialog* mainWindow() const { return mainWindow_; }
    void setMainWindow(Dialog* dialog) { mainWindow_ = dialog; }

private:
    Dialog* mainWindow_ = nullptr;
    bool oleStarted_ = false;
};

}  // namespace fw
