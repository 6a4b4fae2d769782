#include "DebugClient.h"

#include <chrono>

namespace debugwire {

namespace {

struct WinsockUse {
    WinsockUse() {
        WSADATA data;
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw ClientError("the network library cannot start");
    }
    ~WinsockUse() { WSACleanup(); }
};

SOCKET connectOnce(unsigned short port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) throw ClientError("no socket (error " + std::to_string(WSAGetLastError()) + ")");
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return s;
    closesocket(s);
    return INVALID_SOCKET;
}

// The unframed line the target sends first.
std::string readVersionLine(SOCKET s) {
    std::string line;
    char c = 0;
    while (line.size() < 1024) {
        if (recv(s, &c, 1, 0) != 1) throw ClientError("the target closed the connection before saying its version");
        if (c == '\n') return line;
        line += c;
    }
    throw ClientError("the target's version line is too long");
}

}  // namespace

Client::Client(unsigned short port, DWORD waitMs, NotifyHandler onNotify) : onNotify_(std::move(onNotify)) {
    static WinsockUse winsock;
    ULONGLONG end = GetTickCount64() + waitMs;
    while ((socket_ = connectOnce(port)) == INVALID_SOCKET) {
        if (GetTickCount64() >= end)
            throw ClientError("nothing answers on 127.0.0.1:" + std::to_string(port) +
                              " (start the movie with /debug=" + std::to_string(port) + ")");
        Sleep(200);
    }
    try {
        version_ = readVersionLine(socket_);
        if (version_.compare(0, 2, "2 ") != 0)
            throw ClientError("the target speaks debug protocol \"" + version_ + "\", not version 2");
    } catch (...) {
        closesocket(socket_);
        throw;
    }
    BOOL noDelay = TRUE;
    setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
    reader_ = std::thread([this] { readMessages(); });
}

Client::~Client() {
    shutdown(socket_, SD_BOTH);
    closesocket(socket_);
    if (reader_.joinable()) reader_.join();
}

bool Client::closed() {
    std::lock_guard<std::mutex> lock(mutex_);
    return closed_;
}

void Client::readMessages() {
    Decoder decoder;
    char buffer[4096];
    std::string failure = "the target closed the connection";
    try {
        for (;;) {
            int got = recv(socket_, buffer, sizeof buffer, 0);
            if (got <= 0) break;
            decoder.feed(buffer, static_cast<size_t>(got));
            Message message;
            while (decoder.next(message)) {
                if (message[0].integer == kNotify) {
                    if (onNotify_) onNotify_(message);
                    continue;
                }
                std::lock_guard<std::mutex> lock(mutex_);
                replies_.push_back(std::move(message));
                replied_.notify_all();
            }
        }
    } catch (const std::exception& e) {
        failure = e.what();
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
        failure_ = failure;
        replied_.notify_all();
    }
    if (onNotify_) onNotify_(Message());
}

Message Client::request(int command, const std::string& arguments, DWORD timeoutMs) {
    std::string bytes = requestBytes(command, arguments);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_) throw ClientError(failure_);
    }
    if (send(socket_, bytes.data(), static_cast<int>(bytes.size()), 0) != static_cast<int>(bytes.size()))
        throw ClientError("the request could not be sent");
    std::unique_lock<std::mutex> lock(mutex_);
    auto answered = [this] { return !replies_.empty() || closed_; };
    if (timeoutMs == INFINITE)
        replied_.wait(lock, answered);
    else if (!replied_.wait_for(lock, std::chrono::milliseconds(timeoutMs), answered))
        throw ClientError("no reply from the target within " + std::to_string(timeoutMs) + " ms");
    if (replies_.empty()) throw ClientError(failure_);
    Message reply = std::move(replies_.front());
    replies_.pop_front();
    if (reply[0].integer == kError)
        throw ClientError(reply.size() > 2 ? reply[2].plain() : std::string("the target refused the request"));
    reply.erase(reply.begin());
    return reply;
}

}  // namespace debugwire
