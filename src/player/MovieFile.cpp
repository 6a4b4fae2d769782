#include "player/MovieFile.h"

#include <windows.h>

#include "imaging/SwfFile.h"
#include "tbx/Handles.h"
#include "tbx/TextConversion.h"

namespace player {

namespace {

const uint32_t kMaxMovieBytes = 256u * 1024 * 1024;
const int kEndTag = 0;
const int kBackgroundTag = 9;
const int kScriptTag = 1000;
const int kScriptNameTag = 1001;
const int kTwipsPerPixel = 20;

// What the player plays of a movie: stage size and rate from the header, the
// background colour (SetBackgroundColor, 9) and the script (1000) from the
// tags up to the End tag; other tags are skipped.
MovieData movieFrom(SwfFile swf) {
    const SwfHeader& header = swf.header;
    MovieData movie;
    movie.width = (header.xmax - header.xmin) / kTwipsPerPixel;
    movie.height = (header.ymax - header.ymin) / kTwipsPerPixel;
    movie.frameRate = header.frameRateInteger + header.frameRateFraction / 256.0;
    SwfTag tag;
    while (swf.nextTag(tag) && tag.code != kEndTag) {
        if (tag.code == kBackgroundTag && tag.length >= 3)
            movie.backgroundColor = tag.data[0] << 16 | tag.data[1] << 8 | tag.data[2];
        else if (tag.code == kScriptTag)
            movie.script.append(reinterpret_cast<const char*>(tag.data), tag.length);
        else if (tag.code == kScriptNameTag)
            movie.scriptName.assign(reinterpret_cast<const char*>(tag.data), tag.length);
    }
    return movie;
}

// The reader's messages are ANSI code page text; the player reports in UTF-8.
MovieError movieErrorFrom(const MvSWFException& e) {
    return MovieError(wideToMultiByte(multiByteToWide(e.what(), CP_ACP), CP_UTF8));
}

bool endsWithJs(const std::u16string& path) {
    if (path.size() < 3) return false;
    std::u16string tail = path.substr(path.size() - 3);
    return tail[0] == u'.' && (tail[1] == u'j' || tail[1] == u'J') && (tail[2] == u's' || tail[2] == u'S');
}

std::string readWholeFile(const std::u16string& path) {
    tbx::FileHandle file(CreateFileW(reinterpret_cast<LPCWSTR>(path.c_str()), GENERIC_READ, tbx::kStreamSharing,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw MovieError("the movie file cannot be opened");
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxMovieBytes)
        throw MovieError("the movie file is too large: more than 256 MiB");
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() &&
        (!ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size()))
        throw MovieError("the movie file cannot be read");
    return bytes;
}

}  // namespace

MovieData parseSwf(const std::string& file) {
    try {
        // A compressed movie may declare far more than its file holds; what
        // it inflates to is capped as a script file is, before inflating.
        if (readSwfBytes(file, true).header.fileLength > kMaxMovieBytes)
            throw MovieError("the movie is too large: it declares more than 256 MiB");
        return movieFrom(readSwfBytes(file, false));
    } catch (const MvSWFException& e) {
        throw movieErrorFrom(e);
    }
}

std::u16string moviePathOf(const std::u16string& location) {
    std::u16string path = location.substr(0, location.find(u'?'));
    const std::u16string prefixes[] = {u"file:///", u"file://"};
    for (const auto& prefix : prefixes) {
        if (path.size() >= prefix.size() &&
            CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, reinterpret_cast<LPCWSTR>(path.c_str()),
                           static_cast<int>(prefix.size()), reinterpret_cast<LPCWSTR>(prefix.c_str()),
                           static_cast<int>(prefix.size())) == CSTR_EQUAL) {
            path = path.substr(prefix.size());
            for (auto& c : path)
                if (c == u'/') c = u'\\';
            break;
        }
    }
    return path;
}

std::u16string movieQueryOf(const std::u16string& location) {
    size_t mark = location.find(u'?');
    return mark == std::u16string::npos ? std::u16string() : location.substr(mark + 1);
}

MovieData loadMovieFile(const std::u16string& location) {
    std::u16string path = moviePathOf(location);
    MovieData movie;
    if (!endsWithJs(path)) {
        try {
            movie = movieFrom(readSwfFile(path, false));
        } catch (const MvSWFException& e) {
            throw MovieError(e.what());
        }
    } else {
        movie.script = readWholeFile(path);
    }
    if (movie.scriptName.empty())
        movie.scriptName = wideToMultiByte(path.substr(path.find_last_of(u"\\/") + 1), CP_UTF8);
    return movie;
}

}  // namespace player
