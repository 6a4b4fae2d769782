#pragma once
#include "FlashEx/FlashExService.h"
#include "FlashEx/services/DirectoryHandle.h"

class FlashExParam;
struct FlashExRequest;
class SecurityPolicy;

// The file system for the movie: listing, reading and writing files, copying,
// moving and deleting, directories, well-known folders, file times, archives,
// the directory listing XML and temporary folders. Paths are checked against
// the security policy before any work starts, and the work uses the paths as
// the policy resolved and judged them.
class FlashExServiceFile : public FlashExService {
public:
    // Judged by the process-wide policy.
    FlashExServiceFile();
    explicit FlashExServiceFile(const SecurityPolicy& policy);
    bool invoke(FlashExRequest& request, FlashExParam*& result) override;

private:
    using Command = FlashExParam* (FlashExServiceFile::*)(FlashExRequest&);
    struct CommandEntry {
        const char* name;
        Command run;
    };
    static const CommandEntry kCommands[];

    // Directories and their enumeration.
    FlashExParam* getFileNames(FlashExRequest& request);
    FlashExParam* openDir(FlashExRequest& request);
    FlashExParam* readDir(FlashExRequest& request);
    FlashExParam* closeDir(FlashExRequest& request);
    FlashExParam* createDirectory(FlashExRequest& request);
    FlashExParam* getDirectoryXML(FlashExRequest& request);
    FlashExParam* directoryExists(FlashExRequest& request);
    FlashExParam* copyDirectory(FlashExRequest& request);
    FlashExParam* useTempFolder(FlashExRequest& request);

    // Files.
    FlashExParam* saveTextFile(FlashExRequest& request);
    FlashExParam* loadTextFile(FlashExRequest& request);
    FlashExParam* saveBinFile(FlashExRequest& request);
    FlashExParam* log(FlashExRequest& request);
    FlashExParam* archiveExtract(FlashExRequest& request);
    FlashExParam* archiveExtractWithoutAs3Swf(FlashExRequest& request);
    FlashExParam* archiveCreate(FlashExRequest& request);
    FlashExParam* fileExists(FlashExRequest& request);
    FlashExParam* deleteFile(FlashExRequest& request);
    FlashExParam* compareFileDate(FlashExRequest& request);
    FlashExParam* compareFiletime(FlashExRequest& request);
    FlashExParam* copyFile(FlashExRequest& request);
    FlashExParam* moveFile(FlashExRequest& request);
    FlashExParam* getFileSize(FlashExRequest& request);

    // Paths and well-known folders.
    FlashExParam* getTempPath(FlashExRequest& request);
    FlashExParam* getCurrentPath(FlashExRequest& request);
    FlashExParam* getAppPath(FlashExRequest& request);
    FlashExParam* getTrustedDir(FlashExRequest& request);
    FlashExParam* isTrustedPath(FlashExRequest& request);
    FlashExParam* shGetFolderPath(FlashExRequest& request);
    FlashExParam* normalizePath(FlashExRequest& request);
    FlashExParam* pathRelativePathTo(FlashExRequest& request);
    FlashExParam* pathCanonicalize(FlashExRequest& request);

    const SecurityPolicy& policy_;
    DirectoryHandleTable directories_;
};
