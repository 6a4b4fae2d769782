#include "services/clipboard/FlashExServiceClipboard.h"

#include <cstring>
#include <string>
#include <vector>

#include "bridge/host/FlashExHost.h"
#include "bridge/values/FlashExParam.h"
#include "bridge/values/FlashExRequest.h"
#include "services/clipboard/ClipboardBitmap.h"
#include "services/clipboard/FileDropBlock.h"
#include "services/common/ServiceArguments.h"
#include "services/common/ServiceResults.h"
#include "framework/OleDataSource.h"
#include "imaging/MvGpImageConverter.h"
#include "security/SecurityPolicy.h"
#include "tbx/Handles.h"
#include "tbx/MvException.h"

namespace {

// Whether the cursor is over the host window or one of its children (the
// player and the controls in it).
bool cursorOverHost(HWND host) {
    POINT cursor;
    if (!host || !GetCursorPos(&cursor)) return false;
    HWND under = WindowFromPoint(cursor);
    return under && (under == host || IsChild(host, under));
}

}  // namespace

// In the order in which invoke looks for a command.
const ServiceCommand<FlashExServiceClipboard> FlashExServiceClipboard::kCommands[] = {
    {"doDragFile", &FlashExServiceClipboard::doDragFile, 1, 1},
    {"emptyClip", &FlashExServiceClipboard::emptyClip, 0, 0},
    {"getClipText", &FlashExServiceClipboard::getClipText, 0, 0},
    {"saveClipBitmap", &FlashExServiceClipboard::saveClipBitmap, 1, 1},
    {"getClipBitmapSize", &FlashExServiceClipboard::getClipBitmapSize, 0, 0},
};

std::vector<CommandSignature> FlashExServiceClipboard::commands() const { return signaturesOf(kCommands); }

bool FlashExServiceClipboard::invoke(FlashExRequest& request, ParamPtr& result) {
    return runCommand(*this, kCommands, request, result);
}

ParamPtr FlashExServiceClipboard::doDragFile(FlashExRequest& request) {
    const FlashExParamArray* list = argumentAt(request, 0).asArray();
    // Every path is judged before the drag starts; one refusal starts nothing.
    std::vector<std::string> paths;
    for (unsigned i = 0; i < list->size(); ++i) {
        const std::string& path = list->at(i)->getString();
        std::string absolute = policy_.checkRead(path);
        // Programs read a file-drop list into buffers of MAX_PATH bytes; a
        // longer name would arrive cut, naming another file.
        if (absolute.size() >= MAX_PATH) throwPathFormatError(path, ERROR_FILENAME_EXCED_RANGE);
        paths.push_back(absolute);
    }
    // Only the user's own press in the window: otherwise the loop drops at once
    // wherever the cursor is, maybe on a folder the policy never saw.
    if (!fw::OleDataSource::mouseButtonHeld() || !cursorOverHost(windows_.hostWindow()))
        throw MvException("ドラッグはこのウィンドウの上でマウスのボタンを押している間だけ始められます。");
    auto source = fw::OleDataSource::create();
    source->CacheGlobalData(CF_HDROP, makeFileDropBlock(paths));
    // The user drops or cancels; either way the command is done.
    source->DoDragDrop(DROPEFFECT_COPY);
    return nullptr;
}

ParamPtr FlashExServiceClipboard::emptyClip(FlashExRequest&) {
    tbx::ClipboardGuard clipboard(nullptr);
    if (clipboard.isOpen()) EmptyClipboard();
    return nullptr;
}

ParamPtr FlashExServiceClipboard::getClipText(FlashExRequest&) {
    tbx::ClipboardGuard clipboard(nullptr);
    if (!clipboard.isOpen()) throw MvException("クリップボードを開けませんでした。");
    if (!IsClipboardFormatAvailable(CF_TEXT)) return nullptr;
    tbx::GlobalLockGuard text(GetClipboardData(CF_TEXT));
    if (!text.data()) return nullptr;
    // Another program's text may lack its NUL: it ends with its memory block.
    const char* bytes = static_cast<const char*>(text.data());
    return paramString(std::string(bytes, strnlen(bytes, text.size())));
}

ParamPtr FlashExServiceClipboard::saveClipBitmap(FlashExRequest& request) {
    std::string path = policy_.checkWrite(stringArgument(request, 0));
    ClipboardBitmap bitmap(windows_.hostWindow());
    // The encoder is the one whose extension ends the path.
    encoders_.saveImage(path, nullptr, bitmap.image());
    return nullptr;
}

ParamPtr FlashExServiceClipboard::getClipBitmapSize(FlashExRequest&) {
    ClipboardBitmap bitmap(windows_.hostWindow());
    return sizeObject(static_cast<int>(bitmap.width()), static_cast<int>(bitmap.height()));
}
