#include "services/automation/DispatchObjectTable.h"

#include "tbx/FlashExException.h"

namespace {

[[noreturn]] void refuse() { throw FlashExException("オブジェクトのハンドルが正しくありません。"); }

}  // namespace

void* DispatchObjectTable::add(tbx::ComPtr<IDispatch> object) {
    // COM identity: the same object answers the same IUnknown, also through a proxy.
    auto identity = object.query<IUnknown>(IID_IUnknown);
    for (auto& held : objects_) {
        if (identity && held.second.identity.get() == identity.get()) {
            ++held.second.holds;
            return held.first;
        }
    }
    void* id = reinterpret_cast<void*>(++lastId_);
    objects_[id] = Entry{std::move(object), std::move(identity)};
    return id;
}

tbx::ComPtr<IDispatch> DispatchObjectTable::find(void* id) const {
    auto found = objects_.find(id);
    if (found == objects_.end()) refuse();
    return found->second.object;
}

void DispatchObjectTable::release(void* id) {
    auto found = objects_.find(id);
    if (found == objects_.end()) refuse();
    if (--found->second.holds > 0) return;
    // Released once the table is consistent again: releasing a proxy may
    // dispatch messages that reach the table.
    Entry going = std::move(found->second);
    objects_.erase(found);
}

void DispatchObjectTable::clear() {
    std::map<void*, Entry> going;
    going.swap(objects_);
}
