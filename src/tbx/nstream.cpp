#include "tbx/nstream.h"

namespace tbx {

std::string& nstream::read_all(std::string& out) {
    out.clear();
    seek(0);
    char chunk[1024];
    for (;;) {
        int got = read(chunk, sizeof chunk);
        if (got <= 0) break;
        out.append(chunk, got);
    }
    return out;
}

}  // namespace tbx
