#pragma once
#include <windows.h>

#include <string>

#include "tbx/ComVariant.h"

namespace player {

// What a movie's script reaches of its control. Texts are UTF-16 as they
// cross the control's automation interface.
class ScriptHost {
public:
    virtual ~ScriptHost() = default;
    // Raises FlashCall with the invoke text, an automation string handed over
    // so that a long text is held once; true and the value XML when the host
    // set a return value during the event, in the code page.
    virtual bool externalCall(tbx::Variant invoke, std::string& answer) = 0;
    virtual void fsCommand(const std::u16string& command, const std::u16string& arguments) = 0;
    // The stage changed: repaint.
    virtual void stageChanged() = 0;
    virtual void startTimer(UINT id, UINT milliseconds) = 0;
    virtual void stopTimer(UINT id) = 0;
    // How long one entry into the script may run before it is stopped.
    virtual DWORD scriptTimeLimitMs() = 0;
    // A script error was reported: "FUNCTION: MESSAGE (FILE:LINE)", UTF-8.
    virtual void scriptFailed(const std::string& summary) = 0;
    // The debug client attached with attachDebugger is gone.
    virtual void debuggerDetached() = 0;
};

}  // namespace player
