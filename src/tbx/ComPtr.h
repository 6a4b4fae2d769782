#pragma once
#include <objbase.h>

#include <utility>

namespace tbx {

// A reference-counted COM interface pointer: Release on destruction, AddRef
// on copy. attach() takes over a reference someone handed us.
template <typename T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(T* p) noexcept : p_(p) {
        if (p_) p_->AddRef();
    }
    ComPtr(const ComPtr& other) noexcept : ComPtr(other.p_) {}
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ~ComPtr() { reset(); }
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }

    static ComPtr attach(T* p) noexcept {
        ComPtr result;
        result.p_ = p;
        return result;
    }
    T* detach() noexcept { return std::exchange(p_, nullptr); }
    void reset() noexcept {
        if (p_) std::exchange(p_, nullptr)->Release();
    }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    // For out-parameters: releases what is held first.
    T** put() noexcept {
        reset();
        return &p_;
    }
    void** putVoid() noexcept { return reinterpret_cast<void**>(put()); }

    template <typename U>
    ComPtr<U> query(REFIID iid) const {
        ComPtr<U> result;
        if (p_) p_->QueryInterface(iid, result.putVoid());
        return result;
    }

private:
    T* p_ = nullptr;
};

}  // namespace tbx
