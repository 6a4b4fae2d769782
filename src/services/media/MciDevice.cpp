#include "services/media/MciDevice.h"

#include "tbx/FlashExException.h"
#include "tbx/Handles.h"
#include "tbx/PathString.h"

namespace {

const char* const kExtensionsKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\MCI Extensions";
const DWORD kTypeBytes = 256;
const UINT kErrorTextBytes = 512;

}  // namespace

std::string mciDeviceTypeOf(const std::string& path) {
    std::string extension = path.substr(tbx::find_last_character(path, '.'));
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kExtensionsKey, 0, KEY_READ, &opened) != ERROR_SUCCESS)
        throw FlashExException("error open key mci extensions");
    tbx::RegistryKey key(opened);
    char type[kTypeBytes] = "";
    DWORD size = kTypeBytes - 1;  // the last byte stays the terminator
    if (RegQueryValueExA(key.get(), extension.substr(1).c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(type),
                         &size) != ERROR_SUCCESS)
        throw FlashExException("error mci media type not foumd");  // the text movies know, spelling included
    return type;
}

void checkMci(MCIERROR error, const char* context) {
    if (error == 0) return;
    char text[kErrorTextBytes] = "";
    mciGetErrorStringA(error, text, sizeof(text));
    throw FlashExException(std::string(context) + " : " + text);
}
