// A debugging session through Duktape's debug protocol with movara.exe
// started as "MOVIE /debug=PORT", as any client of the protocol drives it.
#include <winsock2.h>

#include <mutex>

#include "DebugClient.h"
#include "MovaraRun.h"

using e2e::MovaraRun;
using namespace debugwire;

namespace {

// A TCP port nothing listens on now.
unsigned short freePort() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
    closesocket(s);
    return ntohs(address.sin_port);
}

// What the target reported on its own, in order.
class Notifications {
public:
    void add(const Message& message) {
        std::lock_guard<std::mutex> lock(mutex_);
        messages_.push_back(message);
    }
    // The next notification of kind after those taken so far, for which
    // wanted holds; fails the test when none comes.
    Message next(int kind, const std::function<bool(const Message&)>& wanted, const char* what) {
        Message found;
        bool seen = e2e::waitUntil(
            [&] {
                std::lock_guard<std::mutex> lock(mutex_);
                for (; taken_ < messages_.size(); ++taken_) {
                    const Message& m = messages_[taken_];
                    if (m.size() > 1 && m[1].integer == kind && wanted(m)) {
                        found = m;
                        ++taken_;
                        return true;
                    }
                }
                return false;
            },
            15000);
        EXPECT_TRUE(seen) << "waited for " << what;
        return found;
    }
    // The next pause: [marker, status, 1, file, function, line, pc].
    void pausedAt(const std::string& file, int line, const std::string& function) {
        Message status = next(
            kStatus, [](const Message& m) { return m.size() >= 6 && m[2].integer == 1; },
            ("a pause at line " + std::to_string(line)).c_str());
        ASSERT_GE(status.size(), 6u);
        EXPECT_EQ(file, status[3].plain());
        EXPECT_EQ(function, status[4].plain());
        EXPECT_EQ(line, status[5].integer);
    }

private:
    std::mutex mutex_;
    std::vector<Message> messages_;
    size_t taken_ = 0;
};

const char* const kMovie = R"JS(var total = 0;
function add(a, b) {
  var sum = a + b;
  return sum;
}
total = add(2, 3);
trace("total " + total);
setTimeout(function later() {
  var x = 7;
  debugger;
  null.boom;
}, 10);
)JS";

std::string evaluated(Client& client, const std::string& level, const std::string& expression) {
    Message reply = client.request(kEval, level + stringBytes(expression), 10000);
    return reply.size() == 2 && reply[0].integer == 0 ? reply[1].shown() : "failed";
}

}  // namespace

// Connect before the top level runs, stop at a breakpoint with a local's
// value, evaluate there, step, hold the script longer than its time limit,
// stop at "debugger;" and at an uncaught error, and evaluate in the running
// movie between entries.
TEST(DebugEndToEnd, AClientStopsTheMovieAtALineLooksAtItsValuesAndStepsOn) {
    MovaraRun run;
    run.writeSettings("<?xml version=\"1.0\"?>\n<settings><player scriptTimeLimit=\"1\"/><security/></settings>");
    movara_test::writeBytes(run.path("dbg.js"), kMovie);
    unsigned short port = freePort();
    run.start("dbg.js /debug=" + std::to_string(port));
    run.waitForTrace("debugger: listening on 127.0.0.1:" + std::to_string(port));

    Notifications notified;
    Client client(port, 10000, [&](const Message& m) { notified.add(m); });
    EXPECT_EQ(0u, client.version().find("2 "));
    notified.pausedAt("dbg.js", 1, "global");
    EXPECT_FALSE(run.hasTrace("total ")) << "the top level ran before the client could set a breakpoint";

    Message added = client.request(kAddBreak, stringBytes("dbg.js") + integerBytes(3), 10000);
    ASSERT_EQ(1u, added.size());
    client.request(kResume, "", 10000);
    notified.pausedAt("dbg.js", 3, "add");
    Message locals = client.request(kGetLocals, integerBytes(-1), 10000);
    std::vector<std::string> shown;
    for (size_t i = 0; i + 1 < locals.size(); i += 2) shown.push_back(locals[i].plain() + "=" + locals[i + 1].shown());
    EXPECT_EQ((std::vector<std::string>{"a=2", "b=3", "sum=undefined"}), shown);
    EXPECT_EQ("20", evaluated(client, integerBytes(-1), "a * 10"));

    client.request(kStepOver, "", 10000);
    notified.pausedAt("dbg.js", 4, "add");
    EXPECT_EQ("5", evaluated(client, integerBytes(-1), "sum"));
    // The script stays paused past its limit (1 s): time held by the client does not count.
    Sleep(1500);
    client.request(kResume, "", 10000);
    EXPECT_EQ("total 5", run.waitForTrace("total "));

    notified.pausedAt("dbg.js", 10, "later");
    client.request(kResume, "", 10000);
    Message thrown = notified.next(
        kThrow, [](const Message& m) { return m.size() >= 6 && m[2].integer == 1; }, "the uncaught error");
    ASSERT_GE(thrown.size(), 6u);
    EXPECT_EQ(0u, thrown[3].plain().find("TypeError")) << thrown[3].plain();
    EXPECT_EQ(11, thrown[5].integer);
    notified.pausedAt("dbg.js", 11, "later");
    EXPECT_EQ("7", evaluated(client, integerBytes(-1), "x"));
    client.request(kResume, "", 10000);
    std::string reported = run.waitForTrace("script error: ");
    EXPECT_NE(std::string::npos, reported.find("the timer function \"later\": TypeError")) << reported;

    // Between entries, in the movie's global scope.
    EXPECT_EQ("5", evaluated(client, nullBytes(), "total"));
    for (const std::string& line : run.traces()) EXPECT_EQ(std::string::npos, line.find("ran longer")) << line;
}
