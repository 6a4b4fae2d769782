#include "services/clipboard/ClipboardFormatName.h"

#include <windows.h>

namespace {

// Indexed by the standard format number minus one (CF_TEXT = 1 ... CF_LOCALE = 16).
const char* const kStandardNames[] = {
    "text",    "bitmap",  "metafilePict", "sylk", "dif",         "tiff",         "oemText", "dib",
    "palette", "penData", "riff",         "wave", "unicodeText", "enhMmetafile", "hdrop",   "locale",
};

}  // namespace

std::string clipboardFormatName(unsigned format) {
    if (format >= 1 && format <= sizeof(kStandardNames) / sizeof(kStandardNames[0])) return kStandardNames[format - 1];
    char name[1024] = "";
    int length = GetClipboardFormatNameA(format, name, sizeof(name));
    return std::string(name, length > 0 ? length : 0);
}
