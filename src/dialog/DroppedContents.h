#pragma once
#include <string>

namespace fw {
class DropFile;
}

// The largest virtual file the movie is given: 20 MiB.
const unsigned long long kMaximumDroppedFileSize = 20971520;

// The contents of a dropped virtual file as the movie's text: read up to the
// length the source announces and cut at the first NUL. A source that
// delivers less gives what it delivered; more than announced is not read.
// Above the maximum: MvException "ドロップファイルサイズが大き過ぎます。".
std::string readDroppedContents(fw::DropFile& contents);
