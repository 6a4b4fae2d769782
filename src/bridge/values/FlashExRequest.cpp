#include "bridge/values/FlashExRequest.h"

#include "tbx/FlashExException.h"

void FlashExRequest::shiftArgument() {
    if (arguments.size() == 0) throw FlashExException("can not shift argument");
    arguments.removeAt(0);
}

void FlashExRequest::reset() {
    name.clear();
    returntype.clear();
    arguments.clear();
    argumentRead = -1;
}
