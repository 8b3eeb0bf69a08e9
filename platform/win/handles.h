// Small move-only owners of Win32 handles, so that every exit path releases them.
#pragma once

#include <windows.h>

#include <utility>

namespace yq::win {

template <typename T, typename Traits>
class Unique {
  public:
    Unique() = default;
    explicit Unique(T h) : h_(h) {}
    Unique(Unique&& o) noexcept : h_(std::exchange(o.h_, Traits::invalid())) {}
    Unique& operator=(Unique&& o) noexcept {
        if (this != &o) reset(std::exchange(o.h_, Traits::invalid()));
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    ~Unique() { reset(); }

    T get() const { return h_; }
    explicit operator bool() const { return h_ != Traits::invalid(); }
    T release() { return std::exchange(h_, Traits::invalid()); }
    void reset(T h = Traits::invalid()) {
        if (h_ != Traits::invalid()) Traits::close(h_);
        h_ = h;
    }

  private:
    T h_ = Traits::invalid();
};

struct FileTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { CloseHandle(h); }
};
struct HandleTraits {
    static HANDLE invalid() { return nullptr; }
    static void close(HANDLE h) { CloseHandle(h); }
};
template <typename G>
struct GdiTraits {
    static G invalid() { return nullptr; }
    static void close(G h) { DeleteObject(h); }
};
struct MemDcTraits {
    static HDC invalid() { return nullptr; }
    static void close(HDC h) { DeleteDC(h); }
};
struct RegKeyTraits {
    static HKEY invalid() { return nullptr; }
    static void close(HKEY h) { RegCloseKey(h); }
};

using UniqueFile = Unique<HANDLE, FileTraits>;      // CreateFile results
using UniqueHandle = Unique<HANDLE, HandleTraits>;  // threads, events
using UniqueFont = Unique<HFONT, GdiTraits<HFONT>>;
using UniqueBitmap = Unique<HBITMAP, GdiTraits<HBITMAP>>;
using UniqueBrush = Unique<HBRUSH, GdiTraits<HBRUSH>>;
using UniquePen = Unique<HPEN, GdiTraits<HPEN>>;
using UniqueRegion = Unique<HRGN, GdiTraits<HRGN>>;
using UniqueMemDc = Unique<HDC, MemDcTraits>;
using UniqueRegKey = Unique<HKEY, RegKeyTraits>;

// A window DC from GetDC, released with ReleaseDC.
class WindowDc {
  public:
    explicit WindowDc(HWND w) : w_(w), dc_(GetDC(w)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(w_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

  private:
    HWND w_;
    HDC dc_;
};

// Selects an object into a DC for the life of the scope.
class Selected {
  public:
    Selected(HDC dc, HGDIOBJ obj) : dc_(dc), old_(obj ? SelectObject(dc, obj) : nullptr) {}
    ~Selected() {
        if (old_) SelectObject(dc_, old_);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

  private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace yq::win
