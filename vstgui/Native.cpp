#include "vstgui/Native.h"

namespace VSTGUI {
namespace native {

ObjectCounts& objectCounts() {
    static ObjectCounts counts;
    return counts;
}

} // namespace native
} // namespace VSTGUI
