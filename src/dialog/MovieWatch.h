#pragma once
#include <windows.h>

#include <string>

// Watches a movie file for a new version: the live reload of a movie an
// author is writing. The path is taken as the main dialog loads movies (the
// part before "?", in the current folder first, then as given).
class MovieWatch {
public:
    explicit MovieWatch(const std::string& movie);

    // True once each time the file has been replaced or written since the
    // last call (or since the watch began); a missing file is no change, so a
    // movie being rebuilt keeps playing.
    bool changed();

private:
    bool stamp(FILETIME& written, ULONGLONG& size) const;

    std::string path_;
    FILETIME written_ = {};
    ULONGLONG size_ = 0;
};
