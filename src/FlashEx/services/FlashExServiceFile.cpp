#include "FlashExServiceFile.h"

#include <set>

#include "FlashEx/FlashExParam.h"
#include "FlashEx/FlashExRequest.h"
#include "FlashEx/services/DirectoryEntries.h"
#include "FlashEx/services/DirectoryListing.h"
#include "FlashEx/services/DirectoryTree.h"
#include "FlashEx/services/PathUtilities.h"
#include "FlashEx/services/ServiceArguments.h"
#include "FlashEx/services/TempFolderRegistry.h"
#include "security/SecurityPolicy.h"
#include "tbx/PathString.h"

// In the order in which invoke looks for a command.
const FlashExServiceFile::CommandEntry FlashExServiceFile::kCommands[] = {
    {"getFileNames", &FlashExServiceFile::getFileNames},
    {"openDir", &FlashExServiceFile::openDir},
    {"readDir", &FlashExServiceFile::readDir},
    {"closeDir", &FlashExServiceFile::closeDir},
    {"getTempPath", &FlashExServiceFile::getTempPath},
    {"getCurrentPath", &FlashExServiceFile::getCurrentPath},
    {"getAppPath", &FlashExServiceFile::getAppPath},
    {"saveTextFile", &FlashExServiceFile::saveTextFile},
    {"loadTextFile", &FlashExServiceFile::loadTextFile},
    {"saveBinFile", &FlashExServiceFile::saveBinFile},
    {"log", &FlashExServiceFile::log},
    {"getTrustedDir", &FlashExServiceFile::getTrustedDir},
    {"isTrustedPath", &FlashExServiceFile::isTrustedPath},
    {"createDirectory", &FlashExServiceFile::createDirectory},
    {"shGetFolderPath", &FlashExServiceFile::shGetFolderPath},
    {"getDirectoryXML", &FlashExServiceFile::getDirectoryXML},
    {"archiveExtract", &FlashExServiceFile::archiveExtract},
    {"archiveExtractWithoutAs3Swf", &FlashExServiceFile::archiveExtractWithoutAs3Swf},
    {"archiveCreate", &FlashExServiceFile::archiveCreate},
    {"directoryExists", &FlashExServiceFile::directoryExists},
    {"fileExists", &FlashExServiceFile::fileExists},
    {"copyDirectory", &FlashExServiceFile::copyDirectory},
    {"deleteFile", &FlashExServiceFile::deleteFile},
    {"compareFileDate", &FlashExServiceFile::compareFileDate},
    {"compareFiletime", &FlashExServiceFile::compareFiletime},
    {"copyFile", &FlashExServiceFile::copyFile},
    {"moveFile", &FlashExServiceFile::moveFile},
    {"normalizePath", &FlashExServiceFile::normalizePath},
    {"useTempFolder", &FlashExServiceFile::useTempFolder},
    {"pathRelativePathTo", &FlashExServiceFile::pathRelativePathTo},
    {"pathCanonicalize", &FlashExServiceFile::pathCanonicalize},
    {"getFileSize", &FlashExServiceFile::getFileSize},
};

bool FlashExServiceFile::invoke(FlashExRequest& request, FlashExParam*& result) {
    for (const CommandEntry& command : kCommands) {
        if (request.name == command.name) {
            result = (this->*command.run)(request);
            return true;
        }
    }
    return false;
}

namespace {

SecurityPolicy& policy() { return SecurityPolicy::instance(); }

// A search pattern with wildcards in its last name names no one file; what
// the movie reads is the directory searched (also the root "C:\\" or the
// current directory).
std::string searchedPath(const std::string& pattern) {
    std::string name = tbx::file_name_of(pattern);
    if (name.find_first_of("*?") == std::string::npos) return pattern;
    std::string directory = pattern.substr(0, pattern.size() - name.size());
    if (directory.empty()) return ".";
    std::string parent = tbx::dir_name_of(directory);
    return parent.empty() || parent.back() == ':' ? directory : parent;
}

FlashExParamObject* fileInformation(const WIN32_FIND_DATAA& entry) {
    auto* info = new FlashExParamObject;
    info->setString("fileName", entry.cFileName);
    info->setProperty("attributes", new FlashExParamInt(static_cast<int>(entry.dwFileAttributes)));
    info->setProperty("creationTime", new FlashExParamInt(unixSeconds(entry.ftCreationTime)));
    info->setProperty("lastAccessTime", new FlashExParamInt(unixSeconds(entry.ftLastAccessTime)));
    info->setProperty("lastWriteTime", new FlashExParamInt(unixSeconds(entry.ftLastWriteTime)));
    info->setProperty("fileSize", new FlashExParamInt(static_cast<int>(entry.nFileSizeLow)));
    return info;
}

}  // namespace

FlashExParam* FlashExServiceFile::getFileNames(FlashExRequest& request) {
    const std::string& directory = stringArgument(request, 0);
    policy().checkRead(directory);
    std::vector<std::string> patterns;
    if (request.arguments.size() > 1) {
        const FlashExParamArray* list = request.arguments.at(1)->asArray();
        for (unsigned i = 0; i < list->size(); ++i) patterns.push_back(list->at(i)->getString());
    } else {
        patterns.push_back("*.*");
    }
    std::set<std::string> seen;
    auto names = std::make_unique<FlashExParamArray>();
    for (const std::string& pattern : patterns) {
        forEachDirectoryEntry(directory + "\\" + pattern, [&](const WIN32_FIND_DATAA& entry) {
            if (seen.insert(entry.cFileName).second) names->pushString(entry.cFileName);
        });
    }
    return names.release();
}

FlashExParam* FlashExServiceFile::openDir(FlashExRequest& request) {
    const std::string& pattern = stringArgument(request, 0);
    policy().checkRead(searchedPath(pattern));
    return new FlashExParamPointer(directories_.add(std::make_unique<DirectoryHandle>(pattern)));
}

FlashExParam* FlashExServiceFile::readDir(FlashExRequest& request) {
    const WIN32_FIND_DATAA* entry = directories_.find(request.arguments.at(0)->getPointer()).next();
    return entry ? fileInformation(*entry) : nullptr;
}

FlashExParam* FlashExServiceFile::closeDir(FlashExRequest& request) {
    directories_.close(request.arguments.at(0)->getPointer());
    return nullptr;
}

FlashExParam* FlashExServiceFile::createDirectory(FlashExRequest& request) {
    const std::string& path = stringArgument(request, 0);
    bool withParents = optionalBoolArgument(request, 1, false);
    policy().checkWrite(path);
    if (withParents) {
        createDirectoryTree(path);
    } else if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        throw FlashExException("フォルダ「" + path + "」を作る事が出来ませんでした。");
    }
    return new FlashExParamBool(true);
}

FlashExParam* FlashExServiceFile::getDirectoryXML(FlashExRequest& request) {
    const std::string& directory = stringArgument(request, 0);
    bool includeFiles = optionalBoolArgument(request, 1, false);
    bool recurse = optionalBoolArgument(request, 2, true);
    policy().checkRead(directory);
    return new FlashExParamString(::getDirectoryXML(directory, includeFiles, recurse));
}

FlashExParam* FlashExServiceFile::directoryExists(FlashExRequest& request) {
    return new FlashExParamBool(isExistingDirectory(stringArgument(request, 0)));
}

FlashExParam* FlashExServiceFile::copyDirectory(FlashExRequest& request) {
    const std::string& source = stringArgument(request, 0);
    const std::string& destination = stringArgument(request, 1);
    bool overwrite = optionalBoolArgument(request, 2, true);
    bool onlyNewer = optionalBoolArgument(request, 3, false);
    policy().checkRead(source);
    policy().checkWrite(destination);
    copyDirectoryTree(source, destination, overwrite, onlyNewer);
    return new FlashExParamBool(true);
}

FlashExParam* FlashExServiceFile::useTempFolder(FlashExRequest& request) {
    const std::string& folder = stringArgument(request, 0);
    policy().checkWrite(folder);
    TempFolderRegistry::instance().useTempFolder(folder);
    return nullptr;
}
