#include "dialog/FileGroupDescriptor.h"

#include <cstddef>
#include <cstring>

static_assert(sizeof(FILEDESCRIPTORA) == 332, "the shell's file descriptor layout");
static_assert(offsetof(FILEGROUPDESCRIPTORA, fgd) == 4, "descriptors follow the 32-bit count");

std::vector<FILEDESCRIPTORA> fileDescriptorsOf(const std::string& block) {
    std::vector<FILEDESCRIPTORA> descriptors;
    const size_t first = offsetof(FILEGROUPDESCRIPTORA, fgd);
    if (block.size() < first) return descriptors;
    UINT count = 0;
    memcpy(&count, block.data(), sizeof(count));
    size_t whole = (block.size() - first) / sizeof(FILEDESCRIPTORA);
    if (count > whole) count = static_cast<UINT>(whole);
    descriptors.resize(count);
    if (count) memcpy(descriptors.data(), block.data() + first, count * sizeof(FILEDESCRIPTORA));
    return descriptors;
}

std::string fileDescriptorName(const FILEDESCRIPTORA& descriptor) {
    const char* name = descriptor.cFileName;
    return std::string(name, strnlen(name, sizeof(descriptor.cFileName)));
}
