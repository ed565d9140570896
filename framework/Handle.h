#pragma once

#include <windows.h>
#include <wininet.h>

#include <utility>

namespace framework {

// Owns one handle of the kind that Traits describes and closes it exactly
// once: when the owner is destroyed, reset or assigned another handle.
// Traits gives `invalid()` (the value that owns nothing) and `close(h)`.
template <class Traits> class UniqueHandle {
public:
    using Type = decltype(Traits::invalid());

    UniqueHandle() = default;
    explicit UniqueHandle(Type handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Type get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::invalid(); }

    // For out-parameters of API calls: frees what is held, then exposes the
    // storage for the call to fill.
    Type* put() {
        reset();
        return &handle_;
    }

    Type release() { return std::exchange(handle_, Traits::invalid()); }

    void reset(Type handle = Traits::invalid()) {
        Type old = std::exchange(handle_, handle);
        if (old != Traits::invalid())
            Traits::close(old);
    }

private:
    Type handle_ = Traits::invalid();
};

struct KernelHandleTraits {
    static HANDLE invalid() { return nullptr; }
    static void close(HANDLE h) { CloseHandle(h); }
};
// Handles that the system reports as INVALID_HANDLE_VALUE when there is none
// (snapshots, files).
struct FileHandleTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { CloseHandle(h); }
};
struct RegKeyTraits {
    static HKEY invalid() { return nullptr; }
    static void close(HKEY h) { RegCloseKey(h); }
};
template <class T> struct GdiObjectTraits {
    static T invalid() { return nullptr; }
    static void close(T h) { DeleteObject(h); }
};
// Memory device contexts (CreateCompatibleDC); not those of GetDC.
struct MemoryDcTraits {
    static HDC invalid() { return nullptr; }
    static void close(HDC h) { DeleteDC(h); }
};
struct IconTraits {
    static HICON invalid() { return nullptr; }
    static void close(HICON h) { DestroyIcon(h); }
};
struct MenuTraits {
    static HMENU invalid() { return nullptr; }
    static void close(HMENU h) { DestroyMenu(h); }
};
struct ModuleTraits {
    static HMODULE invalid() { return nullptr; }
    static void close(HMODULE h) { FreeLibrary(h); }
};

struct ServiceHandleTraits {
    static SC_HANDLE invalid() { return nullptr; }
    static void close(SC_HANDLE h) { CloseServiceHandle(h); }
};
struct InternetHandleTraits {
    static HINTERNET invalid() { return nullptr; }
    static void close(HINTERNET h) { InternetCloseHandle(h); }
};
// An enumeration of the URL cache (FindFirstUrlCacheEntry).
struct UrlCacheFindTraits {
    static HANDLE invalid() { return nullptr; }
    static void close(HANDLE h) { FindCloseUrlCache(h); }
};
// A directory search (FindFirstFile).
struct FindTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { FindClose(h); }
};

using KernelHandle = UniqueHandle<KernelHandleTraits>;
using FileHandle = UniqueHandle<FileHandleTraits>;
using RegKey = UniqueHandle<RegKeyTraits>;
using Brush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using Font = UniqueHandle<GdiObjectTraits<HFONT>>;
using Bitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using Pen = UniqueHandle<GdiObjectTraits<HPEN>>;
using MemoryDc = UniqueHandle<MemoryDcTraits>;
using Icon = UniqueHandle<IconTraits>;
using Menu = UniqueHandle<MenuTraits>;
using Module = UniqueHandle<ModuleTraits>;
using ServiceHandle = UniqueHandle<ServiceHandleTraits>;
using InternetHandle = UniqueHandle<InternetHandleTraits>;
using FindHandle = UniqueHandle<FindTraits>;
using UrlCacheFind = UniqueHandle<UrlCacheFindTraits>;

} // namespace framework
