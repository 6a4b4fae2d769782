// The main dialog as the listener of its OLE drop target: each dropped item
// becomes an "onExtDrop" event with the format name, the data and the file name.
#include "bridge/host/FlashExMovieCall.h"
#include "bridge/values/FlashExParam.h"
#include "dialog/DroppedContents.h"
#include "dialog/FileGroupDescriptor.h"
#include "dialog/FlashExDlg.h"
#include "services/clipboard/ClipboardFormatName.h"
#include "tbx/ErrorBoundary.h"

void FlashExDlg::onDropFileContents(const FILEDESCRIPTORA& descriptor, fw::DropFile& contents) {
    if (!playerWindow()) return;
    try {
        std::string text = readDroppedContents(contents);
        callMovieFunction(player_, "onExtDrop",
                          makeArguments(paramString("FileContents"), paramString(std::move(text)),
                                        paramString(fileDescriptorName(descriptor))));
    } catch (...) {
        // "未定義のエラー" for example for a movie without an "onExtDrop" function.
        MessageBoxA(window(), caughtError().textOr("未定義のエラー").c_str(), nullptr, MB_OK);
    }
}

void FlashExDlg::onDropText(unsigned clipboardFormat, const std::string& text) {
    // A failure ends the drop without a message.
    callMovieFunction(
        player_, "onExtDrop",
        makeArguments(paramString(clipboardFormatName(clipboardFormat)), paramString(text), paramString("")));
}
