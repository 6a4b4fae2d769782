#pragma once
#include <windows.h>

#include <string>

// The host's side of the player: which control to host, and the stand-in's
// class object registered for the threads that host a player.
namespace player {

// "ShockwaveFlash.ShockwaveFlash" when that control is registered, else the
// stand-in's "{CLSID}"; resolved once per process.
const std::string& playerControlText();

// Which player a movie gets: the one above, or one the settings force.
enum class PlayerChoice { Automatic, StandIn, Flash };
// The settings' text: "stand-in" or "flash" (any letter case); anything else
// is automatic.
PlayerChoice playerChoiceFrom(const std::string& setting);
// The control for a movie: a script movie (which only the stand-in can play)
// goes to the stand-in unless the settings force Flash.
std::string playerControlTextFor(bool scriptMovie, PlayerChoice choice);

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
