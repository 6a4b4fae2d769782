#include "tbx/CrashState.h"

#include <windows.h>

namespace tbx {

namespace {
volatile LONG crashedFlag = 0;
}

void markCrashed() { InterlockedExchange(&crashedFlag, 1); }

bool crashed() { return InterlockedCompareExchange(&crashedFlag, 0, 0) != 0; }

}  // namespace tbx
