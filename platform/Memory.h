#pragma once
// The process's heap.

namespace novra::platform {

// Hands the free pages of the heap back to the system, so that memory freed after a burst of
// large allocations (decoded images) no longer counts as resident.
void returnFreedMemory();

} // namespace novra::platform
