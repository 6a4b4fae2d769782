#pragma once
#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "tbx/Handles.h"

// One directory enumeration opened for the movie: the search and the entry
// most recently found. The first entry is found when the search starts.
class DirectoryHandle {
public:
    // Starts the search on the pattern as given; FlashExException when it
    // finds nothing or cannot search.
    explicit DirectoryHandle(const std::string& pattern);
    // The next entry, or null once the enumeration is exhausted.
    const WIN32_FIND_DATAA* next();

private:
    tbx::FindHandle search_;
    bool pending_ = true;
    bool exhausted_ = false;
    WIN32_FIND_DATAA current_;
};

// The handles given to the movie. The movie sees a small number per handle,
// never an address, and numbers are not reused, so a number that was never
// handed out or whose handle was closed is refused instead of used.
class DirectoryHandleTable {
public:
    void* add(std::unique_ptr<DirectoryHandle> handle);
    // FlashExException when the number is not an open handle.
    DirectoryHandle& find(void* id) const;
    void close(void* id);

private:
    std::map<void*, std::unique_ptr<DirectoryHandle>> handles_;
    ULONG_PTR lastId_ = 0;
};
