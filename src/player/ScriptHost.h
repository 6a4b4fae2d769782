#pragma once
#include <windows.h>

#include <string>

namespace player {

// What a movie's script reaches of its control. Texts are UTF-16 as they
// cross the control's automation interface.
class ScriptHost {
public:
    virtual ~ScriptHost() = default;
    // Raises FlashCall with the invoke text; true and the value XML when the
    // host set a return value during the event.
    virtual bool externalCall(const std::u16string& invoke, std::u16string& answer) = 0;
    virtual void fsCommand(const std::u16string& command, const std::u16string& arguments) = 0;
    // The stage changed: repaint.
    virtual void stageChanged() = 0;
    virtual void startTimer(UINT id, UINT milliseconds) = 0;
    virtual void stopTimer(UINT id) = 0;
};

}  // namespace player
