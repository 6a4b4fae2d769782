#include "player/ScriptValues.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <utility>

#include "bridge/values/FlashExParse.h"
#include "bridge/values/FlashExParseParamHandler.h"
#include "tbx/TextConversion.h"

namespace player {

namespace {

// The copy holds only text, numbers and booleans (see pushTokenCopy); a token
// of the wrong kind makes the list malformed.
std::string tokenText(duk_context* ctx, duk_idx_t tokens, duk_uarridx_t index) {
    duk_get_prop_index(ctx, tokens, index);
    duk_size_t length = 0;
    const char* text = duk_get_lstring(ctx, -1, &length);
    std::string out = text ? std::string(text, length) : std::string();
    duk_pop(ctx);
    if (!text) throw std::runtime_error("malformed script value");
    return out;
}

double tokenNumber(duk_context* ctx, duk_idx_t tokens, duk_uarridx_t index) {
    duk_get_prop_index(ctx, tokens, index);
    bool number = duk_is_number(ctx, -1) != 0;
    double value = duk_get_number(ctx, -1);
    duk_pop(ctx);
    if (!number) throw std::runtime_error("malformed script value");
    return value;
}

bool tokenBool(duk_context* ctx, duk_idx_t tokens, duk_uarridx_t index) {
    duk_get_prop_index(ctx, tokens, index);
    bool boolean = duk_is_boolean(ctx, -1) != 0;
    bool value = duk_get_boolean(ctx, -1) != 0;
    duk_pop(ctx);
    if (!boolean) throw std::runtime_error("malformed script value");
    return value;
}

void pushUtf8(duk_context* ctx, const std::string& utf8) { duk_push_lstring(ctx, utf8.data(), utf8.size()); }

// Defines an own property as an assignment would create it, without running
// setters a movie put on Array.prototype or Object.prototype.
const duk_uint_t kOwnValue =
    DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_SET_WRITABLE | DUK_DEFPROP_SET_ENUMERABLE | DUK_DEFPROP_SET_CONFIGURABLE;

// Printable ASCII without '<', '&' and '>': character data that an XML
// parser hands on unchanged, in any code page.
bool isPlainText(const char* text, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c > 0x7E || c == '<' || c == '&' || c == '>') return false;
    }
    return true;
}

bool endsWith(const std::string& text, const char* suffix, size_t length) {
    return text.size() >= length && text.compare(text.size() - length, length, suffix) == 0;
}

}  // namespace

void ScriptNumber::writeXML(std::string& out) const {
    double value = getDouble();
    out += "<number>";
    if (std::isnan(value)) {
        out += "NaN";
    } else if (std::isinf(value)) {
        out += value > 0 ? "Infinity" : "-Infinity";
    } else {
        // The shortest form that reads back as the same double.
        char buffer[40];
        for (int precision = 15; precision <= 17; ++precision) {
            snprintf(buffer, sizeof(buffer), "%.*g", precision, value);
            if (strtod(buffer, nullptr) == value) break;
        }
        out += buffer;
    }
    out += "</number>";
}

ParamPtr numberParam(double value) {
    if (std::isfinite(value) && value == std::floor(value) && value >= -2147483648.0 && value <= 2147483647.0)
        return paramInt(static_cast<int>(value));
    return std::make_unique<ScriptNumber>(value);
}

namespace {

// ASCII without NUL reads the same in UTF-8 and in the ANSI code page: such a
// text (most of what movies pass) needs no round trip through UTF-16.
bool isPlainAscii(const std::string& text) {
    for (unsigned char c : text) {
        if (c >= 0x80 || c == 0) return false;
    }
    return true;
}

}  // namespace

// Taken by value: a long plain ASCII argument passes through without a second copy.
std::string utf8ToAnsi(std::string text) {
    if (isPlainAscii(text)) return text;
    return wideToMultiByte(multiByteToWide(text, CP_UTF8), CP_ACP);
}

std::string stringAt(duk_context* ctx, duk_idx_t index) {
    duk_size_t length = 0;
    const char* text = duk_get_lstring(ctx, index, &length);
    return text ? std::string(text, length) : std::string();
}

std::string ansiToUtf8(const std::string& text) {
    if (isPlainAscii(text)) return text;
    return wideToMultiByte(multiByteToWide(text, CP_ACP), CP_UTF8);
}

namespace {

// A long plain ASCII answer goes to the script without a UTF-8 copy first.
void pushAnsi(duk_context* ctx, const std::string& ansi) {
    if (isPlainAscii(ansi))
        duk_push_lstring(ctx, ansi.data(), ansi.size());
    else
        pushUtf8(ctx, ansiToUtf8(ansi));
}

}  // namespace

std::string escapeAttribute(const std::string& ansi) {
    std::string out;
    appendEscapedXml(out, ansi);
    return out;
}

namespace {

ParamPtr readToken(duk_context* ctx, duk_idx_t tokens, duk_size_t count, duk_uarridx_t& position, size_t depth) {
    auto need = [&](duk_uarridx_t more) {
        if (position + more > count) throw std::runtime_error("malformed script value");
    };
    // A count of items or properties; each needs at least one more token.
    auto itemCount = [&]() {
        double items = tokenNumber(ctx, tokens, position++);
        if (!(items >= 0 && items <= static_cast<double>(count - position)) || items != std::floor(items))
            throw std::runtime_error("malformed script value");
        return static_cast<duk_uarridx_t>(items);
    };
    need(1);
    std::string kind = tokenText(ctx, tokens, position++);
    if (kind == "u") return std::make_unique<ScriptUndefined>();
    if (kind == "N") return std::make_unique<FlashExParamNull>();
    if (kind == "s") {
        need(1);
        return std::make_unique<FlashExParamString>(utf8ToAnsi(tokenText(ctx, tokens, position++)));
    }
    if (kind == "n") {
        need(1);
        return numberParam(tokenNumber(ctx, tokens, position++));
    }
    if (kind == "b") {
        need(1);
        return std::make_unique<FlashExParamBool>(tokenBool(ctx, tokens, position++));
    }
    if (kind != "a" && kind != "o") throw std::runtime_error("malformed script value");
    // The host's parser refuses deeper values: the reading and writing of
    // values recurse once per level.
    if (depth >= FlashExParseParamHandler::kMaxDepth) throw std::runtime_error("value nested too deeply");
    need(1);
    duk_uarridx_t items = itemCount();
    if (kind == "a") {
        auto array = std::make_unique<FlashExParamArray>();
        for (duk_uarridx_t i = 0; i < items; ++i) array->push(readToken(ctx, tokens, count, position, depth + 1));
        return array;
    }
    auto object = std::make_unique<FlashExParamObject>();
    for (duk_uarridx_t i = 0; i < items; ++i) {
        need(1);
        std::string name = utf8ToAnsi(tokenText(ctx, tokens, position++));
        object->setProperty(name, readToken(ctx, tokens, count, position, depth + 1));
    }
    return object;
}

// [list] -> [copy]; see pushTokenCopy. A safe call sees its caller's whole
// stack: the list is on top, not at 0.
duk_ret_t copyTokens(duk_context* ctx, void*) {
    const char* const refused = "the value list is not one the player made";
    duk_idx_t list = duk_get_top_index(ctx);
    if (!duk_is_object(ctx, list)) return duk_type_error(ctx, refused);
    duk_size_t count = duk_get_length(ctx, list);
    duk_idx_t copy = duk_push_bare_array(ctx);
    for (duk_size_t i = 0; i < count; ++i) {
        duk_get_prop_index(ctx, list, static_cast<duk_uarridx_t>(i));
        if (!duk_check_type_mask(ctx, -1, DUK_TYPE_MASK_STRING | DUK_TYPE_MASK_NUMBER | DUK_TYPE_MASK_BOOLEAN))
            return duk_type_error(ctx, refused);
        duk_put_prop_index(ctx, copy, static_cast<duk_uarridx_t>(i));
    }
    return 1;
}

}  // namespace

bool pushTokenCopy(duk_context* ctx, duk_idx_t list) {
    duk_dup(ctx, list);
    return duk_safe_call(ctx, copyTokens, nullptr, 1, 1) == DUK_EXEC_SUCCESS;
}

ParamPtr paramFromTokens(duk_context* ctx, duk_idx_t tokens, duk_uarridx_t& position) {
    return readToken(ctx, tokens, duk_get_length(ctx, tokens), position, 0);
}

void pushParam(duk_context* ctx, const FlashExParam* value) {
    ParamKind kind = value ? value->kind() : ParamKind::Undefined;
    if (kind == ParamKind::Undefined) {
        duk_push_undefined(ctx);
    } else if (kind == ParamKind::String) {
        pushAnsi(ctx, value->getString());
    } else if (kind == ParamKind::Bool) {
        duk_push_boolean(ctx, value->getBool());
    } else if (kind == ParamKind::Int || kind == ParamKind::Double) {
        duk_push_number(ctx, value->getDouble());
    } else if (kind == ParamKind::Pointer || kind == ParamKind::Handle) {
        duk_push_number(ctx, static_cast<double>(reinterpret_cast<uintptr_t>(value->getPointer())));
    } else if (kind == ParamKind::Array) {
        const FlashExParamArray* array = value->asArray();
        duk_require_stack(ctx, 3);
        duk_idx_t target = duk_push_array(ctx);
        for (unsigned i = 0; i < array->size(); ++i) {
            duk_push_uint(ctx, i);
            pushParam(ctx, array->at(i));
            duk_def_prop(ctx, target, kOwnValue);
        }
    } else if (kind == ParamKind::Object) {
        duk_require_stack(ctx, 3);
        duk_idx_t target = duk_push_object(ctx);
        for (const auto& property : value->asObject()->properties()) {
            std::string name = ansiToUtf8(property.first);
            duk_push_lstring(ctx, name.data(), name.size());
            pushParam(ctx, property.second.get());
            duk_def_prop(ctx, target, kOwnValue);
        }
    } else {
        duk_push_null(ctx);
    }
}

// Taken by value: a long string answer becomes the value in place, not copied out.
ParamPtr parseAnswer(std::string xml) {
    if (xml == "<true/>" || xml == "<false/>") return paramBool(xml == "<true/>");
    if (xml == "<null/>") return paramNull();
    const size_t open = 8, close = 9;  // "<string>", "</string>"
    if (xml.size() < open + close || xml.compare(0, open, "<string>") != 0 || !endsWith(xml, "</string>", close) ||
        !isPlainText(xml.data() + open, xml.size() - open - close))
        return parseValue(xml);
    // As the parser's reading: the text "null" is how a null string is written.
    const size_t length = xml.size() - open - close;
    if (length == 4 && xml.compare(open, 4, "null") == 0) return paramString(std::string());
    xml.erase(0, open);
    xml.resize(length);
    return paramString(std::move(xml));
}

}  // namespace player
