#pragma once
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// Duktape's debug protocol (version 2), as a client speaks it: messages are
// lists of typed values ("dvalues") from a marker to an end-of-message byte.
namespace debugwire {

enum Marker { kEnd = 0x00, kRequest = 0x01, kReply = 0x02, kError = 0x03, kNotify = 0x04 };

// Commands a client sends, and the notifications the target sends.
enum Command {
    kBasicInfo = 0x10,
    kTriggerStatus = 0x11,
    kPause = 0x12,
    kResume = 0x13,
    kStepInto = 0x14,
    kStepOver = 0x15,
    kStepOut = 0x16,
    kListBreak = 0x17,
    kAddBreak = 0x18,
    kDelBreak = 0x19,
    kGetVar = 0x1a,
    kGetCallStack = 0x1c,
    kGetLocals = 0x1d,
    kEval = 0x1e,
    kDetach = 0x1f,
};
enum Notification { kStatus = 0x01, kThrow = 0x05, kDetaching = 0x06, kAppNotify = 0x07 };

class ProtocolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Value {
    enum Kind {
        Marker,
        Integer,
        String,
        Buffer,
        Unused,
        Undefined,
        Null,
        True,
        False,
        Number,
        Object,
        Pointer,
        LightFunction,
        HeapPointer
    };
    Kind kind = Undefined;
    int64_t integer = 0;  // Marker: the marker; Integer; Object: its class number
    double number = 0;
    std::string text;  // String, Buffer (bytes as sent; strings are UTF-8)

    bool isInteger() const { return kind == Integer; }
    // As a script would write the value: strings quoted, objects by their class.
    std::string shown() const;
    // A string's text, an integer's digits, "" for anything else.
    std::string plain() const;
};

// One message without its end byte: the marker first.
using Message = std::vector<Value>;

// The bytes of a value sent to the target.
std::string integerBytes(int32_t value);
std::string stringBytes(const std::string& utf8);
std::string nullBytes();
// A request: marker, command, the arguments (already encoded), end.
std::string requestBytes(int command, const std::string& arguments = std::string());

// Takes bytes as they come and hands out whole messages.
class Decoder {
public:
    void feed(const char* data, size_t length) { buffer_.append(data, length); }
    // The next whole message, or false while it has not all come; throws
    // ProtocolError for bytes no message starts with.
    bool next(Message& message);

private:
    // One value at at_, or false when its bytes have not all come.
    bool value(size_t& at, Value& out) const;
    std::string buffer_;
};

}  // namespace debugwire
