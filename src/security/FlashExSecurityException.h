#pragma once
#include "tbx/FlashExException.h"

// A refused file access; raised by the security policy with the message
// "file access exception".
class FlashExSecurityException : public FlashExException {
public:
    using FlashExException::FlashExException;
};
