#include "MemoryStream.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace fuzz {

int MemoryStream::write(const void* data, int length) {
    if (length <= 0) return 0;
    if (bytes_.size() < position_ + length) bytes_.resize(position_ + length);
    memcpy(&bytes_[position_], data, length);
    position_ += length;
    return length;
}

int MemoryStream::read(void* buffer, int length) {
    if (length <= 0) return 0;
    size_t left = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
    size_t got = left < static_cast<size_t>(length) ? left : static_cast<size_t>(length);
    memcpy(buffer, bytes_.data() + position_, got);
    position_ += got;
    if (got < static_cast<size_t>(length)) good_ = false;
    return static_cast<int>(got);
}

tbx::nstream& MemoryStream::printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int length = vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length > 0) {
        std::vector<char> text(length + 1);
        vsnprintf(text.data(), text.size(), format, args);
        write(text.data(), length);
    }
    va_end(args);
    return *this;
}

tbx::nstream& MemoryStream::getline(std::string& line) {
    line.clear();
    if (position_ >= bytes_.size()) {
        good_ = false;
        return *this;
    }
    size_t end = bytes_.find('\n', position_);
    if (end == std::string::npos) {
        line = bytes_.substr(position_);
        position_ = bytes_.size();
        good_ = false;
        return *this;
    }
    line = bytes_.substr(position_, end - position_);
    position_ = end + 1;
    return *this;
}

tbx::nstream& MemoryStream::seek(int64_t offset) {
    position_ = offset < 0 ? 0 : static_cast<size_t>(offset);
    good_ = true;
    return *this;
}

tbx::nstream& MemoryStream::seek_end() {
    position_ = bytes_.size();
    return *this;
}

}  // namespace fuzz
