#include "framework/OleDataSource.h"

#include <shlobj.h>

#include <algorithm>
#include <cstring>

namespace fw {

tbx::ComPtr<OleDataSource> OleDataSource::create() { return tbx::ComPtr<OleDataSource>::attach(new OleDataSource); }

void OleDataSource::CacheGlobalData(CLIPFORMAT format, tbx::GlobalMemory memory, LONG index) {
    store(Entry{format, index, std::move(memory), {}});
}

void OleDataSource::CacheStream(CLIPFORMAT format, IStream* stream, LONG index) {
    store(Entry{format, index, {}, tbx::ComPtr<IStream>(stream)});
}

void OleDataSource::store(Entry entry) {
    for (auto& existing : entries_) {
        if (existing.format == entry.format && existing.index == entry.index) {
            existing = std::move(entry);
            return;
        }
    }
    entries_.push_back(std::move(entry));
}

DWORD OleDataSource::DoDragDrop(DWORD allowedEffects) {
    DWORD effect = DROPEFFECT_NONE;
    HRESULT result =
        ::DoDragDrop(static_cast<IDataObject*>(this), static_cast<IDropSource*>(this), allowedEffects, &effect);
    return result == DRAGDROP_S_DROP ? effect : DROPEFFECT_NONE;
}

bool OleDataSource::mouseButtonHeld() {
    // The loop reads this thread's key state; the asynchronous state says the
    // button has not come up since, in a message the thread has yet to read.
    for (int button : {VK_LBUTTON, VK_RBUTTON}) {
        if ((GetKeyState(button) & 0x8000) && (GetAsyncKeyState(button) & 0x8000)) return true;
    }
    return false;
}

const OleDataSource::Entry* OleDataSource::find(const FORMATETC* format) const {
    if (!format || format->dwAspect != DVASPECT_CONTENT) return nullptr;
    for (const auto& entry : entries_) {
        if (entry.format != format->cfFormat) continue;
        // Asking for no item in particular (-1) finds any item of the format.
        bool sameItem =
            format->lindex == -1 || entry.index == format->lindex || (entry.index == -1 && format->lindex == 0);
        DWORD medium = entry.stream ? TYMED_ISTREAM : TYMED_HGLOBAL;
        if (sameItem && (format->tymed & medium)) return &entry;
    }
    return nullptr;
}

HRESULT STDMETHODCALLTYPE OleDataSource::GetData(FORMATETC* format, STGMEDIUM* medium) {
    if (!medium) return E_POINTER;
    const Entry* entry = find(format);
    if (!entry) return DV_E_FORMATETC;
    if (entry->stream) {
        LARGE_INTEGER start = {};
        entry->stream->Seek(start, STREAM_SEEK_SET, nullptr);
        medium->tymed = TYMED_ISTREAM;
        medium->pstm = entry->stream.get();
        medium->pstm->AddRef();
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    // Every reader gets its own copy and frees it with ReleaseStgMedium.
    SIZE_T size = GlobalSize(entry->memory.get());
    tbx::GlobalMemory copy(GlobalAlloc(GMEM_MOVEABLE, size ? size : 1));
    if (!copy) return E_OUTOFMEMORY;
    {
        tbx::GlobalLockGuard from(entry->memory.get());
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
    // Each format once, with every medium its items come in.
    std::vector<FORMATETC> formats;
    for (const auto& entry : entries_) {
        DWORD medium = entry.stream ? TYMED_ISTREAM : TYMED_HGLOBAL;
        auto known = std::find_if(formats.begin(), formats.end(),
                                  [&](const FORMATETC& f) { return f.cfFormat == entry.format; });
        if (known == formats.end())
            formats.push_back(FORMATETC{entry.format, nullptr, DVASPECT_CONTENT, -1, medium});
        else
            known->tymed |= medium;
    }
    return SHCreateStdEnumFmtEtc(static_cast<UINT>(formats.size()), formats.data(), out);
}

HRESULT STDMETHODCALLTYPE OleDataSource::QueryContinueDrag(BOOL escapePressed, DWORD keys) {
    if (escapePressed) return DRAGDROP_S_CANCEL;
    if (!(keys & (MK_LBUTTON | MK_RBUTTON))) return DRAGDROP_S_DROP;
    return S_OK;
}

}  // namespace fw
