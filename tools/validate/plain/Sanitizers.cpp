// A build without a sanitizer runtime.
#include "tools/validate/Interposer.h"

namespace sanitizers {

long reports() {
    return -1;
}
bool leaksFound() {
    return false;
}
bool leakCheckAvailable() {
    return false;
}

} // namespace sanitizers
