// The zt container: the wrapping of every file the catalogue server sends.
// Layout (doc/formats/zt-container.md): magic 0D 0F 3E 03, a signed 32-bit
// little-endian stored length, then one zlib stream.
//
//   zt_unpack         a container in memory into bytes in memory (pictures, fonts)
//   zt_unpack_stream  a container from a reader into a writer, in bounded memory
//                     (the catalogue database, tens of megabytes)
//   zt_pack           bytes into a container
//
// Both unpackers apply the same rules, in one place: a container is refused
// when it is not one (fewer than 8 bytes, another magic), when twice its
// stored length (in 32-bit two's complement) is 0 or negative, when its
// inflated data would exceed that doubled length or the caller's cap, and
// when its stream is damaged (not zlib, a wrong check value, an end before
// the last block). Bytes after the end of the stream are ignored. A refusal
// is a failed Status: kNotRecognised (not a container), kCorrupt (a stored
// length out of range, a damaged stream), kTooLarge (past a cap),
// kReadFailed and kWriteFailed (the caller's reader or writer failed); its
// message is a short English text for the program's log.
#pragma once

#include <cstdint>
#include <functional>

#include "base/bytes.h"
#include "base/status.h"

namespace yq {

inline constexpr uint32_t kZtMagic = 0x033E0F0D;

// The streaming unpacker reads the container in pieces of this size and
// inflates into a window of this size; with zlib's inflate state (about
// 7 KiB and its 32 KiB window) it never holds more than
// kZtStreamMemoryBytes, whatever the container claims or holds.
inline constexpr size_t kZtStreamChunkBytes = size_t{64} << 10;
inline constexpr size_t kZtStreamMemoryBytes = 2 * kZtStreamChunkBytes + (size_t{48} << 10);

// Fills up to `capacity` bytes at `data` with the next bytes of the
// container: the count given, 0 at its end, or -1 when reading failed.
using ZtReader = std::function<int64_t(uint8_t* data, size_t capacity)>;
// Takes the next `size` bytes of the unpacked data, in order; false stops
// the unpack (kWriteFailed).
using ZtWriter = std::function<bool(const uint8_t* data, size_t size)>;

// How a streaming unpack ended. A failed status means the data is not to be
// used, though the writer may have been given part of it already.
struct ZtStreamResult {
    Status status;         // ok when the whole stream inflated within the caps
    uint64_t written = 0;  // bytes given to the writer, never more than the caps
};

// Unpacks the container `read` gives into `write`, at most `max_output`
// bytes. The writer never receives a byte past the caps: a stream that
// would go on is refused (kTooLong) at the window that passes them.
ZtStreamResult zt_unpack_stream(const ZtReader& read, const ZtWriter& write, uint64_t max_output);

// The unpacked bytes (perhaps none), or why the container is refused (see
// above). `max_output` is the most the caller can use. Memory grows with the data actually
// inflated, never with the claimed length, and never past max_output: a small stream that inflates
// to gigabytes stops there.
Result<Bytes> zt_unpack(ByteSpan container, size_t max_output);

// Packs bytes into a container whose stored length is their size. Inputs of
// 0x40000000 bytes or more cannot be unpacked again and give an empty result.
Bytes zt_pack(ByteSpan data, int level = 9);

}  // namespace yq
