#include "fonts/win/font_drop.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <utility>

#include "base/file_names.h"
#include "base/worker_guard.h"
#include "fonts/drop_model.h"
#include "fonts/font_report.h"
#include "fonts/win/font_primitives.h"
#include "fonts/win/inventory.h"
#include "platform/win/dialogs.h"
#include "platform/win/files.h"
#include "platform/win/handles.h"
#include "platform/win/ui_thread.h"
#include "platform/zip/zip_reader.h"

namespace yq {
namespace {

constexpr char kBusyMessage[] = "正在安装上次拖入的字体，请稍候再拖入。";
// The progress is shown at most this often.
constexpr DWORD kProgressMs = 100;

// A pack read piece by piece from its file: the archive is never held in
// memory whole.
class FileSource final : public zip::Source {
  public:
    explicit FileSource(const std::string& path)
        : file_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {
        LARGE_INTEGER size{};
        if (bool(file_) && GetFileSizeEx(file_.get(), &size)) size_ = size.QuadPart;
    }
    bool opened() const { return bool(file_); }
    uint64_t size() const override { return size_; }
    bool read(uint64_t offset, size_t n, uint8_t* out) override {
        if (offset > size_ || n > size_ - offset) return false;
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset);
        if (!SetFilePointerEx(file_.get(), at, nullptr, FILE_BEGIN)) return false;
        while (n > 0) {
            DWORD got = 0;
            const DWORD want = n > (1u << 30) ? (1u << 30) : static_cast<DWORD>(n);
            if (!ReadFile(file_.get(), out, want, &got, nullptr) || got == 0) return false;
            out += got;
            n -= got;
        }
        return true;
    }

  private:
    win::UniqueFile file_;
    uint64_t size_ = 0;
};

// The install of one drop, on the calling thread.
class DropInstall {
  public:
    DropInstall(const std::string& work_folder,
                const std::function<void(const std::string&)>& progress)
        : work_folder_(work_folder), progress_(progress) {}

    DropOutcome run(const win::DroppedFiles& files) {
        for (int i = 0; i < files.unnamed; ++i)
            refuse("名称含有无法使用的字符的文件", kWhyUnreadable);
        for (const std::string& path : files.paths) visit(path, 0);
        return std::move(outcome_);
    }

  private:
    void refuse(std::string name, std::string why) {
        outcome_.refused.push_back({std::move(name), std::move(why)});
    }

    // Whether one more file may be looked at; past the drop's limit each is
    // counted as refused.
    bool take_item(const std::string& label) {
        if (++items_ > kMaxDropItems) {
            refuse(label, kWhyTooMany);
            return false;
        }
        const DWORD now = GetTickCount();
        if (progress_ && now - last_progress_ >= kProgressMs) {
            last_progress_ = now;
            char text[96];
            std::snprintf(text, sizeof text, "正在安装拖入的字体:已安装%d个", outcome_.installed);
            win::run_on_ui([&] { progress_(text); });
        }
        return true;
    }

    // A dropped path, or one found in a dropped folder (depth > 0): what is
    // not a font or a pack is named only when it was dropped itself.
    void visit(const std::string& path, int depth) {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        const std::string name(file_name_of(path));
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            refuse(name, kWhyUnreadable);
            return;
        }
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A link or junction inside a folder may lead anywhere (or back
            // to the folder): only real folders are searched.
            if (depth > 0 && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return;
            if (depth + 1 > kMaxDropFolderDepth) return;
            const std::string folder = path.back() == '\\' ? path : path + "\\";
            for (const std::string& sub : folder_entries(folder)) visit(folder + sub, depth + 1);
            return;
        }
        switch (dropped_kind(name)) {
            case DroppedKind::Font:
                if (take_item(name)) install_one(path, name, name);
                break;
            case DroppedKind::Pack:
                if (take_item(name)) install_pack(path, name);
                break;
            case DroppedKind::Other:
                if (depth == 0) refuse(name, kWhyNotAFont);
                break;
        }
    }

    // The files and folders of a folder, in the order the system lists
    // them; names code page 936 cannot hold exactly are left out.
    static std::vector<std::string> folder_entries(const std::string& folder) {
        std::vector<std::string> names;
        std::optional<std::wstring> wide = win::wide_exactly(folder + "*");
        if (!wide) return names;
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW(wide->c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return names;
        do {
            const std::wstring_view n(found.cFileName);
            if (n == L"." || n == L"..") continue;
            if (std::optional<std::string> gbk = win::gbk_exactly(found.cFileName))
                names.push_back(std::move(*gbk));
        } while (FindNextFileW(find, &found));
        FindClose(find);
        return names;
    }

    void install_one(const std::string& path, std::string file_name, const std::string& label) {
        const InstallResult result = install_font(path, file_name);
        switch (result.status) {
            case InstallStatus::Installed:
                ++outcome_.installed;
                break;
            case InstallStatus::AlreadyInstalled:
                ++outcome_.already_installed;
                break;
            case InstallStatus::FaceTaken:
                refuse(label, kWhyFaceTaken);
                break;
            case InstallStatus::NotAFont:
                refuse(label, kWhyNotAFont);
                break;
            case InstallStatus::Failed:
                refuse(label, kWhyInstallFailed);
                break;
        }
    }

    // Each font of the pack is unpacked into the work folder under the
    // program's own name, installed from there under the entry's own file
    // name, and the unpacked copy deleted. No name from the archive is ever
    // used as a path.
    void install_pack(const std::string& path, const std::string& pack_name) {
        FileSource source(path);
        if (!source.opened()) return refuse(pack_name, kWhyUnreadable);
        Result<std::vector<zip::Entry>> entries = zip::list_zip(source, kMaxPackedFontBytes);
        if (!entries.ok()) {
            std::fprintf(stderr, "yanqing: dropped pack %s not read: %s\n", pack_name.c_str(),
                         entries.status().message().c_str());
            return refuse(pack_name, kWhyDamagedPack);
        }
        char unpacked_name[64];
        std::snprintf(unpacked_name, sizeof unpacked_name, "拖入字体-%lu%.*s", GetCurrentThreadId(),
                      static_cast<int>(kPartialSuffix.size()), kPartialSuffix.data());
        win::ensure_folder(work_folder_);
        const std::string unpacked = work_folder_ + unpacked_name;
        for (const zip::Entry& entry : *entries) {
            const PackEntryPlan plan = plan_pack_entry(entry);
            if (plan.action == PackEntryPlan::kPassOver) continue;
            const std::string label = pack_entry_label(pack_name, entry.name);
            if (!take_item(label)) continue;
            if (plan.action == PackEntryPlan::kRefuse) {
                refuse(label, plan.why);
                continue;
            }
            if (!unpack(source, entry, unpacked)) {
                refuse(label, kWhyDamagedPack);
            } else {
                install_one(unpacked, entry.file_name, label);
            }
            win::delete_file(unpacked);
        }
    }

    static bool unpack(zip::Source& source, const zip::Entry& entry, const std::string& target) {
        win::UniqueFile out(CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!out) return false;
        const Status unpacked = zip::extract_zip(source, entry, [&](ByteSpan piece) {
            DWORD written = 0;
            return WriteFile(out.get(), piece.data(), static_cast<DWORD>(piece.size()), &written,
                             nullptr) &&
                   written == piece.size();
        });
        return unpacked.ok();
    }

    const std::string& work_folder_;
    const std::function<void(const std::string&)>& progress_;
    DropOutcome outcome_;
    size_t items_ = 0;  // files looked at so far
    DWORD last_progress_ = 0;
};

}  // namespace

DropOutcome install_dropped_files(const win::DroppedFiles& files, const std::string& work_folder,
                                  const std::function<void(const std::string&)>& progress) {
    return DropInstall(work_folder, progress).run(files);
}

// One drop at work on its worker.
struct DropJob {
    FontDrop& owner;
    win::DroppedFiles files;

    static DWORD WINAPI worker(void* arg) {
        std::unique_ptr<DropJob> job(static_cast<DropJob*>(arg));
        FontDrop& owner = job->owner;
        const FontDropHooks& hooks = owner.hooks_;
        std::string summary = "拖入的字体未能全部安装。";
        run_guarded(
            "installing dropped fonts",
            [&] {
                const DropOutcome outcome =
                    install_dropped_files(job->files, owner.work_folder_, hooks.progress);
                summary =
                    drop_summary(outcome.installed, outcome.already_installed, outcome.refused);
                if (outcome.installed > 0) {
                    rebuild_inventory([&] {
                        if (hooks.fonts_changed) hooks.fonts_changed();
                    });
                    broadcast_font_change();
                }
            },
            [] {});
        job.reset();
        win::run_on_ui([&] {
            if (hooks.progress) hooks.progress("");
        });
        owner.busy_ = false;
        win::run_on_ui([&] { win::message_box(summary); });
        return 0;
    }
};

FontDrop::FontDrop(std::string work_folder, FontDropHooks hooks)
    : work_folder_(std::move(work_folder)), hooks_(std::move(hooks)) {}

void FontDrop::install(win::DroppedFiles files) {
    if (busy_) {
        win::message_box(kBusyMessage);
        return;
    }
    if (!may_install_fonts()) return;
    busy_ = true;
    auto* job = new DropJob{*this, std::move(files)};
    HANDLE thread = CreateThread(nullptr, 0, DropJob::worker, job, 0, nullptr);
    if (!thread) {
        delete job;
        busy_ = false;
        win::message_box("拖入的字体未能安装。");
        return;
    }
    CloseHandle(thread);
}

}  // namespace yq
