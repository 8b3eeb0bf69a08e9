// The stored face-name cache: the input as it stands, and sealed with its
// own checksum so that the record parser is reached past the CRC.
#include <zlib.h>

#include <string>

#include "fonts/face_cache.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    yq::FaceCache cache;
    yq::parse_face_cache(yq::ByteSpan(data, size), cache);

    std::string sealed(reinterpret_cast<const char*>(data), size);
    uLong crc = crc32(0L, data, static_cast<uInt>(size));
    for (int i = 0; i < 4; ++i) sealed.push_back(static_cast<char>(crc >> (8 * i) & 0xFF));
    if (yq::parse_face_cache(yq::as_span(sealed), cache)) {
        // What was accepted must store and read back the same.
        yq::FaceCache again;
        if (!yq::parse_face_cache(yq::as_span(yq::serialize_face_cache(cache)), again) ||
            again.size() != cache.size()) {
            __builtin_trap();
        }
        for (const auto& [path, entry] : cache) {
            auto it = again.find(path);
            if (it == again.end() || it->second.face != entry.face ||
                it->second.size != entry.size || it->second.write_time != entry.write_time ||
                it->second.coverage_counted != entry.coverage_counted ||
                !(it->second.coverage == entry.coverage) ||
                it->second.licence_read != entry.licence_read ||
                !(it->second.licence == entry.licence)) {
                __builtin_trap();
            }
        }
    }
    return 0;
}
