#pragma once

namespace tbx {

// Set once, when the program has crashed and is being ended: from then on
// the bridge runs no more of the movie's calls, whatever thread they come on.
// Both only touch one word, so the crashed thread's filter may set it.
void markCrashed();
bool crashed();

}  // namespace tbx
