#include "FlashExException.h"
#include "FlashExParam.h"

namespace {

FlashExParam* orNull(FlashExParam* value) { return value ? value : new FlashExParamNull(); }

}  // namespace

FlashExParamArray::~FlashExParamArray() { clear(); }

void FlashExParamArray::push(FlashExParam* value) {
    value = orNull(value);
    try {
        elements_.push_back(value);
    } catch (...) {
        delete value;
        throw;
    }
}

void FlashExParamArray::pushString(const std::string& text) { push(new FlashExParamString(text)); }

FlashExParam* FlashExParamArray::at(unsigned index) const {
    if (index >= elements_.size()) throw FlashExException("配列のインデックスが範囲を超えています。");
    return elements_[index];
}

void FlashExParamArray::removeAt(unsigned index) {
    delete at(index);
    elements_.erase(elements_.begin() + index);
}

void FlashExParamArray::clear() {
    for (FlashExParam* element : elements_) delete element;
    elements_.clear();
}

void FlashExParamArray::writeXML(std::string& out) const {
    out += "<array>";
    for (size_t i = 0; i < elements_.size(); ++i) {
        out += "<property id=\"";
        out += std::to_string(i);
        out += "\">";
        elements_[i]->writeXML(out);
        out += "</property>";
    }
    out += "</array>";
}

void FlashExParamArguments::writeXML(std::string& out) const {
    out += "<arguments>";
    for (unsigned i = 0; i < size(); ++i) at(i)->writeXML(out);
    out += "</arguments>";
}

FlashExParamObject::~FlashExParamObject() {
    for (auto& property : properties_) delete property.second;
}

void FlashExParamObject::setProperty(const std::string& name, FlashExParam* value) {
    value = orNull(value);
    auto found = properties_.find(name);
    if (found == properties_.end()) {
        try {
            properties_.emplace(name, value);
        } catch (...) {
            delete value;
            throw;
        }
        return;
    }
    if (found->second != value) delete found->second;
    found->second = value;
}

void FlashExParamObject::setString(const std::string& name, const std::string& text) {
    setProperty(name, new FlashExParamString(text));
}

FlashExParam* FlashExParamObject::getProperty(const std::string& name) const {
    auto found = properties_.find(name);
    return found == properties_.end() ? FlashExParam::undefined() : found->second;
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

FlashExParamError* makeError(const std::string& message) {
    FlashExParamError* error = new FlashExParamError();
    try {
        error->setString("message", message);
        error->setString("type", "error");
    } catch (...) {
        delete error;
        throw;
    }
    return error;
}
