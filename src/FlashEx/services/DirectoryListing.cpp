#include "DirectoryListing.h"

#include <windows.h>

#include "DirectoryEntries.h"
#include "PathUtilities.h"
#include "XmlTextWriter.h"

namespace {

void listDirectory(XmlTextWriter& writer, const std::string& directory, bool includeFiles, bool recurse) {
    // A directory that cannot be searched lists nothing.
    forEachDirectoryEntry(joinPath(directory, "*.*"), [&](const WIN32_FIND_DATAA& entry) {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            writer.startElement("folder");
            writer.writeLabel(entry.cFileName);
            if (recurse) listDirectory(writer, joinPath(directory, entry.cFileName), includeFiles, recurse);
            writer.endElement();
        } else if (includeFiles) {
            writer.startElement("file");
            writer.writeLabel(entry.cFileName);
            writer.endElement();
        }
    });
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
