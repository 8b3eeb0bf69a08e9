// probe drop NAME PATH...: drops files on a design control as Explorer
// does, from this process: a data object offering CF_HDROP (wide paths)
// handed to DoDragDrop with the cursor over the control's centre, released
// once the target has had a few rounds of drag-over. Prints the effect
// the target answered (1 for a copy, 0 when it refused the drop).
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

class Releases final : public IDropSource {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
        if (id == IID_IUnknown || id == IID_IDropSource) {
            *out = static_cast<IDropSource*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    // The button is "released" on the sixth round: by then OLE has found
    // the target under the cursor and asked it about the data.
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD) override {
        if (escape) return DRAGDROP_S_CANCEL;
        return ++rounds_ > 5 ? DRAGDROP_S_DROP : S_OK;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

  private:
    int rounds_ = 0;
};

class Files final : public IDataObject {
  public:
    explicit Files(std::vector<std::wstring> paths) : paths_(std::move(paths)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
        if (id == IID_IUnknown || id == IID_IDataObject) {
            *out = static_cast<IDataObject*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
        // DROPFILES, then each path and its NUL, then one more NUL.
        size_t chars = 1;
        for (const std::wstring& p : paths_) chars += p.size() + 1;
        HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
        if (!block) return E_OUTOFMEMORY;
        auto* header = static_cast<DROPFILES*>(GlobalLock(block));
        header->pFiles = sizeof(DROPFILES);
        header->fWide = TRUE;
        auto* at = reinterpret_cast<wchar_t*>(header + 1);
        for (const std::wstring& p : paths_) {
            std::memcpy(at, p.c_str(), (p.size() + 1) * sizeof(wchar_t));
            at += p.size() + 1;
        }
        GlobalUnlock(block);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = block;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* f) override {
        return f && f->cfFormat == CF_HDROP && (f->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC** out) override {
        *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }

  private:
    std::vector<std::wstring> paths_;
};

std::wstring wide_of(const char* gbk) {
    const int n = MultiByteToWideChar(936, 0, gbk, -1, nullptr, 0);
    std::wstring w(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1) MultiByteToWideChar(936, 0, gbk, -1, w.data(), n);
    return w;
}

}  // namespace

// `target` is the control to drop on (its centre takes the cursor).
int drop_files(HWND target, int count, char** paths) {
    if (!target) return 1;
    RECT r;
    GetWindowRect(target, &r);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    Sleep(100);
    std::vector<std::wstring> wide;
    for (int i = 0; i < count; ++i) wide.push_back(wide_of(paths[i]));
    OleInitialize(nullptr);
    Files files(std::move(wide));
    Releases source;
    DWORD effect = DROPEFFECT_NONE;
    const HRESULT hr = DoDragDrop(&files, &source, DROPEFFECT_COPY, &effect);
    std::printf("{\"result\":%ld,\"effect\":%lu}\n", static_cast<long>(hr), effect);
    OleUninitialize();
    return 0;
}
