#pragma once
#include "bridge/host/FlashExCommandTable.h"
#include "bridge/host/FlashExService.h"
#include "services/file/DirectoryHandle.h"

struct FlashExRequest;
class SecurityPolicy;
class TempFolderRegistry;

// The file system for the movie: listing, reading and writing files, copying,
// moving and deleting, directories, well-known folders, file times, archives,
// the directory listing XML and temporary folders. Paths are checked against
// the security policy before any work starts, and the work uses the paths as
// the policy resolved and judged them.
class FlashExServiceFile : public FlashExService {
public:
    FlashExServiceFile(const SecurityPolicy& policy, TempFolderRegistry& tempFolders)
        : policy_(policy), tempFolders_(tempFolders) {}
    bool invoke(FlashExRequest& request, ParamPtr& result) override;
    std::vector<CommandSignature> commands() const override;

private:
    static const ServiceCommand<FlashExServiceFile> kCommands[];

    // Directories and their enumeration.
    ParamPtr getFileNames(FlashExRequest& request);
    ParamPtr openDir(FlashExRequest& request);
    ParamPtr readDir(FlashExRequest& request);
    ParamPtr closeDir(FlashExRequest& request);
    ParamPtr createDirectory(FlashExRequest& request);
    ParamPtr getDirectoryXML(FlashExRequest& request);
    ParamPtr directoryExists(FlashExRequest& request);
    ParamPtr copyDirectory(FlashExRequest& request);
    ParamPtr useTempFolder(FlashExRequest& request);

    // Files.
    ParamPtr saveTextFile(FlashExRequest& request);
    ParamPtr loadTextFile(FlashExRequest& request);
    ParamPtr saveBinFile(FlashExRequest& request);
    ParamPtr log(FlashExRequest& request);
    ParamPtr archiveExtract(FlashExRequest& request);
    ParamPtr archiveExtractWithoutAs3Swf(FlashExRequest& request);
    ParamPtr archiveCreate(FlashExRequest& request);
    ParamPtr fileExists(FlashExRequest& request);
    ParamPtr deleteFile(FlashExRequest& request);
    ParamPtr compareFileDate(FlashExRequest& request);
    ParamPtr compareFiletime(FlashExRequest& request);
    ParamPtr copyFile(FlashExRequest& request);
    ParamPtr moveFile(FlashExRequest& request);
    ParamPtr getFileSize(FlashExRequest& request);

    // Paths and well-known folders.
    ParamPtr getTempPath(FlashExRequest& request);
    ParamPtr getCurrentPath(FlashExRequest& request);
    ParamPtr getAppPath(FlashExRequest& request);
    ParamPtr getTrustedDir(FlashExRequest& request);
    ParamPtr isTrustedPath(FlashExRequest& request);
    ParamPtr shGetFolderPath(FlashExRequest& request);
    ParamPtr normalizePath(FlashExRequest& request);
    ParamPtr pathRelativePathTo(FlashExRequest& request);
    ParamPtr pathCanonicalize(FlashExRequest& request);

    const SecurityPolicy& policy_;
    TempFolderRegistry& tempFolders_;
    DirectoryHandleTable directories_;
};
