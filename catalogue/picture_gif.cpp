#include "catalogue/picture_decoding.h"

#include <vector>

// GIF: the first image of the file, its LZW stream and colour tables.
namespace yq {
namespace {

using namespace picture_decoding;

constexpr int kLzwMaxCodes = 4096;
constexpr int kLzwMaxBits = 12;

// Sub-blocks (length byte, then that many bytes) up to the empty block.
// Appends their bytes to `out` when given; false when the data ends first.
bool read_sub_blocks(ByteReader& r, Bytes* out) {
    while (true) {
        uint8_t n = r.u8();
        if (!r.ok()) return false;
        if (n == 0) return true;
        ByteSpan block = r.bytes(n);
        if (!r.ok()) return false;
        if (out) out->insert(out->end(), block.begin(), block.end());
    }
}

// Decodes `count` colour indices from an LZW stream. More codes than needed
// are ignored; fewer pixels than needed, or a code the table cannot hold yet,
// fail.
bool lzw_decode(ByteSpan stream, int min_bits, size_t count, Bytes& out) {
    if (min_bits < 1 || min_bits > 8) return false;
    const int clear = 1 << min_bits, end = clear + 1;
    std::vector<uint16_t> prefix(kLzwMaxCodes);
    std::vector<uint8_t> suffix(kLzwMaxCodes), first(kLzwMaxCodes);
    std::vector<uint16_t> length(kLzwMaxCodes);
    for (int i = 0; i < clear; ++i) {
        suffix[i] = first[i] = static_cast<uint8_t>(i);
        length[i] = 1;
    }
    out.clear();
    out.reserve(count);

    int bits = min_bits + 1, next = clear + 2, prev = -1;
    uint32_t acc = 0;
    int acc_bits = 0;
    size_t pos = 0;
    uint8_t stack[kLzwMaxCodes];
    while (out.size() < count) {
        while (acc_bits < bits && pos < stream.size()) {
            acc |= uint32_t{stream[pos++]} << acc_bits;
            acc_bits += 8;
        }
        if (acc_bits < bits) break;
        int code = static_cast<int>(acc & ((1u << bits) - 1));
        acc >>= bits;
        acc_bits -= bits;

        if (code == clear) {
            bits = min_bits + 1;
            next = clear + 2;
            prev = -1;
            continue;
        }
        if (code == end) break;
        if (prev < 0) {
            if (code > clear) return false;
            out.push_back(static_cast<uint8_t>(code));
            prev = code;
            continue;
        }
        int emit = code;
        uint8_t head;
        if (code < next) {
            head = first[code];
        } else if (code == next && next < kLzwMaxCodes) {
            head = first[prev];
        } else {
            return false;
        }
        if (next < kLzwMaxCodes) {
            prefix[next] = static_cast<uint16_t>(prev);
            suffix[next] = head;
            first[next] = first[prev];
            length[next] = static_cast<uint16_t>(length[prev] + 1);
            ++next;
            if (next == (1 << bits) && bits < kLzwMaxBits) ++bits;
        }
        // Walk the string of `emit` backwards into the stack, then copy it out.
        int n = length[emit], c = emit;
        for (int i = n - 1; i >= 0; --i) {
            stack[i] = suffix[c];
            c = prefix[c];
        }
        size_t take = std::min<size_t>(n, count - out.size());
        out.insert(out.end(), stack, stack + take);
        prev = code;
    }
    return out.size() == count;
}

bool read_colour_table(ByteReader& r, int size_bits, std::vector<uint32_t>& table) {
    size_t n = size_t{1} << (size_bits + 1);
    table.resize(n);
    for (size_t i = 0; i < n; ++i) {
        uint8_t red = r.u8(), g = r.u8(), b = r.u8();
        table[i] = rgb(red, g, b);
    }
    return r.ok();
}

}  // namespace

Picture decode_gif(ByteSpan data) {
    if (sniff_picture(data) != PictureFormat::Gif) return failed();
    ByteReader r(data);
    r.seek(6);
    int64_t screen_w = r.u16le(), screen_h = r.u16le();
    uint8_t flags = r.u8();
    r.skip(2);  // background colour, aspect ratio
    std::vector<uint32_t> global;
    if ((flags & 0x80) && !read_colour_table(r, flags & 7, global)) return failed();
    if (!r.ok()) return failed();

    int transparent = -1;
    bool decoded = false;
    Picture p;
    while (true) {
        uint8_t block = r.u8();
        if (!r.ok()) return failed();
        if (block == 0x3B) break;  // trailer
        if (block == 0x21) {
            uint8_t label = r.u8();
            if (label == 0xF9 && !decoded) {
                Bytes gce;
                if (!read_sub_blocks(r, &gce)) return failed();
                transparent = gce.size() >= 4 && (gce[0] & 1) ? gce[3] : -1;
            } else if (!read_sub_blocks(r, nullptr)) {
                return failed();
            }
            continue;
        }
        if (block != 0x2C) return failed();

        int64_t left = r.u16le(), top = r.u16le(), w = r.u16le(), h = r.u16le();
        uint8_t image_flags = r.u8();
        std::vector<uint32_t> local;
        if ((image_flags & 0x80) && !read_colour_table(r, image_flags & 7, local)) return failed();
        uint8_t min_bits = r.u8();
        Bytes stream;
        if (!r.ok() || !read_sub_blocks(r, decoded ? nullptr : &stream)) return failed();
        if (decoded) continue;  // later frames are only walked past

        const std::vector<uint32_t>& table = local.empty() ? global : local;
        if (table.empty() || w < 1 || h < 1 || w > kMaxPictureWidth || h > kMaxPictureHeight)
            return failed();
        int64_t canvas_w = screen_w ? screen_w : left + w;
        int64_t canvas_h = screen_h ? screen_h : top + h;
        if (!make_canvas(canvas_w, canvas_h, p)) return failed();
        Bytes indices;
        if (!lzw_decode(stream, min_bits, static_cast<size_t>(w * h), indices)) return failed();

        // Interlaced rows come in four passes: every 8th from 0, every 8th
        // from 4, every 4th from 2, every 2nd from 1.
        std::vector<int64_t> rows;
        rows.reserve(static_cast<size_t>(h));
        if (image_flags & 0x40) {
            static const int kPassStart[4] = {0, 4, 2, 1}, kPassStep[4] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int64_t y = kPassStart[pass]; y < h; y += kPassStep[pass]) rows.push_back(y);
        } else {
            for (int64_t y = 0; y < h; ++y) rows.push_back(y);
        }
        for (int64_t row = 0; row < h; ++row) {
            for (int64_t x = 0; x < w; ++x) {
                uint8_t index = indices[static_cast<size_t>(row * w + x)];
                if (index == transparent) continue;
                put(p, left + x, top + rows[row], index < table.size() ? table[index] : kBlack);
            }
        }
        decoded = true;
    }
    return decoded ? p : failed();
}

}  // namespace yq
