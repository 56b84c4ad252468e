// How the program's heap hands out large blocks.
#pragma once

namespace folivex {

// Large blocks (picture buffers) are mapped on their own, so that freeing one gives its
// memory back to the system. glibc otherwise raises its mapping threshold to the size of
// each mapped block freed; later pictures then come from the heap, whose holes kept the
// resident size of a long session growing with every picture size it met. Called once at
// start, before any thread.
void KeepLargeBlocksMapped();

} // namespace folivex
