#include "app/MovieCheck.h"

#include <windows.h>

#include <exception>

#include "imaging/SwfFile.h"
#include "security/MultiByteCompare.h"
#include "tbx/Handles.h"
#include "tbx/PathString.h"

namespace {

std::string localName(const std::string& movie) {
    char current[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof(current), current);
    std::string local = std::string(current) + "\\" + movie;
    DWORD attributes = local.size() < 1024 ? GetFileAttributesA(local.c_str()) : INVALID_FILE_ATTRIBUTES;
    return attributes != INVALID_FILE_ATTRIBUTES ? local : movie;
}

const uint16_t kScriptTag = 1000;
const uint32_t kMaxScriptMovieBytes = 256u * 1024 * 1024;

std::string movieFileOf(const std::string& movieArgument) {
    return movieArgument.substr(0, tbx::find_character(movieArgument, '?'));
}

}  // namespace

bool isScriptMovie(const std::string& movieArgument) {
    std::string movie = movieFileOf(movieArgument);
    if (security::endsWithIgnoreCase(movie, ".js")) return true;
    try {
        // No larger movie is a script movie: the stand-in refuses it, so it is not inflated here either.
        if (readSwfFile(localName(movie), true).header.fileLength > kMaxScriptMovieBytes) return false;
        SwfFile file = readSwfFile(localName(movie), false);
        SwfTag tag;
        while (file.nextTag(tag))
            if (tag.code == kScriptTag) return true;
    } catch (const std::exception&) {
        // A movie that cannot be read is the player's to refuse.
    }
    return false;
}

std::string movieLoadProblem(const std::string& movieArgument) {
    std::string movie = movieFileOf(movieArgument);
    if (movie.find("://") != std::string::npos) return std::string();
    std::string path = localName(movie);
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return "ファイルが見つかりません。";
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return "フォルダです。ムービーのファイルを指定してください。";
    tbx::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
    if (!file) return "ファイルを開けません。";
    if (security::endsWithIgnoreCase(movie, ".js")) return std::string();
    try {
        readSwfFile(path, true);
    } catch (const std::exception& e) {
        return std::string("SWFファイルとして読めません（") + e.what() + "）。";
    }
    return std::string();
}
