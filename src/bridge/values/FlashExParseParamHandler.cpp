#include "bridge/values/FlashExParseParamHandler.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <new>

#include "bridge/values/FlashExParam.h"
#include "tbx/MvException.h"
#include "bridge/values/XercesFacade.h"

namespace {

// A string this long arrives in pieces; from here on its buffer is reserved
// once for the rest of the source instead of doubling as it grows.
const size_t kLongString = 64 * 1024;

bool isCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

size_t skipSpace(const std::string& text, size_t i) {
    while (i < text.size() && isCSpace(text[i])) ++i;
    return i;
}

// What atof gives for a number beyond the double range: infinity for
// overflow, zero for underflow.
double outOfRangeValue(const std::string& matched) {
    size_t exponent = matched.find_first_of("eE");
    if (exponent != std::string::npos) return matched[exponent + 1] == '-' ? 0.0 : HUGE_VAL;
    return matched.find_first_of("123456789") < matched.find('.') ? HUGE_VAL : 0.0;
}

}  // namespace

int parseIntText(const std::string& text) {
    size_t i = skipSpace(text, 0);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    const long long limit = negative ? 2147483648LL : 2147483647LL;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > limit) value = limit;  // keeps reading the digits, as strtol does
    }
    return static_cast<int>(negative ? -value : value);
}

double parseDoubleText(const std::string& text) {
    size_t i = skipSpace(text, 0);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    double value = 0;
    if (last - first > 2 && first[0] == '0' && (first[1] == 'x' || first[1] == 'X')) {
        if (std::from_chars(first + 2, last, value, std::chars_format::hex).ec != std::errc()) value = 0;
    } else {
        auto result = std::from_chars(first, last, value);
        if (result.ec == std::errc::result_out_of_range) {
            value = outOfRangeValue(std::string(first, result.ptr));
        } else if (result.ec != std::errc()) {
            value = 0;
        }
    }
    return negative ? -value : value;
}

FlashExParseParamHandler::FlashExParseParamHandler() = default;
FlashExParseParamHandler::~FlashExParseParamHandler() = default;

ParamPtr FlashExParseParamHandler::releaseFirstRoot() {
    if (roots_.empty()) return nullptr;
    return std::move(roots_.front());
}

FlashExParam* FlashExParseParamHandler::add(ParamPtr value) {
    FlashExParam* added = value.get();
    if (openContainers_.empty()) {
        roots_.push_back(std::move(value));
    } else if (containerKinds_.back() == kInObject) {
        openContainers_.back()->asObject()->setProperty(propertyId_, std::move(value));
    } else {
        openContainers_.back()->asArray()->push(std::move(value));
    }
    return added;
}

void FlashExParseParamHandler::openContainer(FlashExParam* container, TextMode kind) {
    if (openContainers_.size() >= kMaxDepth) throw FlashExXmlRefused("containers nested too deeply");
    openContainers_.push_back(container);
    containerKinds_.push_back(kind);
    textMode_ = kind;
}

FlashExParseParamHandler::Element FlashExParseParamHandler::elementOf(const Text& name) {
    // The first letter leaves at most two names to compare.
    switch (name.front()) {
    case u'a':
        return name.is("array") ? Element::Array : name.is("arguments") ? Element::Arguments : Element::Other;
    case u'o':
        return name.is("object") ? Element::Object : Element::Other;
    case u's':
        return name.is("string") ? Element::String : Element::Other;
    case u'n':
        return name.is("number") ? Element::Number : name.is("null") ? Element::Null : Element::Other;
    case u'p':
        return name.is("property") ? Element::Property : Element::Other;
    case u't':
        return name.is("true") ? Element::True : Element::Other;
    case u'f':
        return name.is("false") ? Element::False : Element::Other;
    case u'i':
        return name.is("invoke") ? Element::Invoke : Element::Other;
    default:
        return Element::Other;
    }
}

void FlashExParseParamHandler::startElement(const Text& name, const Attributes& attributes) {
    startValueElement(elementOf(name), attributes);
}

void FlashExParseParamHandler::startValueElement(Element element, const Attributes& attributes) {
    switch (element) {
    case Element::Array:
        openContainer(add(std::make_unique<FlashExParamArray>()), kInArray);
        break;
    case Element::Object:
        openContainer(add(std::make_unique<FlashExParamObject>()), kInObject);
        break;
    case Element::String:
        textMode_ = kStringText;
        stringText_.clear();
        stringPieces_ = 0;
        stringReserved_ = false;
        break;
    case Element::Number:
        textMode_ = kNumberText;
        numberText_.clear();
        break;
    case Element::Property:
        attributes.getInto("id", propertyId_);
        break;
    case Element::True:
    case Element::False:
        add(paramBool(element == Element::True));
        break;
    case Element::Null:
        add(paramNull());
        break;
    default:
        break;
    }
}

void FlashExParseParamHandler::characters(const Text& text) {
    if (textMode_ == kNumberText) {
        text.appendNarrowTo(numberText_);
    } else if (textMode_ == kStringText) {
        appendStringText(text);
    }
}

void FlashExParseParamHandler::addNumber(const std::string& text) {
    if (text.find('.') != std::string::npos) {
        add(paramDouble(parseDoubleText(text)));
    } else {
        add(paramInt(parseIntText(text)));
    }
}

void FlashExParseParamHandler::appendStringText(const Text& text) {
    try {
        if (!stringReserved_ && stringText_.size() + text.length() >= kLongString) reserveLongString();
        const size_t before = stringText_.size();
        text.appendNarrowTo(stringText_);
        stringBytesSeen_ += stringText_.size() - before;
    } catch (const std::bad_alloc&) {
        throw MvException("メモリが不足しています。");
    }
    ++stringPieces_;
}

void FlashExParseParamHandler::endElement(const Text& name) {
    switch (elementOf(name)) {
    case Element::Object:
    case Element::Array:
        if (!openContainers_.empty()) openContainers_.pop_back();
        if (!containerKinds_.empty()) containerKinds_.pop_back();
        break;
    case Element::String:
        finishString();
        // Character data after a string or number element belongs to no value.
        textMode_ = kNoText;
        break;
    case Element::Number:
        // A number element without text gives no value.
        if (textMode_ == kNumberText && !numberText_.empty()) addNumber(numberText_);
        textMode_ = kNoText;
        break;
    default:
        break;
    }
}

void FlashExParseParamHandler::reserveLongString() {
    // No character of the source is narrower than its narrow text, and the
    // strings before took at least their own length of it.
    const size_t source = sourceLength();
    const size_t rest = source > stringBytesSeen_ ? source - stringBytesSeen_ : 0;
    const size_t wanted = stringText_.size() + rest;
    if (wanted > stringText_.capacity()) stringText_.reserve(wanted);
    stringReserved_ = true;
}

void FlashExParseParamHandler::finishString() {
    // The player writes a null string as the text "null", in one piece.
    if (stringPieces_ == 1 && stringText_.size() == 4 && stringText_.compare(0, 4, "null", 4) == 0) stringText_.clear();
    // A reservation well beyond the text (more source followed it) is given back.
    if (stringReserved_ && stringText_.capacity() - stringText_.size() > stringText_.size() / 8 + 4096)
        stringText_.shrink_to_fit();
    stringReserved_ = false;
    stringPieces_ = 0;
    add(paramString(std::move(stringText_)));
    stringText_.clear();
}
