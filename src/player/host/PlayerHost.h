#pragma once
#include <windows.h>

#include <string>

// The host's side of the player: which control to host, and the stand-in's
// class object registered for the threads that host a player.
namespace player {

// "ShockwaveFlash.ShockwaveFlash" when that control is registered, else the
// stand-in's "{CLSID}"; resolved once per process.
const std::string& playerControlText();

// Registers the stand-in's class object for the calling thread's apartment
// (loading the player DLL on first use) and revokes it on destruction.
// Every thread that hosts a player holds one while its players exist.
class PlayerClassRegistration {
public:
    PlayerClassRegistration();
    ~PlayerClassRegistration();
    PlayerClassRegistration(const PlayerClassRegistration&) = delete;
    PlayerClassRegistration& operator=(const PlayerClassRegistration&) = delete;

    bool registered() const { return cookie_ != 0; }

private:
    DWORD cookie_ = 0;
};

}  // namespace player
