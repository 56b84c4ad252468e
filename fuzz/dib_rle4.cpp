// Fuzz target: the 4-bit run-length decoder on arbitrary data; whatever it decodes must
// survive encoding and decoding again unchanged.
#include "fuzz/DibRleFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return folivex::dib::fuzz::FuzzRle<4>(folivex::dib::kBiRle4, data, size);
}
