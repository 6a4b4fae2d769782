#include "bridge/values/FlashExParam.h"

#include <charconv>

#include "tbx/FlashExException.h"

namespace {

ParamPtr orNull(ParamPtr value) { return value ? std::move(value) : paramNull(); }

}  // namespace

void FlashExParamArray::push(ParamPtr value) { elements_.push_back(orNull(std::move(value))); }

void FlashExParamArray::pushString(const std::string& text) { push(paramString(text)); }

FlashExParam* FlashExParamArray::at(unsigned index) const {
    if (index >= elements_.size()) throw FlashExException("配列のインデックスが範囲を超えています。");
    return elements_[index].get();
}

void FlashExParamArray::removeAt(unsigned index) { take(index); }

ParamPtr FlashExParamArray::take(unsigned index) {
    at(index);
    ParamPtr taken = std::move(elements_[index]);
    elements_.erase(elements_.begin() + index);
    return taken;
}

void FlashExParamArray::clear() { elements_.clear(); }

void FlashExParamArray::writeXML(std::string& out) const {
    out += "<array>";
    for (size_t i = 0; i < elements_.size(); ++i) {
        char index[24];
        auto written = std::to_chars(index, index + sizeof index, i);
        out += "<property id=\"";
        out.append(index, written.ptr);
        out += "\">";
        elements_[i]->writeXML(out);
        out += "</property>";
    }
    out += "</array>";
}

size_t FlashExParamArray::xmlSizeHint() const {
    // Each element sits in a property element numbered by its index.
    size_t size = 15;
    for (const ParamPtr& element : elements_) size += 32 + element->xmlSizeHint();
    return size;
}

void FlashExParamArguments::writeXML(std::string& out) const {
    out += "<arguments>";
    for (unsigned i = 0; i < size(); ++i) at(i)->writeXML(out);
    out += "</arguments>";
}

size_t FlashExParamArguments::xmlSizeHint() const {
    size_t size = 23;
    for (unsigned i = 0; i < this->size(); ++i) size += at(i)->xmlSizeHint();
    return size;
}

void FlashExParamObject::setProperty(const std::string& name, ParamPtr value) {
    // Next to the last name set is where a text in name order, or counting
    // up (key9, key10, key11), puts the next one: the map checks that spot
    // with a compare or two before it searches from the root.
    lastSet_ = properties_.insert_or_assign(lastSet_, name, orNull(std::move(value)));
}

void FlashExParamObject::setString(const std::string& name, const std::string& text) {
    setProperty(name, paramString(text));
}

const FlashExParam* FlashExParamObject::getProperty(const std::string& name) const {
    auto found = properties_.find(name);
    return found == properties_.end() ? &FlashExParam::undefined() : found->second.get();
}

void FlashExParamObject::writeXML(std::string& out) const {
    // std::map orders std::string keys by unsigned byte comparison.
    out += "<object>";
    for (const auto& property : properties_) {
        out += "<property id=\"";
        appendEscapedXml(out, property.first);
        out += "\">";
        property.second->writeXML(out);
        out += "</property>";
    }
    out += "</object>";
}

size_t FlashExParamObject::xmlSizeHint() const {
    size_t size = 17;
    for (const auto& property : properties_) size += 27 + property.first.size() + property.second->xmlSizeHint();
    return size;
}

std::unique_ptr<FlashExParamError> makeError(const std::string& message) {
    std::unique_ptr<FlashExParamError> error(new FlashExParamError());
    error->setString("message", message);
    error->setString("type", "error");
    return error;
}
