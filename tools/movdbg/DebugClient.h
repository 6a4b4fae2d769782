#pragma once
#include <winsock2.h>
#include <windows.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include "DebugProtocol.h"

namespace debugwire {

// A failure of the connection or a request; the message says what happened.
class ClientError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A client of a Duktape debug target on 127.0.0.1. A thread of its own reads
// what the target sends: notifications go to the handler (on that thread),
// replies to the request waiting for them; when the connection ends, the
// handler gets an empty message.
class Client {
public:
    using NotifyHandler = std::function<void(const Message&)>;

    // Connects, trying for up to waitMs while nothing listens yet, and reads
    // the target's version line; throws ClientError, also for a target that
    // speaks another protocol version.
    Client(unsigned short port, DWORD waitMs, NotifyHandler onNotify);
    ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    // The target's version line ("2 20700 ...").
    const std::string& version() const { return version_; }
    // Sends a request and waits for its reply (the values after the marker);
    // throws ClientError for an error reply (its message), a lost connection
    // or no reply within timeoutMs.
    Message request(int command, const std::string& arguments = std::string(), DWORD timeoutMs = INFINITE);
    // True once the connection is gone.
    bool closed();

private:
    void readMessages();

    SOCKET socket_ = INVALID_SOCKET;
    std::string version_;
    NotifyHandler onNotify_;
    std::mutex mutex_;
    std::condition_variable replied_;
    std::deque<Message> replies_;
    bool closed_ = false;
    std::string failure_;
    std::thread reader_;
};

}  // namespace debugwire
