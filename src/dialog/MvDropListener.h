#pragma once
#include <windows.h>
#include <shlobj.h>

#include <string>

namespace fw {
class DropFile;
}

// Receives the items of an OLE drop, one call per item.
class MvDropListener {
public:
    virtual ~MvDropListener() = default;
    // One virtual file: its shell descriptor (read its name with
    // fileDescriptorName) and its contents, readable during the call.
    virtual void onDropFileContents(const FILEDESCRIPTORA& descriptor, fw::DropFile& contents) = 0;
    // Text or a link, with the clipboard format it came in.
    virtual void onDropText(unsigned clipboardFormat, const std::string& text) = 0;
};
