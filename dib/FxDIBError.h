// Errors of the DIB library: one base class and the kinds a caller may tell apart.
// Every message is the exact text the user sees.
#pragma once

#include "core/Error.h"

#include <stdexcept>
#include <string>

namespace folivex::dib {

class EFxDIBError : public std::runtime_error {
public:
    explicit EFxDIBError(const std::string& message) : std::runtime_error(message) {}
};

#define FOLIVEX_DIB_ERROR(Name)                                                                    \
    class Name : public EFxDIBError {                                                              \
    public:                                                                                        \
        explicit Name(const std::string& message) : EFxDIBError(message) {}                        \
    };

FOLIVEX_DIB_ERROR(EFxDIBInvalidDIB)
FOLIVEX_DIB_ERROR(EFxDIBInvalidDIBFile)
FOLIVEX_DIB_ERROR(EFxDIBInvalidDIBPara)
FOLIVEX_DIB_ERROR(EFxDIBBadDIBType)
FOLIVEX_DIB_ERROR(EFxDIBInvalidPalette)
FOLIVEX_DIB_ERROR(EFxDIBCompressionFailed)
FOLIVEX_DIB_ERROR(EFxDIBCanvasFailed)
// Pixel memory that the system refuses to map.
FOLIVEX_DIB_ERROR(EOutOfResources)
// A stream that ends before the data its headers announce.
FOLIVEX_DIB_ERROR(EReadError)
// A stream that refuses the bytes written to it.
FOLIVEX_DIB_ERROR(EWriteError)
// A broken internal invariant or a call the library does not allow.
FOLIVEX_DIB_ERROR(EFxDIBAssertionFailed)

#undef FOLIVEX_DIB_ERROR

inline constexpr const char* kStreamReadError =
    FOLIVEX_TRANSLATE_NOOP("Messages", "ストリームの読み込みエラー");
inline constexpr const char* kStreamWriteError =
    FOLIVEX_TRANSLATE_NOOP("Messages", "ストリームの書き込みエラー");

// Raises EFxDIBAssertionFailed with the message when the condition does not hold.
inline void FxAssert(bool condition, const std::string& message) {
    if (!condition)
        throw EFxDIBAssertionFailed(message);
}

} // namespace folivex::dib
