// Any bytes opened as a database: every table, row and column is read.
#include "platform/jet/jet_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string err;
    auto db = yq::jet::Database::open_memory(yq::Bytes(data, data + size), &err);
    if (!db) {
        if (err.empty()) __builtin_trap();  // a failure always says why
        return 0;
    }
    for (const std::u16string& name : db->table_names()) {
        auto t = db->open_table(name, &err);
        if (!t) continue;
        yq::jet::Field f;
        for (t->move_first(); !t->eof(); t->move_next())
            for (size_t c = 0; c < t->columns().size(); ++c)
                if (!t->read(c, f) && t->error().empty()) __builtin_trap();
        if (t->record_count() > 0) {
            t->move_to(t->record_count() - 1);
            t->text(u"x");
        }
    }
    return 0;
}
