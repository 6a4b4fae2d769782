// A second running instance for the temporary-folder tests: registers the
// folder given as argument 1, sets the event named by argument 2, waits for
// the event named by argument 3, then ends as the program does.
#include <windows.h>

#include "services/file/TempFolderRegistry.h"
#include "tbx/Handles.h"

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    tbx::KernelHandle ready(OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]));
    tbx::KernelHandle quit(OpenEventA(SYNCHRONIZE, FALSE, argv[3]));
    if (!ready || !quit) return 3;
    TempFolderRegistry registry;
    try {
        registry.useTempFolder(argv[1]);
    } catch (...) {
        return 4;
    }
    SetEvent(ready.get());
    WaitForSingleObject(quit.get(), 30000);
    return 0;
}
