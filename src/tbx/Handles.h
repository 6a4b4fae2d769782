#pragma once
#include <windows.h>

#include <utility>

namespace tbx {

// One owner for one Win32 handle: closes it on destruction, can be reset,
// released or moved, never copied. Traits give the invalid value and closer.
template <typename Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() noexcept : handle_(Traits::invalid()) {}
    explicit UniqueHandle(Type handle) noexcept : handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Type get() const noexcept { return handle_; }
    bool valid() const noexcept { return handle_ != Traits::invalid(); }
    explicit operator bool() const noexcept { return valid(); }

    Type release() noexcept { return std::exchange(handle_, Traits::invalid()); }
    void reset(Type handle = Traits::invalid()) noexcept {
        if (valid()) Traits::close(handle_);
        handle_ = handle;
    }

private:
    Type handle_;
};

// The sharing the C runtime gives every stream it opens ("r", "w", "a", binary
// or text): other readers and writers are allowed. Files the program opens as
// streams use it, so that one of them never locks out another (or the log).
constexpr DWORD kStreamSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;

struct FileHandleTraits {  // CreateFile: INVALID_HANDLE_VALUE on failure
    using Type = HANDLE;
    static Type invalid() { return INVALID_HANDLE_VALUE; }
    static void close(Type h) { CloseHandle(h); }
};
struct KernelHandleTraits {  // events, mutexes, threads, processes: NULL on failure
    using Type = HANDLE;
    static Type invalid() { return nullptr; }
    static void close(Type h) { CloseHandle(h); }
};
struct FindHandleTraits {
    using Type = HANDLE;
    static Type invalid() { return INVALID_HANDLE_VALUE; }
    static void close(Type h) { FindClose(h); }
};
struct RegistryKeyTraits {
    using Type = HKEY;
    static Type invalid() { return nullptr; }
    static void close(Type h) { RegCloseKey(h); }
};
struct GdiObjectTraits {
    using Type = HGDIOBJ;
    static Type invalid() { return nullptr; }
    static void close(Type h) { DeleteObject(h); }
};
struct MemoryDCTraits {  // CreateCompatibleDC / CreateDC
    using Type = HDC;
    static Type invalid() { return nullptr; }
    static void close(Type h) { DeleteDC(h); }
};
struct ModuleTraits {
    using Type = HMODULE;
    static Type invalid() { return nullptr; }
    static void close(Type h) { FreeLibrary(h); }
};
struct IconTraits {
    using Type = HICON;
    static Type invalid() { return nullptr; }
    static void close(Type h) { DestroyIcon(h); }
};
struct GlobalMemoryTraits {
    using Type = HGLOBAL;
    static Type invalid() { return nullptr; }
    static void close(Type h) { GlobalFree(h); }
};

struct LocalMemoryTraits {  // blocks the system allocates for the caller to LocalFree
    using Type = HLOCAL;
    static Type invalid() { return nullptr; }
    static void close(Type h) { LocalFree(h); }
};

struct TaskMemoryTraits {  // blocks COM and the shell allocate for the caller to CoTaskMemFree
    using Type = void*;
    static Type invalid() { return nullptr; }
    static void close(Type p) { CoTaskMemFree(p); }
};

using FileHandle = UniqueHandle<FileHandleTraits>;
using KernelHandle = UniqueHandle<KernelHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
using RegistryKey = UniqueHandle<RegistryKeyTraits>;
using GdiObject = UniqueHandle<GdiObjectTraits>;
using MemoryDC = UniqueHandle<MemoryDCTraits>;
using Module = UniqueHandle<ModuleTraits>;
using Icon = UniqueHandle<IconTraits>;
using GlobalMemory = UniqueHandle<GlobalMemoryTraits>;
using LocalMemory = UniqueHandle<LocalMemoryTraits>;
using TaskMemory = UniqueHandle<TaskMemoryTraits>;

// GetDC / ReleaseDC for a window (or the screen with NULL).
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// SelectObject for the lifetime of the scope.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectedObject() {
        if (previous_) SelectObject(dc_, previous_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// GlobalLock / GlobalUnlock; does not own the memory block.
class GlobalLockGuard {
public:
    explicit GlobalLockGuard(HGLOBAL memory) : memory_(memory), data_(memory ? GlobalLock(memory) : nullptr) {}
    ~GlobalLockGuard() {
        if (data_) GlobalUnlock(memory_);
    }
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
    void* data() const { return data_; }
    SIZE_T size() const { return memory_ ? GlobalSize(memory_) : 0; }

private:
    HGLOBAL memory_;
    void* data_;
};

// OpenClipboard / CloseClipboard.
class ClipboardGuard {
public:
    explicit ClipboardGuard(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
    ~ClipboardGuard() {
        if (open_) CloseClipboard();
    }
    ClipboardGuard(const ClipboardGuard&) = delete;
    ClipboardGuard& operator=(const ClipboardGuard&) = delete;
    bool isOpen() const { return open_; }

private:
    bool open_;
};

}  // namespace tbx
