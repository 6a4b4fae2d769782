#include "app/Settings.h"

#include <windows.h>

#include "dom/MvDOMDocument.h"

const char* const kDefaultSettingsText =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<settings><security oleEnabled=\"1\"><trusted>%MVR_APP_PATH%\\trusted</trusted>"
    "<fileAccess><allow match=\"*\" access=\"rwx\" /></fileAccess></security></settings>";

std::string settingsFilePath(const std::string& programDirectory) { return programDirectory + "\\Movara.xml"; }

void loadSettings(MvDOMDocument& document, const std::string& programDirectory) {
    std::string path = settingsFilePath(programDirectory);
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        document.load(path);
    else
        document.loadXML(kDefaultSettingsText);
}
