// The frame's OLE drop target: turns the system's drag-and-drop into the
// view tree's drag operations.
#pragma once

#include "vstgui/win32/System.h"

#include <ole2.h>

namespace VSTGUI {

class CFrame;

class CDropTarget : public IDropTarget {
public:
    explicit CDropTarget(CFrame* frame) : frame(frame) {}

    // Any system thread that OLE calls on (the frame's UI thread here).
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // UI thread, while a drag moves over the frame's window.
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL point,
                                        DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL point,
                                   DWORD* effect) override;
    virtual ~CDropTarget() = default;

private:
    // refCount: holders of the target, 0 when made; frame: the frame served, not owned.
    LONG refCount = 0;
    CFrame* frame;
};

} // namespace VSTGUI
