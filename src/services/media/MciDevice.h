#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <string>

// The MCI device type that the system lists for the extension of path (the
// text after its last '.'), from the registry's list of MCI extensions.
// FlashExException "error open key mci extensions" when the list cannot be
// read, "error mci media type not foumd" when the extension is not in it; a
// path without '.' fails with the standard library's out-of-range error.
std::string mciDeviceTypeOf(const std::string& path);

// Passes a result of 0; otherwise throws FlashExException with context,
// " : " and MCI's own text for the error.
void checkMci(MCIERROR error, const char* context);
