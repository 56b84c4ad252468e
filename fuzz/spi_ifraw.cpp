// Fuzz target: the bundled camera raw plug-in (ifraw.spi), its sources built in.
#include "SpiFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return folivex::fuzz::RunPlugIn(data, size);
}
