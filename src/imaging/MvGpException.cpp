#include "imaging/MvGpException.h"

#include <cstdio>

namespace {
std::string statusText(int statusCode) {
    char text[128];
    snprintf(text, sizeof text, "MvGpException error code:%d", statusCode);
    return text;
}
}  // namespace

MvGpException::MvGpException(const char* fixedText)
    : tbx::Error(fixedText ? fixedText : "Unknown exception"), code_(-1) {}

MvGpException::MvGpException(int statusCode) : tbx::Error(statusText(statusCode)), code_(statusCode) {}
