#include "framework/OleDataSource.h"

#include <shlobj.h>

#include <cstring>

namespace fw {

tbx::ComPtr<OleDataSource> OleDataSource::create() { return tbx::ComPtr<OleDataSource>::attach(new OleDataSource); }

void OleDataSource::CacheGlobalData(CLIPFORMAT format, tbx::GlobalMemory memory) {
    for (auto& entry : entries_) {
        if (entry.format == format) {
            entry.memory = std::move(memory);
            return;
        }
    }
    entries_.push_back(Entry{format, std::move(memory)});
}

DWORD OleDataSource::DoDragDrop(DWORD allowedEffects) {
    DWORD effect = DROPEFFECT_NONE;
    HRESULT result =
        ::DoDragDrop(static_cast<IDataObject*>(this), static_cast<IDropSource*>(this), allowedEffects, &effect);
    return result == DRAGDROP_S_DROP ? effect : DROPEFFECT_NONE;
}

HRESULT STDMETHODCALLTYPE OleDataSource::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
        *out = static_cast<IDataObject*>(this);
    } else if (IsEqualIID(iid, IID_IDropSource)) {
        *out = static_cast<IDropSource*>(this);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE OleDataSource::AddRef() { return InterlockedIncrement(&references_); }

ULONG STDMETHODCALLTYPE OleDataSource::Release() {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return left;
}

const tbx::GlobalMemory* OleDataSource::find(const FORMATETC* format) const {
    if (!format || !(format->tymed & TYMED_HGLOBAL) || format->dwAspect != DVASPECT_CONTENT) return nullptr;
    if (format->lindex != -1 && format->lindex != 0) return nullptr;
    for (const auto& entry : entries_)
        if (entry.format == format->cfFormat) return &entry.memory;
    return nullptr;
}

HRESULT STDMETHODCALLTYPE OleDataSource::GetData(FORMATETC* format, STGMEDIUM* medium) {
    if (!medium) return E_POINTER;
    const tbx::GlobalMemory* memory = find(format);
    if (!memory) return DV_E_FORMATETC;
    // Every reader gets its own copy and frees it with ReleaseStgMedium.
    SIZE_T size = GlobalSize(memory->get());
    tbx::GlobalMemory copy(GlobalAlloc(GMEM_MOVEABLE, size ? size : 1));
    if (!copy) return E_OUTOFMEMORY;
    {
        tbx::GlobalLockGuard from(memory->get());
        tbx::GlobalLockGuard to(copy.get());
        if (!from.data() || !to.data()) return E_OUTOFMEMORY;
        memcpy(to.data(), from.data(), size);
    }
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = copy.release();
    medium->pUnkForRelease = nullptr;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE OleDataSource::QueryGetData(FORMATETC* format) {
    return find(format) ? S_OK : DV_E_FORMATETC;
}

HRESULT STDMETHODCALLTYPE OleDataSource::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
    if (out) out->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
}

HRESULT STDMETHODCALLTYPE OleDataSource::EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (direction != DATADIR_GET) return E_NOTIMPL;
    std::vector<FORMATETC> formats;
    for (const auto& entry : entries_)
        formats.push_back(FORMATETC{entry.format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL});
    return SHCreateStdEnumFmtEtc(static_cast<UINT>(formats.size()), formats.data(), out);
}

HRESULT STDMETHODCALLTYPE OleDataSource::QueryContinueDrag(BOOL escapePressed, DWORD keys) {
    if (escapePressed) return DRAGDROP_S_CANCEL;
    if (!(keys & (MK_LBUTTON | MK_RBUTTON))) return DRAGDROP_S_DROP;
    return S_OK;
}

}  // namespace fw
