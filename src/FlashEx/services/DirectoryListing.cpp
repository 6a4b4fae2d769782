#include "DirectoryListing.h"

#include <windows.h>

#include "PathUtilities.h"
#include "XmlTextWriter.h"
#include "tbx/Handles.h"

namespace {

void listDirectory(XmlTextWriter& writer, const std::string& directory, bool includeFiles, bool recurse) {
    WIN32_FIND_DATAA entry;
    tbx::FindHandle search(FindFirstFileA(joinPath(directory, "*.*").c_str(), &entry));
    if (!search) return;  // a directory that cannot be searched lists nothing
    do {
        std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            writer.startElement("folder");
            writer.writeLabel(name);
            if (recurse) listDirectory(writer, joinPath(directory, name), includeFiles, recurse);
            writer.endElement();
        } else if (includeFiles) {
            writer.startElement("file");
            writer.writeLabel(name);
            writer.endElement();
        }
    } while (FindNextFileA(search.get(), &entry));
}

}  // namespace

std::string getDirectoryXML(const std::string& directory, bool includeFiles, bool recurse) {
    XmlTextWriter writer;
    writer.startElement("directory");
    writer.writeLabel(directory);
    listDirectory(writer, directory, includeFiles, recurse);
    writer.endElement();
    return writer.text();
}
