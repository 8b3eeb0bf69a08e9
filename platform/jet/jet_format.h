// Offsets and codes of the Jet 4 file layout shared by the reader and the
// writer. The field tables are in doc/formats/jet4.md.
#pragma once

#include <cstddef>
#include <cstdint>

namespace yq::jet {

// Page 0: database header.
inline constexpr size_t kHeaderMagicAt = 0x04;  // "Standard Jet DB\0"
inline constexpr size_t kHeaderVersionAt = 0x14;
inline constexpr uint8_t kJet4Version = 1;
inline constexpr size_t kHeaderMaskAt = 0x18;  // 128 bytes XOR-ed with a fixed RC4 stream
inline constexpr size_t kHeaderMaskLen = 128;
inline constexpr size_t kHeaderCodePageAt = 0x3C;
inline constexpr size_t kHeaderDbKeyAt = 0x3E;
inline constexpr size_t kHeaderPasswordAt = 0x42;
inline constexpr size_t kHeaderPasswordLen = 40;
inline constexpr size_t kHeaderUnknown6aAt = 0x6A;
inline constexpr size_t kHeaderSortOrderAt = 0x6E;
inline constexpr size_t kHeaderCreatedAt = 0x72;

// Page types (first byte).
inline constexpr uint8_t kPageData = 0x01;
inline constexpr uint8_t kPageTdef = 0x02;
inline constexpr uint8_t kPageUsageBitmap = 0x05;

// Data pages.
inline constexpr size_t kDataFreeSpaceAt = 0x02;
inline constexpr size_t kDataOwnerAt = 0x04;
inline constexpr size_t kDataRowCountAt = 0x0C;
inline constexpr size_t kDataSlotsAt = 0x0E;
inline constexpr uint16_t kRowOffsetMask = 0x1FFF;
inline constexpr uint16_t kRowDeletedOrMoved = 0x4000;  // deleted, or a pointer to moved data
inline constexpr uint32_t kMaxRowsPerPage = 255;        // row numbers are one byte
inline constexpr size_t kEmptyPageFree = 4096 - kDataSlotsAt;

// Table definition pages.
inline constexpr size_t kTdefFreeAt = 0x02;
inline constexpr size_t kTdefNextPageAt = 0x04;
inline constexpr size_t kTdefLengthAt = 0x08;
inline constexpr size_t kTdefContinuationAt = 8;  // continuation pages add their bytes from here
inline constexpr size_t kTdefMagicAt = 0x0C;
inline constexpr size_t kTdefRowCountAt = 0x10;
inline constexpr size_t kTdefAutonumberAt = 0x14;
inline constexpr size_t kTdefAutonumberFlagAt = 0x18;
inline constexpr size_t kTdefTableTypeAt = 0x28;
inline constexpr size_t kTdefMaxColsAt = 0x29;
inline constexpr size_t kTdefNumVarColsAt = 0x2B;
inline constexpr size_t kTdefNumColsAt = 0x2D;
inline constexpr size_t kTdefNumIdxAt = 0x2F;
inline constexpr size_t kTdefNumRealIdxAt = 0x33;
inline constexpr size_t kTdefOwnedMapAt = 0x37;
inline constexpr size_t kTdefFreeMapAt = 0x3B;
inline constexpr size_t kTdefHeaderSize = 0x3F;
inline constexpr size_t kRealIndexStubSize = 12;
inline constexpr uint32_t kTdefMagic = 1625;

inline constexpr size_t kColumnDescriptorSize = 25;
inline constexpr size_t kColTypeAt = 0;
inline constexpr size_t kColMagicAt = 1;
inline constexpr size_t kColNumberAt = 5;
inline constexpr size_t kColVarIndexAt = 7;
inline constexpr size_t kColNumber2At = 9;
inline constexpr size_t kColSortOrderAt = 11;
inline constexpr size_t kColFlagsAt = 15;
inline constexpr size_t kColExtraFlagsAt = 16;
inline constexpr size_t kColFixedOffsetAt = 21;
inline constexpr size_t kColLengthAt = 23;

// Long values (Memo, OLE): 12-byte header in the row.
inline constexpr size_t kLongValueHeaderSize = 12;
inline constexpr uint8_t kLongValueInline = 0x80;
inline constexpr uint8_t kLongValueSingle = 0x40;
inline constexpr uint8_t kLongValueChain = 0x00;

// Usage maps.
inline constexpr uint8_t kUsageMapInline = 0x00;
inline constexpr uint8_t kUsageMapReference = 0x01;
inline constexpr uint32_t kPagesPerBitmapPage = (4096 - 4) * 8;

// System catalogue.
inline constexpr uint32_t kCatalogueTdefPage = 2;
inline constexpr int64_t kObjectTable = 1;
inline constexpr uint32_t kSystemObjectFlags = 0x80000002u;

// XORs the 128 masked header bytes with the RC4 stream of the fixed key
// C7 DA 39 6B (masking and unmasking are the same operation).
inline void apply_header_mask(uint8_t* bytes) {
    static const uint8_t key[4] = {0xC7, 0xDA, 0x39, 0x6B};
    uint8_t s[256];
    for (int i = 0; i < 256; ++i) s[i] = uint8_t(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % 4]) & 0xFF;
        uint8_t t = s[i];
        s[i] = s[j];
        s[j] = t;
    }
    for (size_t n = 0, i = 0, j = 0; n < kHeaderMaskLen; ++n) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        uint8_t t = s[i];
        s[i] = s[j];
        s[j] = t;
        bytes[n] ^= s[(s[i] + s[j]) & 0xFF];
    }
}

}  // namespace yq::jet
