#include "player/DebugConnection.h"

#include <algorithm>

namespace player {

namespace {

const size_t kSendAtBytes = 64 * 1024;
const long kPaintEveryMs = 50;

// Draws the thread's windows while it waits: painting runs no script.
void paintWindows() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageW(&msg);
}

bool quitPosted() {
    MSG quit;
    return PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE | PM_QS_POSTMESSAGE) != FALSE;
}

}  // namespace

Socket& Socket::operator=(Socket&& other) noexcept {
    if (this != &other) {
        reset();
        socket_ = other.socket_;
        other.socket_ = INVALID_SOCKET;
    }
    return *this;
}

void Socket::reset() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    socket_ = INVALID_SOCKET;
}

void DebugConnection::close() {
    pending_.clear();
    socket_.reset();
}

bool DebugConnection::waitReadable() {
    for (;;) {
        if (gone()) return false;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(socket_.get(), &readable);
        timeval wait = {0, kPaintEveryMs * 1000};
        int ready = select(0, &readable, nullptr, nullptr, &wait);
        if (ready > 0) return true;
        if (ready < 0 || quitPosted()) {
            close();
            return false;
        }
        paintWindows();
    }
}

size_t DebugConnection::read(char* buffer, size_t length) {
    flush();
    if (length == 0 || !waitReadable()) return 0;
    int got = recv(socket_.get(), buffer, static_cast<int>(std::min<size_t>(length, 1 << 20)), 0);
    if (got <= 0) {
        close();
        return 0;
    }
    return static_cast<size_t>(got);
}

size_t DebugConnection::write(const char* data, size_t length) {
    if (gone()) return 0;
    pending_.append(data, length);
    if (pending_.size() >= kSendAtBytes) flush();
    return gone() ? 0 : length;
}

void DebugConnection::flush() {
    size_t sent = 0;
    while (!gone() && sent < pending_.size()) {
        int count = send(socket_.get(), pending_.data() + sent,
                         static_cast<int>(std::min<size_t>(pending_.size() - sent, 1 << 20)), 0);
        if (count <= 0)
            close();
        else
            sent += static_cast<size_t>(count);
    }
    pending_.clear();
}

size_t DebugConnection::available() {
    if (gone()) return 1;
    u_long count = 0;
    if (ioctlsocket(socket_.get(), FIONREAD, &count) != 0) return 1;
    if (count > 0) return count;
    // Readable with nothing to read: the client closed the connection.
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket_.get(), &readable);
    timeval now = {0, 0};
    return select(0, &readable, nullptr, nullptr, &now) > 0 ? 1 : 0;
}

}  // namespace player
