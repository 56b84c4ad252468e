// Fuzz target: the bitmap file reader, then the conversions that read what it stored.
#include "dib/FxDIB.h"
#include "dib/FxDIBError.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

using namespace folivex::dib;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    TFxDIB dib;
    try {
        dib.LoadFromStream(in);
    } catch (const EFxDIBError&) {
        return 0;
    }
    // A few compressed bytes may describe a vast picture; decoding it proves nothing.
    if (std::int64_t(dib.Width()) * dib.Height() > (1 << 18))
        return 0;
    for (FxPixelFormat target : {FxPixelFormat::Bit24, FxPixelFormat::HalfTone}) {
        try {
            TFxDIB copy(dib);
            copy.SetPixelFormat(target);
            std::ostringstream out;
            copy.SaveToStream(out);
        } catch (const EFxDIBError&) {
        }
    }
    return 0;
}
