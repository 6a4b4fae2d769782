#pragma once
#include <oaidl.h>
#include <windows.h>

#include <map>

#include "tbx/ComPtr.h"

// The automation objects given to the movie. The movie sees a small number
// per object, never an address (an address is too wide for a movie's number
// on 64-bit Windows), and numbers are not reused, so a number that was never
// handed out or whose object was released is refused instead of called
// through. The same object handed out again keeps its number and counts one
// more release.
class DispatchObjectTable {
public:
    DispatchObjectTable() = default;
    DispatchObjectTable(const DispatchObjectTable&) = delete;
    DispatchObjectTable& operator=(const DispatchObjectTable&) = delete;

    // The number of the object, new or the one it already has.
    void* add(tbx::ComPtr<IDispatch> object);
    // FlashExException when the number names no object held for the movie.
    tbx::ComPtr<IDispatch> find(void* id) const;
    // Gives up one of the movie's holds; the object goes with the last.
    void release(void* id);
    // Releases every object the movie still holds.
    void clear();
    size_t size() const { return objects_.size(); }

private:
    struct Entry {
        tbx::ComPtr<IDispatch> object;
        tbx::ComPtr<IUnknown> identity;
        unsigned holds = 1;
    };

    std::map<void*, Entry> objects_;
    ULONG_PTR lastId_ = 0;
};
