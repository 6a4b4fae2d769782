#pragma once
#include <string>

#include "tbx/nstream.h"

namespace fuzz {

// A byte stream over a string, so that archives are read and written without
// touching the disk. good() is false after a short read, as for a file.
class MemoryStream : public tbx::nstream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}
    const std::string& bytes() const { return bytes_; }

    int write(const void* data, int length) override;
    int read(void* buffer, int length) override;
    bool good() override { return good_; }
    nstream& printf(const char* format, ...) override;
    nstream& getline(std::string& line) override;
    nstream& seek(int64_t offset) override;
    nstream& seek_end() override;
    int64_t tell() override { return static_cast<int64_t>(position_); }
    nstream& flush() override { return *this; }

private:
    std::string bytes_;
    size_t position_ = 0;
    bool good_ = true;
};

}  // namespace fuzz
