#include "player/MovieFile.h"

#include <windows.h>
#include <zlib.h>

#include "tbx/Handles.h"

namespace player {

namespace {

const uint32_t kMaxMovieBytes = 256u * 1024 * 1024;
const int kScriptTag = 1000;

class Reader {
public:
    Reader(const std::string& bytes, size_t position) : bytes_(bytes), position_(position) {}

    bool atEnd() const { return position_ >= bytes_.size(); }
    size_t position() const { return position_; }
    uint32_t u8() {
        need(1);
        return static_cast<uint8_t>(bytes_[position_++]);
    }
    uint32_t u16() {
        uint32_t low = u8();
        return low | (u8() << 8);
    }
    uint32_t u32() {
        uint32_t low = u16();
        return low | (u16() << 16);
    }
    std::string take(size_t count) {
        need(count);
        std::string out = bytes_.substr(position_, count);
        position_ += count;
        return out;
    }
    // Unsigned bit fields, most significant bit first; leaves the position
    // at the next whole byte.
    uint32_t bits(int count, int& bitOffset) {
        uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            size_t byte = position_ + static_cast<size_t>(bitOffset / 8);
            if (byte >= bytes_.size()) throw MovieError("the movie's header is cut short");
            int bit = 7 - bitOffset % 8;
            value = (value << 1) | ((static_cast<uint8_t>(bytes_[byte]) >> bit) & 1);
            ++bitOffset;
        }
        return value;
    }
    void skipBits(int bitOffset) { position_ += static_cast<size_t>((bitOffset + 7) / 8); }

private:
    void need(size_t count) {
        if (bytes_.size() - position_ < count || position_ > bytes_.size()) throw MovieError("the movie is cut short");
    }
    const std::string& bytes_;
    size_t position_;
};

std::string inflateBody(const std::string& file, uint32_t length) {
    if (length < 8 || length > kMaxMovieBytes) throw MovieError("the movie's length is not plausible");
    std::string body(length - 8, '\0');
    uLongf size = static_cast<uLongf>(body.size());
    int result = uncompress(reinterpret_cast<Bytef*>(&body[0]), &size, reinterpret_cast<const Bytef*>(file.data() + 8),
                            static_cast<uLong>(file.size() - 8));
    if (result != Z_OK) throw MovieError("the movie cannot be decompressed");
    body.resize(size);
    return body;
}

bool endsWithJs(const std::u16string& path) {
    if (path.size() < 3) return false;
    std::u16string tail = path.substr(path.size() - 3);
    return tail[0] == u'.' && (tail[1] == u'j' || tail[1] == u'J') && (tail[2] == u's' || tail[2] == u'S');
}

std::string readWholeFile(const std::u16string& path) {
    tbx::FileHandle file(CreateFileW(reinterpret_cast<LPCWSTR>(path.c_str()), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw MovieError("the movie file cannot be opened");
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxMovieBytes)
        throw MovieError("the movie file is too large");
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() &&
        (!ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size()))
        throw MovieError("the movie file cannot be read");
    return bytes;
}

}  // namespace

MovieData parseSwf(const std::string& file) {
    if (file.size() < 8) throw MovieError("the file is not a SWF movie");
    std::string signature = file.substr(0, 3);
    if (signature != "FWS" && signature != "CWS") throw MovieError("the file is not a SWF movie");
    Reader header(file, 4);
    uint32_t length = header.u32();
    std::string body = signature == "CWS" ? inflateBody(file, length) : file.substr(8);

    Reader reader(body, 0);
    int bitOffset = 0;
    int bits = static_cast<int>(reader.bits(5, bitOffset));
    uint32_t xmin = reader.bits(bits, bitOffset), xmax = reader.bits(bits, bitOffset);
    uint32_t ymin = reader.bits(bits, bitOffset), ymax = reader.bits(bits, bitOffset);
    reader.skipBits(bitOffset);
    MovieData movie;
    movie.width = static_cast<int>((xmax > xmin ? xmax - xmin : xmin - xmax) / 20);
    movie.height = static_cast<int>((ymax > ymin ? ymax - ymin : ymin - ymax) / 20);
    uint32_t rate = reader.u16();
    movie.frameRate = rate / 256.0;
    reader.u16();  // frame count

    while (!reader.atEnd()) {
        uint32_t codeAndLength = reader.u16();
        int code = static_cast<int>(codeAndLength >> 6);
        uint32_t tagLength = codeAndLength & 0x3F;
        if (tagLength == 0x3F) tagLength = reader.u32();
        if (code == 0) break;
        std::string data = reader.take(tagLength);
        if (code == 9 && data.size() >= 3) {
            movie.backgroundColor = (static_cast<uint8_t>(data[0]) << 16) | (static_cast<uint8_t>(data[1]) << 8) |
                                    static_cast<uint8_t>(data[2]);
        } else if (code == kScriptTag) {
            movie.script += data;
        }
    }
    return movie;
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
    std::string bytes = readWholeFile(path);
    if (!endsWithJs(path)) return parseSwf(bytes);
    MovieData movie;
    movie.script = bytes;
    return movie;
}

}  // namespace player
