#pragma once
// RAII owners for the Windows handles the program holds. Each closes its
// handle exactly once and can be moved, never copied.
#include <windows.h>
#include <objbase.h>
#include <utility>

namespace qv {

template <class T, class Traits> class UniqueResource {
  public:
    UniqueResource() = default;
    explicit UniqueResource(T h) : h_(h) {}
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& o) noexcept : h_(o.release()) {}
    UniqueResource& operator=(UniqueResource&& o) noexcept {
        reset(o.release());
        return *this;
    }
    ~UniqueResource() { reset(); }

    T get() const { return h_; }
    explicit operator bool() const { return Traits::Valid(h_); }
    T release() { return std::exchange(h_, Traits::Invalid()); }
    void reset(T h = Traits::Invalid()) {
        if (Traits::Valid(h_)) Traits::Close(h_);
        h_ = h;
    }
    // For out-parameters of API calls: closes what is held, then lends the slot.
    T* put() {
        reset();
        return &h_;
    }

  private:
    T h_ = Traits::Invalid();
};

struct FileHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Valid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
// Kernel handles that signal failure with nullptr (mutex, process, snapshot
// handles of some APIs) and file handles that use INVALID_HANDLE_VALUE alike.
using UniqueHandle = UniqueResource<HANDLE, FileHandleTraits>;

struct FindHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Valid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(HANDLE h) { ::FindClose(h); }
};
using FindHandle = UniqueResource<HANDLE, FindHandleTraits>;

struct KeyTraits {
    static HKEY Invalid() { return nullptr; }
    static bool Valid(HKEY h) { return h != nullptr; }
    static void Close(HKEY h) { ::RegCloseKey(h); }
};
using RegKey = UniqueResource<HKEY, KeyTraits>;

struct IconTraits {
    static HICON Invalid() { return nullptr; }
    static bool Valid(HICON h) { return h != nullptr; }
    static void Close(HICON h) { ::DestroyIcon(h); }
};
using IconHandle = UniqueResource<HICON, IconTraits>;

struct GdiTraits {
    static HGDIOBJ Invalid() { return nullptr; }
    static bool Valid(HGDIOBJ h) { return h != nullptr; }
    static void Close(HGDIOBJ h) { ::DeleteObject(h); }
};
using GdiObject = UniqueResource<HGDIOBJ, GdiTraits>;

struct ModuleTraits {
    static HMODULE Invalid() { return nullptr; }
    static bool Valid(HMODULE h) { return h != nullptr; }
    static void Close(HMODULE h) { ::FreeLibrary(h); }
};
using ModuleHandle = UniqueResource<HMODULE, ModuleTraits>;

// A COM interface pointer that releases what it holds.
template <class T> class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { reset(); }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    void reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }
    T** put() {
        reset();
        return &p_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }

  private:
    T* p_ = nullptr;
};

// COM for the calling thread, for as long as the object lives.
class ComInit {
  public:
    ComInit() : ok_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComInit() {
        if (ok_) ::CoUninitialize();
    }
    ComInit(const ComInit&) = delete;
    ComInit& operator=(const ComInit&) = delete;

  private:
    bool ok_;
};

} // namespace qv
