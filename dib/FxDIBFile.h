// Reading and writing of Windows bitmap files into and from DIB description records.
#pragma once

#include "dib/FxDIBTypes.h"

#include <iosfwd>

namespace folivex::dib {

// Reads one bitmap file from the stream's current position. The returned record owns a
// new pixel block (the caller releases it); 16- and 32-bit files come back as 24 bits,
// core headers as information headers. The pixel data is bounded by the real length of
// the stream, whatever the file's size field says.
FxDIBDesc ReadDIB(std::istream& in, bool section);

// Writes the record as a bitmap file: file header, information header, colour table and
// the pixel block as stored (compressed data stays compressed).
void WriteDIB(std::ostream& out, const FxDIBDesc& desc);

} // namespace folivex::dib
