// The stored record of the program's own installs: the input as it stands,
// and sealed with its own checksum so that the record parser is reached.
#include <zlib.h>

#include <string>

#include "fonts/install_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    yq::InstallRecords records;
    yq::parse_install_records(yq::ByteSpan(data, size), records);

    std::string sealed(reinterpret_cast<const char*>(data), size);
    uLong crc = crc32(0L, data, static_cast<uInt>(size));
    for (int i = 0; i < 4; ++i) sealed.push_back(static_cast<char>(crc >> (8 * i) & 0xFF));
    if (yq::parse_install_records(yq::as_span(sealed), records)) {
        // What was accepted must store and read back record for record.
        yq::InstallRecords again;
        if (!yq::parse_install_records(yq::as_span(yq::serialize_install_records(records)),
                                       again) ||
            again.all().size() != records.all().size()) {
            __builtin_trap();
        }
        for (const yq::InstallRecord& r : records.all()) {
            const yq::InstallRecord* back = again.find_value(r.scope, r.value_name);
            if (!back || back->file_name != r.file_name || back->size != r.size ||
                back->digest != r.digest) {
                __builtin_trap();
            }
        }
    }
    // The value-name reader sees any bytes a registry value may hold.
    yq::faces_of_value_name(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
