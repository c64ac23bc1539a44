// The frame's drop target on the software backend: the operations of the
// system drop-target interface, fed with software::DragData objects.
#pragma once

#include "vstgui/software/Objects.h"

namespace VSTGUI {

class CDropTarget : public software::Object {
public:
    explicit CDropTarget(CFrame* frame) : Object(software::Kind::dropTarget), frame(frame) {}

    // The count starts at 0; the window's registration holds one.
    virtual std::uint32_t AddRef() { return static_cast<std::uint32_t>(++refCount); }
    virtual std::uint32_t Release();
    // effect: 2 (move) when a data object came with the drag, else 0.
    virtual void DragEnter(native::Handle dataObject, std::uint32_t keyState, CPoint point,
                           std::uint32_t* effect);
    // effect: 2 when a drag is in progress, else unchanged.
    virtual void DragOver(std::uint32_t keyState, CPoint point, std::uint32_t* effect);
    virtual void DragLeave();
    virtual void Drop(native::Handle dataObject, std::uint32_t keyState, CPoint point,
                      std::uint32_t* effect);

private:
    // refCount: holders of the target; frame: the frame it serves, not owned.
    std::int32_t refCount = 0;
    CFrame* frame;
};

} // namespace VSTGUI
