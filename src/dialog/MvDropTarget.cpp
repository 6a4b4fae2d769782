#include "dialog/MvDropTarget.h"

#include "dialog/FileGroupDescriptor.h"
#include "dialog/MvDropListener.h"
#include "framework/OleDataObject.h"

namespace {

struct DropFormats {
    CLIPFORMAT link;
    CLIPFORMAT fileContents;
    CLIPFORMAT fileGroupDescriptor;
};

// Registered by name once per process, on the first drop.
const DropFormats& dropFormats() {
    static const DropFormats formats = {
        static_cast<CLIPFORMAT>(RegisterClipboardFormatA("UniformResourceLocator")),
        static_cast<CLIPFORMAT>(RegisterClipboardFormatA("FileContents")),
        static_cast<CLIPFORMAT>(RegisterClipboardFormatA("FileGroupDescriptor")),
    };
    return formats;
}

void deliverFileContents(const fw::OleDataObject& data, const DropFormats& formats, MvDropListener& listener) {
    std::string block;
    if (!data.getGlobalData(formats.fileGroupDescriptor, block)) return;
    std::vector<FILEDESCRIPTORA> descriptors = fileDescriptorsOf(block);
    for (size_t i = 0; i < descriptors.size(); ++i) {
        if (!data.isFormatAvailable(formats.fileContents)) break;
        // An item the source cannot give is left out; the others still arrive.
        std::unique_ptr<fw::DropFile> contents = data.getFileContents(formats.fileContents, static_cast<LONG>(i));
        if (contents) listener.onDropFileContents(descriptors[i], *contents);
    }
}

void deliverText(const fw::OleDataObject& data, CLIPFORMAT format, MvDropListener& listener) {
    std::string bytes;
    data.getGlobalData(format, bytes);
    listener.onDropText(format, bytes.c_str());
}

}  // namespace

bool MvDropTarget::OnDrop(IDataObject* dropped, DWORD, POINT) {
    const DropFormats& formats = dropFormats();
    fw::OleDataObject data(dropped);
    if (data.isFormatAvailable(formats.fileContents)) {
        deliverFileContents(data, formats, listener_);
        return true;
    }
    for (CLIPFORMAT format : {formats.link, static_cast<CLIPFORMAT>(CF_TEXT)}) {
        if (data.isFormatAvailable(format)) {
            deliverText(data, format, listener_);
            return true;
        }
    }
    return false;
}
