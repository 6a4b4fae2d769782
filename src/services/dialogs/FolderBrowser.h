#pragma once
#include <windows.h>

#include <string>

// The system's folder browser over the whole namespace, file-system folders
// only, owned by owner, with title above the tree and initialFolder selected
// when it opens (none when empty). Answers the chosen folder's path, or the
// empty string when the user cancels. An initial folder that does not fit the
// system's path length throws FlashExException.
std::string browseForFolderPath(HWND owner, const std::string& title, const std::string& initialFolder);
