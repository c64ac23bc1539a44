// The payload of a drag that views receive: the system's data object and the
// number of items it offers (one text, or a number of files).
#pragma once

#include "vstgui/CReferenceCounter.h"
#include "vstgui/Native.h"

namespace VSTGUI {

class CDragContainer : public CReferenceCounter {
public:
    explicit CDragContainer(native::Handle platformDrag)
        : platformDrag(platformDrag), nbItems(native::countDragItems(platformDrag)) {}

    native::Handle getPlatformDrag() const { return platformDrag; }
    std::int32_t getCount() const { return nbItems; }

protected:
    // platformDrag: the system's data object, not owned. nbItems: items it offers.
    native::Handle platformDrag;
    std::int32_t nbItems;
};

} // namespace VSTGUI
