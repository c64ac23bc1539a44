#include "vstgui/software/CDropTarget.h"

#include "vstgui/WindowEvents.h"

namespace VSTGUI {

std::uint32_t CDropTarget::Release() {
    if (--refCount <= 0) {
        delete this;
        return 0;
    }
    return static_cast<std::uint32_t>(refCount);
}

void CDropTarget::DragEnter(native::Handle dataObject, std::uint32_t, CPoint,
                            std::uint32_t* effect) {
    *effect = windowEvents::dragEnter(frame, dataObject);
}

void CDropTarget::DragOver(std::uint32_t, CPoint, std::uint32_t* effect) {
    if (windowEvents::dragOver(frame)) *effect = windowEvents::kDropMove;
}

void CDropTarget::DragLeave() {
    windowEvents::dragLeave(frame);
}

void CDropTarget::Drop(native::Handle, std::uint32_t, CPoint, std::uint32_t*) {
    windowEvents::drop(frame);
}

} // namespace VSTGUI
