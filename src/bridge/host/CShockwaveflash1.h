#pragma once
#include <string>
#include <vector>

#include <windows.h>
#include <oleauto.h>

#include "tbx/ComPtr.h"
#include "tbx/ComVariant.h"
#include "tbx/Error.h"

// A failed automation call on the player. Its text is not for the movie: the
// external-call handler answers it with "unexpected error", and event calls
// into the movie discard it.
class FlashExDispatchException : public tbx::Error {
public:
    FlashExDispatchException(HRESULT result, std::string operation)
        : tbx::Error(operation + " failed", false), result_(result), operation_(std::move(operation)) {}
    HRESULT result() const { return result_; }
    // The operation that failed, for example "CallFunction".
    const std::string& operation() const { return operation_; }

private:
    HRESULT result_;
    std::string operation_;
};

// One start-up setting that a host gives its player, put by property name.
struct PlayerSetting {
    const char16_t* name;
    const char* text;  // null: the boolean true
    int number;        // the same value where the property is a number; -1: none
};

// The Flash player control (or its stand-in) seen through its IDispatch.
// Strings are narrow ANSI text here and automation strings at the call.
// Every failure raises FlashExDispatchException.
class CShockwaveflash1 {
public:
    CShockwaveflash1() = default;
    explicit CShockwaveflash1(IDispatch* control) : control_(control) {}

    void attach(IDispatch* control) { control_ = tbx::ComPtr<IDispatch>(control); }
    void release() { control_.reset(); }
    // True once a control is attached.
    bool exists() const { return static_cast<bool>(control_); }
    IDispatch* dispatch() const { return control_.get(); }

    std::string GetMovie();
    void SetMovie(const std::string& movie);
    void SetFlashVars(const std::string& flashVars);
    void SetQuality2(const std::string& quality);
    // Calls a movie function with an invoke text; returns its value XML.
    std::string CallFunction(const std::string& request);
    // Sets the answer of the movie's pending external call.
    void SetReturnValue(const std::string& returnValue);
    // The same, releasing the narrow text once the player's string is made.
    void SetReturnValue(std::string&& returnValue);

    // For players created at run time, whose dispatch IDs are looked up by name.
    void EnforceLocalSecurity();
    void SetMovieByName(const std::string& movie);
    // Puts a setting in the form the player's property takes: the text, and
    // when the player refuses that as the wrong type, the number (the Flash
    // player keeps Quality and ScaleMode as numbers, its stand-in as text).
    void PutSetting(const PlayerSetting& setting);

private:
    // One automation call; a failure raises FlashExDispatchException naming operation.
    tbx::Variant invoke(DISPID id, WORD flags, const std::vector<tbx::Variant>& arguments, const char* operation);
    DISPID idOfName(const char16_t* name, const char* operation);
    void putString(DISPID id, const std::string& text, const char* operation);

    tbx::ComPtr<IDispatch> control_;
};
