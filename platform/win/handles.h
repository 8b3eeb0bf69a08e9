// Small move-only owners of Win32 handles, so that every exit path releases them.
#pragma once

#include <windows.h>

#include <cstdint>
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

// A top-down 32-bit DIB section of w x h pixels, its pixels (BGRA rows, no
// padding) in `bits`; empty, with `bits` null, when it cannot be made.
inline UniqueBitmap make_dib_section(int w, int h, uint8_t*& bits) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // negative: rows top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* p = nullptr;
    UniqueBitmap dib(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &p, nullptr, 0));
    bits = dib && p ? static_cast<uint8_t*>(p) : nullptr;
    if (!bits) dib.reset();
    return dib;
}

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

// BeginPaint and EndPaint around a WM_PAINT handler.
class PaintDc {
  public:
    explicit PaintDc(HWND w) : w_(w), dc_(BeginPaint(w, &ps_)) {}
    ~PaintDc() { EndPaint(w_, &ps_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    HDC get() const { return dc_; }
    const RECT& area() const { return ps_.rcPaint; }

  private:
    HWND w_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

struct MenuTraits {
    static HMENU invalid() { return nullptr; }
    static void close(HMENU h) { DestroyMenu(h); }
};
using UniqueMenu = Unique<HMENU, MenuTraits>;  // CreatePopupMenu results

// A COM interface pointer, released when it goes.
template <typename T>
class ComPtr {
  public:
    ComPtr() = default;
    explicit ComPtr(T* p) : p_(p) {}
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) reset(std::exchange(o.p_, nullptr));
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { reset(); }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For functions that hand out a new pointer: releases the old one first.
    T** out() {
        reset();
        return &p_;
    }
    void reset(T* p = nullptr) {
        if (p_) p_->Release();
        p_ = p;
    }

  private:
    T* p_ = nullptr;
};

// The program's fonts: a face at a pixel height (negative: character
// height, as CreateFont takes it), GB2312 character set.
struct FontSpec {
    const char* face = "宋体";
    int height = -12;
    int weight = FW_NORMAL;
    BYTE quality = DEFAULT_QUALITY;
};
inline HFONT make_font(const FontSpec& spec) {
    LOGFONTA lf{};
    lf.lfHeight = spec.height;
    lf.lfWeight = spec.weight;
    lf.lfCharSet = GB2312_CHARSET;
    lf.lfQuality = spec.quality;
    lstrcpynA(lf.lfFaceName, spec.face, LF_FACESIZE);
    return CreateFontIndirectA(&lf);
}

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
