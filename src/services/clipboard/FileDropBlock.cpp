#include "services/clipboard/FileDropBlock.h"

#include <shlobj.h>

#include <cstring>
#include <new>

static_assert(sizeof(DROPFILES) == 20, "the file-drop header layout");

tbx::GlobalMemory makeFileDropBlock(const std::vector<std::string>& paths) {
    size_t size = sizeof(DROPFILES) + 1;
    for (const std::string& path : paths) size += path.size() + 1;
    tbx::GlobalMemory block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
    tbx::GlobalLockGuard lock(block.get());
    if (!lock.data()) throw std::bad_alloc();
    auto* header = static_cast<DROPFILES*>(lock.data());
    header->pFiles = sizeof(DROPFILES);
    char* names = static_cast<char*>(lock.data()) + sizeof(DROPFILES);
    for (const std::string& path : paths) {
        memcpy(names, path.data(), path.size());
        names += path.size() + 1;
    }
    return block;
}
