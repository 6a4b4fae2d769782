#pragma once
#include <ole2.h>
#include <windows.h>

#include <memory>
#include <string>

#include "tbx/ComPtr.h"

namespace fw {

// One item's contents fetched from a data object: a readable stream with a
// 64-bit length, whatever medium the source chose.
class DropFile {
public:
    virtual ~DropFile() = default;
    virtual ULONGLONG length() const = 0;
    // Reads up to size bytes; answers how many were read (0 at the end).
    virtual ULONG read(void* buffer, ULONG size) = 0;
};

// Read access to a dropped IDataObject: what a drop target needs of it.
class OleDataObject {
public:
    explicit OleDataObject(IDataObject* data) : data_(data) {}

    bool isFormatAvailable(CLIPFORMAT format, LONG index = -1) const;
    // The format as global memory (content aspect), copied out; false when
    // the source cannot give it so.
    bool getGlobalData(CLIPFORMAT format, std::string& bytes) const;
    // Item `index` of the format (content aspect, any medium the source has
    // among global memory, stream and file); null when it cannot be fetched.
    std::unique_ptr<DropFile> getFileContents(CLIPFORMAT format, LONG index) const;

private:
    tbx::ComPtr<IDataObject> data_;
};

}  // namespace fw
