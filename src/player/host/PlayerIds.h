#pragma once
#include <windows.h>
#include <oaidl.h>

// Identities shared by the stand-in player and its hosts.
namespace player {

// The stand-in's own class: {6B1C3E2A-5F3D-4C7E-9A41-2D6B0E7F9C13}.
const CLSID kPlayerClsid = {0x6b1c3e2a, 0x5f3d, 0x4c7e, {0x9a, 0x41, 0x2d, 0x6b, 0x0e, 0x7f, 0x9c, 0x13}};
const char* const kPlayerClsidText = "{6B1C3E2A-5F3D-4C7E-9A41-2D6B0E7F9C13}";
// The event dispinterface of the Flash player, offered by the stand-in too.
const IID kPlayerEventsIid = {0xd27cdb6d, 0xae6d, 0x11cf, {0x96, 0xb8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const char* const kFlashProgId = "ShockwaveFlash.ShockwaveFlash";
const char* const kPlayerDllName = "MovaraFlashPlayer.dll";

const DISPID kDispMovie = 102;
const DISPID kDispFlashVars = 170;
const DISPID kDispQuality2 = 141;
const DISPID kDispCallFunction = 198;
const DISPID kDispSetReturnValue = 199;
const DISPID kDispReadyState = -525;
// The stand-in's own setting: seconds one entry into the movie's script may
// run (15 unless put); the Flash player has no such member.
const DISPID kDispScriptTimeLimit = 0x1002;
// The stand-in's own settings while an author works on a movie: the TCP port
// (on 127.0.0.1) of Duktape's debug protocol, 0 or none for no debugger; and
// whether script errors are drawn over the stage.
const DISPID kDispDebugPort = 0x1003;
const DISPID kDispShowScriptErrors = 0x1004;
const DISPID kEventFlashCall = 197;
const DISPID kEventFSCommand = 150;
const DISPID kEventReadyStateChange = -609;

}  // namespace player
