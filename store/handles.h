// Move-only owners for the Win32 handles the programs touch. Each releases its handle exactly once.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <utility>

namespace tarnwick {

template <typename T, auto Close>
class UniqueAny {
  public:
    UniqueAny() = default;
    explicit UniqueAny(T value) : value_(value) {}
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    UniqueAny(UniqueAny&& other) noexcept : value_(std::exchange(other.value_, Invalid)) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        if (this != &other) reset(std::exchange(other.value_, Invalid));
        return *this;
    }
    ~UniqueAny() { reset(); }

    T get() const { return value_; }
    explicit operator bool() const { return value_ != Invalid; }
    // For out-parameters: releases what is held and hands out the slot.
    T* put() {
        reset();
        return &value_;
    }
    T release() { return std::exchange(value_, Invalid); }
    void reset(T value = Invalid) {
        if (value_ != Invalid) Close(value_);
        value_ = value;
    }

  private:
    static constexpr T Invalid = T{};
    T value_ = Invalid;
};

namespace detail {
inline void CloseKey(HKEY key) {
    ::RegCloseKey(key);
}
inline void CloseHandle(HANDLE h) {
    ::CloseHandle(h);
}
inline void CloseFind(HANDLE h) {
    ::FindClose(h);
}
inline void FreePidl(PIDLIST_ABSOLUTE p) {
    ::CoTaskMemFree(p);
}
inline void FreeLocal(wchar_t* p) {
    ::LocalFree(p);
}
inline void FreeSid(PSID p) {
    ::FreeSid(p);
}
inline void FreeLocalMemory(HLOCAL p) {
    ::LocalFree(p);
}
inline void ReleaseAndCloseMutex(HANDLE h) {
    ::ReleaseMutex(h);
    ::CloseHandle(h);
}
}  // namespace detail

using UniqueHKey = UniqueAny<HKEY, detail::CloseKey>;
using UniqueHandle = UniqueAny<HANDLE, detail::CloseHandle>;
using UniqueFind = UniqueAny<HANDLE, detail::CloseFind>;

// FindFirstFile and CreateFile report failure as INVALID_HANDLE_VALUE, the owners above as null.
inline HANDLE NullIfInvalid(HANDLE h) {
    return h == INVALID_HANDLE_VALUE ? nullptr : h;
}
using UniquePidl = UniqueAny<PIDLIST_ABSOLUTE, detail::FreePidl>;
// Text the system allocated with LocalAlloc (a SID's string form).
using UniqueLocalText = UniqueAny<wchar_t*, detail::FreeLocal>;
// A SID from AllocateAndInitializeSid.
using UniqueSid = UniqueAny<PSID, detail::FreeSid>;
// A security descriptor the system allocated with LocalAlloc (made from SDDL text, or read).
using UniqueSecurityDescriptor = UniqueAny<PSECURITY_DESCRIPTOR, detail::FreeLocalMemory>;
// A mutex that this thread owns: released, then closed. Closing the handle alone would leave the
// mutex owned until the thread ends.
using OwnedMutex = UniqueAny<HANDLE, detail::ReleaseAndCloseMutex>;

// A COM interface pointer: Release on destruction.
template <typename I>
class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    ~ComPtr() { reset(); }
    I* get() const { return p_; }
    I* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    I** put() {
        reset();
        return &p_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }
    void reset() {
        if (p_) std::exchange(p_, nullptr)->Release();
    }

  private:
    I* p_ = nullptr;
};

// COM for the lifetime of a scope (shortcuts and the shell's "Open" verb need it).
class ComScope {
  public:
    ComScope()
        : hr_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() {
        if (SUCCEEDED(hr_)) ::CoUninitialize();
    }

  private:
    HRESULT hr_;
};

}  // namespace tarnwick
