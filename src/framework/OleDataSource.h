#pragma once
#include <ole2.h>
#include <windows.h>

#include <vector>

#include "tbx/ComObject.h"
#include "tbx/ComPtr.h"
#include "tbx/Handles.h"

namespace fw {

// An OLE data source offering global-memory formats, with the drag loop.
// A COM object: make it with create() and hold it in a ComPtr.
class OleDataSource : public tbx::ComObject<IDataObject, IDropSource> {
public:
    static tbx::ComPtr<OleDataSource> create();

    // Offers `format` as global memory; the source owns `memory` from now on
    // and hands a copy to every reader. index: the item of a multi-item
    // format such as "FileContents" (-1 for a format with one item).
    void CacheGlobalData(CLIPFORMAT format, tbx::GlobalMemory memory, LONG index = -1);
    // Offers item `index` of `format` as a stream, as mail programs offer
    // attachments; every reader starts at its beginning.
    void CacheStream(CLIPFORMAT format, IStream* stream, LONG index = -1);
    // The modal drag loop; answers the effect performed (DROPEFFECT_NONE
    // when cancelled). With no mouse button held it drops at once.
    DWORD DoDragDrop(DWORD allowedEffects);
    // Whether the left or right button is down as the drag loop on this
    // thread would see it, so that starting one now does not drop at once.
    static bool mouseButtonHeld();

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escapePressed, DWORD keys) override;
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

private:
    OleDataSource() = default;
    ~OleDataSource() override = default;
    struct Entry {
        CLIPFORMAT format;
        LONG index;
        tbx::GlobalMemory memory;
        tbx::ComPtr<IStream> stream;
    };
    const Entry* find(const FORMATETC* format) const;
    void store(Entry entry);
    std::vector<Entry> entries_;
};

}  // namespace fw
