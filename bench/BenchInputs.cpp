#include "BenchInputs.h"

namespace bench {

namespace {

std::string invoke(const std::string& name, const std::string& arguments) {
    return "<invoke name=\"" + name + "\" returntype=\"xml\"><arguments>" + arguments + "</arguments></invoke>";
}

}  // namespace

std::string smallInvoke(const std::string& name) {
    return invoke(name, "<string>C:\\movies\\settings.xml</string><number>42</number><true/>");
}

std::string numberArrayInvoke(const std::string& name, int count) {
    std::string values = "<array>";
    for (int i = 0; i < count; ++i)
        values +=
            "<property id=\"" + std::to_string(i) + "\"><number>" + std::to_string(i * 7 + 1) + "</number></property>";
    return invoke(name, values + "</array>");
}

std::string stringObjectInvoke(const std::string& name, int count) {
    std::string values = "<object>";
    for (int i = 0; i < count; ++i)
        values += "<property id=\"key" + std::to_string(i) + "\"><string>value number " + std::to_string(i) +
                  "</string></property>";
    return invoke(name, values + "</object>");
}

std::string bigStringInvoke(const std::string& name, size_t size) {
    std::string text(size, 'x');
    for (size_t i = 0; i < size; i += 64) text[i] = ' ';
    return invoke(name, "<string>" + text + "</string>");
}

}  // namespace bench
