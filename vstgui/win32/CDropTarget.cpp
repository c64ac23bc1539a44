#include "vstgui/win32/CDropTarget.h"

#include "vstgui/WindowEvents.h"

namespace VSTGUI {

namespace {

const GUID kUnknownInterface = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const GUID kDropTargetInterface = {
    0x00000122, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

} // namespace

HRESULT STDMETHODCALLTYPE CDropTarget::QueryInterface(REFIID id, void** object) {
    if (IsEqualGUID(id, kUnknownInterface) || IsEqualGUID(id, kDropTargetInterface)) {
        *object = this;
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CDropTarget::AddRef() {
    return static_cast<ULONG>(++refCount);
}

ULONG STDMETHODCALLTYPE CDropTarget::Release() {
    if (--refCount <= 0) {
        delete this;
        return 0;
    }
    return static_cast<ULONG>(refCount);
}

HRESULT STDMETHODCALLTYPE CDropTarget::DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    *effect = windowEvents::dragEnter(frame, data);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDropTarget::DragOver(DWORD, POINTL, DWORD* effect) {
    if (windowEvents::dragOver(frame)) *effect = windowEvents::kDropMove;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDropTarget::DragLeave() {
    windowEvents::dragLeave(frame);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDropTarget::Drop(IDataObject*, DWORD, POINTL, DWORD*) {
    windowEvents::drop(frame);
    return S_OK;
}

} // namespace VSTGUI
