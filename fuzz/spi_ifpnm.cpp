// Fuzz target: the bundled Netpbm plug-in (ifpnm.spi), its sources built in.
#include "SpiFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return folivex::fuzz::RunPlugIn(data, size);
}
