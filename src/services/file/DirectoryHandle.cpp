#include "services/file/DirectoryHandle.h"

#include "tbx/FlashExException.h"

DirectoryHandle::DirectoryHandle(const std::string& pattern) : search_(FindFirstFileA(pattern.c_str(), &current_)) {
    if (!search_) throw FlashExException("フォルダを開く事が出来ませんでした。");
}

const WIN32_FIND_DATAA* DirectoryHandle::next() {
    if (exhausted_) return nullptr;
    if (!pending_ && !FindNextFileA(search_.get(), &current_)) {
        exhausted_ = true;
        return nullptr;
    }
    pending_ = false;
    return &current_;
}

void* DirectoryHandleTable::add(std::unique_ptr<DirectoryHandle> handle) {
    void* id = reinterpret_cast<void*>(++lastId_);
    handles_[id] = std::move(handle);
    return id;
}

DirectoryHandle& DirectoryHandleTable::find(void* id) const {
    auto found = handles_.find(id);
    if (found == handles_.end()) throw FlashExException("フォルダのハンドルが正しくありません。");
    return *found->second;
}

void DirectoryHandleTable::close(void* id) {
    find(id);
    handles_.erase(id);
}
