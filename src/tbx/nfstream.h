#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "tbx/Handles.h"
#include "tbx/nstream.h"

namespace tbx {

// A file stream with the behaviour of a C stdio stream, built on a Win32 file
// handle. Modes: "rb" (existing file, read), "wb" (create or truncate,
// write) and "ab" (append); any other mode fails like a missing file. Reads
// are buffered so that getline need not read byte by byte; writes go straight
// to the file.
class nfstream : public nstream {
public:
    nfstream() = default;
    nfstream(const char* path, const char* mode);
    ~nfstream() override;
    nfstream(const nfstream&) = delete;
    nfstream& operator=(const nfstream&) = delete;

    void open(const char* path, const char* mode);
    void close();
    bool is_open() const { return file.valid(); }

    int write(const void* data, int length) override;
    int read(void* buffer, int length) override;
    bool good() override { return failed == 0; }
    nfstream& printf(const char* format, ...) override;
    nfstream& getline(std::string& line) override;
    nfstream& seek(int64_t offset) override;
    nfstream& seek_end() override;
    int64_t tell() override;
    nfstream& flush() override;

    int32_t failed = 1;  // 1 after a short read or write, a line that hit the end, or a close
    FileHandle file;

private:
    size_t fillBuffer();
    void dropReadAhead();
    // Reads up to 4,095 bytes, stopping after a line feed (the piece fgets
    // would give with a 4,096-byte buffer).
    std::string readPiece();

    static constexpr size_t kBufferSize = 8192;
    std::string buffer_;
    size_t bufferPos_ = 0;
};

}  // namespace tbx
