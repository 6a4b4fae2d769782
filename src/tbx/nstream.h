#pragma once
#include <cstdint>
#include <string>

namespace tbx {

// An abstract byte stream; the archive container reads and writes through it.
class nstream {
public:
    virtual int write(const void* data, int length) = 0;
    virtual int read(void* buffer, int length) = 0;
    virtual bool good() = 0;
    virtual nstream& printf(const char* format, ...) = 0;
    virtual nstream& getline(std::string& line) = 0;
    // Positions are 64-bit: a stream may be a file past 2 GB.
    virtual nstream& seek(int64_t offset) = 0;
    virtual nstream& seek_end() = 0;
    virtual int64_t tell() = 0;
    virtual nstream& flush() = 0;
    // Rewinds and reads to the end; the string holds exactly the bytes read.
    virtual std::string& read_all(std::string& out);
    virtual ~nstream() = default;
};

}  // namespace tbx
