#include "framework/OleDataObject.h"

#include <cstring>

#include "tbx/Handles.h"

namespace fw {

namespace {

class MemoryDropFile : public DropFile {
public:
    explicit MemoryDropFile(std::string bytes) : bytes_(std::move(bytes)) {}
    ULONGLONG length() const override { return bytes_.size(); }
    ULONG read(void* buffer, ULONG size) override {
        size_t left = bytes_.size() - position_;
        ULONG count = static_cast<ULONG>(left < size ? left : size);
        memcpy(buffer, bytes_.data() + position_, count);
        position_ += count;
        return count;
    }

private:
    std::string bytes_;
    size_t position_ = 0;
};

class StreamDropFile : public DropFile {
public:
    explicit StreamDropFile(IStream* stream) : stream_(stream) {
        STATSTG stat = {};
        if (SUCCEEDED(stream_->Stat(&stat, STATFLAG_NONAME))) length_ = stat.cbSize.QuadPart;
        LARGE_INTEGER zero = {};
        stream_->Seek(zero, STREAM_SEEK_SET, nullptr);
    }
    ULONGLONG length() const override { return length_; }
    ULONG read(void* buffer, ULONG size) override {
        ULONG count = 0;
        if (FAILED(stream_->Read(buffer, size, &count))) return 0;
        return count;
    }

private:
    tbx::ComPtr<IStream> stream_;
    ULONGLONG length_ = 0;
};

class HandleDropFile : public DropFile {
public:
    explicit HandleDropFile(tbx::FileHandle file) : file_(std::move(file)) {}
    ULONGLONG length() const override {
        LARGE_INTEGER size = {};
        return GetFileSizeEx(file_.get(), &size) ? static_cast<ULONGLONG>(size.QuadPart) : 0;
    }
    ULONG read(void* buffer, ULONG size) override {
        DWORD count = 0;
        if (!ReadFile(file_.get(), buffer, size, &count, nullptr)) return 0;
        return count;
    }

private:
    tbx::FileHandle file_;
};

// STGMEDIUM released at scope end.
struct Medium {
    STGMEDIUM value = {};
    ~Medium() { ReleaseStgMedium(&value); }
};

std::string copyGlobal(HGLOBAL memory) {
    tbx::GlobalLockGuard lock(memory);
    if (!lock.data()) return {};
    return std::string(static_cast<const char*>(lock.data()), lock.size());
}

}  // namespace

bool OleDataObject::isFormatAvailable(CLIPFORMAT format, LONG index) const {
    FORMATETC wanted = {format, nullptr, DVASPECT_CONTENT, index, TYMED_HGLOBAL | TYMED_ISTREAM | TYMED_FILE};
    return data_ && data_->QueryGetData(&wanted) == S_OK;
}

bool OleDataObject::getGlobalData(CLIPFORMAT format, std::string& bytes) const {
    if (!data_) return false;
    FORMATETC wanted = {format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    Medium medium;
    if (FAILED(data_->GetData(&wanted, &medium.value)) || medium.value.tymed != TYMED_HGLOBAL) return false;
    bytes = copyGlobal(medium.value.hGlobal);
    return true;
}

std::unique_ptr<DropFile> OleDataObject::getFileContents(CLIPFORMAT format, LONG index) const {
    if (!data_) return nullptr;
    FORMATETC wanted = {format, nullptr, DVASPECT_CONTENT, index, TYMED_HGLOBAL | TYMED_ISTREAM | TYMED_FILE};
    Medium medium;
    if (FAILED(data_->GetData(&wanted, &medium.value))) return nullptr;
    switch (medium.value.tymed) {
        case TYMED_HGLOBAL:
            return std::make_unique<MemoryDropFile>(copyGlobal(medium.value.hGlobal));
        case TYMED_ISTREAM:
            if (!medium.value.pstm) return nullptr;
            return std::make_unique<StreamDropFile>(medium.value.pstm);
        case TYMED_FILE: {
            tbx::FileHandle file(CreateFileW(medium.value.lpszFileName, GENERIC_READ, tbx::kStreamSharing, nullptr,
                                             OPEN_EXISTING, 0, nullptr));
            if (!file) return nullptr;
            return std::make_unique<HandleDropFile>(std::move(file));
        }
        default:
            return nullptr;
    }
}

}  // namespace fw
