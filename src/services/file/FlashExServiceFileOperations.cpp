// The file commands of FlashExServiceFile.
#include <windows.h>

#include <vector>

#include "tbx/FlashExException.h"
#include "bridge/values/FlashExParam.h"
#include "bridge/values/FlashExRequest.h"
#include "services/common/DirectoryEntries.h"
#include "services/file/FlashExServiceFile.h"
#include "services/file/LogFile.h"
#include "services/common/PathUtilities.h"
#include "services/common/ServiceArguments.h"
#include "services/file/TextFile.h"
#include "imaging/SwfFile.h"
#include "security/SecurityPolicy.h"
#include "tbx/Archive.h"
#include "tbx/Base64.h"
#include "tbx/FileUtil.h"
#include "tbx/PathString.h"
#include "tbx/nfstream.h"

namespace {

int sign(LONG comparison) { return comparison < 0 ? -1 : comparison > 0 ? 1 : 0; }

SYSTEMTIME calendarDate(const FILETIME& time) {
    SYSTEMTIME date = {};  // a time beyond the calendar compares as the zero date
    FileTimeToSystemTime(&time, &date);
    return date;
}

// Unpacking writes each entry, and each folder it makes on the way there
// (the destination's own missing parents too), only once the policy allows
// writing there.
tbx::archive_target_check unpackingCheck(const SecurityPolicy& policy) {
    return [&policy](const std::string& target) {
        policy.checkWrite(target);
        for (const std::string& folder : tbx::missing_directories(tbx::dir_name_of(target))) policy.checkWrite(folder);
    };
}

// Extracts the archive named by the first argument into the directory named
// by the second, once the policy allows reading the one and writing the other.
void extractArchive(const SecurityPolicy& policy, FlashExRequest& request, bool withoutAs3) {
    const std::string& archiveText = stringArgument(request, 0);
    const std::string& destinationText = stringArgument(request, 1);
    std::string archive = policy.checkRead(archiveText);
    std::string destination = policy.checkWrite(destinationText);
    tbx::nfstream in(archive.c_str(), "rb");
    if (withoutAs3)
        tbx::archive_extract_without_as3_swf(
            destination, in, [](const std::string& movie) { return !isAs3Swf(movie); }, unpackingCheck(policy));
    else
        tbx::archive_extract(destination, in, unpackingCheck(policy));
}

// The files below the source directory, each of which the policy allows
// reading: one that it refuses fails the command before anything is packed.
std::vector<std::string> readableFiles(const SecurityPolicy& policy, const std::string& source) {
    std::vector<std::string> files = tbx::list_files(tbx::with_trailing_separator(source) + "*.*", true);
    for (const std::string& file : files) policy.checkRead(file);
    return files;
}

}  // namespace

ParamPtr FlashExServiceFile::saveTextFile(FlashExRequest& request) {
    std::string path = policy_.checkWrite(stringArgument(request, 0));
    writeTextFile(path.c_str(), textArgument(request, 1), textArgument(request, 2));
    return nullptr;
}

ParamPtr FlashExServiceFile::loadTextFile(FlashExRequest& request) {
    std::string path = policy_.checkRead(stringArgument(request, 0));
    return paramString(readTextFile(path.c_str(), textArgument(request, 1), true));
}

ParamPtr FlashExServiceFile::saveBinFile(FlashExRequest& request) {
    std::string path = policy_.checkWrite(stringArgument(request, 0));
    tbx::write_file(path, tbx::base64_decode(stringArgument(request, 1)));
    return nullptr;
}

ParamPtr FlashExServiceFile::log(FlashExRequest& request) {
    appendLog(textArgument(request, 0));
    return nullptr;
}

ParamPtr FlashExServiceFile::archiveExtract(FlashExRequest& request) {
    extractArchive(policy_, request, false);
    return nullptr;
}

ParamPtr FlashExServiceFile::archiveExtractWithoutAs3Swf(FlashExRequest& request) {
    extractArchive(policy_, request, true);
    return nullptr;
}

ParamPtr FlashExServiceFile::archiveCreate(FlashExRequest& request) {
    const std::string& archiveText = stringArgument(request, 0);
    const std::string& sourceText = stringArgument(request, 1);
    bool withOwnName = boolArgument(request, 2);
    std::string source = withoutTrailingSeparators(policy_.checkRead(sourceText));
    std::string archive = policy_.checkWrite(archiveText);
    tbx::nfstream out(archive.c_str(), "wb");
    // With its own name the entries begin with the source folder's name,
    // unless the movie wrote the source with a trailing separator; without,
    // they are relative to the source.
    bool ownName = withOwnName && !tbx::ends_with_separator(sourceText);
    tbx::archive_create(out, ownName ? tbx::dir_name_of(source) : source, readableFiles(policy_, source));
    return nullptr;
}

ParamPtr FlashExServiceFile::fileExists(FlashExRequest& request) {
    const std::string& path = stringArgument(request, 0);
    policy_.checkNetworkPath(path, AccessRead);
    return paramBool(isExistingFile(path));
}

ParamPtr FlashExServiceFile::deleteFile(FlashExRequest& request) {
    std::string path = policy_.checkWrite(stringArgument(request, 0));
    return paramBool(DeleteFileA(path.c_str()) != FALSE);
}

ParamPtr FlashExServiceFile::compareFileDate(FlashExRequest& request) {
    const std::string& pathA = stringArgument(request, 0);
    const std::string& pathB = stringArgument(request, 1);
    for (const std::string* path : {&pathA, &pathB}) policy_.checkNetworkPath(*path, AccessRead);
    SYSTEMTIME a = calendarDate(lastWriteTime(pathA));
    SYSTEMTIME b = calendarDate(lastWriteTime(pathB));
    int result = a.wYear != b.wYear     ? sign(a.wYear - b.wYear)
                 : a.wMonth != b.wMonth ? sign(a.wMonth - b.wMonth)
                                        : sign(a.wDay - b.wDay);
    return paramInt(result);
}

ParamPtr FlashExServiceFile::compareFiletime(FlashExRequest& request) {
    const std::string& pathA = stringArgument(request, 0);
    const std::string& pathB = stringArgument(request, 1);
    for (const std::string* path : {&pathA, &pathB}) policy_.checkNetworkPath(*path, AccessRead);
    // b first, so that when both are missing the error names b.
    FILETIME b = lastWriteTime(pathB);
    FILETIME a = lastWriteTime(pathA);
    return paramInt(CompareFileTime(&a, &b));
}

ParamPtr FlashExServiceFile::copyFile(FlashExRequest& request) {
    const std::string& sourceText = stringArgument(request, 0);
    const std::string& destinationText = stringArgument(request, 1);
    bool keepExisting = optionalBoolArgument(request, 2, false);
    std::string source = policy_.checkRead(sourceText);
    std::string destination = policy_.checkWrite(destinationText);
    return paramBool(CopyFileA(source.c_str(), destination.c_str(), keepExisting) != FALSE);
}

namespace {

// A link moves as itself; its target's contents stay where they are.
bool isFolderToWalk(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Moving a folder moves everything below it, so every entry must be writable
// as well: a denied folder inside would otherwise leave its rule behind.
void checkTreeWritable(const SecurityPolicy& policy, const std::string& folder) {
    forEachDirectoryEntry(folder + "\\*", [&](const WIN32_FIND_DATAA& entry) {
        std::string path = policy.checkWrite(folder + "\\" + entry.cFileName);
        if (isFolderToWalk(entry.dwFileAttributes)) checkTreeWritable(policy, path);
    });
}

}  // namespace

ParamPtr FlashExServiceFile::moveFile(FlashExRequest& request) {
    const std::string& sourceText = stringArgument(request, 0);
    const std::string& destinationText = stringArgument(request, 1);
    std::string source = policy_.checkRead(sourceText);
    std::string destination = policy_.checkWrite(destinationText);
    // Moving removes the source, so the source must be writable too.
    policy_.checkWrite(source);
    if (isFolderToWalk(GetFileAttributesA(source.c_str()))) checkTreeWritable(policy_, source);
    return paramBool(MoveFileA(source.c_str(), destination.c_str()) != FALSE);
}

ParamPtr FlashExServiceFile::getFileSize(FlashExRequest& request) {
    const std::string& path = stringArgument(request, 0);
    policy_.checkNetworkPath(path, AccessRead);
    tbx::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file || !GetFileSizeEx(file.get(), &size))
        throw FlashExException("ファイル「" + path + "」を開けませんでした。");
    // The answer is a 32-bit signed number; a larger size would come out wrong.
    if (size.QuadPart > 0x7FFFFFFF)
        throw FlashExException("ファイル「" + path + "」は2GB以上あるため、サイズを返せません。");
    return paramInt(static_cast<int>(size.QuadPart));
}
