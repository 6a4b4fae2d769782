#include "DebugProtocol.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace debugwire {

namespace {

uint64_t bigEndian(const std::string& bytes, size_t at, size_t count) {
    uint64_t value = 0;
    for (size_t i = 0; i < count; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out + "\"";
}

// Duktape's object class numbers, as far as a script author names them.
const char* className(int64_t number) {
    static const char* const names[] = {"Object", "Object",      "Array",   "Function", "Arguments", "Boolean",
                                        "Date",   "Error",       "JSON",    "Math",     "Number",    "RegExp",
                                        "String", "global",      "Symbol",  "ObjEnv",   "DecEnv",    "Pointer",
                                        "Thread", "ArrayBuffer", "DataView"};
    return number >= 0 && number < static_cast<int64_t>(sizeof names / sizeof names[0]) ? names[number] : "Object";
}

}  // namespace

std::string Value::shown() const {
    switch (kind) {
        case Integer:
            return std::to_string(integer);
        case String:
            return quoted(text);
        case Buffer:
            return "[buffer of " + std::to_string(text.size()) + " bytes]";
        case Undefined:
        case Unused:
            return "undefined";
        case Null:
            return "null";
        case True:
            return "true";
        case False:
            return "false";
        case Number: {
            char digits[40];
            snprintf(digits, sizeof digits, "%.17g", number);
            // The shortest form that reads back as the same number.
            for (int precision = 1; precision < 17; ++precision) {
                char shorter[40];
                snprintf(shorter, sizeof shorter, "%.*g", precision, number);
                if (strtod(shorter, nullptr) == number) return shorter;
            }
            return digits;
        }
        case Object:
            return std::string("[object ") + className(integer) + "]";
        case LightFunction:
            return "[function]";
        default:
            return "[pointer]";
    }
}

std::string Value::plain() const {
    if (kind == String) return text;
    if (kind == Integer) return std::to_string(integer);
    return std::string();
}

std::string integerBytes(int32_t value) {
    if (value >= 0 && value < 64) return std::string(1, static_cast<char>(0x80 + value));
    std::string out(1, '\x10');
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((static_cast<uint32_t>(value) >> shift) & 0xFF);
    return out;
}

std::string stringBytes(const std::string& utf8) {
    std::string out;
    if (utf8.size() < 32) {
        out += static_cast<char>(0x60 + utf8.size());
    } else {
        out += '\x11';
        for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((utf8.size() >> shift) & 0xFF);
    }
    return out + utf8;
}

std::string nullBytes() { return std::string(1, '\x17'); }

std::string requestBytes(int command, const std::string& arguments) {
    return std::string(1, static_cast<char>(kRequest)) + integerBytes(command) + arguments +
           std::string(1, static_cast<char>(kEnd));
}

bool Decoder::value(size_t& at, Value& out) const {
    auto have = [&](size_t count) { return at + count <= buffer_.size(); };
    if (!have(1)) return false;
    unsigned char first = static_cast<unsigned char>(buffer_[at]);
    auto text = [&](Value::Kind kind, size_t lengthBytes) {
        if (!have(1 + lengthBytes)) return false;
        size_t length = static_cast<size_t>(bigEndian(buffer_, at + 1, lengthBytes));
        if (!have(1 + lengthBytes + length)) return false;
        out.kind = kind;
        out.text = buffer_.substr(at + 1 + lengthBytes, length);
        at += 1 + lengthBytes + length;
        return true;
    };
    // A pointer: its length byte, then that many bytes.
    auto pointer = [&](size_t before, Value::Kind kind) {
        if (!have(before + 1)) return false;
        size_t length = static_cast<unsigned char>(buffer_[at + before]);
        if (!have(before + 1 + length)) return false;
        out.kind = kind;
        at += before + 1 + length;
        return true;
    };
    if (first >= 0xC0) {
        if (!have(2)) return false;
        out.kind = Value::Integer;
        out.integer = ((first - 0xC0) << 8) | static_cast<unsigned char>(buffer_[at + 1]);
        at += 2;
        return true;
    }
    if (first >= 0x80) {
        out.kind = Value::Integer;
        out.integer = first - 0x80;
        at += 1;
        return true;
    }
    if (first >= 0x60) {
        size_t length = first - 0x60;
        if (!have(1 + length)) return false;
        out.kind = Value::String;
        out.text = buffer_.substr(at + 1, length);
        at += 1 + length;
        return true;
    }
    switch (first) {
        case kEnd:
        case kRequest:
        case kReply:
        case kError:
        case kNotify:
            out.kind = Value::Marker;
            out.integer = first;
            at += 1;
            return true;
        case 0x10:
            if (!have(5)) return false;
            out.kind = Value::Integer;
            out.integer = static_cast<int32_t>(static_cast<uint32_t>(bigEndian(buffer_, at + 1, 4)));
            at += 5;
            return true;
        case 0x11:
            return text(Value::String, 4);
        case 0x12:
            return text(Value::String, 2);
        case 0x13:
            return text(Value::Buffer, 4);
        case 0x14:
            return text(Value::Buffer, 2);
        case 0x15:
        case 0x16:
        case 0x17:
        case 0x18:
        case 0x19: {
            static const Value::Kind kinds[] = {Value::Unused, Value::Undefined, Value::Null, Value::True,
                                                Value::False};
            out.kind = kinds[first - 0x15];
            at += 1;
            return true;
        }
        case 0x1A: {
            if (!have(9)) return false;
            uint64_t bits = bigEndian(buffer_, at + 1, 8);
            out.kind = Value::Number;
            memcpy(&out.number, &bits, sizeof bits);
            at += 9;
            return true;
        }
        case 0x1B:
            if (!have(2)) return false;
            out.integer = static_cast<unsigned char>(buffer_[at + 1]);
            return pointer(2, Value::Object);
        case 0x1C:
            return pointer(1, Value::Pointer);
        case 0x1D:
            return pointer(3, Value::LightFunction);
        case 0x1E:
            return pointer(1, Value::HeapPointer);
        default:
            throw ProtocolError("the target sent a value the protocol does not have (0x" +
                                std::to_string(static_cast<int>(first)) + ")");
    }
}

bool Decoder::next(Message& message) {
    Message values;
    size_t at = 0;
    for (;;) {
        Value item;
        if (!value(at, item)) return false;
        if (values.empty() && item.kind != Value::Marker)
            throw ProtocolError("the target sent a message without its marker");
        if (item.kind == Value::Marker && item.integer == kEnd) break;
        values.push_back(std::move(item));
    }
    buffer_.erase(0, at);
    message = std::move(values);
    return true;
}

}  // namespace debugwire
