#include "tools/win/picture_reencode.h"

#include <memory>

#include "platform/win/gdiplus.h"

namespace yq {
namespace {

// The encoders' class identifiers, by format number 1..5.
const CLSID kEncoders[] = {
    {0x557cf400, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}},  // BMP
    {0x557cf401, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}},  // JPEG
    {0x557cf402, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}},  // GIF
    {0x557cf405, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}},  // TIFF
    {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}},  // PNG
};

struct StreamRelease {
    void operator()(IStream* s) const { s->Release(); }
};
using Stream = std::unique_ptr<IStream, StreamRelease>;

// A memory stream holding a copy of `bytes`, positioned at its start.
Stream stream_of(const std::string& bytes) {
    IStream* s = nullptr;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &s))) return nullptr;
    Stream stream(s);
    ULONG written = 0;
    if (FAILED(s->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written)) ||
        written != bytes.size()) {
        return nullptr;
    }
    LARGE_INTEGER zero{};
    s->Seek(zero, STREAM_SEEK_SET, nullptr);
    return stream;
}

std::string bytes_of(IStream* s) {
    STATSTG st{};
    if (FAILED(s->Stat(&st, STATFLAG_NONAME)) || st.cbSize.QuadPart > (1u << 30)) return "";
    std::string out(static_cast<size_t>(st.cbSize.QuadPart), '\0');
    LARGE_INTEGER zero{};
    s->Seek(zero, STREAM_SEEK_SET, nullptr);
    ULONG got = 0;
    if (FAILED(s->Read(out.data(), static_cast<ULONG>(out.size()), &got)) || got != out.size())
        return "";
    return out;
}

bool acceptable(Gdiplus::Bitmap& picture) {
    if (picture.GetLastStatus() != Gdiplus::Ok) return false;
    const UINT w = picture.GetWidth(), h = picture.GetHeight();
    return w > 0 && h > 0 && w <= kMaxPictureSide && h <= kMaxPictureSide &&
           uint64_t{w} * h <= kMaxPicturePixels;
}

}  // namespace

std::string reencode_picture(const std::string& bytes, PictureFormat format) {
    const int k = static_cast<int>(format);
    if (bytes.empty() || k < 1 || k > 5) return "";
    Stream in = stream_of(bytes);
    IStream* out_raw = nullptr;
    if (!in || FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &out_raw))) return "";
    Stream out(out_raw);
    Gdiplus::Bitmap picture(in.get(), FALSE);
    if (!acceptable(picture) || picture.Save(out.get(), &kEncoders[k - 1], nullptr) != Gdiplus::Ok)
        return "";
    return bytes_of(out.get());
}

HBITMAP bitmap_from_bmp(const std::string& bmp) {
    Stream in = stream_of(bmp);
    if (!in) return nullptr;
    Gdiplus::Bitmap picture(in.get(), FALSE);
    HBITMAP bitmap = nullptr;
    if (!acceptable(picture) ||
        picture.GetHBITMAP(Gdiplus::Color(255, 255, 255, 255), &bitmap) != Gdiplus::Ok) {
        return nullptr;
    }
    return bitmap;
}

}  // namespace yq
