// The zt container: the wrapping of every file the catalogue server sends.
// Layout (doc/formats/zt-container.md): magic 0D 0F 3E 03, a signed 32-bit
// little-endian stored length, then one zlib stream.
#pragma once

#include "base/bytes.h"

namespace yq {

inline constexpr uint32_t kZtMagic = 0x033E0F0D;

// The unpacked bytes, or an empty result when the input is not a container,
// the stream is damaged, or the inflated data would exceed twice the stored
// length (computed in 32-bit two's complement; 0 or negative gives nothing)
// or `max_output`, the most the caller can use. Memory grows with the data
// actually inflated, never with the claimed length, and never past
// max_output: a small stream that inflates to gigabytes stops there.
Bytes zt_unpack(ByteSpan container, size_t max_output);

// Packs bytes into a container whose stored length is their size. Inputs of
// 0x40000000 bytes or more cannot be unpacked again and give an empty result.
Bytes zt_pack(ByteSpan data, int level = 9);

}  // namespace yq
