#pragma once
#include <memory>
#include <string>

#include "player/DebugConnection.h"
#include "tbx/Error.h"

namespace player {

// A debug server that cannot listen; the message says why (UTF-8).
class DebugServerError : public tbx::Error {
public:
    explicit DebugServerError(const std::string& message) : tbx::Error(message) {}
};

// Where debug clients connect: a TCP port on the loopback address, so only
// programs of this machine reach it.
class DebugServer {
public:
    // Listens on 127.0.0.1:port; throws DebugServerError.
    explicit DebugServer(unsigned short port);
    ~DebugServer();
    DebugServer(const DebugServer&) = delete;
    DebugServer& operator=(const DebugServer&) = delete;

    // A client that connects within timeoutMs (0: one already waiting), or null.
    std::unique_ptr<DebugConnection> acceptClient(DWORD timeoutMs);
    // "127.0.0.1:PORT"
    std::string address() const;

private:
    unsigned short port_;
    Socket listening_;
};

}  // namespace player
