// Replaces the global allocation functions of the test program so tests can
// count allocations and make the next ones fail.
#pragma once

namespace allocations {

// Allocations made so far, and allocations not yet released.
long made();
long live();
// The next `count` allocations succeed, every later one throws; -1 never fails.
void failAfter(long count);

} // namespace allocations
