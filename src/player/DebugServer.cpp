#include "player/DebugServer.h"

#include <ws2tcpip.h>

namespace player {

namespace {

std::string systemReason(int code) {
    char text[512] = "";
    DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, static_cast<DWORD>(code),
                       MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT), text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' || text[length - 1] == '.'))
        text[--length] = '\0';
    return length ? std::string(text) + " (" + std::to_string(code) + ")" : "socket error " + std::to_string(code);
}

bool fromLoopback(const sockaddr_in& peer) { return (ntohl(peer.sin_addr.s_addr) >> 24) == 127; }

}  // namespace

DebugServer::DebugServer(unsigned short port) : port_(port) {
    WSADATA data;
    int started = WSAStartup(MAKEWORD(2, 2), &data);
    if (started != 0) throw DebugServerError("the network library cannot start: " + systemReason(started));
    listening_ = Socket(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!listening_.valid()) {
        int code = WSAGetLastError();
        WSACleanup();
        throw DebugServerError("no socket: " + systemReason(code));
    }
    // No other program may take the port over while the movie listens on it.
    BOOL exclusive = TRUE;
    setsockopt(listening_.get(), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
               sizeof exclusive);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (bind(listening_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listening_.get(), 1) != 0) {
        int code = WSAGetLastError();
        listening_.reset();
        WSACleanup();
        throw DebugServerError("cannot listen on " + this->address() + ": " + systemReason(code));
    }
}

DebugServer::~DebugServer() {
    listening_.reset();
    WSACleanup();
}

std::string DebugServer::address() const { return "127.0.0.1:" + std::to_string(port_); }

std::unique_ptr<DebugConnection> DebugServer::acceptClient(DWORD timeoutMs) {
    ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        ULONGLONG now = GetTickCount64();
        DWORD left = now < end ? static_cast<DWORD>(end - now) : 0;
        fd_set waiting;
        FD_ZERO(&waiting);
        FD_SET(listening_.get(), &waiting);
        timeval wait = {static_cast<long>(left / 1000), static_cast<long>(left % 1000) * 1000};
        if (select(0, &waiting, nullptr, nullptr, &wait) <= 0) return nullptr;
        sockaddr_in peer = {};
        int size = sizeof peer;
        Socket client(accept(listening_.get(), reinterpret_cast<sockaddr*>(&peer), &size));
        if (client.valid() && fromLoopback(peer)) {
            // Messages are small and answered one by one: send each at once.
            BOOL noDelay = TRUE;
            setsockopt(client.get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
            return std::make_unique<DebugConnection>(std::move(client));
        }
        if (left == 0) return nullptr;
    }
}

}  // namespace player
