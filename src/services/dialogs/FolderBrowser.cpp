#include "services/dialogs/FolderBrowser.h"

#include <shlobj.h>

#include "tbx/FlashExException.h"
#include "tbx/Handles.h"

namespace {

// BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE
const UINT kBrowseFlags = 0x41;

int CALLBACK selectInitialFolder(HWND browser, UINT message, LPARAM, LPARAM folder) {
    const char* path = reinterpret_cast<const char*>(folder);
    if (message != BFFM_INITIALIZED || !*path) return 0;
    // Twice: under Wine the first selection in a process of a folder inside
    // the user's profile stops at the profile folder; the second, over the
    // tree the first has opened, reaches it. Selecting again is harmless.
    SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, folder);
    SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, folder);
    return 0;
}

}  // namespace

std::string browseForFolderPath(HWND owner, const std::string& title, const std::string& initialFolder) {
    char path[MAX_PATH] = "";
    if (initialFolder.size() >= sizeof(path)) throw FlashExException("初期フォルダのパスが長すぎます。");
    initialFolder.copy(path, initialFolder.size());

    char displayName[MAX_PATH] = "";
    BROWSEINFOA browse = {};
    browse.hwndOwner = owner;
    browse.pidlRoot = nullptr;
    browse.pszDisplayName = displayName;
    browse.lpszTitle = title.c_str();
    browse.ulFlags = kBrowseFlags;
    browse.lpfn = selectInitialFolder;
    browse.lParam = reinterpret_cast<LPARAM>(path);
    LPITEMIDLIST chosen = SHBrowseForFolderA(&browse);
    // A cancelled browse answers nothing rather than the initial folder.
    if (!chosen) return std::string();
    tbx::TaskMemory owned(chosen);
    path[0] = '\0';
    if (!SHGetPathFromIDListA(chosen, path)) return std::string();
    return path;
}
