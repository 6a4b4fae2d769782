#include "services/images/ThumbnailFiles.h"

#include "tbx/MvException.h"
#include "tbx/CurrentDirectoryGuard.h"
#include "services/common/PathUtilities.h"
#include "services/common/SearchPattern.h"
#include "services/images/RasterJob.h"
#include "imaging/GpImage.h"
#include "imaging/MvGpImageConverter.h"
#include "imaging/SwfFile.h"
#include "tbx/Handles.h"
#include "tbx/TbException.h"
#include "tbx/TextConversion.h"

namespace {

const char kImageReadError[] = "画像ファイル読込みエラー";
const char kMovieKind[] = "swf";
const char kPngType[] = ".png";
const char kThumbnailSuffix[] = ".thumbnail";

// The text after the path's last '.' (which is never the second byte of a
// double-byte character), or "".
std::string extensionOf(const std::string& path) {
    size_t dot = path.rfind('.');
    return dot == std::string::npos ? std::string() : path.substr(dot + 1);
}

imaging::GpImagePtr loadImage(const std::string& path) {
    std::u16string widePath = multiByteToWide(path, CP_ACP);
    Gdiplus::GpImage* image = nullptr;
    if (Gdiplus::DllExports::GdipLoadImageFromFile(reinterpret_cast<const WCHAR*>(widePath.c_str()), &image) !=
        Gdiplus::Ok)
        throw MvException(kImageReadError);
    return imaging::GpImagePtr(image);
}

}  // namespace

void setLastWriteTime(const std::string& path, const FILETIME& time) {
    tbx::FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, tbx::kStreamSharing, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || !SetFileTime(file.get(), nullptr, nullptr, &time))
        throw TbException("ファイルの更新時刻設定に失敗しました。code:" + std::to_string(GetLastError()));
}

bool thumbnailIsStale(const std::string& thumbnail, const std::string& source) {
    if (GetFileAttributesA(thumbnail.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
    FILETIME sourceTime = lastWriteTime(source);
    FILETIME thumbnailTime = lastWriteTime(thumbnail);
    return CompareFileTime(&sourceTime, &thumbnailTime) != 0;
}

namespace {

std::string judged(const PathCheck& check, const std::string& path) { return check ? check(path) : path; }

}  // namespace

void ThumbnailMaker::makeThumbnailFile(const std::string& source, const std::string& thumbnail, int maxWidth,
                                       int maxHeight, const char* type) {
    const std::string judgedSource = judged(checks_.mayRead, source);
    makeFromJudged(source, judgedSource, judged(checks_.mayWrite, thumbnail), maxWidth, maxHeight, type);
}

void ThumbnailMaker::makeFromJudged(const std::string& source, const std::string& judgedSource,
                                    const std::string& thumbnail, int maxWidth, int maxHeight, const char* type) {
    std::string kind = type ? std::string(type) : extensionOf(source);
    if (kind == kMovieKind) {
        auto job = std::make_shared<RasterJob>();
        job->moviePath = judgedSource;
        job->boxWidth = maxWidth;
        job->boxHeight = maxHeight;
        tbx::GdiObject bitmap = job->render(rasteriser_);
        encoders_.saveBitmap(static_cast<HBITMAP>(bitmap.get()), thumbnail, kPngType);
    } else {
        imaging::GpImagePtr image = loadImage(judgedSource);
        encoders_.saveThumbnail(image.get(), thumbnail, type ? type : kPngType, static_cast<UINT>(maxWidth),
                                static_cast<UINT>(maxHeight));
    }
    setLastWriteTime(thumbnail, lastWriteTime(judgedSource));
}

void ThumbnailMaker::updateThumbnailFile(const std::string* thumbnail, const std::string& source, int maxWidth,
                                         int maxHeight, bool checkTime, const char* type) {
    const std::string judgedSource = judged(checks_.mayRead, source);
    // Judged before its time is read: a thumbnail on a share is not reached unless it may be written.
    const std::string target = judged(checks_.mayWrite, thumbnail ? *thumbnail : judgedSource + kThumbnailSuffix);
    if (checkTime && !thumbnailIsStale(target, judgedSource)) return;
    makeFromJudged(source, judgedSource, target, maxWidth, maxHeight, type);
}

std::vector<std::string> ThumbnailMaker::updateThumbnailsInDirectory(const std::string& directory,
                                                                     const std::vector<std::string>& patterns,
                                                                     int maxWidth, int maxHeight, bool checkTime,
                                                                     const char* type) {
    std::vector<std::string> names = namesFoundByPatterns(directory, patterns, checks_.judgeSearch);
    // The names are relative: they resolve against the directory while it is current.
    CurrentDirectoryGuard inDirectory(directory);
    for (const std::string& name : names) updateThumbnailFile(nullptr, name, maxWidth, maxHeight, checkTime, type);
    return names;
}

SIZE imageOrMovieSize(const std::string& path, const PathCheck& mayRead) {
    const std::string judgedPath = judged(mayRead, path);
    if (extensionOf(path) == kMovieKind) {
        SwfHeader header = readSwfFile(judgedPath, true).header;
        return SIZE{header.xmax - header.xmin, header.ymax - header.ymin};
    }
    imaging::GpImagePtr image = loadImage(judgedPath);
    UINT width = 0, height = 0;
    Gdiplus::DllExports::GdipGetImageWidth(image.get(), &width);
    Gdiplus::DllExports::GdipGetImageHeight(image.get(), &height);
    return SIZE{static_cast<LONG>(width), static_cast<LONG>(height)};
}
