#pragma once
#include <functional>
#include <string>
#include <vector>

#include "tbx/nstream.h"

// The archive container: a tar-like stream of 512-byte headers, each followed
// by the entry's data padded to a multiple of 512 bytes; no compression.
// Failures are std::runtime_error with the message that reaches the movie.
namespace tbx {

// One entry per listed path, named relative to the base directory (with '/'
// separators), then the name list when some name was 100 bytes or longer.
void archive_create(nstream& out, const std::string& base_directory, const std::vector<std::string>& paths);

// Every file under the directory, named from the directory's own name on.
void archive_create_from_directory(nstream& out, const std::string& directory);

// Called with the full path of every file or directory that unpacking is
// about to write (also the placeholder of a long name, and the full name it
// is moved to), before anything is written there; throws to refuse it, which
// ends the unpacking. The entries unpacked before stay.
using archive_target_check = std::function<void(const std::string& target)>;

// Unpacks every entry below the destination. Entry names that would reach
// outside it (absolute, drive-relative, "..", device names) are refused with
// "invalid file name"; a damaged archive never leaves a truncated file behind.
void archive_extract(const std::string& destination, nstream& in, const archive_target_check& check = {});

// Asked with the full path of every movie (".swf" entry) once it is unpacked;
// false deletes it again.
using archive_movie_filter = std::function<bool(const std::string& movie)>;

// As archive_extract, and deletes every unpacked movie that keepMovie refuses
// (the file service refuses ActionScript 3 movies).
void archive_extract_without_as3_swf(const std::string& destination, nstream& in, const archive_movie_filter& keepMovie,
                                     const archive_target_check& check = {});

}  // namespace tbx
