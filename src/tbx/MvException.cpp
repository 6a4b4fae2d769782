#include "tbx/MvException.h"

#include "tbx/TextConversion.h"

MvException::MvException(std::string message) : tbx::Error(std::move(message)) {
    // A failing conversion must not turn the report of one failure into another.
    try {
        wideMessage_ = multiByteToWide(this->message(), CP_ACP);
    } catch (...) {
        wideMessage_.clear();
    }
}
