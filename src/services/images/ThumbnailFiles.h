#pragma once
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "services/common/PathUtilities.h"

class MvGpImageConverter;
class Rasteriser;

// Sets only the file's last-write time. Throws TbException
// "ファイルの更新時刻設定に失敗しました。code:N" with the system's error code.
void setLastWriteTime(const std::string& path, const FILETIME& time);

// True when the thumbnail does not exist or its last-write time differs from
// the source's (newer or older). TbException when the source's time cannot
// be read.
bool thumbnailIsStale(const std::string& thumbnail, const std::string& source);

// How the paths of thumbnails are judged; each check answers the name to use
// and throws to refuse. An empty check takes paths as given.
struct ThumbnailChecks {
    PathCheck mayRead;      // a source image or movie
    PathCheck mayWrite;     // a thumbnail
    PathCheck judgeSearch;  // one pattern search of a folder
};

// Thumbnail files of images and movies. Every thumbnail gets its source's
// last-write time, so it stays current until the source changes. A type
// (".png", ".jpg", ...) chooses the encoder; null means none given. Each
// source and each thumbnail is judged before anything is made, and is read
// or written under the name its check answers.
class ThumbnailMaker {
public:
    ThumbnailMaker(Rasteriser& rasteriser, const MvGpImageConverter& encoders, ThumbnailChecks checks = {})
        : rasteriser_(rasteriser), encoders_(encoders), checks_(std::move(checks)) {}

    // A movie ("swf" by type, or by the source's extension when there is no
    // type) is rendered and saved as PNG whatever the type; an image is
    // scaled into maxWidth x maxHeight (0: no limit) and saved by the type,
    // PNG when there is none.
    void makeThumbnailFile(const std::string& source, const std::string& thumbnail, int maxWidth, int maxHeight,
                           const char* type);
    // Makes the thumbnail (null: the source's path + ".thumbnail") unless
    // checkTime is set and the thumbnail is current.
    void updateThumbnailFile(const std::string* thumbnail, const std::string& source, int maxWidth, int maxHeight,
                             bool checkTime, const char* type);
    // The names the patterns find in the directory, each once; for each one,
    // in that order, updateThumbnailFile with the default name, working in
    // the directory. The first failure ends the work (thumbnails made stay).
    std::vector<std::string> updateThumbnailsInDirectory(const std::string& directory,
                                                         const std::vector<std::string>& patterns, int maxWidth,
                                                         int maxHeight, bool checkTime, const char* type);

private:
    // The source's kind comes from its name as given, its content from the
    // judged name; the thumbnail is written under its judged name.
    void makeFromJudged(const std::string& source, const std::string& judgedSource, const std::string& thumbnail,
                        int maxWidth, int maxHeight, const char* type);

    Rasteriser& rasteriser_;
    const MvGpImageConverter& encoders_;
    ThumbnailChecks checks_;
};

// An image's width and height in pixels; of a movie ("swf" extension of path
// as given), its frame rectangle in twips. The file read is the one mayRead
// answers. MvException "画像ファイル読込みエラー" when the image cannot be
// decoded.
SIZE imageOrMovieSize(const std::string& path, const PathCheck& mayRead = {});
