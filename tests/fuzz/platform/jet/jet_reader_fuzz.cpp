// Any bytes opened as a database: every table, row and column is read.
#include "platform/jet/jet_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto opened = yq::jet::Database::open_memory(yq::Bytes(data, data + size));
    if (!opened) {
        if (opened.status().message().empty()) __builtin_trap();  // a failure always says why
        return 0;
    }
    yq::jet::Database& db = **opened;
    for (const std::u16string& name : db.table_names()) {
        auto table = db.open_table(name);
        if (!table) continue;
        yq::jet::Table& t = **table;
        yq::jet::Field f;
        for (t.move_first(); !t.eof(); t.move_next())
            for (size_t c = 0; c < t.columns().size(); ++c) {
                yq::Status read = t.read(c, f);
                if (!read.ok() && read.message().empty()) __builtin_trap();
            }
        if (t.record_count() > 0) {
            t.move_to(t.record_count() - 1);
            t.text(u"x");
        }
    }
    return 0;
}
