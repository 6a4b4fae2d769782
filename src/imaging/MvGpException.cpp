#include "imaging/MvGpException.h"

#include <cstdio>

MvGpException::MvGpException(const char* fixedText) : code_(-1), text_(fixedText ? fixedText : "Unknown exception") {}

MvGpException::MvGpException(int statusCode) : code_(statusCode) {
    char text[128];
    snprintf(text, sizeof text, "MvGpException error code:%d", statusCode);
    text_ = text;
}
