#include "platform/win/drop_target.h"

#include <ole2.h>
#include <shellapi.h>

#include <optional>
#include <utility>

#include "platform/win/files.h"
#include "platform/win/ui_thread.h"

namespace yq::win {
namespace {

FORMATETC hdrop_format() {
    return FORMATETC{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

// The paths of a CF_HDROP block, read with the wide calls: a path that
// code page 936 cannot hold exactly is counted, never mapped to another
// name (which could be another file's).
DroppedFiles read_paths(HDROP drop) {
    DroppedFiles files;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        if (length == 0) continue;
        std::wstring path(length + 1, L'\0');
        if (DragQueryFileW(drop, i, path.data(), length + 1) != length) continue;
        path.resize(length);
        if (std::optional<std::string> gbk = gbk_exactly(path.c_str())) {
            files.paths.push_back(std::move(*gbk));
        } else {
            ++files.unnamed;
        }
    }
    return files;
}

class FileDropTarget final : public IDropTarget {
  public:
    explicit FileDropTarget(std::function<void(DroppedFiles)> dropped)
        : dropped_(std::move(dropped)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
        if (id == IID_IUnknown || id == IID_IDropTarget) {
            *out = static_cast<IDropTarget*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        FORMATETC format = hdrop_format();
        offers_files_ = data && data->QueryGetData(&format) == S_OK;
        *effect = answer(*effect);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
        *effect = answer(*effect);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override {
        offers_files_ = false;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_NONE;
        offers_files_ = false;
        FORMATETC format = hdrop_format();
        STGMEDIUM medium{};
        if (!data || FAILED(data->GetData(&format, &medium))) return S_OK;
        DroppedFiles files;
        if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) {
            if (auto drop = static_cast<HDROP>(GlobalLock(medium.hGlobal))) {
                files = read_paths(drop);
                GlobalUnlock(medium.hGlobal);
            }
        }
        ReleaseStgMedium(&medium);
        if (files.paths.empty() && files.unnamed == 0) return S_OK;
        *effect = DROPEFFECT_COPY;
        // The files are read (installed, copied) after this call has
        // returned to the dropping program.
        post_on_ui([dropped = dropped_, files = std::move(files)]() mutable {
            dropped(std::move(files));
        });
        return S_OK;
    }

  private:
    // Files are copied from where they lie, never moved.
    DWORD answer(DWORD allowed) const {
        return offers_files_ && (allowed & DROPEFFECT_COPY) ? DROPEFFECT_COPY : DROPEFFECT_NONE;
    }

    LONG references_ = 1;
    bool offers_files_ = false;
    const std::function<void(DroppedFiles)> dropped_;
};

}  // namespace

bool accept_dropped_files(HWND window, std::function<void(DroppedFiles)> dropped) {
    auto* target = new FileDropTarget(std::move(dropped));
    // OLE keeps its own reference while the window is registered.
    const HRESULT registered = RegisterDragDrop(window, target);
    target->Release();
    return SUCCEEDED(registered);
}

void stop_accepting_dropped_files(HWND window) {
    RevokeDragDrop(window);
}

}  // namespace yq::win
