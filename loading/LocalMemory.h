// The table of local memory handles behind LocalAlloc and its kin (see LocalMemory.cpp).
#pragma once

#include <cstddef>

namespace folivex {

// How many handles are alive: a plug-in that stopped or failed must leave it as it was.
std::size_t LiveLocalHandles();

} // namespace folivex
