#pragma once
#include <winsock2.h>
#include <windows.h>

#include <cstddef>
#include <string>

namespace player {

// A socket, closed when its owner goes.
class Socket {
public:
    Socket() = default;
    explicit Socket(SOCKET socket) : socket_(socket) {}
    ~Socket() { reset(); }
    Socket(Socket&& other) noexcept : socket_(other.socket_) { other.socket_ = INVALID_SOCKET; }
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    SOCKET get() const { return socket_; }
    bool valid() const { return socket_ != INVALID_SOCKET; }
    void reset();

private:
    SOCKET socket_ = INVALID_SOCKET;
};

// One debug client's TCP connection, read and written as the engine's debug
// transport asks: a read waits until at least one byte has come (painting
// the thread's windows meanwhile, so a paused movie's window is still drawn,
// but running nothing else); writes are collected and sent when a message is
// complete. Once the connection fails or the thread is asked to quit, every
// call reports it as gone.
class DebugConnection {
public:
    explicit DebugConnection(Socket socket) : socket_(std::move(socket)) {}

    // At least one byte and at most length; 0 when the connection is gone.
    size_t read(char* buffer, size_t length);
    // length, or 0 when the connection is gone.
    size_t write(const char* data, size_t length);
    // The bytes a read would return at once; 1 for a connection that is
    // gone, so that the read that follows reports it.
    size_t available();
    // Sends what write collected.
    void flush();
    bool gone() const { return !socket_.valid(); }
    void close();

private:
    bool waitReadable();

    Socket socket_;
    std::string pending_;
};

}  // namespace player
