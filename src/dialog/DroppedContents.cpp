#include "dialog/DroppedContents.h"

#include <cstring>

#include "framework/OleDataObject.h"
#include "tbx/MvException.h"

std::string readDroppedContents(fw::DropFile& contents) {
    ULONGLONG length = contents.length();
    if (length > kMaximumDroppedFileSize) throw MvException("ドロップファイルサイズが大き過ぎます。");
    std::string buffer(static_cast<size_t>(length), '\0');
    size_t filled = 0;
    while (filled < buffer.size()) {
        ULONG wanted = static_cast<ULONG>(buffer.size() - filled);
        ULONG count = contents.read(&buffer[filled], wanted);
        if (count == 0) break;
        // A source that claims more than it was asked for is not believed.
        filled += count < wanted ? count : wanted;
    }
    buffer.resize(strnlen(buffer.data(), filled));
    return buffer;
}
