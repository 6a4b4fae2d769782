#pragma once
#include <windows.h>

#include <string>

#include "tbx/Handles.h"

namespace movara_test {

// ole_peer.exe, the second program of the clipboard and drag-and-drop tests,
// so that data crosses a process boundary as between real programs. Modes:
//   clip-text FILE             puts the bytes of FILE on the clipboard as CF_TEXT
//   clip-bitmap W H            puts a W x H bitmap of peerBitmapPixel on the clipboard
//   source X Y PAYLOAD RESULT  a 100 x 100 window at X, Y; a left button press in it
//                              drags PAYLOAD (below) and writes the effect ("copy"
//                              or "none") to RESULT
//   target X Y RESULT          a 200 x 200 window at X, Y whose drop target accepts
//                              copies and writes the file list of every drop so
//                              far to RESULT
// The peer keeps what it set (Wine empties the clipboard when its owner ends)
// until the object is destroyed.
class OlePeer {
public:
    explicit OlePeer(const std::string& modeAndArguments);
    ~OlePeer();
    OlePeer(const OlePeer&) = delete;
    OlePeer& operator=(const OlePeer&) = delete;
    // False when the peer did not start or did not get ready in time.
    bool ready() const { return ready_; }

private:
    tbx::KernelHandle readyEvent_;
    tbx::KernelHandle quitEvent_;
    tbx::KernelHandle process_;
    bool ready_ = false;
};

// Payloads of the peer's drag source.
//   two-files   virtual files "first.txt" ("first text", from global memory) and
//               "二番目.txt" ("二番目の本文", from a stream), and plain text
//   zero-byte   virtual file "zero.bin" holding "before", a NUL and "after"
//   size:N      virtual file "big.txt" of N bytes 'x', from a stream
//   link        "UniformResourceLocator" kPeerLink, and plain text
//   text        plain text kPeerText
//   none        a private format only
//   lying       a descriptor block whose count says 3 but that holds one whole
//               descriptor (its name 260 bytes 'n' without a NUL) and half of
//               another; contents "whole" for every item
const char* const kPeerLink = "http://example.com/movara?a=1&b=表";
const char* const kPeerText = "dropped 表示 text";

// The colour of pixel (x, y) of the peer's clipboard bitmap.
inline COLORREF peerBitmapPixel(int x, int y) { return RGB((x * 7) & 0xFF, (y * 11) & 0xFF, 0x40); }

// The result file of a source or target peer once it is complete, or "" when
// none appeared within the time.
std::string waitForPeerResult(const std::string& path, DWORD timeoutMs = 15000);

// Runs xdotool commands (for example "mousemove 10 10 mousedown 1") on the
// virtual display; throws when xdotool fails.
void xdotool(const std::string& commands);
// Presses the left button at `from`, waits for the drag loop of the window
// there to take the mouse, moves over `to` in a few steps and releases it
// there once the cursor is reported there, as a user drags. Throws when a
// step does not come about.
void dragWithMouse(POINT from, POINT to);
// The second half of a drag whose button is already held: waits for the drag
// loop of the window under `from` to take the mouse, then moves and releases
// as above.
void moveAndRelease(POINT from, POINT to);

}  // namespace movara_test
