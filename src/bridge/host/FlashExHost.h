#pragma once
#include <windows.h>

#include <string>

#include "tbx/Handles.h"

// The window that hosts the movie and the player's window, as they are at
// the time of asking: parents and owners of the windows a service creates.
class HostWindows {
public:
    // Null before the window exists.
    virtual HWND hostWindow() const = 0;
    // The player's host window, or null before it exists.
    virtual HWND playerWindow() const = 0;

protected:
    ~HostWindows() = default;
};

// What the window service sees of the window that hosts the movie: its
// handles, the API key, the ext-event switches, its icons and loading
// another movie.
class FlashExHost : public HostWindows {
public:
    // Empty while the API is not locked.
    virtual const std::string& apiKey() const = 0;
    virtual void lockApi(const std::string& key) = 0;
    // Key, mouse, close and drop events go to the movie from now on.
    virtual void enableExtEvents() = 0;
    // The close button no longer asks the movie.
    virtual void disableExtClose() = 0;
    virtual void setIcons(tbx::Icon smallIcon, tbx::Icon bigIcon) = 0;
    // "movie?query" sets the query as FlashVars.
    virtual void loadMovie(const std::string& path) = 0;

protected:
    ~FlashExHost() = default;
};
