#include "services/file/DirectoryListing.h"

#include <windows.h>

#include "services/common/DirectoryEntries.h"
#include "services/common/PathUtilities.h"
#include "services/file/XmlTextWriter.h"

namespace {

void listDirectory(XmlTextWriter& writer, const std::string& directory, bool includeFiles, bool recurse,
                   const FolderFilter& mayList) {
    // A directory that cannot be searched lists nothing.
    forEachDirectoryEntry(joinPath(directory, "*.*"), [&](const WIN32_FIND_DATAA& entry) {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            writer.startElement("folder");
            writer.writeLabel(entry.cFileName);
            std::string folder = joinPath(directory, entry.cFileName);
            if (recurse && (!mayList || mayList(folder))) listDirectory(writer, folder, includeFiles, recurse, mayList);
            writer.endElement();
        } else if (includeFiles) {
            writer.startElement("file");
            writer.writeLabel(entry.cFileName);
            writer.endElement();
        }
    });
}

}  // namespace

std::string getDirectoryXML(const std::string& label, const std::string& directory, bool includeFiles, bool recurse,
                            const FolderFilter& mayList) {
    requireDirectoryName(label);
    XmlTextWriter writer;
    writer.startElement("directory");
    writer.writeLabel(label);
    listDirectory(writer, directory, includeFiles, recurse, mayList);
    writer.endElement();
    return writer.text();
}
