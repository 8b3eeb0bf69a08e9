// Fuzzes what a client controls: the request target (path and /text.php
// query), the Range header, and the --fault argument parser. Input lines:
// target, Range value, fault mode text. Invariants are checked, not just crashes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "server/lib/byte_range.h"
#include "server/lib/faults.h"
#include "server/lib/request_target.h"
#include "server/lib/text_query.h"

using namespace yq::server;

static void check(bool ok) {
    if (!ok) __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    std::string_view parts[3];
    for (int i = 0; i < 3; ++i) {
        size_t nl = in.find('\n');
        parts[i] = in.substr(0, nl);
        in = nl == std::string_view::npos ? std::string_view() : in.substr(nl + 1);
    }

    ResolvedTarget t = resolve_target(parts[0]);
    std::string file = resource_file(t);
    // Whatever the target, the file named stays inside the published folder.
    check(file.find("..") == std::string::npos);
    check(file.empty() ||
          (file[0] != '/' && file.find('\\') == std::string::npos &&
           file.find('\0') == std::string::npos && file.find(':') == std::string::npos));
    if (t.resource == Resource::TextPreview) {
        TextQueryResult q = parse_text_query(t.query);
        check(q.query.has_value() != !q.error.empty());
        if (q.query) {
            check(q.query->size >= kMinTextSize && q.query->size <= kMaxTextSize);
            check(!q.query->font_name.empty());
        }
    }
    // The query parser also on its own, with whatever bytes come.
    TextQueryResult q = parse_text_query(parts[0]);
    check(q.query.has_value() != !q.error.empty());

    const uint64_t body_size = parts[1].size() * 997u;
    RangeDecision d = decide_range(parts[1], body_size);
    if (d.kind == RangeKind::Partial) check(d.first <= d.last && d.last < body_size);

    std::string error;
    std::optional<Fault> f = parse_fault(parts[2], &error);
    check(f.has_value() || !error.empty());
    if (f) check(!f->prefix.empty() && f->prefix[0] == '/');
    return 0;
}
