// Drawing objects that the toolkit asks its backend for, counted since the
// program started, so that tests can see unchanged settings touch the system
// not at all. The test programs that link ObjectCounts.cpp put its counter in
// place as the toolkit's drawing request hook (native::setDrawingRequestHook).
#pragma once

namespace guitest {

struct ObjectCounts {
    int pens = 0;
    int brushes = 0;
    int fonts = 0;
    int clips = 0;
};
const ObjectCounts& objectCounts();

} // namespace guitest
