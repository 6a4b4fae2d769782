#pragma once
#include "framework/OleDropTarget.h"

class MvDropListener;

// The window's OLE drop target for data from other programs: virtual files
// (mail attachments, archive members), links and plain text, tried in that
// order; each item goes to the listener. Data with none of them is refused.
class MvDropTarget : public fw::OleDropTarget {
public:
    explicit MvDropTarget(MvDropListener& listener) : listener_(listener) {}

protected:
    DWORD OnDragOver(IDataObject* data, DWORD keys, POINT point) override { return DROPEFFECT_COPY; }
    bool OnDrop(IDataObject* data, DWORD effect, POINT point) override;

private:
    MvDropListener& listener_;
};
