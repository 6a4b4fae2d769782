#include "player/ScriptValues.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "tbx/TextConversion.h"

namespace player {

namespace {

std::string tokenText(duk_context* ctx, duk_idx_t tokens, duk_uarridx_t index) {
    duk_get_prop_index(ctx, tokens, index);
    duk_size_t length = 0;
    const char* text = duk_get_lstring(ctx, -1, &length);
    std::string out = text ? std::string(text, length) : std::string();
    duk_pop(ctx);
    return out;
}

double tokenNumber(duk_context* ctx, duk_idx_t tokens, duk_uarridx_t index) {
    duk_get_prop_index(ctx, tokens, index);
    double value = duk_get_number(ctx, -1);
    duk_pop(ctx);
    return value;
}

bool tokenBool(duk_context* ctx, duk_idx_t tokens, duk_uarridx_t index) {
    duk_get_prop_index(ctx, tokens, index);
    bool value = duk_get_boolean(ctx, -1) != 0;
    duk_pop(ctx);
    return value;
}

void pushUtf8(duk_context* ctx, const std::string& utf8) { duk_push_lstring(ctx, utf8.data(), utf8.size()); }

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

std::string utf8ToAnsi(const std::string& text) {
    if (isPlainAscii(text)) return text;
    return wideToMultiByte(multiByteToWide(text, CP_UTF8), CP_ACP);
}

std::string ansiToUtf8(const std::string& text) {
    if (isPlainAscii(text)) return text;
    return wideToMultiByte(multiByteToWide(text, CP_ACP), CP_UTF8);
}

std::string escapeAttribute(const std::string& ansi) {
    std::string out;
    appendEscapedXml(out, ansi);
    return out;
}

ParamPtr paramFromTokens(duk_context* ctx, duk_idx_t tokens, duk_uarridx_t& position) {
    duk_size_t count = duk_get_length(ctx, tokens);
    if (position >= count) throw std::runtime_error("malformed script value");
    std::string kind = tokenText(ctx, tokens, position++);
    auto need = [&](duk_uarridx_t more) {
        if (position + more > count) throw std::runtime_error("malformed script value");
    };
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
    if (kind == "a") {
        need(1);
        auto items = static_cast<duk_uarridx_t>(tokenNumber(ctx, tokens, position++));
        auto array = std::make_unique<FlashExParamArray>();
        for (duk_uarridx_t i = 0; i < items; ++i) array->push(paramFromTokens(ctx, tokens, position));
        return array;
    }
    if (kind == "o") {
        need(1);
        auto properties = static_cast<duk_uarridx_t>(tokenNumber(ctx, tokens, position++));
        auto object = std::make_unique<FlashExParamObject>();
        for (duk_uarridx_t i = 0; i < properties; ++i) {
            need(1);
            std::string name = utf8ToAnsi(tokenText(ctx, tokens, position++));
            object->setProperty(name, paramFromTokens(ctx, tokens, position));
        }
        return object;
    }
    throw std::runtime_error("malformed script value");
}

void pushParam(duk_context* ctx, const FlashExParam* value) {
    ParamKind kind = value ? value->kind() : ParamKind::Undefined;
    if (kind == ParamKind::Undefined) {
        duk_push_undefined(ctx);
    } else if (kind == ParamKind::String) {
        pushUtf8(ctx, ansiToUtf8(value->getString()));
    } else if (kind == ParamKind::Bool) {
        duk_push_boolean(ctx, value->getBool());
    } else if (kind == ParamKind::Int || kind == ParamKind::Double) {
        duk_push_number(ctx, value->getDouble());
    } else if (kind == ParamKind::Pointer || kind == ParamKind::Handle) {
        duk_push_number(ctx, static_cast<double>(reinterpret_cast<uintptr_t>(value->getPointer())));
    } else if (kind == ParamKind::Array) {
        const FlashExParamArray* array = value->asArray();
        duk_idx_t target = duk_push_array(ctx);
        for (unsigned i = 0; i < array->size(); ++i) {
            pushParam(ctx, array->at(i));
            duk_put_prop_index(ctx, target, i);
        }
    } else if (kind == ParamKind::Object) {
        duk_idx_t target = duk_push_object(ctx);
        for (const auto& property : value->asObject()->properties()) {
            pushParam(ctx, property.second.get());
            std::string name = ansiToUtf8(property.first);
            duk_put_prop_lstring(ctx, target, name.data(), name.size());
        }
    } else {
        duk_push_null(ctx);
    }
}

}  // namespace player
