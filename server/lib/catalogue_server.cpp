#include "server/lib/catalogue_server.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <httplib.h>

#include <ctime>
#include <map>
#include <mutex>
#include <thread>  // also steady_clock: <chrono> itself does not compile with a GBK execution charset

#include "server/lib/byte_range.h"
#include "server/lib/face_pool.h"
#include "server/lib/http_server.h"
#include "server/lib/identify_page.h"
#include "server/lib/multipart_form.h"
#include "server/lib/preview_fonts.h"
#include "server/lib/request_target.h"
#include "server/lib/text_image.h"
#include "server/lib/text_query.h"

namespace yq::server {

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kChunkBytes = 64 * 1024;
// The name of the identification form's file input.
constexpr std::string_view kUploadField = "uploaded_file";
constexpr int kPreviewPadding = 2;

struct FileDescriptor {
    explicit FileDescriptor(int f) : fd(f) {}
    ~FileDescriptor() {
        if (fd >= 0) ::close(fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int fd;
};

// The whole body of one answer, held in memory or read from an open file.
struct BodySource {
    std::shared_ptr<const std::string> memory;
    std::shared_ptr<const FileDescriptor> file;
    uint64_t size = 0;
    Corruption corruption = Corruption::None;

    static BodySource from_text(std::string text) {
        BodySource b;
        b.size = text.size();
        b.memory = std::make_shared<const std::string>(std::move(text));
        return b;
    }

    // Fills buf with up to n bytes from offset; the count read, 0 on error.
    size_t read(uint64_t offset, char* buf, size_t n) const {
        if (offset >= size) return 0;
        if (n > size - offset) n = static_cast<size_t>(size - offset);
        size_t got = 0;
        if (memory) {
            memory->copy(buf, n, static_cast<size_t>(offset));
            got = n;
        } else if (file) {
            while (got < n) {
                ssize_t r = ::pread(file->fd, buf + got, n - got, static_cast<off_t>(offset + got));
                if (r < 0 && errno == EINTR) continue;
                if (r <= 0) break;
                got += static_cast<size_t>(r);
            }
        }
        corrupt_bytes(corruption, size, offset, reinterpret_cast<uint8_t*>(buf), got);
        return got;
    }
};

std::string html_page(int status, std::string_view title) {
    std::string s = std::to_string(status) + " " + std::string(title);
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + s +
           "</title></head>\n<body><h1>" + s + "</h1></body></html>\n";
}

std::string escape_for_log(std::string_view s) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if (c < 0x20 || c >= 0x7F || c == '"' || c == '\\') {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

const char* content_type_of(Resource r) {
    switch (r) {
        case Resource::CatalogueVersion:
        case Resource::ProgramVersion:
            return "text/plain";
        case Resource::AdPage:
            return "text/html";
        case Resource::TextPreview:
            return "image/png";
        default:
            return "application/octet-stream";
    }
}

// The request whose log line the handler has written, so the library's
// logger does not write it again.
thread_local const httplib::Request* t_logged_request = nullptr;

}  // namespace

struct CatalogueServer::Impl {
    explicit Impl(ServeOptions o)
        : options(std::move(o)),
          http(options.threads, options.limits,
               [this](const RefusedRequest& r) { log_refusal(r); }) {}

    ServeOptions options;
    HttpServer http;
    PreviewFonts fonts;
    FacePool faces{fonts};
    std::atomic<bool> stopping{false};
    std::atomic<bool> in_run{false};
    std::mutex log_mutex;

    void handle(const httplib::Request& req, httplib::Response& res, RequestBody& body);
    void answer_identify_form(const httplib::Request& req, httplib::Response& res,
                              RequestBody& body, const FaultPlan& plan);
    void answer_text_preview(const httplib::Request& req, httplib::Response& res,
                             const ResolvedTarget& target, const FaultPlan& plan);
    void send(const httplib::Request& req, httplib::Response& res, BodySource body,
              const FaultPlan& plan, bool ranges, const std::string& content_type);
    void log_line(const httplib::Request& req, int status, const std::string& length,
                  const std::string& note);
    void log_refusal(const RefusedRequest& r);
    void write_log(const std::string& client, const std::string& request_line, int status,
                   const std::string& length, const std::string& note);
};

void CatalogueServer::Impl::write_log(const std::string& client, const std::string& request_line,
                                      int status, const std::string& length,
                                      const std::string& note) {
    if (!options.log) return;
    char when[32];
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%SZ", &tm);
    std::string line = std::string(when) + " " + client + " \"" + request_line + "\" " +
                       std::to_string(status) + " " + (length.empty() ? "-" : length) + " " + note +
                       "\n";
    std::lock_guard<std::mutex> lock(log_mutex);
    std::fputs(line.c_str(), options.log);
    std::fflush(options.log);
}

void CatalogueServer::Impl::log_line(const httplib::Request& req, int status,
                                     const std::string& length, const std::string& note) {
    write_log(req.remote_addr + ":" + std::to_string(req.remote_port),
              escape_for_log(req.method) + " " + escape_for_log(req.target) + " " +
                  escape_for_log(req.version),
              status, length, note);
}

// A request the connection layer answered before it was parsed.
void CatalogueServer::Impl::log_refusal(const RefusedRequest& r) {
    write_log(r.client_ip + ":" + std::to_string(r.client_port), escape_for_log(r.request_line),
              r.status, "", std::string("refused=") + r.reason);
}

void CatalogueServer::Impl::send(const httplib::Request& req, httplib::Response& res,
                                 BodySource body, const FaultPlan& plan, bool ranges,
                                 const std::string& content_type) {
    uint64_t first = 0, length = body.size;
    std::string range_note = "range=-";
    if (ranges) {
        res.set_header("Accept-Ranges", "bytes");
        std::string header = req.get_header_value("Range");
        RangeDecision d = decide_range(header, body.size);
        if (!header.empty()) range_note = "range=" + escape_for_log(header);
        if (d.kind == RangeKind::Unsatisfiable) {
            res.status = 416;
            res.set_header("Content-Range", "bytes */" + std::to_string(body.size));
            body = BodySource::from_text(html_page(416, "Range Not Satisfiable"));
            length = body.size;
            ranges = false;
        } else if (d.kind == RangeKind::Partial) {
            res.status = 206;
            res.set_header("Content-Range", "bytes " + std::to_string(d.first) + "-" +
                                                std::to_string(d.last) + "/" +
                                                std::to_string(body.size));
            first = d.first;
            length = d.last - d.first + 1;
        }
    }
    // An endless body runs on past its own bytes with filler.
    const uint64_t end = plan.endless ? UINT64_MAX : length;
    const uint64_t limit = plan.cut_after && *plan.cut_after < end ? *plan.cut_after : end;
    const bool no_length = plan.no_length || plan.endless;
    const bool close_at_end = limit < length || plan.bytes_per_second || no_length;
    log_line(req, res.status, no_length ? "" : std::to_string(length),
             range_note + " fault=" + describe(plan));
    t_logged_request = &req;

    if (length == 0 && !close_at_end) {
        res.set_content("", content_type);
        return;
    }
    const uint64_t rate = plan.bytes_per_second.value_or(0);
    const size_t piece =
        rate ? static_cast<size_t>(std::clamp<uint64_t>(rate / 20, 1, kChunkBytes)) : kChunkBytes;
    auto started = std::make_shared<Clock::time_point>();
    std::atomic<bool>* stop_flag = &stopping;
    // `offset` counts the bytes of this answer already written. Returning
    // false makes the library close the connection, which is how a cut body
    // and the end of a body without length reach the client.
    auto write_some = [body, first, length, limit, close_at_end, rate, piece, started, stop_flag](
                          size_t offset, httplib::DataSink& sink) -> bool {
        if (offset >= limit) return false;
        size_t n = static_cast<size_t>(std::min<uint64_t>(piece, limit - offset));
        if (rate) {
            if (offset == 0) *started = Clock::now();
            auto due = *started + std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double>(double(offset + n) / rate));
            while (Clock::now() < due) {
                if (stop_flag->load()) return false;
                std::this_thread::sleep_for(
                    std::min<Clock::duration>(due - Clock::now(), std::chrono::milliseconds(20)));
            }
        }
        std::vector<char> buf(n);
        size_t got;
        if (offset < length) {
            got = body.read(first + offset, buf.data(),
                            static_cast<size_t>(std::min<uint64_t>(n, length - offset)));
        } else {
            endless_bytes(offset, reinterpret_cast<uint8_t*>(buf.data()), n);
            got = n;
        }
        if (got == 0 || !sink.write(buf.data(), got)) return false;
        if (offset + got >= limit && close_at_end) return false;
        return true;
    };
    if (no_length) {
        res.set_content_provider(content_type,
                                 [write_some](size_t offset, httplib::DataSink& sink) {
                                     return write_some(offset, sink);
                                 });
    } else {
        res.set_content_provider(static_cast<size_t>(length), content_type,
                                 [write_some](size_t offset, size_t, httplib::DataSink& sink) {
                                     return write_some(offset, sink);
                                 });
    }
}

void CatalogueServer::Impl::answer_text_preview(const httplib::Request& req, httplib::Response& res,
                                                const ResolvedTarget& target,
                                                const FaultPlan& plan) {
    auto bad = [&](const std::string& why) {
        res.status = 400;
        send(req, res, BodySource::from_text("bad request: " + why + "\n"), plan, false,
             "text/plain");
    };
    TextQueryResult parsed = parse_text_query(target.query);
    if (!parsed.query) return bad(parsed.error);
    const TextQuery& q = *parsed.query;
    const std::string* key = fonts.key_for(q.font_name);
    if (!key) return bad("unknown font");
    GreyImage image;
    {
        FacePool::Checkout out = faces.checkout(*key);
        switch (out.refusal) {
            case FacePool::Refusal::None:
                break;
            case FacePool::Refusal::NoFile:
                return bad("unknown font");
            case FacePool::Refusal::CannotDraw:
                return bad("font cannot be drawn");
            case FacePool::Refusal::Busy:
                res.status = 503;
                res.set_header("Retry-After", "1");
                send(req, res, BodySource::from_text(html_page(503, "Service Unavailable")), plan,
                     false, "text/html");
                return;
        }
        image = out.lease.face().draw_line(gbk_to_code_points(q.msg), q.size, kPreviewPadding);
    }  // the face goes back before the picture is encoded
    Bytes png = encode_png(image);
    if (png.empty()) {
        res.status = 500;
        send(req, res, BodySource::from_text(html_page(500, "Internal Server Error")), plan, false,
             "text/html");
        return;
    }
    send(req, res, BodySource::from_text(std::string(png.begin(), png.end())), plan, false,
         "image/png");
}

// Reads the identification form as it arrives, counting its picture's
// bytes, and answers with their number. The body is never held whole: a
// form over the body limit is refused unread (the connection then drains
// it), and a bad one gets a page saying what is wrong with it.
void CatalogueServer::Impl::answer_identify_form(const httplib::Request& req,
                                                 httplib::Response& res, RequestBody& body,
                                                 const FaultPlan& plan) {
    auto refuse = [&](int status, const std::string& title, const std::string& why) {
        res.status = status;
        send(req, res, BodySource::from_text(identify_refusal_html(status, title, why)), plan,
             false, "text/html; charset=gbk");
    };
    const std::optional<uint64_t> length = body.length();
    if (!length) return refuse(411, "Length Required", "表单须带 Content-Length 发送。");
    const uint64_t cap = options.limits.max_body_bytes;
    if (*length > cap)
        return refuse(413, "Payload Too Large",
                      "表单有 " + std::to_string(*length) + " 字节,超过了 " + std::to_string(cap) +
                          " 字节的上限。");
    const std::string type = req.get_header_value("Content-Type");
    if (!is_form_data(type))
        return refuse(415, "Unsupported Media Type", "表单须以 multipart/form-data 发送。");
    const std::optional<std::string> boundary = form_boundary(type);
    if (!boundary) return refuse(400, "Bad Request", "表单的 Content-Type 没有可用的 boundary。");
    FormFieldCounter form(*boundary, kUploadField);
    std::vector<char> buf(kChunkBytes);
    for (;;) {
        ptrdiff_t n = body.read_some(buf.data(), buf.size());
        if (n == RequestBody::kTooSlow)
            return refuse(408, "Request Timeout", "表单送得太慢,没有按时送完。");
        if (n < 0) return refuse(400, "Bad Request", "表单没有送完,连接就断了。");
        if (n == 0) break;
        if (!form.feed({buf.data(), static_cast<size_t>(n)})) break;
    }
    if (!form.finish()) return refuse(400, "Bad Request", to_string(form.error()));
    send(req, res,
         BodySource::from_text(identify_answer_html(form.field_found(), form.field_bytes())), plan,
         false, "text/html; charset=gbk");
}

void CatalogueServer::Impl::handle(const httplib::Request& req, httplib::Response& res,
                                   RequestBody& request_body) {
    // The library would apply Range to every answer itself, error pages
    // included, and answers "bytes=N-" at the very end with an empty 206
    // instead of 416. We decide ranges in send(); the Request object is not
    // const, only our view of it.
    const_cast<httplib::Request&>(req).ranges.clear();
    res.status = 200;

    ResolvedTarget target = resolve_target(req.target);
    const bool form_post = req.method == "POST" && target.resource == Resource::IdentifyAnswer;
    if (req.method != "GET" && req.method != "HEAD" && !form_post) {
        res.status = 405;
        res.set_header("Allow", "GET, HEAD");
        send(req, res, BodySource::from_text(html_page(405, "Method Not Allowed")), {}, false,
             "text/html");
        return;
    }
    auto not_found = [&] {
        res.status = 404;
        send(req, res, BodySource::from_text(html_page(404, "Not Found")), {}, false, "text/html");
    };
    if (target.resource == Resource::None) return not_found();

    FaultPlan plan = plan_faults(options.faults, target.path);
    if (plan.status) {
        res.status = plan.status;
        send(req, res, BodySource::from_text(html_page(plan.status, "Error")), plan, false,
             "text/html");
        return;
    }
    if (target.resource == Resource::TextPreview)
        return answer_text_preview(req, res, target, plan);
    if (form_post) return answer_identify_form(req, res, request_body, plan);
    if (target.resource == Resource::IdentifyPage || target.resource == Resource::IdentifyAnswer) {
        const bool page = target.resource == Resource::IdentifyPage;
        send(req, res,
             BodySource::from_text(page ? identify_page_html() : identify_answer_html(false, 0)),
             plan, false, "text/html; charset=gbk");
        return;
    }

    BodySource body;
    if (target.resource == Resource::CatalogueVersion && plan.version) {
        body = BodySource::from_text(*plan.version);
    } else if (target.resource == Resource::ProgramVersion && plan.program) {
        body = BodySource::from_text(*plan.program);
    } else {
        std::string path = options.root + "/" + resource_file(target);
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return not_found();
        auto file = std::make_shared<const FileDescriptor>(fd);
        struct stat st {};
        if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return not_found();
        body.file = file;
        body.size = static_cast<uint64_t>(st.st_size);
    }
    const bool container =
        target.resource == Resource::Database || target.resource == Resource::Font;
    if (container) body.corruption = plan.corruption;
    const bool ranges = container || target.resource == Resource::Program;
    send(req, res, std::move(body), plan, ranges, content_type_of(target.resource));
}

CatalogueServer::CatalogueServer(ServeOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}

CatalogueServer::~CatalogueServer() = default;

std::string CatalogueServer::start() {
    Impl& s = *impl_;
    struct stat st {};
    if (::stat(s.options.root.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return s.options.root + ": not a folder";
    problems_.clear();
    s.fonts.load(s.options.root, &problems_);

    s.http.set_tcp_nodelay(true);
    s.http.set_handler([this](const httplib::Request& req, httplib::Response& res,
                              RequestBody& body) { impl_->handle(req, res, body); });
    // Answers the library makes on its own (a request it cannot parse).
    s.http.set_logger([this](const httplib::Request& req, const httplib::Response& res) {
        if (t_logged_request == &req) {
            t_logged_request = nullptr;
            return;
        }
        if (req.method.empty()) {
            impl_->log_line(req, res.status, "", "unparsable request");
        } else {
            impl_->log_line(req, res.status, res.get_header_value("Content-Length"), "-");
        }
    });
    if (s.options.port == 0) {
        port_ = s.http.bind_to_any_port(s.options.host);
        if (port_ <= 0) return "cannot listen on " + s.options.host;
    } else {
        if (!s.http.bind_to_port(s.options.host, s.options.port))
            return "cannot listen on " + s.options.host + ":" + std::to_string(s.options.port);
        port_ = s.options.port;
    }
    return "";
}

void CatalogueServer::run() {
    impl_->in_run = true;
    if (!impl_->stopping) impl_->http.serve();
    impl_->in_run = false;
}

void CatalogueServer::stop() {
    impl_->stopping = true;
    // The library ignores stop() until its accept loop has started, so wait
    // for that when run() has already been entered.
    while (impl_->in_run && !impl_->http.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    impl_->http.stop();
}

}  // namespace yq::server
