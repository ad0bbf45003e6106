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

// How a kind of handle is closed and which values mean "none". Kernel
// handles come back as nullptr from some calls and as INVALID_HANDLE_VALUE
// from others (CreateFile, FindFirstFile): both count as none for them.
template <class T, auto CloseFn, bool AlsoInvalidValue = false> struct HandleTraits {
    static T Invalid() {
        if constexpr (AlsoInvalidValue)
            return INVALID_HANDLE_VALUE;
        else
            return nullptr;
    }
    static bool Valid(T h) {
        if constexpr (AlsoInvalidValue)
            return h != nullptr && h != INVALID_HANDLE_VALUE;
        else
            return h != nullptr;
    }
    static void Close(T h) { CloseFn(h); }
};

// Kernel objects (files, mutexes, processes, snapshots).
using UniqueHandle = UniqueResource<HANDLE, HandleTraits<HANDLE, &::CloseHandle, true>>;
using FindHandle = UniqueResource<HANDLE, HandleTraits<HANDLE, &::FindClose, true>>;
using RegKey = UniqueResource<HKEY, HandleTraits<HKEY, &::RegCloseKey>>;
using ModuleHandle = UniqueResource<HMODULE, HandleTraits<HMODULE, &::FreeLibrary>>;
// User and GDI objects.
using IconHandle = UniqueResource<HICON, HandleTraits<HICON, &::DestroyIcon>>;
using MenuHandle = UniqueResource<HMENU, HandleTraits<HMENU, &::DestroyMenu>>;
using FontHandle = UniqueResource<HFONT, HandleTraits<HFONT, &::DeleteObject>>;
using BitmapHandle = UniqueResource<HBITMAP, HandleTraits<HBITMAP, &::DeleteObject>>;
using BrushHandle = UniqueResource<HBRUSH, HandleTraits<HBRUSH, &::DeleteObject>>;

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

// COM for the calling thread from the first call on until the thread ends;
// every caller of the shell and of COM objects calls it first. The window
// program has no ComInit of its own: a start that resolves no link and opens
// no dialog never loads COM. A thread with COM already counts it up; one in
// another apartment keeps it.
inline void EnsureComApartment() {
    thread_local const ComInit apartment;
}

} // namespace qv
