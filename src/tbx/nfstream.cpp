#include "tbx/nfstream.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace tbx {

namespace {

std::string formatText(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int length = vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length < 0) throw std::logic_error(std::string("error nfstream::printf ") + format);
    std::vector<char> text(length + 1);
    vsnprintf(text.data(), text.size(), format, args);
    return std::string(text.data(), length);
}

HANDLE openHandle(const char* path, const char* mode) {
    std::string m = mode;
    if (m == "rb")
        return CreateFileA(path, GENERIC_READ, kStreamSharing, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m == "wb")
        return CreateFileA(path, GENERIC_WRITE, kStreamSharing, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m == "ab") {
        HANDLE h =
            CreateFileA(path, GENERIC_WRITE, kStreamSharing, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        LARGE_INTEGER zero = {};
        if (h != INVALID_HANDLE_VALUE) SetFilePointerEx(h, zero, nullptr, FILE_END);
        return h;
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

nfstream::nfstream(const char* path, const char* mode) { open(path, mode); }

nfstream::~nfstream() { close(); }

void nfstream::open(const char* path, const char* mode) {
    close();
    HANDLE h = openHandle(path, mode);
    if (h == INVALID_HANDLE_VALUE) throw std::runtime_error(std::string("error open file ") + path);
    file.reset(h);
    failed = 0;
}

void nfstream::close() {
    file.reset();
    buffer_.clear();
    bufferPos_ = 0;
    failed = 1;
}

// Gives back to the file what was read ahead but not consumed, so that the
// file position is the stream's logical position again.
void nfstream::dropReadAhead() {
    size_t unread = buffer_.size() - bufferPos_;
    if (unread > 0 && file) {
        LARGE_INTEGER back;
        back.QuadPart = -(LONGLONG)unread;
        SetFilePointerEx(file.get(), back, nullptr, FILE_CURRENT);
    }
    buffer_.clear();
    bufferPos_ = 0;
}

size_t nfstream::fillBuffer() {
    buffer_.resize(kBufferSize);
    bufferPos_ = 0;
    DWORD got = 0;
    if (!file || !ReadFile(file.get(), &buffer_[0], (DWORD)kBufferSize, &got, nullptr)) got = 0;
    buffer_.resize(got);
    return got;
}

int nfstream::write(const void* data, int length) {
    if (length <= 0) return 0;
    dropReadAhead();
    DWORD written = 0;
    if (!file || !WriteFile(file.get(), data, (DWORD)length, &written, nullptr)) written = 0;
    if ((int)written < length) failed = 1;
    return (int)written;
}

int nfstream::read(void* buffer, int length) {
    if (length <= 0) return 0;
    char* out = static_cast<char*>(buffer);
    int total = 0;
    size_t buffered = buffer_.size() - bufferPos_;
    if (buffered > 0) {
        size_t take = buffered < (size_t)length ? buffered : (size_t)length;
        memcpy(out, buffer_.data() + bufferPos_, take);
        bufferPos_ += take;
        total = (int)take;
    }
    while (total < length) {
        DWORD got = 0;
        if (!file || !ReadFile(file.get(), out + total, (DWORD)(length - total), &got, nullptr) || got == 0) break;
        total += (int)got;
    }
    if (total < length) failed = 1;
    return total;
}

nfstream& nfstream::printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text;
    try {
        text = formatText(format, args);
    } catch (...) {
        va_end(args);
        failed = 1;
        throw;
    }
    va_end(args);
    failed = 0;
    if (write(text.data(), (int)text.size()) < (int)text.size()) {
        failed = 1;
        throw std::logic_error(std::string("error nfstream::printf ") + format);
    }
    return *this;
}

std::string nfstream::readPiece() {
    std::string piece;
    while (piece.size() < 4095) {
        if (bufferPos_ >= buffer_.size() && fillBuffer() == 0) break;
        const char* start = buffer_.data() + bufferPos_;
        size_t available = buffer_.size() - bufferPos_;
        size_t room = 4095 - piece.size();
        size_t take = available < room ? available : room;
        const void* newline = memchr(start, '\n', take);
        if (newline) take = static_cast<const char*>(newline) - start + 1;
        piece.append(start, take);
        bufferPos_ += take;
        if (newline) break;
    }
    return piece;
}

// A line longer than one 4,095-byte piece is read on in further pieces; only
// a line that reaches the end of the file (or an empty read) marks the stream
// failed, so a long but complete line leaves it good.
nfstream& nfstream::getline(std::string& line) {
    line.clear();
    for (;;) {
        std::string piece = readPiece();
        if (piece.empty()) {
            failed = 1;
            return *this;
        }
        if (piece.back() == '\n') {
            piece.pop_back();
            if (!piece.empty() && piece.back() == '\r') piece.pop_back();
            line += piece;
            return *this;
        }
        line += piece;
        if (piece.size() < 4095) {
            failed = 1;
            return *this;
        }
    }
}

nfstream& nfstream::seek(int64_t offset) {
    dropReadAhead();
    if (file) {
        LARGE_INTEGER position;
        position.QuadPart = offset;
        SetFilePointerEx(file.get(), position, nullptr, FILE_BEGIN);
    }
    return *this;
}

nfstream& nfstream::seek_end() {
    dropReadAhead();
    if (file) {
        LARGE_INTEGER zero;
        zero.QuadPart = 0;
        SetFilePointerEx(file.get(), zero, nullptr, FILE_END);
    }
    return *this;
}

int64_t nfstream::tell() {
    if (!file) return -1;
    LARGE_INTEGER zero, position;
    zero.QuadPart = 0;
    if (!SetFilePointerEx(file.get(), zero, &position, FILE_CURRENT)) return -1;
    return position.QuadPart - static_cast<LONGLONG>(buffer_.size() - bufferPos_);
}

nfstream& nfstream::flush() {
    if (file) FlushFileBuffers(file.get());
    return *this;
}

}  // namespace tbx
