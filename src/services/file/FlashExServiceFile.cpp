#include "services/file/FlashExServiceFile.h"
#include "bridge/values/FlashExParam.h"
#include "bridge/values/FlashExRequest.h"
#include "services/file/DirectoryListing.h"
#include "services/file/DirectoryTree.h"
#include "services/common/PathUtilities.h"
#include "services/common/SearchPattern.h"
#include "services/common/ServiceArguments.h"
#include "services/file/TempFolderRegistry.h"
#include "security/SecurityPolicy.h"
#include "tbx/FileUtil.h"
#include "tbx/PathString.h"

// In the order in which invoke looks for a command.
const ServiceCommand<FlashExServiceFile> FlashExServiceFile::kCommands[] = {
    {"getFileNames", &FlashExServiceFile::getFileNames, 1, 2},
    {"openDir", &FlashExServiceFile::openDir, 1, 1},
    {"readDir", &FlashExServiceFile::readDir, 1, 1},
    {"closeDir", &FlashExServiceFile::closeDir, 1, 1},
    {"getTempPath", &FlashExServiceFile::getTempPath, 0, 1},
    {"getCurrentPath", &FlashExServiceFile::getCurrentPath, 0, 1},
    {"getAppPath", &FlashExServiceFile::getAppPath, 0, 1},
    {"saveTextFile", &FlashExServiceFile::saveTextFile, 3, 3},
    {"loadTextFile", &FlashExServiceFile::loadTextFile, 2, 2},
    {"saveBinFile", &FlashExServiceFile::saveBinFile, 2, 2},
    {"log", &FlashExServiceFile::log, 1, 1},
    {"getTrustedDir", &FlashExServiceFile::getTrustedDir, 0, 0},
    {"isTrustedPath", &FlashExServiceFile::isTrustedPath, 1, 1},
    {"createDirectory", &FlashExServiceFile::createDirectory, 1, 2},
    {"shGetFolderPath", &FlashExServiceFile::shGetFolderPath, 1, 1},
    {"getDirectoryXML", &FlashExServiceFile::getDirectoryXML, 1, 3},
    {"archiveExtract", &FlashExServiceFile::archiveExtract, 2, 2},
    {"archiveExtractWithoutAs3Swf", &FlashExServiceFile::archiveExtractWithoutAs3Swf, 2, 2},
    {"archiveCreate", &FlashExServiceFile::archiveCreate, 3, 3},
    {"directoryExists", &FlashExServiceFile::directoryExists, 1, 1},
    {"fileExists", &FlashExServiceFile::fileExists, 1, 1},
    {"copyDirectory", &FlashExServiceFile::copyDirectory, 2, 4},
    {"deleteFile", &FlashExServiceFile::deleteFile, 1, 1},
    {"compareFileDate", &FlashExServiceFile::compareFileDate, 2, 2},
    {"compareFiletime", &FlashExServiceFile::compareFiletime, 2, 2},
    {"copyFile", &FlashExServiceFile::copyFile, 2, 3},
    {"moveFile", &FlashExServiceFile::moveFile, 2, 2},
    {"normalizePath", &FlashExServiceFile::normalizePath, 1, 2},
    {"useTempFolder", &FlashExServiceFile::useTempFolder, 1, 1},
    {"pathRelativePathTo", &FlashExServiceFile::pathRelativePathTo, 4, 4},
    {"pathCanonicalize", &FlashExServiceFile::pathCanonicalize, 1, 1},
    {"getFileSize", &FlashExServiceFile::getFileSize, 1, 1},
};

std::vector<CommandSignature> FlashExServiceFile::commands() const { return signaturesOf(kCommands); }

bool FlashExServiceFile::invoke(FlashExRequest& request, ParamPtr& result) {
    return runCommand(*this, kCommands, request, result);
}

namespace {

// A sub-folder the listing may not read, or whose name the policy cannot
// judge, is listed without contents.
bool mayList(const SecurityPolicy& policy, const std::string& folder) {
    try {
        return policy.isAllowed(folder, AccessRead);
    } catch (const FlashExException&) {
        return false;
    } catch (const std::exception&) {
        return false;
    }
}

ParamPtr fileInformation(const WIN32_FIND_DATAA& entry) {
    auto info = std::make_unique<FlashExParamObject>();
    info->setString("fileName", entry.cFileName);
    info->setProperty("attributes", paramInt(static_cast<int>(entry.dwFileAttributes)));
    info->setProperty("creationTime", paramInt(unixSeconds(entry.ftCreationTime)));
    info->setProperty("lastAccessTime", paramInt(unixSeconds(entry.ftLastAccessTime)));
    info->setProperty("lastWriteTime", paramInt(unixSeconds(entry.ftLastWriteTime)));
    info->setProperty("fileSize", paramInt(static_cast<int>(entry.nFileSizeLow)));
    return info;
}

}  // namespace

ParamPtr FlashExServiceFile::getFileNames(FlashExRequest& request) {
    std::string directory = policy_.checkRead(stringArgument(request, 0));
    std::vector<std::string> patterns;
    if (request.arguments.size() > 1) {
        const FlashExParamArray* list = &arrayArgument(request, 1);
        for (unsigned i = 0; i < list->size(); ++i) patterns.push_back(list->at(i)->getString());
    } else {
        patterns.push_back("*.*");
    }
    // A pattern may name another folder ("..\*", "sub\*"): every folder
    // searched is judged before the first search.
    auto names = std::make_unique<FlashExParamArray>();
    for (const std::string& name : namesFoundByPatterns(directory, patterns, folderSearchCheck(policy_)))
        names->pushString(name);
    return names;
}

ParamPtr FlashExServiceFile::openDir(FlashExRequest& request) {
    std::string search = checkedSearchPattern(policy_, stringArgument(request, 0), SearchJudging::NamedEntry);
    return paramHandle(directories_.add(std::make_unique<DirectoryHandle>(search)));
}

ParamPtr FlashExServiceFile::readDir(FlashExRequest& request) {
    const WIN32_FIND_DATAA* entry = directories_.find(pointerArgument(request, 0)).next();
    return entry ? fileInformation(*entry) : nullptr;
}

ParamPtr FlashExServiceFile::closeDir(FlashExRequest& request) {
    directories_.close(pointerArgument(request, 0));
    return nullptr;
}

ParamPtr FlashExServiceFile::createDirectory(FlashExRequest& request) {
    const std::string& text = stringArgument(request, 0);
    bool withParents = optionalBoolArgument(request, 1, false);
    std::string path = policy_.checkWrite(text);
    if (withParents) {
        // Every folder made on the way is judged as well.
        tbx::create_directories(path, [this](const std::string& folder) { return policy_.checkWrite(folder); });
    } else if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        throw FlashExException("フォルダ「" + text + "」を作る事が出来ませんでした。");
    }
    return paramBool(true);
}

ParamPtr FlashExServiceFile::getDirectoryXML(FlashExRequest& request) {
    const std::string& label = stringArgument(request, 0);
    bool includeFiles = optionalBoolArgument(request, 1, false);
    bool recurse = optionalBoolArgument(request, 2, true);
    std::string directory = policy_.checkRead(label);
    FolderFilter readable = [this](const std::string& folder) { return mayList(policy_, folder); };
    return paramString(::getDirectoryXML(label, directory, includeFiles, recurse, readable));
}

ParamPtr FlashExServiceFile::directoryExists(FlashExRequest& request) {
    const std::string& path = stringArgument(request, 0);
    policy_.checkNetworkPath(path, AccessRead);
    return paramBool(tbx::is_directory(path));
}

ParamPtr FlashExServiceFile::copyDirectory(FlashExRequest& request) {
    const std::string& sourceText = stringArgument(request, 0);
    const std::string& destinationText = stringArgument(request, 1);
    bool overwrite = optionalBoolArgument(request, 2, true);
    bool onlyNewer = optionalBoolArgument(request, 3, false);
    std::string source = withoutTrailingSeparators(policy_.checkRead(sourceText));
    std::string destination = withoutTrailingSeparators(policy_.checkWrite(destinationText));
    // Every file and folder read below the source and written below the
    // destination is judged on its own: a sub-folder may be refused where
    // the top is allowed.
    TreeChecks checks{[this](const std::string& path) { return policy_.checkRead(path); },
                      [this](const std::string& path) { return policy_.checkWrite(path); }};
    copyDirectoryTree(source, destination, overwrite, onlyNewer, checks);
    return paramBool(true);
}

ParamPtr FlashExServiceFile::useTempFolder(FlashExRequest& request) {
    const std::string& folder = stringArgument(request, 0);
    TempFolderRegistry::requireFolderName(folder);
    // The registry keeps, and at exit deletes, exactly the folder judged.
    tempFolders_.useTempFolder(policy_.checkWrite(folder));
    return nullptr;
}
